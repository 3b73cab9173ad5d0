#pragma once
#include <QList>
#include <QStringList>

namespace lovetest {

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

// The range of the test that is the current catalog row, read from its
// question rows (the question set is filtered to it; walking it moves the
// cursor to the end).
ScoreRange runningTestScoreRange(TestDatabase &database, SealedFields &sealed);

} // namespace lovetest
