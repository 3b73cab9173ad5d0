#pragma once
#include <QString>

#include <stdexcept>

class QSqlError;

namespace lovetest {

// The engine's own wording of an error ("no such table: x", "database is
// locked"), without the driver's decoration; the driver's text when the
// engine gave none.
QString engineErrorText(const QSqlError &error);

// An error raised by the data layer. The text names the object that raised it
// before the message ("catalog: Cannot perform this operation on a closed
// dataset"); what() is that text in UTF-8.
class DatabaseError : public std::runtime_error {
public:
    DatabaseError(const QString &objectName, const QString &message);
    explicit DatabaseError(const QString &message) : DatabaseError(QString(), message) {}

    // The name of the raising object ("questions", "connection"); may be empty.
    const QString &objectName() const { return m_objectName; }
    // The message without the object name.
    const QString &message() const { return m_message; }
    // The full text, as what() gives it.
    QString text() const { return QString::fromUtf8(what()); }

private:
    QString m_objectName;
    QString m_message;
};

// A text that cannot be read as the number asked for, e.g.
// "'abc' is not a valid integer value". Raised without an object name.
class ConversionError : public std::runtime_error {
public:
    explicit ConversionError(const QString &message) : std::runtime_error(message.toStdString()) {}
};

// Message texts shared by the data layer and its users.
namespace dbmsg {
inline constexpr char kClosedDataset[] = "Cannot perform this operation on a closed dataset";
inline constexpr char kEmptyDataset[] = "Cannot perform this operation on an empty dataset";
inline constexpr char kNotEditing[] = "Dataset not in edit or insert mode";
inline constexpr char kReadOnly[] = "Cannot modify a read-only dataset";
inline constexpr char kFieldNotFound[] = "Field '%1' not found"; // QString::arg placeholder
inline constexpr char kRecordNotFound[] = "Record not found";
} // namespace dbmsg

} // namespace lovetest
