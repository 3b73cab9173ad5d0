#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
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
#include "data/sealed_fields.h"
#include "report/content_report.h"
#include "report/report_window.h"
#include "run/test_run.h"
#include "seal/keys.h"
#include "seal/seal_codec.h"
#include "shell/about_window.h"
#include "shell/pane_splitter.h"
#include "shell/question_panels.h"
#include "shell/run_companion.h"
#include "shell/shell_resources.h"
#include "shell/web_links.h"
#include "widgets/bound_label.h"
#include "widgets/bound_text_view.h"
#include "widgets/capped_pane.h"
#include "widgets/catalog_search.h"
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
    statusStrip = new StatusStrip(this);
    statusStrip->setObjectName(QStringLiteral("statusStrip"));
    setStatusBar(statusStrip);

    panes = pane(QStringLiteral("panes"));
    splitter = new PaneSplitter(Qt::Horizontal, panes);
    splitter->setObjectName(QStringLiteral("splitter"));
    splitter->setHandleWidth(8);
    splitter->addWidget(buildLeftPane());
    splitter->addWidget(buildRightPane());
    splitter->setCollapsible(0, true);
    splitter->setCollapsible(1, false);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({kLeftPaneWidth, 688 - kLeftPaneWidth - 8});
    connect(splitter, &QSplitter::splitterMoved, this, [this](int position, int) {
        if (position > 0 && position <= kPaneMinimum)
            splitter->setSizes({0, splitter->width()});
    });
    stack(panes)->addWidget(splitter);
    setCentralWidget(panes);

    m_panels = std::make_unique<QuestionPanels>(
        *m_database, *m_sealed, QuestionPanels::Panes{questionPane, instructionsPane, instructionsView},
        QuestionPanels::RunControls{stepButton, quitButton, {startButton}, {startAction}, catalogTree, searchBox});
    m_run = std::make_unique<TestRun>(*m_database, *m_sealed, *m_panels);
    m_panels->attach(m_run->state());
    m_report = std::make_unique<ContentReportBuilder>(*m_database, *m_sealed);
    m_companion = std::make_unique<RunCompanion>(
        *m_database, *m_run,
        RunCompanion::Places{
            this, questionArea, buttonBar, m_panels->paneContent(), testMenu,
            [this](const QString &page, const QString &title) { reportWindow()->showReport(page, title); }});

    bindCommands();

    // Tab goes from the search box through the tree and the question pane to
    // the run buttons.
    setTabOrder(searchBox, catalogTree);
    setTabOrder(catalogTree, stepButton);
    setTabOrder(stepButton, quitButton);

    // The site address is unsealed once; the web commands and the About
    // window use it.
    guarded(this, [this] {
        m_sealed->refreshDataKey();
        m_siteAddress = fromCp936(m_sealed->unseal(sealedSiteAddress()));
    });

    m_database->openAll(databaseFile, [this](const QString &message) { Dialogs::instance().showError(this, message); });
    if (m_database->connection.readOnly())
        Dialogs::instance().showMessage(this, readOnlyDatabaseNotice(m_database->connection.fileName()));
    guarded(this, [this] { buildWindow(); });
}

MainWindow::~MainWindow()
{
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

    testMenu = bar->addMenu(QStringLiteral("操作(&O)"));
    testMenu->setObjectName(QStringLiteral("testMenu"));
    testMenu->menuAction()->setObjectName(QStringLiteral("testMenu"));
    startAction = testMenu->addAction(QStringLiteral("开始测试"));
    startAction->setObjectName(QStringLiteral("startAction"));
    contentAction = testMenu->addAction(QStringLiteral("测试内容"));
    contentAction->setObjectName(QStringLiteral("contentAction"));
    contentAction->setShortcuts({QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)});
    testMenu->addSeparator()->setObjectName(QStringLiteral("quitSeparator"));
    quitAction = testMenu->addAction(QStringLiteral("退出"));
    quitAction->setObjectName(QStringLiteral("quitAction"));
    quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    helpMenu = bar->addMenu(QStringLiteral("帮助(&H)"));
    helpMenu->setObjectName(QStringLiteral("helpMenu"));
    helpMenu->menuAction()->setObjectName(QStringLiteral("helpMenu"));
    homePageAction = helpMenu->addAction(QStringLiteral("访问朗月心理测试网站"));
    homePageAction->setObjectName(QStringLiteral("homePageAction"));
    updatesAction = helpMenu->addAction(QStringLiteral("查看软件更新"));
    updatesAction->setObjectName(QStringLiteral("updatesAction"));
    linksSeparator = helpMenu->addSeparator();
    linksSeparator->setObjectName(QStringLiteral("linksSeparator"));
    booksAction = helpMenu->addAction(QStringLiteral("心理学书籍"));
    booksAction->setObjectName(QStringLiteral("booksAction"));
    aboutSeparator = helpMenu->addSeparator();
    aboutSeparator->setObjectName(QStringLiteral("aboutSeparator"));
    aboutAction = helpMenu->addAction(QStringLiteral("关于朗月爱情心理测(娱乐版)1.0"));
    aboutAction->setObjectName(QStringLiteral("aboutAction"));
}

QToolButton *MainWindow::addToolButton(const QString &name, const QString &caption, const QString &hint, int image,
                                       void (MainWindow::*handler)())
{
    auto *button = new QToolButton(toolBar);
    button->setObjectName(name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setIcon(toolbarImageIcon(image));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setAutoRaise(true);
    button->setFixedSize(39, 38);
    button->setFocusPolicy(Qt::NoFocus);
    toolBar->addWidget(button);
    connect(button, &QToolButton::clicked, this, handler);
    return button;
}

void MainWindow::buildToolBar()
{
    toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("toolBar"));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    toolBar->toggleViewAction()->setVisible(false);
    toolBar->setIconSize(QSize(32, 32));
    toolBar->setFixedHeight(43);
    toolBar->setContentsMargins(0, 0, 0, 0);
    toolBar->layout()->setSpacing(0);
    toolBar->layout()->setContentsMargins(0, 2, 0, 3);
    addToolBar(Qt::TopToolBarArea, toolBar);

    startButton = addToolButton(QStringLiteral("startButton"), QStringLiteral("开始测试"), QStringLiteral("开始测试"),
                                4, &MainWindow::start);
    siteButton = addToolButton(QStringLiteral("siteButton"), QStringLiteral("网站"),
                               QStringLiteral("访问朗月心理测试网"), 2, &MainWindow::onHomePage);
    updatesButton = addToolButton(QStringLiteral("updatesButton"), QStringLiteral("查看更新"),
                                  QStringLiteral("查看软件更新"), 1, &MainWindow::onUpdates);
    booksButton = addToolButton(QStringLiteral("booksButton"), QStringLiteral("心理学书籍"),
                                QStringLiteral("心理学书籍"), 5, &MainWindow::onBooks);
    contentButton = addToolButton(QStringLiteral("contentButton"), QStringLiteral("测试内容"),
                                  QStringLiteral("查看测试内容"), 7, &MainWindow::onContent);
    quitProgramButton = addToolButton(QStringLiteral("quitProgramButton"), QStringLiteral("退出"),
                                      QStringLiteral("退出程序"), 3, &MainWindow::onQuit);
}

QFrame *MainWindow::buildLeftPane()
{
    catalogPane = pane(QStringLiteral("catalogPane"));
    catalogPane->setMinimumWidth(kPaneMinimum);
    QVBoxLayout *layout = stack(catalogPane);

    searchPane = pane(QStringLiteral("searchPane"));
    searchPane->setFixedHeight(41);
    searchBox = new QLineEdit(searchPane);
    searchBox->setObjectName(QStringLiteral("searchBox"));
    searchBox->setGeometry(8, 10, 121, 19);
    // A flat one-pixel border instead of the style's sunken frame.
    searchBox->setAccessibleName(QStringLiteral("搜索测试"));
    // A flat one-pixel border instead of the style's sunken frame; disabled,
    // it greys like any other text box.
    searchBox->setStyleSheet(QStringLiteral("QLineEdit#searchBox { border: 1px solid palette(dark); padding: 0 1px;"
                                            " background: palette(base); }"
                                            " QLineEdit#searchBox:disabled { border-color: palette(mid);"
                                            " background: palette(window); }"));
    layout->addWidget(searchPane);

    treePane = pane(QStringLiteral("treePane"));
    catalogTree = new CatalogTreeView(treePane);
    catalogTree->setObjectName(QStringLiteral("catalogTree"));
    catalogTree->setAccessibleName(QStringLiteral("测试目录"));
    catalogTree->setDataSource(&m_database->catalogSource);
    stack(treePane)->addWidget(catalogTree);
    layout->addWidget(treePane, 1);
    return catalogPane;
}

QFrame *MainWindow::buildRightPane()
{
    testPane = pane(QStringLiteral("testPane"));
    testPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    testPane->setLineWidth(1);
    testPane->setMinimumWidth(kPaneMinimum);
    QVBoxLayout *layout = stack(testPane);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(buildQuestionArea(), 1);
    layout->addWidget(buildBottomBar());
    return testPane;
}

QFrame *MainWindow::buildBottomBar()
{
    buttonBar = pane(QStringLiteral("buttonBar"));
    buttonBar->setFixedHeight(65);
    buttonBar->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    buttonBar->setAutoFillBackground(true);

    stepButton = new QPushButton(QIcon(startGlyphPath()), QStringLiteral("开始测试"), buttonBar);
    stepButton->setObjectName(QStringLiteral("stepButton"));
    stepButton->setIconSize(QSize(16, 16));
    stepButton->setGeometry(24, 16, 75, 25);
    stepButton->setAutoDefault(true);
    stepButton->setDefault(true);

    // The quit button stands right beside the step button.
    quitButton = new QPushButton(QStringLiteral("退出测试"), buttonBar);
    quitButton->setObjectName(QStringLiteral("quitButton"));
    quitButton->setGeometry(24 + 75 + 8, 16, 75, 25);
    quitButton->setAutoDefault(true);
    quitButton->hide();
    return buttonBar;
}

QFrame *MainWindow::buildQuestionArea()
{
    questionArea = pane(QStringLiteral("questionArea"));
    QVBoxLayout *layout = stack(questionArea);

    titleStrip = pane(QStringLiteral("titleStrip"));
    titleStrip->setFixedHeight(41);
    titleLabel = new BoundLabel(titleStrip);
    titleLabel->setObjectName(QStringLiteral("titleLabel"));
    titleLabel->setFixedSize(233, 25);
    titleLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QFont titleFont = windowsFont(QStringLiteral("MS Sans Serif"));
    titleFont.setPixelSize(16);
    titleFont.setBold(true);
    titleLabel->setFont(titleFont);
    // The red title keeps its light strip under a dark desktop palette.
    fixColours(*titleStrip, fixed_colours::kButtonFace, fixed_colours::kWindowText);
    QPalette titlePalette = titleLabel->palette();
    titlePalette.setColor(QPalette::WindowText, fixed_colours::kTitleText);
    titleLabel->setPalette(titlePalette);
    titleLabel->setDataSource(&m_database->catalogSource);
    titleLabel->setDataField(QStringLiteral("Name"));
    titleStrip->installEventFilter(this);
    layout->addWidget(titleStrip);

    questionStack = pane(QStringLiteral("questionStack"));
    QVBoxLayout *questionLayout = stack(questionStack);
    instructionsPane = new CappedPane;
    instructionsPane->setObjectName(QStringLiteral("instructionsPane"));
    instructionsPane->setFrameShape(QFrame::NoFrame);
    instructionsPane->setMaximumHeight(0);
    instructionsView = new BoundTextView(instructionsPane);
    instructionsView->setObjectName(QStringLiteral("instructionsView"));
    instructionsView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    instructionsView->setTabChangesFocus(true);
    instructionsView->setFocusPolicy(Qt::ClickFocus);
    QFont instructionsFont = windowsFont(QStringLiteral("MS Sans Serif"));
    instructionsFont.setPixelSize(16);
    instructionsView->setFont(instructionsFont);
    instructionsView->setAccessibleName(QStringLiteral("填写说明"));
    fixColours(*instructionsView, fixed_colours::kInfoBackground, fixed_colours::kWindowText);
    instructionsView->setDataSource(&m_database->questionSource);
    instructionsView->setDataField(QStringLiteral("填写说明"));
    stack(instructionsPane)->addWidget(instructionsView);
    questionLayout->addWidget(instructionsPane);

    questionPane = new QScrollArea(questionStack);
    questionPane->setObjectName(QStringLiteral("questionPane"));
    questionPane->setFrameShape(QFrame::NoFrame);
    questionPane->setWidgetResizable(true);
    questionPane->setFocusPolicy(Qt::NoFocus);
    // The instructions pane takes its height from the question pane, which
    // keeps only enough to scroll its content.
    questionPane->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    questionPane->setMinimumHeight(48);
    questionLayout->addWidget(questionPane, 1);
    layout->addWidget(questionStack, 1);
    return questionArea;
}

void MainWindow::placeTitleLabel()
{
    const int centre = int(titleStrip->width() * kTitleCentre + 0.5);
    titleLabel->move(centre - titleLabel->width() / 2, 9);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == titleStrip && event->type() == QEvent::Resize)
        placeTitleLabel();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::bindCommands()
{
    connect(startAction, &QAction::triggered, this, &MainWindow::start);
    connect(homePageAction, &QAction::triggered, this, &MainWindow::onHomePage);
    connect(updatesAction, &QAction::triggered, this, &MainWindow::onUpdates);
    connect(booksAction, &QAction::triggered, this, &MainWindow::onBooks);
    connect(aboutAction, &QAction::triggered, this, &MainWindow::onAbout);
    connect(contentAction, &QAction::triggered, this, &MainWindow::onContent);
    connect(quitAction, &QAction::triggered, this, &MainWindow::onQuit);
    connect(stepButton, &QPushButton::clicked, this, &MainWindow::onStep);
    connect(quitButton, &QPushButton::clicked, this, &MainWindow::finish);
    connect(searchBox, &QLineEdit::textChanged, this, &MainWindow::onSearchChanged);
}

void MainWindow::start()
{
    guarded(this, [this] { m_run->start(); });
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
    guarded(this, [this] { m_run->step(); });
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
        m_about->showAbout();
    });
}

void MainWindow::onQuit()
{
    guarded(this, [] { QCoreApplication::quit(); });
}

void MainWindow::onSearchChanged()
{
    guarded(this, [this] { applyCatalogSearch(m_database->catalog, searchBox->text()); });
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
        stepButton->isVisible() && stepButton->isEnabled()) {
        stepButton->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

} // namespace lovetest
