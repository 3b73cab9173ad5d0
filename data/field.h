#pragma once
#include <QString>
#include <QVariant>

namespace lovetest {

class Dataset;

// The kind of value a field holds, taken from the column's declared type in
// the database (SQLite affinity rules): INT... -> FieldType::Integer (Boolean-like
// columns such as 目录 too), REAL/FLOA/DOUB -> FieldType::Float, CHAR/CLOB/TEXT ->
// FieldType::String, anything else (no type, BLOB) -> FieldType::Variant.
enum class FieldType { Integer, Float, String, Variant };

// One column of a dataset, read and written on the dataset's current row.
// Owned by its dataset; a pointer stays valid for the dataset's lifetime.
//
// Reading a field of a closed dataset raises "<dataset>: Cannot perform this
// operation on a closed dataset". On an open dataset without rows every field
// reads as Null. Writing needs the dataset in edit or insert state, otherwise
// "<dataset>: Dataset not in edit or insert mode".
class Field {
public:
    Field(Dataset *dataSet, int index, const QString &name, FieldType type, const QString &declaredType);

    Dataset *dataSet() const { return m_dataSet; }
    int index() const { return m_index; } // position among the dataset's fields
    const QString &name() const { return m_name; } // as the table spells it
    FieldType type() const { return m_type; }
    const QString &declaredType() const { return m_declaredType; }

    // Width in characters a text editor should allow. SQLite keeps no width,
    // so text fields report 255 (the usual text column width of the desktop
    // databases the content was made with); numbers report 10, others 255.
    int displayWidth() const;
    // Whether an editor of this field should accept the character
    // (numbers accept digits, sign and, for FieldType::Float, '.', 'e', 'E').
    bool isValidChar(QChar c) const;

    bool isNull() const;
    QVariant value() const; // Null -> QVariant() (invalid)
    QString asString() const; // Null -> ""
    int asInteger() const; // Null -> 0; non-integer text -> ConversionError
    qint64 asLargeInt() const; // Null -> 0
    double asFloat() const; // Null -> 0.0; non-number text -> ConversionError

    // Writes convert to the field's type. An empty text written into a
    // number field, or QVariant(), stores Null.
    void setValue(const QVariant &value);
    void setAsString(const QString &text);
    void setAsInteger(int value);
    void setAsFloat(double value);
    void clear() { setValue(QVariant()); }

private:
    Dataset *m_dataSet;
    int m_index;
    QString m_name;
    FieldType m_type;
    QString m_declaredType;
};

} // namespace lovetest
