#pragma once
#include <QString>

namespace lovetest {

// How much of a long text a place shows before the user asks for more.
// Multi-line views: enough for every real remark, small enough that any
// text, even one without a single break opportunity, is laid out at once.
inline constexpr qsizetype kShownHeadLength = 5000;
// One-line places (names in titles, tooltips, message boxes, tree labels,
// table cells): far more than any real name, verdict or caption.
inline constexpr qsizetype kShownLineLength = 200;

// Where a head of at most limit characters ends: never inside a surrogate
// pair.
qsizetype headCut(const QString &text, qsizetype limit);

// The text when it fits in limit characters, otherwise its head followed by
// "…" (at most limit + 1 characters).
QString boundedText(const QString &text, qsizetype limit = kShownHeadLength);

// boundedText() for a one-line place.
inline QString boundedLine(const QString &text)
{
    return boundedText(text, kShownLineLength);
}

} // namespace lovetest
