#include "convert.h"

#include "database_error.h"

#include <cmath>
#include <limits>

namespace lovetest {

static ConversionError notInteger(const QString &text)
{
    return ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

qint64 toInteger64(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    if (i >= text.size())
        throw notInteger(text);
    // Accumulate as a negative number so that the lowest value fits.
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            throw notInteger(text);
        const int digit = c - u'0';
        if (value < (std::numeric_limits<qint64>::min() + digit) / 10)
            throw notInteger(text);
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == std::numeric_limits<qint64>::min())
            throw notInteger(text);
        value = -value;
    }
    return value;
}

int toInteger(const QString &text)
{
    const qint64 value = toInteger64(text);
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        throw notInteger(text);
    return int(value);
}

double toNumber(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok); // C locale: '.' as decimal point
    if (!ok || !std::isfinite(value))
        throw ConversionError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return value;
}

QString integerText(qint64 value)
{
    return QString::number(value);
}

QString numberText(double value)
{
    return QString::number(value, 'g', 15);
}

} // namespace lovetest

namespace lovetest {

QString variantText(const QVariant &value)
{
    if (value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QString:
        return *static_cast<const QString *>(value.constData());
    case QMetaType::Double:
    case QMetaType::Float:
        return numberText(value.toDouble());
    case QMetaType::QByteArray:
        return QString::fromUtf8(*static_cast<const QByteArray *>(value.constData()));
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.toString();
    }
}

} // namespace lovetest
