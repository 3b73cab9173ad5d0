#include "shell/toolkit_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace lovetest {

QTranslator *installToolkitTranslations(QCoreApplication &app, const QLocale &locale)
{
    if (locale.language() != QLocale::Chinese)
        return nullptr;
    auto *translator = new QTranslator(&app);
    // "qt" gathers the catalogs of every Qt module that has one.
    if (!translator->load(locale, QStringLiteral("qt"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !app.installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

} // namespace lovetest
