#pragma once
#include <optional>
#include <vector>

#include <QList>
#include <QStringList>

namespace lovetest {

class Dataset;
class SealedFields;
class TestDatabase;

// The lowest and the highest score a test can give, after its factor.
struct ScoreRange {
    double minimum = 0;
    double maximum = 0;
    bool operator==(const ScoreRange &) const = default;
};

// The integer scores of a question's value list; empty when one of them is
// no decimal integer (such a question is left out of the range).
QList<qint64> integerOptionScores(const QStringList &values);

// Sums the lowest and the highest option of every question that has
// options, then applies the factor; a negative factor swaps the ends.
ScoreRange reachableScoreRange(const QList<QList<qint64>> &optionScores, double factor);

// The scores a run can reach: each question (its option scores) contributes
// one of its options, the sum is multiplied by the factor; questions without
// options are left out. Exact where that is cheap; otherwise only the lowest
// and highest score are known and every score between counts as possibly
// reachable, so the work and memory stay bounded whatever the scores.
struct ReachableScores {
    bool exact = true;
    QList<double> scores; // ascending; every reachable score when exact
    double lowest = 0;
    double highest = 0;
    bool whole = true; // the factor is a whole number: so is every score

    ScoreRange range() const { return {lowest, highest}; }
};
ReachableScores findReachableScores(const QList<QList<qint64>> &optionScores, double factor);

// How many answer combinations give each sum of option scores, ascending by
// sum. Every option is an answer of its own, so two options of one question
// with the same score count twice; questions without options are left out.
// nullopt when counting would pass its bounds (the sums spread too wide or
// too many of them) or the combinations outgrow the counter, so the work and
// memory stay bounded whatever the scores.
using CombinationCount = unsigned __int128;
struct SumCount {
    qint64 sum = 0;
    CombinationCount count = 0;
    bool operator==(const SumCount &) const = default;
};
std::optional<std::vector<SumCount>> countScoreCombinations(const QList<QList<qint64>> &optionScores);

// The reachable scores of the question rows a question set is filtered to,
// with the test's factor (walking the set moves the cursor to the end).
ReachableScores questionsReachableScores(Dataset &questions, SealedFields &sealed, double factor);

// The reachable scores of the test that is the current catalog row, read
// from its question rows (the question set is filtered to it; walking it
// moves the cursor to the end).
ReachableScores runningTestReachableScores(TestDatabase &database, SealedFields &sealed);

} // namespace lovetest
