#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "tools/content_check.h"
#include "tools/reachable_scores.h"

using namespace lovetest::content;
namespace content = lovetest::content;

namespace {

// A sound test: scores 0 to 4, thresholds 1 and 3, every verdict reachable.
Content soundContent()
{
    content::Test test;
    test.id = 10;
    test.name = QStringLiteral("好测试");
    test.remarks = QStringLiteral("说明");
    for (int q = 0; q < 2; ++q) {
        Question question;
        question.text = QStringLiteral("题");
        question.options.append(QStringLiteral("2"), QStringLiteral("是"));
        question.options.append(QStringLiteral("0"), QStringLiteral("否"));
        test.questions.append(question);
    }
    test.verdicts.append({std::nullopt, {QStringLiteral("1"), QStringLiteral("3")}, {"低", "中", "高"}, {}});
    return {{test}};
}

Content withCategories()
{
    Content c = soundContent();
    content::Test &test = c.tests[0];
    test.categories.append(QStringLiteral("1"), QStringLiteral("男"));
    test.categories.append(QStringLiteral("2"), QStringLiteral("女"));
    Verdict male = test.verdicts[0];
    male.category = QStringLiteral("1");
    Verdict female = male;
    female.category = QStringLiteral("2");
    test.verdicts = {male, female};
    return c;
}

struct Case {
    const char *name;
    std::function<Content()> make;
    Problem::Severity severity;
    const char *expected; // part of the problem's text
};

const Case kCases[] = {
    {"counts differ",
     [] {
         auto c = soundContent();
         c.tests[0].questions[1].options.captions.removeLast();
         return c;
     },
     Problem::Error, "question 2: 2 scores but 1 captions"},
    {"score not an integer",
     [] {
         auto c = soundContent();
         c.tests[0].questions[0].options.values[0] = "2.5";
         return c;
     },
     Problem::Error, "question 1: the value \"2.5\" is not an integer"},
    // Values as a database may hold them: a whole number past 32 bits is
    // out of range, named as stored.
    {"score out of range",
     [] {
         auto c = soundContent();
         c.tests[0].questions[0].options.values[0] = "99999999999999999999";
         return c;
     },
     Problem::Error, "question 1: the value \"99999999999999999999\" is out of range (-2147483648 to 2147483647)"},
    {"whole score written with a point",
     [] {
         auto c = soundContent();
         c.tests[0].questions[0].options.values[0] = "2.0";
         return c;
     },
     Problem::Error, "question 1: the value \"2.0\" is not an integer"},
    {"threshold out of range",
     [] {
         auto c = soundContent();
         c.tests[0].verdicts[0].thresholds[1] = "-3000000000";
         return c;
     },
     Problem::Error, "verdict row 1: the threshold \"-3000000000\" is out of range"},
    {"factor zero",
     [] {
         auto c = soundContent();
         c.tests[0].factor = 0;
         return c;
     },
     Problem::Error, "(id 10): \"factor\" must be a finite number above 0, not 0"},
    {"factor endless",
     [] {
         auto c = soundContent();
         c.tests[0].factor = std::numeric_limits<double>::infinity();
         return c;
     },
     Problem::Error, "\"factor\" must be a finite number above 0"},
    {"empty option caption",
     [] {
         auto c = soundContent();
         c.tests[0].questions[1].options.captions[0] = "  ";
         return c;
     },
     Problem::Error, "question 2, item 1: the caption is empty"},
    {"empty verdict text",
     [] {
         auto c = soundContent();
         c.tests[0].verdicts[0].texts[1] = "";
         return c;
     },
     Problem::Error, "verdict row 1, verdict 2: the verdict text is empty"},
    {"threshold not an integer",
     [] {
         auto c = soundContent();
         c.tests[0].verdicts[0].thresholds[1] = "三";
         return c;
     },
     Problem::Error, "verdict row 1: the threshold \"三\" is not an integer"},
    {"no verdict row",
     [] {
         auto c = soundContent();
         c.tests[0].verdicts.clear();
         return c;
     },
     Problem::Error, "(id 10): the test has no verdict row"},
    {"no verdict row for a category",
     [] {
         auto c = withCategories();
         c.tests[0].verdicts.removeLast();
         return c;
     },
     Problem::Error, "no verdict row for the category 2"},
    {"category value 0",
     [] {
         auto c = withCategories();
         c.tests[0].categories.append("0", "都不是");
         return c;
     },
     Problem::Error, "the category value 0 cannot be chosen"},
    {"fewer texts than thresholds",
     [] {
         auto c = soundContent();
         c.tests[0].verdicts[0].texts = {"低"};
         return c;
     },
     Problem::Error, "2 thresholds but only 1 verdict texts"},
    {"no text after the last threshold",
     [] {
         auto c = soundContent();
         c.tests[0].verdicts[0].texts.removeLast();
         return c;
     },
     Problem::Error, "the score 4 lies above the last threshold but no verdict text follows it"},
    {"character outside code page 936",
     [] {
         auto c = soundContent();
         c.tests[0].questions[1].text = "题 😀";
         return c;
     },
     Problem::Error, "question 2: the text holds"},
    {"duplicate ids",
     [] {
         auto c = soundContent();
         c.tests.append(c.tests[0]);
         return c;
     },
     Problem::Error, "the id 10 is used by another test"},
    {"unreachable verdict",
     [] {
         auto c = soundContent();
         c.tests[0].verdicts[0].thresholds = {"2", "3"};
         return c;
     },
     Problem::Warning, "no reachable score selects verdict 2"},
    {"thresholds not increasing",
     [] {
         auto c = soundContent();
         c.tests[0].verdicts[0].thresholds = {"3", "1"};
         return c;
     },
     Problem::Warning, "the thresholds are not increasing (1 after 3)"},
    {"empty remarks",
     [] {
         auto c = soundContent();
         c.tests[0].remarks.clear();
         return c;
     },
     Problem::Warning, "the remarks are empty"},
};

TEST(ContentCheck, SoundContentHasNoProblems)
{
    EXPECT_TRUE(checkContent(soundContent()).isEmpty());
    EXPECT_TRUE(checkContent(withCategories()).isEmpty());
}

TEST(ContentCheck, FindsEachKindOfMistake)
{
    for (const Case &c : kCases) {
        const QList<Problem> problems = checkContent(c.make());
        const auto found = std::find_if(problems.begin(), problems.end(), [&](const Problem &p) {
            return p.severity == c.severity && p.text().contains(QString::fromUtf8(c.expected));
        });
        QStringList texts;
        for (const Problem &p : problems)
            texts.append(p.text());
        EXPECT_NE(found, problems.end()) << c.name << " found only: " << texts.join(" | ").toStdString();
        EXPECT_EQ(hasErrors(problems), c.severity == Problem::Error) << c.name;
    }
}

TEST(ContentCheck, ReachableScoresAreExact)
{
    Content c = soundContent();
    c.tests[0].questions[1].options.values = {"3", "-1"};
    c.tests[0].factor = 0.5;
    EXPECT_EQ(reachableScores(c.tests[0]), (QList<double>{-0.5, 0.5, 1.5, 2.5}));
}

} // namespace

namespace {

// Questions whose options are the given scores, each option captioned.
content::Test testWithOptions(const QList<QList<int>> &questions, double factor = 1)
{
    content::Test test;
    test.id = 30;
    test.name = QStringLiteral("分布");
    test.remarks = QStringLiteral("说明");
    test.factor = factor;
    for (const QList<int> &scores : questions) {
        Question question;
        question.text = QStringLiteral("题");
        for (int score : scores)
            question.options.append(QString::number(score), QStringLiteral("项"));
        test.questions.append(question);
    }
    return test;
}

QStringList warningsOf(const RangeReport &report)
{
    QStringList texts;
    for (const Problem &p : report.warnings)
        texts.append(p.text());
    return texts;
}

} // namespace

TEST(CombinationCounts, CountEveryAnswerOnce)
{
    using Counts = std::vector<SumCount>;
    struct Case {
        const char *name;
        QList<QList<qint64>> options;
        Counts counts;
    };
    const Case cases[] = {
        {"one each", {{0, 1}, {0, 2}}, {{0, 1}, {1, 1}, {2, 1}, {3, 1}}},
        {"equal scores are two answers", {{1, 1}, {0, 1}}, {{1, 2}, {2, 2}}},
        {"negative and unsorted", {{2, -1}, {0, 3}}, {{-1, 1}, {2, 2}, {5, 1}}},
        {"no options is left out", {{}, {4}}, {{4, 1}}},
        // Far apart: counted over the distinct sums.
        {"sparse", {{0, 1000000}, {0, 1}, {0, 1}}, {{0, 1}, {1, 2}, {2, 1}, {1000000, 1}, {1000001, 2}, {1000002, 1}}},
    };
    for (const Case &c : cases) {
        const auto counts = lovetest::countScoreCombinations(c.options);
        ASSERT_TRUE(counts) << c.name;
        EXPECT_EQ(*counts, c.counts) << c.name;
    }
    // 3^41 combinations, more than 64 bits hold: counted exactly.
    const auto many = lovetest::countScoreCombinations(QList<QList<qint64>>(41, {0, 1, 2}));
    ASSERT_TRUE(many);
    CombinationCount total = 0;
    for (const SumCount &entry : *many)
        total += entry.count;
    CombinationCount expected = 1;
    for (int i = 0; i < 41; ++i)
        expected *= 3;
    EXPECT_TRUE(total == expected);
    EXPECT_EQ(many->size(), 83u);
    EXPECT_TRUE(many->front().count == 1 && many->back().count == 1);
}

TEST(CombinationCounts, StayBoundedWhateverTheScores)
{
    QList<QList<qint64>> doubling;
    for (int q = 0; q < 30; ++q)
        doubling.append({0, qint64(1) << q});
    EXPECT_FALSE(lovetest::countScoreCombinations(doubling)); // 2^30 distinct sums
    EXPECT_FALSE(lovetest::countScoreCombinations(QList<QList<qint64>>(130, {0, 1}))); // 2^130 combinations
}

// Two questions [0,1] and [0,2]: the sums 0..3 each take 1 of the 4
// combinations, so a verdict's share is a quarter per sum it covers.
TEST(VerdictShares, FollowTheThresholdsAndTheFactor)
{
    struct Case {
        double factor;
        QStringList thresholds;
        const char *lines[3];
    };
    const Case cases[] = {
        {1,
         {"0", "2"},
         {"    score <= 0 -> verdict 1 (25.0 %): 低", "    0 < score <= 2 -> verdict 2 (50.0 %): 中",
          "    score > 2 -> verdict 3 (25.0 %): 高"}},
        // Scores 0, 0.5, 1, 1.5: the threshold 1 takes the half point below it.
        {0.5,
         {"0", "1"},
         {"    score <= 0 -> verdict 1 (25.0 %): 低", "    0 < score <= 1 -> verdict 2 (50.0 %): 中",
          "    score > 1 -> verdict 3 (25.0 %): 高"}},
        // A negative factor turns the highest sum into the lowest score.
        {-1,
         {"-3", "-1"},
         {"    score <= -3 -> verdict 1 (25.0 %): 低", "    -3 < score <= -1 -> verdict 2 (50.0 %): 中",
          "    score > -1 -> verdict 3 (25.0 %): 高"}},
    };
    for (const Case &c : cases) {
        content::Test test = testWithOptions({{0, 1}, {0, 2}}, c.factor);
        test.verdicts.append({std::nullopt, c.thresholds, {"低", "中", "高"}, {}});
        const RangeReport report = describeRanges({{test}});
        ASSERT_EQ(report.lines.size(), 4) << report.lines.join('\n').toStdString();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(report.lines[i + 1], QString::fromUtf8(c.lines[i])) << c.factor;
        EXPECT_TRUE(report.warnings.isEmpty()) << warningsOf(report).join('\n').toStdString();
    }
    content::Test test = testWithOptions({{0, 1}, {0, 2}});
    test.verdicts.append({std::nullopt, {"0"}, {"低", "高"}, {}});
    EXPECT_EQ(describeRanges({{test}}).lines.first(),
              QStringLiteral("test \"分布\" (id 30): scores 0 to 3 (4 distinct: 0, 1, 2, 3)"));
}

TEST(VerdictShares, FlagVerdictsAlmostNoneOrMostAnswersReach)
{
    // 0..4 plus 0..9: 50 combinations, the sum 0 one of them, the sums up
    // to 9 forty; shares of exactly 2 % and 80 % are no warning.
    content::Test edges = testWithOptions({{0, 1, 2, 3, 4}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}});
    edges.verdicts.append({std::nullopt, {"0", "9"}, {"低", "中", "高"}, {}});
    edges.verdicts.append({std::nullopt, {"-1", "9"}, {"低", "中", "高"}, {}});
    const RangeReport atEdges = describeRanges({{edges}});
    EXPECT_TRUE(atEdges.lines.contains(QStringLiteral("    score <= 0 -> verdict 1 (2.0 %): 低")));
    EXPECT_TRUE(atEdges.lines.contains(QStringLiteral("    -1 < score <= 9 -> verdict 2 (80.0 %): 中")));
    EXPECT_TRUE(atEdges.warnings.isEmpty()) << warningsOf(atEdges).join('\n').toStdString();

    // Six yes/no questions: 1 of 64 answers nothing but "no".
    content::Test lopsided = testWithOptions(QList<QList<int>>(6, {0, 1}));
    lopsided.categories.append(QStringLiteral("1"), QStringLiteral("男"));
    lopsided.verdicts.append({QStringLiteral("1"), {"0"}, {"从不", "总是"}, {}});
    const RangeReport flagged = describeRanges({{lopsided}});
    EXPECT_EQ(warningsOf(flagged),
              (QStringList{"warning: test \"分布\" (id 30), category 1, verdict 1 (\"从不\"): reached by 1.6 % of "
                           "the answer combinations, under 2 %",
                           "warning: test \"分布\" (id 30), category 1, verdict 2 (\"总是\"): reached by 98.4 % of "
                           "the answer combinations, over 80 %"}));
    // Too many distinct scores to list: the count alone.
    EXPECT_EQ(flagged.lines.first(),
              QStringLiteral("test \"分布\" (id 30): scores 0 to 6 (7 distinct: 0, 1, 2, 3, 4, 5, 6)"));
    EXPECT_EQ(describeRanges({{testWithOptions(QList<QList<int>>(12, {0, 1}))}}).lines.first(),
              QStringLiteral("test \"分布\" (id 30): scores 0 to 12 (13 distinct)"));
}

TEST(VerdictShares, SayWhenTheyWereNotCounted)
{
    QList<QList<int>> doubling;
    for (int q = 0; q < 30; ++q)
        doubling.append({0, 1 << q});
    content::Test test = testWithOptions(doubling);
    test.verdicts.append({std::nullopt, {"10"}, {"低", "高"}, {}});
    const RangeReport report = describeRanges({{test}});
    EXPECT_EQ(report.lines,
              (QStringList{"test \"分布\" (id 30): scores 0 to 1073741823 (too many combinations to list each)",
                           "  the answers combine in too many ways to count; verdict shares not counted",
                           "    score <= 10 -> verdict 1: 低", "    score > 10 -> verdict 2: 高"}));
    EXPECT_TRUE(report.warnings.isEmpty());
}
