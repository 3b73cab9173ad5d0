#include "data/entry_rows.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "data/connection.h"
#include "data/database_error.h"
#include "data/stored_row.h"

namespace lovetest {

namespace {

const QString kCatalogTable = QStringLiteral("量表");
const QString kVerdictTable = QStringLiteral("结果");
// A question row is any row of 量表 that is not a catalog row.
const QString kNotCatalog = QStringLiteral("(\"目录\" IS NULL OR \"目录\"<>1)");

QString numberList(const QList<qint64> &numbers)
{
    QStringList texts;
    texts.reserve(numbers.size());
    for (const qint64 number : numbers)
        texts.append(QString::number(number));
    return texts.join(QLatin1Char(','));
}

QSqlQuery run(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql))
        throw DatabaseError(engineErrorText(query.lastError()));
    return query;
}

EntryRows::Table readTable(const QSqlDatabase &db, const QString &table, const QString &where)
{
    EntryRows::Table result;
    result.name = table;
    QSqlQuery query = run(
        db, QStringLiteral("SELECT rowid, * FROM %1 WHERE %2 ORDER BY rowid").arg(quoteSqlIdentifier(table), where));
    const QSqlRecord record = query.record();
    for (int i = 1; i < record.count(); ++i)
        result.columns.append(record.fieldName(i));
    while (query.next()) {
        result.rowids.push_back(query.value(0).toLongLong());
        QList<QVariant> values;
        values.reserve(result.columns.size());
        for (int i = 1; i < record.count(); ++i)
            values.append(query.value(i));
        result.rows.push_back(std::move(values));
    }
    return result;
}

QList<qint64> numbersOf(QSqlQuery query)
{
    QList<qint64> numbers;
    while (query.next())
        numbers.append(query.value(0).toLongLong());
    return numbers;
}

QList<qint64> rowidsInUse(const QSqlDatabase &db, const QString &table, const std::vector<qint64> &rowids)
{
    if (rowids.empty())
        return {};
    const QList<qint64> wanted(rowids.begin(), rowids.end());
    return numbersOf(run(
        db,
        QStringLiteral("SELECT rowid FROM %1 WHERE rowid IN (%2)").arg(quoteSqlIdentifier(table), numberList(wanted))));
}

void insertTable(Connection &connection, const EntryRows::Table &table, bool keepRowids)
{
    QStringList columns = table.columns;
    if (keepRowids)
        columns.prepend(QStringLiteral("rowid"));
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        QList<QVariant> values = table.rows[i];
        if (keepRowids)
            values.prepend(table.rowids[i]);
        connection.insertRow(table.name, columns, values);
    }
}

} // namespace

EntryRows readEntryRows(const QSqlDatabase &db, const QList<qint64> &keys)
{
    EntryRows rows;
    rows.keys = keys;
    const QString list = numberList(keys);
    rows.catalog = readTable(db, kCatalogTable, QStringLiteral("\"ID\" IN (%1) AND \"目录\"=1").arg(list));
    rows.questions = readTable(db, kCatalogTable, QStringLiteral("\"Parent\" IN (%1) AND %2").arg(list, kNotCatalog));
    rows.verdicts = readTable(db, kVerdictTable, QStringLiteral("\"lbid\" IN (%1)").arg(list));
    return rows;
}

QList<qint64> testsAmong(const QSqlDatabase &db, const QList<qint64> &keys)
{
    if (keys.isEmpty())
        return {};
    return numbersOf(run(db,
                         QStringLiteral("SELECT DISTINCT \"Parent\" FROM \"量表\" WHERE \"Parent\" IN (%1) AND %2")
                             .arg(numberList(keys), kNotCatalog)));
}

QList<qint64> idsInUse(const QSqlDatabase &db, const QList<qint64> &ids)
{
    if (ids.isEmpty())
        return {};
    return numbersOf(run(db, QStringLiteral("SELECT \"ID\" FROM \"量表\" WHERE \"ID\" IN (%1)").arg(numberList(ids))));
}

void removeEntryContent(Connection &connection, const EntryRows &rows)
{
    for (const qint64 rowid : rows.questions.rowids)
        connection.deleteRow(rows.questions.name, rowid);
    for (const qint64 rowid : rows.verdicts.rowids)
        connection.deleteRow(rows.verdicts.name, rowid);
}

void writeEntryRows(Connection &connection, const EntryRows &rows)
{
    const QSqlDatabase db = connection.db();
    std::vector<qint64> keyed = rows.catalog.rowids;
    keyed.insert(keyed.end(), rows.questions.rowids.begin(), rows.questions.rowids.end());
    const QList<qint64> taken = rowidsInUse(db, kCatalogTable, keyed);
    if (!taken.isEmpty())
        throw DatabaseError(QStringLiteral("量表 already holds a row with the ID %1").arg(taken.constFirst()));
    Connection::Transaction transaction(connection);
    insertTable(connection, rows.catalog, true);
    insertTable(connection, rows.questions, true);
    // Only the order among a test's own verdict rows matters: appended in
    // order, they keep it.
    insertTable(connection, rows.verdicts, rowidsInUse(db, kVerdictTable, rows.verdicts.rowids).isEmpty());
    transaction.commit();
}

} // namespace lovetest
