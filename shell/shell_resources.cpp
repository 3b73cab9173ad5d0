#include "shell/shell_resources.h"

#include <array>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerShellImages()
{
    Q_INIT_RESOURCE(shell);
}

namespace lovetest {

void initShellResources()
{
    static const bool registered = (registerShellImages(), true);
    (void)registered;
}

QString toolbarImagePath(int index)
{
    static const std::array<const char *, kToolbarImageCount> names = {
        "0_browser", "1_gears", "2_house", "3_exit", "4_start", "5_books", "6_cards", "7_document",
    };
    if (index < 0 || index >= kToolbarImageCount)
        return {};
    return QStringLiteral(":/shell/toolbar/%1.svg").arg(QLatin1String(names[index]));
}

QIcon toolbarImageIcon(int index)
{
    initShellResources();
    const QString path = toolbarImagePath(index);
    return path.isEmpty() ? QIcon() : QIcon(path);
}

QString startGlyphPath()
{
    return QStringLiteral(":/shell/start_glyph.svg");
}

QString programIconPath()
{
    return QStringLiteral(":/shell/lovetest.svg");
}

} // namespace lovetest
