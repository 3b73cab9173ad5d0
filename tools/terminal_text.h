#pragma once
#include <QString>

namespace lovetest::content {

// Text from content or a database on its way to the terminal: every
// character that could act on the terminal instead of being shown (C0 and
// C1 controls, DEL, the Unicode line and paragraph separators, the bidi
// overrides and isolates) becomes a "\u001B"-style escape, so a name cannot
// set the window title, clear the screen or reorder the line around it.
// With KeepLineBreaks, "\n" and "\r\n" stay as they are (question and verdict
// texts of play); every other control is still escaped.
enum class LineBreaks { Escape, Keep };
QString terminalSafe(const QString &text, LineBreaks lineBreaks = LineBreaks::Escape);

// The longest name a message shows, in characters; a longer one is cut
// there and ends in "…".
constexpr qsizetype kShownNameLength = 60;

// A name as a message shows it: cut to kShownNameLength characters (a
// character outside the BMP counts once and is never split), then made
// terminal safe.
QString shownName(const QString &name);

} // namespace lovetest::content
