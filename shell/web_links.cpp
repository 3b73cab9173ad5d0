#include "shell/web_links.h"

#include <QUrl>

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
    Dialogs::instance().openUrl(parent, QUrl(address));
}

} // namespace lovetest
