#include "data/connection.h"
#include "data/dataset.h"
#include "fixture.h"

#include <QFile>
#include <QSqlQuery>

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

} // namespace
