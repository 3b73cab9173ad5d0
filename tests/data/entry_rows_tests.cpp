#include <gtest/gtest.h>

#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

#include "data/connection.h"
#include "data/database_error.h"
#include "data/dataset.h"
#include "data/entry_rows.h"
#include "data/sample_tests.h"
#include "fixture.h"

namespace lovetest {
namespace {

using testing::DatabaseFile;

// Every row of both content tables with its rowid, in file order: what
// "ids and order kept" compares.
QStringList dump()
{
    QStringList rows;
    for (const char *table : {"量表", "结果"}) {
        QSqlQuery query(QSqlDatabase::database(QStringLiteral("dump")));
        query.exec(QStringLiteral("SELECT rowid, * FROM \"%1\" ORDER BY rowid").arg(QString::fromUtf8(table)));
        while (query.next()) {
            QStringList values{QString::fromUtf8(table)};
            for (int i = 0; i < query.record().count(); ++i)
                values << (query.value(i).isNull() ? QStringLiteral("<null>") : query.value(i).toString());
            rows << values.join(QLatin1Char('|'));
        }
    }
    return rows;
}

class EntryRowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        file.fillSample();
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("dump"));
        db.setDatabaseName(file.path());
        ASSERT_TRUE(db.open());
        connection.open(file.path());
    }
    void TearDown() override
    {
        connection.close();
        QSqlDatabase::removeDatabase(QStringLiteral("dump"));
    }
    // What the catalog tree does to the catalog rows, then the content.
    void deleteEntries(const EntryRows &rows)
    {
        Connection::Transaction transaction(connection);
        for (const qint64 rowid : rows.catalog.rowids)
            connection.deleteRow(QStringLiteral("量表"), rowid);
        removeEntryContent(connection, rows);
        transaction.commit();
    }

    DatabaseFile file;
    Connection connection{QStringLiteral("connection")};
};

TEST_F(EntryRowsTest, AFolderTakesItsTestsContentAlongAndComesBackWithIdsAndOrder)
{
    const QStringList before = dump();
    Dataset questions(QStringLiteral("questions"), &connection, QStringLiteral("量表"));
    questions.open();

    const QList<qint64> folder{2, 1}; // the test beneath first, the folder last
    EXPECT_EQ(testsAmong(connection.db(), folder), QList<qint64>{2});
    EXPECT_EQ(testsAmong(connection.db(), {1}), QList<qint64>{});
    const EntryRows rows = readEntryRows(connection.db(), folder);
    EXPECT_EQ(rows.catalog.rows.size(), 2u);
    EXPECT_EQ(rows.questions.rowids, (std::vector<qint64>{10, 11}));
    EXPECT_EQ(rows.verdicts.rows.size(), 1u);

    const quint64 commits = connection.commitCount();
    deleteEntries(rows);
    EXPECT_EQ(connection.commitCount(), commits + 1);
    EXPECT_EQ(file.scalar(QStringLiteral("SELECT count(*) FROM 量表 WHERE ID IN (1,2,10,11)")).toInt(), 0);
    EXPECT_EQ(file.scalar(QStringLiteral("SELECT count(*) FROM 结果 WHERE lbid=2")).toInt(), 0);
    EXPECT_EQ(file.scalar(QStringLiteral("SELECT count(*) FROM 量表 WHERE Parent=3")).toInt(), 2);
    // A set opened before the deletion still sees its copy.
    questions.setFilter(QStringLiteral("Parent=2"));
    questions.setFiltered(true);
    EXPECT_EQ(questions.recordCount(), 2);

    writeEntryRows(connection, rows);
    EXPECT_EQ(dump(), before);
}

TEST_F(EntryRowsTest, AnIdTakenMeanwhileRefusesTheWholeUndo)
{
    const EntryRows rows = readEntryRows(connection.db(), {2});
    deleteEntries(rows);
    file.addItem(11, 3, QStringLiteral("another question"), false);
    const QStringList meanwhile = dump();
    EXPECT_THROW(writeEntryRows(connection, rows), DatabaseError);
    EXPECT_EQ(dump(), meanwhile);
}

TEST_F(EntryRowsTest, VerdictRowsWhoseRowidsAreTakenAreAppendedInOrder)
{
    file.addVerdict(3, 3, QStringLiteral("7"), QStringLiteral("v"));
    const EntryRows rows = readEntryRows(connection.db(), {3});
    ASSERT_EQ(rows.verdicts.rows.size(), 3u);
    deleteEntries(rows);
    file.addVerdict(2, 9, QStringLiteral("1"), QStringLiteral("taken")); // takes a freed rowid
    writeEntryRows(connection, rows);
    QSqlQuery query(QSqlDatabase::database(QStringLiteral("dump")));
    query.exec(QStringLiteral("SELECT 类别 FROM 结果 WHERE lbid=3 ORDER BY rowid"));
    QList<int> categories;
    while (query.next())
        categories << query.value(0).toInt();
    EXPECT_EQ(categories, (QList<int>{1, 2, 3}));
}

// The user's file against the samples it was seeded from.
class SampleRestoreTest : public EntryRowsTest {
protected:
    void SetUp() override
    {
        EntryRowsTest::SetUp();
        samplePath = file.dir() + QStringLiteral("/sample.mdb");
        ASSERT_TRUE(QFile::copy(file.path(), samplePath));
    }
    QString samplePath;
};

TEST_F(SampleRestoreTest, MissingTestsComeBackWithTheirFolderAndKeptOnesStay)
{
    const QStringList sample = dump();
    // The user renamed test 3, deleted the folder with test 2 in an earlier
    // version (its questions stayed behind) and its verdicts went too.
    file.exec(QStringLiteral("UPDATE 量表 SET Name='我的测试' WHERE ID=3"));
    file.exec(QStringLiteral("DELETE FROM 量表 WHERE ID IN (1,2)"));
    file.exec(QStringLiteral("UPDATE 量表 SET Name='stale' WHERE ID=10"));
    file.exec(QStringLiteral("DELETE FROM 结果 WHERE lbid=2"));

    const RestoredSamples result = restoreMissingSamples(connection, samplePath);
    EXPECT_EQ(result.restored, QStringList{QStringLiteral("初恋测试 Alpha")});
    EXPECT_TRUE(result.blocked.isEmpty());
    EXPECT_EQ(result.firstRestored, 2);
    EXPECT_EQ(file.scalar(QStringLiteral("SELECT Name FROM 量表 WHERE ID=1")).toString(), QStringLiteral("爱情测试"));
    EXPECT_EQ(file.scalar(QStringLiteral("SELECT Name FROM 量表 WHERE ID=10")).toString(), QStringLiteral("Q1"));
    EXPECT_EQ(file.scalar(QStringLiteral("SELECT Name FROM 量表 WHERE ID=3")).toString(), QStringLiteral("我的测试"));
    EXPECT_EQ(file.scalar(QStringLiteral("SELECT count(*) FROM 结果 WHERE lbid=2")).toInt(), 1);
    EXPECT_EQ(dump().size(), sample.size());

    const RestoredSamples again = restoreMissingSamples(connection, samplePath);
    EXPECT_TRUE(again.restored.isEmpty());
}

TEST_F(SampleRestoreTest, ATestWhoseQuestionIdsBelongToOtherRowsStaysOut)
{
    file.exec(QStringLiteral("DELETE FROM 量表 WHERE ID IN (2,10,11)"));
    file.addItem(11, 3, QStringLiteral("the user's own question"), false);
    const QStringList before = dump();
    const RestoredSamples result = restoreMissingSamples(connection, samplePath);
    EXPECT_TRUE(result.restored.isEmpty());
    EXPECT_EQ(result.blocked, QStringList{QStringLiteral("初恋测试 Alpha")});
    EXPECT_EQ(dump(), before);
}

TEST_F(SampleRestoreTest, AnUnreadableSampleFileWritesNothing)
{
    file.exec(QStringLiteral("DELETE FROM 量表 WHERE ID=2"));
    const QStringList before = dump();
    QFile junk(samplePath);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly | QIODevice::Truncate));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    EXPECT_THROW(restoreMissingSamples(connection, samplePath), DatabaseError);
    EXPECT_EQ(dump(), before);
}

} // namespace
} // namespace lovetest
