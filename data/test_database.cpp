#include "test_database.h"

#include "database_error.h"

#include <QSqlError>
#include <QSqlQuery>

namespace lovetest {

QString closedDatabaseMessage()
{
    return QStringLiteral("测试数据库 %1 没有打开（它应在程序所在的文件夹中），所以没有可以进行的测试。")
        .arg(QString::fromUtf8(kDatabaseFileName));
}

TestDatabase::TestDatabase()
    : ADOConnection1(QStringLiteral("ADOConnection1")),
      ADOQuery1(QStringLiteral("ADOQuery1"), &ADOConnection1, QStringLiteral("量表"), QString::fromUtf8(kCatalogCondition)),
      ADOQuery2(QStringLiteral("ADOQuery2"), &ADOConnection1, QStringLiteral("量表")),
      ADOQuery3(QStringLiteral("ADOQuery3"), &ADOConnection1, QStringLiteral("说明")),
      ADOQuery4(QStringLiteral("ADOQuery4"), &ADOConnection1, QStringLiteral("结果")),
      ADOQuery5(QStringLiteral("ADOQuery5"), nullptr, QString()),
      ADOQuery6(QStringLiteral("ADOQuery6"), nullptr, QString()),
      DataSource1(QStringLiteral("DataSource1"), &ADOQuery1),
      DataSource2(QStringLiteral("DataSource2"), &ADOQuery2),
      DataSource3(QStringLiteral("DataSource3"), &ADOQuery3)
{
}

TestDatabase::~TestDatabase() = default;

QStringList TestDatabase::openAll(const QString &fileName)
{
    QStringList reports;
    openAll(fileName, [&reports](const QString &text) { reports.append(text); });
    return reports;
}

void TestDatabase::openAll(const QString &fileName, const std::function<void(const QString &)> &reportError)
{
    try {
        ADOConnection1.open(fileName);
    } catch (const std::exception &error) {
        reportError(QString::fromUtf8(error.what()));
    }
    for (Dataset *dataSet : {&ADOQuery1, &ADOQuery2, &ADOQuery3, &ADOQuery4}) {
        try {
            dataSet->open();
        } catch (const std::exception &error) {
            reportError(QString::fromUtf8(error.what()));
        }
    }
}

QStringList TestDatabase::schemaStatements()
{
    return {
        QStringLiteral("CREATE TABLE \"量表\" ("
                       "\"ID\" INTEGER PRIMARY KEY, \"Parent\" INTEGER, \"Name\" TEXT, \"目录\" INTEGER, "
                       "\"分值\" INTEGER, \"分值范围\" TEXT, \"结果\" TEXT, \"参数\" REAL, "
                       "\"备注\" TEXT, \"填写说明\" TEXT)"),
        QStringLiteral("CREATE TABLE \"结果\" (\"lbid\" INTEGER, \"类别\" INTEGER, \"分值范围\" TEXT, \"结果\" TEXT)"),
        QStringLiteral("CREATE TABLE \"说明\" (\"ID\" INTEGER PRIMARY KEY, \"内容\" TEXT)"),
    };
}

void TestDatabase::createSchema(QSqlDatabase &db)
{
    for (const QString &statement : schemaStatements()) {
        QSqlQuery query(db);
        if (!query.exec(statement)) {
            const QSqlError error = query.lastError();
            throw DatabaseError(error.databaseText().isEmpty() ? error.driverText() : error.databaseText());
        }
    }
}

} // namespace lovetest
