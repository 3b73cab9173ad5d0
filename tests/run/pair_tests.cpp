#include <gtest/gtest.h>

#include <QLocale>
#include <QScopeGuard>

#include "run/pair_result.h"

using namespace lovetest;

namespace {

using Difference = PairComparison::Difference;

// Answers as "question=answer" pairs; "question=" for one left open.
QList<RunResult::Answer> answers(std::initializer_list<const char *> pairs)
{
    QList<RunResult::Answer> list;
    for (const char *pair : pairs) {
        const QStringList parts = QString::fromUtf8(pair).split(QLatin1Char('='));
        list.append({parts[0], parts[1]});
    }
    return list;
}

PairResult pair(const QList<RunResult::Answer> &first, const QList<RunResult::Answer> &second)
{
    PairResult result;
    result.first.answers = first;
    result.second.answers = second;
    return result;
}

TEST(PairComparison, QuestionByQuestionByPosition)
{
    struct Case {
        const char *name;
        QList<RunResult::Answer> first;
        QList<RunResult::Answer> second;
        int questionCount;
        int alike;
        QList<Difference> differences;
    };
    const Case cases[] = {
        {"all alike", answers({"一=甲", "二=乙", "三=丙"}), answers({"一=甲", "二=乙", "三=丙"}), 3, 3, {}},
        {"none alike",
         answers({"一=甲", "二=乙"}),
         answers({"一=乙", "二=甲"}),
         2,
         0,
         {{1, "一", "甲", "乙"}, {2, "二", "乙", "甲"}}},
        {"left open on both sides is no agreement",
         answers({"一=甲", "二=", "三=丙"}),
         answers({"一=甲", "二=", "三="}),
         3,
         1,
         {{2, "二", "", ""}, {3, "三", "丙", ""}}},
        {"the second list shorter",
         answers({"一=甲", "二=乙", "三=丙"}),
         answers({"一=甲"}),
         3,
         1,
         {{2, "二", "乙", ""}, {3, "三", "丙", ""}}},
        {"the first list shorter: the second's questions",
         answers({"一=甲"}),
         answers({"一=甲", "二=乙"}),
         2,
         1,
         {{2, "二", "", "乙"}}},
        {"another question at a position",
         answers({"一=是", "二=是"}),
         answers({"一=是", "另=是"}),
         2,
         1,
         {{2, "二", "是", "是"}}},
        {"no questions", {}, {}, 0, 0, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const PairComparison comparison = comparePair(pair(c.first, c.second));
        EXPECT_EQ(comparison.questionCount, c.questionCount);
        EXPECT_EQ(comparison.alike, c.alike);
        EXPECT_EQ(comparison.differences, c.differences);
        // Every question is either alike or listed.
        EXPECT_EQ(comparison.alike + comparison.differences.size(), comparison.questionCount);
        EXPECT_EQ(pairedAnswers(pair(c.first, c.second)).size(), c.questionCount);
    }
}

TEST(PairComparison, PairedAnswersHoldEveryQuestionWithBothAnswers)
{
    const QList<Difference> expected{{1, "一", "甲", "甲"}, {2, "二", "", "乙"}, {3, "三", "", "丙"}};
    EXPECT_EQ(pairedAnswers(pair(answers({"一=甲", "二="}), answers({"一=甲", "二=乙", "三=丙"}))), expected);
}

TEST(PairComparison, AgreementCountInPlainDigitsWhateverTheLocale)
{
    PairComparison comparison;
    comparison.questionCount = 10;
    comparison.alike = 7;
    EXPECT_EQ(agreementCount(comparison), QStringLiteral("10 题中有 7 题选得一样"));

    const QLocale saved;
    const auto restore = qScopeGuard([&saved] { QLocale::setDefault(saved); });
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    comparison.questionCount = 1200;
    comparison.alike = 1000;
    EXPECT_EQ(agreementCount(comparison), QStringLiteral("1200 题中有 1000 题选得一样"));
}

TEST(PairComparison, AgreementLineInFourBandsByShareAlike)
{
    const auto line = [](int count, int alike) {
        PairComparison comparison;
        comparison.questionCount = count;
        comparison.alike = alike;
        return agreementLine(comparison);
    };
    // One line a band, each its own.
    const QStringList bands{line(10, 10), line(10, 6), line(10, 4), line(10, 0)};
    EXPECT_EQ(QSet<QString>(bands.begin(), bands.end()).size(), 4);
    for (const QString &band : bands)
        EXPECT_FALSE(band.isEmpty());

    struct Case {
        int count;
        int alike;
        int band;
    };
    // Each band's edges: it starts at its share, exactly.
    for (const Case c : {Case{100, 80, 0}, Case{100, 79, 1}, Case{5, 4, 0}, Case{100, 60, 1}, Case{100, 59, 2},
                         Case{5, 3, 1}, Case{3, 2, 1}, Case{100, 40, 2}, Case{5, 2, 2}, Case{100, 39, 3}, Case{1, 1, 0},
                         Case{1, 0, 3}, Case{3, 1, 3}}) {
        SCOPED_TRACE(QStringLiteral("%1 of %2").arg(c.alike).arg(c.count).toStdString());
        EXPECT_EQ(line(c.count, c.alike), bands[c.band]);
    }
    // Nothing compared, nothing said.
    EXPECT_TRUE(line(0, 0).isEmpty());
}

TEST(PairComparison, TakersAreShownByNicknameOrAsJiaAndYi)
{
    PairResult result;
    EXPECT_EQ(firstTakerName(result), QStringLiteral("甲"));
    EXPECT_EQ(secondTakerName(result), QStringLiteral("乙"));
    result.firstName = QStringLiteral(" 小\r\n明 ");
    result.secondName = QStringLiteral("\t");
    EXPECT_EQ(firstTakerName(result), QStringLiteral("小 明"));
    EXPECT_EQ(secondTakerName(result), QStringLiteral("乙"));
}

} // namespace
