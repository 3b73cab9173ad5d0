#pragma once

class QCoreApplication;
class QLocale;
class QTranslator;

namespace lovetest {

// Installs Qt's own translations (the file, print and font dialogs, the
// standard buttons) when the language is Chinese. Returns the installed
// translator, owned by the application, or nullptr when the language is
// another or the translation files are not installed.
QTranslator *installToolkitTranslations(QCoreApplication &app, const QLocale &locale);

} // namespace lovetest
