#include "tools/reachable_scores.h"

namespace lovetest::content {

ReachableScores findReachableScores(const Test &test)
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
    return lovetest::findReachableScores(optionScores, test.factor);
}

QList<double> reachableScores(const Test &test)
{
    const ReachableScores found = findReachableScores(test);
    return found.exact ? found.scores : QList<double>();
}

} // namespace lovetest::content
