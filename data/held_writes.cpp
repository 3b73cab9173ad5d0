#include "data/held_writes.h"

#include <QSqlError>
#include <QSqlQuery>

#include "data/database_error.h"

namespace lovetest {

namespace {

QString quoted(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString statementOf(const HeldWrite &write)
{
    QStringList names;
    for (const QString &column : write.columns)
        names.append(quoted(column));
    switch (write.kind) {
    case HeldWrite::Insert:
        // The row keeps the rowid it has in the copy: later writes name it.
        return QStringLiteral("INSERT INTO %1 (rowid%2) VALUES (?%3)")
            .arg(quoted(write.table),
                 names.isEmpty() ? QString() : QStringLiteral(", ") + names.join(QStringLiteral(", ")),
                 QStringLiteral(", ?").repeated(names.size()));
    case HeldWrite::Update:
        return QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?")
            .arg(quoted(write.table), names.join(QStringLiteral("=?, ")) + QStringLiteral("=?"));
    case HeldWrite::Delete:
        return QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(quoted(write.table));
    }
    return {};
}

} // namespace

bool makeWrite(QSqlDatabase &db, const HeldWrite &write, QString *error)
{
    QSqlQuery query(db);
    if (!query.prepare(statementOf(write))) {
        *error = engineErrorText(query.lastError());
        return false;
    }
    if (write.kind == HeldWrite::Insert)
        query.addBindValue(write.rowid);
    for (const QVariant &value : write.values)
        query.addBindValue(value);
    if (write.kind != HeldWrite::Insert)
        query.addBindValue(write.rowid);
    if (!query.exec()) {
        *error = engineErrorText(query.lastError());
        return false;
    }
    return true;
}

void HeldWrites::append(std::vector<HeldWrite> writes)
{
    for (HeldWrite &write : writes)
        m_writes.push_back(std::move(write));
}

QString HeldWrites::writeTo(QSqlDatabase &db)
{
    QSqlQuery begin(db);
    if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return engineErrorText(begin.lastError());
    QString error;
    for (const HeldWrite &write : m_writes) {
        if (!makeWrite(db, write, &error)) {
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            return error;
        }
    }
    QSqlQuery commit(db);
    if (!commit.exec(QStringLiteral("COMMIT"))) {
        error = engineErrorText(commit.lastError());
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return error;
    }
    m_writes.clear();
    return {};
}

} // namespace lovetest
