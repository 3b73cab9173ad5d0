#include <gtest/gtest.h>

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "tests/tools/tool_run.h"
#include "tools/content_json.h"

using namespace lovetest::content;
using namespace lovetest::content::testing;

namespace {

const QString kSmall = QStringLiteral(FIXTURES_DIR "/small.json");

// The window keeps the file in write-ahead-log mode while it runs: its
// commits stand in the log until a checkpoint. This connection writes the
// same way and never checkpoints while it is open.
class WindowLikeWriter {
public:
    explicit WindowLikeWriter(const QString &path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kName);
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
        exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        exec(QStringLiteral("PRAGMA wal_autocheckpoint=0"));
    }
    ~WindowLikeWriter()
    {
        QSqlDatabase::database(kName, false).close();
        QSqlDatabase::removeDatabase(kName);
    }

    void exec(const QString &sql)
    {
        QSqlQuery query(QSqlDatabase::database(kName, false));
        EXPECT_TRUE(query.exec(sql)) << sql.toStdString();
    }

    // What the window does for a rename and for a deletion of a test.
    void renameAndDelete()
    {
        exec(QStringLiteral("UPDATE 量表 SET Name = '改名的测试' WHERE ID = 20"));
        exec(QStringLiteral("DELETE FROM 量表 WHERE ID = 10 OR Parent = 10"));
        exec(QStringLiteral("DELETE FROM 结果 WHERE lbid = 10"));
    }

private:
    static inline const QString kName = QStringLiteral("window-like-writer");
};

QStringList testNames(const QString &json)
{
    QStringList names;
    for (const Test &test : parseContentJson(json.toUtf8()).tests)
        names.append(test.name);
    return names;
}

class LiveDatabase : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(tool({QStringLiteral("build"), kSmall, QStringLiteral("-o"), db}).status, ExitOk);
    }

    QTemporaryDir dir;
    QString db = dir.filePath(QStringLiteral("date.mdb"));
};

TEST_F(LiveDatabase, ExportPlayAndReportSeeWhatTheWindowWrote)
{
    WindowLikeWriter writer(db);
    writer.renameAndDelete();
    ASSERT_GT(QFileInfo(db + QStringLiteral("-wal")).size(), 0); // the changes are in the log only

    const ToolRun exported = tool({QStringLiteral("export"), db});
    ASSERT_EQ(exported.status, ExitOk) << exported.err.toStdString();
    EXPECT_EQ(testNames(exported.out), QStringList({QStringLiteral("改名的测试"), QStringLiteral("无编号测试")}));

    const ToolRun deleted = tool({QStringLiteral("play"), db, QStringLiteral("--test"), QStringLiteral("10"),
                                  QStringLiteral("--answers"), QStringLiteral("1,1,1")});
    EXPECT_EQ(deleted.status, ExitUsage);
    EXPECT_TRUE(deleted.err.contains(QStringLiteral("no catalog entry has the id 10"))) << deleted.err.toStdString();

    const ToolRun played =
        tool({QStringLiteral("play"), db, QStringLiteral("--test"), QStringLiteral("20"), QStringLiteral("--answers"),
              QStringLiteral("1,1"), QStringLiteral("--category"), QStringLiteral("2")});
    EXPECT_EQ(played.status, ExitOk) << played.err.toStdString();
    EXPECT_TRUE(played.out.contains(QStringLiteral("女三"))) << played.out.toStdString();

    const ToolRun report = tool({QStringLiteral("report"), db, QStringLiteral("--test"), QStringLiteral("20")});
    EXPECT_EQ(report.status, ExitOk) << report.err.toStdString();
    EXPECT_TRUE(report.out.contains(QStringLiteral("改名的测试")));
    EXPECT_EQ(tool({QStringLiteral("report"), db, QStringLiteral("--test"), QStringLiteral("10")}).status, ExitUsage);

    // Reading took nothing out of the log and wrote nothing of the run.
    writer.exec(QStringLiteral("SELECT count(*) FROM 量表"));
    EXPECT_GT(QFileInfo(db + QStringLiteral("-wal")).size(), 0);
}

// A file left with its log in a folder the reader may not write has no
// shared memory to read the log through: the file is read as it stands.
TEST_F(LiveDatabase, AFileWithALeftOverLogInAReadOnlyFolderIsRead)
{
    const QString folder = dir.filePath(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(folder));
    {
        WindowLikeWriter writer(db);
        writer.renameAndDelete();
        // What a window stopped by a power cut leaves: the file and its log.
        ASSERT_TRUE(QFile::copy(db, folder + QStringLiteral("/date.mdb")));
        ASSERT_TRUE(QFile::copy(db + QStringLiteral("-wal"), folder + QStringLiteral("/date.mdb-wal")));
    }
    const QString copy = folder + QStringLiteral("/date.mdb");
    QStringList command{QStringLiteral(CONTENT_TOOL)};
    if (::geteuid() == 0) {
        // Permission bits do not bind the superuser: the tool runs as nobody.
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (setpriv.isEmpty())
            GTEST_SKIP() << "running as root without setpriv: a read-only folder cannot be made";
        command = QStringList{setpriv, QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                              QStringLiteral("--clear-groups")} +
            command;
        QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ExeOther | QFile::ReadOther);
        QFile::setPermissions(copy, QFile::permissions(copy) | QFile::ReadOther);
        QFile::setPermissions(copy + QStringLiteral("-wal"),
                              QFile::permissions(copy + QStringLiteral("-wal")) | QFile::ReadOther);
    }
    const QFileDevice::Permissions readOnly =
        QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(folder, readOnly));
    const auto writableAgain = qScopeGuard([&] { QFile::setPermissions(folder, readOnly | QFile::WriteOwner); });
    const auto run = [&command](const QStringList &args) {
        QProcess tool;
        tool.start(command.first(), command.mid(1) + args);
        EXPECT_TRUE(tool.waitForFinished(60000));
        return ToolRun{tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput()),
                       QString::fromUtf8(tool.readAllStandardError())};
    };

    const ToolRun exported = run({QStringLiteral("export"), copy});
    ASSERT_EQ(exported.status, ExitOk) << exported.err.toStdString();
    EXPECT_EQ(testNames(exported.out).size(), 3);
    const ToolRun played = run({QStringLiteral("play"), copy, QStringLiteral("--test"), QStringLiteral("10"),
                                QStringLiteral("--answers"), QStringLiteral("2,1,2")});
    EXPECT_EQ(played.status, ExitOk) << played.err.toStdString();
    EXPECT_TRUE(played.out.contains(QStringLiteral("得分: 4"))) << played.out.toStdString();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files),
              QStringList({QStringLiteral("date.mdb"), QStringLiteral("date.mdb-wal")}));
}

// A rebuild onto a file the program has open would leave the program's log
// beside a new file: it is refused while the file is open, and goes ahead,
// with a backup holding every commit, once the program has let go.
TEST_F(LiveDatabase, BuildRefusesToReplaceAFileInUse)
{
    const auto bytes = [this] {
        QFile file(db);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    {
        WindowLikeWriter writer(db);
        writer.renameAndDelete();
        const QByteArray before = bytes();
        const ToolRun refused =
            tool({QStringLiteral("build"), kSmall, QStringLiteral("-o"), db, QStringLiteral("--force")});
        EXPECT_EQ(refused.status, ExitContentError);
        EXPECT_TRUE(refused.err.contains(QStringLiteral("is open in the program"))) << refused.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(db + QStringLiteral(".bak")));
        EXPECT_EQ(bytes(), before) << "the file was written";
        EXPECT_GT(QFileInfo(db + QStringLiteral("-wal")).size(), 0) << "the program's log was touched";
    }
    const ToolRun built = tool({QStringLiteral("build"), kSmall, QStringLiteral("-o"), db, QStringLiteral("--force")});
    ASSERT_EQ(built.status, ExitOk) << built.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(db + QStringLiteral("-wal")));
    const ToolRun kept = tool({QStringLiteral("export"), db + QStringLiteral(".bak")});
    ASSERT_EQ(kept.status, ExitOk) << kept.err.toStdString();
    EXPECT_EQ(testNames(kept.out), QStringList({QStringLiteral("改名的测试"), QStringLiteral("无编号测试")}));
    EXPECT_EQ(tool({QStringLiteral("check"), db}).status, ExitOk);
}

} // namespace
