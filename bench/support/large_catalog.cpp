#include "bench/support/large_catalog.h"

#include <stdexcept>

#include <QFile>

#include <QSqlDatabase>
#include <QSqlQuery>

#include "data/catalog_index.h"
#include "data/codepage.h"
#include "data/sealed_fields.h"
#include "data/split_text.h"
#include "data/test_database.h"
#include "seal/sealing.h"

#include <QDir>
#include <QFileInfo>
#include <QVariant>

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

namespace {

// One database connection for the life of a scope.
class WriterConnection {
public:
    explicit WriterConnection(const QString &path)
    {
        QSqlDatabase file = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kName);
        file.setDatabaseName(path);
        if (!file.open())
            throw std::runtime_error("cannot open the catalog");
    }
    ~WriterConnection()
    {
        QSqlDatabase::database(kName, false).close();
        QSqlDatabase::removeDatabase(kName);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(kName, false); }
    void exec(const QString &sql) const
    {
        QSqlQuery query(db());
        if (!query.exec(sql))
            throw std::runtime_error("cannot write the catalog");
    }

private:
    static constexpr const char *kName = "bench-test-writer";
};

QString sealed(const QString &text)
{
    static const QByteArray dataKeyText = deriveDataKeyText();
    return QString::fromLatin1(sealText(toCp936(text), dataKeyText));
}

} // namespace

void addLookupIndexes(const QString &path)
{
    WriterConnection file(path);
    file.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS \"量表_Parent\" ON \"量表\"(Parent)"));
    file.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS \"结果_lbid\" ON \"结果\"(lbid)"));
    // The catalog rows are a twentieth of a large file: without this index
    // opening the catalog reads every question row's page.
    file.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS \"量表_目录\" ON \"量表\"(目录)"));
    // The catalog tree's own, as the authoring tool writes it.
    file.exec(catalogIndexStatement());
}

void writeTestCatalog(const QString &path, int tests, int questions, bool indexed)
{
    const QString sep = QString::fromLatin1(kTextSeparator);
    const QString noCategories = sealed(QString());
    const QString questionText = sealed(QStringLiteral("当你和恋人意见不合、彼此都不肯让步的时候，你通常会怎样做？"));
    const QString optionValues = sealed(QStringLiteral("1|2|3|4"));
    const QString optionCaptions = sealed(
        QStringList{QStringLiteral("先冷静下来，等双方都平静了再谈"), QStringLiteral("坚持自己的看法，直到对方让步"),
                    QStringLiteral("为了不吵架，先顺着对方"), QStringLiteral("找朋友评理，请第三方来判断")}
            .join(sep));
    const QString thresholds = sealed(QStringLiteral("30|60"));
    const QString verdict = sealed(QStringLiteral("你在感情里很看重沟通，懂得先照顾彼此的情绪。"));
    {
        WriterConnection file(path);
        QSqlDatabase db = file.db();
        TestDatabase::createSchema(db);
        file.exec(QStringLiteral("BEGIN"));
        QSqlQuery row(db);
        row.prepare(
            QStringLiteral("INSERT INTO 量表 (ID, Parent, Name, 目录, 分值, 分值范围, 结果, 参数, 备注, 填写说明) "
                           "VALUES (?, ?, ?, ?, 0, ?, ?, ?, ?, ?)"));
        QSqlQuery verdictRow(db);
        verdictRow.prepare(QStringLiteral("INSERT INTO 结果 (lbid, 类别, 分值范围, 结果) VALUES (?, NULL, ?, ?)"));
        auto exec = [](QSqlQuery &query) {
            if (!query.exec())
                throw std::runtime_error("cannot fill the catalog");
        };
        qint64 id = 0;
        for (int t = 1; t <= tests; ++t) {
            const qint64 testId = ++id;
            row.addBindValue(testId);
            row.addBindValue(testId);
            row.addBindValue(QStringLiteral("爱情心理测试第%1号").arg(t));
            row.addBindValue(1);
            row.addBindValue(noCategories);
            row.addBindValue(noCategories);
            row.addBindValue(1.0);
            row.addBindValue(QStringLiteral("这个测试看看你在恋爱中的相处方式。\r\n请凭第一感觉作答。"));
            row.addBindValue(QVariant());
            exec(row);
            for (int q = 0; q < questions; ++q) {
                row.addBindValue(++id);
                row.addBindValue(testId);
                row.addBindValue(questionText);
                row.addBindValue(0);
                row.addBindValue(optionValues);
                row.addBindValue(optionCaptions);
                row.addBindValue(QVariant());
                row.addBindValue(QVariant());
                row.addBindValue(q == 0 ? QVariant(QStringLiteral("请选择最接近你的一项。")) : QVariant());
                exec(row);
            }
            for (int v = 0; v < 3; ++v) {
                verdictRow.addBindValue(testId);
                verdictRow.addBindValue(thresholds);
                verdictRow.addBindValue(verdict);
                exec(verdictRow);
            }
        }
        file.exec(QStringLiteral("COMMIT"));
    }
    if (indexed)
        addLookupIndexes(path);
}

QString cachedTestCatalog(int tests, bool indexed)
{
    const QString path = QDir(QDir::tempPath())
                             .filePath(QStringLiteral("lovetest-bench-%1-tests%2-v3.mdb")
                                           .arg(tests)
                                           .arg(indexed ? QString() : QStringLiteral("-noindex")));
    if (!QFileInfo::exists(path)) {
        const QString partial = path + QStringLiteral(".part");
        QFile::remove(partial);
        writeTestCatalog(partial, tests, 20, indexed);
        if (!QFile::rename(partial, path))
            throw std::runtime_error("cannot keep the catalog");
    }
    return path;
}

} // namespace lovetest::bench
