#include "shell/application_setup.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLocale>
#include <QStringList>

#include "lovetest_version.h"
#include "shell/shell_resources.h"
#include "shell/toolkit_translations.h"

namespace lovetest {

namespace {

const char *const kFallbacks[] = {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Source Han Sans SC",
                                  "Droid Sans Fallback", "AR PL UMing CN",   nullptr};

QStringList fallbackList()
{
    QStringList families;
    for (const char *const *name = kFallbacks; *name; ++name)
        families << QString::fromLatin1(*name);
    return families;
}

} // namespace

void setUpApplication(QApplication &app)
{
    initShellResources();
    app.setApplicationName(QStringLiteral("lovetest"));
    app.setApplicationVersion(QString::fromLatin1(kProgramVersion));
    app.setWindowIcon(QIcon(programIconPath()));
    installToolkitTranslations(app, QLocale::system());
    const QStringList fallbacks = fallbackList();
    for (const char *face : {"宋体", "SimSun", "MS Sans Serif", "Tahoma"})
        QFont::insertSubstitutions(QString::fromUtf8(face), fallbacks);
    // Widgets without a font of their own show Chinese as well.
    QFont font = app.font();
    QStringList families = font.families();
    if (families.isEmpty())
        families << font.family();
    font.setFamilies(families + fallbacks);
    app.setFont(font);
}

} // namespace lovetest
