#include "report/report_window.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QRegularExpression>
#include <QShortcut>
#include <QStandardPaths>
#include <QStringList>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "data/text_head.h"
#include "report/comparison_page.h"
#include "report/html_view.h"
#include "report/report_resources.h"
#include "report/result_page.h"
#include "run/pair_result.h"
#include "run/run_result.h"
#include "widgets/dialogs.h"
#include "widgets/guard.h"

namespace lovetest {

namespace {

// The page the view holds before the first report: an empty body.
const QString kEmptyPage = QStringLiteral("\r\n<BODY></BODY>");

// A borderless pane that its one child fills.
QFrame *borderlessBox(const QString &name, QWidget *content, QWidget *parent)
{
    auto *box = new QFrame(parent);
    box->setObjectName(name);
    box->setFrameShape(QFrame::NoFrame);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    return box;
}

} // namespace

QString qtNameFilter(const QString &dialogFilter)
{
    const QStringList parts = dialogFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString &pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty())
                patterns << trimmed;
        }
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
    }
    return filters.join(QLatin1String(";;"));
}

QString ReportWindow::saveFilter()
{
    return qtNameFilter(QStringLiteral("超文本格式(*.Html, *.Htm)|*.html; *.htm"));
}

ReportWindow::ReportWindow(QWidget *parent) : QWidget(parent)
{
    initReportResources();
    if (parent)
        setWindowFlags(Qt::Window);
    setObjectName(QStringLiteral("reportWindow"));
    setWindowTitle(QStringLiteral("reportWindow"));
    // Only the main window's closing ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    // Escape closes (hides) the window, as it closes a dialog.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
    move(210, 125);
    resize(696, 480);

    m_ui.toolBar = new QToolBar;
    m_ui.toolBar->setObjectName(QStringLiteral("toolBar"));
    m_ui.toolBar->setMovable(false);
    m_ui.toolBar->setFloatable(false);
    m_ui.toolBar->setIconSize(QSize(20, 20));
    m_ui.toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);

    m_ui.selectAllButton = addButton(QStringLiteral("selectAllButton"), QStringLiteral("全选"),
                                     QStringLiteral("select_all.svg"), &ReportWindow::onSelectAll);
    m_ui.copyButton = addButton(QStringLiteral("copyButton"), QStringLiteral("复制"), QStringLiteral("copy.svg"),
                                &ReportWindow::onCopy);
    m_ui.copySeparator = addSeparator(QStringLiteral("copySeparator"));
    m_ui.saveButton = addButton(QStringLiteral("saveButton"), QStringLiteral("另存"), QStringLiteral("save.svg"),
                                &ReportWindow::onSaveAs);
    // The commands of result pages only, hidden until one is shown.
    const auto addResultButton = [this](const QString &name, const QString &caption, const QString &iconFile,
                                        void (ReportWindow::*handler)(), QAction *&shownBy) {
        QToolButton *button = addButton(name, caption, iconFile, handler);
        button->setAccessibleName(caption);
        shownBy = m_ui.toolBar->actions().constLast();
        shownBy->setVisible(false);
        return button;
    };
    m_ui.savePdfButton = addResultButton(QStringLiteral("savePdfButton"), QStringLiteral("保存为 PDF"),
                                         QStringLiteral("save.svg"), &ReportWindow::onSavePdf, m_ui.savePdfAction);
    m_ui.saveImageButton =
        addResultButton(QStringLiteral("saveImageButton"), QStringLiteral("保存为图片"), QStringLiteral("save.svg"),
                        &ReportWindow::onSaveImage, m_ui.saveImageAction);
    m_ui.copyImageButton =
        addResultButton(QStringLiteral("copyImageButton"), QStringLiteral("复制图片"), QStringLiteral("copy.svg"),
                        &ReportWindow::onCopyImage, m_ui.copyImageAction);
    // Tab reaches the picture commands, which are new to the window's users.
    m_ui.saveImageButton->setFocusPolicy(Qt::TabFocus);
    m_ui.copyImageButton->setFocusPolicy(Qt::TabFocus);
    m_ui.saveSeparator = addSeparator(QStringLiteral("saveSeparator"));
    m_ui.printButton = addButton(QStringLiteral("printButton"), QStringLiteral("打印"), QStringLiteral("print.svg"),
                                 &ReportWindow::onPrint);
    m_ui.previewButton = addButton(QStringLiteral("previewButton"), QStringLiteral("预览"),
                                   QStringLiteral("preview.svg"), &ReportWindow::onPreview);

    m_ui.toolBarPane = borderlessBox(QStringLiteral("toolBarPane"), m_ui.toolBar, this);
    m_ui.toolBarPane->setFixedHeight(49);

    m_ui.htmlView = new HtmlView;
    m_ui.htmlView->setObjectName(QStringLiteral("htmlView"));
    m_ui.pagePane = borderlessBox(QStringLiteral("pagePane"), m_ui.htmlView, this);

    m_ui.contextMenu = new QMenu(this);
    m_ui.contextMenu->setObjectName(QStringLiteral("contextMenu"));
    m_ui.selectAllAction = m_ui.contextMenu->addAction(QStringLiteral("全选"), this, &ReportWindow::onSelectAll);
    m_ui.selectAllAction->setObjectName(QStringLiteral("selectAllAction"));
    m_ui.copyAction = m_ui.contextMenu->addAction(QStringLiteral("复制"), this, &ReportWindow::onCopy);
    m_ui.copyAction->setObjectName(QStringLiteral("copyAction"));
    m_ui.htmlView->setContextMenu(m_ui.contextMenu);

    // The keyboard reaches every command of the window.
    m_ui.selectAllAction->setShortcut(QKeySequence::SelectAll);
    m_ui.copyAction->setShortcut(QKeySequence::Copy);
    addAction(m_ui.selectAllAction);
    addAction(m_ui.copyAction);
    addShortcut(m_ui.saveButton, QKeySequence::Save);
    addShortcut(m_ui.printButton, QKeySequence::Print);
    addShortcut(m_ui.previewButton, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    m_cardShortcuts = {addShortcut(m_ui.saveImageButton, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)),
                       addShortcut(m_ui.copyImageButton, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C))};
    for (QAction *shortcut : std::as_const(m_cardShortcuts))
        shortcut->setEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_ui.toolBarPane);
    layout->addWidget(m_ui.pagePane, 1);

    m_ui.htmlView->setHtml(kEmptyPage);
    m_ui.htmlView->setFocus();
}

QToolButton *ReportWindow::addButton(const QString &name, const QString &caption, const QString &iconFile,
                                     void (ReportWindow::*handler)())
{
    // Plain buttons rather than actions: the toolbar shows no hints.
    auto *button = new QToolButton;
    button->setObjectName(name);
    button->setText(caption);
    button->setIcon(QIcon(QStringLiteral(":/report/icons/") + iconFile));
    button->setIconSize(QSize(20, 20));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setMinimumSize(31, 40);
    connect(button, &QToolButton::clicked, this, handler);
    m_ui.toolBar->addWidget(button);
    return button;
}

QAction *ReportWindow::addShortcut(QToolButton *button, const QKeySequence &keys)
{
    auto *action = new QAction(button->text(), this);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, button, &QToolButton::click);
    addAction(action);
    return action;
}

QAction *ReportWindow::addSeparator(const QString &name)
{
    QAction *separator = m_ui.toolBar->addSeparator();
    separator->setObjectName(name);
    if (QWidget *widget = m_ui.toolBar->widgetForAction(separator))
        widget->setFixedWidth(8);
    return separator;
}

void ReportWindow::showReport(const QString &pageHtml, const QString &title, const QString &testName)
{
    showCard(std::nullopt);
    showPage(pageHtml, title, testName, false);
}

void ReportWindow::showResultPage(const QString &pageHtml, const QString &title, const QString &testName)
{
    showCard(std::nullopt);
    showPage(pageHtml, title, testName, true);
}

void ReportWindow::showResult(const RunResult &result)
{
    showCard(resultCard(result));
    showPage(resultPage(result), resultPageTitle(result), result.testName, true);
}

void ReportWindow::showPair(const PairResult &pair)
{
    showCard(resultCard(pair));
    showPage(comparisonPage(pair), comparisonPageTitle(pair), pair.first.testName, true);
}

void ReportWindow::showCard(const std::optional<ResultCard> &card)
{
    m_card = card;
    const bool shown = m_card.has_value();
    m_ui.saveImageAction->setVisible(shown);
    m_ui.copyImageAction->setVisible(shown);
    for (QAction *shortcut : std::as_const(m_cardShortcuts))
        shortcut->setEnabled(shown);
}

void ReportWindow::showPage(const QString &pageHtml, const QString &title, const QString &testName, bool resultPage)
{
    // Names the printed document: a long name only as its head.
    m_testName = boundedLine(testName.isEmpty() ? title : testName);
    m_ui.savePdfAction->setVisible(resultPage);
    m_ui.htmlView->setPrintNames(proposedFileName(m_testName, QStringLiteral("pdf")), m_testName);
    m_ui.htmlView->commands()->clear();
    m_ui.htmlView->setHtml(pageHtml);
    setWindowTitle(title);
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void ReportWindow::onSelectAll()
{
    guarded(this, [this] { m_ui.htmlView->commands()->selectAll(); });
}

void ReportWindow::onCopy()
{
    guarded(this, [this] { m_ui.htmlView->commands()->copy(); });
}

void ReportWindow::onSaveAs()
{
    guarded(this, [this] {
        const QString proposed = m_lastSaveName.isEmpty() ? proposedSaveName(m_testName) : m_lastSaveName;
        QString name = Dialogs::instance().saveFileName(this, saveFilter(), saveDefaultExtension(), proposed);
        if (name.isEmpty())
            return;
        if (QFileInfo(name).suffix().isEmpty())
            name += QLatin1Char('.') + saveDefaultExtension();
        m_lastSaveName = name;
        m_ui.htmlView->saveDocumentToFile(name, m_testName);
    });
}

QString ReportWindow::proposedSaveName(const QString &testName)
{
    return proposedFileName(testName, saveDefaultExtension());
}

QString ReportWindow::proposedFileName(const QString &testName, const QString &suffix)
{
    QString base = testName.trimmed();
    // Characters no file name of the common file systems may hold.
    static const QRegularExpression unsafe(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]"));
    base.replace(unsafe, QStringLiteral("_"));
    base.truncate(120);
    if (base.isEmpty() || base == QLatin1String(".") || base == QLatin1String(".."))
        base = QStringLiteral("测试");
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(folder).filePath(base + QLatin1Char('.') + suffix);
}

void ReportWindow::onSavePdf()
{
    guarded(this, [this] {
        const QString proposed =
            m_lastPdfName.isEmpty() ? proposedFileName(m_testName, QStringLiteral("pdf")) : m_lastPdfName;
        QString name = Dialogs::instance().saveFileName(this, pdfFilter(), QStringLiteral("pdf"), proposed);
        if (name.isEmpty())
            return;
        if (QFileInfo(name).suffix().isEmpty())
            name += QStringLiteral(".pdf");
        m_lastPdfName = name;
        m_ui.htmlView->savePdf(name, m_testName);
    });
}

QString ReportWindow::proposedImageName(const QString &testName)
{
    const QString file = QFileInfo(proposedFileName(testName, QStringLiteral("png"))).fileName();
    return QDir(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)).filePath(file);
}

void ReportWindow::onSaveImage()
{
    guarded(this, [this] {
        if (!m_card)
            return;
        const QString proposed = m_lastImageName.isEmpty() ? proposedImageName(m_testName) : m_lastImageName;
        // The dialog asks before an existing file is replaced.
        QString name = Dialogs::instance().saveFileName(this, imageFilter(), QStringLiteral("png"), proposed);
        if (name.isEmpty())
            return;
        if (QFileInfo(name).suffix().isEmpty())
            name += QStringLiteral(".png");
        m_lastImageName = name;
        saveResultCardImage(renderResultCard(*m_card), name);
    });
}

void ReportWindow::onCopyImage()
{
    guarded(this, [this] {
        if (m_card)
            QGuiApplication::clipboard()->setImage(renderResultCard(*m_card));
    });
}

void ReportWindow::onPrint()
{
    guarded(this, [this] { m_ui.htmlView->commands()->print(false); });
}

void ReportWindow::onPreview()
{
    guarded(this, [this] { m_ui.htmlView->commands()->printPreview(); });
}

} // namespace lovetest
