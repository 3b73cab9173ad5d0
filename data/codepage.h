#pragma once
#include <QByteArray>
#include <QString>

namespace lovetest {

// Code page 936 (GBK) conversions. Texts the system keeps as bytes (sealed
// values once unsealed) are converted to Unicode where they are shown.
QString fromCp936(const QByteArray &bytes);
QByteArray toCp936(const QString &text);
// For HTML: a character without a mapping is written as a character
// reference ("&#x1F60A;") instead of "?".
QByteArray toCp936Html(const QString &text);
// True when every character of text has a code page 936 mapping; otherwise
// the first offending character is returned through bad (when given).
bool fitsCp936(const QString &text, QChar *bad = nullptr);
// The first character of text (a surrogate pair whole) without a code page
// 936 form; empty when every character has one.
QString firstCharacterOutsideCp936(const QString &text);

} // namespace lovetest
