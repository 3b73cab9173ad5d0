#pragma once
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace lovetest {

class Connection;

// Everything the file stores for some catalog entries, as it stood when
// read: the entries' catalog rows, the question rows of each and its verdict
// rows, each with its rowid. What a deletion takes away and what an undo or
// a restore of sample tests writes back.
struct EntryRows {
    struct Table {
        QString name;
        QStringList columns;
        std::vector<qint64> rowids;
        std::vector<QList<QVariant>> rows; // one value per column
    };
    QList<qint64> keys; // the entries, as asked for
    Table catalog; // 量表 rows of the entries themselves
    Table questions; // 量表 rows whose Parent is an entry and that are no catalog rows
    Table verdicts; // 结果 rows whose lbid is an entry

    bool isEmpty() const { return catalog.rows.empty() && questions.rows.empty() && verdicts.rows.empty(); }
};

// Reads the rows of keys from db (the program's file or a sample file).
// Raises DatabaseError with the engine's message.
EntryRows readEntryRows(const QSqlDatabase &db, const QList<qint64> &keys);

// Of keys, the entries that have question rows in db: the tests (an entry
// without questions is a folder).
QList<qint64> testsAmong(const QSqlDatabase &db, const QList<qint64> &keys);

// Of ids, those some row of 量表 in db holds as its ID.
QList<qint64> idsInUse(const QSqlDatabase &db, const QList<qint64> &ids);

// Deletes the question and verdict rows of rows (not the catalog rows, which
// the catalog set deletes) through connection, so that every dataset keeps
// seeing them as they stood when it opened. Raises DatabaseError.
void removeEntryContent(Connection &connection, const EntryRows &rows);

// Writes every row of rows back with its rowid, in one transaction: ids and
// the order of the file stay as they were. Verdict rows whose rowids have
// been taken since are appended instead, in their order. Raises
// DatabaseError (nothing written) when a row of 量表 with one of the ids is
// in the file again.
void writeEntryRows(Connection &connection, const EntryRows &rows);

} // namespace lovetest
