#include "tests/support/side_connection.h"

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace lovetest::testing {

SideConnection::SideConnection(const QString &path)
    : m_name(QStringLiteral("side-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(path);
    if (!db.open())
        ADD_FAILURE() << path.toStdString() << ": " << db.lastError().text().toStdString();
}

SideConnection::~SideConnection()
{
    QSqlDatabase::database(m_name, false).close();
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase SideConnection::database() const
{
    return QSqlDatabase::database(m_name);
}

void SideConnection::exec(const QString &sql)
{
    QSqlQuery query(QSqlDatabase::database(m_name));
    if (!query.exec(sql))
        ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
}

QVariant SideConnection::scalar(const QString &sql)
{
    QSqlQuery query(QSqlDatabase::database(m_name));
    if (!query.exec(sql)) {
        ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
        return {};
    }
    return query.next() ? query.value(0) : QVariant();
}

QVariantList SideConnection::column(const QString &sql)
{
    QSqlQuery query(QSqlDatabase::database(m_name));
    if (!query.exec(sql))
        ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
    QVariantList values;
    while (query.next())
        values.append(query.value(0));
    return values;
}

} // namespace lovetest::testing
