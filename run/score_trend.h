#pragma once
#include <QDateTime>
#include <QList>
#include <QString>

#include "run/run_history.h"
#include "run/run_result.h"

namespace lovetest {

// One test's scores over time, in one category, with the verdicts' bands
// behind them: what the history window draws for a test taken more than once.
struct ScoreTrend {
    struct Point {
        QDateTime time;
        double score = 0;
        bool operator==(const Point &) const = default;
    };
    // The scores that select one verdict, closed to the trend's span where
    // no threshold bounds them.
    struct Band {
        QString label; // verdictLabel of the verdict
        QString words; // its band in words, empty when none
        double low = 0;
        double high = 0;
        bool operator==(const Band &) const = default;
    };
    QList<Point> points; // oldest first
    QList<Band> bands; // in the verdicts' order; empty ones left out
    // The scores the trend spans: the reachable range and every point.
    double low = 0;
    double high = 0;

    // One run tells no trend.
    bool drawn() const { return points.size() >= 2; }
};

// The verdict's text as a band names it: its opening words, up to the first
// mark that ends a phrase or line, cut short.
QString verdictLabel(const QString &text);

// The trend of the finished runs of test testId in category among entries
// (any order; the others are left out), with verdicts and range of that test.
ScoreTrend scoreTrend(const QList<RunHistory::Entry> &entries, qint64 testId, const QString &category,
                      const QList<RunResult::Verdict> &verdicts, const ScoreRange &range);

} // namespace lovetest
