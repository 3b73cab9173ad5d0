#pragma once
#include <functional>
#include <memory>

#include <QObject>
#include <QPointer>

#include "run/run_history.h"
#include "run/run_listener.h"

class QAction;
class QLabel;
class QMenu;
class QShortcut;
class QProgressBar;
class QPushButton;
class QWidget;

namespace lovetest {

class Connection;
class HistoryWindow;
class PairHistory;
struct PairResult;
class CatalogTreeView;
class ResumeOffer;
class RunJournal;
class SealedFields;
class TestDatabase;
class TestRun;

// What the main window offers a test taker beside the run itself: the
// progress under the question pane, the step back, the explained verdict,
// keeping and printing the result, the history of past runs and taking up a
// run the program left unfinished. A user who ignores these sees the run as
// it always was.
class RunCompanion : public QObject, public RunListener {
    Q_OBJECT
public:
    // Where the companion puts its controls in the main window.
    struct Places {
        QWidget *window = nullptr;
        QWidget *progressParent = nullptr; // gets the progress line at its layout's end
        QWidget *buttonBar = nullptr; // the run buttons' bar
        QWidget *questionPane = nullptr; // content of the question pane (cleared with it)
        QMenu *menu = nullptr; // gets the history command
        SealedFields *sealed = nullptr; // reads a past result's test afresh
        std::function<void(const RunResult &result)> showResult;
        CatalogTreeView *catalog = nullptr; // marks the tests taken
        // What the buttons under a verdict do: the same test again, the
        // next test in the catalog; and whether there is a next one.
        std::function<void()> takeAgain;
        std::function<void()> takeNext;
        std::function<bool()> hasNextTest;
        // Shows the comparison page of two takers.
        std::function<void(const PairResult &pair)> showPair;
    };
    RunCompanion(TestDatabase &database, TestRun &run, const Places &places);
    ~RunCompanion() override;

    // Asks whether to go on with a run the program left unfinished.
    void offerResume();

    RunHistory &history() { return *m_history; }
    PairHistory &pairs() { return *m_pairs; }
    RunJournal &journal() { return *m_journal; }
    ResumeOffer &resumeOffer() { return *m_resume; }
    HistoryWindow *historyWindow() const;

    // What a run taken with others adds (PairCompanion): the taker's name
    // before the progress line; the question for a run left unfinished,
    // answered by the hook when it is one of theirs (true: handled); the
    // page the result button shows instead of the last run's (true: shown).
    void setTakerName(std::function<QString()> name) { m_takerName = std::move(name); }
    void setResumeHook(std::function<bool(const RunHistory::Unfinished &)> hook) { m_resumeHook = std::move(hook); }
    void setResultOverride(std::function<bool()> show) { m_resultOverride = std::move(show); }

    // The controls of the window, by the names the code and the tests use.
    struct Ui {
        QLabel *progressLine = nullptr;
        QProgressBar *progressBar = nullptr;
        QPushButton *backButton = nullptr;
        QPushButton *saveButton = nullptr;
        QAction *historyAction = nullptr;
    };
    const Ui &ui() const { return m_ui; }
    // The explained verdict under the verdict view while it is shown.
    QLabel *explanation() const;
    // Under the explanation while a verdict is shown: 再测一次 and 下一个测试.
    QPushButton *againButton() const;
    QPushButton *nextTestButton() const;

    // Reads the tests taken from the history into the catalog's marks.
    void refreshMarks();

    void runStarted(qint64 testId, const QString &testName) override;
    void questionShown(int index, int total) override;
    void categoryShown() override;
    void verdictShown(const RunResult &result) override;
    void runEnded(bool finished) override;

    // The comparison page of a pair; verdicts a stored result lacks are read
    // from the test as it is now.
    void showPair(PairResult pair);

public slots:
    void back();
    void saveResult();
    void showHistory();

private:
    void buildProgress(QWidget *parent);
    void buildButtons(QWidget *bar);
    void addWhatNext(QWidget *pane);
    void setProgress(QString text, int value, int maximum);
    void showRunning(bool running);
    QList<RunResult::Verdict> pastVerdicts(const RunResult &result);

    TestDatabase &m_database;
    TestRun &m_run;
    Places m_places;
    std::unique_ptr<RunHistory> m_history;
    std::unique_ptr<PairHistory> m_pairs;
    std::unique_ptr<RunJournal> m_journal;
    std::unique_ptr<ResumeOffer> m_resume;
    Ui m_ui;
    QPointer<QLabel> m_explanation;
    QPointer<QWidget> m_whatNext;
    QPointer<QPushButton> m_againButton;
    QPointer<QPushButton> m_nextTestButton;
    QWidget *m_progress = nullptr;
    QList<QShortcut *> m_backKeys;
    std::function<QString()> m_takerName;
    std::function<bool(const RunHistory::Unfinished &)> m_resumeHook;
    std::function<bool()> m_resultOverride;
    QPointer<HistoryWindow> m_historyWindow;
};

} // namespace lovetest
