#include "bench/support/large_catalog.h"

#include <stdexcept>

#include <QSqlDatabase>
#include <QSqlQuery>

#include "data/test_database.h"

namespace lovetest::bench {

void writeLargeCatalog(const QString &path, int rows, const std::function<QString(int id)> &nameOf)
{
    const QString connection = QStringLiteral("bench-writer");
    {
        QSqlDatabase file = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        file.setDatabaseName(path);
        if (!file.open())
            throw std::runtime_error("cannot create the catalog");
        TestDatabase::createSchema(file);
        QSqlQuery query(file);
        query.exec(QStringLiteral("BEGIN"));
        query.prepare(QStringLiteral("INSERT INTO 量表 (ID, Parent, Name, 目录, 分值) VALUES (?, ?, ?, 1, 0)"));
        for (int id = 1; id <= rows; ++id) {
            query.addBindValue(id);
            query.addBindValue(id <= 100 ? id : id % 100 + 1);
            query.addBindValue(nameOf(id));
            if (!query.exec())
                throw std::runtime_error("cannot fill the catalog");
        }
        QSqlQuery(file).exec(QStringLiteral("COMMIT"));
        file.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

} // namespace lovetest::bench
