#include "shell/score_chart.h"

#include <algorithm>
#include <cmath>

#include <QAreaSeries>
#include <QDateTimeAxis>
#include <QHelpEvent>
#include <QLegendMarker>
#include <QLineSeries>
#include <QToolTip>
#include <QValueAxis>

#include "data/convert.h"
#include "widgets/plain_tool_tip.h"

namespace lovetest {

namespace {

constexpr qint64 kHour = 3600 * 1000;
constexpr qint64 kDay = 24 * kHour;

// Hues of the bands in turn; the tint's strength suits the background.
constexpr int kBandHues[] = {140, 45, 0, 200, 280, 90};

qreal timeValue(const QDateTime &time)
{
    return qreal(time.toMSecsSinceEpoch());
}

// A round step that cuts span into about three.
double tickStep(double span)
{
    const double rough = span / 3;
    const double unit = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (unit * factor >= rough)
            return unit * factor;
    }
    return unit * 10;
}

// Dates in fixed numeric forms, whatever the user's locale: as much as the
// span needs.
QString timeFormat(const QDateTime &first, const QDateTime &last)
{
    if (first.date().year() != last.date().year())
        return QStringLiteral("yyyy-MM-dd");
    return first.msecsTo(last) >= 2 * kDay ? QStringLiteral("MM-dd") : QStringLiteral("MM-dd HH:mm");
}

QString timeText(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

} // namespace

ScoreChart::ScoreChart(QWidget *parent) : QChartView(parent)
{
    setObjectName(QStringLiteral("scoreChart"));
    setAccessibleName(QStringLiteral("得分变化图"));
    setFocusPolicy(Qt::NoFocus);
    setFixedHeight(160);
    setRenderHint(QPainter::Antialiasing);
    setFrameShape(QFrame::NoFrame);
    chart()->setMargins(QMargins(2, 2, 2, 2));
    chart()->setBackgroundRoundness(0);
    chart()->legend()->setAlignment(Qt::AlignRight);
    hide();
}

void ScoreChart::showTrend(const ScoreTrend &trend)
{
    m_trend = trend;
    QStringList scores;
    for (const ScoreTrend::Point &point : trend.points)
        scores.append(numberText(point.score));
    setAccessibleDescription(QStringLiteral("%1 次得分：%2").arg(scores.size()).arg(scores.join(QStringLiteral("、"))));
    draw();
    setVisible(trend.drawn());
}

void ScoreChart::draw()
{
    QChart *c = chart();
    c->removeAllSeries();
    m_scores = nullptr;
    for (QAbstractAxis *axis : c->axes()) {
        c->removeAxis(axis);
        delete axis;
    }
    if (!m_trend.drawn())
        return;

    // The theme's own colours give way to the palette's where they show.
    const QPalette colours = palette();
    const bool dark = colours.color(QPalette::Window).lightness() < 128;
    c->setTheme(dark ? QChart::ChartThemeDark : QChart::ChartThemeLight);
    c->setBackgroundBrush(colours.window());
    c->setBackgroundPen(Qt::NoPen);
    setBackgroundBrush(colours.window());
    const QColor text = colours.color(QPalette::WindowText);
    QColor grid = text;
    grid.setAlpha(40);
    QFont small = font();
    small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1));

    // Time: the runs, with room on either side; runs at one moment still
    // get a span.
    const QDateTime first = m_trend.points.first().time;
    const QDateTime last = m_trend.points.last().time;
    const qint64 pad = std::max(first.msecsTo(last) / 20, kHour / 2);
    const QDateTime from = first.addMSecs(-pad);
    const QDateTime to = last.addMSecs(pad);
    auto *timeAxis = new QDateTimeAxis;
    timeAxis->setFormat(timeFormat(from, to));
    timeAxis->setRange(from, to);
    timeAxis->setTickCount(4);

    double low = m_trend.low;
    double high = m_trend.high;
    if (!(low < high)) {
        low -= 1;
        high += 1;
    }
    auto *scoreAxis = new QValueAxis;
    const double scorePad = (high - low) * 0.08;
    scoreAxis->setRange(low - scorePad, high + scorePad);
    scoreAxis->setTickType(QValueAxis::TicksDynamic);
    scoreAxis->setTickAnchor(0);
    scoreAxis->setTickInterval(tickStep(high - low));
    scoreAxis->setLabelFormat(QStringLiteral("%g"));

    for (QAbstractAxis *axis : {static_cast<QAbstractAxis *>(timeAxis), static_cast<QAbstractAxis *>(scoreAxis)}) {
        axis->setLabelsColor(text);
        axis->setLabelsFont(small);
        axis->setGridLineColor(grid);
        axis->setLinePenColor(grid);
        axis->setMinorGridLineVisible(false);
    }
    c->addAxis(timeAxis, Qt::AlignBottom);
    c->addAxis(scoreAxis, Qt::AlignLeft);

    const auto attach = [c, timeAxis, scoreAxis](QAbstractSeries *series) {
        c->addSeries(series);
        series->attachAxis(timeAxis);
        series->attachAxis(scoreAxis);
    };
    // Added from the highest, so that the legend lists them as the chart
    // stacks them.
    for (qsizetype i = m_trend.bands.size() - 1; i >= 0; --i) {
        const ScoreTrend::Band &band = m_trend.bands[i];
        auto *upper = new QLineSeries;
        upper->append(timeValue(from), band.high);
        upper->append(timeValue(to), band.high);
        auto *lower = new QLineSeries;
        lower->append(timeValue(from), band.low);
        lower->append(timeValue(to), band.low);
        auto *area = new QAreaSeries(upper, lower);
        upper->setParent(area);
        lower->setParent(area);
        area->setName(band.label);
        const int h = kBandHues[i % qsizetype(std::size(kBandHues))];
        QColor tint = dark ? QColor::fromHsv(h, 160, 200, 70) : QColor::fromHsv(h, 120, 235, 70);
        area->setColor(tint);
        area->setPen(Qt::NoPen);
        attach(area);
        // The legend's swatch is small: it takes the hue at full strength.
        tint.setAlpha(dark ? 200 : 170);
        for (QLegendMarker *marker : c->legend()->markers(area)) {
            marker->setBrush(tint);
            marker->setPen(Qt::NoPen);
        }
    }

    m_scores = new QLineSeries;
    m_scores->setName(QStringLiteral("得分"));
    for (const ScoreTrend::Point &point : m_trend.points)
        m_scores->append(timeValue(point.time), point.score);
    QPen line(colours.color(QPalette::Highlight), 2);
    m_scores->setPen(line);
    m_scores->setPointsVisible(true);
    m_scores->setMarkerSize(6);
    attach(m_scores);

    QLegend *legend = c->legend();
    legend->setVisible(!m_trend.bands.isEmpty());
    legend->setLabelColor(text);
    legend->setFont(small);
    for (QLegendMarker *marker : legend->markers(m_scores))
        marker->setVisible(false);
}

QString ScoreChart::textAt(const QPoint &pos) const
{
    QChart *c = chart();
    const QPointF at = c->mapFromScene(mapToScene(pos));
    if (!m_scores || !c->plotArea().contains(at))
        return {};
    QStringList lines;
    qreal nearest = kPointReach;
    for (const ScoreTrend::Point &point : m_trend.points) {
        const QPointF drawn = c->mapToPosition(QPointF(timeValue(point.time), point.score), m_scores);
        const qreal distance = QLineF(drawn, at).length();
        if (distance <= nearest) {
            nearest = distance;
            lines = QStringList{QStringLiteral("%1 得分 %2").arg(timeText(point.time), numberText(point.score))};
        }
    }
    const double score = c->mapToValue(at, m_scores).y();
    for (const ScoreTrend::Band &band : m_trend.bands) {
        if (band.low <= score && score <= band.high) {
            lines.append(band.words.isEmpty() ? band.label : QStringLiteral("%1：%2").arg(band.label, band.words));
            break;
        }
    }
    return lines.join(QLatin1Char('\n'));
}

bool ScoreChart::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QString text = textAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), plainToolTip(text), viewport());
        return true;
    }
    return QChartView::viewportEvent(event);
}

void ScoreChart::changeEvent(QEvent *event)
{
    QChartView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)
        draw();
}

} // namespace lovetest
