#include "data/connection.h"
#include "data/daily_backup.h"
#include "fixture.h"
#include "tests/support/file_size_limit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace lovetest;
using lovetest::testing::DatabaseFile;
using lovetest::testing::fileContents;
using lovetest::testing::FileSizeLimit;

namespace {

QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

class DailyBackupTest : public ::testing::Test {
protected:
    void SetUp() override { file.fillSample(); }

    // A backup keeper whose "today" is the date set in day.
    DailyBackup backupOn() const
    {
        return DailyBackup(file.path(), [this] { return QDateTime(day, QTime(9, 30)); });
    }

    DatabaseFile file;
    QDate day{2026, 3, 9};
};

TEST_F(DailyBackupTest, MakesOneBackupADayNamedAfterTheFile)
{
    {
        DailyBackup backup = backupOn();
        const DailyBackup::Outcome first = backup.runNow();
        EXPECT_TRUE(first.made) << first.error.toStdString();
        EXPECT_EQ(first.path, QDir(file.dir()).filePath(QStringLiteral("backups/date-20260309.mdb")));
        // A second start the same day finds today's backup.
        EXPECT_FALSE(backup.runNow().made);
    }
    day = day.addDays(1);
    DailyBackup backup = backupOn();
    EXPECT_TRUE(backup.due());
    EXPECT_TRUE(backup.runNow().made);

    const QList<BackupFile> listed = listBackups(file.path());
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(listed[0].date, QDate(2026, 3, 10)) << "newest first";
    EXPECT_EQ(listed[1].date, QDate(2026, 3, 9));
    EXPECT_EQ(listed[0].size, QFileInfo(listed[0].path).size());
    EXPECT_TRUE(listed[0].daily);
}

TEST_F(DailyBackupTest, KeepsTheNewestFiveDailyBackupsAndEverySafetyCopy)
{
    QDir().mkpath(backupFolder(file.path()));
    const QString safety = safetyBackupPath(file.path(), QDateTime(QDate(2026, 3, 1), QTime(8, 5, 7)));
    EXPECT_TRUE(safety.endsWith(QStringLiteral("/backups/date-20260301-080507.mdb")));
    QFile::copy(file.path(), safety);
    // Files that only look alike are not backups and stay.
    QFile(QDir(backupFolder(file.path())).filePath(QStringLiteral("date-2026.mdb"))).open(QIODevice::WriteOnly);

    for (int i = 0; i < 7; ++i, day = day.addDays(1))
        ASSERT_TRUE(backupOn().runNow().made);

    QStringList names;
    for (const BackupFile &backup : listBackups(file.path()))
        names << QFileInfo(backup.path).fileName();
    EXPECT_EQ(names,
              QStringList({"date-20260315.mdb", "date-20260314.mdb", "date-20260313.mdb", "date-20260312.mdb",
                           "date-20260311.mdb", "date-20260301-080507.mdb"}));
    EXPECT_TRUE(QFileInfo::exists(QDir(backupFolder(file.path())).filePath(QStringLiteral("date-2026.mdb"))));
}

TEST_F(DailyBackupTest, BackupIsAWholeDatabaseWithTheChangesStillInTheLog)
{
    Connection connection(QStringLiteral("writer"));
    connection.open(file.path());
    connection.insertRow(QStringLiteral("量表"), {"ID", "Name", "目录"}, {77, QStringLiteral("仍在日志中"), 1});
    ASSERT_GT(QFileInfo(file.path() + QStringLiteral("-wal")).size(), 0) << "the change is still in the log";

    const DailyBackup::Outcome outcome = backupOn().runNow();
    ASSERT_TRUE(outcome.made) << outcome.error.toStdString();

    const QStringList copied = fileContents(outcome.path);
    EXPECT_TRUE(copied.join(QLatin1Char('\n')).contains(QStringLiteral("仍在日志中")));
    EXPECT_EQ(copied, fileContents(file.path()));
    // A plain self-contained file: rollback-journal mark, nothing beside it.
    QFile backup(outcome.path);
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.read(20).mid(18), QByteArray("\x01\x01", 2));
    EXPECT_EQ(folderEntries(backupFolder(file.path())), QStringList{"date-20260309.mdb"});
}

TEST_F(DailyBackupTest, FailedBackupLeavesNoFileAndRetriesNextStart)
{
    // Enough rows that the copy cannot fit under the limit.
    const QString filler(4000, QLatin1Char('x'));
    for (int id = 100; id < 160; ++id)
        file.addItem(id, {}, filler, false);
    {
        FileSizeLimit limit(64 * 1024);
        ASSERT_TRUE(limit.applied());
        const DailyBackup::Outcome outcome = backupOn().runNow();
        EXPECT_FALSE(outcome.made);
        EXPECT_FALSE(outcome.error.isEmpty());
    }
    EXPECT_EQ(folderEntries(backupFolder(file.path())), QStringList());
    EXPECT_TRUE(backupOn().runNow().made) << "the day still has no backup";
}

TEST_F(DailyBackupTest, BackgroundBackupReportsOnTheContextsThread)
{
    DailyBackup backup = backupOn();
    QObject context;
    DailyBackup::Outcome reported;
    backup.start(&context, [&reported](const DailyBackup::Outcome &outcome) { reported = outcome; });
    backup.wait();
    EXPECT_FALSE(reported.made) << "not before the event loop delivers it";
    QCoreApplication::processEvents();
    EXPECT_TRUE(reported.made);
    EXPECT_TRUE(QFileInfo::exists(reported.path));
}

TEST_F(DailyBackupTest, ClosingDuringABackgroundBackupLeavesNoPartialFile)
{
    const QString filler(4000, QLatin1Char('x'));
    for (int id = 100; id < 400; ++id)
        file.addItem(id, {}, filler, false);
    QObject context;
    {
        DailyBackup backup = backupOn();
        backup.start(&context, {});
    }
    // Stopped or finished, never half there.
    const QStringList left = folderEntries(backupFolder(file.path()));
    EXPECT_TRUE(left.isEmpty() || left == QStringList{"date-20260309.mdb"}) << left.join(' ').toStdString();
    if (!left.isEmpty()) {
        EXPECT_EQ(fileContents(dailyBackupPath(file.path(), day)), fileContents(file.path()));
    }
}

TEST_F(DailyBackupTest, RestoreReplacesTheContentOfTheOpenDatabase)
{
    const QString before = dailyBackupPath(file.path(), day);
    ASSERT_EQ(backupDatabaseFile(file.path(), before), QString());
    const QStringList old = fileContents(file.path());

    Connection connection(QStringLiteral("window"));
    connection.open(file.path());
    connection.deleteRow(QStringLiteral("量表"), 3);
    connection.insertRow(QStringLiteral("量表"), {"ID", "Name", "目录"}, {88, QStringLiteral("新"), 1});
    ASSERT_NE(fileContents(file.path()), old);

    EXPECT_EQ(restoreDatabaseFrom(connection.db(), before), QString());
    EXPECT_EQ(fileContents(file.path()), old);
    QSqlQuery count(connection.db());
    ASSERT_TRUE(count.exec(QStringLiteral("SELECT count(*) FROM 量表 WHERE ID IN (3, 88)")) && count.next());
    EXPECT_EQ(count.value(0).toInt(), 1) << "the window's connection reads the restored rows";
}

TEST_F(DailyBackupTest, FailedRestoreLeavesTheDataAsItWas)
{
    Connection connection(QStringLiteral("window"));
    connection.open(file.path());

    // A bigger backup than the disk has room for, a file that is no
    // database, and one that is gone.
    const QString big = QDir(file.dir()).filePath(QStringLiteral("big.mdb"));
    ASSERT_EQ(backupDatabaseFile(file.path(), big), QString());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("big"));
        db.setDatabaseName(big);
        ASSERT_TRUE(db.open());
        QSqlQuery fill(db);
        for (int id = 100; id < 160; ++id)
            fill.exec(QStringLiteral("INSERT INTO 量表 (ID, Name) VALUES (%1, '%2')").arg(id).arg(QString(4000, 'x')));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("big"));
    const QString garbage = QDir(file.dir()).filePath(QStringLiteral("garbage.mdb"));
    QFile junk(garbage);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(8192, 'j'));
    junk.close();

    const QStringList old = fileContents(file.path());
    {
        FileSizeLimit limit(QFileInfo(file.path()).size() + 32 * 1024);
        ASSERT_TRUE(limit.applied());
        EXPECT_NE(restoreDatabaseFrom(connection.db(), big), QString());
    }
    EXPECT_EQ(restoreDatabaseFrom(connection.db(), garbage), QStringLiteral("file is not a database"));
    EXPECT_NE(restoreDatabaseFrom(connection.db(), file.dir() + QStringLiteral("/gone.mdb")), QString());
    EXPECT_EQ(fileContents(file.path()), old);
    // The connection still writes.
    connection.insertRow(QStringLiteral("量表"), {"ID", "Name", "目录"}, {90, QStringLiteral("后来"), 1});
}

} // namespace
