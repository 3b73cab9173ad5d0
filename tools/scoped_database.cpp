#include "tools/scoped_database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include "data/database_error.h"
#include "tools/content_model.h"

namespace lovetest::content {

ScopedDatabase::ScopedDatabase(const QString &path, const QString &shownName, bool readOnly)
    : m_name(QStringLiteral("lovetest-content-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(path);
    if (readOnly)
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.open())
        throw ContentError(QStringLiteral("%1: %2").arg(shownName, reason(db.lastError())).toStdString());
}

ScopedDatabase::~ScopedDatabase()
{
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase ScopedDatabase::db() const
{
    return QSqlDatabase::database(m_name, false);
}

QString ScopedDatabase::reason(const QSqlError &error)
{
    const QString text = engineErrorText(error);
    if (text.contains(QLatin1String("locked")))
        return text + QStringLiteral(" (another program is writing it; try again when it has finished)");
    return text;
}

void exec(QSqlQuery &query, const QString &what)
{
    if (!query.exec())
        throw ContentError(QStringLiteral("%1: %2").arg(what, ScopedDatabase::reason(query.lastError())).toStdString());
}

} // namespace lovetest::content
