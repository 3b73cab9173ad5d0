#pragma once
#include <QString>

namespace lovetest {

// A tooltip that shows text exactly as written. Qt takes any tooltip that
// looks like markup for rich text, so a name such as "<img src=…>" would load
// and show a file; the text goes in escaped, inside markup that keeps its
// spaces and line breaks.
QString plainToolTip(const QString &text);

} // namespace lovetest
