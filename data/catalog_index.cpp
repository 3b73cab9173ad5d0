#include "catalog_index.h"

#include "engine_handle.h"
#include "stored_row.h"

#include <QScopeGuard>
#include <QSqlQuery>

#include <sqlite3.h>

namespace lovetest {

namespace {
constexpr int kDriverBusyTimeoutMs = 5000;
} // namespace

QStringList catalogTreeColumns()
{
    return {QStringLiteral("ID"), QStringLiteral("Parent"), QStringLiteral("Name")};
}

QString catalogIndexName()
{
    return QStringLiteral("量表_目录树");
}

QString catalogIndexStatement()
{
    // 目录 leads although every entry holds 1: the engine counts an index as
    // covering only when it holds the columns of the where clause too.
    QStringList columns{quoteSqlIdentifier(QStringLiteral("目录"))};
    for (const QString &column : catalogTreeColumns())
        columns.append(quoteSqlIdentifier(column));
    return QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON \"量表\" (%2) WHERE \"目录\"=1")
        .arg(quoteSqlIdentifier(catalogIndexName()), columns.join(QStringLiteral(", ")));
}

void addCatalogIndex(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='index' AND name=?"));
    query.addBindValue(catalogIndexName());
    if (!query.exec() || query.next())
        return;
    // Another program writing the file must not hold up the start: no wait
    // for its lock, then the driver's wait again (QSQLITE_BUSY_TIMEOUT's
    // default, which the connection keeps).
    sqlite3 *handle = engineHandle(db);
    if (handle)
        sqlite3_busy_timeout(handle, 0);
    auto waitAgain = qScopeGuard([handle] {
        if (handle)
            sqlite3_busy_timeout(handle, kDriverBusyTimeoutMs);
    });
    query.exec(catalogIndexStatement());
}

} // namespace lovetest
