#include "database_error.h"

#include <QSqlError>

namespace lovetest {

QString engineErrorText(const QSqlError &error)
{
    return error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
}

static std::string composeText(const QString &objectName, const QString &message)
{
    const QString text = objectName.isEmpty() ? message : objectName + QStringLiteral(": ") + message;
    return text.toStdString();
}

DatabaseError::DatabaseError(const QString &objectName, const QString &message)
    : std::runtime_error(composeText(objectName, message)), m_objectName(objectName), m_message(message)
{}

} // namespace lovetest
