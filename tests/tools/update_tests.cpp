#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "tests/tools/tool_run.h"
#include "tools/content_json.h"
#include "tools/database_export.h"
#include "tools/database_update.h"

using namespace lovetest::content;
using namespace lovetest::content::testing;

namespace {

// Folder 5 holds test 10 (question rows 11, 12); test 20 (row 21) stands
// at the top level.
const QByteArray kBase = R"({"tests": [
  {"id": 5, "folder": true, "remarks": "说明", "name": "文件夹"},
  {"id": 10, "parent": 5, "remarks": "说明", "name": "旧测试", "questions": [
     {"text": "旧一", "options": [[1, "是"], [0, "否"]]},
     {"text": "旧二", "options": [[1, "是"], [0, "否"]]}],
   "verdicts": [{"thresholds": [1], "texts": ["旧低", "旧高"]}]},
  {"id": 20, "remarks": "说明", "name": "另一个测试", "questions": [{"text": "题", "options": [[1, "是"], [0, "否"]]}],
   "verdicts": [{"thresholds": [0], "texts": ["低", "高"]}]}
]})";

// Test 10 with three new questions and verdicts; test 30 new, in a new
// folder 40 under folder 5.
const QByteArray kChange = R"({"tests": [
  {"id": 10, "parent": 5, "remarks": "说明", "name": "新测试", "questions": [
     {"text": "新一", "options": [[2, "是"], [0, "否"]]},
     {"text": "新二", "options": [[2, "是"], [0, "否"]]},
     {"text": "新三", "options": [[2, "是"], [0, "否"]]}],
   "verdicts": [{"thresholds": [3], "texts": ["新低", "新高"]}]},
  {"id": 40, "parent": 5, "folder": true, "remarks": "说明", "name": "新文件夹"},
  {"id": 30, "parent": 40, "remarks": "说明", "name": "加的测试", "questions": [{"text": "加", "options": [[1, "是"], [0, "否"]]}],
   "verdicts": [{"thresholds": [0], "texts": ["加低", "加高"]}]}
]})";

class UpdateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeFile(base, kBase);
        writeFile(change, kChange);
        ASSERT_EQ(tool({"build", base, "-o", db}).status, ExitOk);
        // What the program leaves in the file: a history and a rename.
        sql("CREATE TABLE 记录 (编号 INTEGER, 测试ID INTEGER, 分值 INTEGER)");
        sql("INSERT INTO 记录 VALUES (1, 10, 2), (2, 20, 1)");
        sql("UPDATE 量表 SET Name = '改了名' WHERE ID = 20");
    }
    void TearDown() override { QSqlDatabase::removeDatabase(kConnection); }

    QSqlQuery sql(const QString &statement)
    {
        if (!QSqlDatabase::contains(kConnection)) {
            QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
            connection.setDatabaseName(db);
            EXPECT_TRUE(connection.open());
        }
        QSqlQuery query(QSqlDatabase::database(kConnection));
        EXPECT_TRUE(query.exec(statement)) << statement.toStdString();
        query.next();
        return query;
    }
    void closeConnection() { QSqlDatabase::database(kConnection, false).close(); }

    QByteArray digest() const
    {
        QFile file(db);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }

    // The names of the file's catalog, in id order.
    QStringList names()
    {
        QStringList result;
        for (const lovetest::content::Test &test : loadDatabase(db).tests)
            result.append(QStringLiteral("%1 %2").arg(*test.id).arg(test.name));
        return result;
    }

    static inline const QString kConnection = QStringLiteral("update-test");
    QTemporaryDir dir;
    QString db = dir.filePath(QStringLiteral("date.mdb"));
    QString base = dir.filePath(QStringLiteral("base.json"));
    QString change = dir.filePath(QStringLiteral("change.json"));
};

TEST_F(UpdateTest, ReplacesAndAddsEntriesAndKeepsTheRest)
{
    closeConnection();
    const ToolRun run = tool({"update", db, change});
    ASSERT_EQ(run.status, ExitOk) << run.err.toStdString();
    EXPECT_EQ(run.out, "1 test replaced, 1 added; 0 folders replaced, 1 added\n");
    EXPECT_EQ(run.err, "");

    EXPECT_EQ(names(), QStringList({"5 文件夹", "10 新测试", "20 改了名", "30 加的测试", "40 新文件夹"}));
    EXPECT_EQ(sql("SELECT count(*) FROM 记录").value(0).toInt(), 2);
    // The database holds exactly the files' entries now: a build of both
    // gives the same content, the rename aside.
    Content expected = readContentFiles({change});
    const Content loaded = loadDatabase(db);
    ASSERT_EQ(loaded.tests.size(), 5);
    EXPECT_EQ(loaded.tests[1], expected.tests[0]);
    EXPECT_EQ(loaded.tests[3], expected.tests[2]);
    EXPECT_EQ(loaded.tests[4], expected.tests[1]);
    // No row of the old questions or verdicts is left behind.
    EXPECT_EQ(sql("SELECT count(*) FROM 量表 WHERE Parent = 10 AND 目录 IS NOT 1").value(0).toInt(), 3);
    EXPECT_EQ(sql("SELECT count(*) FROM 结果 WHERE lbid = 10").value(0).toInt(), 1);
    closeConnection();

    const ToolRun played = tool({"play", db, "--test", "10", "--answers", "1,1,2"});
    ASSERT_EQ(played.status, ExitOk) << played.err.toStdString();
    EXPECT_TRUE(played.out.contains("新三")) << played.out.toStdString();
    EXPECT_TRUE(played.out.contains("新高\n得分: 4\n")) << played.out.toStdString();
    EXPECT_EQ(tool({"play", db, "--test", "30", "--answers", "1"}).status, ExitOk);
}

TEST_F(UpdateTest, DryRunListsTheChangesAndWritesNothing)
{
    closeConnection();
    const QByteArray before = digest();
    const ToolRun run = tool({"update", db, change, "--dry-run"});
    ASSERT_EQ(run.status, ExitOk) << run.err.toStdString();
    EXPECT_EQ(run.out,
              "replace test \"新测试\" (id 10)\nadd folder \"新文件夹\" (id 40)\nadd test \"加的测试\" (id 30)\n"
              "1 test to replace, 1 to add; 0 folders to replace, 1 to add (dry run: nothing was written)\n");
    EXPECT_EQ(digest(), before);
    EXPECT_FALSE(QFile::exists(db + "-wal"));
}

// Every refusal leaves the file as it was and says why.
TEST_F(UpdateTest, RefusesWithoutWritingAnything)
{
    const struct {
        const char *name;
        QByteArray content;
        const char *message;
    } cases[] = {
        {"content error",
         R"({"tests": [{"id": 10, "name": "", "questions": [{"text": "一", "options": [[1, "是"]]}],
             "verdicts": [{"thresholds": [1], "texts": ["只有一个"]}]}]})",
         "the content has errors; nothing was written"},
        // Question rows 11 … 21 of test 10 would take rows 20 and 21.
        {"colliding question ids",
         R"({"tests": [{"id": 10, "remarks": "说明", "name": "长", "questions": [)"
         R"({"text": "1", "options": [[1, "a"], [0, "b"]]}, {"text": "2", "options": [[1, "a"], [0, "b"]]},
            {"text": "3", "options": [[1, "a"], [0, "b"]]}, {"text": "4", "options": [[1, "a"], [0, "b"]]},
            {"text": "5", "options": [[1, "a"], [0, "b"]]}, {"text": "6", "options": [[1, "a"], [0, "b"]]},
            {"text": "7", "options": [[1, "a"], [0, "b"]]}, {"text": "8", "options": [[1, "a"], [0, "b"]]},
            {"text": "9", "options": [[1, "a"], [0, "b"]]}, {"text": "10", "options": [[1, "a"], [0, "b"]]},
            {"text": "11", "options": [[1, "a"], [0, "b"]]}],
             "verdicts": [{"thresholds": [5], "texts": ["低", "高"]}]}]})",
         "other entries' rows hold the ids 20 and 21"},
        // An entry's own id held by a question row of another test.
        {"id of a question row",
         R"({"tests": [{"id": 21, "remarks": "说明", "name": "新", "questions": [{"text": "一", "options": [[1, "是"], [0, "否"]]}],
             "verdicts": [{"thresholds": [0], "texts": ["低", "高"]}]}]})",
         "other entries' rows hold the id 21,"},
        {"unplaced parent",
         R"({"tests": [{"id": 60, "parent": 99, "remarks": "说明", "name": "新", "questions": [{"text": "一", "options": [[1, "是"], [0, "否"]]}],
             "verdicts": [{"thresholds": [0], "texts": ["低", "高"]}]}]})",
         "the parent 99 is neither an entry of the content files nor of"},
        {"parents in a circle through the database",
         R"({"tests": [{"id": 5, "folder": true, "parent": 10, "remarks": "说明", "name": "文件夹"}]})",
         "the parents lead round in a circle"},
        {"entry without id",
         R"({"tests": [{"remarks": "说明", "name": "新", "questions": [{"text": "一", "options": [[1, "是"], [0, "否"]]}],
             "verdicts": [{"thresholds": [0], "texts": ["低", "高"]}]}]})",
         "an update needs the id of every entry"},
    };
    closeConnection();
    const QByteArray before = digest();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(change, c.content);
        const ToolRun run = tool({"update", db, change});
        EXPECT_EQ(run.status, ExitContentError);
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.message))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("nothing was written")) << run.err.toStdString();
        EXPECT_EQ(digest(), before);
    }
}

// The program keeps the file in write-ahead-log mode while it runs: the
// update sees what stands in the log, and waits for, then gives up on, a
// write lock the program holds.
TEST_F(UpdateTest, WorksOnAFileTheProgramHasOpen)
{
    sql("PRAGMA journal_mode=WAL");
    sql("PRAGMA wal_autocheckpoint=0");
    sql("UPDATE 量表 SET Name = '日志里的名字' WHERE ID = 20");

    sql("BEGIN IMMEDIATE");
    QList<Problem> problems;
    const Content content = readContentFiles({change});
    try {
        updateDatabase(db, content, problems, {.busyTimeoutMs = 100});
        ADD_FAILURE() << "a locked file was written";
    } catch (const ContentError &e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains("locked")) << e.what();
    }
    sql("COMMIT");

    ASSERT_EQ(updateDatabase(db, content, problems).size(), 3);
    EXPECT_EQ(sql("SELECT Name FROM 量表 WHERE ID = 20").value(0).toString(), "日志里的名字");
    EXPECT_EQ(sql("SELECT Name FROM 量表 WHERE ID = 10").value(0).toString(), "新测试");
}

// A test in a content file whose folder only the database holds stands
// under that folder, without the build's warning that it would not.
TEST_F(UpdateTest, PlacesATestUnderAFolderOfTheDatabase)
{
    closeConnection();
    writeFile(change, R"({"tests": [{"id": 60, "parent": 5, "remarks": "说明", "name": "新", "questions": [
        {"text": "一", "options": [[1, "是"], [0, "否"]]}],
        "verdicts": [{"thresholds": [0], "texts": ["低", "高"]}]}]})");
    const ToolRun run = tool({"update", db, change});
    ASSERT_EQ(run.status, ExitOk) << run.err.toStdString();
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "0 tests replaced, 1 added\n");
    EXPECT_EQ(sql("SELECT Parent FROM 量表 WHERE ID = 60").value(0).toInt(), 5);
}

// A check names where each problem stands: a content file's line and
// column, or the database file.
QString withoutPlaces(QString text)
{
    static const QRegularExpression place(QStringLiteral("^\\S+: (warning|error): "),
                                          QRegularExpression::MultilineOption);
    return text.replace(place, QStringLiteral("\\1: "));
}

// play, report and check --ranges read content files as they read the
// database built from them.
TEST(ContentAsDatabase, GivesTheSameOutputAsTheBuiltDatabase)
{
    QTemporaryDir dir;
    const QString json = QStringLiteral(FIXTURES_DIR "/small.json");
    // Named as a database would not be: the first bytes decide.
    const QString copy = dir.filePath(QStringLiteral("content.txt"));
    ASSERT_TRUE(QFile::copy(json, copy));
    const QString db = dir.filePath(QStringLiteral("date.mdb"));
    ASSERT_EQ(tool({"build", json, "-o", db}).status, ExitOk);
    const QStringList commands[] = {
        {"play", "FILE", "--test", "10", "--answers", "2,1,2"},
        {"play", "FILE", "--test", "20", "--answers", "1,1", "--category", "2"},
        {"play", "FILE", "--test", "10", "--answers", "9"},
        {"report", "FILE", "--test", "20"},
        {"report", "FILE", "--test", "77"},
        {"check", "FILE", "--ranges"},
    };
    for (const QStringList &command : commands) {
        SCOPED_TRACE(command.join(' ').toStdString());
        const auto with = [&command](const QString &file) {
            QStringList args = command;
            args.replace(1, file);
            return tool(args);
        };
        const ToolRun fromDatabase = with(db);
        for (const QString &file : {json, copy}) {
            const ToolRun fromContent = with(file);
            EXPECT_EQ(fromContent.status, fromDatabase.status);
            EXPECT_EQ(withoutPlaces(fromContent.out).toStdString(), withoutPlaces(fromDatabase.out).toStdString());
            EXPECT_EQ(fromContent.err.toStdString(), fromDatabase.err.toStdString());
        }
    }
    // Nothing is left beside the content files.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"content.txt", "date.mdb"}));
}

TEST(ContentAsDatabase, RefusesContentWithErrors)
{
    QTemporaryDir dir;
    const QString json = dir.filePath(QStringLiteral("bad.json"));
    writeFile(json, R"({"tests": [{"id": 1, "remarks": "说明", "name": "坏", "questions": [], "verdicts": []}]})");
    for (const QStringList &args :
         {QStringList{"play", json, "--test", "1", "--answers", "1"}, QStringList{"report", json, "--test", "1"}}) {
        const ToolRun run = tool(args);
        EXPECT_EQ(run.status, ExitContentError);
        EXPECT_TRUE(run.err.contains("error: ")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("the content has errors")) << run.err.toStdString();
    }
}

} // namespace
