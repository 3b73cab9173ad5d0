#include "shell/run_companion.h"

#include <algorithm>
#include <exception>

#include <QAccessible>
#include <QAction>
#include <QBoxLayout>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>

#include "data/connection.h"
#include "data/test_database.h"
#include "data/text_head.h"
#include "run/pair_history.h"
#include "run/pair_result.h"
#include "run/resume_offer.h"
#include "run/run_history.h"
#include "run/run_journal.h"
#include "run/run_result.h"
#include "run/test_run.h"
#include "shell/history_window.h"
#include "shell/menu_order.h"
#include "widgets/catalog_tree_model.h"
#include "widgets/catalog_tree_view.h"
#include "widgets/dialogs.h"
#include "widgets/guard.h"
#include "widgets/message_boxes.h"

namespace lovetest {

namespace {

QPushButton *runButton(const QString &caption, const QString &name, const QString &hint, QWidget *bar)
{
    auto *button = new QPushButton(caption, bar);
    button->setObjectName(name);
    button->setAccessibleName(caption);
    button->setToolTip(hint);
    button->setAutoDefault(true);
    button->hide();
    return button;
}

} // namespace

RunCompanion::RunCompanion(TestDatabase &database, TestRun &run, const Places &places)
    : QObject(places.window),
      m_database(database),
      m_run(run),
      m_places(places),
      m_history(std::make_unique<RunHistory>(database.connection)),
      m_pairs(std::make_unique<PairHistory>(database.connection)),
      m_journal(std::make_unique<RunJournal>(*m_history)),
      m_resume(std::make_unique<ResumeOffer>(database, run, *m_history, *m_journal))
{
    buildProgress(places.progressParent);
    buildButtons(places.buttonBar);

    m_ui.historyAction = new QAction(QStringLiteral("我的测试记录"), places.window);
    m_ui.historyAction->setObjectName(QStringLiteral("historyAction"));
    m_ui.historyAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    if (places.menu) // with the run's commands, above the separator that sets off 退出
        places.menu->insertAction(firstSeparator(*places.menu), m_ui.historyAction);
    else
        places.window->addAction(m_ui.historyAction);
    connect(m_ui.historyAction, &QAction::triggered, this, &RunCompanion::showHistory);
    // A disk that fills during a run: said once, after the step; the run
    // goes on in memory and its answers go to the file when it has room.
    connect(
        &database.connection, &Connection::writesHeldInMemory, this,
        [this](const QString &reason) {
            Dialogs::instance().showMessage(
                m_places.window,
                QStringLiteral(
                    "磁盘已满：答案暂时只保存在内存中，磁盘有空间时会写回测试数据文件“%1”，退出程序时也会再试。"
                    "（%2）")
                    .arg(QDir::toNativeSeparators(m_database.connection.fileName()), reason));
        },
        Qt::QueuedConnection);
    connect(&database.connection, &Connection::heldWritesStored, this, [this] {
        if (auto *window = qobject_cast<QMainWindow *>(m_places.window))
            window->statusBar()->showMessage(QStringLiteral("答案已写回测试数据文件。"), 10000);
    });
    m_journal->setFailureNotice([this](const QString &reason) {
        // Said once the step is over, not inside its transaction; the verdict
        // stays on screen and its page can still be kept.
        QMetaObject::invokeMethod(
            this,
            [this, reason] {
                Dialogs::instance().showMessage(m_places.window,
                                                QStringLiteral("这次的结果没能保存到测试记录中：%1").arg(reason));
            },
            Qt::QueuedConnection);
    });
    // The catalog's marks follow every finished record that comes or goes;
    // a mark's record is read when its tooltip is shown.
    m_history->setChangeNotice([this] { refreshMarks(); });
    if (places.catalog) {
        places.catalog->setMarkDescription([this](qint64 record) {
            const std::optional<RunHistory::Entry> last = m_history->entry(record);
            if (!last)
                return QString();
            return QStringLiteral("上次测试：%1\n结果：%2")
                .arg(last->time.toString(QStringLiteral("yyyy-MM-dd HH:mm")), boundedLine(last->verdict));
        });
    }
    // The journal hears the run itself; the companion only shows it.
    m_run.addListener(m_journal.get());
    m_run.addListener(this);
}

RunCompanion::~RunCompanion()
{
    m_run.removeListener(this);
    m_run.removeListener(m_journal.get());
}

QLabel *RunCompanion::explanation() const
{
    return m_explanation;
}

QPushButton *RunCompanion::againButton() const
{
    return m_againButton;
}

QPushButton *RunCompanion::nextTestButton() const
{
    return m_nextTestButton;
}

void RunCompanion::refreshMarks()
{
    if (!m_places.catalog)
        return;
    const QHash<qint64, qint64> latest = m_history->latestRecords();
    QHash<qint64, CatalogMark> marks;
    marks.reserve(latest.size());
    for (auto it = latest.cbegin(); it != latest.cend(); ++it)
        marks.insert(it.key(), {it.value()});
    m_places.catalog->setMarks(std::move(marks));
}

void RunCompanion::addWhatNext(QWidget *pane)
{
    m_whatNext = new QWidget(pane);
    m_whatNext->setObjectName(QStringLiteral("whatNext"));
    auto *row = new QHBoxLayout(m_whatNext);
    row->setContentsMargins(6, 2, 6, 6);
    row->setSpacing(8);
    auto button = [this, row](const QString &caption, const QString &name, const QString &spoken) {
        auto *made = new QPushButton(caption, m_whatNext);
        made->setObjectName(name);
        made->setAccessibleName(spoken);
        made->setAutoDefault(true); // Enter presses it when it has the focus
        row->addWidget(made);
        return made;
    };
    // Alt+R and Alt+N: no menu, button or shortcut of the window uses them.
    m_againButton = button(QStringLiteral("再测一次(&R)"), QStringLiteral("AgainButton"), QStringLiteral("再测一次"));
    m_againButton->setToolTip(QStringLiteral("从头再做一次这个测试 (Alt+R)"));
    m_nextTestButton =
        button(QStringLiteral("下一个测试(&N)"), QStringLiteral("NextTestButton"), QStringLiteral("下一个测试"));
    row->addStretch(1);
    // At the catalog's last test there is no next one: the button says so
    // instead of starting over at the top.
    const bool hasNext = m_places.hasNextTest && m_places.hasNextTest();
    m_nextTestButton->setEnabled(hasNext);
    m_nextTestButton->setToolTip(hasNext ? QStringLiteral("在目录中选择下一个测试 (Alt+N)")
                                         : QStringLiteral("这已是目录中的最后一个测试"));
    // Queued: both end the run, which clears the pane holding the buttons.
    if (m_places.takeAgain)
        connect(m_againButton, &QPushButton::clicked, this, m_places.takeAgain, Qt::QueuedConnection);
    if (m_places.takeNext)
        connect(m_nextTestButton, &QPushButton::clicked, this, m_places.takeNext, Qt::QueuedConnection);
    if (m_explanation)
        QWidget::setTabOrder(m_explanation, m_againButton);
    QWidget::setTabOrder(m_againButton, m_nextTestButton);
    if (QLayout *layout = pane->layout())
        layout->addWidget(m_whatNext);
    m_whatNext->show();
}

void RunCompanion::buildProgress(QWidget *parent)
{
    m_progress = new QWidget(parent);
    m_progress->setObjectName(QStringLiteral("runProgress"));
    // One row, the line before the bar: the run's panes keep their height.
    auto *layout = new QHBoxLayout(m_progress);
    layout->setContentsMargins(6, 0, 6, 0);
    layout->setSpacing(8);
    m_ui.progressLine = new QLabel(m_progress);
    m_ui.progressLine->setObjectName(QStringLiteral("progressLine"));
    m_ui.progressLine->setTextFormat(Qt::PlainText);
    m_ui.progressBar = new QProgressBar(m_progress);
    m_ui.progressBar->setObjectName(QStringLiteral("progressBar"));
    m_ui.progressBar->setAccessibleName(QStringLiteral("测试进度"));
    m_ui.progressBar->setTextVisible(false);
    m_ui.progressBar->setFixedHeight(6);
    layout->addWidget(m_ui.progressLine);
    layout->addWidget(m_ui.progressBar, 1);
    if (auto *box = qobject_cast<QBoxLayout *>(parent->layout()))
        box->addWidget(m_progress);
    m_progress->hide();
}

void RunCompanion::buildButtons(QWidget *bar)
{
    // Beside the quit button, which stands right of the step button.
    m_ui.backButton = runButton(QStringLiteral("上一题"), QStringLiteral("BackButton"),
                                QStringLiteral("回到上一题 (Alt+←, Backspace)"), bar);
    m_ui.backButton->setGeometry(24 + 2 * (75 + 8), 16, 75, 25);
    m_ui.saveButton = runButton(QStringLiteral("保存/打印结果"), QStringLiteral("SaveResultButton"),
                                QStringLiteral("在报告窗口中保存或打印这次的结果 (Alt+S)"), bar);
    m_ui.saveButton->setGeometry(24 + 75 + 8, 16, 110, 25);
    connect(m_ui.backButton, &QPushButton::clicked, this, &RunCompanion::back);
    connect(m_ui.saveButton, &QPushButton::clicked, this, &RunCompanion::saveResult);

    QWidget *window = m_places.window;
    for (const QKeySequence &keys : {QKeySequence(Qt::ALT | Qt::Key_Left), QKeySequence(Qt::Key_Backspace)}) {
        // A text field that takes Backspace keeps it: the shortcut yields to it.
        auto *shortcut = new QShortcut(keys, window);
        shortcut->setEnabled(false);
        connect(shortcut, &QShortcut::activated, this, [this] {
            if (m_ui.backButton->isVisible() && m_ui.backButton->isEnabled())
                back();
        });
        m_backKeys.append(shortcut);
    }
    auto *save = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_S), window);
    connect(save, &QShortcut::activated, this, [this] {
        if (m_ui.saveButton->isVisible())
            saveResult();
    });
}

void RunCompanion::setProgress(QString text, int value, int maximum)
{
    // "甲 · 第 3 题 / 共 10 题" while one of two takers answers.
    if (m_takerName) {
        if (const QString name = m_takerName(); !name.isEmpty())
            text = name + QStringLiteral(" · ") + text;
    }
    // The bar would repaint itself (and the window behind it) at once on a
    // new value; it is painted with the new question instead.
    m_ui.progressBar->setUpdatesEnabled(false);
    m_ui.progressBar->setRange(0, maximum);
    m_ui.progressBar->setValue(value);
    m_ui.progressBar->setUpdatesEnabled(true); // schedules the repaint
    if (m_ui.progressLine->text() == text)
        return;
    m_ui.progressLine->setText(text);
    m_ui.progressLine->setAccessibleName(text);
    // Screen readers hear the new position.
    QAccessibleEvent event(m_ui.progressLine, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void RunCompanion::showRunning(bool running)
{
    m_progress->setVisible(running);
    m_ui.backButton->setVisible(running);
    for (QShortcut *keys : m_backKeys)
        keys->setEnabled(running);
    if (!running)
        m_ui.progressLine->clear();
}

void RunCompanion::runStarted(qint64 testId, const QString &testName)
{
    Q_UNUSED(testId);
    Q_UNUSED(testName);
    m_ui.saveButton->hide();
    showRunning(true);
}

void RunCompanion::questionShown(int index, int total)
{
    setProgress(QStringLiteral("第 %1 题 / 共 %2 题").arg(index + 1).arg(total), index, total);
    m_ui.backButton->setEnabled(m_run.canGoBack());
}

void RunCompanion::categoryShown()
{
    setProgress(QStringLiteral("最后一步：请选择类别"), 1, 1);
    m_ui.backButton->setEnabled(m_run.canGoBack());
}

void RunCompanion::verdictShown(const RunResult &result)
{
    showRunning(false);
    m_ui.saveButton->show();
    // Under the verdict view, in the question pane, so it goes with the view.
    QWidget *pane = m_places.questionPane;
    m_explanation = new QLabel(verdictExplanation(result), pane);
    m_explanation->setObjectName(QStringLiteral("verdictExplanation"));
    m_explanation->setAccessibleName(QStringLiteral("结果说明"));
    m_explanation->setWordWrap(true);
    m_explanation->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_explanation->setContentsMargins(6, 4, 6, 4);
    QFont font = m_explanation->font();
    font.setPointSize(11);
    m_explanation->setFont(font);
    if (QLayout *layout = pane->layout())
        layout->addWidget(m_explanation);
    m_explanation->show();
    addWhatNext(pane);
}

void RunCompanion::runEnded(bool finished)
{
    Q_UNUSED(finished);
    showRunning(false);
    m_ui.saveButton->hide();
}

void RunCompanion::back()
{
    guarded(m_places.window, [this] { m_run.back(); });
}

void RunCompanion::saveResult()
{
    guarded(m_places.window, [this] {
        if (m_resultOverride && m_resultOverride())
            return;
        if (const std::optional<RunResult> &result = m_journal->lastResult())
            m_places.showResult(*result);
    });
}

QList<RunResult::Verdict> RunCompanion::pastVerdicts(const RunResult &result)
{
    // The other verdicts come from the test as it is now; a test gone or
    // unreadable leaves them out.
    QList<RunResult::Verdict> verdicts;
    if (m_places.sealed) {
        try {
            verdicts = storedTestVerdicts(m_database, *m_places.sealed, result);
        } catch (const std::exception &) {}
    }
    return verdicts;
}

void RunCompanion::showPair(PairResult pair)
{
    guarded(m_places.window, [&] {
        for (RunResult *result : {&pair.first, &pair.second}) {
            if (result->verdicts.isEmpty())
                result->verdicts = pastVerdicts(*result);
        }
        if (m_places.showPair)
            m_places.showPair(pair);
    });
}

void RunCompanion::showHistory()
{
    guarded(m_places.window, [this] {
        if (!m_historyWindow) {
            m_historyWindow = new HistoryWindow(
                *m_history,
                [this](RunResult result) {
                    result.verdicts = pastVerdicts(result);
                    m_places.showResult(result);
                },
                [this](const RunResult &result) { return pastVerdicts(result); }, m_places.window);
            m_historyWindow->setPairs(m_pairs.get(), [this](const PairResult &pair) { showPair(pair); });
        }
        m_historyWindow->showHistory();
    });
}

HistoryWindow *RunCompanion::historyWindow() const
{
    return m_historyWindow;
}

void RunCompanion::offerResume()
{
    guarded(m_places.window, [this] {
        const std::optional<RunHistory::Unfinished> open = m_resume->find();
        if (!m_resume->droppedNote().isEmpty()) {
            if (auto *window = qobject_cast<QMainWindow *>(m_places.window))
                window->statusBar()->showMessage(m_resume->droppedNote(), 10000);
        }
        if (!open || (m_resumeHook && m_resumeHook(*open)))
            return;
        if (!Dialogs::instance().askYesNo(
                m_places.window, applicationTitle(),
                QStringLiteral("上次的测试《%1》还没有做完，是否继续？").arg(boundedLine(open->testName)))) {
            // Closed by the program's end, not answered: offered again next time.
            if (terminationRequested())
                return;
            m_resume->decline(*open);
            return;
        }
        if (!m_resume->accept(*open))
            return;
        // The keyboard goes on where the answers stopped.
        if (auto *panel = qobject_cast<QWidget *>(m_run.state().choiceGroup.data()))
            panel->setFocus();
    });
}

} // namespace lovetest
