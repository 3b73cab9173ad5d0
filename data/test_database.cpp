#include "test_database.h"

#include "catalog_index.h"
#include "database_error.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace lovetest {

QString closedDatabaseMessage(const QString &fileName)
{
    // The program opens the file against the current folder, wherever the
    // program itself lies.
    const QString path =
        QDir::current().absoluteFilePath(fileName.isEmpty() ? QString::fromUtf8(kDatabaseFileName) : fileName);
    const QString folder = QDir::toNativeSeparators(QFileInfo(path).absolutePath());
    return QStringLiteral(
               "测试数据库 %1 没有打开（程序在当前文件夹 %2 中寻找它；用 lovetest-start 启动程序可备好示例数据库，"
               "或用 lovetest-content build 在这个文件夹中生成一个），所以没有可以进行的测试。")
        .arg(QString::fromUtf8(kDatabaseFileName), folder);
}

TestDatabase::TestDatabase()
    : connection(QString::fromUtf8(message_names::kConnection)),
      catalog(QString::fromUtf8(message_names::kCatalog), &connection, QStringLiteral("量表"),
              QString::fromUtf8(kCatalogCondition)),
      questions(QString::fromUtf8(message_names::kQuestions), &connection, QStringLiteral("量表")),
      instructions(QString::fromUtf8(message_names::kInstructions), &connection, QStringLiteral("说明")),
      verdicts(QString::fromUtf8(message_names::kVerdicts), &connection, QStringLiteral("结果")),
      sealedKeySlot(QString::fromUtf8(message_names::kSealedKeySlot), nullptr, QString()),
      dataKeySlot(QString::fromUtf8(message_names::kDataKeySlot), nullptr, QString()),
      catalogSource(QStringLiteral("catalogSource"), &catalog),
      questionSource(QStringLiteral("questionSource"), &questions),
      instructionSource(QStringLiteral("instructionSource"), &instructions)
{
    // The tree needs only these at start; the rest of a row comes when shown.
    catalog.setLeadColumns(catalogTreeColumns());
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
        connection.open(fileName);
    } catch (const std::exception &error) {
        reportError(QString::fromUtf8(error.what()));
    }
    // A file from before the catalog index gets it on its first writable
    // start; a copy in memory would lose it at the end anyway.
    if (connection.connected() && !connection.readOnly())
        addCatalogIndex(connection.db());
    for (Dataset *dataSet : {&catalog, &questions, &instructions, &verdicts}) {
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
        if (!query.exec(statement))
            throw DatabaseError(engineErrorText(query.lastError()));
    }
}

} // namespace lovetest
