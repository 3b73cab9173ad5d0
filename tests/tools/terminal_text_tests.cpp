#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "tests/tools/tool_run.h"
#include "tools/cli.h"
#include "tools/terminal_text.h"

using namespace lovetest::content;
using namespace lovetest::content::testing;

namespace {

// Nothing in the text can start a terminal sequence or reorder a line.
bool actsOnTerminal(const QString &text, bool lineBreaksAllowed = false)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (lineBreaksAllowed && (u == u'\n' || u == u'\r'))
            continue;
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029 || (u >= 0x202A && u <= 0x202E) ||
            (u >= 0x2066 && u <= 0x2069))
            return true;
    }
    return false;
}

} // namespace

TEST(TerminalText, EscapesWhatCouldActOnTheTerminal)
{
    const std::pair<const char16_t *, const char *> cases[] = {
        {u"\x1B]0;pwned\x07", "\\u001B]0;pwned\\u0007"},
        {u"a\rb", "a\\u000Db"},
        {u"a\tb\nc", "a\\u0009b\\u000Ac"},
        {u"x\x7F", "x\\u007F"},
        {u"\x9B"
         "2J",
         "\\u009B2J"},
        {u"\u202Eevil", "\\u202Eevil"},
        {u"\u2066\u2069\u2028\u2029", "\\u2066\\u2069\\u2028\\u2029"},
        {u"\u00A0\u202F\u2065\u206A", "\u00A0\u202F\u2065\u206A"}, // neighbours of the ranges stay
        {u"爱情 😊 \\u001B", "爱情 😊 \\u001B"},
    };
    for (const auto &[text, escaped] : cases)
        EXPECT_EQ(terminalSafe(QString::fromUtf16(text)), QString::fromUtf8(escaped)) << escaped;
    EXPECT_EQ(terminalSafe(QString(QChar(0))), QStringLiteral("\\u0000"));
}

TEST(TerminalText, KeepsLineBreaksWhereAsked)
{
    EXPECT_EQ(terminalSafe(QStringLiteral("一\n二\r\n三\r四\t\x1B[2J"), LineBreaks::Keep),
              QStringLiteral("一\n二\r\n三\\u000D四\\u0009\\u001B[2J"));
}

TEST(TerminalText, NamesAreCutAfterSixtyCharacters)
{
    EXPECT_EQ(shownName(QString(200, QLatin1Char('x'))), QString(60, QLatin1Char('x')) + QStringLiteral("…"));
    EXPECT_EQ(shownName(QString(60, QChar(u'爱'))), QString(60, QChar(u'爱')));
    // A character outside the BMP counts once and is not split.
    const QString emoji = QStringLiteral("😊");
    EXPECT_EQ(shownName(QString(59, QLatin1Char('x')) + emoji + emoji),
              QString(59, QLatin1Char('x')) + emoji + QStringLiteral("…"));
    EXPECT_EQ(shownName(QStringLiteral("\x1B[2J") + QString(70, QLatin1Char('x'))),
              QStringLiteral("\\u001B[2J") + QString(56, QLatin1Char('x')) + QStringLiteral("…"));
}

class TerminalOutput : public ::testing::Test {
protected:
    QString write(const QString &json)
    {
        const QString path = dir.filePath(QStringLiteral("content.json"));
        writeFile(path, json.toUtf8());
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(TerminalOutput, CheckShowsAHostileNameEscaped)
{
    // "&" draws a warning that names the test; --ranges names it again.
    const QString content = write(QStringLiteral(R"({"tests": [{"id": 5, "name": "\u001B]0;pwned\u0007 & 测试",
        "questions": [{"text": "题", "options": [[1, "是"]]}],
        "verdicts": [{"thresholds": [0], "texts": ["好", "坏"]}]}]})"));
    const ToolRun run = tool({QStringLiteral("check"), content, QStringLiteral("--ranges")});
    EXPECT_EQ(run.status, ExitOk) << run.err.toStdString();
    EXPECT_FALSE(actsOnTerminal(run.out, true)) << run.out.toStdString();
    EXPECT_FALSE(actsOnTerminal(run.err, true)) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("test \"\\u001B]0;pwned\\u0007 & 测试\" (id 5)")))
        << run.out.toStdString();
}

TEST_F(TerminalOutput, ErrorsShowLongNamesCut)
{
    const QString name = QString(200, QChar(u'名'));
    const QString content = write(QStringLiteral(R"({"tests": [{"id": 5, "name": "%1\u009B2J",
        "questions": [{"text": "题"}], "verdicts": []}]})")
                                      .arg(name));
    const ToolRun run =
        tool({QStringLiteral("build"), content, QStringLiteral("-o"), dir.filePath(QStringLiteral("o.mdb"))});
    EXPECT_EQ(run.status, ExitContentError);
    EXPECT_TRUE(run.err.contains(QStringLiteral("test \"%1…\" (id 5)").arg(name.left(60)))) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(name.left(61)));
}

TEST_F(TerminalOutput, PlayAndReportKeepLineBreaksOnly)
{
    const QString content = write(QStringLiteral(R"({"tests": [{"id": 5, "name": "测试\u001B[2J",
        "questions": [{"text": "第一行\n第二行\u001B[2J\r覆盖", "options": [[1, "是"]]}],
        "verdicts": [{"thresholds": [5], "texts": ["结论\u0007\n第二行", "高"]}]}]})"));
    const QString db = dir.filePath(QStringLiteral("date.mdb"));
    const ToolRun built = tool({QStringLiteral("build"), content, QStringLiteral("-o"), db});
    ASSERT_EQ(built.status, ExitOk) << built.err.toStdString();

    const ToolRun played = tool({QStringLiteral("play"), db, QStringLiteral("--test"), QStringLiteral("5"),
                                 QStringLiteral("--answers"), QStringLiteral("1")});
    ASSERT_EQ(played.status, ExitOk) << played.err.toStdString();
    EXPECT_FALSE(actsOnTerminal(played.out, true)) << played.out.toStdString();
    EXPECT_TRUE(played.out.contains(QStringLiteral("第二行\\u001B[2J\\u000D覆盖"))) << played.out.toStdString();
    EXPECT_TRUE(played.out.contains(QStringLiteral("结论\\u0007\n第二行\n"))) << played.out.toStdString();

    const ToolRun report = tool({QStringLiteral("report"), db, QStringLiteral("--test"), QStringLiteral("5")});
    ASSERT_EQ(report.status, ExitOk) << report.err.toStdString();
    EXPECT_FALSE(actsOnTerminal(report.out, true)) << report.out.toStdString();
    EXPECT_TRUE(report.out.contains(QStringLiteral("测试\\u001B[2J"))) << report.out.toStdString();

    // The exported file stays byte-exact: JSON escapes the controls itself.
    const ToolRun exported = tool({QStringLiteral("export"), db});
    ASSERT_EQ(exported.status, ExitOk);
    EXPECT_TRUE(exported.out.contains(QStringLiteral(R"("测试\u001b[2J")"))) << exported.out.toStdString();
}
