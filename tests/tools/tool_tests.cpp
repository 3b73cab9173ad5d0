#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTextStream>

#include <unistd.h>

#include "data/connection.h"
#include "run/run_history.h"
#include "tests/tools/tool_run.h"
#include "tools/cli.h"
#include "tools/content_json.h"
#include "tools/database_build.h"
#include "tools/database_export.h"
#include "tools/stored_text.h"

using namespace lovetest::content;
namespace content = lovetest::content;
using namespace lovetest::content::testing;

namespace {

const QString kSmall = QStringLiteral(FIXTURES_DIR "/small.json");

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(ContentTool, BuildThenExportRoundTrips)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("date.mdb"));
    const ToolRun built = tool({QStringLiteral("build"), kSmall, QStringLiteral("-o"), db});
    ASSERT_EQ(built.status, ExitOk) << built.err.toStdString();

    Content expected = readContentFiles({kSmall});
    expected.tests[2].id = 23; // the first id after the rows before it
    EXPECT_EQ(loadDatabase(db), expected);

    const ToolRun exported = tool({QStringLiteral("export"), db});
    ASSERT_EQ(exported.status, ExitOk) << exported.err.toStdString();
    EXPECT_EQ(parseContentJson(exported.out.toUtf8()), expected);
}

// The people's own results stay out of the content and the tool says so.
TEST(ContentTool, ExportLeavesTheHistoryOutAndSaysSo)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("date.mdb"));
    ASSERT_EQ(tool({QStringLiteral("build"), kSmall, QStringLiteral("-o"), db}).status, ExitOk);
    const ToolRun before = tool({QStringLiteral("export"), db});
    EXPECT_FALSE(before.err.contains(QStringLiteral("记录")));
    {
        lovetest::Connection connection(QStringLiteral("ADOConnection1"));
        connection.open(db);
        lovetest::RunHistory history(connection);
        ASSERT_TRUE(history.begin(1, QStringLiteral("甲")).has_value());
    }
    const ToolRun exported = tool({QStringLiteral("export"), db});
    ASSERT_EQ(exported.status, ExitOk) << exported.err.toStdString();
    EXPECT_EQ(exported.out, before.out);
    EXPECT_TRUE(exported.err.contains(QStringLiteral("记录: 1 record)"))) << exported.err.toStdString();
}

TEST(ContentTool, BuildRefusesToReplaceWithoutForce)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("date.mdb"));
    writeFile(db, "keep me");
    const ToolRun refused = tool({QStringLiteral("build"), kSmall, QStringLiteral("-o"), db});
    EXPECT_EQ(refused.status, ExitContentError);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("--force")));
    EXPECT_EQ(readFile(db), "keep me");

    const ToolRun forced = tool({QStringLiteral("build"), kSmall, QStringLiteral("-o"), db, QStringLiteral("--force")});
    EXPECT_EQ(forced.status, ExitOk) << forced.err.toStdString();
    EXPECT_EQ(loadDatabase(db).tests.size(), 3);
    EXPECT_EQ(readFile(db + QStringLiteral(".bak")), "keep me");
    EXPECT_TRUE(forced.err.contains(QStringLiteral("kept the previous %1 as %1.bak\n").arg(db)))
        << forced.err.toStdString();

    // A later --force keeps the file it replaces, not the oldest one.
    const QByteArray built = readFile(db);
    ASSERT_EQ(tool({QStringLiteral("build"), kSmall, QStringLiteral("-o"), db, QStringLiteral("--force")}).status,
              ExitOk);
    EXPECT_EQ(readFile(db + QStringLiteral(".bak")), built);
}

// The program keeps its users' results in the database file: a rebuild over
// it does not drop them unless asked to in so many words.
TEST(ContentTool, ForcedBuildKeepsTheHistoryUnlessDropped)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("date.mdb"));
    ASSERT_EQ(tool({QStringLiteral("build"), kSmall, QStringLiteral("-o"), db}).status, ExitOk);
    {
        lovetest::Connection connection(QStringLiteral("ADOConnection1"));
        connection.open(db);
        lovetest::RunHistory history(connection);
        for (const char *name : {"甲", "乙", "丙"})
            ASSERT_TRUE(history.begin(10, QString::fromUtf8(name)).has_value());
    }
    const QByteArray old = readFile(db);
    const QStringList force{QStringLiteral("build"), kSmall, QStringLiteral("-o"), db, QStringLiteral("--force")};

    const ToolRun refused = tool(force);
    EXPECT_EQ(refused.status, ExitContentError);
    EXPECT_TRUE(refused.err.contains(
        QStringLiteral("%1 holds 3 test records (记录) that a rebuild would lose; use --drop-history with --force")
            .arg(db)))
        << refused.err.toStdString();
    EXPECT_EQ(readFile(db), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("date.mdb")});

    const ToolRun alone =
        tool({QStringLiteral("build"), kSmall, QStringLiteral("-o"), db, QStringLiteral("--drop-history")});
    EXPECT_EQ(alone.status, ExitUsage);
    EXPECT_TRUE(alone.err.contains(QStringLiteral("--drop-history only goes with --force"))) << alone.err.toStdString();
    EXPECT_EQ(readFile(db), old);

    const ToolRun dropped = tool(force + QStringList{QStringLiteral("--drop-history")});
    ASSERT_EQ(dropped.status, ExitOk) << dropped.err.toStdString();
    EXPECT_EQ(readFile(db + QStringLiteral(".bak")), old);
    EXPECT_TRUE(dropped.err.contains(QStringLiteral("kept the previous %1 as %1.bak").arg(db)));
    EXPECT_FALSE(tool({QStringLiteral("export"), db}).err.contains(QStringLiteral("记录")));
    // The backup is a whole database that still holds the records.
    EXPECT_TRUE(
        tool({QStringLiteral("export"), db + QStringLiteral(".bak")}).err.contains(QStringLiteral("记录: 3 records)")));
}

// However the output is spelled, a build does not write over a file it
// reads, nor keep a backup over one; the refusal comes before anything is
// written.
TEST(ContentTool, BuildNeverWritesOverItsInput)
{
    QTemporaryDir dir;
    const QString content = dir.filePath(QStringLiteral("a.json"));
    const QByteArray text = readFile(kSmall);
    writeFile(content, text);
    ASSERT_TRUE(QFile::link(content, dir.filePath(QStringLiteral("symbolic.json"))));
    ASSERT_EQ(::link(QFile::encodeName(content).constData(), QFile::encodeName(dir.filePath("hard.json")).constData()),
              0);
    writeFile(dir.filePath(QStringLiteral("a.json.bak.json")), text);
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("a.json.bak.json")), dir.filePath("out.mdb.bak")));
    const QStringList entries = QDir(dir.path()).entryList(QDir::Files | QDir::System);

    const QString other = dir.filePath(QStringLiteral("a.json.bak.json"));
    const struct {
        QStringList inputs;
        QString output;
        const char *expected;
    } cases[] = {
        {{content}, content, "names the content file"},
        {{kSmall, content}, dir.path() + QStringLiteral("/./a.json"), "names the content file"},
        {{content}, dir.filePath(QStringLiteral("symbolic.json")), "names the content file"},
        {{content}, dir.filePath(QStringLiteral("hard.json")), "names the content file"},
        {{other}, dir.filePath(QStringLiteral("out.mdb")), "as " /* the backup is a link to the input */},
    };
    for (const auto &c : cases) {
        const ToolRun run = tool(QStringList{QStringLiteral("build")} + c.inputs +
                                 QStringList{QStringLiteral("-o"), c.output, QStringLiteral("--force")});
        const std::string at = (c.inputs.join(' ') + QStringLiteral(" -o ") + c.output).toStdString();
        EXPECT_EQ(run.status, ExitContentError) << at;
        EXPECT_TRUE(run.err.contains(QLatin1String(c.expected))) << at << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("nothing was written"))) << at;
        EXPECT_TRUE(run.out.isEmpty()) << at;
        EXPECT_TRUE(readFile(content) == text && readFile(other) == text) << at;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System).join(' ').toStdString(),
                  entries.join(' ').toStdString())
            << at;
    }
    // Without --force the backup is never written, so it may be an input.
    EXPECT_EQ(
        tool({QStringLiteral("build"), other, QStringLiteral("-o"), dir.filePath(QStringLiteral("out.mdb"))}).status,
        ExitOk);
    EXPECT_TRUE(readFile(other) == text);
}

TEST(ContentTool, ForcedBuildThatCannotKeepABackupWritesNothing)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("date.mdb"));
    writeFile(db, "keep me");
    // A folder in the backup's place cannot be replaced by a file.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("date.mdb.bak/inside")));

    const ToolRun run = tool({QStringLiteral("build"), kSmall, QStringLiteral("-o"), db, QStringLiteral("--force")});
    EXPECT_EQ(run.status, ExitContentError);
    EXPECT_TRUE(run.err.contains(QStringLiteral("cannot keep the previous file as %1.bak").arg(db)))
        << run.err.toStdString();
    EXPECT_EQ(readFile(db), "keep me");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("date.mdb")});
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("date.mdb.bak"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{QStringLiteral("inside")});
}

TEST(ContentTool, FailedBuildLeavesNothingBehind)
{
    QTemporaryDir dir;
    const QString content = dir.filePath(QStringLiteral("bad.json"));
    writeFile(content,
              QStringLiteral(R"({"tests": [{"id": 5, "name": "坏测试", "questions": [
        {"text": "好"}, {"text": "坏 😀", "options": [[1, "x"]]}], "verdicts": []}]})")
                  .toUtf8());
    // The first question lacks options: a structural error names it.
    ToolRun run =
        tool({QStringLiteral("build"), content, QStringLiteral("-o"), dir.filePath(QStringLiteral("out.mdb"))});
    EXPECT_EQ(run.status, ExitContentError);
    EXPECT_TRUE(run.err.contains(QStringLiteral("test \"坏测试\" (id 5), question 1: \"options\" is missing")))
        << run.err.toStdString();

    // A character code page 936 cannot hold is found while the file is written.
    writeFile(content,
              QStringLiteral(R"({"tests": [{"id": 5, "name": "坏测试", "questions": [
        {"text": "好", "options": [[1, "x"]]}, {"text": "坏 😀", "options": [[1, "x"]]}], "verdicts": []}]})")
                  .toUtf8());
    run = tool({QStringLiteral("build"), content, QStringLiteral("-o"), dir.filePath(QStringLiteral("out.mdb"))});
    EXPECT_EQ(run.status, ExitContentError);
    EXPECT_TRUE(run.err.contains(QStringLiteral("question 2"))) << run.err.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("bad.json")});
}

TEST(ContentTool, UsageErrorsExitWithTwo)
{
    const QList<QStringList> cases{
        {},
        {QStringLiteral("frobnicate")},
        {QStringLiteral("build"), kSmall},
        {QStringLiteral("build"), kSmall, QStringLiteral("-o")},
        {QStringLiteral("export")},
        {QStringLiteral("preview")},
        {QStringLiteral("export"), QStringLiteral("a"), QStringLiteral("b")},
        {QStringLiteral("build"), kSmall, QStringLiteral("--bogus"), QStringLiteral("-o"), QStringLiteral("x")},
    };
    for (const QStringList &args : cases)
        EXPECT_EQ(tool(args).status, ExitUsage) << args.join(' ').toStdString();
    EXPECT_EQ(tool({QStringLiteral("--help")}).status, ExitOk);
}

// "--name=value" gives an option its value as "--name value" does.
TEST(ContentTool, OptionsTakeAValueAfterAnEqualsSign)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("date.mdb"));
    const ToolRun built = tool({QStringLiteral("build"), kSmall, QStringLiteral("-o=") + db});
    ASSERT_EQ(built.status, ExitOk) << built.err.toStdString();
    EXPECT_EQ(loadDatabase(db).tests.size(), 3);

    const QList<std::pair<QStringList, QStringList>> cases{
        {{QStringLiteral("report"), db, QStringLiteral("--test=10")},
         {QStringLiteral("report"), db, QStringLiteral("--test"), QStringLiteral("10")}},
        {{QStringLiteral("play"), db, QStringLiteral("--test=20"), QStringLiteral("--answers=1,2"),
          QStringLiteral("--category=2")},
         {QStringLiteral("play"), db, QStringLiteral("--test"), QStringLiteral("20"), QStringLiteral("--answers"),
          QStringLiteral("1,2"), QStringLiteral("--category"), QStringLiteral("2")}},
    };
    for (const auto &[joined, separate] : cases) {
        const ToolRun expected = tool(separate);
        ASSERT_EQ(expected.status, ExitOk) << expected.err.toStdString();
        const ToolRun run = tool(joined);
        EXPECT_EQ(run.status, ExitOk) << run.err.toStdString();
        EXPECT_EQ(run.out, expected.out) << joined.join(' ').toStdString();
    }
    EXPECT_EQ(tool({QStringLiteral("report"), db, QStringLiteral("--test=x")}).status, ExitUsage);
}

// After "--" every argument is a file, also one named like an option.
TEST(ContentTool, ArgumentsAfterADoubleDashAreFiles)
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const auto restore = qScopeGuard([&previous] { QDir::setCurrent(previous); });
    for (const char *name : {"--force", "--help"})
        QFile::copy(kSmall, QString::fromLatin1(name));

    const QString db = QStringLiteral("date.mdb");
    const ToolRun built =
        tool({QStringLiteral("build"), QStringLiteral("-o"), db, QStringLiteral("--"), QStringLiteral("--force")});
    ASSERT_EQ(built.status, ExitOk) << built.err.toStdString();
    EXPECT_EQ(loadDatabase(db).tests.size(), 3);
    // The second build names the file "--force" and so may not replace date.mdb.
    const ToolRun again =
        tool({QStringLiteral("build"), QStringLiteral("-o"), db, QStringLiteral("--"), QStringLiteral("--force")});
    EXPECT_EQ(again.status, ExitContentError);
    EXPECT_TRUE(again.err.contains(QStringLiteral("use --force"))) << again.err.toStdString();

    const ToolRun checked = tool({QStringLiteral("check"), QStringLiteral("--"), QStringLiteral("--help")});
    EXPECT_EQ(checked.status, ExitOk) << checked.err.toStdString();
    EXPECT_TRUE(checked.out.endsWith(QStringLiteral("3 tests, 0 errors, 1 warning\n"))) << checked.out.toStdString();
    EXPECT_TRUE(tool({QStringLiteral("check"), QStringLiteral("--help")}).out.startsWith(QStringLiteral("Usage:")));
}

TEST(ContentTool, ContentErrorsExitWithOne)
{
    QTemporaryDir dir;
    EXPECT_EQ(tool({QStringLiteral("export"), dir.filePath(QStringLiteral("missing.mdb"))}).status, ExitContentError);
    const QString broken = dir.filePath(QStringLiteral("broken.json"));
    writeFile(broken, "{\"tests\": [");
    EXPECT_EQ(
        tool({QStringLiteral("build"), broken, QStringLiteral("-o"), dir.filePath(QStringLiteral("o.mdb"))}).status,
        ExitContentError);
}

TEST(ContentTool, SealAndUnsealRoundTrip)
{
    for (const QString &text : {QString(), QStringLiteral("hello"), QStringLiteral("爱情心理\r\n第二行")}) {
        const ToolRun sealed = tool({QStringLiteral("seal")}, text.toUtf8() + "\n");
        ASSERT_EQ(sealed.status, ExitOk) << sealed.err.toStdString();
        const ToolRun plain = tool({QStringLiteral("unseal")}, sealed.out.toLatin1());
        ASSERT_EQ(plain.status, ExitOk) << plain.err.toStdString();
        EXPECT_EQ(plain.out, text + QLatin1Char('\n'));
    }
}

TEST(ContentIds, AssignedAfterTheirTestSkippingTakenIds)
{
    Content content;
    content::Test a;
    a.id = 3;
    a.questions.resize(2);
    content::Test b; // no id: the next free one
    b.questions.resize(1);
    content::Test c;
    c.id = 4; // taken before the questions of a are numbered
    content.tests = {a, b, c};
    const QList<TestRows> rows = assignIds(content);
    EXPECT_EQ(rows[0].testId, 3);
    EXPECT_EQ(rows[0].questionIds, (QList<qint64>{5, 6}));
    EXPECT_EQ(rows[1].testId, 7);
    EXPECT_EQ(rows[1].questionIds, QList<qint64>{8});
    EXPECT_EQ(rows[2].testId, 4);

    content.tests[2].id = 3;
    EXPECT_THROW(assignIds(content), ContentError);
}

TEST(ContentText, LineBreaksAreStoredAsCrLf)
{
    EXPECT_EQ(toStoredText(QStringLiteral("a\nb\r\nc\n")), QStringLiteral("a\r\nb\r\nc\r\n"));
    EXPECT_EQ(fromStoredText(QStringLiteral("a\r\nb\rc")), QStringLiteral("a\nb\rc"));
}

// The shares of check --ranges as printed, whatever the locale's decimal
// point, and a lopsided verdict among the counted warnings.
TEST(ContentTool, CheckRangesPrintsVerdictShares)
{
    QTemporaryDir dir;
    const QString content = dir.filePath(QStringLiteral("shares.json"));
    const QByteArray yesNo = R"({"text": "题", "options": [[0, "否"], [1, "是"]]})";
    writeFile(content,
              R"({"tests": [
        {"id": 4, "name": "分布", "remarks": "说明",
         "questions": [{"text": "一", "options": [[0, "否"], [1, "是"]]},
                       {"text": "二", "options": [[0, "否"], [2, "是"]]}],
         "verdicts": [{"thresholds": [0, 2], "texts": ["低", "中", "高"]}]},
        {"id": 5, "name": "偏\u001B[2J", "remarks": "说明", "questions": [)" +
                  QList<QByteArray>(6, yesNo).join(',') + R"(],
         "verdicts": [{"thresholds": [0], "texts": ["从不", "总是"]}]}]})");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
    const ToolRun run = tool({QStringLiteral("check"), content, QStringLiteral("--ranges")});
    EXPECT_EQ(run.status, ExitOk) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("test \"分布\" (id 4): scores 0 to 3 (4 distinct: 0, 1, 2, 3)\n"
                                                "    score <= 0 -> verdict 1 (25.0 %): 低\n"
                                                "    0 < score <= 2 -> verdict 2 (50.0 %): 中\n"
                                                "    score > 2 -> verdict 3 (25.0 %): 高\n")))
        << run.out.toStdString();
    // 1 of 64 answers gives 0; the name is shown terminal safe.
    EXPECT_TRUE(run.out.contains(QStringLiteral("warning: test \"偏\\u001B[2J\" (id 5), verdict 1 (\"从不\"): reached "
                                                "by 1.6 % of the answer combinations, under 2 %\n")))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("test \"偏\\u001B[2J\" (id 5), verdict 2 (\"总是\"): reached by 98.4 % "
                                                "of the answer combinations, over 80 %\n")))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("2 tests, 0 errors, 2 warnings\n"))) << run.out.toStdString();
}

TEST(ContentTool, ReportAllShowsBandsRangesAndEscapedTexts)
{
    const QString proof = QStringLiteral(FIXTURES_DIR "/proof.json");
    const ToolRun run = tool({QStringLiteral("report"), proof, QStringLiteral("--all")});
    ASSERT_EQ(run.status, ExitOk) << run.err.toStdString();
    const QString &page = run.out;
    EXPECT_TRUE(page.startsWith(QStringLiteral("<!DOCTYPE html>"))) << page.toStdString();
    for (const char *expected : {
             "<h2>粗体&lt;b&gt;名&lt;/b&gt;</h2>",
             "<p>第一行<br>第二行&nbsp;&amp;&nbsp;更多</p>",
             "<p>本测试可能的得分：0–3 分</p>",
             "<li>男&lt;i&gt;</li>",
             "<h3>[测试结果] 男&lt;i&gt;</h3>",
             // Scores 0..3, each reachable.
             "<tr><td>1.低&lt;script&gt;</td><td>不超过 0 分</td></tr>",
             "<tr><td>2.中</td><td>在 1–2 分之间</td></tr>",
             "<tr><td>3.高</td><td>高于 2 分</td></tr>",
             "<tr><td>1.少</td><td>在 0–1 分之间</td></tr>",
             "<tr><td>2.多</td><td>在 2–3 分之间</td></tr>",
             "<tr><td>3.永远不会</td><td>没有可能的得分选中此结论</td></tr>",
             // Scores 2, 4 and 6 after the factor.
             "<p>本测试可能的得分：2–6 分</p>",
             "<h3>[测试结果]</h3>",
             "<tr><td>1.低</td><td>在 2–4 分之间</td></tr>",
             "<tr><td>2.高</td><td>高于 4 分</td></tr>",
         })
        EXPECT_TRUE(page.contains(QString::fromUtf8(expected))) << expected << "\n" << page.toStdString();
    EXPECT_FALSE(page.contains(QStringLiteral("<b>名"))) << page.toStdString();
    EXPECT_FALSE(page.contains(QStringLiteral("<script>")));
    EXPECT_FALSE(page.contains(QStringLiteral("<i>")));

    // A database built from the content proofs the same.
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("date.mdb"));
    ASSERT_EQ(tool({QStringLiteral("build"), proof, QStringLiteral("-o"), db}).status, ExitOk);
    const ToolRun fromDatabase = tool({QStringLiteral("report"), QStringLiteral("--all"), db});
    ASSERT_EQ(fromDatabase.status, ExitOk) << fromDatabase.err.toStdString();
    EXPECT_EQ(fromDatabase.out, page);

    EXPECT_EQ(
        tool({QStringLiteral("report"), db, QStringLiteral("--all"), QStringLiteral("--test"), QStringLiteral("7")})
            .status,
        ExitUsage);
    EXPECT_EQ(tool({QStringLiteral("report"), QStringLiteral("--all")}).status, ExitUsage);
    // Content that cannot be read gives no page.
    const QString broken = dir.filePath(QStringLiteral("broken.json"));
    writeFile(broken, R"({"tests": [{"id": 1, "name": })");
    const ToolRun refused = tool({QStringLiteral("report"), QStringLiteral("--all"), broken});
    EXPECT_EQ(refused.status, ExitContentError);
    EXPECT_TRUE(refused.out.isEmpty());
    EXPECT_TRUE(refused.err.contains(QStringLiteral("no page was written"))) << refused.err.toStdString();
}
