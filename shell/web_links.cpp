#include "shell/web_links.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include "widgets/dialogs.h"

namespace lovetest {

QString homePageAddress(const QString &siteAddress)
{
    return QStringLiteral("http://") + siteAddress;
}

QString updatesPageAddress(const QString &siteAddress)
{
    return homePageAddress(siteAddress) + QStringLiteral("/RUANJIANGONGJU/");
}

QString booksPageAddress(const QString &siteAddress)
{
    return homePageAddress(siteAddress) + QStringLiteral("/XINLIXUEJICHU/XINLIXUESHUJI/");
}

void openWebPage(QWidget *parent, const QString &address)
{
    QPointer<QWidget> owner = parent;
    Dialogs::instance().openUrl(parent, QUrl(address), [owner, address] {
        Dialogs::instance().showMessage(
            owner, QStringLiteral("无法启动网页浏览器。请复制下面的网址，在浏览器中打开：\n\n") + address);
    });
}

} // namespace lovetest
