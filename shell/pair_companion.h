#pragma once
#include <functional>
#include <memory>

#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QStringList>

#include "run/pair_session.h"
#include "run/run_listener.h"

class QAbstractButton;
class QAction;
class QLabel;
class QMenu;
class QWidget;

namespace lovetest {

class RunCompanion;
class RunView;
class TestRun;

// 两人一起测 in the main window: the command and its button beside the
// step button, the takers' names, the hand-over screen between the two
// runs, the line under the second verdict that says how alike they
// answered, and the comparison page. The runs themselves are ordinary runs,
// shown by the window and its RunCompanion.
class PairCompanion : public QObject, public RunListener {
    Q_OBJECT
public:
    struct Places {
        QWidget *window = nullptr;
        QWidget *buttonBar = nullptr; // gets the button, right of the step button
        QWidget *questionPane = nullptr; // content of the question pane
        QMenu *menu = nullptr; // gets the command, after 开始测试
        QAction *startAction = nullptr; // the command goes after it
        RunView *view = nullptr; // holds the catalog still during the hand-over
        QAbstractButton *stepButton = nullptr;
        // Starts the selected test as 开始测试 does.
        std::function<void()> start;
        // Selects the test in the catalog; false when it is gone.
        std::function<bool(qint64 testId)> selectTest;
    };
    PairCompanion(TestRun &run, RunCompanion &companion, const Places &places);
    ~PairCompanion() override;

    PairSession &session() { return *m_session; }

    struct Ui {
        QAction *pairAction = nullptr;
        QPushButton *pairButton = nullptr;
    };
    const Ui &ui() const { return m_ui; }
    // While shown: the hand-over screen and its buttons; the line under the
    // second verdict.
    QWidget *handOverScreen() const { return m_handOver; }
    QPushButton *continueButton() const { return m_continueButton; }
    QWidget *summary() const { return m_summary; }

    // The names the command proposes: the last ones given, 甲 and 乙 at first.
    static QStringList rememberedNames();

    void runStarted(qint64 testId, const QString &testName) override;
    void runEnded(bool finished) override;

public slots:
    // Asks the two names, then the first taker starts on the selected test.
    void startPair();
    // From the hand-over screen: the second taker starts.
    void continuePair();
    // From the hand-over screen, after the user confirms.
    void abandonPair();
    // The comparison page of the last pair, in the report window.
    void showComparison();

private:
    bool offerResume(const RunHistory::Unfinished &open);
    void stageChanged(PairSession::Stage stage);
    void showHandOver();
    void removeHandOver();
    void showSummary();
    void holdCatalog(bool held);
    void updateCommands();

    TestRun &m_run;
    RunCompanion &m_companion;
    Places m_places;
    std::unique_ptr<PairSession> m_session;
    Ui m_ui;
    QPointer<QWidget> m_handOver;
    QPointer<QPushButton> m_continueButton;
    QPointer<QWidget> m_summary;
    bool m_held = false;
};

} // namespace lovetest
