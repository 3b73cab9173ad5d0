#pragma once
#include <functional>
#include <optional>
#include <utility>

#include <QList>
#include <QWidget>

#include "run/pair_history.h"
#include "run/pair_result.h"
#include "run/run_history.h"
#include "run/run_result.h"

class QComboBox;
class QPushButton;
class QTableWidget;

namespace lovetest {

class ScoreChart;

// "我的测试记录": the finished runs, newest first, narrowed to one test by
// the filter; opens a run's result page, deletes one run or all after the
// user confirms; a pair's two runs are one row. Under the list, the scores of the selected row's test and
// category over time, when it was taken more than once. Closing only hides it.
class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    using ShowResult = std::function<void(const RunResult &)>;
    // The verdicts of the test a stored result was taken on, as the test is
    // now; empty when it cannot tell them.
    using PastVerdicts = std::function<QList<RunResult::Verdict>(const RunResult &)>;
    HistoryWindow(RunHistory &history, ShowResult showResult, PastVerdicts pastVerdicts, QWidget *parent = nullptr);
    // Runs two people took together show as one row, which opens their
    // comparison page; without this each run is a row of its own.
    using ShowPair = std::function<void(const PairResult &)>;
    void setPairs(PairHistory *pairs, ShowPair showPair);

    // Reads the history anew and shows the window in front.
    void showHistory();
    void reload();

    // The record of the selected row (of a pair's row, the second taker's),
    // 0 for none.
    qint64 selectedRecord() const;
    // The pair of the selected row, 0 for a run of its own or none.
    qint64 selectedPair() const;

    // The controls of the window, by the names the code and the tests use.
    struct Ui {
        QComboBox *filter = nullptr;
        QTableWidget *table = nullptr;
        QPushButton *openButton = nullptr;
        QPushButton *deleteButton = nullptr;
        QPushButton *deleteAllButton = nullptr;
        QPushButton *closeButton = nullptr;
        ScoreChart *chart = nullptr;
    };
    const Ui &ui() const { return m_ui; }

public slots:
    void openSelected();
    void deleteSelected();
    void deleteAll();

private:
    void fillFilter();
    void updateButtons();
    void updateChart();

    Ui m_ui;
    RunHistory &m_history;
    ShowResult m_showResult;
    PastVerdicts m_pastVerdicts;
    PairHistory *m_pairs = nullptr;
    ShowPair m_showPair;
    QList<HistoryRow> m_rows; // in order
    // The test and category the chart shows, so that a move within them
    // reads nothing again.
    std::optional<std::pair<qint64, QString>> m_charted;
};

} // namespace lovetest
