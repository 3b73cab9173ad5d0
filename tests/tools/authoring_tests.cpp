#include <gtest/gtest.h>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QUuid>

#include "tests/tools/tool_run.h"
#include "tools/cli.h"
#include "tools/content_check.h"
#include "tools/content_json.h"
#include "tools/database_build.h"
#include "tools/database_export.h"
#include "tools/player.h"
#include "tools/reachable_scores.h"

using namespace lovetest::content;
namespace content = lovetest::content;
using namespace lovetest::content::testing;

namespace {

const QString kFolders = QStringLiteral(FIXTURES_DIR "/folders.json");

// Every row of a table, in key order, as text: what the program would read.
QStringList tableRows(const QString &path, const QString &table)
{
    const QString name = QUuid::createUuid().toString();
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
        QSqlQuery query(db);
        EXPECT_TRUE(query.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table)));
        while (query.next()) {
            QStringList fields;
            for (int i = 0; i < query.record().count(); ++i)
                fields.append(query.value(i).isNull() ? QStringLiteral("<null>") : query.value(i).toString());
            rows.append(fields.join(QLatin1Char('|')));
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

void execSql(const QString &path, const QString &statement)
{
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
    }
    QSqlDatabase::removeDatabase(name);
}

TEST(Folders, RoundTripKeepsEveryRowOfEveryTable)
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("first.mdb"));
    const QString exported = dir.filePath(QStringLiteral("exported.json"));
    const QString second = dir.filePath(QStringLiteral("second.mdb"));
    ASSERT_EQ(tool({"build", kFolders, "-o", first}).status, ExitOk);
    const ToolRun once = tool({"export", first});
    ASSERT_EQ(once.status, ExitOk) << once.err.toStdString();
    writeFile(exported, once.out.toUtf8());
    const ToolRun rebuilt = tool({"build", exported, "-o", second});
    ASSERT_EQ(rebuilt.status, ExitOk) << rebuilt.err.toStdString();
    EXPECT_EQ(rebuilt.out, second + QStringLiteral(": 3 tests, 2 folders\n"));
    EXPECT_EQ(tool({"export", second}).out, once.out);

    const QStringList catalog = tableRows(first, QStringLiteral("量表"));
    for (const QString &table : {QStringLiteral("量表"), QStringLiteral("结果"), QStringLiteral("说明")})
        EXPECT_EQ(tableRows(second, table), tableRows(first, table)) << table.toStdString();
    // A folder is a catalog row without questions; placement is kept in Parent,
    // an empty Parent included.
    const auto row = [&](const char *id) {
        return *std::find_if(catalog.begin(), catalog.end(),
                             [&](const QString &r) { return r.startsWith(QLatin1String(id) + '|'); });
    };
    EXPECT_TRUE(row("10").startsWith(QStringLiteral("10|10|认识自己|1|0|<null>|<null>|<null>|")));
    EXPECT_TRUE(row("20").startsWith(QStringLiteral("20|<null>|旧的分类|1|")));
    EXPECT_TRUE(row("100").startsWith(QStringLiteral("100|10|上层测试|1|")));
    EXPECT_TRUE(row("101").startsWith(QStringLiteral("101|100|")));
    EXPECT_TRUE(row("200").startsWith(QStringLiteral("200|100|下层测试|1|")));
    EXPECT_EQ(loadDatabase(second), readContentFiles({kFolders}));
}

// A test under a test: the run and the content page pass over the catalog
// row of the inner test; a folder is refused in words that say what it is.
TEST(Folders, RunAndReportPassOverCatalogRows)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("date.mdb"));
    buildDatabase(readContentFiles({kFolders}), db);

    const ToolRun played = tool({"play", db, "--test", "100", "--answers", "1,1"});
    ASSERT_EQ(played.status, ExitOk) << played.err.toStdString();
    EXPECT_EQ(played.out,
              QStringLiteral("2-1.第一题    \n2-2.第二题    \n声明：本程序所提供的测试仅供娱乐!\n\n多\n得分: 2\n"));
    const ToolRun inner = tool({"play", db, "--test", "200", "--answers", "1", "--category", "1"});
    ASSERT_EQ(inner.status, ExitOk) << inner.err.toStdString();
    EXPECT_TRUE(inner.out.endsWith(QStringLiteral("男高\n得分: 6\n类别: 1\n"))) << inner.out.toStdString();

    const QString page = reportTest(db, 100);
    EXPECT_TRUE(page.contains(QStringLiteral("第二题")));
    EXPECT_FALSE(page.contains(QStringLiteral("下层测试")));
    EXPECT_EQ(page.count(QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;<b>")), 2);

    const ToolRun folder = tool({"play", db, "--test", "10", "--answers", "1"});
    EXPECT_EQ(folder.status, ExitContentError);
    EXPECT_TRUE(folder.err.contains(QStringLiteral("“认识自己”是一个分类，没有题目：请在它下面选择一个测试。")))
        << folder.err.toStdString();
}

// One test entry of a content file (content_message_tests.cpp holds the
// table of mistakes made in it).
const char kSoundTest[] = R"({"tests": [
  {"id": 5, "name": "好测试", "remarks": "说明",
   "questions": [{"text": "第一题", "options": [[1, "是"], [0, "否"]]}],
   "verdicts": [{"thresholds": [0], "texts": ["低", "高"]}]}
]})";

TEST(AuthorMistakes, EveryErrorOfEveryFileIsReported)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.json"));
    const QString b = dir.filePath(QStringLiteral("b.json"));
    writeFile(a, R"({"tests": [
  {"name": "一", "factor": "x", "questions": [{"text": "题", "options": [[1, "是"]]}], "verdicts": []},
  {"name": "二", "questions": [{"options": [[1, "是"]]}], "verdicts": [{"thresholds": [1]}]}
]})");
    writeFile(b, "{\"tests\": [\n  {\"name\": \"三\",\n   \"questions\": []\n   \"verdicts\": []}\n]}");
    const ToolRun run = tool({"check", a, b});
    EXPECT_EQ(run.status, ExitContentError);
    for (const QString &expected :
         {a + QStringLiteral(":2:27: error: test \"一\": \"factor\" must be a number, not a text"),
          a + QStringLiteral(":3:31: error: test \"二\", question 1: \"text\" is missing"),
          a + QStringLiteral(":3:70: error: test \"二\", verdict row 1: \"texts\" is missing"),
          b + QStringLiteral(":4:4: error: \",\" or \"}\" was expected (is a comma missing?)")})
        EXPECT_TRUE(run.out.contains(expected)) << expected.toStdString() << "\n" << run.out.toStdString();
}

TEST(AuthorMistakes, FilesNotInUtf8GetAHint)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("t.json"));
    const QString json = QString::fromUtf8(kSoundTest);
    const std::pair<QByteArray, const char *> cases[] = {
        {QByteArray("\xFF\xFE") + QStringEncoder(QStringEncoder::Utf16LE).encode(json),
         ":1:1: error: the file is saved in UTF-16; save it as UTF-8"},
        {QStringEncoder("GBK").encode(json),
         ":2:22: error: the file is not UTF-8 (it looks like GBK); save it as UTF-8"},
    };
    for (const auto &[bytes, expected] : cases) {
        writeFile(file, bytes);
        const ToolRun run = tool({"check", file});
        EXPECT_EQ(run.status, ExitContentError);
        EXPECT_TRUE(run.out.contains(file + QString::fromUtf8(expected))) << run.out.toStdString();
    }
}

TEST(DatabaseFaults, EachIsNamedInWords)
{
    QTemporaryDir dir;
    const QString empty = dir.filePath(QStringLiteral("empty.mdb"));
    writeFile(empty, {});
    const QString text = dir.filePath(QStringLiteral("text.mdb"));
    writeFile(text, "just some text, no database at all");
    const QString noCatalog = dir.filePath(QStringLiteral("other.mdb"));
    execSql(noCatalog, QStringLiteral("CREATE TABLE other (x INTEGER)"));
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // A database cut short after its first pages.
    const QString cut = dir.filePath(QStringLiteral("cut.mdb"));
    buildDatabase(readContentFiles({kFolders}), cut);
    ASSERT_TRUE(QFile::resize(cut, 2 * 4096));
    const std::pair<QString, QString> cases[] = {
        {dir.filePath(QStringLiteral("missing.mdb")), QStringLiteral("missing.mdb: no such file")},
        {empty, QStringLiteral("empty.mdb is not a test database: the file is empty")},
        {text, QStringLiteral("text.mdb is not a test database: it is no SQLite database file")},
        {noCatalog, QStringLiteral("other.mdb is not a test database: no table 量表")},
        {fifo, QStringLiteral("fifo is not a regular file")},
        {QStringLiteral("/dev/zero"), QStringLiteral("/dev/zero is not a regular file")},
        {cut, QStringLiteral("cut.mdb: the file is damaged (database disk image is malformed)")},
    };
    // One cause, one message, from every command that reads a database; no
    // name of the program's inner parts ("catalog: ", "questions: ").
    const QList<QStringList> commands{
        {"export"}, {"check"}, {"play", "--test", "100", "--answers", "1,1"}, {"report", "--test", "100"}};
    for (const auto &[path, expected] : cases) {
        for (const QStringList &command : commands) {
            const ToolRun run = tool(QStringList{command.first(), path} + command.mid(1));
            const QString said = run.err + run.out;
            EXPECT_EQ(run.status, ExitContentError) << command.first().toStdString() << " " << path.toStdString();
            EXPECT_TRUE(said.contains(expected)) << command.first().toStdString() << ": " << said.toStdString();
            EXPECT_FALSE(said.contains(QRegularExpression(
                QStringLiteral("\\b(ADO\\w+|catalog|questions|instructions|verdicts|connection): "))))
                << said.toStdString();
        }
    }
}

// Damage in a page no export reads is found by check.
TEST(DatabaseFaults, CheckFindsDamageAnywhereInTheFile)
{
    QTemporaryDir dir;
    const QString clean = dir.filePath(QStringLiteral("clean.mdb"));
    buildDatabase(readContentFiles({kFolders}), clean);
    const qint64 pages = QFileInfo(clean).size() / 4096;
    const QString db = dir.filePath(QStringLiteral("date.mdb"));
    int unreadByExport = 0;
    for (qint64 page = 1; page < pages; ++page) {
        QFile::remove(db);
        ASSERT_TRUE(QFile::copy(clean, db));
        QFile file(db);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.seek(page * 4096);
        file.write(QByteArray(4096, '\xff'));
        file.close();
        const ToolRun check = tool({"check", db});
        EXPECT_EQ(check.status, ExitContentError) << "page " << page + 1;
        EXPECT_TRUE(
            (check.out + check.err).contains(db + QStringLiteral(": ")) &&
            (check.out + check.err).contains(QStringLiteral("the file is damaged (database disk image is malformed)")))
            << "page " << page + 1 << ": " << (check.out + check.err).toStdString();
        if (tool({"export", db}).status == ExitOk)
            ++unreadByExport;
    }
    EXPECT_GT(unreadByExport, 0) << "no page is left unread by export: the case is not covered";
}

TEST(DatabaseFaults, RowsOfDeletedEntriesAreReported)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("date.mdb"));
    buildDatabase(readContentFiles({kFolders}), db);
    execSql(db, QStringLiteral("DELETE FROM 量表 WHERE ID = 300"));
    const ToolRun run = tool({"check", db});
    EXPECT_EQ(run.status, ExitOk) << run.out.toStdString();
    EXPECT_TRUE(
        run.out.contains(db + QStringLiteral(": warning: 1 question rows with Parent 300 belong to no catalog entry")))
        << run.out.toStdString();
    EXPECT_TRUE(
        run.out.contains(db + QStringLiteral(": warning: 1 verdict rows with lbid 300 belong to no catalog entry")));
}

TEST(DatabaseFaults, AFieldThatCannotBeUnsealedIsNamedByItsRow)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("date.mdb"));
    buildDatabase(readContentFiles({kFolders}), db);
    execSql(db, QStringLiteral("UPDATE 量表 SET Name = '!!notbase64' WHERE ID = 102"));
    const ToolRun run = tool({"export", db});
    EXPECT_EQ(run.status, ExitContentError);
    EXPECT_TRUE(run.err.contains(db + QStringLiteral(": test \"上层测试\" (id 100), question 2: ")))
        << run.err.toStdString();
}

// Every id export writes is one build takes: an id outside the range of the
// program's fields is left for build to assign, with a warning.
TEST(DatabaseFaults, ExportWritesOnlyBuildableIds)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("date.mdb"));
    buildDatabase(readContentFiles({kFolders}), db);
    execSql(db, QStringLiteral("UPDATE 量表 SET ID = 3000000000, Parent = 3000000000 WHERE ID = 20"));
    execSql(db, QStringLiteral("UPDATE 量表 SET Parent = 3000000000 WHERE ID = 300"));
    const ToolRun exported = tool({"export", db});
    ASSERT_EQ(exported.status, ExitOk);
    EXPECT_TRUE(exported.err.contains(QStringLiteral("the id 3000000000 lies outside 1 … 2147483647")))
        << exported.err.toStdString();
    const QString json = dir.filePath(QStringLiteral("e.json"));
    writeFile(json, exported.out.toUtf8());
    const ToolRun rebuilt = tool({"build", json, "-o", dir.filePath(QStringLiteral("again.mdb"))});
    EXPECT_EQ(rebuilt.status, ExitOk) << rebuilt.err.toStdString();
}

TEST(Ids, RunningOutOfIdsIsAnError)
{
    Content c;
    content::Test test;
    test.id = kMaxId;
    test.questions.resize(1);
    c.tests = {test};
    EXPECT_THROW(assignIds(c), ContentError);
    c.tests[0].id = kMaxId - 1;
    EXPECT_EQ(assignIds(c)[0].questionIds, QList<qint64>{kMaxId});
}

// Option scores that double per question: the sums cannot all be listed.
// The checker keeps the range and says it could not check each score.
TEST(ReachableScores, StayBoundedWhateverTheScores)
{
    content::Test test;
    test.name = QStringLiteral("倍增");
    for (int q = 0; q < 30; ++q) {
        Question question;
        question.options.append(QStringLiteral("0"), QStringLiteral("否"));
        question.options.append(QString::number(1 << q), QStringLiteral("是"));
        test.questions.append(question);
    }
    test.verdicts.append({std::nullopt, {QStringLiteral("10")}, {QStringLiteral("低"), QStringLiteral("高")}, {}});
    const ReachableScores scores = findReachableScores(test);
    EXPECT_FALSE(scores.exact);
    EXPECT_EQ(scores.lowest, 0);
    EXPECT_EQ(scores.highest, double((qint64(1) << 30) - 1));
    bool warned = false;
    for (const Problem &p : checkContent({{test}}))
        warned = warned || p.what.contains(QStringLiteral("too many ways"));
    EXPECT_TRUE(warned);

    // Dense sums over a small interval are exact.
    test.questions.resize(16);
    const ReachableScores dense = findReachableScores(test);
    EXPECT_TRUE(dense.exact);
    EXPECT_EQ(dense.scores.size(), 1 << 16);
}

TEST(BuildOutput, LeavesNoPartialFilesAndNamesTheTarget)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.mdb"));
    // A build killed earlier left its partial file; its process is gone.
    writeFile(out + QStringLiteral(".part-999999999"), "half a database");
    ASSERT_EQ(tool({"build", kFolders, "-o", out}).status, ExitOk);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.mdb")});

    if (::geteuid() != 0) {
        const QString locked = dir.filePath(QStringLiteral("locked"));
        QDir().mkdir(locked);
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
        const ToolRun refused = tool({"build", kFolders, "-o", locked + QStringLiteral("/date.mdb")});
        EXPECT_EQ(refused.status, ExitContentError);
        EXPECT_TRUE(refused.err.contains(locked + QStringLiteral("/date.mdb: cannot write a new file in")))
            << refused.err.toStdString();
        EXPECT_FALSE(refused.err.contains(QStringLiteral(".part-")));
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

// A build stopped by SIGTERM while it writes removes its partial file.
TEST(BuildOutput, ATerminatedBuildRemovesItsPartialFile)
{
    QTemporaryDir dir;
    QString tests;
    for (int t = 0; t < 3000; ++t) {
        tests += QStringLiteral(R"(%1{"name": "测试%2", "remarks": "说明", "questions": [)")
                     .arg(t ? QStringLiteral(",") : QString())
                     .arg(t);
        for (int q = 0; q < 10; ++q)
            tests += QStringLiteral(R"(%1{"text": "第%2题", "options": [[1, "是"], [0, "否"]]})")
                         .arg(q ? QStringLiteral(",") : QString())
                         .arg(q);
        tests += QStringLiteral(R"(], "verdicts": [{"thresholds": [5], "texts": ["低", "高"]}]})");
    }
    const QString content = dir.filePath(QStringLiteral("large.json"));
    writeFile(content, QStringLiteral("{\"tests\": [%1]}").arg(tests).toUtf8());
    const QString out = dir.filePath(QStringLiteral("out.mdb"));
    QProcess build;
    build.start(QStringLiteral(CONTENT_TOOL), {QStringLiteral("build"), content, QStringLiteral("-o"), out});
    ASSERT_TRUE(build.waitForStarted());
    const QString partial = out + QStringLiteral(".part-%1").arg(build.processId());
    for (int i = 0; i < 2000 && !QFile::exists(partial) && build.state() == QProcess::Running; ++i)
        QThread::msleep(5);
    ::kill(pid_t(build.processId()), SIGTERM);
    ASSERT_TRUE(build.waitForFinished(30000));
    const QStringList left = QDir(dir.path()).entryList({QStringLiteral("out.mdb*")}, QDir::Files);
    EXPECT_TRUE(left.isEmpty() || left == QStringList{QStringLiteral("out.mdb")}) << left.join(' ').toStdString();
}

TEST(ToolHelp, EachCommandHasItsOwnUsage)
{
    const ToolRun help = tool({"build", "--help"});
    EXPECT_EQ(help.status, ExitOk);
    EXPECT_TRUE(help.out.contains(QStringLiteral("build CONTENT.json... -o FILE [--force]")));
    EXPECT_FALSE(help.out.contains(QStringLiteral("export FILE")));
    EXPECT_TRUE(tool({"play", "-h"}).out.contains(QStringLiteral("counted from 1")));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("one.json"));
    writeFile(file, kSoundTest);
    EXPECT_TRUE(tool({"check", file}).out.endsWith(QStringLiteral("1 test, 0 errors, 0 warnings\n")));
}

TEST(BuiltDatabase, HasTheIndexesTheWindowAndExportUse)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("date.mdb"));
    buildDatabase(readContentFiles({kFolders}), db);
    const QStringList indexes = tableRows(db, QStringLiteral("sqlite_master")).filter(QStringLiteral("index|"));
    EXPECT_EQ(indexes.size(), 4) << indexes.join('\n').toStdString();
    EXPECT_TRUE(indexes.join(' ').contains(QStringLiteral("ON \"量表\" (\"Parent\")")));
    EXPECT_TRUE(indexes.join(' ').contains(QStringLiteral("ON \"结果\" (\"lbid\")")));
    EXPECT_TRUE(indexes.join(' ').contains(QStringLiteral("ON \"量表\" (\"目录\")")));
    // The catalog tree's covering index, on the catalog rows only.
    EXPECT_TRUE(indexes.join(' ').contains(
        QStringLiteral("\"量表_目录树\" ON \"量表\" (\"目录\", \"ID\", \"Parent\", \"Name\") WHERE \"目录\"=1")));
}

} // namespace
