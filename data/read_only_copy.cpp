#include "read_only_copy.h"

#include "database_error.h"
#include "engine_handle.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlError>
#include <QUrl>
#include <QVariant>

#include <sqlite3.h>

namespace lovetest {

namespace {

// How long the copy waits for another program's write to end.
constexpr int kBusyTimeoutMs = 5000;

bool fileAndFolderWritable(const QString &path)
{
    const QFileInfo file(path);
    return file.isWritable() && QFileInfo(file.absolutePath()).isWritable();
}

std::function<bool(const QString &)> &writableProbe()
{
    static std::function<bool(const QString &)> probe;
    return probe;
}

struct CopyResult {
    int code = SQLITE_OK; // primary result code
    QString message; // the engine's message when code is not SQLITE_OK
};

// Copies every page of the file at path into the database memory. query
// tells the engine how to read the file.
CopyResult copyFileInto(sqlite3 *memory, const QString &path, const QString &query)
{
    QUrl uri = QUrl::fromLocalFile(path);
    uri.setQuery(query);
    sqlite3 *file = nullptr;
    // Closed on every way out, a failed open included (the handle then
    // carries the message).
    auto closeFile = qScopeGuard([&file] { sqlite3_close(file); });
    const QByteArray name = uri.toString(QUrl::FullyEncoded).toUtf8();
    CopyResult result;
    result.code = sqlite3_open_v2(name.constData(), &file, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    if (result.code != SQLITE_OK) {
        result.message = QString::fromUtf8(sqlite3_errmsg(file));
    } else if (sqlite3_backup *backup = sqlite3_backup_init(memory, "main", file, "main")) {
        sqlite3_busy_timeout(file, kBusyTimeoutMs);
        const int step = sqlite3_backup_step(backup, -1);
        sqlite3_backup_finish(backup);
        if (step != SQLITE_DONE)
            result = {step & 0xff, QString::fromUtf8(sqlite3_errstr(step))};
    } else {
        result = {sqlite3_errcode(memory) & 0xff, QString::fromUtf8(sqlite3_errmsg(memory))};
    }
    return result;
}

// Copies the file at path into the database into as it is committed, its
// write-ahead log included; a log that cannot be read through its shared
// memory (in a folder nobody may write) leaves the file as it stands on disk.
CopyResult copyCommitted(sqlite3 *into, const QString &path)
{
    CopyResult copy = copyFileInto(into, path, QStringLiteral("mode=ro"));
    if ((copy.code == SQLITE_READONLY || copy.code == SQLITE_CANTOPEN) &&
        copyFileInto(into, path, QStringLiteral("immutable=1")).code == SQLITE_OK)
        copy = {};
    return copy;
}

} // namespace

bool databaseWritable(const QString &path)
{
    const auto &probe = writableProbe();
    return probe ? probe(path) : fileAndFolderWritable(path);
}

void setWritableProbe(std::function<bool(const QString &path)> probe)
{
    writableProbe() = std::move(probe);
}

bool openedReadOnly(const QSqlDatabase &db)
{
    sqlite3 *handle = engineHandle(db);
    return handle && sqlite3_db_readonly(handle, "main") == 1;
}

QString openInMemoryCopy(QSqlDatabase &db, const QString &path)
{
    db.setConnectOptions();
    db.setDatabaseName(QStringLiteral(":memory:"));
    if (!db.open())
        return engineErrorText(db.lastError());
    auto closeOnFailure = qScopeGuard([&db] { db.close(); });
    sqlite3 *memory = engineHandle(db);
    if (!memory)
        return QStringLiteral("The database driver gives no engine handle");
    const CopyResult copy = copyCommitted(memory, path);
    if (copy.code == SQLITE_OK)
        closeOnFailure.dismiss();
    return copy.message;
}

QString copyDatabaseFile(const QString &path, const QString &copyPath)
{
    sqlite3 *target = nullptr;
    auto closeTarget = qScopeGuard([&target] { sqlite3_close(target); });
    if (sqlite3_open_v2(copyPath.toUtf8().constData(), &target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK)
        return QString::fromUtf8(sqlite3_errmsg(target));
    // A scratch copy: no journal and no sync, it is written once and whole.
    sqlite3_exec(target, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    return copyCommitted(target, path).message;
}

} // namespace lovetest
