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
#include "report/content_report.h"
#include "report/report_window.h"
#include "run/question_panels.h"
#include "run/test_run.h"
#include "seal/keys.h"
#include "seal/seal_codec.h"
#include "seal/sealed_fields.h"
#include "shell/about_window.h"
#include "shell/pane_splitter.h"
#include "shell/run_companion.h"
#include "shell/shell_resources.h"
#include "shell/web_links.h"
#include "widgets/capped_pane.h"
#include "widgets/catalog_search.h"
#include "widgets/db_label.h"
#include "widgets/db_rich_edit.h"
#include "widgets/db_tree_view.h"
#include "widgets/dialogs.h"
#include "widgets/fixed_colours.h"
#include "widgets/guard.h"
#include "widgets/read_only_notice.h"
#include "widgets/status_bar.h"

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

TForm1::TForm1(const QString &databaseFile, QWidget *parent)
    : QMainWindow(parent)
    , m_database(std::make_unique<TestDatabase>())
    , m_codec(std::make_unique<SealCodec>())
    , m_sealed(std::make_unique<SealedFields>(*m_database, *m_codec))
{
    initShellResources();
    setObjectName(QStringLiteral("Form1"));
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
    dxStatusBar1 = new TdxStatusBar(this);
    dxStatusBar1->setObjectName(QStringLiteral("dxStatusBar1"));
    setStatusBar(dxStatusBar1);

    ScrollBox2 = pane(QStringLiteral("ScrollBox2"));
    Splitter1 = new PaneSplitter(Qt::Horizontal, ScrollBox2);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(8);
    Splitter1->addWidget(buildLeftPane());
    Splitter1->addWidget(buildRightPane());
    Splitter1->setCollapsible(0, true);
    Splitter1->setCollapsible(1, false);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kLeftPaneWidth, 688 - kLeftPaneWidth - 8});
    connect(Splitter1, &QSplitter::splitterMoved, this, [this](int position, int) {
        if (position > 0 && position <= kPaneMinimum)
            Splitter1->setSizes({0, Splitter1->width()});
    });
    stack(ScrollBox2)->addWidget(Splitter1);
    setCentralWidget(ScrollBox2);

    m_panels = std::make_unique<QuestionPanels>(
        *m_database, *m_sealed, QuestionPanels::Panes{ScrollBox1, ScrollBox7, cxDBRichEdit1},
        QuestionPanels::RunControls{BitBtn1, BitBtn2, {ToolButton1}, {N2}, dxDBTreeView1, Edit1});
    m_run = std::make_unique<TestRun>(*m_database, *m_sealed, *m_panels);
    m_panels->attach(m_run->state());
    m_report = std::make_unique<ContentReportBuilder>(*m_database, *m_sealed);
    m_companion = std::make_unique<RunCompanion>(
        *m_database, *m_run,
        RunCompanion::Places{this, ScrollBox8, ScrollBox5, m_panels->paneContent(), N1,
                             [this](const QString &page, const QString &title) {
                                 reportWindow()->showReport(page, title);
                             }});

    bindCommands();

    // Tab goes from the search box through the tree and the question pane to
    // the run buttons.
    setTabOrder(Edit1, dxDBTreeView1);
    setTabOrder(dxDBTreeView1, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);

    // The site address is unsealed once; the web commands and the About
    // window use it.
    guarded(this, [this] {
        m_sealed->RefreshDataKey();
        m_siteAddress = fromCp936(m_sealed->unseal(sealedSiteAddress()));
    });

    m_database->openAll(databaseFile, [this](const QString &message) {
        Dialogs::instance().showError(this, message);
    });
    if (m_database->ADOConnection1.readOnly())
        Dialogs::instance().showMessage(this, readOnlyDatabaseNotice(m_database->ADOConnection1.fileName()));
    guarded(this, [this] { FormCreate(); });
}

TForm1::~TForm1()
{
    m_companion.reset();
    // The bound views go before the datasets they follow.
    m_panels.reset();
    delete takeCentralWidget();
}

void TForm1::setWindows(TForm2 *about, TForm3 *report)
{
    m_about = about;
    m_reportWindow = report;
}

void TForm1::FormCreate()
{
    m_panels->ShowRemarks();
}

void TForm1::buildMenu()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    N1 = bar->addMenu(QStringLiteral("操作(&O)"));
    N1->setObjectName(QStringLiteral("N1"));
    N1->menuAction()->setObjectName(QStringLiteral("N1"));
    N2 = N1->addAction(QStringLiteral("开始测试"));
    N2->setObjectName(QStringLiteral("N2"));
    N9 = N1->addAction(QStringLiteral("测试内容"));
    N9->setObjectName(QStringLiteral("N9"));
    N9->setShortcuts({QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)});
    N1->addSeparator()->setObjectName(QStringLiteral("N11"));
    N10 = N1->addAction(QStringLiteral("退出"));
    N10->setObjectName(QStringLiteral("N10"));
    N10->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    N3 = bar->addMenu(QStringLiteral("帮助(&H)"));
    N3->setObjectName(QStringLiteral("N3"));
    N3->menuAction()->setObjectName(QStringLiteral("N3"));
    N7 = N3->addAction(QStringLiteral("访问朗月心理测试网站"));
    N7->setObjectName(QStringLiteral("N7"));
    N4 = N3->addAction(QStringLiteral("查看软件更新"));
    N4->setObjectName(QStringLiteral("N4"));
    N5 = N3->addSeparator();
    N5->setObjectName(QStringLiteral("N5"));
    N8 = N3->addAction(QStringLiteral("心理学书籍"));
    N8->setObjectName(QStringLiteral("N8"));
    N6 = N3->addSeparator();
    N6->setObjectName(QStringLiteral("N6"));
    N101 = N3->addAction(QStringLiteral("关于朗月爱情心理测(娱乐版)1.0"));
    N101->setObjectName(QStringLiteral("N101"));
}

QToolButton *TForm1::addToolButton(const QString &name, const QString &caption, const QString &hint, int image,
                                   void (TForm1::*handler)())
{
    auto *button = new QToolButton(ToolBar1);
    button->setObjectName(name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setIcon(imageList1Icon(image));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setAutoRaise(true);
    button->setFixedSize(39, 38);
    button->setFocusPolicy(Qt::NoFocus);
    ToolBar1->addWidget(button);
    connect(button, &QToolButton::clicked, this, handler);
    return button;
}

void TForm1::buildToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar1->toggleViewAction()->setVisible(false);
    ToolBar1->setIconSize(QSize(32, 32));
    ToolBar1->setFixedHeight(43);
    ToolBar1->setContentsMargins(0, 0, 0, 0);
    ToolBar1->layout()->setSpacing(0);
    ToolBar1->layout()->setContentsMargins(0, 2, 0, 3);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    ToolButton1 = addToolButton(QStringLiteral("ToolButton1"), QStringLiteral("开始测试"), QStringLiteral("开始测试"), 4,
                                &TForm1::xiayibu);
    ToolButton3 = addToolButton(QStringLiteral("ToolButton3"), QStringLiteral("网站"),
                                QStringLiteral("访问朗月心理测试网"), 2, &TForm1::N7Click);
    ToolButton2 = addToolButton(QStringLiteral("ToolButton2"), QStringLiteral("查看更新"), QStringLiteral("查看软件更新"),
                                1, &TForm1::N4Click);
    ToolButton4 = addToolButton(QStringLiteral("ToolButton4"), QStringLiteral("心理学书籍"),
                                QStringLiteral("心理学书籍"), 5, &TForm1::ToolButton4Click);
    ToolButton8 = addToolButton(QStringLiteral("ToolButton8"), QStringLiteral("测试内容"),
                                QStringLiteral("查看测试内容"), 7, &TForm1::ToolButton8Click);
    ToolButton6 = addToolButton(QStringLiteral("ToolButton6"), QStringLiteral("退出"), QStringLiteral("退出程序"), 3,
                                &TForm1::ToolButton6Click);
}

QFrame *TForm1::buildLeftPane()
{
    ScrollBox3 = pane(QStringLiteral("ScrollBox3"));
    ScrollBox3->setMinimumWidth(kPaneMinimum);
    QVBoxLayout *layout = stack(ScrollBox3);

    ScrollBox10 = pane(QStringLiteral("ScrollBox10"));
    ScrollBox10->setFixedHeight(41);
    Edit1 = new QLineEdit(ScrollBox10);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(8, 10, 121, 19);
    // A flat one-pixel border instead of the style's sunken frame.
    Edit1->setAccessibleName(QStringLiteral("搜索测试"));
    // A flat one-pixel border instead of the style's sunken frame; disabled,
    // it greys like any other text box.
    Edit1->setStyleSheet(QStringLiteral("QLineEdit#Edit1 { border: 1px solid palette(dark); padding: 0 1px;"
                                        " background: palette(base); }"
                                        " QLineEdit#Edit1:disabled { border-color: palette(mid);"
                                        " background: palette(window); }"));
    layout->addWidget(ScrollBox10);

    ScrollBox11 = pane(QStringLiteral("ScrollBox11"));
    dxDBTreeView1 = new TdxDBTreeView(ScrollBox11);
    dxDBTreeView1->setObjectName(QStringLiteral("dxDBTreeView1"));
    dxDBTreeView1->setAccessibleName(QStringLiteral("测试目录"));
    dxDBTreeView1->setDataSource(&m_database->DataSource1);
    stack(ScrollBox11)->addWidget(dxDBTreeView1);
    layout->addWidget(ScrollBox11, 1);
    return ScrollBox3;
}

QFrame *TForm1::buildRightPane()
{
    ScrollBox4 = pane(QStringLiteral("ScrollBox4"));
    ScrollBox4->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ScrollBox4->setLineWidth(1);
    ScrollBox4->setMinimumWidth(kPaneMinimum);
    QVBoxLayout *layout = stack(ScrollBox4);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(buildQuestionArea(), 1);
    layout->addWidget(buildBottomBar());
    return ScrollBox4;
}

QFrame *TForm1::buildBottomBar()
{
    ScrollBox5 = pane(QStringLiteral("ScrollBox5"));
    ScrollBox5->setFixedHeight(65);
    ScrollBox5->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    ScrollBox5->setAutoFillBackground(true);

    BitBtn1 = new QPushButton(QIcon(startGlyphPath()), QStringLiteral("开始测试"), ScrollBox5);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setIconSize(QSize(16, 16));
    BitBtn1->setGeometry(24, 16, 75, 25);
    BitBtn1->setAutoDefault(true);
    BitBtn1->setDefault(true);

    // The quit button stands right beside the step button.
    BitBtn2 = new QPushButton(QStringLiteral("退出测试"), ScrollBox5);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(24 + 75 + 8, 16, 75, 25);
    BitBtn2->setAutoDefault(true);
    BitBtn2->hide();
    return ScrollBox5;
}

QFrame *TForm1::buildQuestionArea()
{
    ScrollBox8 = pane(QStringLiteral("ScrollBox8"));
    QVBoxLayout *layout = stack(ScrollBox8);

    ScrollBox9 = pane(QStringLiteral("ScrollBox9"));
    ScrollBox9->setFixedHeight(41);
    cxDBLabel1 = new TcxDBLabel(ScrollBox9);
    cxDBLabel1->setObjectName(QStringLiteral("cxDBLabel1"));
    cxDBLabel1->setFixedSize(233, 25);
    cxDBLabel1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QFont titleFont = windowsFont(QStringLiteral("MS Sans Serif"));
    titleFont.setPixelSize(16);
    titleFont.setBold(true);
    cxDBLabel1->setFont(titleFont);
    // The red title keeps its light strip under a dark desktop palette.
    fixColours(*ScrollBox9, fixed_colours::kButtonFace, fixed_colours::kWindowText);
    QPalette titlePalette = cxDBLabel1->palette();
    titlePalette.setColor(QPalette::WindowText, fixed_colours::kTitleText);
    cxDBLabel1->setPalette(titlePalette);
    cxDBLabel1->setDataSource(&m_database->DataSource1);
    cxDBLabel1->setDataField(QStringLiteral("Name"));
    ScrollBox9->installEventFilter(this);
    layout->addWidget(ScrollBox9);

    ScrollBox6 = pane(QStringLiteral("ScrollBox6"));
    QVBoxLayout *questionLayout = stack(ScrollBox6);
    ScrollBox7 = new CappedPane;
    ScrollBox7->setObjectName(QStringLiteral("ScrollBox7"));
    ScrollBox7->setFrameShape(QFrame::NoFrame);
    ScrollBox7->setMaximumHeight(0);
    cxDBRichEdit1 = new TcxDBRichEdit(ScrollBox7);
    cxDBRichEdit1->setObjectName(QStringLiteral("cxDBRichEdit1"));
    cxDBRichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    cxDBRichEdit1->setTabChangesFocus(true);
    cxDBRichEdit1->setFocusPolicy(Qt::ClickFocus);
    QFont instructionsFont = windowsFont(QStringLiteral("MS Sans Serif"));
    instructionsFont.setPixelSize(16);
    cxDBRichEdit1->setFont(instructionsFont);
    cxDBRichEdit1->setAccessibleName(QStringLiteral("填写说明"));
    fixColours(*cxDBRichEdit1, fixed_colours::kInfoBackground, fixed_colours::kWindowText);
    cxDBRichEdit1->setDataSource(&m_database->DataSource2);
    cxDBRichEdit1->setDataField(QStringLiteral("填写说明"));
    stack(ScrollBox7)->addWidget(cxDBRichEdit1);
    questionLayout->addWidget(ScrollBox7);

    ScrollBox1 = new QScrollArea(ScrollBox6);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setWidgetResizable(true);
    ScrollBox1->setFocusPolicy(Qt::NoFocus);
    // The instructions pane takes its height from the question pane, which
    // keeps only enough to scroll its content.
    ScrollBox1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    ScrollBox1->setMinimumHeight(48);
    questionLayout->addWidget(ScrollBox1, 1);
    layout->addWidget(ScrollBox6, 1);
    return ScrollBox8;
}

void TForm1::placeTitleLabel()
{
    const int centre = int(ScrollBox9->width() * kTitleCentre + 0.5);
    cxDBLabel1->move(centre - cxDBLabel1->width() / 2, 9);
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ScrollBox9 && event->type() == QEvent::Resize)
        placeTitleLabel();
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::bindCommands()
{
    connect(N2, &QAction::triggered, this, &TForm1::xiayibu);
    connect(N7, &QAction::triggered, this, &TForm1::N7Click);
    connect(N4, &QAction::triggered, this, &TForm1::N4Click);
    connect(N8, &QAction::triggered, this, &TForm1::ToolButton4Click);
    connect(N101, &QAction::triggered, this, &TForm1::N101Click);
    connect(N9, &QAction::triggered, this, &TForm1::ToolButton8Click);
    connect(N10, &QAction::triggered, this, &TForm1::ToolButton6Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm1::jieshu);
    connect(Edit1, &QLineEdit::textChanged, this, &TForm1::Edit1Change);
}

void TForm1::xiayibu()
{
    guarded(this, [this] { m_run->xiayibu(); });
}

void TForm1::xiayibu_1()
{
    guarded(this, [this] { m_run->xiayibu_1(); });
}

void TForm1::jieshu()
{
    guarded(this, [this] { m_run->jieshu(); });
}

void TForm1::BitBtn1Click()
{
    guarded(this, [this] { m_run->step(); });
}

void TForm1::N7Click()
{
    guarded(this, [this] { openWebPage(this, homePageAddress(m_siteAddress)); });
}

void TForm1::N4Click()
{
    guarded(this, [this] { openWebPage(this, updatesPageAddress(m_siteAddress)); });
}

void TForm1::ToolButton4Click()
{
    guarded(this, [this] { openWebPage(this, booksPageAddress(m_siteAddress)); });
}

void TForm1::ToolButton8Click()
{
    guarded(this, [this] {
        // The page is built in full before anything reaches the window.
        const ContentReport report = m_report->build();
        reportWindow()->showReport(report.page, report.title);
    });
}

TForm3 *TForm1::reportWindow()
{
    if (!m_reportWindow) {
        auto *window = new TForm3(this);
        window->setWindowFlag(Qt::Window);
        m_reportWindow = window;
    }
    return m_reportWindow;
}

void TForm1::offerResume()
{
    m_companion->offerResume();
}

void TForm1::N101Click()
{
    guarded(this, [this] {
        if (!m_about) {
            auto *window = new TForm2(m_siteAddress, this);
            window->setWindowFlag(Qt::Window);
            m_about = window;
        }
        m_about->showAbout();
    });
}

void TForm1::ToolButton6Click()
{
    guarded(this, [] { QCoreApplication::quit(); });
}

void TForm1::Edit1Change()
{
    guarded(this, [this] { applyCatalogSearch(m_database->ADOQuery1, Edit1->text()); });
}

void TForm1::closeEvent(QCloseEvent *event)
{
    // Closing the main window ends the program, whatever other window is open.
    event->accept();
    QCoreApplication::quit();
}

void TForm1::keyPressEvent(QKeyEvent *event)
{
    // Enter that no control took presses the step button, the window's
    // default button, at once: no press animation delays the step.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier
        && BitBtn1->isVisible() && BitBtn1->isEnabled()) {
        BitBtn1->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

} // namespace lovetest
