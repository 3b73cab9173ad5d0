#include "catalog_file.h"

#include <gtest/gtest.h>

#include <QSqlError>
#include <QSqlQuery>

namespace lovetest::testing {

CatalogFile::CatalogFile(const QList<CatalogRow> &rows, bool nullableKeys)
{
    for (QString statement : TestDatabase::schemaStatements()) {
        if (nullableKeys)
            statement.replace(QStringLiteral("\"ID\" INTEGER PRIMARY KEY"), QStringLiteral("\"ID\" INTEGER"));
        exec(statement);
    }
    exec(QStringLiteral("CREATE TABLE deleted (id INTEGER)"));
    exec(QStringLiteral("CREATE TRIGGER log_delete AFTER DELETE ON \"量表\" BEGIN "
                        "INSERT INTO deleted VALUES (old.\"ID\"); END"));
    QSqlQuery query(m_side.database());
    query.prepare(QStringLiteral("INSERT INTO \"量表\" (\"ID\", \"Parent\", \"Name\", \"目录\", \"分值\", \"备注\") "
                                 "VALUES (?, ?, ?, 1, 0, ?)"));
    for (const CatalogRow &row : rows) {
        query.addBindValue(row.id);
        query.addBindValue(row.parent);
        query.addBindValue(row.name);
        query.addBindValue(row.remarks);
        if (!query.exec())
            ADD_FAILURE() << query.lastError().text().toStdString();
    }
}

QList<qint64> CatalogFile::deletionLog()
{
    QList<qint64> ids;
    for (const QVariant &id : m_side.column(QStringLiteral("SELECT id FROM deleted ORDER BY rowid")))
        ids.append(id.toLongLong());
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
