#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "data/codepage.h"
#include "data/field.h"
#include "data/sealed_fields.h"
#include "report/content_report.h"
#include "report/report_window.h"
#include "run/pair_result.h"
#include "run/test_run.h"
#include "seal/keys.h"
#include "seal/seal_codec.h"
#include "shell/about_window.h"
#include "shell/backup_restore.h"
#include "shell/catalog_keeper.h"
#include "shell/pair_companion.h"
#include "shell/pane_splitter.h"
#include "shell/question_panels.h"
#include "shell/run_companion.h"
#include "shell/shell_resources.h"
#include "shell/web_links.h"
#include "widgets/bound_label.h"
#include "widgets/bound_text_view.h"
#include "widgets/capped_pane.h"
#include "widgets/catalog_tree_view.h"
#include "widgets/dialogs.h"
#include "widgets/fixed_colours.h"
#include "widgets/guard.h"
#include "widgets/read_only_notice.h"
#include "widgets/status_strip.h"

namespace lovetest {

namespace {

// The left pane keeps at least this width, and leaves it to the right pane;
// a narrower left pane closes.
constexpr int kPaneMinimum = 30;
constexpr int kLeftPaneWidth = 185;
// The right pane keeps the run buttons whole: three side by side with their
// margins, and the frames around them.
constexpr int kRunButtonsWidth = 24 + 3 * 75 + 2 * 8 + 24 + 4;
// The title label keeps its centre at this fraction of the title strip.
constexpr double kTitleCentre = 436.0 / 491.0;

QFrame *pane(const QString &name, QWidget *parent = nullptr)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameShape(QFrame::NoFrame);
    return frame;
}

QVBoxLayout *stack(QWidget *owner)
{
    auto *layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

// The window's fonts name the Windows faces; the application maps them to
// an installed Chinese font.
QFont windowsFont(const QString &family)
{
    QFont font;
    font.setFamilies({family, QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Droid Sans Fallback")});
    return font;
}

} // namespace

MainWindow::MainWindow(const QString &databaseFile, QWidget *parent)
    : QMainWindow(parent),
      m_database(std::make_unique<TestDatabase>()),
      m_codec(std::make_unique<SealCodec>()),
      m_sealed(std::make_unique<SealedFields>(*m_database, *m_codec))
{
    initShellResources();
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(caption());
    setWindowIcon(QIcon(programIconPath()));
    QFont font = windowsFont(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    setFont(font);
    move(192, 107);
    resize(688, 454);
    // Small enough for any screen, large enough that every control and both
    // run buttons stay in reach.
    setMinimumSize(400, 300);

    buildMenu();
    buildToolBar();
    m_ui.statusStrip = new StatusStrip(this);
    m_ui.statusStrip->setObjectName(QStringLiteral("statusStrip"));
    setStatusBar(m_ui.statusStrip);

    m_ui.panes = pane(QStringLiteral("panes"));
    m_ui.splitter = new PaneSplitter(Qt::Horizontal, m_ui.panes);
    m_ui.splitter->setObjectName(QStringLiteral("splitter"));
    m_ui.splitter->setHandleWidth(8);
    m_ui.splitter->addWidget(buildLeftPane());
    m_ui.splitter->addWidget(buildRightPane());
    m_ui.splitter->setCollapsible(0, true);
    m_ui.splitter->setCollapsible(1, false);
    m_ui.splitter->setStretchFactor(0, 0);
    m_ui.splitter->setStretchFactor(1, 1);
    m_ui.splitter->setSizes({kLeftPaneWidth, 688 - kLeftPaneWidth - 8});
    connect(m_ui.splitter, &QSplitter::splitterMoved, this, [this](int position, int) {
        if (position > 0 && position <= kPaneMinimum)
            m_ui.splitter->setSizes({0, m_ui.splitter->width()});
    });
    stack(m_ui.panes)->addWidget(m_ui.splitter);
    setCentralWidget(m_ui.panes);

    m_panels = std::make_unique<QuestionPanels>(
        *m_database, *m_sealed, QuestionPanels::Panes{m_ui.questionPane, m_ui.instructionsPane, m_ui.instructionsView},
        QuestionPanels::RunControls{m_ui.stepButton,
                                    m_ui.quitButton,
                                    {m_ui.startButton},
                                    {m_ui.startAction},
                                    m_ui.catalogTree,
                                    m_ui.searchBox});
    m_run = std::make_unique<TestRun>(*m_database, *m_sealed, *m_panels);
    m_panels->attach(m_run->state());
    m_report = std::make_unique<ContentReportBuilder>(*m_database, *m_sealed);
    m_companion = std::make_unique<RunCompanion>(
        *m_database, *m_run,
        RunCompanion::Places{this, m_ui.questionArea, m_ui.buttonBar, m_panels->paneContent(), m_ui.testMenu,
                             m_sealed.get(), [this](const RunResult &result) { reportWindow()->showResult(result); },
                             m_ui.catalogTree, [this] { takeAgain(); }, [this] { takeNext(); },
                             [this] { return nextTest().has_value(); },
                             [this](const PairResult &pair) { reportWindow()->showPair(pair); }});
    m_pairCompanion = std::make_unique<PairCompanion>(
        *m_run, *m_companion,
        PairCompanion::Places{this, m_ui.buttonBar, m_panels->paneContent(), m_ui.testMenu, m_ui.startAction,
                              m_panels.get(), m_ui.stepButton, [this] { start(); },
                              [this](qint64 testId) { return selectTest(testId); }});

    m_keeper = std::make_unique<CatalogKeeper>(
        *m_database, *m_run, CatalogKeeper::Places{this, m_ui.catalogTree, m_ui.testMenu, m_ui.statusStrip});
    m_backups = std::make_unique<BackupRestore>(*m_database, *m_run,
                                                BackupRestore::Places{this, m_ui.catalogTree, m_ui.testMenu,
                                                                      m_keeper->restoreAction(), m_ui.statusStrip,
                                                                      // The restored file has a history of its own.
                                                                      [this] { m_companion->refreshMarks(); }});

    bindCommands();

    // Tab goes from the search box through the tree and the question pane to
    // the run buttons.
    setTabOrder(m_ui.searchBox, m_ui.catalogTree);
    setTabOrder(m_ui.catalogTree, m_ui.stepButton);
    setTabOrder(m_ui.stepButton, m_ui.quitButton);

    // The site address is unsealed once; the web commands and the About
    // window use it.
    guarded(this, [this] {
        m_sealed->refreshDataKey();
        m_siteAddress = fromCp936(m_sealed->unseal(sealedSiteAddress()));
    });

    m_database->openAll(databaseFile, [this](const QString &message) { Dialogs::instance().showError(this, message); });
    // Where the file was looked for, fixed now: the About window names it.
    m_dataFolder = QFileInfo(QDir::current().absoluteFilePath(m_database->connection.fileName())).absolutePath();
    if (m_database->connection.readOnly())
        Dialogs::instance().showMessage(
            this, readOnlyDatabaseNotice(m_database->connection.fileName(), m_database->connection.readOnlyCause()));
    guarded(this, [this] { buildWindow(); });
    guarded(this, [this] { m_companion->refreshMarks(); });
}

MainWindow::~MainWindow()
{
    m_backups.reset();
    m_keeper.reset();
    m_pairCompanion.reset();
    m_companion.reset();
    // The bound views go before the datasets they follow.
    m_panels.reset();
    delete takeCentralWidget();
}

void MainWindow::setWindows(AboutWindow *about, ReportWindow *report)
{
    m_about = about;
    m_reportWindow = report;
}

void MainWindow::buildWindow()
{
    m_panels->showRemarks();
}

void MainWindow::buildMenu()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));

    m_ui.testMenu = bar->addMenu(QStringLiteral("操作(&O)"));
    m_ui.testMenu->setObjectName(QStringLiteral("testMenu"));
    m_ui.testMenu->menuAction()->setObjectName(QStringLiteral("testMenu"));
    m_ui.startAction = m_ui.testMenu->addAction(QStringLiteral("开始测试"));
    m_ui.startAction->setObjectName(QStringLiteral("startAction"));
    m_ui.contentAction = m_ui.testMenu->addAction(QStringLiteral("测试内容"));
    m_ui.contentAction->setObjectName(QStringLiteral("contentAction"));
    m_ui.contentAction->setShortcuts({QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)});
    m_ui.testMenu->addSeparator()->setObjectName(QStringLiteral("quitSeparator"));
    m_ui.quitAction = m_ui.testMenu->addAction(QStringLiteral("退出"));
    m_ui.quitAction->setObjectName(QStringLiteral("quitAction"));
    m_ui.quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    m_ui.helpMenu = bar->addMenu(QStringLiteral("帮助(&H)"));
    m_ui.helpMenu->setObjectName(QStringLiteral("helpMenu"));
    m_ui.helpMenu->menuAction()->setObjectName(QStringLiteral("helpMenu"));
    m_ui.homePageAction = m_ui.helpMenu->addAction(QStringLiteral("访问朗月心理测试网站"));
    m_ui.homePageAction->setObjectName(QStringLiteral("homePageAction"));
    m_ui.updatesAction = m_ui.helpMenu->addAction(QStringLiteral("查看软件更新"));
    m_ui.updatesAction->setObjectName(QStringLiteral("updatesAction"));
    m_ui.linksSeparator = m_ui.helpMenu->addSeparator();
    m_ui.linksSeparator->setObjectName(QStringLiteral("linksSeparator"));
    m_ui.booksAction = m_ui.helpMenu->addAction(QStringLiteral("心理学书籍"));
    m_ui.booksAction->setObjectName(QStringLiteral("booksAction"));
    m_ui.aboutSeparator = m_ui.helpMenu->addSeparator();
    m_ui.aboutSeparator->setObjectName(QStringLiteral("aboutSeparator"));
    m_ui.aboutAction = m_ui.helpMenu->addAction(QStringLiteral("关于朗月爱情心理测(娱乐版)1.0"));
    m_ui.aboutAction->setObjectName(QStringLiteral("aboutAction"));
}

QToolButton *MainWindow::addToolButton(const QString &name, const QString &caption, const QString &hint, int image,
                                       void (MainWindow::*handler)())
{
    auto *button = new QToolButton(m_ui.toolBar);
    button->setObjectName(name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setIcon(toolbarImageIcon(image));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setAutoRaise(true);
    button->setFixedSize(39, 38);
    button->setFocusPolicy(Qt::NoFocus);
    m_ui.toolBar->addWidget(button);
    connect(button, &QToolButton::clicked, this, handler);
    return button;
}

void MainWindow::buildToolBar()
{
    m_ui.toolBar = new QToolBar(this);
    m_ui.toolBar->setObjectName(QStringLiteral("toolBar"));
    m_ui.toolBar->setMovable(false);
    m_ui.toolBar->setFloatable(false);
    m_ui.toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_ui.toolBar->toggleViewAction()->setVisible(false);
    m_ui.toolBar->setIconSize(QSize(32, 32));
    m_ui.toolBar->setFixedHeight(43);
    m_ui.toolBar->setContentsMargins(0, 0, 0, 0);
    m_ui.toolBar->layout()->setSpacing(0);
    m_ui.toolBar->layout()->setContentsMargins(0, 2, 0, 3);
    addToolBar(Qt::TopToolBarArea, m_ui.toolBar);

    m_ui.startButton = addToolButton(QStringLiteral("startButton"), QStringLiteral("开始测试"),
                                     QStringLiteral("开始测试"), 4, &MainWindow::start);
    m_ui.siteButton = addToolButton(QStringLiteral("siteButton"), QStringLiteral("网站"),
                                    QStringLiteral("访问朗月心理测试网"), 2, &MainWindow::onHomePage);
    m_ui.updatesButton = addToolButton(QStringLiteral("updatesButton"), QStringLiteral("查看更新"),
                                       QStringLiteral("查看软件更新"), 1, &MainWindow::onUpdates);
    m_ui.booksButton = addToolButton(QStringLiteral("booksButton"), QStringLiteral("心理学书籍"),
                                     QStringLiteral("心理学书籍"), 5, &MainWindow::onBooks);
    m_ui.contentButton = addToolButton(QStringLiteral("contentButton"), QStringLiteral("测试内容"),
                                       QStringLiteral("查看测试内容"), 7, &MainWindow::onContent);
    m_ui.quitProgramButton = addToolButton(QStringLiteral("quitProgramButton"), QStringLiteral("退出"),
                                           QStringLiteral("退出程序"), 3, &MainWindow::onQuit);
}

QFrame *MainWindow::buildLeftPane()
{
    m_ui.catalogPane = pane(QStringLiteral("catalogPane"));
    m_ui.catalogPane->setMinimumWidth(kPaneMinimum);
    QVBoxLayout *layout = stack(m_ui.catalogPane);

    m_ui.searchPane = pane(QStringLiteral("searchPane"));
    m_ui.searchPane->setFixedHeight(41);
    m_ui.searchBox = new QLineEdit(m_ui.searchPane);
    m_ui.searchBox->setObjectName(QStringLiteral("searchBox"));
    m_ui.searchBox->setGeometry(8, 10, 121, 19);
    // A flat one-pixel border instead of the style's sunken frame.
    m_ui.searchBox->setAccessibleName(QStringLiteral("搜索测试"));
    // Down goes on into the tree's results.
    m_ui.searchBox->installEventFilter(this);
    // A flat one-pixel border instead of the style's sunken frame; disabled,
    // it greys like any other text box.
    m_ui.searchBox->setStyleSheet(
        QStringLiteral("QLineEdit#searchBox { border: 1px solid palette(dark); padding: 0 1px;"
                       " background: palette(base); }"
                       " QLineEdit#searchBox:disabled { border-color: palette(mid);"
                       " background: palette(window); }"));
    layout->addWidget(m_ui.searchPane);

    m_ui.treePane = pane(QStringLiteral("treePane"));
    m_ui.catalogTree = new CatalogTreeView(m_ui.treePane);
    m_ui.catalogTree->setObjectName(QStringLiteral("catalogTree"));
    m_ui.catalogTree->setAccessibleName(QStringLiteral("测试目录"));
    m_ui.catalogTree->setDataSource(&m_database->catalogSource);
    stack(m_ui.treePane)->addWidget(m_ui.catalogTree);
    layout->addWidget(m_ui.treePane, 1);
    return m_ui.catalogPane;
}

QFrame *MainWindow::buildRightPane()
{
    m_ui.testPane = pane(QStringLiteral("testPane"));
    m_ui.testPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_ui.testPane->setLineWidth(1);
    m_ui.testPane->setMinimumWidth(kRunButtonsWidth);
    QVBoxLayout *layout = stack(m_ui.testPane);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(buildQuestionArea(), 1);
    layout->addWidget(buildBottomBar());
    return m_ui.testPane;
}

QFrame *MainWindow::buildBottomBar()
{
    m_ui.buttonBar = pane(QStringLiteral("buttonBar"));
    m_ui.buttonBar->setFixedHeight(65);
    m_ui.buttonBar->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    m_ui.buttonBar->setAutoFillBackground(true);

    m_ui.stepButton = new QPushButton(QIcon(startGlyphPath()), QStringLiteral("开始测试"), m_ui.buttonBar);
    m_ui.stepButton->setObjectName(QStringLiteral("stepButton"));
    m_ui.stepButton->setIconSize(QSize(16, 16));
    m_ui.stepButton->setGeometry(24, 16, 75, 25);
    m_ui.stepButton->setAutoDefault(true);
    m_ui.stepButton->setDefault(true);

    // The quit button stands right beside the step button.
    m_ui.quitButton = new QPushButton(QStringLiteral("退出测试"), m_ui.buttonBar);
    m_ui.quitButton->setObjectName(QStringLiteral("quitButton"));
    m_ui.quitButton->setGeometry(24 + 75 + 8, 16, 75, 25);
    m_ui.quitButton->setAutoDefault(true);
    m_ui.quitButton->hide();
    return m_ui.buttonBar;
}

QFrame *MainWindow::buildQuestionArea()
{
    m_ui.questionArea = pane(QStringLiteral("questionArea"));
    QVBoxLayout *layout = stack(m_ui.questionArea);

    m_ui.titleStrip = pane(QStringLiteral("titleStrip"));
    m_ui.titleStrip->setFixedHeight(41);
    m_ui.titleLabel = new BoundLabel(m_ui.titleStrip);
    m_ui.titleLabel->setObjectName(QStringLiteral("titleLabel"));
    m_ui.titleLabel->setFixedSize(233, 25);
    m_ui.titleLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QFont titleFont = windowsFont(QStringLiteral("MS Sans Serif"));
    titleFont.setPixelSize(16);
    titleFont.setBold(true);
    m_ui.titleLabel->setFont(titleFont);
    // The red title keeps its light strip under a dark desktop palette.
    fixColours(*m_ui.titleStrip, fixed_colours::kButtonFace, fixed_colours::kWindowText);
    QPalette titlePalette = m_ui.titleLabel->palette();
    titlePalette.setColor(QPalette::WindowText, fixed_colours::kTitleText);
    m_ui.titleLabel->setPalette(titlePalette);
    m_ui.titleLabel->setDataSource(&m_database->catalogSource);
    m_ui.titleLabel->setDataField(QStringLiteral("Name"));
    m_ui.titleStrip->installEventFilter(this);
    layout->addWidget(m_ui.titleStrip);

    m_ui.questionStack = pane(QStringLiteral("questionStack"));
    QVBoxLayout *questionLayout = stack(m_ui.questionStack);
    m_ui.instructionsPane = new CappedPane;
    m_ui.instructionsPane->setObjectName(QStringLiteral("instructionsPane"));
    m_ui.instructionsPane->setFrameShape(QFrame::NoFrame);
    m_ui.instructionsPane->setMaximumHeight(0);
    m_ui.instructionsView = new BoundTextView(m_ui.instructionsPane);
    m_ui.instructionsView->setObjectName(QStringLiteral("instructionsView"));
    m_ui.instructionsView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_ui.instructionsView->setTabChangesFocus(true);
    m_ui.instructionsView->setFocusPolicy(Qt::ClickFocus);
    QFont instructionsFont = windowsFont(QStringLiteral("MS Sans Serif"));
    instructionsFont.setPixelSize(16);
    m_ui.instructionsView->setFont(instructionsFont);
    m_ui.instructionsView->setAccessibleName(QStringLiteral("填写说明"));
    fixColours(*m_ui.instructionsView, fixed_colours::kInfoBackground, fixed_colours::kWindowText);
    m_ui.instructionsView->setDataSource(&m_database->questionSource);
    m_ui.instructionsView->setDataField(QStringLiteral("填写说明"));
    stack(m_ui.instructionsPane)->addWidget(m_ui.instructionsView);
    questionLayout->addWidget(m_ui.instructionsPane);

    m_ui.questionPane = new QScrollArea(m_ui.questionStack);
    m_ui.questionPane->setObjectName(QStringLiteral("questionPane"));
    m_ui.questionPane->setFrameShape(QFrame::NoFrame);
    m_ui.questionPane->setWidgetResizable(true);
    m_ui.questionPane->setFocusPolicy(Qt::NoFocus);
    // The instructions pane takes its height from the question pane, which
    // keeps only enough to scroll its content.
    m_ui.questionPane->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    m_ui.questionPane->setMinimumHeight(48);
    questionLayout->addWidget(m_ui.questionPane, 1);
    layout->addWidget(m_ui.questionStack, 1);
    return m_ui.questionArea;
}

void MainWindow::placeTitleLabel()
{
    const int centre = int(m_ui.titleStrip->width() * kTitleCentre + 0.5);
    m_ui.titleLabel->move(centre - m_ui.titleLabel->width() / 2, 9);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ui.titleStrip && event->type() == QEvent::Resize)
        placeTitleLabel();
    if (watched == m_ui.searchBox && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Down && !(key->modifiers() & ~Qt::KeypadModifier) && m_ui.catalogTree->enterResults())
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::bindCommands()
{
    connect(m_ui.startAction, &QAction::triggered, this, &MainWindow::start);
    connect(m_ui.homePageAction, &QAction::triggered, this, &MainWindow::onHomePage);
    connect(m_ui.updatesAction, &QAction::triggered, this, &MainWindow::onUpdates);
    connect(m_ui.booksAction, &QAction::triggered, this, &MainWindow::onBooks);
    connect(m_ui.aboutAction, &QAction::triggered, this, &MainWindow::onAbout);
    connect(m_ui.contentAction, &QAction::triggered, this, &MainWindow::onContent);
    connect(m_ui.quitAction, &QAction::triggered, this, &MainWindow::onQuit);
    connect(m_ui.stepButton, &QPushButton::clicked, this, &MainWindow::onStep);
    connect(m_ui.quitButton, &QPushButton::clicked, this, &MainWindow::onQuitRun);
    connect(m_ui.searchBox, &QLineEdit::textChanged, this, &MainWindow::onSearchChanged);
}

// A search that shows nothing leaves no test to start, as an empty catalog
// does; the row the catalog still stands on is out of sight.
bool MainWindow::searchShowsNoTest()
{
    if (m_run->running() || m_ui.catalogTree->searchText().isEmpty() || m_ui.catalogTree->selectedKey())
        return false;
    m_panels->showMessage(QStringLiteral("请先在目录中选择一个测试。"));
    return true;
}

void MainWindow::start()
{
    guarded(this, [this] {
        if (!searchShowsNoTest())
            m_run->start();
    });
}

void MainWindow::takeAgain()
{
    guarded(this, [this] {
        if (m_run->phase() != TestRun::Phase::ShowingVerdict)
            return;
        m_run->finish();
        if (!searchShowsNoTest())
            m_run->start();
    });
}

std::optional<qint64> MainWindow::nextTest()
{
    const Dataset &catalog = m_database->catalog;
    if (!catalog.active() || catalog.isEmpty())
        return std::nullopt;
    const Field *id = catalog.fieldByName(QStringLiteral("ID"));
    if (!id || id->isNull())
        return std::nullopt;
    const QSet<qint64> tests = testsWithQuestions(m_database->connection);
    return m_ui.catalogTree->nextKey(id->asLargeInt(), [&tests](qint64 key) { return tests.contains(key); });
}

bool MainWindow::selectTest(qint64 testId)
{
    if (!m_database->catalog.active() || !m_database->catalog.locate(QStringLiteral("ID"), testId))
        return false;
    m_ui.catalogTree->selectCurrentRow();
    return true;
}

void MainWindow::takeNext()
{
    guarded(this, [this] {
        if (m_run->phase() != TestRun::Phase::ShowingVerdict)
            return;
        const std::optional<qint64> next = nextTest();
        if (!next)
            return;
        m_run->finish();
        // Its remarks show with the row; Enter on the tree starts it.
        m_database->catalog.locate(QStringLiteral("ID"), *next);
        m_ui.catalogTree->selectCurrentRow();
        m_ui.catalogTree->setFocus(Qt::OtherFocusReason);
    });
}

void MainWindow::next()
{
    guarded(this, [this] { m_run->next(); });
}

void MainWindow::finish()
{
    guarded(this, [this] { m_run->finish(); });
}

void MainWindow::onStep()
{
    guarded(this, [this] {
        const bool finishing = m_run->phase() == TestRun::Phase::ShowingVerdict;
        if (searchShowsNoTest())
            return;
        m_run->step();
        if (finishing && !m_run->running()) {
            // Back in the catalog on the test just taken: Down and Enter
            // pick and start the next one.
            m_ui.catalogTree->selectCurrentRow();
            m_ui.catalogTree->setFocus(Qt::OtherFocusReason);
        }
    });
}

void MainWindow::onQuitRun()
{
    guarded(this, [this] {
        const int answered = m_run->trail().answeredCount();
        if (m_run->running() && answered > 0 &&
            !Dialogs::instance().askYesNo(this, applicationTitle(),
                                          QStringLiteral("要放弃这次测试吗？已答的 %1 题不会保存。").arg(answered),
                                          Dialogs::DefaultAnswer::No))
            return;
        m_run->finish();
    });
}

void MainWindow::onHomePage()
{
    guarded(this, [this] { openWebPage(this, homePageAddress(m_siteAddress)); });
}

void MainWindow::onUpdates()
{
    guarded(this, [this] { openWebPage(this, updatesPageAddress(m_siteAddress)); });
}

void MainWindow::onBooks()
{
    guarded(this, [this] { openWebPage(this, booksPageAddress(m_siteAddress)); });
}

void MainWindow::onContent()
{
    guarded(this, [this] {
        // The page is built in full before anything reaches the window.
        const ContentReport report = m_report->build();
        reportWindow()->showReport(report.page, report.title);
    });
}

ReportWindow *MainWindow::reportWindow()
{
    if (!m_reportWindow) {
        auto *window = new ReportWindow(this);
        window->setWindowFlag(Qt::Window);
        m_reportWindow = window;
    }
    return m_reportWindow;
}

void MainWindow::offerResume()
{
    m_companion->offerResume();
}

void MainWindow::onAbout()
{
    guarded(this, [this] {
        if (!m_about) {
            auto *window = new AboutWindow(m_siteAddress, this);
            window->setWindowFlag(Qt::Window);
            m_about = window;
        }
        m_about->setDataFolder(m_dataFolder);
        m_about->showAbout();
    });
}

void MainWindow::onQuit()
{
    guarded(this, [] { QCoreApplication::quit(); });
}

void MainWindow::onSearchChanged()
{
    // The tree narrows itself: the dataset stays whole, so a match under a
    // folder that does not match can still be located and started.
    guarded(this, [this] { m_ui.catalogTree->setSearchText(m_ui.searchBox->text()); });
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program, whatever other window is open.
    event->accept();
    QCoreApplication::quit();
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    // Enter that no control took presses the step button, the window's
    // default button, at once: no press animation delays the step.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier &&
        m_ui.stepButton->isVisible() && m_ui.stepButton->isEnabled()) {
        m_ui.stepButton->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

} // namespace lovetest
