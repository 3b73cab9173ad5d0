#pragma once
#include <QHash>
#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "data/held_writes.h"
#include "data/stored_row.h"

#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace lovetest {

// One row write made through a connection, with the row as it stood before:
// what a dataset that has not yet read the row needs to see it as it was
// when the dataset opened.
struct RowChange {
    quint64 seq = 0;
    QString table;
    bool existed = false; // false: the write created the row
    StoredRow before; // the row before the write (rowid always set)
};

// The connection to the test database file (the connection role).
//
// The file is an SQLite database. open() looks the file name up relative to
// the current directory, opens it for reading and writing and never creates
// it: a missing file raises DatabaseError
//   "connection: Cannot open database file \"date.mdb\": no such file".
// Other programs may use the file at the same time.
//
// Each write is one transaction made durable before it returns: the file
// runs in write-ahead-log mode with full sync while connected (one
// fdatasync per commit instead of a rollback journal's four) and goes back
// to a plain rollback-journal file when the connection closes, so the file
// on disk stays one self-contained file.
class Connection : public QObject {
    Q_OBJECT
public:
    explicit Connection(const QString &objectName, QObject *parent = nullptr);
    ~Connection() override;

    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Connects to fileName unless already connected (then does nothing).
    // Raises DatabaseError named after this object on failure and stays
    // disconnected.
    void open(const QString &fileName = QStringLiteral("date.mdb"));
    void close();
    bool connected() const;
    // Connected to an in-memory copy of a file the program may not write:
    // writes succeed and last until the program ends; the file stays as it is.
    bool readOnly() const { return m_connected && m_readOnly; }
    // Why the file is read into memory: the program may not write it, or the
    // disk has no room for the engine's journal at the start.
    enum class ReadOnlyCause { NotWritable, DiskFull };
    ReadOnlyCause readOnlyCause() const { return m_readOnlyCause; }

    // The file name given to the last open() (as given, not made absolute).
    QString fileName() const { return m_fileName; }
    // The engine handle; valid while connected.
    QSqlDatabase db() const;
    // The unique QtSql connection name used by this object.
    QString connectionName() const { return m_connectionName; }

    // Every row write of the program goes through these three, each its own
    // durable commit. They raise DatabaseError (without object name) with
    // the engine's message.
    // Returns the new row's rowid.
    qint64 insertRow(const QString &table, const QStringList &columns, const QList<QVariant> &values);
    // Returns whether the row was still there.
    bool updateRow(const QString &table, qint64 rowid, const QStringList &columns, const QList<QVariant> &values);
    void deleteRow(const QString &table, qint64 rowid);

    // Makes the writes made while it lives one durable commit: BEGIN
    // IMMEDIATE on the outermost one, a savepoint inside another. Without
    // commit() its writes are rolled back when it goes. On a connection not
    // connected it does nothing (the writes themselves raise). The record
    // of writes keeps entries of rolled-back writes: their rows as they
    // stood before are the rows as they stand again.
    class Transaction {
    public:
        // Raises DatabaseError (without object name) when the engine refuses.
        explicit Transaction(Connection &connection);
        ~Transaction();
        Transaction(const Transaction &) = delete;
        Transaction &operator=(const Transaction &) = delete;
        // Raises DatabaseError when the commit fails; the writes are then
        // rolled back when the transaction goes.
        void commit();

    private:
        Connection &m_connection;
        int m_level = -1; // nesting depth from 0; -1: inactive
    };
    // Durable commits so far: outermost transactions and writes made
    // outside any.
    quint64 commitCount() const { return m_commits; }

    // Writes the disk had no room for, kept in the in-memory copy the
    // connection moved to (see writesHeldInMemory), are written to the file
    // now; returns the engine's words when it still refuses them. Tried by
    // itself now and then after later writes, and when the connection closes.
    QString writeHeldBack();
    bool holdsWrites() const { return m_heldInMemory && !m_held.isEmpty(); }

    // The writes so far; seq grows by one per entry and is never reused.
    quint64 lastChangeSeq() const { return m_nextSeq - 1; }
    const std::vector<RowChange> &changes() const { return m_changes; }

signals:
    // A commit failed for want of room on the disk (or an I/O error): the
    // connection moved to an in-memory copy of the file holding every commit
    // so far, made the failed commit there, and goes on there; the file keeps
    // what it had. Said once, with the engine's words.
    void writesHeldInMemory(const QString &reason);
    // Every held write is in the file now.
    void heldWritesStored();

private:
    // Moves to the in-memory copy after a commit the disk refused and makes
    // the refused writes there; false (error set) when it cannot.
    bool holdInMemory(const std::vector<HeldWrite> &refused, const QSqlError &cause);
    void noteWrite(HeldWrite write);
    void tryWriteBack();

    // What a write needs to know of a table, read once per connection.
    struct TableInfo {
        QStringList columns;
        QString rowidAlias; // the INTEGER PRIMARY KEY column, if any
        QString selectRow; // reads one row by rowid
    };
    const TableInfo &tableInfo(const QString &table);
    void logRow(const QString &table, qint64 rowid, bool existsNow);
    void countWrite();
    // Runs a row write; one outside any transaction that the disk has no
    // room for is made in the in-memory copy instead.
    bool execWrite(QSqlQuery &query);
    // A statement prepared once and kept; nullptr (the failed query in
    // m_failedStatement) when the engine refuses it.
    QSqlQuery *statement(const QString &sql);
    QSqlQuery &preparedStatement(const QString &sql); // raises
    [[noreturn]] void failWith(const QSqlQuery &query) const;
    // Raises DatabaseError when the file at the opened path is no longer the
    // file the engine has open (another program renamed a new file over it,
    // or moved it): the write-ahead log beside it would then be applied to
    // the wrong file. The log is emptied into the old file first.
    void ensureSameFile();

    QHash<QString, TableInfo> m_tables;
    std::map<QString, QSqlQuery> m_statements; // stable addresses
    QSqlQuery m_failedStatement;
    std::vector<RowChange> m_changes;
    quint64 m_nextSeq = 1;
    int m_transactionDepth = 0;
    quint64 m_commits = 0;

    QString m_connectionName;
    QString m_fileName = QStringLiteral("date.mdb");
    bool m_connected = false;
    bool m_readOnly = false;
    QString m_path; // absolute, as opened
    std::optional<std::pair<quint64, quint64>> m_identity; // device and inode of the opened file
    bool m_fileReplaced = false;
    // The writes of the transaction under way (savepoint marks per inner
    // level), made again in memory when its commit finds no room.
    std::vector<HeldWrite> m_pending;
    std::vector<size_t> m_savepointMarks;
    bool m_heldInMemory = false;
    HeldWrites m_held;
    std::optional<std::pair<quint64, quint64>> m_identityAtMove;
    qint64 m_lastWriteBack = 0; // msecs since epoch of the last try
    ReadOnlyCause m_readOnlyCause = ReadOnlyCause::NotWritable;
};

} // namespace lovetest
