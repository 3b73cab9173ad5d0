// Showing a remark in the text view, by its length and shape, against the
// anchor of a bare text view showing a short remark. The ratio stays flat
// however long the text: only a bounded head is laid out.
#include <chrono>

#include <QApplication>
#include <QTextEdit>

#include <benchmark/benchmark.h>

#include "widgets/bound_text_view.h"

using namespace lovetest;

namespace {

const QString kShortRemark = QStringLiteral("喜欢一个人，说还是不说？这是很多人心里最纠结的问题。");

QString remarkOf(int kind)
{
    switch (kind) {
    case 0:
        return kShortRemark;
    case 1: // 1 MB of letters without a break opportunity
        return QString(1 << 20, QLatin1Char('x'));
    default: // 10 MB of text with line breaks
        return QString(10 << 20, QLatin1Char('y')).replace(0, 1, QStringLiteral("\n"));
    }
}

// Seconds to show text in view and paint it, on average over rounds.
template <typename View, typename Show>
double secondsToShow(View &view, const QString &text, Show show, int rounds)
{
    double seconds = 0;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        show(view, text);
        view.viewport()->repaint();
        QApplication::processEvents();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        show(view, QString());
        QApplication::processEvents();
    }
    return seconds / rounds;
}

void BM_ShowRemark(benchmark::State &state)
{
    const QString text = remarkOf(int(state.range(0)));
    // The anchor: a bare text view showing a short remark, measured in the same run.
    QTextEdit bare;
    bare.resize(500, 400);
    bare.show();
    const double anchor = secondsToShow(
        bare, kShortRemark, [](QTextEdit &view, const QString &t) { view.setPlainText(t); }, 20);

    TextView view;
    view.resize(500, 400);
    view.show();
    double shown = 0;
    for (auto _ : state)
        shown += secondsToShow(
            view, text, [](TextView &v, const QString &t) { v.setDisplayText(t); }, 1);
    state.counters["ratio_to_bare_view"] = shown / double(state.iterations()) / anchor;
    state.counters["chars"] = double(text.size());
}
BENCHMARK(BM_ShowRemark)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace
