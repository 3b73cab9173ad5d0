#pragma once
#include <QByteArray>
#include <QList>

namespace lovetest {

// Separators of the two list-field formats.
inline constexpr char kValueSeparator[] = "|";
inline constexpr char kTextSeparator[] = "{9234856}";

// Splits code page 936 bytes at every occurrence of the separator, compared
// byte by byte, left to right without overlap. Always at least one item;
// empty items are kept.
QList<QByteArray> splitText(const QByteArray &text, const QByteArray &separator);

} // namespace lovetest
