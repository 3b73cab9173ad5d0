#include "fixture.h"

#include "data/test_database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>

#include <stdexcept>

namespace lovetest::testing {

DatabaseFile::DatabaseFile(bool withSchema)
{
    static int counter = 0;
    m_connectionName = QStringLiteral("fixture-%1").arg(++counter);
    m_previousDir = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    if (!withSchema)
        return;
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    database.setDatabaseName(path());
    if (!database.open())
        throw std::runtime_error("fixture cannot create date.mdb");
    TestDatabase::createSchema(database);
    // The fixture's own writes need no durability; keeps the tests fast.
    exec(QStringLiteral("PRAGMA synchronous=OFF"));
}

DatabaseFile::~DatabaseFile()
{
    if (QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase::database(m_connectionName, false).close();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
    QDir::setCurrent(m_previousDir);
}

QSqlDatabase DatabaseFile::db() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

void DatabaseFile::exec(const QString &sql, const QVariantList &values)
{
    QSqlQuery query(db());
    query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw std::runtime_error(("fixture: " + sql + ": " + query.lastError().text()).toStdString());
}

QVariant DatabaseFile::scalar(const QString &sql, const QVariantList &values)
{
    QSqlQuery query(db());
    query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw std::runtime_error(("fixture: " + sql + ": " + query.lastError().text()).toStdString());
    return query.next() ? query.value(0) : QVariant();
}

void DatabaseFile::addItem(int id, const QVariant &parent, const QString &name, bool catalog, const QVariant &score,
                           const QVariant &factor)
{
    exec(QStringLiteral("INSERT INTO 量表 (ID, Parent, Name, 目录, 分值, 参数) VALUES (?, ?, ?, ?, ?, ?)"),
         {id, parent, name, catalog ? 1 : 0, score, factor});
}

void DatabaseFile::addVerdict(int lbid, int category, const QString &thresholds, const QString &verdicts)
{
    exec(QStringLiteral("INSERT INTO 结果 (lbid, 类别, 分值范围, 结果) VALUES (?, ?, ?, ?)"),
         {lbid, category, thresholds, verdicts});
}

void DatabaseFile::fillSample()
{
    exec(QStringLiteral("BEGIN"));
    addItem(1, QVariant(), QStringLiteral("爱情测试"), true);
    addItem(2, 1, QStringLiteral("初恋测试 Alpha"), true, 0, 1.5);
    addItem(3, 3, QStringLiteral("婚姻测试 beta"), true, 0, 2.0);
    addItem(10, 2, QStringLiteral("Q1"), false, 3);
    addItem(11, 2, QStringLiteral("Q2"), false);
    addItem(12, 3, QStringLiteral("Q3"), false, 1);
    addVerdict(2, 0, QStringLiteral("10|20"), QStringLiteral("a{9234856}b{9234856}c"));
    addVerdict(3, 1, QStringLiteral("5"), QStringLiteral("x{9234856}y"));
    addVerdict(3, 2, QStringLiteral("6"), QStringLiteral("z{9234856}w"));
    exec(QStringLiteral("INSERT INTO 说明 (内容) VALUES ('说明')"));
    exec(QStringLiteral("COMMIT"));
}

QStringList contents(const QSqlDatabase &db)
{
    QStringList lines;
    QSqlQuery tables(db);
    tables.exec(QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY rowid"));
    while (tables.next()) {
        lines << tables.value(2).toString();
        if (tables.value(0).toString() != QStringLiteral("table"))
            continue;
        QSqlQuery rows(db);
        rows.exec(QStringLiteral("SELECT rowid, * FROM \"%1\"").arg(tables.value(1).toString()));
        while (rows.next()) {
            QStringList values;
            for (int i = 0; i < rows.record().count(); ++i)
                values << QStringLiteral("%1:%2").arg(rows.value(i).typeName(), rows.value(i).toString());
            lines << values.join(QLatin1Char('|'));
        }
    }
    return lines;
}

QStringList fileContents(const QString &path)
{
    const QString name = QStringLiteral("fixture-file-reader");
    QStringList lines;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        QUrl uri = QUrl::fromLocalFile(path);
        uri.setQuery(QStringLiteral("mode=ro"));
        db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        if (db.open())
            lines = contents(db);
    }
    QSqlDatabase::removeDatabase(name);
    return lines;
}

} // namespace lovetest::testing
