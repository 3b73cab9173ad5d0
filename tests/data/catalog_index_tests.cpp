// The catalog index: added at start to a writable file that lacks it, never
// to a file the program may not write.
#include "data/catalog_index.h"
#include "data/test_database.h"
#include "fixture.h"
#include "tests/support/forced_read_only.h"

#include <QFile>
#include <QSqlQuery>

#include <gtest/gtest.h>

using namespace lovetest;
using lovetest::testing::DatabaseFile;
using lovetest::testing::fileBytes;
using lovetest::testing::ForcedReadOnly;

namespace {

QVariant indexSql(DatabaseFile &file)
{
    return file.scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE type='index' AND name=?"),
                       {catalogIndexName()});
}

// The names of the catalog rows, as the tree reads them.
QStringList catalogNames(Dataset &catalog)
{
    QStringList names;
    for (catalog.first(); !catalog.atEnd(); catalog.next())
        names.append(catalog.fieldByName(QStringLiteral("Name"))->asString());
    return names;
}

TEST(CatalogIndex, AnOlderFileGetsItAtStartAndTheCatalogReadsThroughIt)
{
    DatabaseFile file;
    file.fillSample();
    ASSERT_FALSE(indexSql(file).isValid());
    {
        TestDatabase db;
        ASSERT_TRUE(db.openAll().isEmpty());
        EXPECT_EQ(catalogNames(db.catalog).size(), 3);
        QSqlQuery plan(db.connection.db());
        // The tree's read: key, parent and label of the catalog rows.
        ASSERT_TRUE(plan.exec(QStringLiteral("EXPLAIN QUERY PLAN SELECT rowid, ID, Parent, Name FROM 量表 "
                                             "WHERE rowid<=99 AND (目录=1) ORDER BY rowid")));
        ASSERT_TRUE(plan.next());
        EXPECT_TRUE(plan.value(3).toString().contains(QStringLiteral("COVERING INDEX ") + catalogIndexName()))
            << plan.value(3).toString().toStdString();
    }
    const QString sql = indexSql(file).toString();
    EXPECT_TRUE(sql.contains(QStringLiteral("WHERE \"目录\"=1"))) << sql.toStdString();

    // Later starts find it and leave the schema as it is.
    const QVariant schemaVersion = file.scalar(QStringLiteral("PRAGMA schema_version"));
    {
        TestDatabase db;
        ASSERT_TRUE(db.openAll().isEmpty());
    }
    EXPECT_EQ(file.scalar(QStringLiteral("PRAGMA schema_version")), schemaVersion);
}

TEST(CatalogIndex, AReadOnlyFileAndItsCopyInMemoryStayWithoutIt)
{
    DatabaseFile file;
    file.fillSample();
    const QByteArray bytes = fileBytes(file.path());
    {
        ForcedReadOnly forced;
        TestDatabase db;
        ASSERT_TRUE(db.openAll().isEmpty());
        ASSERT_TRUE(db.connection.readOnly());
        EXPECT_EQ(catalogNames(db.catalog).size(), 3);
        QSqlQuery query(db.connection.db());
        query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='index'"));
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.value(0).toInt(), 0);
    }
    EXPECT_EQ(fileBytes(file.path()), bytes);
}

TEST(CatalogIndex, FailingToAddItIsSilent)
{
    DatabaseFile file;
    file.fillSample();
    // The name is taken by a table of another program.
    file.exec(QStringLiteral("CREATE TABLE \"%1\" (x)").arg(catalogIndexName()));
    TestDatabase db;
    EXPECT_TRUE(db.openAll().isEmpty());
    EXPECT_EQ(catalogNames(db.catalog).size(), 3);
}

} // namespace
