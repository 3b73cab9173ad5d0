#pragma once
#include <QSqlDatabase>
#include <QString>

#include <functional>

namespace lovetest {

// A database file the program may not write (a read-only file, or a file in
// a read-only folder, such as one installed for all users) is worked on as a
// copy in memory: every write of the program lands in the copy and is gone
// when the program ends, while the file stays untouched.

// Whether the program may write the database file at path: the file itself
// and its folder, where the engine keeps its journal and write-ahead log.
bool databaseWritable(const QString &path);

// Replaces the check above (tests: permission bits do not bind the
// superuser); an empty probe restores the real check.
void setWritableProbe(std::function<bool(const QString &path)> probe);

// Whether the engine opened db without write access although it was asked
// for it (it falls back to reading a file it cannot write).
bool openedReadOnly(const QSqlDatabase &db);

// Opens db (an added, closed QtSql connection) as an in-memory database
// holding a whole copy of the file at path, which is only read: every table,
// row, rowid, type and index as in the file. Returns the engine's message
// on failure (db is then closed), an empty text on success.
QString openInMemoryCopy(QSqlDatabase &db, const QString &path);

// Writes the same whole copy of the file at path into the database file at
// copyPath (made when missing): for a reader that must not write the file and
// would rather not hold all of it in memory. Returns the engine's message on
// failure, an empty text on success.
QString copyDatabaseFile(const QString &path, const QString &copyPath);

} // namespace lovetest
