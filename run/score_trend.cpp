#include "run/score_trend.h"

#include <algorithm>

#include "data/text_head.h"

namespace lovetest {

namespace {

// A legend line stays short beside a small chart.
constexpr qsizetype kLabelLength = 12;

} // namespace

QString verdictLabel(const QString &text)
{
    // Verdicts often open with their name: "热烈浪漫型：你爱起来……".
    QString line = text.trimmed().section(QLatin1Char('\n'), 0, 0);
    static const QString kPhraseEnds = QStringLiteral("：:，,。；;！!？?");
    for (qsizetype i = 1; i < line.size(); ++i) {
        if (kPhraseEnds.contains(line[i])) {
            line.truncate(i);
            break;
        }
    }
    return boundedText(line.trimmed(), kLabelLength);
}

ScoreTrend scoreTrend(const QList<RunHistory::Entry> &entries, qint64 testId, const QString &category,
                      const QList<RunResult::Verdict> &verdicts, const ScoreRange &range)
{
    QList<std::pair<qint64, ScoreTrend::Point>> runs; // by record, so that equal times keep the order taken
    for (const RunHistory::Entry &entry : entries) {
        if (entry.testId == testId && entry.category == category)
            runs.append({entry.record, {entry.time, entry.score}});
    }
    std::sort(runs.begin(), runs.end(), [](const auto &a, const auto &b) {
        return a.second.time != b.second.time ? a.second.time < b.second.time : a.first < b.first;
    });

    ScoreTrend trend;
    trend.low = range.minimum;
    trend.high = range.maximum;
    for (const auto &run : runs) {
        trend.points.append(run.second);
        trend.low = std::min(trend.low, run.second.score);
        trend.high = std::max(trend.high, run.second.score);
    }
    for (const RunResult::Verdict &verdict : verdicts) {
        const double low = std::clamp(verdict.bounds.above.value_or(trend.low), trend.low, trend.high);
        const double high = std::clamp(verdict.bounds.upTo.value_or(trend.high), trend.low, trend.high);
        if (low < high)
            trend.bands.append({verdictLabel(verdict.text), verdict.band, low, high});
    }
    return trend;
}

} // namespace lovetest
