#include <gtest/gtest.h>

#include <algorithm>

#include "catalog_file.h"
#include "data/dataset.h"
#include "data/field.h"
#include "widgets/catalog_search.h"

namespace lovetest::testing {
namespace {

TEST(CatalogSearchFilter, QuotesAndPatternCharactersAreEscaped)
{
    EXPECT_EQ(catalogSearchFilter("爱情"), "name like '*爱情*'");
    EXPECT_EQ(catalogSearchFilter("it's"), "name like '*it''s*'");
    EXPECT_EQ(catalogSearchFilter("a*b\\c"), "name like '*a\\*b\\\\c*'");
    EXPECT_EQ(catalogSearchFilter("%_?"), "name like '*%_?*'");
}

// The names of the catalog rows the search keeps, in row order.
QStringList namesFound(Dataset &catalog)
{
    QStringList names;
    for (catalog.first(); !catalog.atEnd(); catalog.next())
        names << catalog.fieldByName("Name")->asString();
    return names;
}

class CatalogSearch : public ::testing::Test {
protected:
    CatalogFile file{{{1, 1, "Love Test"},
                      {2, 2, "it's love"},
                      {3, 3, "5*5 stars"},
                      {4, 4, "55 stars"},
                      {5, 5, "100% sure"},
                      {6, 6, "1000 sure"},
                      {7, 7, "a_b"},
                      {8, 8, "axb"},
                      {9, 9, "back\\slash"},
                      {10, 10, "爱情测试"}}};
    std::unique_ptr<TestDatabase> database = file.open();
    Dataset &catalog = database->catalog;

    QStringList search(const QString &typed)
    {
        applyCatalogSearch(catalog, typed);
        return namesFound(catalog);
    }
};

TEST_F(CatalogSearch, MatchesTypedTextLiterallyIgnoringLatinCase)
{
    const struct {
        QString typed;
        QStringList found;
    } cases[] = {
        {"LOVE", {"Love Test", "it's love"}},
        {"'", {"it's love"}},
        {"it's", {"it's love"}},
        {"%", {"100% sure"}},
        {"_", {"a_b"}},
        {"\\", {"back\\slash"}},
        {"测试", {"爱情测试"}},
        {"none of these", {}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(search(c.typed), c.found) << c.typed.toStdString();
        // The tree's search keeps the same names without filtering the set.
        applyCatalogSearch(catalog, QString());
        QStringList kept;
        for (const QString &name : namesFound(catalog)) {
            if (catalogNameMatches(name, c.typed))
                kept << name;
        }
        EXPECT_EQ(kept, c.found) << c.typed.toStdString();
    }
}

// Relies on the data layer's like-pattern escapes ("\*" a literal asterisk).
TEST_F(CatalogSearch, AsteriskMatchesOnlyAnAsterisk_NeedsDataLayerLikeEscapes)
{
    EXPECT_EQ(search("5*5"), QStringList{"5*5 stars"});
    EXPECT_EQ(search("*"), QStringList{"5*5 stars"});
}

TEST_F(CatalogSearch, ClearingSwitchesTheFilterOffAndGoesToTheFirstRow)
{
    search("sure");
    ASSERT_TRUE(catalog.isFiltered());
    applyCatalogSearch(catalog, "");
    EXPECT_FALSE(catalog.isFiltered());
    EXPECT_EQ(catalog.recordCount(), 10);
    EXPECT_EQ(catalog.fieldByName("ID")->asInteger(), 1);
}

TEST_F(CatalogSearch, ReFilteringStoresAPendingEdit)
{
    catalog.edit();
    catalog.fieldByName("Name")->setAsString("Love Test 2");
    search("stars");
    EXPECT_EQ(file.scalar("SELECT Name FROM 量表 WHERE ID=1").toString(), "Love Test 2");
}

TEST(CatalogSearchClosed, OnAClosedCatalogOnlyRecordsTheFilter)
{
    CatalogFile file({{1, 1, "A"}});
    auto database = file.open();
    Dataset &catalog = database->catalog;
    catalog.close();
    EXPECT_NO_THROW(applyCatalogSearch(catalog, "x"));
    EXPECT_EQ(catalog.filter(), catalogSearchFilter("x"));
}

} // namespace
} // namespace lovetest::testing
