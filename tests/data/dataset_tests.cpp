#include "data/codepage.h"
#include "data/convert.h"
#include "data/database_error.h"
#include "data/test_database.h"
#include "fixture.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace lovetest;
using lovetest::testing::DatabaseFile;

namespace {

QString errorText(const std::function<void()> &action)
{
    try {
        action();
    } catch (const std::exception &error) {
        return QString::fromUtf8(error.what());
    }
    return QStringLiteral("<no error>");
}

// ---------------------------------------------------------------- opening

TEST(Opening, MissingFileGivesFiveReportsAndCreatesNoFile)
{
    DatabaseFile dir(false);
    TestDatabase db;
    const QStringList reports = db.openAll();
    const QString missing = QStringLiteral(": Cannot open database file \"date.mdb\": no such file");
    EXPECT_EQ(reports,
              (QStringList{"ADOConnection1" + missing, "ADOQuery1" + missing, "ADOQuery2" + missing,
                           "ADOQuery3" + missing, "ADOQuery4" + missing}));
    EXPECT_FALSE(QFileInfo::exists(dir.path()));
    EXPECT_FALSE(db.catalog.active());
    EXPECT_TRUE(db.catalog.isEmpty());
    EXPECT_TRUE(db.catalog.atEnd());
    // Later actions on a closed set stop with the data layer's errors.
    EXPECT_EQ(errorText([&] { db.catalog.first(); }),
              QStringLiteral("ADOQuery1: Cannot perform this operation on a closed dataset"));
    EXPECT_EQ(errorText([&] { db.catalog.fieldByName(QStringLiteral("ID")); }),
              QStringLiteral("ADOQuery1: Field 'ID' not found"));
    EXPECT_EQ(errorText([&] { db.questions.edit(); }),
              QStringLiteral("ADOQuery2: Cannot perform this operation on a closed dataset"));
}

TEST(Opening, MissingTableFailsOnlyThatDataset)
{
    DatabaseFile file;
    file.fillSample();
    file.exec(QStringLiteral("DROP TABLE 说明"));
    TestDatabase db;
    EXPECT_EQ(db.openAll(), QStringList{QStringLiteral("ADOQuery3: no such table: 说明")});
    EXPECT_TRUE(db.catalog.active());
    EXPECT_TRUE(db.questions.active());
    EXPECT_FALSE(db.instructions.active());
    EXPECT_TRUE(db.verdicts.active());
}

TEST(Opening, FileThatIsNoDatabaseFailsWithTheEngineMessage)
{
    DatabaseFile dir(false);
    QFile junk(dir.path());
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    Connection connection(QStringLiteral("ADOConnection1"));
    EXPECT_EQ(errorText([&] { connection.open(); }), QStringLiteral("ADOConnection1: file is not a database"));
    EXPECT_FALSE(connection.connected());
}

TEST(Opening, ReadsTheWholeResultInFileOrderAndStandsOnTheFirstRow)
{
    DatabaseFile file;
    file.fillSample();
    TestDatabase db;
    ASSERT_TRUE(db.openAll().isEmpty());
    EXPECT_EQ(db.catalog.recordCount(), 3);
    EXPECT_EQ(db.questions.recordCount(), 6);
    EXPECT_EQ(db.verdicts.recordCount(), 3);
    EXPECT_EQ(db.questions.rowNumber(), 1);
    EXPECT_TRUE(db.questions.atStart());
    EXPECT_FALSE(db.questions.atEnd());
    EXPECT_EQ(db.questions.fieldByName(QStringLiteral("ID"))->asInteger(), 1);
    EXPECT_EQ(db.catalog.sql().read(), toCp936(QStringLiteral("select * from 量表 where 目录=1\r\n")));
    EXPECT_EQ(db.questions.sql().read(), toCp936(QStringLiteral("select * from 量表\r\n")));
    EXPECT_TRUE(db.sealedKeySlot.sql().isEmpty());
}

// ---------------------------------------------------------------- fields

class SampleDatabase : public ::testing::Test {
protected:
    void SetUp() override
    {
        file.fillSample();
        const QStringList errors = db.openAll();
        ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    }
    Field *field(Dataset &set, const char *name) { return set.fieldByName(QString::fromUtf8(name)); }
    QVariant fileValue(const QString &sql) { return file.scalar(sql); }

    DatabaseFile file;
    TestDatabase db;
};

TEST_F(SampleDatabase, FieldLookupIgnoresCase)
{
    EXPECT_EQ(db.questions.fieldByName(QStringLiteral("id")), db.questions.fieldByName(QStringLiteral("ID")));
    EXPECT_EQ(db.questions.findField(QStringLiteral("name"))->name(), QStringLiteral("Name"));
    EXPECT_EQ(db.questions.findField(QStringLiteral("xyz")), nullptr);
    EXPECT_EQ(errorText([&] { db.questions.fieldByName(QStringLiteral("xyz")); }),
              QStringLiteral("ADOQuery2: Field 'xyz' not found"));
}

TEST_F(SampleDatabase, FieldTypesFollowTheDeclaredColumnTypes)
{
    EXPECT_EQ(field(db.questions, "ID")->type(), FieldType::Integer);
    EXPECT_EQ(field(db.questions, "目录")->type(), FieldType::Integer);
    EXPECT_EQ(field(db.questions, "参数")->type(), FieldType::Float);
    EXPECT_EQ(field(db.questions, "Name")->type(), FieldType::String);
    EXPECT_EQ(field(db.questions, "Name")->displayWidth(), 255);
    EXPECT_EQ(db.questions.fieldCount(), 10);
}

TEST_F(SampleDatabase, ReadsValuesAndNulls)
{
    Dataset &set = db.questions; // row 1: Parent, 分值, 参数, 备注 are Null
    EXPECT_TRUE(field(set, "Parent")->isNull());
    EXPECT_FALSE(field(set, "Parent")->value().isValid());
    EXPECT_EQ(field(set, "Parent")->asString(), QString());
    EXPECT_EQ(field(set, "Parent")->asInteger(), 0);
    EXPECT_EQ(field(set, "参数")->asFloat(), 0.0);
    EXPECT_EQ(field(set, "Name")->asString(), QStringLiteral("爱情测试"));
    set.next();
    EXPECT_EQ(field(set, "Parent")->asInteger(), 1);
    EXPECT_EQ(field(set, "Parent")->value(), QVariant(qlonglong(1)));
    EXPECT_EQ(field(set, "参数")->asFloat(), 1.5);
    EXPECT_EQ(field(set, "参数")->asString(), QStringLiteral("1.5"));
    EXPECT_EQ(field(set, "目录")->asString(), QStringLiteral("1"));
}

TEST_F(SampleDatabase, TextThatIsNoNumberRaisesOnIntegerRead)
{
    Dataset &set = db.questions;
    EXPECT_EQ(errorText([&] { field(set, "Name")->asInteger(); }),
              QStringLiteral("'爱情测试' is not a valid integer value"));
    set.edit();
    EXPECT_THROW(field(set, "分值")->setAsString(QStringLiteral("x1")), ConversionError);
    field(set, "分值")->setAsString(QString()); // an empty text clears a number
    EXPECT_TRUE(field(set, "分值")->isNull());
    field(set, "分值")->setAsString(QStringLiteral("12"));
    EXPECT_EQ(field(set, "分值")->value(), QVariant(qlonglong(12)));
    field(set, "Name")->setAsInteger(7);
    EXPECT_EQ(field(set, "Name")->value(), QVariant(QStringLiteral("7")));
}

TEST_F(SampleDatabase, WritingNeedsEditState)
{
    EXPECT_EQ(errorText([&] { field(db.catalog, "分值")->setAsInteger(1); }),
              QStringLiteral("ADOQuery1: Dataset not in edit or insert mode"));
    db.catalog.close();
    EXPECT_EQ(errorText([&] { field(db.catalog, "分值")->asInteger(); }),
              QStringLiteral("ADOQuery1: Cannot perform this operation on a closed dataset"));
    EXPECT_EQ(db.catalog.state(), DatasetState::Inactive);
}

// ---------------------------------------------------------------- editing

TEST_F(SampleDatabase, PostWritesTheRowAndCancelDropsIt)
{
    Dataset &set = db.questions;
    ASSERT_TRUE(set.locate(QStringLiteral("ID"), 11));
    set.edit();
    EXPECT_EQ(set.state(), DatasetState::Edit);
    field(set, "分值")->setAsInteger(4);
    field(set, "Name")->setAsString(QStringLiteral("新名"));
    EXPECT_EQ(field(set, "分值")->asInteger(), 4);
    EXPECT_TRUE(fileValue(QStringLiteral("SELECT 分值 FROM 量表 WHERE ID=11")).isNull());
    set.post();
    EXPECT_EQ(set.state(), DatasetState::Browse);
    EXPECT_EQ(fileValue(QStringLiteral("SELECT 分值 FROM 量表 WHERE ID=11")).toInt(), 4);
    EXPECT_EQ(fileValue(QStringLiteral("SELECT Name FROM 量表 WHERE ID=11")).toString(), QStringLiteral("新名"));

    set.edit();
    field(set, "分值")->clear();
    set.cancel();
    EXPECT_EQ(field(set, "分值")->asInteger(), 4);
    set.edit();
    field(set, "分值")->setValue(QVariant());
    set.post();
    EXPECT_TRUE(fileValue(QStringLiteral("SELECT 分值 FROM 量表 WHERE ID=11")).isNull());
    // Only the written column goes to the file: Name stays as posted.
    EXPECT_EQ(fileValue(QStringLiteral("SELECT Name FROM 量表 WHERE ID=11")).toString(), QStringLiteral("新名"));
}

TEST_F(SampleDatabase, MovingOrRefilteringPostsAChangedEdit)
{
    struct Case {
        const char *name;
        std::function<void(Dataset &)> move;
    };
    const Case cases[] = {
        {"Next", [](Dataset &s) { s.next(); }},
        {"First", [](Dataset &s) { s.first(); }},
        {"locate", [](Dataset &s) { s.locate(QStringLiteral("ID"), 1); }},
        {"gotoBookmark", [](Dataset &s) { s.gotoBookmark(s.bookmark()); }},
        {"filter off", [](Dataset &s) { s.setFiltered(false); }},
        {"filter text", [](Dataset &s) { s.setFilter(QStringLiteral("Parent=3")); }},
    };
    int score = 20;
    for (const Case &c : cases) {
        Dataset &set = db.questions;
        set.setFiltered(false);
        set.setFilter(QStringLiteral("Parent=2"));
        set.setFiltered(true);
        ASSERT_TRUE(set.locate(QStringLiteral("ID"), 10));
        set.edit();
        field(set, "分值")->setAsInteger(++score);
        c.move(set);
        EXPECT_EQ(set.state(), DatasetState::Browse) << c.name;
        EXPECT_EQ(fileValue(QStringLiteral("SELECT 分值 FROM 量表 WHERE ID=10")).toInt(), score) << c.name;
    }
}

TEST_F(SampleDatabase, MovingCancelsAnEditWithoutChange)
{
    Dataset &set = db.questions;
    set.edit();
    set.next();
    EXPECT_EQ(set.state(), DatasetState::Browse);
    EXPECT_FALSE(set.isModified());
    EXPECT_EQ(set.rowNumber(), 2);
}

TEST_F(SampleDatabase, EditOnAnEmptySetBeginsANewRow)
{
    Dataset &set = db.verdicts;
    set.setFilter(QStringLiteral("lbid=7"));
    set.setFiltered(true);
    ASSERT_TRUE(set.isEmpty());
    set.edit();
    EXPECT_EQ(set.state(), DatasetState::Insert);
    EXPECT_FALSE(set.isEmpty());
    field(set, "lbid")->setAsInteger(7);
    field(set, "结果")->setAsString(QStringLiteral("v"));
    set.post();
    EXPECT_EQ(set.state(), DatasetState::Browse);
    EXPECT_EQ(set.recordCount(), 1);
    EXPECT_EQ(field(set, "结果")->asString(), QStringLiteral("v"));
    EXPECT_TRUE(field(set, "类别")->isNull());
    EXPECT_EQ(fileValue(QStringLiteral("SELECT count(*) FROM 结果 WHERE lbid=7 AND 结果='v'")).toInt(), 1);

    // A new row of 量表 gets its key from the engine.
    db.instructions.append();
    field(db.instructions, "内容")->setAsString(QStringLiteral("second"));
    db.instructions.post();
    EXPECT_EQ(field(db.instructions, "ID")->asInteger(), 2);
}

TEST_F(SampleDatabase, DeleteRemovesTheRowFromFileAndCopy)
{
    Dataset &set = db.catalog; // catalog rows 1, 2, 3
    ASSERT_TRUE(set.locate(QStringLiteral("ID"), 2));
    set.remove();
    EXPECT_EQ(fileValue(QStringLiteral("SELECT count(*) FROM 量表 WHERE ID=2")).toInt(), 0);
    EXPECT_EQ(fileValue(QStringLiteral("SELECT count(*) FROM 量表 WHERE Parent=2")).toInt(), 2); // questions stay
    EXPECT_EQ(set.recordCount(), 2);
    EXPECT_EQ(field(set, "ID")->asInteger(), 3); // same position
    set.remove();
    EXPECT_EQ(field(set, "ID")->asInteger(), 1); // the new last row
    set.remove();
    EXPECT_TRUE(set.isEmpty());
    EXPECT_EQ(errorText([&] { set.remove(); }),
              QStringLiteral("ADOQuery1: Cannot perform this operation on an empty dataset"));
    // Verdict rows have no key of their own; the right one still goes.
    ASSERT_TRUE(db.verdicts.locate(QStringLiteral("类别"), 2));
    db.verdicts.remove();
    EXPECT_EQ(fileValue(QStringLiteral("SELECT group_concat(类别) FROM 结果")).toString(), QStringLiteral("0,1"));
}

TEST_F(SampleDatabase, DatasetsKeepSeparateCopies)
{
    ASSERT_TRUE(db.catalog.locate(QStringLiteral("ID"), 2));
    db.catalog.edit();
    field(db.catalog, "分值")->setAsInteger(9);
    db.catalog.post();
    EXPECT_EQ(fileValue(QStringLiteral("SELECT 分值 FROM 量表 WHERE ID=2")).toInt(), 9);
    ASSERT_TRUE(db.questions.locate(QStringLiteral("ID"), 2));
    EXPECT_EQ(field(db.questions, "分值")->asInteger(), 0);
}

TEST_F(SampleDatabase, RefusedPostRaisesAndStaysInEdit)
{
    file.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON 量表 "
                             "BEGIN SELECT RAISE(ABORT, 'attempt to write a readonly database'); END"));
    Dataset &set = db.questions;
    set.edit();
    field(set, "分值")->setAsInteger(5);
    EXPECT_EQ(errorText([&] { set.post(); }), QStringLiteral("ADOQuery2: attempt to write a readonly database"));
    EXPECT_EQ(set.state(), DatasetState::Edit);
    EXPECT_EQ(field(set, "分值")->asInteger(), 5);
    // Moving tries to post again and stays where it is.
    EXPECT_THROW(set.next(), DatabaseError);
    EXPECT_EQ(set.rowNumber(), 1);
    set.cancel();
    set.next();
    EXPECT_EQ(set.rowNumber(), 2);
}

// ---------------------------------------------------------------- navigation

TEST_F(SampleDatabase, NextOnTheLastRowSetsEofAndStays)
{
    Dataset &set = db.catalog;
    set.next();
    set.next();
    EXPECT_FALSE(set.atEnd());
    EXPECT_EQ(set.rowNumber(), 3);
    set.next();
    EXPECT_TRUE(set.atEnd());
    EXPECT_EQ(set.rowNumber(), 3);
    EXPECT_EQ(field(set, "ID")->asInteger(), 3);
    set.first();
    EXPECT_FALSE(set.atEnd());
    EXPECT_TRUE(set.atStart());
}

TEST_F(SampleDatabase, LocateFindsTheFirstExactMatchOrStays)
{
    Dataset &set = db.questions;
    EXPECT_TRUE(set.locate(QStringLiteral("parent"), 2));
    EXPECT_EQ(field(set, "ID")->asInteger(), 10);
    set.first();
    EXPECT_TRUE(set.locate(QStringLiteral("Name"), QStringLiteral("Q2")));
    EXPECT_EQ(field(set, "ID")->asInteger(), 11);
    EXPECT_FALSE(set.locate(QStringLiteral("Name"), QStringLiteral("q2")));
    EXPECT_EQ(field(set, "ID")->asInteger(), 11);
    EXPECT_TRUE(set.locate(QStringLiteral("ID"), QStringLiteral("12")));
    EXPECT_TRUE(set.locate(QStringLiteral("参数"), 2));
    EXPECT_EQ(field(set, "ID")->asInteger(), 3);
    EXPECT_TRUE(set.locate(QStringLiteral("Parent"), QVariant()));
    EXPECT_EQ(field(set, "ID")->asInteger(), 1);
    // Rows hidden by the filter are not found.
    set.setFilter(QStringLiteral("Parent=3"));
    set.setFiltered(true);
    EXPECT_FALSE(set.locate(QStringLiteral("ID"), 10));
    EXPECT_EQ(errorText([&] { set.locate(QStringLiteral("xyz"), 1); }),
              QStringLiteral("ADOQuery2: Field 'xyz' not found"));
}

TEST_F(SampleDatabase, BookmarksSurviveRefilteringWhileTheRowExists)
{
    Dataset &set = db.questions;
    ASSERT_TRUE(set.locate(QStringLiteral("ID"), 12));
    const Bookmark mark = set.bookmark();
    set.first();
    set.setFilter(QStringLiteral("Parent=3"));
    set.setFiltered(true);
    EXPECT_TRUE(set.isBookmarkValid(mark));
    set.gotoBookmark(mark);
    EXPECT_EQ(field(set, "ID")->asInteger(), 12);
    EXPECT_EQ(set.rowNumber(), 2);
    set.setFiltered(false);
    set.setFilter(QStringLiteral("Parent=2"));
    set.setFiltered(true);
    EXPECT_FALSE(set.isBookmarkValid(mark));
    EXPECT_EQ(errorText([&] { set.gotoBookmark(mark); }), QStringLiteral("ADOQuery2: Record not found"));
    set.setFiltered(false);
    set.gotoBookmark(mark);
    set.remove();
    EXPECT_FALSE(set.isBookmarkValid(mark));
    EXPECT_FALSE(set.isBookmarkValid(Bookmark{}));
}

} // namespace
