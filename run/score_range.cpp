#include "run/score_range.h"

#include <algorithm>
#include <stdexcept>

#include "data/convert.h"
#include "data/sealed_fields.h"
#include "data/split_text.h"
#include "data/test_database.h"
#include "run/test_run.h"

namespace lovetest {

QList<qint64> integerOptionScores(const QStringList &values)
{
    QList<qint64> scores;
    for (const QString &value : values) {
        try {
            scores.append(toInteger(value));
        } catch (const std::exception &) {
            return {};
        }
    }
    return scores;
}

ScoreRange reachableScoreRange(const QList<QList<qint64>> &optionScores, double factor)
{
    qint64 low = 0;
    qint64 high = 0;
    for (const QList<qint64> &options : optionScores) {
        if (options.isEmpty())
            continue;
        const auto [least, most] = std::minmax_element(options.begin(), options.end());
        low += *least;
        high += *most;
    }
    const double a = double(low) * factor;
    const double b = double(high) * factor;
    // 0 × a factor may give -0; show it as 0.
    return {std::min(a, b) + 0.0, std::max(a, b) + 0.0};
}

ScoreRange runningTestScoreRange(TestDatabase &database, SealedFields &sealed)
{
    Dataset &questions = database.questions;
    QList<QList<qint64>> optionScores;
    for (questions.first(); !questions.atEnd(); questions.next()) {
        if (isTestsOwnRow(questions))
            continue;
        QStringList values;
        for (const QByteArray &value :
             sealed.unsealList(*questions.fieldByName(QStringLiteral("分值范围")), kValueSeparator))
            values.append(QString::fromLatin1(value));
        optionScores.append(integerOptionScores(values));
    }
    return reachableScoreRange(optionScores, database.catalog.fieldByName(QStringLiteral("参数"))->asFloat());
}

} // namespace lovetest
