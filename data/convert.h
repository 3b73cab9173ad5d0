#pragma once
#include <QString>
#include <QVariant>

namespace lovetest {

// Decimal text to number, as the system reads numbers stored as text (list
// items, field texts). Leading blanks and a sign are allowed; anything else
// that is not a digit raises ConversionError:
//   toInteger   -> "'%s' is not a valid integer value"  (32-bit range)
//   toInteger64 -> "'%s' is not a valid integer value"
//   toNumber -> "'%s' is not a valid floating point value"
int toInteger(const QString &text);
qint64 toInteger64(const QString &text);
double toNumber(const QString &text);

// Number to text as the system writes it into filter texts and fields.
QString integerText(qint64 value);
QString numberText(double value); // up to 15 significant digits, no exponent for usual values

} // namespace lovetest

namespace lovetest {
// A stored value as text: Null -> "", whole numbers in decimal, other numbers
// by numberText, texts as they are.
QString variantText(const QVariant &value);
} // namespace lovetest
