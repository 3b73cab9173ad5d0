#pragma once
#include <QString>
#include <QVariant>

namespace lovetest {

// Decimal text to number, as the system reads numbers stored as text (list
// items, field texts). Leading blanks and a sign are allowed; anything else
// that is not a digit raises ConversionError:
//   StrToInt   -> "'%s' is not a valid integer value"  (32-bit range)
//   StrToInt64 -> "'%s' is not a valid integer value"
//   StrToFloat -> "'%s' is not a valid floating point value"
int StrToInt(const QString &text);
qint64 StrToInt64(const QString &text);
double StrToFloat(const QString &text);

// Number to text as the system writes it into filter texts and fields.
QString IntToStr(qint64 value);
QString FloatToStr(double value);   // up to 15 significant digits, no exponent for usual values

} // namespace lovetest

namespace lovetest {
// A stored value as text: Null -> "", whole numbers in decimal, other numbers
// by FloatToStr, texts as they are.
QString VariantToStr(const QVariant &value);
} // namespace lovetest
