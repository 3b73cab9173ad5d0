#include "row_cache.h"

#include "connection.h"
#include "database_error.h"
#include "engine_handle.h"

#include <QObject>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <iterator>
#include <numeric>

#include <sqlite3.h>

namespace lovetest {

void RowCache::fail(const QString &message) const
{
    throw DatabaseError(m_owner.objectName(), message);
}

void RowCache::start(Connection *connection, const QString &table, const QString &where, const QStringList &columns,
                     const QList<int> &leadColumns)
{
    clear();
    m_connection = connection;
    m_table = table;
    m_where = where;
    m_columns = columns;
    m_lead.clear();
    m_rest.clear();
    if (!leadColumns.isEmpty()) {
        for (int i = 0; i < columns.size(); ++i)
            (leadColumns.contains(i) ? m_lead : m_rest).append(i);
    }
    if (m_rest.isEmpty())
        m_lead.clear();
    m_all.resize(columns.size());
    std::iota(m_all.begin(), m_all.end(), 0);
    QStringList fetched{QStringLiteral("rowid")};
    for (int i : m_lead.isEmpty() ? std::as_const(m_all) : std::as_const(m_lead))
        fetched.append(quoteSqlIdentifier(columns[i]));
    m_fetchList = fetched.join(QStringLiteral(", "));
    m_restList = m_rest.isEmpty() ? QString() : storedRowSelectList(columns, m_rest);

    QSqlQuery last(connection->db());
    if (!last.exec(QStringLiteral("SELECT max(rowid) FROM ") + quoteSqlIdentifier(table)) || !last.next())
        fail(engineErrorText(last.lastError()));
    m_rowidLimit = last.value(0).isNull() ? 0 : last.value(0).toLongLong();
    m_openedAtChange = connection->lastChangeSeq();
    m_nextSerial = m_rowidLimit + 1;
}

void RowCache::clear()
{
    m_rows.clear();
    m_slices.clear();
    m_gone.clear();
    m_complete = false;
    m_partialRows = false;
}

// ---------------------------------------------------------------- reading rows

std::vector<RowCache::Row> RowCache::fetch(const QString &condition, const QVariantList &values, int limit) const
{
    // Rows above the limit came after opening; a condition leaves them to
    // absorb(), so that the engine looks the condition up through its index
    // rather than walking the rowid range.
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE ").arg(m_fetchList, quoteSqlIdentifier(m_table));
    sql += condition.isEmpty() ? QStringLiteral("rowid<=%1").arg(m_rowidLimit) : condition;
    if (!m_where.isEmpty())
        sql += QStringLiteral(" AND (%1)").arg(m_where);
    // The engine promises no order without one; the file's row order is rowid.
    sql += QStringLiteral(" ORDER BY rowid");
    if (limit >= 0)
        sql += QStringLiteral(" LIMIT %1").arg(limit);

    // Straight from the engine: the driver's row cache and its values
    // per column cost more than everything else in reading a catalog. The
    // values come as the driver gives them, texts as their stored bytes.
    sqlite3 *handle = engineHandle(m_connection->db());
    if (!handle)
        fail(QStringLiteral("The database driver gives no engine handle"));
    auto engineMessage = [handle] { return QString::fromUtf8(sqlite3_errmsg(handle)); };
    sqlite3_stmt *statement = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(handle, text.constData(), int(text.size()), &statement, nullptr) != SQLITE_OK)
        fail(engineMessage());
    auto finalize = qScopeGuard([statement] { sqlite3_finalize(statement); });
    for (int i = 0; i < values.size(); ++i) {
        const QVariant &value = values[i];
        if (value.typeId() == QMetaType::Double)
            sqlite3_bind_double(statement, i + 1, value.toDouble());
        else
            sqlite3_bind_int64(statement, i + 1, value.toLongLong());
    }
    std::vector<Row> rows;
    const qsizetype columnCount = m_columns.size();
    const QList<int> &read = m_lead.isEmpty() ? m_all : m_lead;
    int step;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        Row &row = rows.emplace_back();
        row.rowid = sqlite3_column_int64(statement, 0);
        // A partial row holds values up to its last lead column only.
        row.partial = !m_lead.isEmpty();
        row.values.resize(row.partial ? m_lead.last() + 1 : columnCount);
        for (int k = 0; k < read.size(); ++k) {
            const int column = read[k];
            const int at = k + 1;
            QVariant &cell = row.values[column];
            switch (sqlite3_column_type(statement, at)) {
            case SQLITE_INTEGER:
                cell = QVariant(qlonglong(sqlite3_column_int64(statement, at)));
                break;
            case SQLITE_FLOAT:
                cell = QVariant(sqlite3_column_double(statement, at));
                break;
            case SQLITE_NULL:
                break;
            case SQLITE_BLOB:
                cell = QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(statement, at)),
                                           sqlite3_column_bytes(statement, at)));
                break;
            default: // text
                if (row.partial) {
                    // Lead columns are read for every row at once: converted
                    // here, as value() would (an empty text as a null one).
                    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(statement, at));
                    const int size = sqlite3_column_bytes(statement, at);
                    cell = QVariant(QString::fromUtf8(size > 0 ? QByteArrayView(bytes, size) : QByteArrayView()));
                } else if (column < StoredRow::kRawColumns) {
                    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(statement, at));
                    const int size = sqlite3_column_bytes(statement, at);
                    // An empty text reads as the driver reads an empty blob.
                    cell = QVariant(size > 0 ? QByteArray(bytes, size) : QByteArray());
                    row.rawText |= quint64(1) << column;
                } else {
                    const auto *chars = static_cast<const QChar *>(sqlite3_column_text16(statement, at));
                    cell = QVariant(QString(chars, sqlite3_column_bytes16(statement, at) / int(sizeof(QChar))));
                }
                break;
            }
        }
    }
    if (step != SQLITE_DONE)
        fail(engineMessage());
    return rows;
}

std::map<qint64, const RowChange *> RowCache::changedSinceOpening() const
{
    // The first change after opening holds the row as it stood then.
    std::map<qint64, const RowChange *> changed;
    for (const RowChange &change : m_connection->changes()) {
        if (change.seq > m_openedAtChange && change.table == m_table)
            changed.emplace(change.before.rowid, &change);
    }
    return changed;
}

int RowCache::absorb(std::vector<Row> rows)
{
    // Rows written since opening: as they stood then, or not at all when
    // created since.
    const std::map<qint64, const RowChange *> changed = changedSinceOpening();
    auto take = [this](Row &&row) {
        if (row.rowid > m_rowidLimit || m_gone.contains(row.rowid))
            return;
        // Rows mostly come in rowid order: one look-up, and a hint at the end.
        const auto at = m_rows.lower_bound(row.rowid);
        if (at != m_rows.end() && at->first == row.rowid)
            return;
        row.serial = row.rowid;
        m_partialRows = m_partialRows || row.partial;
        m_rows.emplace_hint(at, row.serial, std::move(row));
    };
    int fresh = 0;
    for (Row &row : rows) {
        if (changed.count(row.rowid))
            continue;
        ++fresh;
        take(std::move(row));
    }
    for (const auto &[rowid, change] : changed) {
        if (change->existed) {
            Row row;
            static_cast<StoredRow &>(row) = change->before;
            take(std::move(row));
        }
    }
    return fresh;
}

void RowCache::loadAll()
{
    if (m_complete)
        return;
    absorb(fetch(QString(), {}));
    m_complete = true;
}

void RowCache::loadSlice(int column, qint64 number)
{
    if (m_complete || m_slices.count({column, number}))
        return;
    // Texts and blobs sort after every number, so the second look-up finds
    // through the same index the rare text that may still read as the number.
    const QString name = quoteSqlIdentifier(m_columns[column]);
    std::vector<Row> rows = fetch(name + QStringLiteral("=?"), {QVariant(number)});
    std::vector<Row> texts = fetch(name + QStringLiteral(">=''"), {});
    std::move(texts.begin(), texts.end(), std::back_inserter(rows));
    absorb(std::move(rows));
    m_slices.insert({column, number});
}

void RowCache::loadFirst()
{
    if (m_complete)
        return;
    // Enough rows that one survives the rows written since opening.
    qsizetype limit = 1 + m_gone.size();
    for (const RowChange &change : m_connection->changes()) {
        if (change.seq > m_openedAtChange)
            ++limit;
    }
    for (;;) {
        std::vector<Row> rows = fetch(QString(), {}, int(limit));
        const qsizetype got = qsizetype(rows.size());
        if (absorb(std::move(rows)) > 0 || got < limit)
            return;
        limit *= 2;
    }
}

// ---------------------------------------------------------------- partial rows

void RowCache::completeRow(Row &row, const std::map<qint64, const RowChange *> &changed)
{
    row.partial = false;
    row.values.resize(m_columns.size());
    const auto change = changed.find(row.rowid);
    if (change != changed.end() && change->second->existed) {
        const StoredRow &before = change->second->before;
        for (int column : std::as_const(m_rest)) {
            if (column < StoredRow::kRawColumns)
                row.rawText |= before.rawText & (quint64(1) << column);
            row.values[column] = before.values.value(column);
        }
        return;
    }
    QSqlQuery query(m_connection->db());
    query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?").arg(m_restList, quoteSqlIdentifier(m_table)));
    query.addBindValue(row.rowid);
    if (!query.exec())
        fail(engineErrorText(query.lastError()));
    if (query.next())
        readStoredValues(query, row, m_rest);
}

const QVariant &RowCache::value(const Row &row, int column)
{
    if (row.partial && !isLead(column))
        completeRow(const_cast<Row &>(row), changedSinceOpening());
    return row.value(column);
}

const QList<QVariant> &RowCache::allValues(const Row &row)
{
    if (row.partial)
        completeRow(const_cast<Row &>(row), changedSinceOpening());
    return row.allValues();
}

void RowCache::completeAll()
{
    if (!m_partialRows)
        return;
    const std::map<qint64, const RowChange *> changed = changedSinceOpening();
    // One pass over the copy's range: far cheaper than a look-up per row.
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE rowid<=%3")
                      .arg(m_restList, quoteSqlIdentifier(m_table))
                      .arg(m_rowidLimit);
    if (!m_where.isEmpty())
        sql += QStringLiteral(" AND (%1)").arg(m_where);
    QSqlQuery query(m_connection->db());
    query.setForwardOnly(true);
    if (!query.exec(sql))
        fail(engineErrorText(query.lastError()));
    while (query.next()) {
        const auto found = m_rows.find(query.value(0).toLongLong());
        if (found == m_rows.end() || !found->second.partial || changed.count(found->first))
            continue;
        found->second.values.resize(m_columns.size());
        readStoredValues(query, found->second, m_rest);
        found->second.partial = false;
    }
    if (query.lastError().isValid())
        fail(engineErrorText(query.lastError()));
    // Rows written since opening, and any the pass above did not meet.
    for (auto &[serial, row] : m_rows) {
        if (row.partial)
            completeRow(row, changed);
    }
    m_partialRows = false;
}

// ---------------------------------------------------------------- own writes

RowCache::Row &RowCache::addInserted(qint64 rowid, const QList<QVariant> &values)
{
    Row row;
    row.rowid = rowid;
    row.serial = m_nextSerial++;
    row.values = values;
    // Read the row back: the engine fills in the key and column defaults.
    QSqlQuery reread(m_connection->db());
    reread.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?")
                       .arg(storedRowSelectList(m_columns), quoteSqlIdentifier(m_table)));
    reread.addBindValue(rowid);
    if (reread.exec() && reread.next())
        static_cast<StoredRow &>(row) = readStoredRow(reread, int(m_columns.size()));
    return m_rows.emplace(row.serial, std::move(row)).first->second;
}

void RowCache::removeRow(qint64 serial)
{
    if (serial <= m_rowidLimit)
        m_gone.insert(serial);
    m_rows.erase(serial);
}

} // namespace lovetest
