#include "tools/reachable_scores.h"

namespace lovetest::content {

namespace {

// The integer scores of every question; empty for a question with a value
// that is no integer.
QList<QList<qint64>> optionScoresOf(const Test &test)
{
    QList<QList<qint64>> optionScores;
    for (const Question &question : test.questions) {
        QList<qint64> options;
        for (const QString &value : question.options.values) {
            const auto score = integerValue(value);
            if (!score) {
                options.clear();
                break;
            }
            options.append(*score);
        }
        optionScores.append(options);
    }
    return optionScores;
}

} // namespace

ReachableScores findReachableScores(const Test &test)
{
    return lovetest::findReachableScores(optionScoresOf(test), test.factor);
}

std::optional<std::vector<SumCount>> countScoreCombinations(const Test &test)
{
    return lovetest::countScoreCombinations(optionScoresOf(test));
}

QList<double> reachableScores(const Test &test)
{
    const ReachableScores found = findReachableScores(test);
    return found.exact ? found.scores : QList<double>();
}

} // namespace lovetest::content
