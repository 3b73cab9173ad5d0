#include "field.h"

#include "convert.h"
#include "database_error.h"
#include "dataset.h"

#include <cmath>
#include <limits>

namespace lovetest {

Field::Field(Dataset *dataSet, int index, const QString &name, FieldType type, const QString &declaredType)
    : m_dataSet(dataSet), m_index(index), m_name(name), m_type(type), m_declaredType(declaredType)
{}

int Field::displayWidth() const
{
    switch (m_type) {
    case FieldType::Integer:
    case FieldType::Float:
        return 10;
    case FieldType::String:
    case FieldType::Variant:
        break;
    }
    return 255;
}

bool Field::isValidChar(QChar c) const
{
    switch (m_type) {
    case FieldType::Integer:
        return c.isDigit() || c == u'+' || c == u'-';
    case FieldType::Float:
        return c.isDigit() || c == u'+' || c == u'-' || c == u'.' || c == u'e' || c == u'E';
    case FieldType::String:
    case FieldType::Variant:
        break;
    }
    return true;
}

bool Field::isNull() const
{
    return m_dataSet->fieldValue(m_index).isNull();
}

QVariant Field::value() const
{
    return m_dataSet->fieldValue(m_index);
}

QString Field::asString() const
{
    return variantText(m_dataSet->fieldValue(m_index));
}

static bool isWholeNumberType(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

static bool isFractionType(const QVariant &v)
{
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

qint64 Field::asLargeInt() const
{
    const QVariant &v = m_dataSet->fieldValue(m_index);
    if (v.isNull())
        return 0;
    if (isWholeNumberType(v))
        return v.toLongLong();
    if (isFractionType(v))
        return qRound64(v.toDouble());
    return toInteger64(variantText(v));
}

int Field::asInteger() const
{
    const QVariant &v = m_dataSet->fieldValue(m_index);
    if (v.isNull())
        return 0;
    if (!isWholeNumberType(v) && !isFractionType(v))
        return toInteger(variantText(v));
    const qint64 wide = asLargeInt();
    if (wide < std::numeric_limits<int>::min() || wide > std::numeric_limits<int>::max())
        throw ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(wide));
    return int(wide);
}

double Field::asFloat() const
{
    const QVariant &v = m_dataSet->fieldValue(m_index);
    if (v.isNull())
        return 0.0;
    if (isWholeNumberType(v) || isFractionType(v))
        return v.toDouble();
    return toNumber(variantText(v));
}

void Field::setValue(const QVariant &value)
{
    m_dataSet->checkWritable();
    if (value.isNull()) {
        m_dataSet->setFieldValue(m_index, QVariant(), this);
        return;
    }
    QVariant stored;
    switch (m_type) {
    case FieldType::Integer:
        if (isWholeNumberType(value))
            stored = QVariant(qlonglong(value.toLongLong()));
        else if (isFractionType(value))
            stored = QVariant(qlonglong(qRound64(value.toDouble())));
        else {
            const QString text = variantText(value);
            stored = text.isEmpty() ? QVariant() : QVariant(qlonglong(toInteger64(text)));
        }
        break;
    case FieldType::Float:
        if (isWholeNumberType(value) || isFractionType(value))
            stored = QVariant(value.toDouble());
        else {
            const QString text = variantText(value);
            stored = text.isEmpty() ? QVariant() : QVariant(toNumber(text));
        }
        break;
    case FieldType::String:
        stored = QVariant(variantText(value));
        break;
    case FieldType::Variant:
        stored = value;
        break;
    }
    m_dataSet->setFieldValue(m_index, stored, this);
}

void Field::setAsString(const QString &text)
{
    setValue(QVariant(text));
}

void Field::setAsInteger(int value)
{
    setValue(QVariant(qlonglong(value)));
}

void Field::setAsFloat(double value)
{
    setValue(QVariant(value));
}

} // namespace lovetest
