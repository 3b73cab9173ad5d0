#include "data/connection.h"
#include "data/database_error.h"
#include "data/dataset.h"
#include "fixture.h"

#include <QFile>
#include <QFileInfo>

#include <QSqlQuery>
#include <cstdio>

#include <gtest/gtest.h>

using namespace lovetest;
using lovetest::testing::DatabaseFile;

namespace {

QString journalMode(Connection &connection)
{
    QSqlQuery query(connection.db());
    query.exec(QStringLiteral("PRAGMA journal_mode"));
    return query.next() ? query.value(0).toString() : QString();
}

// Each answer is committed through the write-ahead log (one sync per commit);
// once the program lets go, the file is one self-contained file again.
// The file format's read and write versions (bytes 18 and 19 of the
// header): 1 for a rollback journal, 2 for a write-ahead log.
QByteArray formatVersions(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(20).mid(18) : QByteArray();
}

TEST(Connection, WritesThroughTheLogAndLeavesAPlainFileBehind)
{
    DatabaseFile file;
    file.fillSample();
    const QString path = file.dir() + QStringLiteral("/own.mdb");
    ASSERT_TRUE(QFile::copy(file.path(), path));
    Connection connection(QStringLiteral("ADOConnection1"));
    connection.open(path);
    EXPECT_EQ(journalMode(connection), QStringLiteral("wal"));
    Dataset set(QStringLiteral("ADOQuery2"), &connection, QStringLiteral("量表"));
    set.open();
    set.edit();
    set.fieldByName(QStringLiteral("分值"))->setAsInteger(4);
    set.post();
    set.close();
    connection.close();
    EXPECT_FALSE(QFile::exists(path + QStringLiteral("-wal")));
    EXPECT_EQ(formatVersions(path), QByteArray("\x01\x01"));
    connection.open(path);
    set.open();
    EXPECT_EQ(set.fieldByName(QStringLiteral("分值"))->asInteger(), 4);
}

// A transaction makes its writes one commit; one that goes without commit
// takes its writes back, and an inner one (a savepoint) only its own.
TEST(Connection, TransactionsCommitTogetherAndRollBackWhatTheyWrote)
{
    DatabaseFile file;
    file.addItem(1, {}, QStringLiteral("甲"), true, 0);
    file.addItem(2, 1, QStringLiteral("乙"), false, 0);
    Connection connection(QStringLiteral("ADOConnection1"));
    connection.open(file.path());
    const QString table = QStringLiteral("量表");
    const QStringList score{QStringLiteral("分值")};
    auto stored = [&](int id) {
        return file.scalar(QStringLiteral("SELECT 分值 FROM 量表 WHERE ID=%1").arg(id)).toInt();
    };
    auto rowid = [&](int id) {
        return file.scalar(QStringLiteral("SELECT rowid FROM 量表 WHERE ID=%1").arg(id)).toLongLong();
    };

    const quint64 commits = connection.commitCount();
    connection.updateRow(table, rowid(1), score, {1});
    EXPECT_EQ(connection.commitCount(), commits + 1); // a lone write is its own commit
    {
        Connection::Transaction outer(connection);
        connection.updateRow(table, rowid(1), score, {2});
        {
            Connection::Transaction inner(connection);
            connection.updateRow(table, rowid(2), score, {3});
        } // not committed: only the inner write goes
        {
            Connection::Transaction inner(connection);
            connection.updateRow(table, rowid(2), score, {4});
            inner.commit();
        }
        EXPECT_EQ(connection.commitCount(), commits + 1);
        outer.commit();
    }
    EXPECT_EQ(connection.commitCount(), commits + 2);
    EXPECT_EQ(stored(1), 2);
    EXPECT_EQ(stored(2), 4);

    {
        Connection::Transaction dropped(connection);
        connection.updateRow(table, rowid(1), score, {7});
        connection.deleteRow(table, rowid(2));
    }
    EXPECT_EQ(connection.commitCount(), commits + 2);
    EXPECT_EQ(stored(1), 2);
    EXPECT_EQ(stored(2), 4);

    // After a rollback the connection begins afresh.
    Connection::Transaction again(connection);
    connection.updateRow(table, rowid(1), score, {5});
    again.commit();
    EXPECT_EQ(stored(1), 5);
}

// Another program renames a new file over the open one: the program writes
// nothing more, and the log it leaves at the path is empty, so the new file
// is read as it is.
TEST(Connection, AFileReplacedWhileOpenIsNotWrittenAgain)
{
    DatabaseFile file;
    file.fillSample();
    const QString path = file.dir() + QStringLiteral("/own.mdb");
    const QString replacement = file.dir() + QStringLiteral("/new.mdb");
    ASSERT_TRUE(QFile::copy(file.path(), path));
    ASSERT_TRUE(QFile::copy(file.path(), replacement));
    Connection connection(QStringLiteral("connection"));
    connection.open(path);
    Dataset set(QStringLiteral("catalog"), &connection, QStringLiteral("量表"));
    set.open();
    const int before = set.fieldByName(QStringLiteral("分值"))->asInteger();
    set.edit();
    set.fieldByName(QStringLiteral("分值"))->setAsInteger(before + 4);
    set.post();
    ASSERT_GT(QFileInfo(path + QStringLiteral("-wal")).size(), 0);

    ASSERT_EQ(::rename(QFile::encodeName(replacement).constData(), QFile::encodeName(path).constData()), 0);
    for (int attempt = 0; attempt < 2; ++attempt) {
        set.edit();
        set.fieldByName(QStringLiteral("分值"))->setAsInteger(before + 5);
        try {
            set.post();
            ADD_FAILURE() << "written to a replaced file";
        } catch (const DatabaseError &error) {
            EXPECT_TRUE(QString::fromUtf8(error.what()).contains(QStringLiteral("已被别的程序替换或移走")))
                << error.what();
        }
        set.cancel();
    }
    EXPECT_EQ(QFileInfo(path + QStringLiteral("-wal")).size(), 0);

    Connection reader(QStringLiteral("reader"));
    reader.open(path);
    QSqlQuery check(reader.db());
    ASSERT_TRUE(check.exec(QStringLiteral("PRAGMA integrity_check")) && check.next());
    EXPECT_EQ(check.value(0).toString(), QStringLiteral("ok"));
    Dataset fresh(QStringLiteral("fresh"), &reader, QStringLiteral("量表"));
    fresh.open();
    EXPECT_EQ(fresh.fieldByName(QStringLiteral("分值"))->asInteger(), before);
}

} // namespace
