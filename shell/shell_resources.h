#pragma once
#include <QIcon>

namespace lovetest {

// Registers the shell's images (":/shell/..."). Needed once because the
// images live in a static library; safe to repeat.
void initShellResources();

// The main window's toolbar images, 32 by 32, by index: 0 web browser,
// 1 gears, 2 house, 3 exit cross, 4 start, 5 books, 6 cards, 7 document.
constexpr int kToolbarImageCount = 8;
QString toolbarImagePath(int index);
QIcon toolbarImageIcon(int index);
// The 16 by 16 glyph of the start button.
QString startGlyphPath();
// The program's icon.
QString programIconPath();

} // namespace lovetest
