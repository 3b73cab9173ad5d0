#include "shell/about_window.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

#include "shell/web_links.h"
#include "widgets/guard.h"

namespace lovetest {

TForm2::TForm2(const QString &siteAddress, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint)
    , m_homePage(homePageAddress(siteAddress))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("关于朗月爱情心理测试(娱乐版) V1.0"));
    // Only the main window's closing ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    move(394, 295);
    resize(292, 131);

    Label1 = addLabel(QStringLiteral("Label1"), QStringLiteral("朗月爱情心理测试(娱乐版)  v1.0"), 8);
    Label3 = addLabel(QStringLiteral("Label3"), QStringLiteral("2009年6月"), 29);
    Label2 = addLabel(QStringLiteral("Label2"), m_homePage, 46);
    Label4 = addLabel(QStringLiteral("Label4"),
                      QStringLiteral("联系: lovetest@langyue-xinli.example"), 69);

    QFont linkFont = Label2->font();
    linkFont.setBold(true);
    linkFont.setPixelSize(13);
    Label2->setFont(linkFont);
    QPalette linkPalette = Label2->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    Label2->setPalette(linkPalette);
    Label2->setCursor(Qt::PointingHandCursor);
    Label2->adjustSize();
    Label2->installEventFilter(this);
}

QLabel *TForm2::addLabel(const QString &name, const QString &text, int top)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->move(24, top);
    label->adjustSize();
    return label;
}

void TForm2::showAbout()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TForm2::Label2Click()
{
    guarded(this, [this] { openWebPage(this, m_homePage); });
}

bool TForm2::eventFilter(QObject *watched, QEvent *event)
{
    // A click is a left-button release over the label.
    if (watched == Label2 && event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && Label2->rect().contains(mouse->position().toPoint())) {
            Label2Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace lovetest
