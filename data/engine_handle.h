#pragma once
#include <QSqlDatabase>

struct sqlite3;

namespace lovetest {

// The engine's own connection behind a QtSql connection (the Qt driver and
// this program share the system's SQLite library), or nullptr when the
// driver gives none.
sqlite3 *engineHandle(const QSqlDatabase &db);

} // namespace lovetest
