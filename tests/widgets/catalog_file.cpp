#include "catalog_file.h"

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace lovetest::testing {

CatalogFile::CatalogFile(const QList<CatalogRow> &rows, bool nullableKeys)
    : m_connection(QUuid::createUuid().toString())
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(path());
    if (!db.open())
        ADD_FAILURE() << db.lastError().text().toStdString();
    for (QString statement : TestDatabase::schemaStatements()) {
        if (nullableKeys)
            statement.replace(QStringLiteral("\"ID\" INTEGER PRIMARY KEY"), QStringLiteral("\"ID\" INTEGER"));
        exec(statement);
    }
    exec(QStringLiteral("CREATE TABLE deleted (id INTEGER)"));
    exec(QStringLiteral("CREATE TRIGGER log_delete AFTER DELETE ON \"量表\" BEGIN "
                        "INSERT INTO deleted VALUES (old.\"ID\"); END"));
    for (const CatalogRow &row : rows) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("INSERT INTO \"量表\" (\"ID\", \"Parent\", \"Name\", \"目录\", \"分值\", \"备注\") "
                                     "VALUES (?, ?, ?, 1, 0, ?)"));
        query.addBindValue(row.id);
        query.addBindValue(row.parent);
        query.addBindValue(row.name);
        query.addBindValue(row.remarks);
        if (!query.exec())
            ADD_FAILURE() << query.lastError().text().toStdString();
    }
}

CatalogFile::~CatalogFile()
{
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

void CatalogFile::exec(const QString &sql)
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    if (!query.exec(sql))
        ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
}

QVariant CatalogFile::scalar(const QString &sql)
{
    QSqlQuery query(QSqlDatabase::database(m_connection));
    if (!query.exec(sql)) {
        ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
        return {};
    }
    return query.next() ? query.value(0) : QVariant();
}

QList<qint64> CatalogFile::deletionLog()
{
    QList<qint64> ids;
    QSqlQuery query(QSqlDatabase::database(m_connection));
    query.exec(QStringLiteral("SELECT id FROM deleted ORDER BY rowid"));
    while (query.next())
        ids.append(query.value(0).toLongLong());
    return ids;
}

std::unique_ptr<TestDatabase> CatalogFile::open()
{
    auto database = std::make_unique<TestDatabase>();
    const QStringList errors = database->openAll(path());
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
    return database;
}

} // namespace lovetest::testing
