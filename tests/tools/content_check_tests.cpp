#include <gtest/gtest.h>

#include <functional>

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
