#include "run/pair_result.h"

#include <algorithm>

#include "data/text_head.h"

namespace lovetest {

namespace {

QString takerName(const QString &nickname, const QString &fallback)
{
    const QString name = boundedLine(nickname).simplified();
    return name.isEmpty() ? fallback : name;
}

} // namespace

PairComparison comparePair(const PairResult &pair)
{
    const QList<RunResult::Answer> &first = pair.first.answers;
    const QList<RunResult::Answer> &second = pair.second.answers;
    PairComparison comparison;
    const QList<PairComparison::Difference> answers = pairedAnswers(pair);
    comparison.questionCount = int(answers.size());
    for (const PairComparison::Difference &both : answers) {
        // A question one run lacks, or one that reads otherwise in the two,
        // was not the same question to both: it cannot be alike. Nor can
        // two questions left open.
        const qsizetype i = both.number - 1;
        if (i < first.size() && i < second.size() && first[i].question == second[i].question &&
            !both.firstAnswer.isEmpty() && both.firstAnswer == both.secondAnswer)
            ++comparison.alike;
        else
            comparison.differences.append(both);
    }
    return comparison;
}

QList<PairComparison::Difference> pairedAnswers(const PairResult &pair)
{
    const QList<RunResult::Answer> &first = pair.first.answers;
    const QList<RunResult::Answer> &second = pair.second.answers;
    QList<PairComparison::Difference> answers;
    const qsizetype count = std::max(first.size(), second.size());
    for (qsizetype i = 0; i < count; ++i) {
        const bool inFirst = i < first.size();
        const bool inSecond = i < second.size();
        answers.append({int(i + 1), inFirst ? first[i].question : second[i].question,
                        inFirst ? first[i].answer : QString(), inSecond ? second[i].answer : QString()});
    }
    return answers;
}

QString agreementCount(const PairComparison &comparison)
{
    // arg() of a number writes plain digits whatever the locale.
    return QStringLiteral("%1 题中有 %2 题选得一样").arg(comparison.questionCount).arg(comparison.alike);
}

QString agreementLine(const PairComparison &comparison)
{
    const qint64 count = comparison.questionCount;
    if (count <= 0)
        return {};
    // In whole numbers, so a band's edge is exact: 8 of 10 is 80 %.
    const qint64 percent = qint64(comparison.alike) * 100;
    if (percent >= 80 * count)
        return QStringLiteral("心有灵犀：大多数问题上你们都想到了一处，这份默契让人羡慕。");
    if (percent >= 60 * count)
        return QStringLiteral("步调相近：你们常常不谋而合，偶尔的不同正好留作聊天的话题。");
    if (percent >= 40 * count)
        return QStringLiteral("同中有异：你们有不少共同的想法，也各有各的主意，多聊聊会更懂彼此。");
    return QStringLiteral("相映成趣：你们的想法各不相同，正好互相补足，一起能看到更多风景。");
}

QString firstTakerName(const PairResult &pair)
{
    return takerName(pair.firstName, QStringLiteral("甲"));
}

QString secondTakerName(const PairResult &pair)
{
    return takerName(pair.secondName, QStringLiteral("乙"));
}

} // namespace lovetest
