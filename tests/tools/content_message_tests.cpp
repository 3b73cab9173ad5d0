// What check and build say about a content file: one message for each
// mistake, at the line and column of the key or value that is wrong.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "tests/tools/tool_run.h"

using namespace lovetest::content;
using namespace lovetest::content::testing;

namespace {

// One sound test; each mistake edits it. Lines and columns below count in it.
const char kSound[] = R"({"tests": [
  {"id": 5, "name": "好测试", "remarks": "说明",
   "questions": [{"text": "第一题", "options": [[1, "是"], [0, "否"]]}],
   "verdicts": [{"thresholds": [0], "texts": ["低", "高"]}]}
]})";

struct Edit {
    const char *from; // its first occurrence is replaced
    const char *to;
};

struct Mistake {
    const char *name;
    std::vector<Edit> edits;
    // Every problem line check prints after "FILE:", in order.
    std::vector<const char *> messages;
    // What the edited file holds at the first message's line and column.
    const char *pointsAt;
};

const Mistake kMistakes[] = {
    // Kinds and ranges of values.
    {"factor as text",
     {{R"("remarks": "说明",)", R"("remarks": "说明", "factor": "2",)"}},
     {R"(2:55: error: test "好测试" (id 5): "factor" must be a number, not a text)"},
     R"("2")"},
    {"factor zero",
     {{R"("remarks": "说明",)", R"("remarks": "说明", "factor": 0,)"}},
     {R"(2:55: error: test "好测试" (id 5): "factor" must be a finite number above 0, not 0)"},
     "0"},
    {"factor negative",
     {{R"("remarks": "说明",)", R"("remarks": "说明", "factor": -0.5,)"}},
     {R"(2:55: error: test "好测试" (id 5): "factor" must be a finite number above 0, not -0.5)"},
     "-0.5"},
    {"factor beyond a double",
     {{R"("remarks": "说明",)", R"("remarks": "说明", "factor": 1e400,)"}},
     {R"(2:55: error: test "好测试" (id 5): "factor" must be a finite number above 0, not 1e400)"},
     "1e400"},
    {"score as text",
     {{R"([0, "否"])", R"(["0", "否"])"}},
     {R"(3:57: error: test "好测试" (id 5), question 1, option 2: the score "0" must be a number, not a text)"},
     R"("0")"},
    {"score holds the value separator",
     {{R"([1, "是"])", R"(["1|2", "是"])"}},
     {R"(3:47: error: test "好测试" (id 5), question 1, option 1: the score "1|2" must be a number, not a text)"},
     R"("1|2")"},
    {"score not whole",
     {{R"([0, "否"])", R"([0.5, "否"])"}},
     {R"(3:57: error: test "好测试" (id 5), question 1: the value "0.5" is not an integer)"},
     "0.5"},
    {"score out of range, kept as written",
     {{R"([0, "否"])", R"([99999999999999999999, "否"])"}},
     {R"(3:57: error: test "好测试" (id 5), question 1: the value "99999999999999999999" is out of range )"
      R"((-2147483648 to 2147483647))"},
     "99999999999999999999"},
    {"threshold as text",
     {{R"("thresholds": [0])", R"("thresholds": ["0"])"}},
     {R"(4:33: error: test "好测试" (id 5), verdict row 1: the threshold "0" must be a number, not a text)"},
     R"("0")"},
    {"threshold out of range",
     {{R"("thresholds": [0])", R"("thresholds": [0, 3000000000])"}},
     {R"(4:36: error: test "好测试" (id 5), verdict row 1: the threshold "3000000000" is out of range )"
      R"((-2147483648 to 2147483647))"},
     "3000000000"},
    {"category value as text",
     {{R"("remarks": "说明",)", R"("remarks": "说明", "categories": [["1", "男"]],)"},
      {R"({"thresholds")", R"({"category": 1, "thresholds")"}},
     {R"(2:61: error: test "好测试" (id 5), category 1: the category value "1" must be a number, not a text)"},
     R"("1")"},
    {"verdict category as text",
     {{R"("remarks": "说明",)", R"("remarks": "说明", "categories": [[1, "男"]],)"},
      {R"({"thresholds")", R"({"category": "1", "thresholds")"}},
     {R"(4:30: error: test "好测试" (id 5), verdict row 1: the category "1" must be a number, not a text)"},
     R"("1")"},
    {"id as text",
     {{R"("id": 5)", R"("id": "5")"}},
     {R"(2:10: error: test "好测试": "id" must be a number, not a text)"},
     R"("5")"},
    {"id zero",
     {{R"("id": 5)", R"("id": 0)"}},
     {R"(2:10: error: test "好测试": "id" 0 is out of range (1 to 2147483647))"},
     "0"},
    {"id beyond the integer fields",
     {{R"("id": 5)", R"("id": 1e19)"}},
     {R"(2:10: error: test "好测试": "id" 1e19 is out of range (1 to 2147483647))"},
     "1e19"},
    {"id not whole",
     {{R"("id": 5)", R"("id": 5.5)"}},
     {R"(2:10: error: test "好测试": "id" must be a whole number from 1 to 2147483647, not 5.5)"},
     "5.5"},
    // The shape of the file.
    {"option of three",
     {{R"([0, "否"])", R"([0, "否", "不"])"}},
     {R"(3:65: error: test "好测试" (id 5), question 1, option 2: must be a [value, caption] pair)"},
     R"("不")"},
    {"caption not a text",
     {{R"([0, "否"])", R"([0, 1])"}},
     {R"(3:60: error: test "好测试" (id 5), question 1, option 2: must be a [value, caption] pair: the caption )"
      R"(must be a text, not a number)"},
     "1]"},
    {"unknown key",
     {{R"("text": "第一题")", R"("text": "第一题", "instruction": "慢慢想")"}},
     {R"(3:34: error: test "好测试" (id 5), question 1: unknown key "instruction" (valid keys: text, )"
      R"(instructions, options); did you mean instructions?)"},
     R"("instruction")"},
    {"misspelt required key",
     {{R"("verdicts")", R"("verdict")"}},
     {R"(4:4: error: test "好测试" (id 5): unknown key "verdict" (valid keys: id, name, parent, remarks, factor, )"
      R"(categories, questions, verdicts, folder); did you mean verdicts?)"},
     R"("verdict")"},
    {"misspelt name",
     {{R"("name")", R"("nmae")"}},
     {R"(2:13: error: test "" (id 5): unknown key "nmae" (valid keys: id, name, parent, remarks, factor, )"
      R"(categories, questions, verdicts, folder); did you mean name?)"},
     R"("nmae")"},
    {"missing texts",
     {{R"(, "texts": ["低", "高"])", ""}},
     {R"(4:17: error: test "好测试" (id 5), verdict row 1: "texts" is missing)"},
     R"({"thresholds")"},
    {"key twice",
     {{R"("remarks": "说明",)", R"("remarks": "说明", "remarks": "",)"}},
     {R"(2:45: error: the key "remarks" appears twice in one object (first at 2:28))"},
     R"("remarks": "")"},
    {"folder with questions",
     {{R"("id": 5,)", R"("id": 5, "folder": true,)"}},
     {R"(3:17: error: folder "好测试" (id 5): a folder holds no "questions")",
      R"(4:16: error: folder "好测试" (id 5): a folder holds no "verdicts")"},
     "[{"},
    // What the checker proves.
    {"duplicate id names the first",
     {{"\n]}", "\n, {\"id\": 5, \"folder\": true, \"name\": \"夹\"}]}"}},
     {R"(5:10: error: folder "夹" (id 5): the id 5 is used by another test (first at 2:10))"},
     "5, \"folder\""},
    {"duplicate category value",
     {{R"("remarks": "说明",)", R"("remarks": "说明", "categories": [[1, "男"], [1, "女"]],)"},
      {R"({"thresholds")", R"({"category": 1, "thresholds")"}},
     {R"(2:71: error: test "好测试" (id 5), categories: the category value 1 is offered twice (first at 2:61))"},
     R"(1, "女")"},
    {"empty option caption",
     {{R"([0, "否"])", R"([0, " "])"}},
     {R"(3:60: error: test "好测试" (id 5), question 1, item 2: the caption is empty)"},
     R"(" ")"},
    {"empty verdict text",
     {{R"("高")", R"("")"}},
     {R"(4:52: error: test "好测试" (id 5), verdict row 1, verdict 2: the verdict text is empty)"},
     R"("")"},
    {"caption holds the text separator",
     {{R"([1, "是"])", R"([1, "甲{9234856}乙"])"}},
     {R"(3:50: error: test "好测试" (id 5), question 1, item 1: the caption "甲{9234856}乙" holds the list )"
      R"(separator {9234856})"},
     R"("甲)"},
    {"verdict holds the text separator",
     {{R"("低")", R"("低{9234856}中")"}},
     {R"(4:47: error: test "好测试" (id 5), verdict row 1, verdict 1: the verdict "低{9234856}中" holds the list )"
      R"(separator {9234856})"},
     R"("低)"},
    {"empty name",
     {{R"("name": "好测试")", R"("name": " ")"}},
     {R"(2:21: error: test " " (id 5): the name is empty)"},
     R"(" ")"},
    {"empty question text",
     {{R"("text": "第一题")", R"("text": "")"}},
     {R"(3:27: error: test "好测试" (id 5), question 1: the question text is empty)"},
     R"("")"},
    {"character outside code page 936",
     {{R"("第一题")", R"("第一题😊")"}},
     {R"(3:27: error: test "好测试" (id 5), question 1: the text holds "😊" U+1F60A, which code page 936 cannot )"
      R"(hold)"},
     R"("第一题😊")"},
    {"parent circle",
     {{R"("id": 5,)",
       R"("id": 5, "parent": 6, "folder": true, "name": "甲"}, )"
       R"({"id": 6, "folder": true, "name": "乙", "parent": 5}, {"id": 7,)"}},
     {R"(2:23: error: folder "甲" (id 5): the parents lead round in a circle back to id 5)",
      R"(2:105: error: folder "乙" (id 6): the parents lead round in a circle back to id 6)"},
     "6"},
    {"parent not in the build",
     {{R"("id": 5,)", R"("id": 5, "parent": 77,)"}},
     {R"(2:23: warning: test "好测试" (id 5): the parent 77 is no entry of this build, so the entry stands at the )"
      R"(top level)"},
     "77"},
    {"second verdict row without categories",
     {{R"("texts": ["低", "高"]})", R"("texts": ["低", "高"]}, {"thresholds": [0], "texts": ["x", "y"]})"}},
     {R"(4:59: warning: test "好测试" (id 5), verdict row 2: is never used: a test without categories uses its )"
      R"(first verdict row)"},
     R"({"thresholds")"},
    {"verdict row for a category not offered",
     {{R"("remarks": "说明",)", R"("remarks": "说明", "categories": [[1, "男"]],)"},
      {R"({"thresholds": [0])",
       R"({"category": 1, "thresholds": [0], "texts": ["a", "b"]}, {"category": 3, "thresholds": [0])"}},
     {R"(4:74: warning: test "好测试" (id 5), verdict row 2 (category 3): is never used: the test offers no )"
      R"(category 3)"},
     R"({"category": 3)"},
    {"no verdict row for a category",
     {{R"("remarks": "说明",)", R"("remarks": "说明", "categories": [[1, "男"], [2, "女"]],)"},
      {R"({"thresholds")", R"({"category": 1, "thresholds")"}},
     {R"(2:71: error: test "好测试" (id 5): no verdict row for the category 2)"},
     R"(2, "女")"},
    {"thresholds not increasing",
     {{R"("thresholds": [0])", R"("thresholds": [1, 0])"}, {R"("高"])", R"("中", "高"])"}},
     {R"(4:36: warning: test "好测试" (id 5), verdict row 1: the thresholds are not increasing (0 after 1))"},
     "0]"},
    {"a comma missing",
     {{R"("说明",)", R"("说明")"}},
     {R"(3:4: error: "," or "}" was expected (is a comma missing?))"},
     R"("questions")"},
};

// The problem lines of a run's output (the summary and notes left out).
QStringList problemLines(const QString &output, const QString &file)
{
    QStringList lines;
    for (const QString &line : output.split(QLatin1Char('\n'))) {
        if (line.startsWith(file + QLatin1Char(':')))
            lines.append(line.mid(file.size() + 1));
    }
    return lines;
}

// The text at "LINE:COLUMN: ..." of json (columns count characters).
QString textAt(const QString &json, const QString &message)
{
    const QStringList lines = json.split(QLatin1Char('\n'));
    const int line = message.section(QLatin1Char(':'), 0, 0).toInt();
    const int column = message.section(QLatin1Char(':'), 1, 1).toInt();
    if (line < 1 || line > lines.size() || column < 1)
        return {};
    const QString &text = lines[line - 1];
    qsizetype i = 0;
    for (int c = 1; c < column && i < text.size(); ++c)
        i += text[i].isHighSurrogate() ? 2 : 1;
    return text.mid(i);
}

TEST(AuthorMistakes, EachGetsOneMessageAtItsPlace)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("test.json"));
    const QString output = dir.filePath(QStringLiteral("o.mdb"));
    writeFile(file, kSound);
    ASSERT_EQ(problemLines(tool({"check", file}).out, file), QStringList());
    for (const Mistake &m : kMistakes) {
        QString json = QString::fromUtf8(kSound);
        for (const Edit &edit : m.edits) {
            const qsizetype at = json.indexOf(QString::fromUtf8(edit.from));
            ASSERT_GE(at, 0) << m.name;
            json.replace(at, QString::fromUtf8(edit.from).size(), QString::fromUtf8(edit.to));
        }
        writeFile(file, json.toUtf8());
        QStringList expected;
        for (const char *message : m.messages)
            expected.append(QString::fromUtf8(message));
        const ToolRun checked = tool({"check", file});
        EXPECT_EQ(problemLines(checked.out, file).join('\n').toStdString(), expected.join('\n').toStdString())
            << m.name;
        EXPECT_TRUE(textAt(json, expected.first()).startsWith(QString::fromUtf8(m.pointsAt)))
            << m.name << ": the place holds " << textAt(json, expected.first()).toStdString();
        const bool error = expected.join('\n').contains(QStringLiteral(": error: "));
        EXPECT_EQ(checked.status, error ? ExitContentError : ExitOk) << m.name;
        // Build says what check says, and refuses the same content.
        const ToolRun built = tool({"build", file, "-o", output, "--force"});
        EXPECT_EQ(problemLines(built.err, file).join('\n').toStdString(), expected.join('\n').toStdString()) << m.name;
        EXPECT_EQ(built.status, checked.status) << m.name;
    }
}

// --strict: a warning refuses the content as an error would, and is
// printed as one.
TEST(AuthorMistakes, StrictMakesWarningsErrors)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("test.json"));
    const QString output = dir.filePath(QStringLiteral("o.mdb"));
    QString json = QString::fromUtf8(kSound);
    writeFile(file, json.replace(QStringLiteral("\"说明\""), QStringLiteral("\"\"")).toUtf8());
    const QString warning = QStringLiteral("2:39: warning: test \"好测试\" (id 5): the remarks are empty");
    EXPECT_EQ(problemLines(tool({"check", file}).out, file), QStringList{warning});
    EXPECT_EQ(tool({"build", file, "-o", output}).status, ExitOk);

    QString asError = warning;
    asError.replace(QStringLiteral("warning:"), QStringLiteral("error:"));
    const ToolRun checked = tool({"check", "--strict", file});
    EXPECT_EQ(checked.status, ExitContentError);
    EXPECT_EQ(problemLines(checked.out, file), QStringList{asError});
    EXPECT_TRUE(checked.out.endsWith(QStringLiteral("1 test, 1 error, 0 warnings\n"))) << checked.out.toStdString();
    const ToolRun built = tool({"build", file, "-o", output, "--force", "--strict"});
    EXPECT_EQ(built.status, ExitContentError);
    EXPECT_EQ(problemLines(built.err, file), QStringList{asError});
}

// Errors, then warnings, each by file in the order given, then by line and
// column, whether the reader or the checker found them.
TEST(AuthorMistakes, AreSortedByFileAndPlace)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("b-first.json"));
    const QString b = dir.filePath(QStringLiteral("a-second.json"));
    writeFile(a, R"({"tests": [
  {"id": 1, "name": "一", "remarks": "", "questions": [{"text": "", "options": [[1, "是"], [0, "否"]]}],
   "verdicts": [{"thresholds": [0], "texts": ["低", "高"]}]},
  {"id": 1, "name": "二", "factor": 0, "questions": [{"text": "题", "options": [[1, "是"], [0, "否"]]}],
   "verdicts": [{"thresholds": [0], "texts": ["低", "高"]}]}
]})");
    writeFile(b, R"({"tests": [
  {"id": 2, "name": "<三>", "remarks": "说明", "questions": [{"text": "题", "options": [[1, "是"], [0, "否"]]}],
   "verdicts": [{"thresholds": [0], "texts": ["低", "高"], "text": []}]}
]})");
    const ToolRun run = tool({"check", a, b});
    QStringList lines = run.out.split(QLatin1Char('\n'));
    lines = lines.mid(0, lines.size() - 2); // the summary and the empty end
    const QStringList expected{
        a + R"(:2:64: error: test "一" (id 1), question 1: the question text is empty)",
        a + R"(:4:10: error: test "二" (id 1): the id 1 is used by another test (first at 2:10))",
        a + R"(:4:36: error: test "二" (id 1): "factor" must be a finite number above 0, not 0)",
        b +
            R"(:3:58: error: test "<三>" (id 2), verdict row 1: unknown key "text" (valid keys: category, )"
            R"(thresholds, texts); did you mean texts?)",
        a + R"(:2:37: warning: test "一" (id 1): the remarks are empty)",
        a + R"(:4:3: warning: test "二" (id 1): the remarks are empty)",
    };
    EXPECT_EQ(lines.join('\n').toStdString(), expected.join('\n').toStdString());
    // The reader's errors do not keep build from the checker's.
    const ToolRun built = tool({"build", a, b, "-o", dir.filePath(QStringLiteral("o.mdb"))});
    EXPECT_EQ(built.err.split(QLatin1Char('\n')).mid(0, expected.size()).join('\n').toStdString(),
              expected.join('\n').toStdString());
}

} // namespace
