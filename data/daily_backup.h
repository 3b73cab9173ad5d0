#pragma once
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>

namespace lovetest {

// Copies of the test database kept in the folder "backups" beside it: one a
// day (date-YYYYMMDD.mdb for date.mdb, the newest five kept) and a safety
// copy made before each restore (date-YYYYMMDD-HHMMSS.mdb, never removed by
// the daily rotation). Each copy is a whole database written to a partial
// file first and renamed into place once complete, so a crash leaves no half
// copy under a backup's name.

struct BackupFile {
    QString path;
    QDate date;
    QTime time; // safety copies only
    qint64 size = 0;
    bool daily = true;
};

// The folder of backups of the database file at databasePath.
QString backupFolder(const QString &databasePath);
// Where the daily backup of day and the safety copy made at moment go.
QString dailyBackupPath(const QString &databasePath, const QDate &day);
QString safetyBackupPath(const QString &databasePath, const QDateTime &moment);
// The backups of the database file, newest first.
QList<BackupFile> listBackups(const QString &databasePath);

// Copies what is committed in the database file at path (its write-ahead log
// included) to target through a connection of its own that only reads. stop,
// when set meanwhile, abandons the copy. Returns the engine's message on
// failure (no file is then left at target or beside it), empty on success.
QString backupDatabaseFile(const QString &path, const QString &target, const std::atomic<bool> *stop = nullptr);

// Copies the database file backupPath over the content of db, an open
// connection, in one transaction of db's own: readers of db's write-ahead log
// see the old content or the new, and a failure leaves the old. db must hold
// no open statement. Returns the engine's message on failure.
QString restoreDatabaseFrom(const QSqlDatabase &db, const QString &backupPath);

// The daily backup of one database file.
class DailyBackup {
public:
    static constexpr int kKept = 5;
    using Clock = std::function<QDateTime()>;

    // clock gives "now"; the system clock when empty.
    explicit DailyBackup(const QString &databasePath, Clock clock = {});
    // Stops a copy under way and waits for its thread.
    ~DailyBackup();
    DailyBackup(const DailyBackup &) = delete;
    DailyBackup &operator=(const DailyBackup &) = delete;

    QString databasePath() const { return m_path; }
    QDateTime now() const;
    // No daily backup of today or later exists yet.
    bool due() const;

    struct Outcome {
        bool made = false;
        QString path; // the backup made
        QString error; // why none was made when one was due
    };
    // Makes today's backup when due and removes daily backups beyond the
    // newest kKept. Runs on the calling thread.
    Outcome runNow();
    // runNow on a thread of its own; done runs afterwards on context's
    // thread through its event loop. context must outlive this object (the
    // destructor waits for the thread). Does nothing while a copy is under
    // way.
    void start(QObject *context, std::function<void(const Outcome &)> done);
    // Waits for the copy start() began.
    void wait();

private:
    QString m_path;
    Clock m_clock;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
};

} // namespace lovetest
