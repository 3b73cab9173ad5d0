#include "run/run_result.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "data/codepage.h"
#include "data/convert.h"
#include "data/dataset.h"
#include "data/sealed_fields.h"
#include "data/split_text.h"
#include "data/test_database.h"
#include "data/text_head.h"
#include "run/answer_trail.h"
#include "run/choice_content.h"
#include "run/test_run.h"

namespace lovetest {

namespace {

std::optional<double> threshold(const QByteArray &text)
{
    bool ok = false;
    const qint64 value = QString::fromLatin1(text).trimmed().toLongLong(&ok);
    return ok ? std::optional<double>(double(value)) : std::nullopt;
}

bool isWhole(double value)
{
    return std::isfinite(value) && value == std::floor(value);
}

// The words that follow "得分 X，" for the verdict number index selected:
// for the given score, or with none for any score that selects it. Empty
// when nothing bounds the band.
QString bandWords(std::optional<double> score, const QList<QByteArray> &thresholds, int index,
                  const ReachableScores &reachable)
{
    const VerdictBounds bounds = verdictBounds(thresholds, index);
    const std::optional<double> &lower = bounds.above;
    const std::optional<double> &upper = bounds.upTo;
    // The band's ends; NaN while unknown.
    double from = std::nan("");
    double to = std::nan("");
    bool banded = false;
    if (reachable.exact && (!score || reachable.scores.contains(*score))) {
        // The reachable scores that select the same verdict, whatever the
        // order of the thresholds. A threshold that is no number stops the
        // search; the thresholds alone then tell the band.
        try {
            for (double other : reachable.scores) {
                if (verdictIndex(thresholds, other) != index)
                    continue;
                from = std::isnan(from) ? other : std::min(from, other);
                to = std::isnan(to) ? other : std::max(to, other);
            }
            banded = true;
        } catch (const std::exception &) {
            from = to = std::nan("");
        }
    }
    if (!banded) {
        // With whole scores "above 20" means "from 21".
        const bool whole =
            reachable.whole && (!score || isWhole(*score)) && isWhole(reachable.lowest) && isWhole(reachable.highest);
        if (lower && whole && isWhole(*lower))
            from = *lower + 1;
        else if (!lower && (!score || reachable.lowest <= *score))
            from = reachable.lowest;
        if (upper)
            to = *upper;
        else if (!score || reachable.highest >= *score)
            to = reachable.highest;
    }

    if (from < to) // false while either is NaN
        return QStringLiteral("在 %1–%2 分之间").arg(numberText(from), numberText(to));
    if (lower && upper)
        return QStringLiteral("高于 %1 分、不超过 %2 分").arg(numberText(*lower), numberText(*upper));
    if (lower)
        return QStringLiteral("高于 %1 分").arg(numberText(*lower));
    if (upper)
        return QStringLiteral("不超过 %1 分").arg(numberText(*upper));
    return {};
}

} // namespace

VerdictBounds verdictBounds(const QList<QByteArray> &thresholds, int index)
{
    // Every threshold before the selected one lies below the score; the
    // highest of them is the band's lower end.
    VerdictBounds bounds;
    for (int i = 0; i < index && i < thresholds.size(); ++i) {
        if (const auto value = threshold(thresholds[i]))
            bounds.above = bounds.above ? std::max(*bounds.above, *value) : *value;
    }
    if (index >= 0 && index < thresholds.size())
        bounds.upTo = threshold(thresholds[index]);
    return bounds;
}

QString scoreBandText(double score, const QList<QByteArray> &thresholds, int index, const ReachableScores &reachable)
{
    const QString head = QStringLiteral("得分 %1，").arg(numberText(score));
    const QString words = bandWords(score, thresholds, index, reachable);
    return words.isEmpty() ? head.chopped(1) : head + words;
}

QString verdictBandText(const QList<QByteArray> &thresholds, int index, const ReachableScores &reachable)
{
    return bandWords(std::nullopt, thresholds, index, reachable);
}

QString scoreRangeText(const ScoreRange &range)
{
    return QStringLiteral("本测试可能的得分：%1–%2 分").arg(numberText(range.minimum), numberText(range.maximum));
}

QString verdictExplanation(const RunResult &result)
{
    QStringList lines{result.band, scoreRangeText(result.range)};
    if (!result.category.isEmpty())
        lines.append(QStringLiteral("所选类别：%1").arg(boundedLine(result.category)));
    return lines.join(QLatin1Char('\n'));
}

QList<RunResult::Verdict> verdictList(const QList<QByteArray> &thresholds, const QList<QByteArray> &verdicts, int index,
                                      const ReachableScores &reachable)
{
    QList<RunResult::Verdict> list;
    for (qsizetype i = 0; i < verdicts.size(); ++i)
        list.append({fromCp936(verdicts[i]), verdictBandText(thresholds, int(i), reachable), i == index,
                     verdictBounds(thresholds, int(i))});
    return list;
}

QList<RunResult::Verdict> storedTestVerdicts(TestDatabase &database, SealedFields &sealed, const RunResult &result)
{
    Connection *connection = &database.connection;
    if (!connection->connected())
        return {};
    const QString testId = integerText(result.testId);
    // Each copy holds only the test's own rows, so the read does not grow
    // with the catalog.
    Dataset catalog(QString::fromUtf8(message_names::kCatalog), connection, database.catalog.tableName(),
                    database.catalog.whereClause() + QStringLiteral(" AND ID=") + testId);
    catalog.open();
    if (!catalog.locate(QStringLiteral("id"), result.testId))
        return {};
    sealed.refreshDataKey();
    QString verdictFilter = QStringLiteral("lbid=") + testId;
    if (!catalog.fieldByName(QStringLiteral("分值范围"))->asString().isEmpty()) {
        // The record keeps the category's caption as a head: the value is
        // the one whose caption starts the same.
        const QList<QByteArray> values =
            sealed.unsealList(*catalog.fieldByName(QStringLiteral("分值范围")), kValueSeparator);
        const QList<QByteArray> captions =
            sealed.unsealList(*catalog.fieldByName(QStringLiteral("结果")), kTextSeparator);
        std::optional<QString> value;
        for (qsizetype i = 0; i < values.size() && i < captions.size() && !value; ++i) {
            if (!result.category.isEmpty() && fromCp936(captions[i]).left(kShownLineLength + 1) == result.category)
                value = fromCp936(values[i]);
        }
        if (!value)
            return {};
        verdictFilter += QStringLiteral(" and 类别=") + integerText(toInteger(*value));
    }

    Dataset questions(QString::fromUtf8(message_names::kQuestions), connection, database.questions.tableName(),
                      QStringLiteral("Parent=") + testId);
    questions.open();
    const ReachableScores reachable =
        questionsReachableScores(questions, sealed, catalog.fieldByName(QStringLiteral("参数"))->asFloat());

    Dataset verdictSet(QString::fromUtf8(message_names::kVerdicts), connection, database.verdicts.tableName(),
                       QStringLiteral("lbid=") + testId);
    verdictSet.open();
    verdictSet.setFilter(verdictFilter);
    verdictSet.setFiltered(true);
    if (verdictSet.isEmpty())
        return {};
    const QList<QByteArray> thresholds =
        sealed.unsealList(*verdictSet.fieldByName(QStringLiteral("分值范围")), kValueSeparator);
    const QList<QByteArray> verdicts =
        sealed.unsealList(*verdictSet.fieldByName(QStringLiteral("结果")), kTextSeparator);
    return verdictList(thresholds, verdicts, verdictIndex(thresholds, result.score), reachable);
}

QString categoryCaption(TestDatabase &database, SealedFields &sealed, const QString &value)
{
    for (const ChoiceContent::Item &item : categoryContent(database, sealed).items) {
        if (item.value == value)
            return item.caption;
    }
    return value;
}

QList<RunResult::Answer> answeredQuestions(TestDatabase &database, SealedFields &sealed, const AnswerTrail &trail)
{
    Dataset &questions = database.questions;
    QList<RunResult::Answer> answers;
    int index = 0;
    for (questions.first(); !questions.atEnd(); questions.next()) {
        if (isTestsOwnRow(questions))
            continue;
        RunResult::Answer answer;
        answer.question = fromCp936(sealed.unseal(*questions.fieldByName(QStringLiteral("Name"))));
        const int chosen = trail.chosen(index++);
        if (chosen >= 0) {
            const QList<QByteArray> captions =
                sealed.unsealList(*questions.fieldByName(QStringLiteral("结果")), kTextSeparator);
            if (chosen < captions.size())
                answer.answer = fromCp936(captions[chosen]);
        }
        answers.append(answer);
    }
    return answers;
}

} // namespace lovetest
