#include <gtest/gtest.h>

#include "run/score_trend.h"

using namespace lovetest;

namespace {

QDateTime day(int d, int hour = 12)
{
    return QDateTime(QDate(2024, 3, d), QTime(hour, 0));
}

RunHistory::Entry run(qint64 record, QDateTime time, double score, qint64 testId = 10, const char *category = "")
{
    RunHistory::Entry entry;
    entry.record = record;
    entry.time = time;
    entry.testId = testId;
    entry.category = QString::fromUtf8(category);
    entry.score = score;
    return entry;
}

RunResult::Verdict verdict(const char *text, std::optional<double> above, std::optional<double> upTo)
{
    return {QString::fromUtf8(text), QStringLiteral("词"), false, {above, upTo}};
}

using Band = ScoreTrend::Band;

Band band(const char *label, double low, double high)
{
    return {QString::fromUtf8(label), QStringLiteral("词"), low, high};
}

} // namespace

TEST(VerdictBounds, AreTheThresholdsAroundTheVerdict)
{
    struct Case {
        QList<QByteArray> thresholds;
        int index;
        VerdictBounds bounds;
    };
    const Case cases[] = {
        {{"3", "5"}, 0, {{}, 3}},     {{"3", "5"}, 1, {3, 5}},
        {{"3", "5"}, 2, {5, {}}}, // above every threshold
        {{"5", "3"}, 1, {5, 3}}, // out of order: the band is empty
        {{"7", "2", "9"}, 2, {7, 9}}, // the highest before, not the nearest
        {{"x", " 5 "}, 1, {{}, 5}}, // no number bounds nothing
        {{"-4"}, 1, {-4, {}}},        {{}, 0, {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(verdictBounds(c.thresholds, c.index), c.bounds)
            << c.thresholds.join(',').toStdString() << " #" << c.index;
}

TEST(ScoreTrend, FollowsOneTestAndCategoryOldestFirstWithTheVerdictBands)
{
    const QList<RunResult::Verdict> threeBands{verdict("低", {}, 3), verdict("中", 3, 5), verdict("高", 5, {})};
    struct Case {
        const char *name;
        QList<RunHistory::Entry> entries; // newest first, as the history gives them
        const char *category;
        QList<RunResult::Verdict> verdicts;
        ScoreRange range;
        QList<double> scores;
        QList<Band> bands;
        double low, high;
    };
    const Case cases[] = {
        {"two runs",
         {run(2, day(5), 4), run(1, day(1), 2)},
         "",
         threeBands,
         {1, 6},
         {2, 4},
         {band("低", 1, 3), band("中", 3, 5), band("高", 5, 6)},
         1,
         6},
        {"categories and tests apart",
         {run(4, day(4), 6, 10, "女"), run(3, day(3), 1, 20, "男"), run(2, day(2), 5, 10, "男"),
          run(1, day(1), 2, 10, "男")},
         "男",
         threeBands,
         {1, 6},
         {2, 5},
         {band("低", 1, 3), band("中", 3, 5), band("高", 5, 6)},
         1,
         6},
        {"one run: not drawn",
         {run(1, day(1), 2), run(2, day(2), 2, 20)},
         "",
         threeBands,
         {1, 6},
         {2},
         {band("低", 1, 3), band("中", 3, 5), band("高", 5, 6)},
         1,
         6},
        {"scores outside the range widen it and the open bands",
         {run(2, day(2), 9), run(1, day(1), -1)},
         "",
         threeBands,
         {1, 6},
         {-1, 9},
         {band("低", -1, 3), band("中", 3, 5), band("高", 5, 9)},
         -1,
         9},
        {"thresholds beyond the range are clamped, empty bands left out",
         {run(2, day(2), 4), run(1, day(1), 2)},
         "",
         {verdict("零", {}, 0), verdict("低", 0, 3), verdict("反", 3, 2), verdict("高", 3, 50)},
         {1, 6},
         {2, 4},
         {band("低", 1, 3), band("高", 3, 6)},
         1,
         6},
        {"equal times keep the order taken",
         {run(7, day(1), 5), run(5, day(1), 1), run(6, day(1), 3)},
         "",
         {},
         {0, 6},
         {1, 3, 5},
         {},
         0,
         6},
        {"test gone: no bands, the span of the data",
         {run(2, day(2), 4), run(1, day(1), 2)},
         "",
         {},
         {3, 3},
         {2, 4},
         {},
         2,
         4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ScoreTrend trend = scoreTrend(c.entries, 10, QString::fromUtf8(c.category), c.verdicts, c.range);
        QList<double> scores;
        for (const ScoreTrend::Point &point : trend.points)
            scores.append(point.score);
        EXPECT_EQ(scores, c.scores);
        EXPECT_EQ(trend.drawn(), c.scores.size() >= 2);
        EXPECT_EQ(trend.bands, c.bands);
        EXPECT_DOUBLE_EQ(trend.low, c.low);
        EXPECT_DOUBLE_EQ(trend.high, c.high);
        EXPECT_TRUE(std::is_sorted(trend.points.begin(), trend.points.end(),
                                   [](const auto &a, const auto &b) { return a.time < b.time; }));
    }
}

TEST(ScoreTrend, NamesABandByTheOpeningWordsOfItsVerdict)
{
    struct Case {
        const char *text;
        const char *label;
    };
    const Case cases[] = {
        {"热烈浪漫型：你爱起来全情投入。", "热烈浪漫型"},
        {"  低分\r\n你很稳重。", "低分"},
        {"High: calm", "High"},
        {"：开头就是标点", "：开头就是标点"}, // no empty name
        {"一二三四五六七八九十一二三四", "一二三四五六七八九十一二…"},
        {"", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(verdictLabel(QString::fromUtf8(c.text)), QString::fromUtf8(c.label)) << c.text;
}
