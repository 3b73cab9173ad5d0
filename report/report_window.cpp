#include "report/report_window.h"

#include <QAction>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QMenu>
#include <QStringList>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "report/html_edit.h"
#include "report/report_resources.h"
#include "widgets/dialogs.h"
#include "widgets/guard.h"

namespace lovetest {

namespace {

// The page the view holds before the first report: an empty body.
const QString emptyPage = QStringLiteral("\r\n<BODY></BODY>");

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

QString TForm3::saveFilter()
{
    return qtNameFilter(QStringLiteral("超文本格式(*.Html, *.Htm)|*.html; *.htm"));
}

TForm3::TForm3(QWidget *parent)
    : QWidget(parent)
{
    initReportResources();
    if (parent)
        setWindowFlags(Qt::Window);
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Form3"));
    // Only the main window's closing ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    move(210, 125);
    resize(696, 480);

    ToolBar1 = new QToolBar;
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(20, 20));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);

    ToolButton3 = addButton(QStringLiteral("ToolButton3"), QStringLiteral("全选"),
                            QStringLiteral("select_all.svg"), &TForm3::ToolButton3Click);
    ToolButton1 = addButton(QStringLiteral("ToolButton1"), QStringLiteral("复制"),
                            QStringLiteral("copy.svg"), &TForm3::ToolButton1Click);
    ToolButton5 = addSeparator(QStringLiteral("ToolButton5"));
    ToolButton2 = addButton(QStringLiteral("ToolButton2"), QStringLiteral("另存"),
                            QStringLiteral("save.svg"), &TForm3::ToolButton2Click);
    ToolButton4 = addSeparator(QStringLiteral("ToolButton4"));
    ToolButton6 = addButton(QStringLiteral("ToolButton6"), QStringLiteral("打印"),
                            QStringLiteral("print.svg"), &TForm3::ToolButton6Click);
    ToolButton7 = addButton(QStringLiteral("ToolButton7"), QStringLiteral("预览"),
                            QStringLiteral("preview.svg"), &TForm3::ToolButton7Click);

    ScrollBox1 = borderlessBox(QStringLiteral("ScrollBox1"), ToolBar1, this);
    ScrollBox1->setFixedHeight(49);

    HtmlEdit1 = new THtmlEdit;
    HtmlEdit1->setObjectName(QStringLiteral("HtmlEdit1"));
    ScrollBox2 = borderlessBox(QStringLiteral("ScrollBox2"), HtmlEdit1, this);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    N1 = PopupMenu1->addAction(QStringLiteral("全选"), this, &TForm3::ToolButton3Click);
    N1->setObjectName(QStringLiteral("N1"));
    N2 = PopupMenu1->addAction(QStringLiteral("复制"), this, &TForm3::ToolButton1Click);
    N2->setObjectName(QStringLiteral("N2"));
    HtmlEdit1->setPopupMenu(PopupMenu1);

    // The keyboard reaches every command of the window.
    N1->setShortcut(QKeySequence::SelectAll);
    N2->setShortcut(QKeySequence::Copy);
    addAction(N1);
    addAction(N2);
    addShortcut(ToolButton2, QKeySequence::Save);
    addShortcut(ToolButton6, QKeySequence::Print);
    addShortcut(ToolButton7, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ScrollBox1);
    layout->addWidget(ScrollBox2, 1);

    HtmlEdit1->setHtml(emptyPage);
    HtmlEdit1->setFocus();
}

QToolButton *TForm3::addButton(const QString &name, const QString &caption,
                               const QString &iconFile, void (TForm3::*handler)())
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
    ToolBar1->addWidget(button);
    return button;
}

void TForm3::addShortcut(QToolButton *button, const QKeySequence &keys)
{
    auto *action = new QAction(button->text(), this);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, button, &QToolButton::click);
    addAction(action);
}

QAction *TForm3::addSeparator(const QString &name)
{
    QAction *separator = ToolBar1->addSeparator();
    separator->setObjectName(name);
    if (QWidget *widget = ToolBar1->widgetForAction(separator))
        widget->setFixedWidth(8);
    return separator;
}

void TForm3::showReport(const QString &pageHtml, const QString &title)
{
    HtmlEdit1->Operate()->Clear();
    HtmlEdit1->setHtml(pageHtml);
    setWindowTitle(title);
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TForm3::ToolButton3Click()
{
    guarded(this, [this] { HtmlEdit1->Operate()->SelectAll(); });
}

void TForm3::ToolButton1Click()
{
    guarded(this, [this] { HtmlEdit1->Operate()->Copy(); });
}

void TForm3::ToolButton2Click()
{
    guarded(this, [this] {
        QString name = Dialogs::instance().saveFileName(this, saveFilter(), saveDefaultExtension(),
                                                         m_lastSaveName);
        if (name.isEmpty())
            return;
        if (QFileInfo(name).suffix().isEmpty())
            name += QLatin1Char('.') + saveDefaultExtension();
        m_lastSaveName = name;
        HtmlEdit1->SaveToFile(name);
    });
}

void TForm3::ToolButton6Click()
{
    guarded(this, [this] { HtmlEdit1->Operate()->Print(false); });
}

void TForm3::ToolButton7Click()
{
    guarded(this, [this] { HtmlEdit1->Operate()->PrintPreview(); });
}

} // namespace lovetest
