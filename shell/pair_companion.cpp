#include "shell/pair_companion.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QTimer>

#include "data/text_head.h"
#include "run/pair_history.h"
#include "run/resume_offer.h"
#include "run/run_view.h"
#include "run/test_run.h"
#include "shell/run_companion.h"
#include "shell/window_memory.h"
#include "widgets/dialogs.h"
#include "widgets/guard.h"
#include "widgets/message_boxes.h"

namespace lovetest {

namespace {

const QString kNamesKey = QStringLiteral("pair/names");
const QStringList kDefaultNames{QStringLiteral("甲"), QStringLiteral("乙")};

QString title()
{
    return QStringLiteral("两人一起测");
}

} // namespace

QStringList PairCompanion::rememberedNames()
{
    const QStringList stored = WindowMemory::settings().value(kNamesKey).toStringList();
    return stored.size() == 2 ? stored : kDefaultNames;
}

PairCompanion::PairCompanion(TestRun &run, RunCompanion &companion, const Places &places)
    : QObject(places.window),
      m_run(run),
      m_companion(companion),
      m_places(places),
      m_session(std::make_unique<PairSession>(run, companion.history(), companion.journal(), companion.pairs()))
{
    m_ui.pairAction = new QAction(title(), places.window);
    m_ui.pairAction->setObjectName(QStringLiteral("pairAction"));
    m_ui.pairAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    if (places.menu) {
        // Right after 开始测试, the command it goes with.
        const QList<QAction *> actions = places.menu->actions();
        const qsizetype start = actions.indexOf(places.startAction);
        places.menu->insertAction(start >= 0 && start + 1 < actions.size() ? actions[start + 1] : nullptr,
                                  m_ui.pairAction);
    } else {
        places.window->addAction(m_ui.pairAction);
    }
    connect(m_ui.pairAction, &QAction::triggered, this, &PairCompanion::startPair);

    // Where the quit and result buttons stand during a run: free while idle.
    m_ui.pairButton = new QPushButton(title(), places.buttonBar);
    m_ui.pairButton->setObjectName(QStringLiteral("PairButton"));
    m_ui.pairButton->setAccessibleName(title());
    m_ui.pairButton->setToolTip(QStringLiteral("两个人先后做同一个测试，再看两人选得有多像 (Ctrl+T)"));
    m_ui.pairButton->setAutoDefault(true);
    m_ui.pairButton->setGeometry(24 + 75 + 8, 16, 90, 25);
    connect(m_ui.pairButton, &QPushButton::clicked, this, &PairCompanion::startPair);
    if (places.stepButton)
        QWidget::setTabOrder(places.stepButton, m_ui.pairButton);

    m_session->setStageNotice([this](PairSession::Stage stage) { stageChanged(stage); });
    m_companion.setTakerName([this] { return m_session->takerName(); });
    m_companion.setResultOverride([this] {
        if (m_session->stage() != PairSession::Stage::Compared)
            return false;
        showComparison();
        return true;
    });
    m_companion.setResumeHook([this](const RunHistory::Unfinished &open) { return offerResume(open); });
    // The second taker's record waits, unanswered, at the hand-over.
    m_companion.resumeOffer().setKeepsUnanswered(
        [this](qint64 record) { return m_session->namesOf(record).has_value(); });
    // After the companion: the first verdict is taken away once the
    // companion has shown it.
    m_run.addListener(m_session.get());
    m_run.addListener(this);
    updateCommands();
}

PairCompanion::~PairCompanion()
{
    m_run.removeListener(this);
    m_run.removeListener(m_session.get());
    m_companion.setTakerName({});
    m_companion.setResultOverride({});
    m_companion.setResumeHook({});
    m_companion.resumeOffer().setKeepsUnanswered({});
}

void PairCompanion::updateCommands()
{
    const bool free = !m_run.running() && m_session->stage() != PairSession::Stage::HandOver;
    m_ui.pairAction->setEnabled(free);
    m_ui.pairButton->setVisible(free);
    // The history would show the first taker's result to the second.
    if (QAction *history = m_companion.ui().historyAction)
        history->setEnabled(m_session->stage() != PairSession::Stage::HandOver);
}

void PairCompanion::runStarted(qint64 testId, const QString &testName)
{
    Q_UNUSED(testId);
    Q_UNUSED(testName);
    updateCommands();
}

void PairCompanion::runEnded(bool finished)
{
    Q_UNUSED(finished);
    updateCommands();
}

void PairCompanion::startPair()
{
    guarded(m_places.window, [this] {
        if (m_run.running() || m_session->stage() != PairSession::Stage::Off)
            return;
        QStringList names = rememberedNames();
        if (!Dialogs::instance().askTexts(m_places.window, title(),
                                          QStringLiteral("两个人先后做同一个测试，最后一起看两人选得有多像。"
                                                         "答题时另一个人先别看屏幕。请给两人各起一个称呼："),
                                          {QStringLiteral("第一位(&1)："), QStringLiteral("第二位(&2)：")}, names))
            return;
        for (qsizetype i = 0; i < 2; ++i) {
            names[i] = boundedLine(names.value(i).simplified());
            if (names[i].isEmpty())
                names[i] = kDefaultNames[i];
        }
        if (names[0] == names[1]) {
            Dialogs::instance().showMessage(
                m_places.window, QStringLiteral("两人的称呼相同（“%1”），请给两人起不同的称呼。").arg(names[0]));
            return;
        }
        WindowMemory::settings().setValue(kNamesKey, names);
        m_session->prepare(names[0], names[1]);
        if (m_places.start)
            m_places.start();
        if (!m_run.running())
            m_session->abandon();
    });
}

void PairCompanion::continuePair()
{
    guarded(m_places.window, [this] {
        if (m_session->stage() != PairSession::Stage::HandOver)
            return;
        if (m_places.selectTest && !m_places.selectTest(m_session->testId())) {
            Dialogs::instance().showMessage(
                m_places.window,
                QStringLiteral("这个测试已不在目录中，两人测试无法继续；%1的结果已作为一次测试记录保留。")
                    .arg(m_session->firstName()));
            m_session->abandon();
            return;
        }
        m_session->handOver();
        if (m_places.start)
            m_places.start();
        if (!m_run.running())
            m_session->abandon();
        else if (auto *panel = qobject_cast<QWidget *>(m_run.state().choiceGroup.data()))
            panel->setFocus();
    });
}

void PairCompanion::abandonPair()
{
    guarded(m_places.window, [this] {
        if (m_session->stage() != PairSession::Stage::HandOver)
            return;
        if (!Dialogs::instance().confirm(
                m_places.window, title(),
                QStringLiteral("不等%1答题，结束这次两人测试吗？%2的结果会作为一次普通的测试记录保留。")
                    .arg(m_session->secondName(), m_session->firstName())))
            return;
        m_session->abandon();
    });
}

void PairCompanion::showComparison()
{
    guarded(m_places.window, [this] {
        if (m_session->lastCompared())
            m_companion.showPair(*m_session->lastCompared());
    });
}

bool PairCompanion::offerResume(const RunHistory::Unfinished &open)
{
    const std::optional<std::pair<QString, QString>> names = m_session->namesOf(open.record);
    if (!names)
        return false;
    ResumeOffer &offer = m_companion.resumeOffer();
    if (!Dialogs::instance().askYesNo(m_places.window, applicationTitle(),
                                      QStringLiteral("上次%1和%2一起做的测试《%3》还没有做完，是否继续？")
                                          .arg(names->first, names->second, boundedLine(open.testName)))) {
        if (terminationRequested())
            return true;
        // The pair goes; a finished first run stays as a run of its own.
        if (const std::optional<PairHistory::Pair> pair = m_companion.pairs().pairOf(open.record)) {
            try {
                m_companion.pairs().dissolve(pair->id);
            } catch (const std::exception &) {}
        }
        offer.decline(open);
        return true;
    }
    switch (m_session->resume(open)) {
    case PairSession::Stage::HandOver:
        return true;
    case PairSession::Stage::Off:
        // No longer a pair: taken up as a run of its own.
        return false;
    case PairSession::Stage::First:
    case PairSession::Stage::Second:
    case PairSession::Stage::Compared:
        break;
    }
    if (!offer.accept(open)) {
        m_session->abandon();
        return true;
    }
    if (auto *panel = qobject_cast<QWidget *>(m_run.state().choiceGroup.data()))
        panel->setFocus();
    return true;
}

void PairCompanion::stageChanged(PairSession::Stage stage)
{
    switch (stage) {
    case PairSession::Stage::HandOver:
        showHandOver();
        break;
    case PairSession::Stage::Compared:
        showSummary();
        // The page follows once the step that reached the verdict is over.
        QTimer::singleShot(0, this, &PairCompanion::showComparison);
        break;
    case PairSession::Stage::First:
    case PairSession::Stage::Second:
    case PairSession::Stage::Off:
        removeHandOver();
        break;
    }
    updateCommands();
}

void PairCompanion::holdCatalog(bool held)
{
    if (held == m_held || !m_places.view)
        return;
    m_held = held;
    // The second taker takes the same test: nothing else can be started or
    // selected until the hand-over is over.
    m_places.view->setRunControls({QStringLiteral("开始测试"), false, !held});
    if (m_places.stepButton)
        m_places.stepButton->setEnabled(!held);
}

void PairCompanion::showHandOver()
{
    removeHandOver();
    QWidget *pane = m_places.questionPane;
    // The remarks shown after the first run go: the screen stands alone.
    if (m_places.view)
        m_places.view->clearPanel();
    m_handOver = new QWidget(pane);
    m_handOver->setObjectName(QStringLiteral("handOverScreen"));
    auto *layout = new QVBoxLayout(m_handOver);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addStretch(1);
    const QString first = m_session->firstName();
    const QString second = m_session->secondName();
    auto *heading = new QLabel(QStringLiteral("请把电脑交给%1，先别看%2的答案").arg(second, first), m_handOver);
    heading->setObjectName(QStringLiteral("handOverHeading"));
    heading->setTextFormat(Qt::PlainText);
    heading->setWordWrap(true);
    heading->setAlignment(Qt::AlignCenter);
    QFont font = heading->font();
    font.setPointSize(16);
    font.setBold(true);
    heading->setFont(font);
    auto *note =
        new QLabel(QStringLiteral("%1已经答完了。%2准备好后按 Enter 开始答题；两人都答完后，会一起看两人的结果。")
                       .arg(first, second),
                   m_handOver);
    note->setTextFormat(Qt::PlainText);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignCenter);
    layout->addWidget(heading);
    layout->addSpacing(8);
    layout->addWidget(note);
    layout->addSpacing(16);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    m_continueButton = new QPushButton(QStringLiteral("%1开始答题(&G)").arg(second), m_handOver);
    m_continueButton->setObjectName(QStringLiteral("ContinuePairButton"));
    m_continueButton->setAccessibleName(QStringLiteral("%1开始答题").arg(second));
    m_continueButton->setAccessibleDescription(heading->text());
    m_continueButton->setAutoDefault(true);
    auto *stop = new QPushButton(QStringLiteral("结束两人测试(&X)"), m_handOver);
    stop->setObjectName(QStringLiteral("AbandonPairButton"));
    stop->setAccessibleName(QStringLiteral("结束两人测试"));
    stop->setAutoDefault(true);
    row->addWidget(m_continueButton);
    row->addWidget(stop);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(2);
    connect(m_continueButton, &QPushButton::clicked, this, &PairCompanion::continuePair, Qt::QueuedConnection);
    connect(stop, &QPushButton::clicked, this, &PairCompanion::abandonPair, Qt::QueuedConnection);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), m_handOver);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &PairCompanion::abandonPair);
    if (QLayout *paneLayout = pane->layout())
        paneLayout->addWidget(m_handOver);
    m_handOver->show();
    holdCatalog(true);
    m_continueButton->setFocus(Qt::OtherFocusReason);
}

void PairCompanion::removeHandOver()
{
    holdCatalog(false);
    if (!m_handOver)
        return;
    const bool hadFocus = m_handOver->isAncestorOf(QApplication::focusWidget());
    m_handOver->hide();
    m_handOver->deleteLater();
    m_handOver = nullptr;
    // Back at the remarks when the pair was given up.
    if (m_places.view && !m_run.running()) {
        m_places.view->clearPanel();
        m_places.view->showRemarks();
        m_places.view->hideInstructions();
    }
    if (hadFocus && m_places.stepButton)
        m_places.stepButton->setFocus(Qt::OtherFocusReason);
}

void PairCompanion::showSummary()
{
    QWidget *pane = m_places.questionPane;
    const PairResult pair = m_session->result();
    const PairComparison comparison = comparePair(pair);
    m_summary = new QWidget(pane);
    m_summary->setObjectName(QStringLiteral("pairSummary"));
    auto *row = new QHBoxLayout(m_summary);
    row->setContentsMargins(6, 2, 6, 2);
    auto *line =
        new QLabel(QStringLiteral("%1和%2：%3。%4")
                       .arg(pair.firstName, pair.secondName, agreementCount(comparison), agreementLine(comparison)),
                   m_summary);
    line->setObjectName(QStringLiteral("pairAgreement"));
    line->setTextFormat(Qt::PlainText);
    line->setWordWrap(true);
    line->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // As large as the explained verdict above it.
    QFont font = line->font();
    font.setPointSize(11);
    line->setFont(font);
    auto *open = new QPushButton(QStringLiteral("查看两人对比(&P)"), m_summary);
    open->setObjectName(QStringLiteral("ShowPairButton"));
    open->setAccessibleName(QStringLiteral("查看两人对比"));
    open->setAutoDefault(true);
    connect(open, &QPushButton::clicked, this, &PairCompanion::showComparison);
    row->addWidget(line, 1);
    row->addWidget(open);
    // Above 再测一次 and 下一个测试.
    auto *layout = qobject_cast<QBoxLayout *>(pane->layout());
    QWidget *whatNext = pane->findChild<QWidget *>(QStringLiteral("whatNext"), Qt::FindDirectChildrenOnly);
    const int at = layout && whatNext ? layout->indexOf(whatNext) : -1;
    if (layout)
        layout->insertWidget(at < 0 ? layout->count() : at, m_summary);
    m_summary->show();
}

} // namespace lovetest
