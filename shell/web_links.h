#pragma once
#include <QString>

class QWidget;

namespace lovetest {

// Addresses of the product web site's pages, from its host name.
QString homePageAddress(const QString &siteAddress);
QString updatesPageAddress(const QString &siteAddress);
QString booksPageAddress(const QString &siteAddress);

// Opens an address in the user's web browser. When no browser can be
// started, a message shows the address for the user to copy.
void openWebPage(QWidget *parent, const QString &address);

} // namespace lovetest
