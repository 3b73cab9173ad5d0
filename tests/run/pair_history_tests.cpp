#include <gtest/gtest.h>

#include "run/pair_history.h"

using namespace lovetest;

namespace {

struct RowsCase {
    const char *name;
    QList<qint64> listed; // records, newest first
    QHash<qint64, qint64> links; // record -> pair
    QStringList rows; // "7" for a run of its own, "3+5@2" for pair 2 of records 3 and 5
};

class HistoryRows : public ::testing::TestWithParam<RowsCase> {};

TEST_P(HistoryRows, APairWithBothRunsListedIsOneRowWhereItsNewerRunStands)
{
    const RowsCase &rowsCase = GetParam();
    QList<RunHistory::Entry> entries;
    for (qint64 record : rowsCase.listed)
        entries.append({record, {}, 10, {}, {}, double(record), {}});
    QStringList shown;
    for (const HistoryRow &row : historyRows(entries, rowsCase.links)) {
        shown << (row.pair == 0
                      ? QString::number(row.first.record)
                      : QStringLiteral("%1+%2@%3").arg(row.first.record).arg(row.second.record).arg(row.pair));
        if (row.pair != 0) {
            EXPECT_EQ(row.first.score, double(row.first.record)) << "each run keeps its own entry";
        }
    }
    EXPECT_EQ(shown, rowsCase.rows);
}

INSTANTIATE_TEST_SUITE_P(Cases, HistoryRows,
                         ::testing::Values(RowsCase{"RunsOfTheirOwn", {9, 4, 1}, {}, {"9", "4", "1"}},
                                           RowsCase{"APair", {6, 5, 2}, {{5, 1}, {2, 1}}, {"6", "2+5@1"}},
                                           // Listed newest first by time: the first taker's run may come first.
                                           RowsCase{"APairListedFirstTakerFirst", {2, 5}, {{5, 1}, {2, 1}}, {"2+5@1"}},
                                           // The other run is filtered out, unfinished or gone.
                                           RowsCase{"HalfAPair", {8, 5}, {{5, 1}, {3, 1}}, {"8", "5"}},
                                           RowsCase{"TwoPairsInterleaved",
                                                    {9, 8, 7, 6},
                                                    {{9, 2}, {7, 2}, {8, 3}, {6, 3}},
                                                    {"7+9@2", "6+8@3"}}),
                         [](const ::testing::TestParamInfo<RowsCase> &taken) { return std::string(taken.param.name); });

} // namespace
