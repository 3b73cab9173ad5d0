#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

class QSqlDatabase;

namespace lovetest {

// One row write as the program made it, enough to make it again on another
// copy of the database: by table and rowid, with the written values.
struct HeldWrite {
    enum Kind { Insert, Update, Delete };
    Kind kind = Update;
    QString table;
    qint64 rowid = 0;
    QStringList columns;
    QList<QVariant> values;
};

// Writes the program made while the disk had no room for them: they live in
// the in-memory copy the program works on, and are written to the file again,
// in order, in one transaction, when it takes them.
class HeldWrites {
public:
    bool isEmpty() const { return m_writes.empty(); }
    void append(std::vector<HeldWrite> writes);
    // Makes every write on db (a connection to the file) in one transaction;
    // returns the engine's words on failure (db then unchanged), or an empty
    // text, after which nothing is held any more.
    QString writeTo(QSqlDatabase &db);

private:
    std::vector<HeldWrite> m_writes;
};

// Makes one write on db; false (the engine's words in *error) when refused.
bool makeWrite(QSqlDatabase &db, const HeldWrite &write, QString *error);

} // namespace lovetest
