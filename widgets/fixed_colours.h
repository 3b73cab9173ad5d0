#pragma once
#include <QColor>

class QWidget;

namespace lovetest {

// The program's own colours. A pane that draws text in one of them fixes its
// background (and its other text) as well, so it reads the same under a
// light or a dark desktop palette.
namespace fixed_colours {
inline const QColor kButtonFace{240, 240, 240};
inline const QColor kWindowText{0, 0, 0};
inline const QColor kInfoBackground{255, 255, 225};
inline const QColor kChoiceText{128, 0, 0};
// The title's red, deep enough to read at 4.5:1 on the button face.
inline const QColor kTitleText{192, 0, 0};
} // namespace fixed_colours

// Gives widget (and the children that inherit its palette) a fixed
// background for window, base and button, and a fixed colour for every text
// role, and lets it fill its background.
void fixColours(QWidget &widget, const QColor &background, const QColor &text);

// The contrast ratio of two colours as the web's accessibility guidelines
// define it: from 1 (none) to 21 (black on white).
double contrastRatio(const QColor &a, const QColor &b);

} // namespace lovetest
