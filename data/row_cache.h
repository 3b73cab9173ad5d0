#pragma once
#include "data/connection.h"
#include "data/stored_row.h"

#include <QList>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <map>
#include <set>
#include <utility>
#include <vector>

class QObject;

namespace lovetest {

// The rows of a dataset's copy read from the file so far.
//
// The copy is "select * from <table> [where <where>]" as it stood when the
// dataset opened: the rows up to the highest rowid of that moment, in rowid
// order. Rows come in on demand: the first row, the rows holding a number in
// one column (through an index on it where the file has one), or all. Rows
// another dataset has written since opening are taken as they stood at
// opening from the connection's record of writes.
//
// Lead columns: with some set, rows come in holding only those (a partial
// row); the rest of a row's values are read when first asked for, for that
// row alone or for every row at once. A catalog that only draws its tree
// this way reads three columns of each row, all from one index.
class RowCache {
public:
    struct Row : StoredRow {
        qint64 serial = -1; // bookmark identity; the rowid for rows read from the file
        bool partial = false; // only the lead columns are read
    };

    // Failures raise DatabaseError under owner's object name.
    explicit RowCache(const QObject &owner) : m_owner(owner) {}

    // Starts a new copy: no row read yet. Raises with the engine's message
    // when the table cannot be read. leadColumns: indexes into columns.
    void start(Connection *connection, const QString &table, const QString &where, const QStringList &columns,
               const QList<int> &leadColumns);
    void clear();

    // The rows read so far, by serial (copy order).
    std::map<qint64, Row> &rows() { return m_rows; }
    bool complete() const { return m_complete; }

    void loadFirst();
    void loadAll();
    void loadSlice(int column, qint64 number);

    // A value of a row, reading the rest of a partial row first when the
    // column is not a lead column.
    const QVariant &value(const Row &row, int column);
    const QList<QVariant> &allValues(const Row &row);
    bool isLead(int column) const { return m_lead.isEmpty() || m_lead.contains(column); }
    // Reads the rest of every partial row (before a pass over all rows that
    // reads other columns).
    void completeAll();

    // A row the dataset has just inserted (rowid set): read back from the
    // file, or kept with values when it cannot be. It joins the copy at its
    // end.
    Row &addInserted(qint64 rowid, const QList<QVariant> &values);
    // A row the dataset has just deleted leaves the copy for good.
    void removeRow(qint64 serial);

private:
    [[noreturn]] void fail(const QString &message) const;
    // Runs the row query: condition, or the copy's rowid range when empty.
    std::vector<Row> fetch(const QString &condition, const QVariantList &values, int limit = -1) const;
    int absorb(std::vector<Row> rows); // returns how many rows of the file were new
    std::map<qint64, const RowChange *> changedSinceOpening() const;
    void completeRow(Row &row, const std::map<qint64, const RowChange *> &changed);

    const QObject &m_owner;
    QPointer<Connection> m_connection;
    QString m_table;
    QString m_where;
    QStringList m_columns;
    QList<int> m_lead; // empty: every column
    QList<int> m_rest; // the columns a partial row lacks
    QList<int> m_all; // every column
    QString m_fetchList; // SELECT list of a fetch: rowid and the columns read
    QString m_restList; // SELECT list of the rest of a partial row

    std::map<qint64, Row> m_rows;
    bool m_complete = false; // every row of the copy is in m_rows
    bool m_partialRows = false; // some row of m_rows is partial
    std::set<std::pair<int, qint64>> m_slices; // (column, number) whose rows are in m_rows
    QSet<qint64> m_gone; // rowids of the copy the dataset deleted
    qint64 m_rowidLimit = 0; // the highest rowid at opening
    quint64 m_openedAtChange = 0; // the connection's last change at opening
    qint64 m_nextSerial = 0; // for new rows: above every rowid of the copy
};

} // namespace lovetest
