#include "data/field.h"
#include "data/test_database.h"
#include "fixture.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/forced_read_only.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace lovetest;
using lovetest::testing::contents;
using lovetest::testing::DatabaseFile;
using lovetest::testing::fileBytes;
using lovetest::testing::fileContents;
using lovetest::testing::ForcedReadOnly;

namespace {

QVariant scoreOf(const Connection &connection, int id)
{
    QSqlQuery query(connection.db());
    query.exec(QStringLiteral("SELECT 分值 FROM 量表 WHERE ID=%1").arg(id));
    return query.next() ? query.value(0) : QVariant();
}

TEST(ReadOnlyDatabase, WritesLandInAWholeCopyInMemoryAndTheFileStaysAsItIs)
{
    DatabaseFile file;
    file.fillSample();
    // Besides the sample: an index, a blob, text in a number column, a gap in the rowids.
    file.exec(QStringLiteral("CREATE INDEX by_parent ON 量表 (Parent)"));
    file.exec(QStringLiteral("INSERT INTO 说明 (ID, 内容) VALUES (9, x'00ff')"));
    file.exec(QStringLiteral("UPDATE 量表 SET 分值='多' WHERE ID=11"));
    const QStringList stored = fileContents(file.path());
    const QByteArray bytes = fileBytes(file.path());

    {
        ForcedReadOnly forced;
        TestDatabase db;
        ASSERT_TRUE(db.openAll().isEmpty());
        ASSERT_TRUE(db.connection.readOnly());
        EXPECT_EQ(contents(db.connection.db()), stored);

        ASSERT_TRUE(db.questions.locate(QStringLiteral("ID"), 10));
        db.questions.edit();
        db.questions.fieldByName(QStringLiteral("分值"))->setAsInteger(7);
        db.questions.post();
        db.catalog.remove();
        EXPECT_EQ(scoreOf(db.connection, 10).toInt(), 7);
        EXPECT_EQ(db.catalog.recordCount(), 2);
    }
    EXPECT_EQ(fileBytes(file.path()), bytes);
    EXPECT_EQ(QDir(file.dir()).entryList(QDir::Files), QStringList{QStringLiteral("date.mdb")})
        << "no journal or log is left beside the file";
}

TEST(ReadOnlyDatabase, AFileThatIsNoDatabaseFailsAsAWritableOneDoes)
{
    DatabaseFile file(false);
    QFile garbage(file.path());
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, 'x'));
    garbage.close();

    const QStringList writable = TestDatabase().openAll();
    ForcedReadOnly forced;
    TestDatabase db;
    EXPECT_EQ(db.openAll(), writable);
    EXPECT_EQ(writable.size(), 5);
    EXPECT_FALSE(db.connection.connected());
    EXPECT_FALSE(db.connection.readOnly());
}

// A file or folder the user may not write: answers are held in memory and
// the file stays as it is (this used to be refused by the engine).
struct PermissionCase {
    const char *name;
    QFile::Permissions file;
    QFile::Permissions folder;
    bool readOnly;
    bool leftInWalMode = false; // as a program killed while writing leaves it
};

void PrintTo(const PermissionCase &c, std::ostream *out)
{
    *out << c.name;
}

class RealPermissions : public ::testing::TestWithParam<PermissionCase> {};

constexpr QFile::Permissions kReadWrite = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
constexpr QFile::Permissions kReadOnly = QFile::ReadOwner | QFile::ReadUser;
constexpr QFile::Permissions kFolderOpen = kReadWrite | QFile::ExeOwner | QFile::ExeUser;
constexpr QFile::Permissions kFolderReadOnly = kReadOnly | QFile::ExeOwner | QFile::ExeUser;

TEST_P(RealPermissions, DecideWhereAnswersGo)
{
    const PermissionCase &c = GetParam();
    if (c.readOnly && geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind the superuser";
    DatabaseFile file;
    file.fillSample();
    if (c.leftInWalMode) {
        QFile header(file.path());
        ASSERT_TRUE(header.open(QIODevice::ReadWrite));
        header.seek(18); // the file format's read and write versions: 2 is the write-ahead log
        header.write("\x02\x02", 2);
    }
    const QByteArray bytes = fileBytes(file.path());
    QFile::setPermissions(file.path(), c.file);
    QFile::setPermissions(file.dir(), c.folder);
    {
        TestDatabase db;
        EXPECT_TRUE(db.openAll().isEmpty());
        EXPECT_EQ(db.connection.readOnly(), c.readOnly);
        db.questions.edit();
        db.questions.fieldByName(QStringLiteral("分值"))->setAsInteger(1);
        EXPECT_NO_THROW(db.questions.post());
        EXPECT_EQ(db.questions.state(), DatasetState::Browse);
    }
    QFile::setPermissions(file.dir(), kFolderOpen);
    QFile::setPermissions(file.path(), kReadWrite);
    EXPECT_EQ(fileBytes(file.path()) == bytes, c.readOnly);
}

INSTANTIATE_TEST_SUITE_P(ReadOnlyFile, RealPermissions,
                         ::testing::Values(PermissionCase{"Writable", kReadWrite, kFolderOpen, false},
                                           PermissionCase{"ReadOnlyFile", kReadOnly, kFolderOpen, true},
                                           PermissionCase{"ReadOnlyFolder", kReadWrite, kFolderReadOnly, true},
                                           PermissionCase{"WalFileInReadOnlyFolder", kReadOnly, kFolderReadOnly, true,
                                                          true}),
                         [](const auto &param) { return std::string(param.param.name); });

} // namespace

// Taking a test needs only reading: a disk without room at the start opens
// the file as a read-only one is opened, in memory, and says why.
TEST(ReadOnlyDatabase, AFullDiskAtStartOpensTheFileInMemory)
{
    DatabaseFile file;
    file.fillSample();
    const QByteArray before = fileBytes(file.path());
    TestDatabase database;
    {
        lovetest::testing::FileSizeLimit full(1); // no byte can be written: a full disk
        EXPECT_EQ(database.openAll(file.path()), QStringList());
    }
    EXPECT_TRUE(database.connection.readOnly());
    EXPECT_EQ(database.connection.readOnlyCause(), Connection::ReadOnlyCause::DiskFull);
    EXPECT_TRUE(database.catalog.locate(QStringLiteral("ID"), 2));
    database.connection.close();
    EXPECT_EQ(fileBytes(file.path()), before);
}
