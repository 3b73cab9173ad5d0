#pragma once
#include <QString>

namespace lovetest::content {

// Texts are kept with "\n" line breaks in the content format and with CR LF
// in the database, as the program shows and reports them.
QString toStoredText(const QString &text);
QString fromStoredText(const QString &text);

} // namespace lovetest::content
