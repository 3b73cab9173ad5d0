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
    EXPECT_EQ(reports, (QStringList{"ADOConnection1" + missing, "ADOQuery1" + missing, "ADOQuery2" + missing,
                                    "ADOQuery3" + missing, "ADOQuery4" + missing}));
    EXPECT_FALSE(QFileInfo::exists(dir.path()));
    EXPECT_FALSE(db.ADOQuery1.active());
    EXPECT_TRUE(db.ADOQuery1.IsEmpty());
    EXPECT_TRUE(db.ADOQuery1.Eof());
    // Later actions on a closed set stop with the data layer's errors.
    EXPECT_EQ(errorText([&] { db.ADOQuery1.First(); }),
              QStringLiteral("ADOQuery1: Cannot perform this operation on a closed dataset"));
    EXPECT_EQ(errorText([&] { db.ADOQuery1.FieldByName(QStringLiteral("ID")); }),
              QStringLiteral("ADOQuery1: Field 'ID' not found"));
    EXPECT_EQ(errorText([&] { db.ADOQuery2.Edit(); }),
              QStringLiteral("ADOQuery2: Cannot perform this operation on a closed dataset"));
}

TEST(Opening, MissingTableFailsOnlyThatDataset)
{
    DatabaseFile file;
    file.fillSample();
    file.exec(QStringLiteral("DROP TABLE 说明"));
    TestDatabase db;
    EXPECT_EQ(db.openAll(), QStringList{QStringLiteral("ADOQuery3: no such table: 说明")});
    EXPECT_TRUE(db.ADOQuery1.active());
    EXPECT_TRUE(db.ADOQuery2.active());
    EXPECT_FALSE(db.ADOQuery3.active());
    EXPECT_TRUE(db.ADOQuery4.active());
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
    EXPECT_EQ(db.ADOQuery1.RecordCount(), 3);
    EXPECT_EQ(db.ADOQuery2.RecordCount(), 6);
    EXPECT_EQ(db.ADOQuery4.RecordCount(), 3);
    EXPECT_EQ(db.ADOQuery2.RecNo(), 1);
    EXPECT_TRUE(db.ADOQuery2.Bof());
    EXPECT_FALSE(db.ADOQuery2.Eof());
    EXPECT_EQ(db.ADOQuery2.FieldByName(QStringLiteral("ID"))->asInteger(), 1);
    EXPECT_EQ(db.ADOQuery1.SQL().read(), toCp936(QStringLiteral("select * from 量表 where 目录=1\r\n")));
    EXPECT_EQ(db.ADOQuery2.SQL().read(), toCp936(QStringLiteral("select * from 量表\r\n")));
    EXPECT_TRUE(db.ADOQuery5.SQL().isEmpty());
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
    Field *field(Dataset &set, const char *name) { return set.FieldByName(QString::fromUtf8(name)); }
    QVariant fileValue(const QString &sql) { return file.scalar(sql); }

    DatabaseFile file;
    TestDatabase db;
};

TEST_F(SampleDatabase, FieldLookupIgnoresCase)
{
    EXPECT_EQ(db.ADOQuery2.FieldByName(QStringLiteral("id")), db.ADOQuery2.FieldByName(QStringLiteral("ID")));
    EXPECT_EQ(db.ADOQuery2.FindField(QStringLiteral("name"))->name(), QStringLiteral("Name"));
    EXPECT_EQ(db.ADOQuery2.FindField(QStringLiteral("xyz")), nullptr);
    EXPECT_EQ(errorText([&] { db.ADOQuery2.FieldByName(QStringLiteral("xyz")); }),
              QStringLiteral("ADOQuery2: Field 'xyz' not found"));
}

TEST_F(SampleDatabase, FieldTypesFollowTheDeclaredColumnTypes)
{
    EXPECT_EQ(field(db.ADOQuery2, "ID")->type(), ftInteger);
    EXPECT_EQ(field(db.ADOQuery2, "目录")->type(), ftInteger);
    EXPECT_EQ(field(db.ADOQuery2, "参数")->type(), ftFloat);
    EXPECT_EQ(field(db.ADOQuery2, "Name")->type(), ftString);
    EXPECT_EQ(field(db.ADOQuery2, "Name")->displayWidth(), 255);
    EXPECT_EQ(db.ADOQuery2.fieldCount(), 10);
}

TEST_F(SampleDatabase, ReadsValuesAndNulls)
{
    Dataset &set = db.ADOQuery2;   // row 1: Parent, 分值, 参数, 备注 are Null
    EXPECT_TRUE(field(set, "Parent")->isNull());
    EXPECT_FALSE(field(set, "Parent")->value().isValid());
    EXPECT_EQ(field(set, "Parent")->asString(), QString());
    EXPECT_EQ(field(set, "Parent")->asInteger(), 0);
    EXPECT_EQ(field(set, "参数")->asFloat(), 0.0);
    EXPECT_EQ(field(set, "Name")->asString(), QStringLiteral("爱情测试"));
    set.Next();
    EXPECT_EQ(field(set, "Parent")->asInteger(), 1);
    EXPECT_EQ(field(set, "Parent")->value(), QVariant(qlonglong(1)));
    EXPECT_EQ(field(set, "参数")->asFloat(), 1.5);
    EXPECT_EQ(field(set, "参数")->asString(), QStringLiteral("1.5"));
    EXPECT_EQ(field(set, "目录")->asString(), QStringLiteral("1"));
}

TEST_F(SampleDatabase, TextThatIsNoNumberRaisesOnIntegerRead)
{
    Dataset &set = db.ADOQuery2;
    EXPECT_EQ(errorText([&] { field(set, "Name")->asInteger(); }),
              QStringLiteral("'爱情测试' is not a valid integer value"));
    set.Edit();
    EXPECT_THROW(field(set, "分值")->setAsString(QStringLiteral("x1")), ConversionError);
    field(set, "分值")->setAsString(QString());   // an empty text clears a number
    EXPECT_TRUE(field(set, "分值")->isNull());
    field(set, "分值")->setAsString(QStringLiteral("12"));
    EXPECT_EQ(field(set, "分值")->value(), QVariant(qlonglong(12)));
    field(set, "Name")->setAsInteger(7);
    EXPECT_EQ(field(set, "Name")->value(), QVariant(QStringLiteral("7")));
}

TEST_F(SampleDatabase, WritingNeedsEditState)
{
    EXPECT_EQ(errorText([&] { field(db.ADOQuery1, "分值")->setAsInteger(1); }),
              QStringLiteral("ADOQuery1: Dataset not in edit or insert mode"));
    db.ADOQuery1.close();
    EXPECT_EQ(errorText([&] { field(db.ADOQuery1, "分值")->asInteger(); }),
              QStringLiteral("ADOQuery1: Cannot perform this operation on a closed dataset"));
    EXPECT_EQ(db.ADOQuery1.State(), dsInactive);
}

// ---------------------------------------------------------------- editing

TEST_F(SampleDatabase, PostWritesTheRowAndCancelDropsIt)
{
    Dataset &set = db.ADOQuery2;
    ASSERT_TRUE(set.Locate(QStringLiteral("ID"), 11));
    set.Edit();
    EXPECT_EQ(set.State(), dsEdit);
    field(set, "分值")->setAsInteger(4);
    field(set, "Name")->setAsString(QStringLiteral("新名"));
    EXPECT_EQ(field(set, "分值")->asInteger(), 4);
    EXPECT_TRUE(fileValue(QStringLiteral("SELECT 分值 FROM 量表 WHERE ID=11")).isNull());
    set.Post();
    EXPECT_EQ(set.State(), dsBrowse);
    EXPECT_EQ(fileValue(QStringLiteral("SELECT 分值 FROM 量表 WHERE ID=11")).toInt(), 4);
    EXPECT_EQ(fileValue(QStringLiteral("SELECT Name FROM 量表 WHERE ID=11")).toString(), QStringLiteral("新名"));

    set.Edit();
    field(set, "分值")->clear();
    set.Cancel();
    EXPECT_EQ(field(set, "分值")->asInteger(), 4);
    set.Edit();
    field(set, "分值")->setValue(QVariant());
    set.Post();
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
        {"Next", [](Dataset &s) { s.Next(); }},
        {"First", [](Dataset &s) { s.First(); }},
        {"Locate", [](Dataset &s) { s.Locate(QStringLiteral("ID"), 1); }},
        {"GotoBookmark", [](Dataset &s) { s.GotoBookmark(s.GetBookmark()); }},
        {"filter off", [](Dataset &s) { s.setFiltered(false); }},
        {"filter text", [](Dataset &s) { s.setFilter(QStringLiteral("Parent=3")); }},
    };
    int score = 20;
    for (const Case &c : cases) {
        Dataset &set = db.ADOQuery2;
        set.setFiltered(false);
        set.setFilter(QStringLiteral("Parent=2"));
        set.setFiltered(true);
        ASSERT_TRUE(set.Locate(QStringLiteral("ID"), 10));
        set.Edit();
        field(set, "分值")->setAsInteger(++score);
        c.move(set);
        EXPECT_EQ(set.State(), dsBrowse) << c.name;
        EXPECT_EQ(fileValue(QStringLiteral("SELECT 分值 FROM 量表 WHERE ID=10")).toInt(), score) << c.name;
    }
}

TEST_F(SampleDatabase, MovingCancelsAnEditWithoutChange)
{
    Dataset &set = db.ADOQuery2;
    set.Edit();
    set.Next();
    EXPECT_EQ(set.State(), dsBrowse);
    EXPECT_FALSE(set.Modified());
    EXPECT_EQ(set.RecNo(), 2);
}

TEST_F(SampleDatabase, EditOnAnEmptySetBeginsANewRow)
{
    Dataset &set = db.ADOQuery4;
    set.setFilter(QStringLiteral("lbid=7"));
    set.setFiltered(true);
    ASSERT_TRUE(set.IsEmpty());
    set.Edit();
    EXPECT_EQ(set.State(), dsInsert);
    EXPECT_FALSE(set.IsEmpty());
    field(set, "lbid")->setAsInteger(7);
    field(set, "结果")->setAsString(QStringLiteral("v"));
    set.Post();
    EXPECT_EQ(set.State(), dsBrowse);
    EXPECT_EQ(set.RecordCount(), 1);
    EXPECT_EQ(field(set, "结果")->asString(), QStringLiteral("v"));
    EXPECT_TRUE(field(set, "类别")->isNull());
    EXPECT_EQ(fileValue(QStringLiteral("SELECT count(*) FROM 结果 WHERE lbid=7 AND 结果='v'")).toInt(), 1);

    // A new row of 量表 gets its key from the engine.
    db.ADOQuery3.Append();
    field(db.ADOQuery3, "内容")->setAsString(QStringLiteral("second"));
    db.ADOQuery3.Post();
    EXPECT_EQ(field(db.ADOQuery3, "ID")->asInteger(), 2);
}

TEST_F(SampleDatabase, DeleteRemovesTheRowFromFileAndCopy)
{
    Dataset &set = db.ADOQuery1;   // catalog rows 1, 2, 3
    ASSERT_TRUE(set.Locate(QStringLiteral("ID"), 2));
    set.Delete();
    EXPECT_EQ(fileValue(QStringLiteral("SELECT count(*) FROM 量表 WHERE ID=2")).toInt(), 0);
    EXPECT_EQ(fileValue(QStringLiteral("SELECT count(*) FROM 量表 WHERE Parent=2")).toInt(), 2);   // questions stay
    EXPECT_EQ(set.RecordCount(), 2);
    EXPECT_EQ(field(set, "ID")->asInteger(), 3);   // same position
    set.Delete();
    EXPECT_EQ(field(set, "ID")->asInteger(), 1);   // the new last row
    set.Delete();
    EXPECT_TRUE(set.IsEmpty());
    EXPECT_EQ(errorText([&] { set.Delete(); }),
              QStringLiteral("ADOQuery1: Cannot perform this operation on an empty dataset"));
    // Verdict rows have no key of their own; the right one still goes.
    ASSERT_TRUE(db.ADOQuery4.Locate(QStringLiteral("类别"), 2));
    db.ADOQuery4.Delete();
    EXPECT_EQ(fileValue(QStringLiteral("SELECT group_concat(类别) FROM 结果")).toString(), QStringLiteral("0,1"));
}

TEST_F(SampleDatabase, DatasetsKeepSeparateCopies)
{
    ASSERT_TRUE(db.ADOQuery1.Locate(QStringLiteral("ID"), 2));
    db.ADOQuery1.Edit();
    field(db.ADOQuery1, "分值")->setAsInteger(9);
    db.ADOQuery1.Post();
    EXPECT_EQ(fileValue(QStringLiteral("SELECT 分值 FROM 量表 WHERE ID=2")).toInt(), 9);
    ASSERT_TRUE(db.ADOQuery2.Locate(QStringLiteral("ID"), 2));
    EXPECT_EQ(field(db.ADOQuery2, "分值")->asInteger(), 0);
}

TEST_F(SampleDatabase, RefusedPostRaisesAndStaysInEdit)
{
    file.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON 量表 "
                             "BEGIN SELECT RAISE(ABORT, 'attempt to write a readonly database'); END"));
    Dataset &set = db.ADOQuery2;
    set.Edit();
    field(set, "分值")->setAsInteger(5);
    EXPECT_EQ(errorText([&] { set.Post(); }), QStringLiteral("ADOQuery2: attempt to write a readonly database"));
    EXPECT_EQ(set.State(), dsEdit);
    EXPECT_EQ(field(set, "分值")->asInteger(), 5);
    // Moving tries to post again and stays where it is.
    EXPECT_THROW(set.Next(), DatabaseError);
    EXPECT_EQ(set.RecNo(), 1);
    set.Cancel();
    set.Next();
    EXPECT_EQ(set.RecNo(), 2);
}

// ---------------------------------------------------------------- navigation

TEST_F(SampleDatabase, NextOnTheLastRowSetsEofAndStays)
{
    Dataset &set = db.ADOQuery1;
    set.Next();
    set.Next();
    EXPECT_FALSE(set.Eof());
    EXPECT_EQ(set.RecNo(), 3);
    set.Next();
    EXPECT_TRUE(set.Eof());
    EXPECT_EQ(set.RecNo(), 3);
    EXPECT_EQ(field(set, "ID")->asInteger(), 3);
    set.First();
    EXPECT_FALSE(set.Eof());
    EXPECT_TRUE(set.Bof());
}

TEST_F(SampleDatabase, LocateFindsTheFirstExactMatchOrStays)
{
    Dataset &set = db.ADOQuery2;
    EXPECT_TRUE(set.Locate(QStringLiteral("parent"), 2));
    EXPECT_EQ(field(set, "ID")->asInteger(), 10);
    set.First();
    EXPECT_TRUE(set.Locate(QStringLiteral("Name"), QStringLiteral("Q2")));
    EXPECT_EQ(field(set, "ID")->asInteger(), 11);
    EXPECT_FALSE(set.Locate(QStringLiteral("Name"), QStringLiteral("q2")));
    EXPECT_EQ(field(set, "ID")->asInteger(), 11);
    EXPECT_TRUE(set.Locate(QStringLiteral("ID"), QStringLiteral("12")));
    EXPECT_TRUE(set.Locate(QStringLiteral("参数"), 2));
    EXPECT_EQ(field(set, "ID")->asInteger(), 3);
    EXPECT_TRUE(set.Locate(QStringLiteral("Parent"), QVariant()));
    EXPECT_EQ(field(set, "ID")->asInteger(), 1);
    // Rows hidden by the filter are not found.
    set.setFilter(QStringLiteral("Parent=3"));
    set.setFiltered(true);
    EXPECT_FALSE(set.Locate(QStringLiteral("ID"), 10));
    EXPECT_EQ(errorText([&] { set.Locate(QStringLiteral("xyz"), 1); }), QStringLiteral("ADOQuery2: Field 'xyz' not found"));
}

TEST_F(SampleDatabase, BookmarksSurviveRefilteringWhileTheRowExists)
{
    Dataset &set = db.ADOQuery2;
    ASSERT_TRUE(set.Locate(QStringLiteral("ID"), 12));
    const Bookmark mark = set.GetBookmark();
    set.First();
    set.setFilter(QStringLiteral("Parent=3"));
    set.setFiltered(true);
    EXPECT_TRUE(set.BookmarkValid(mark));
    set.GotoBookmark(mark);
    EXPECT_EQ(field(set, "ID")->asInteger(), 12);
    EXPECT_EQ(set.RecNo(), 2);
    set.setFiltered(false);
    set.setFilter(QStringLiteral("Parent=2"));
    set.setFiltered(true);
    EXPECT_FALSE(set.BookmarkValid(mark));
    EXPECT_EQ(errorText([&] { set.GotoBookmark(mark); }), QStringLiteral("ADOQuery2: Record not found"));
    set.setFiltered(false);
    set.GotoBookmark(mark);
    set.Delete();
    EXPECT_FALSE(set.BookmarkValid(mark));
    EXPECT_FALSE(set.BookmarkValid(Bookmark{}));
}

} // namespace
