#include "data/database_error.h"
#include "data/filter.h"
#include "data/test_database.h"
#include "fixture.h"

#include <gtest/gtest.h>

using namespace lovetest;
using lovetest::testing::DatabaseFile;

namespace {

TEST(LikeMatch, StarIsTheOnlyWildcard)
{
    struct Case {
        const char *text;
        const char *pattern;
        bool match;
    };
    const Case cases[] = {
        {"abc", "*b*", true},
        {"abc", "*abc*", true},
        {"abc", "abc", true},
        {"abc", "ab", false},
        {"abc", "*", true},
        {"", "*", true},
        {"", "**", true},
        {"abc", "a*c", true},
        {"ac", "a*c", true},
        {"a", "a*a", false}, // pieces must not overlap
        {"aXbXc", "a*b*c", true},
        {"acb", "a*b*c", false},
        {"ABC", "*b*", true}, // Latin letters ignore case
        {"50%", "*%*", true}, // % and _ and ? are literal
        {"50", "*%*", false},
        {"a_b", "*_*", true},
        {"ab", "a_b", false},
        {"ab", "a?", false},
        {"a?", "a?", true},
        {"爱情心理", "*情心*", true},
        {"爱情心理", "*心情*", false},
        {"a*b", "*\\**", true}, // an escaped asterisk matches only itself
        {"ab", "*\\**", false},
        {"a\\b", "*\\\\*", true}, // an escaped backslash
        {"a\\b", "a\\b", true}, // a backslash before another character is itself
    };
    for (const Case &c : cases)
        EXPECT_EQ(likeMatch(QString::fromUtf8(c.text), QString::fromUtf8(c.pattern)), c.match)
            << c.text << " like " << c.pattern;
}

TEST(ParseFilter, ReadsConditionsValuesAndQuotes)
{
    const QList<FilterCondition> conditions =
        parseFilter(QStringLiteral("  lbid = -3 AND 类别=+2 and name LIKE 'it''s *' and Name='' "));
    ASSERT_EQ(conditions.size(), 4);
    EXPECT_EQ(conditions[0].field, QStringLiteral("lbid"));
    EXPECT_TRUE(conditions[0].numeric);
    EXPECT_EQ(conditions[0].number, -3);
    EXPECT_EQ(conditions[1].field, QStringLiteral("类别"));
    EXPECT_EQ(conditions[1].number, 2);
    EXPECT_EQ(conditions[2].op, FilterCondition::Like);
    EXPECT_EQ(conditions[2].text, QStringLiteral("it's *"));
    EXPECT_FALSE(conditions[3].numeric);
    EXPECT_EQ(conditions[3].text, QString());
    EXPECT_TRUE(parseFilter(QStringLiteral("   ")).isEmpty());
}

TEST(ParseFilter, RejectsBrokenTextsWithClearMessages)
{
    struct Case {
        const char *text;
        const char *message;
    };
    const Case cases[] = {
        {"name like '*'*'", "Filter expression incorrectly terminated"}, // a search text of one quote
        {"name like '*a'b*'", "Filter expression incorrectly terminated"},
        {"name like '*abc", "Unterminated string in filter expression"},
        {"Parent=", "Value expected after 'Parent' in filter expression"},
        {"Parent 12", "'=' or 'like' expected after field name 'Parent'"},
        {"Parent=12 and", "Field name expected in filter expression"},
        {"=12", "Field name expected in filter expression"},
        {"Parent=#", "Invalid character '#' in filter expression"},
        {"Parent=1.5", "Filter expression incorrectly terminated"},
        {"Parent=-x", "Invalid character '-' in filter expression"},
        {"Parent=12 or ID=3", "Filter expression incorrectly terminated"},
        {"Parent<>12", "Invalid character '<' in filter expression"},
        {"Parent=99999999999999999999", "Number out of range in filter expression: 99999999999999999999"},
    };
    for (const Case &c : cases) {
        try {
            parseFilter(QString::fromUtf8(c.text));
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const FilterError &error) {
            EXPECT_STREQ(error.what(), c.message) << c.text;
        }
    }
}

QList<int> visibleIds(Dataset &set)
{
    QList<int> ids;
    for (set.first(); !set.atEnd(); set.next())
        ids.append(set.fieldByName(QStringLiteral("ID"))->asInteger());
    return ids;
}

QList<int> verdictKeys(Dataset &set)
{
    QList<int> keys;
    for (set.first(); !set.atEnd(); set.next())
        keys.append(set.fieldByName(QStringLiteral("lbid"))->asInteger() * 10 +
                    set.fieldByName(QStringLiteral("类别"))->asInteger());
    return keys;
}

void refilter(Dataset &set, const QString &text)
{
    set.setFiltered(false);
    set.setFilter(text);
    set.setFiltered(true);
}

class FilteredDataset : public ::testing::Test {
protected:
    void SetUp() override
    {
        file.fillSample();
        file.addItem(20, QVariant(), QStringLiteral("50% it's_ok"), true);
        file.addItem(21, QVariant(), QString(), true);
        file.exec(QStringLiteral("UPDATE 量表 SET Name=NULL WHERE ID=21"));
        const QStringList errors = db.openAll();
        ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    }
    DatabaseFile file;
    TestDatabase db;
};

TEST_F(FilteredDataset, SelectsTheRowsTheFilterTextNames)
{
    struct Case {
        const char *filter;
        QList<int> ids;
    };
    const Case cases[] = {
        {"Parent=2", {10, 11}},
        {"Parent=3", {3, 12}}, // the test's own row comes first
        {"parent = 3", {3, 12}},
        {"PARENT=-3", {}},
        {"ID='10'", {10}}, // text compared with the field's text
        {"name like '*测试*'", {1, 2, 3}},
        {"name like '*ALPHA*'", {2}},
        {"name like '*Beta'", {3}},
        {"name like '*'", {1, 2, 3, 10, 11, 12, 20}}, // Null never matches
        {"name like '*%*'", {20}},
        {"name like '*_*'", {20}},
        {"name like '*it''s*'", {20}},
        {"name like '*?*'", {}},
        {"Name='Q1'", {10}},
        {"Name='q1'", {}}, // = on text is exact
        {"分值=0 and 目录=1", {2, 3}},
        {"分值=3", {10}},
        {"", {1, 2, 3, 10, 11, 12, 20, 21}},
    };
    for (const Case &c : cases) {
        refilter(db.questions, QString::fromUtf8(c.filter));
        EXPECT_TRUE(db.questions.isFiltered());
        EXPECT_EQ(visibleIds(db.questions), c.ids) << c.filter;
        EXPECT_EQ(db.questions.recordCount(), c.ids.size()) << c.filter;
    }
}

TEST_F(FilteredDataset, VerdictFilters)
{
    refilter(db.verdicts, QStringLiteral("lbid=3"));
    EXPECT_EQ(verdictKeys(db.verdicts), (QList<int>{31, 32}));
    refilter(db.verdicts, QStringLiteral("lbid=3 and 类别=2"));
    EXPECT_EQ(verdictKeys(db.verdicts), (QList<int>{32}));
    refilter(db.verdicts, QStringLiteral("lbid=9"));
    EXPECT_TRUE(db.verdicts.atEnd());
    EXPECT_TRUE(db.verdicts.isEmpty());
    // No verdict row: the fields read as empty.
    EXPECT_EQ(db.verdicts.fieldByName(QStringLiteral("分值范围"))->asString(), QString());
}

TEST_F(FilteredDataset, SwitchingOnAndOffStandsOnTheFirstRow)
{
    Dataset &set = db.questions;
    set.setFilter(QStringLiteral("Parent=2")); // stored only while the filter is off
    EXPECT_EQ(set.recordCount(), 8);
    set.next();
    set.next();
    set.setFiltered(true);
    EXPECT_EQ(set.rowNumber(), 1);
    EXPECT_EQ(set.fieldByName(QStringLiteral("ID"))->asInteger(), 10);
    set.next();
    set.setFilter(QStringLiteral("Parent=3")); // applied at once while on
    EXPECT_EQ(set.fieldByName(QStringLiteral("ID"))->asInteger(), 3);
    set.next();
    set.setFiltered(false);
    EXPECT_EQ(set.fieldByName(QStringLiteral("ID"))->asInteger(), 1);
    EXPECT_EQ(set.recordCount(), 8);
}

TEST_F(FilteredDataset, RejectedTextLeavesTheSetUnfilteredAndKeepsTheText)
{
    struct Case {
        const char *filter;
        const char *error;
    };
    const Case cases[] = {
        {"name like '*'*'", "ADOQuery1: Filter expression incorrectly terminated"},
        {"xyz=1", "ADOQuery1: Unknown field 'xyz' in filter"},
        {"name like '*abc", "ADOQuery1: Unterminated string in filter expression"},
    };
    for (const Case &c : cases) {
        refilter(db.catalog, QStringLiteral("name like '*Alpha*'"));
        ASSERT_EQ(db.catalog.recordCount(), 1);
        db.catalog.setFiltered(false);
        db.catalog.setFilter(QString::fromUtf8(c.filter));
        try {
            db.catalog.setFiltered(true);
            ADD_FAILURE() << "accepted: " << c.filter;
        } catch (const DatabaseError &error) {
            EXPECT_STREQ(error.what(), c.error);
        }
        EXPECT_FALSE(db.catalog.isFiltered());
        EXPECT_EQ(db.catalog.filter(), QString::fromUtf8(c.filter));
        EXPECT_EQ(db.catalog.recordCount(), 5);
    }
}

TEST_F(FilteredDataset, RejectedTextWhileOnAlsoUnfilters)
{
    refilter(db.questions, QStringLiteral("Parent=2"));
    EXPECT_THROW(db.questions.setFilter(QStringLiteral("Parent=")), DatabaseError);
    EXPECT_FALSE(db.questions.isFiltered());
    EXPECT_EQ(db.questions.recordCount(), 8);
    EXPECT_EQ(db.questions.filter(), QStringLiteral("Parent="));
}

TEST(FilterOnClosedDataset, OnlyStoresTextAndSwitch)
{
    DatabaseFile file;
    TestDatabase db; // never opened
    db.catalog.setFilter(QStringLiteral("name like '*'*'"));
    db.catalog.setFiltered(true);
    EXPECT_TRUE(db.catalog.isFiltered());
    EXPECT_EQ(db.catalog.filter(), QStringLiteral("name like '*'*'"));
}

} // namespace
