// What the fuzz targets found, kept as cases of the normal suite.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "tests/fuzz/round_trip.h"
#include "tools/content_json.h"
#include "tools/database_build.h"

namespace lovetest::fuzz {
namespace {

// Verdict rows whose category does not fit the test's category choice are
// built as written; the export must give them back as written.
TEST(ContentRoundTrip, VerdictCategoriesComeBackAsStored)
{
    const char *contents[] = {
        // A test without a category choice whose verdict rows name categories.
        R"({"tests": [{"id": 5, "name": "甲", "questions": [{"text": "一", "options": [[1, "是"], [2, "否"]]}],
            "verdicts": [{"category": 1, "thresholds": [1], "texts": ["低", "高"]},
                         {"category": 1, "thresholds": [2], "texts": ["低", "高"]}]}]})",
        // A category test with a further verdict row without a category.
        R"({"tests": [{"id": 6, "name": "乙", "categories": [[1, "男"]],
            "questions": [{"text": "一", "options": [[1, "是"], [2, "否"]]}],
            "verdicts": [{"category": 1, "thresholds": [1], "texts": ["低", "高"]},
                         {"thresholds": [2], "texts": ["低", "高"]}]}]})",
    };
    QTemporaryDir dir;
    for (const char *json : contents) {
        const QString first = dir.filePath("first.mdb");
        content::buildDatabase(content::parseContentJson(json), first, {.replace = true, .dropHistory = true});
        EXPECT_EQ(roundTripFault(first, dir.filePath("second.mdb")), QString()) << json;
    }
}

} // namespace
} // namespace lovetest::fuzz

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
