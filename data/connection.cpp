#include "connection.h"

#include "database_error.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace lovetest {

namespace {

QString uniqueConnectionName(const QString &objectName)
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("lovetest-%1-%2").arg(objectName).arg(++counter);
}

// The engine's own wording of an error, without Qt's decoration.
QString engineText(const QSqlError &error)
{
    return error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
}

} // namespace

Connection::Connection(const QString &objectName, QObject *parent)
    : QObject(parent), m_connectionName(uniqueConnectionName(objectName))
{
    setObjectName(objectName);
}

Connection::~Connection()
{
    close();
    // The handle must be gone before the connection name is released.
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::removeDatabase(m_connectionName);
}

void Connection::open(const QString &fileName)
{
    if (m_connected)
        return;
    m_fileName = fileName;
    const QString path = QDir::current().absoluteFilePath(fileName);
    // The engine would happily create a missing file; the program must not.
    if (!QFileInfo(path).isFile())
        throw DatabaseError(objectName(), QStringLiteral("Cannot open database file \"%1\": no such file").arg(fileName));

    {
        QSqlDatabase db = QSqlDatabase::contains(m_connectionName)
                              ? QSqlDatabase::database(m_connectionName, false)
                              : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        // mode=rw: read and write, never create (the file may vanish between
        // the check above and this open).
        QUrl uri = QUrl::fromLocalFile(path);
        uri.setQuery(QStringLiteral("mode=rw"));
        db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        if (!db.open()) {
            const QString message = engineText(db.lastError());
            db.close();
            throw DatabaseError(objectName(), message);
        }
        // Opening is lazy: a file that is no database fails only here.
        QSqlQuery probe(db);
        if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            const QString message = engineText(probe.lastError());
            probe = QSqlQuery();
            db.close();
            throw DatabaseError(objectName(), message);
        }
    }
    m_connected = true;
}

void Connection::close()
{
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::database(m_connectionName, false).close();
    m_connected = false;
}

bool Connection::connected() const
{
    return m_connected;
}

QSqlDatabase Connection::db() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

} // namespace lovetest
