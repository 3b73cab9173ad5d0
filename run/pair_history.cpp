#include "run/pair_history.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>

#include "data/connection.h"
#include "data/database_error.h"
#include "run/run_history.h"

namespace lovetest {

namespace {

const QString kPairColumn = QStringLiteral("配对");

} // namespace

PairHistory::PairHistory(Connection &connection) : m_connection(connection)
{}

void PairHistory::ensureTables()
{
    QSqlQuery query(m_connection.db());
    if (!query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS 两人测试 (编号 INTEGER PRIMARY KEY AUTOINCREMENT,"
                                   " 时间 TEXT NOT NULL, 第一人 TEXT NOT NULL, 第二人 TEXT NOT NULL)")))
        throw DatabaseError(engineErrorText(query.lastError()));
    if (!query.exec(QStringLiteral("PRAGMA table_info(记录)")))
        throw DatabaseError(engineErrorText(query.lastError()));
    while (query.next()) {
        if (query.value(1).toString() == kPairColumn)
            return;
    }
    if (!query.exec(QStringLiteral("ALTER TABLE 记录 ADD COLUMN 配对 INTEGER")))
        throw DatabaseError(engineErrorText(query.lastError()));
}

qint64 PairHistory::create(const QString &firstName, const QString &secondName, qint64 firstRecord)
{
    if (!m_connection.connected())
        throw DatabaseError(QStringLiteral("no test database is open"));
    Connection::Transaction write(m_connection);
    ensureTables();
    const qint64 id = m_connection.insertRow(
        tableName(), {QStringLiteral("时间"), QStringLiteral("第一人"), QStringLiteral("第二人")},
        {QDateTime::currentDateTime().toString(Qt::ISODateWithMs), firstName, secondName});
    link(firstRecord, id);
    write.commit();
    return id;
}

void PairHistory::link(qint64 record, qint64 pair)
{
    if (!m_connection.updateRow(RunHistory::tableName(), record, {kPairColumn}, {pair}))
        throw DatabaseError(QStringLiteral("the run record is gone"));
}

std::optional<PairHistory::Pair> PairHistory::pair(qint64 id) const
{
    if (!m_connection.connected())
        return std::nullopt;
    QSqlQuery query(m_connection.db());
    query.prepare(QStringLiteral("SELECT 第一人, 第二人 FROM 两人测试 WHERE 编号 = ?"));
    query.addBindValue(id);
    if (!query.exec() || !query.next())
        return std::nullopt;
    Pair found{id, query.value(0).toString(), query.value(1).toString(), {}};
    query = QSqlQuery(m_connection.db());
    query.prepare(QStringLiteral("SELECT 编号, 完成 FROM 记录 WHERE 配对 = ? ORDER BY 编号"));
    query.addBindValue(id);
    if (!query.exec())
        return std::nullopt;
    while (query.next())
        found.members.append({query.value(0).toLongLong(), query.value(1).toInt() != 0});
    return found;
}

std::optional<PairHistory::Pair> PairHistory::pairOf(qint64 record) const
{
    if (!m_connection.connected())
        return std::nullopt;
    QSqlQuery query(m_connection.db());
    query.prepare(QStringLiteral("SELECT 配对 FROM 记录 WHERE 编号 = ? AND 配对 IS NOT NULL"));
    query.addBindValue(record);
    // A file without pairs has no such column: the query fails, no pair.
    if (!query.exec() || !query.next())
        return std::nullopt;
    return pair(query.value(0).toLongLong());
}

QHash<qint64, qint64> PairHistory::links() const
{
    QHash<qint64, qint64> linked;
    if (!m_connection.connected())
        return linked;
    QSqlQuery query(m_connection.db());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT 编号, 配对 FROM 记录 WHERE 配对 IS NOT NULL")))
        return linked;
    while (query.next())
        linked.insert(query.value(0).toLongLong(), query.value(1).toLongLong());
    return linked;
}

QHash<qint64, std::pair<QString, QString>> PairHistory::names() const
{
    QHash<qint64, std::pair<QString, QString>> named;
    if (!m_connection.connected())
        return named;
    QSqlQuery query(m_connection.db());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT 编号, 第一人, 第二人 FROM 两人测试")))
        return named;
    while (query.next())
        named.insert(query.value(0).toLongLong(), {query.value(1).toString(), query.value(2).toString()});
    return named;
}

QList<HistoryRow> historyRows(const QList<RunHistory::Entry> &entries, const QHash<qint64, qint64> &links)
{
    // The listed runs of each pair, by pair.
    QHash<qint64, QList<qsizetype>> members;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (const auto link = links.constFind(entries[i].record); link != links.cend())
            members[*link].append(i);
    }
    QList<HistoryRow> rows;
    rows.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const auto link = links.constFind(entries[i].record);
        const QList<qsizetype> together = link == links.cend() ? QList<qsizetype>() : members.value(*link);
        if (together.size() != 2) {
            rows.append({0, entries[i], {}});
            continue;
        }
        if (together.first() != i)
            continue; // the pair's row stands where its newer run does
        const RunHistory::Entry &one = entries[together[0]];
        const RunHistory::Entry &other = entries[together[1]];
        // The first taker's run was begun first.
        const bool oneFirst = one.record < other.record;
        rows.append({*link, oneFirst ? one : other, oneFirst ? other : one});
    }
    return rows;
}

void PairHistory::dissolve(qint64 id)
{
    const std::optional<Pair> found = pair(id);
    if (!found)
        return;
    Connection::Transaction write(m_connection);
    for (const Member &member : found->members)
        m_connection.updateRow(RunHistory::tableName(), member.record, {kPairColumn}, {QVariant()});
    m_connection.deleteRow(tableName(), id);
    write.commit();
}

} // namespace lovetest
