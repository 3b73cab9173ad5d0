#pragma once
#include <QChartView>

#include "run/score_trend.h"

class QLineSeries;

namespace lovetest {

// A small chart of one test's scores over time, the verdicts' bands shaded
// behind them in the palette's tints, their labels in the legend. It is a
// picture of what the list says, so it takes no keyboard stop; pointing at
// it tells the run and the band in a tooltip.
class ScoreChart : public QChartView {
    Q_OBJECT
public:
    explicit ScoreChart(QWidget *parent = nullptr);

    // Draws the trend, and shows the chart only when there is one to draw.
    void showTrend(const ScoreTrend &trend);
    const ScoreTrend &trend() const { return m_trend; }

    // What lies under pos (viewport coordinates) in words: the run drawn
    // there and the band; empty outside the plot.
    QString textAt(const QPoint &pos) const;

    // The run nearest to the pointer counts within this many pixels.
    static constexpr qreal kPointReach = 8;

protected:
    bool viewportEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void draw();

    ScoreTrend m_trend;
    QLineSeries *m_scores = nullptr;
};

} // namespace lovetest
