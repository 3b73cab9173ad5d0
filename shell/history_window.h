#pragma once
#include <functional>

#include <QWidget>

class QComboBox;
class QPushButton;
class QTableWidget;

namespace lovetest {

class RunHistory;
struct RunResult;

// "我的测试记录": the finished runs, newest first, narrowed to one test by
// the filter; opens a run's result page, deletes one run or all after the
// user confirms. Closing only hides it.
class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    using ShowResult = std::function<void(const RunResult &)>;
    HistoryWindow(RunHistory &history, ShowResult showResult, QWidget *parent = nullptr);

    // Reads the history anew and shows the window in front.
    void showHistory();
    void reload();

    // The record of the selected row, 0 for none.
    qint64 selectedRecord() const;

    // The controls of the window, by the names the code and the tests use.
    struct Ui {
        QComboBox *filter = nullptr;
        QTableWidget *table = nullptr;
        QPushButton *openButton = nullptr;
        QPushButton *deleteButton = nullptr;
        QPushButton *deleteAllButton = nullptr;
        QPushButton *closeButton = nullptr;
    };
    const Ui &ui() const { return m_ui; }

public slots:
    void openSelected();
    void deleteSelected();
    void deleteAll();

private:
    void fillFilter();
    void updateButtons();

    Ui m_ui;
    RunHistory &m_history;
    ShowResult m_showResult;
};

} // namespace lovetest
