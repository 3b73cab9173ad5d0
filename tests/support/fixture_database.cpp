#include "tests/support/fixture_database.h"

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include "tools/content_db.h"
#include "tools/content_json.h"

namespace lovetest::testing {

FixtureDatabase::FixtureDatabase(const QByteArray &contentJson)
    : m_path(m_dir.filePath(QStringLiteral("date.mdb")))
    , m_connection(QStringLiteral("fixture-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    content::buildDatabase(content::parseContentJson(contentJson), m_path, false);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    if (!db.open())
        ADD_FAILURE() << db.lastError().text().toStdString();
}

FixtureDatabase::~FixtureDatabase()
{
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

void FixtureDatabase::exec(const QString &sql)
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    if (!query.exec(sql))
        ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
}

QVariant FixtureDatabase::scalar(const QString &sql)
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    if (!query.exec(sql) || !query.next()) {
        ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
        return {};
    }
    return query.value(0);
}

} // namespace lovetest::testing
