#include "daily_backup.h"

#include "engine_handle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QUrl>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef __linux__
#include <pthread.h>
#include <sched.h>
#endif

namespace lovetest {

namespace {

// Pages copied between looks at the stop flag.
constexpr int kPagesPerStep = 256;
// How long a copy waits for another connection's lock, in pauses of kPauseMs.
constexpr int kPauseMs = 20;
constexpr int kMaxPauses = 250;
// A partial file older than this belongs to a copy that died with its program.
constexpr int kStalePartialSecs = 600;

const QString kFolderName = QStringLiteral("backups");
const QString kPartialSuffix = QStringLiteral(".partial");

QString stemOf(const QString &databasePath)
{
    return QFileInfo(databasePath).completeBaseName();
}

QString suffixOf(const QString &databasePath)
{
    const QString suffix = QFileInfo(databasePath).suffix();
    return suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix;
}

QString backupPath(const QString &databasePath, const QString &stamp)
{
    return backupFolder(databasePath) + QLatin1Char('/') + stemOf(databasePath) + QLatin1Char('-') + stamp +
        suffixOf(databasePath);
}

QString engineMessage(int code, sqlite3 *handle)
{
    // The handle's message is the more precise one when it speaks of code.
    if (handle && (sqlite3_errcode(handle) & 0xff) == (code & 0xff))
        return QString::fromUtf8(sqlite3_errmsg(handle));
    return QString::fromUtf8(sqlite3_errstr(code));
}

// Runs a backup to its end, waiting out other connections' locks for a
// while. Returns SQLITE_DONE or the failing code; SQLITE_INTERRUPT on stop.
int runBackup(sqlite3_backup *backup, int pagesPerStep, const std::atomic<bool> *stop)
{
    int pauses = 0;
    for (;;) {
        if (stop && stop->load())
            return SQLITE_INTERRUPT;
        const int rc = sqlite3_backup_step(backup, pagesPerStep);
        if (rc == SQLITE_DONE || (rc != SQLITE_OK && rc != SQLITE_BUSY && rc != SQLITE_LOCKED))
            return rc;
        if (rc != SQLITE_OK) {
            if (++pauses > kMaxPauses)
                return rc;
            sqlite3_sleep(kPauseMs);
        }
    }
}

sqlite3 *openReader(const QString &path, int *rc)
{
    QUrl uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    uri.setQuery(QStringLiteral("mode=ro"));
    sqlite3 *handle = nullptr;
    *rc = sqlite3_open_v2(uri.toString(QUrl::FullyEncoded).toUtf8().constData(), &handle,
                          SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    return handle;
}

// The engine's quick check of a database: empty when it finds nothing wrong.
QString checkDatabase(sqlite3 *handle)
{
    sqlite3_stmt *check = nullptr;
    int rc = sqlite3_prepare_v2(handle, "PRAGMA quick_check(1)", -1, &check, nullptr);
    auto finalize = qScopeGuard([&check] { sqlite3_finalize(check); });
    if (rc != SQLITE_OK)
        return engineMessage(rc, handle);
    rc = sqlite3_step(check);
    if (rc != SQLITE_ROW)
        return engineMessage(rc, handle);
    const auto *verdict = reinterpret_cast<const char *>(sqlite3_column_text(check, 0));
    const QString text = QString::fromUtf8(verdict ? verdict : "");
    return text == QLatin1String("ok") ? QString() : text;
}

void removeStalePartials(const QString &databasePath)
{
    const QDir folder(backupFolder(databasePath));
    const QDateTime limit = QDateTime::currentDateTimeUtc().addSecs(-kStalePartialSecs);
    const QStringList pattern{stemOf(databasePath) + QStringLiteral("-*") + kPartialSuffix};
    for (const QFileInfo &partial : folder.entryInfoList(pattern, QDir::Files | QDir::Hidden))
        if (partial.lastModified().toUTC() < limit)
            QFile::remove(partial.filePath());
}

} // namespace

QString backupFolder(const QString &databasePath)
{
    return QFileInfo(databasePath).absoluteDir().filePath(kFolderName);
}

QString dailyBackupPath(const QString &databasePath, const QDate &day)
{
    return backupPath(databasePath, day.toString(QStringLiteral("yyyyMMdd")));
}

QString safetyBackupPath(const QString &databasePath, const QDateTime &moment)
{
    return backupPath(databasePath, moment.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

QList<BackupFile> listBackups(const QString &databasePath)
{
    const QRegularExpression name(
        QStringLiteral("^%1-(\\d{8})(?:-(\\d{6}))?%2$")
            .arg(QRegularExpression::escape(stemOf(databasePath)), QRegularExpression::escape(suffixOf(databasePath))));
    QList<BackupFile> backups;
    const QDir folder(backupFolder(databasePath));
    for (const QFileInfo &file : folder.entryInfoList(QDir::Files)) {
        const QRegularExpressionMatch match = name.match(file.fileName());
        if (!match.hasMatch())
            continue;
        BackupFile backup;
        backup.path = file.absoluteFilePath();
        backup.date = QDate::fromString(match.captured(1), QStringLiteral("yyyyMMdd"));
        backup.daily = !match.hasCaptured(2);
        if (!backup.daily)
            backup.time = QTime::fromString(match.captured(2), QStringLiteral("HHmmss"));
        backup.size = file.size();
        if (backup.date.isValid() && (backup.daily || backup.time.isValid()))
            backups.append(backup);
    }
    // A day's daily backup counts as made at its start, before that day's
    // safety copies.
    std::sort(backups.begin(), backups.end(), [](const BackupFile &a, const BackupFile &b) {
        const QTime ta = a.daily ? QTime(0, 0) : a.time;
        const QTime tb = b.daily ? QTime(0, 0) : b.time;
        if (a.date != b.date)
            return a.date > b.date;
        if (ta != tb)
            return ta > tb;
        return a.daily < b.daily;
    });
    return backups;
}

QString backupDatabaseFile(const QString &path, const QString &target, const std::atomic<bool> *stop)
{
    if (!QDir().mkpath(QFileInfo(target).absolutePath()))
        return QStringLiteral("Cannot make the folder %1")
            .arg(QDir::toNativeSeparators(QFileInfo(target).absolutePath()));
    // Named after this process: two copies of the program never share one.
    const QString partial =
        target + QLatin1Char('.') + QString::number(QCoreApplication::applicationPid()) + kPartialSuffix;
    QFile::remove(partial);
    auto removePartial = qScopeGuard([&partial] {
        QFile::remove(partial);
        QFile::remove(partial + QStringLiteral("-journal"));
        QFile::remove(partial + QStringLiteral("-wal"));
        QFile::remove(partial + QStringLiteral("-shm"));
    });

    int rc = SQLITE_OK;
    sqlite3 *source = openReader(path, &rc);
    auto closeSource = qScopeGuard([&source] { sqlite3_close(source); });
    if (rc != SQLITE_OK)
        return engineMessage(rc, source);
    sqlite3 *copy = nullptr;
    auto closeCopy = qScopeGuard([&copy] { sqlite3_close(copy); });
    rc = sqlite3_open_v2(partial.toUtf8().constData(), &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK)
        return engineMessage(rc, copy);
    // The partial file needs no journal: a failed copy is thrown away whole.
    // Pages pass through once, so neither side needs more than a small cache.
    sqlite3_exec(copy, "PRAGMA journal_mode=OFF; PRAGMA cache_size=-256", nullptr, nullptr, nullptr);
    sqlite3_exec(source, "PRAGMA cache_size=-256", nullptr, nullptr, nullptr);

    sqlite3_backup *backup = sqlite3_backup_init(copy, "main", source, "main");
    if (!backup)
        return engineMessage(sqlite3_errcode(copy), copy);
    const int step = runBackup(backup, kPagesPerStep, stop);
    sqlite3_backup_finish(backup);
    if (step != SQLITE_DONE)
        return step == SQLITE_INTERRUPT ? QStringLiteral("interrupted") : engineMessage(step, copy);
    // The pages carry the source's write-ahead-log mark; the copy becomes a
    // plain self-contained file, synced before it takes the backup's name.
    char *error = nullptr;
    rc = sqlite3_exec(copy, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL", nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        const QString message = error ? QString::fromUtf8(error) : engineMessage(rc, copy);
        sqlite3_free(error);
        return message;
    }
    rc = sqlite3_close(copy);
    copy = nullptr;
    if (rc != SQLITE_OK)
        return QString::fromUtf8(sqlite3_errstr(rc));
    // rename() replaces an older file of the same name in one step.
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    removePartial.dismiss();
    return {};
}

QString restoreDatabaseFrom(const QSqlDatabase &db, const QString &backupPath)
{
    sqlite3 *into = engineHandle(db);
    if (!into)
        return QStringLiteral("The database driver gives no engine handle");
    if (!QFileInfo(backupPath).isFile())
        return QString::fromUtf8(sqlite3_errstr(SQLITE_CANTOPEN));
    int rc = SQLITE_OK;
    sqlite3 *source = openReader(backupPath, &rc);
    auto closeSource = qScopeGuard([&source] { sqlite3_close(source); });
    if (rc != SQLITE_OK)
        return engineMessage(rc, source);
    // A file that is no database, or a damaged one, fails here, before
    // anything is written.
    if (const QString damage = checkDatabase(source); !damage.isEmpty())
        return damage;
    sqlite3_backup *backup = sqlite3_backup_init(into, "main", source, "main");
    if (!backup)
        return engineMessage(sqlite3_errcode(into), into);
    // All pages in one step: one write transaction on the open database,
    // rolled back by finish when the step fails.
    const int step = runBackup(backup, -1, nullptr);
    sqlite3_backup_finish(backup);
    return step == SQLITE_DONE ? QString() : engineMessage(step, into);
}

DailyBackup::DailyBackup(const QString &databasePath, Clock clock)
    : m_path(QFileInfo(databasePath).absoluteFilePath()), m_clock(std::move(clock))
{}

DailyBackup::~DailyBackup()
{
    m_stop = true;
    wait();
}

QDateTime DailyBackup::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

bool DailyBackup::due() const
{
    const QDate today = now().date();
    const QList<BackupFile> backups = listBackups(m_path);
    return std::none_of(backups.cbegin(), backups.cend(),
                        [&today](const BackupFile &backup) { return backup.daily && backup.date >= today; });
}

DailyBackup::Outcome DailyBackup::runNow()
{
    Outcome outcome;
    if (!due())
        return outcome;
    removeStalePartials(m_path);
    const QString target = dailyBackupPath(m_path, now().date());
    outcome.error = backupDatabaseFile(m_path, target, &m_stop);
    if (!outcome.error.isEmpty())
        return outcome;
    outcome.made = true;
    outcome.path = target;
    int daily = 0;
    for (const BackupFile &backup : listBackups(m_path))
        if (backup.daily && ++daily > kKept)
            QFile::remove(backup.path);
    return outcome;
}

void DailyBackup::start(QObject *context, std::function<void(const Outcome &)> done)
{
    if (m_running.exchange(true))
        return;
    if (m_thread.joinable())
        m_thread.join();
    m_thread = std::thread([this, context, done = std::move(done)] {
#ifdef __linux__
        // The copy takes only the time the processors would idle away: the
        // window's start and its first paint go first.
        const sched_param idle{};
        pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);
#endif
        const Outcome outcome = runNow();
        if (context && done)
            QMetaObject::invokeMethod(
                context, [done, outcome] { done(outcome); }, Qt::QueuedConnection);
        m_running = false;
    });
}

void DailyBackup::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace lovetest
