#include "shell/about_window.h"

#include <QDir>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QShortcut>

#include "shell/web_links.h"
#include "widgets/guard.h"
#include "widgets/plain_tool_tip.h"

namespace lovetest {

namespace {

const QString kContactAddress = QStringLiteral("lovetest@langyue-xinli.example");

} // namespace

AboutWindow::AboutWindow(const QString &siteAddress, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_homePage(homePageAddress(siteAddress))
{
    setObjectName(QStringLiteral("aboutWindow"));
    setWindowTitle(QStringLiteral("关于朗月爱情心理测试(娱乐版) V1.0"));
    // Only the main window's closing ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    // Escape closes the window, as it closes a dialog.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
    move(394, 295);
    resize(292, 131);

    m_ui.programLabel = addLabel(QStringLiteral("programLabel"), QStringLiteral("朗月爱情心理测试(娱乐版)  v1.0"), 8);
    m_ui.dateLabel = addLabel(QStringLiteral("dateLabel"), QStringLiteral("2009年6月"), 29);
    m_ui.homePageLabel = addLabel(QStringLiteral("homePageLabel"), m_homePage, 46);
    m_ui.noteLabel = addLabel(QStringLiteral("noteLabel"), QStringLiteral("联系: ") + kContactAddress, 69);
    // The address is a mailto: link, opened like the web pages: a message
    // shows it for copying when nothing can open it.
    m_ui.noteLabel->setTextFormat(Qt::RichText);
    m_ui.noteLabel->setText(QStringLiteral("联系: <a href=\"mailto:%1\">%1</a>").arg(kContactAddress));
    m_ui.noteLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_ui.noteLabel->adjustSize();
    connect(m_ui.noteLabel, &QLabel::linkActivated, this,
            [this](const QString &link) { guarded(this, [this, &link] { openWebPage(this, link); }); });

    QFont linkFont = m_ui.homePageLabel->font();
    linkFont.setBold(true);
    linkFont.setPixelSize(13);
    m_ui.homePageLabel->setFont(linkFont);
    QPalette linkPalette = m_ui.homePageLabel->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    m_ui.homePageLabel->setPalette(linkPalette);
    m_ui.homePageLabel->setCursor(Qt::PointingHandCursor);
    m_ui.homePageLabel->adjustSize();
    m_ui.homePageLabel->installEventFilter(this);

    m_ui.dataFolderLabel = addLabel(QStringLiteral("dataFolderLabel"), QString(), 90);
}

void AboutWindow::setDataFolder(const QString &folder)
{
    const QString shown = QDir::toNativeSeparators(folder);
    const QString prefix = QStringLiteral("数据文件夹: ");
    const QFontMetrics metrics(m_ui.dataFolderLabel->font());
    const int room = width() - 2 * m_ui.dataFolderLabel->x() - metrics.horizontalAdvance(prefix);
    m_ui.dataFolderLabel->setText(prefix + metrics.elidedText(shown, Qt::ElideMiddle, room));
    m_ui.dataFolderLabel->setToolTip(plainToolTip(shown));
    m_ui.dataFolderLabel->adjustSize();
}

QLabel *AboutWindow::addLabel(const QString &name, const QString &text, int top)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->move(24, top);
    label->adjustSize();
    return label;
}

void AboutWindow::showAbout()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void AboutWindow::onHomePageLink()
{
    guarded(this, [this] { openWebPage(this, m_homePage); });
}

bool AboutWindow::eventFilter(QObject *watched, QEvent *event)
{
    // A click is a left-button release over the label.
    if (watched == m_ui.homePageLabel && event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && m_ui.homePageLabel->rect().contains(mouse->position().toPoint())) {
            onHomePageLink();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace lovetest
