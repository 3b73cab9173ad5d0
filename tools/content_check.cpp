#include "tools/content_check.h"

#include <set>

#include "data/codepage.h"
#include "data/convert.h"

namespace lovetest::content {

QString Problem::text() const
{
    return QStringLiteral("%1: %2: %3").arg(severity == Error ? QStringLiteral("error") : QStringLiteral("warning"), where, what);
}

bool hasErrors(const QList<Problem> &problems)
{
    return std::any_of(problems.begin(), problems.end(), [](const Problem &p) { return p.severity == Problem::Error; });
}

namespace {

std::optional<qint64> integer(const QString &text)
{
    try {
        return StrToInt(text);
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

QString verdictRowName(const Test &test, const Verdict &verdict, qsizetype index)
{
    QString where = QStringLiteral("%1, verdict row %2").arg(describeTest(test)).arg(index + 1);
    if (verdict.category)
        where += QStringLiteral(" (category %1)").arg(*verdict.category);
    return where;
}

QString shortText(const QString &text)
{
    QString one = text;
    one.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return one.size() > 24 ? one.left(24) + QStringLiteral("…") : one;
}

class Checker {
public:
    QList<Problem> run(const Content &content)
    {
        std::set<qint64> ids;
        for (const Test &test : content.tests) {
            if (test.id && !ids.insert(*test.id).second)
                error(describeTest(test), QStringLiteral("the id %1 is used by another test").arg(*test.id));
            checkTest(test);
        }
        QList<Problem> all = m_errors;
        all += m_warnings;
        return all;
    }

private:
    void error(const QString &where, const QString &what) { m_errors.append({Problem::Error, where, what}); }
    void warning(const QString &where, const QString &what) { m_warnings.append({Problem::Warning, where, what}); }

    void checkText(const QString &where, const char *what, const QString &text)
    {
        QChar bad;
        if (!fitsCp936(text, &bad))
            error(where, QStringLiteral("%1 holds \"%2\" (U+%3), which code page 936 cannot hold")
                             .arg(QLatin1String(what), QString(bad))
                             .arg(bad.unicode(), 4, 16, QLatin1Char('0')));
    }

    void checkChoices(const QString &where, const ChoiceList &choices, const char *valuesName)
    {
        if (choices.values.size() != choices.captions.size())
            error(where, QStringLiteral("%1 %2 but %3 captions")
                             .arg(choices.values.size())
                             .arg(QLatin1String(valuesName))
                             .arg(choices.captions.size()));
        for (const QString &value : choices.values) {
            if (!integer(value))
                error(where, QStringLiteral("the value \"%1\" is not an integer").arg(value));
        }
        for (const QString &caption : choices.captions)
            checkText(where, "a caption", caption);
    }

    void checkTest(const Test &test)
    {
        const QString where = describeTest(test);
        checkText(where, "the name", test.name);
        checkText(where, "the remarks", test.remarks);
        if (test.remarks.trimmed().isEmpty())
            warning(where, QStringLiteral("the remarks are empty"));
        if (test.questions.isEmpty())
            error(where, QStringLiteral("the test has no questions"));
        for (qsizetype q = 0; q < test.questions.size(); ++q) {
            const Question &question = test.questions[q];
            const QString at = describeQuestion(test, q);
            checkText(at, "the text", question.text);
            checkText(at, "the instructions", question.instructions);
            if (question.options.isEmpty())
                error(at, QStringLiteral("the question has no options"));
            checkChoices(at, question.options, "scores");
        }
        checkCategories(test);
        checkVerdicts(test);
    }

    void checkCategories(const Test &test)
    {
        const QString where = describeTest(test) + QStringLiteral(", categories");
        checkChoices(where, test.categories, "values");
        for (const QString &value : test.categories.values) {
            if (integer(value) == 0)
                error(where, QStringLiteral("the category value 0 cannot be chosen"));
        }
    }

    void checkVerdicts(const Test &test)
    {
        const QString where = describeTest(test);
        if (test.verdicts.isEmpty()) {
            error(where, QStringLiteral("the test has no verdict row"));
            return;
        }
        if (!test.categories.isEmpty()) {
            for (const QString &value : test.categories.values) {
                const auto found = std::find_if(test.verdicts.begin(), test.verdicts.end(), [&](const Verdict &v) {
                    return v.category && integer(*v.category) && integer(*v.category) == integer(value);
                });
                if (integer(value) && *integer(value) != 0 && found == test.verdicts.end())
                    error(where, QStringLiteral("no verdict row for the category %1").arg(value));
            }
        }
        const QList<double> scores = reachableScores(test);
        for (qsizetype v = 0; v < test.verdicts.size(); ++v)
            checkVerdictRow(test, test.verdicts[v], v, scores);
    }

    void checkVerdictRow(const Test &test, const Verdict &verdict, qsizetype index, const QList<double> &scores)
    {
        const QString where = verdictRowName(test, verdict, index);
        if (verdict.category && !integer(*verdict.category))
            error(where, QStringLiteral("the category \"%1\" is not an integer").arg(*verdict.category));
        for (const QString &text : verdict.texts)
            checkText(where, "a verdict", text);
        QList<qint64> thresholds;
        for (const QString &t : verdict.thresholds) {
            const auto value = integer(t);
            if (!value) {
                error(where, QStringLiteral("the threshold \"%1\" is not an integer").arg(t));
                return;
            }
            thresholds.append(*value);
        }
        if (verdict.thresholds.isEmpty())
            error(where, QStringLiteral("there are no thresholds"));
        if (verdict.texts.size() < verdict.thresholds.size())
            error(where, QStringLiteral("%1 thresholds but only %2 verdict texts")
                             .arg(verdict.thresholds.size())
                             .arg(verdict.texts.size()));
        for (qsizetype i = 1; i < thresholds.size(); ++i) {
            if (thresholds[i] <= thresholds[i - 1]) {
                warning(where, QStringLiteral("the thresholds are not increasing (%1 after %2)")
                                   .arg(thresholds[i])
                                   .arg(thresholds[i - 1]));
                break;
            }
        }
        if (scores.isEmpty())
            return;
        std::set<qsizetype> selected;
        double tooHigh = 0;
        bool overflow = false;
        for (double score : scores) {
            qsizetype i = 0;
            while (i < thresholds.size() && thresholds[i] < score)
                ++i;
            if (i >= verdict.texts.size() && !overflow) {
                overflow = true;
                tooHigh = score;
            }
            selected.insert(i);
        }
        if (overflow && verdict.texts.size() >= verdict.thresholds.size())
            error(where, QStringLiteral("the score %1 lies above the last threshold but no verdict text follows it")
                             .arg(FloatToStr(tooHigh)));
        for (qsizetype i = 0; i < verdict.texts.size(); ++i) {
            if (!selected.count(i))
                warning(where, QStringLiteral("no reachable score selects verdict %1 (\"%2\")")
                                   .arg(i + 1)
                                   .arg(shortText(verdict.texts[i])));
        }
    }

    QList<Problem> m_errors;
    QList<Problem> m_warnings;
};

} // namespace

QList<Problem> checkContent(const Content &content)
{
    return Checker().run(content);
}

QList<double> reachableScores(const Test &test)
{
    std::set<qint64> sums{0};
    for (const Question &question : test.questions) {
        std::set<qint64> options;
        for (const QString &value : question.options.values) {
            const auto score = integer(value);
            if (!score) {
                options.clear();
                break;
            }
            options.insert(*score);
        }
        if (options.empty())
            continue;
        std::set<qint64> next;
        for (qint64 sum : sums)
            for (qint64 option : options)
                next.insert(sum + option);
        sums = std::move(next);
    }
    QList<double> scores;
    std::set<double> distinct;
    for (qint64 sum : sums)
        distinct.insert(double(sum) * test.factor);
    for (double score : distinct)
        scores.append(score);
    return scores;
}

QStringList describeRanges(const Content &content)
{
    QStringList lines;
    for (const Test &test : content.tests) {
        const QList<double> scores = reachableScores(test);
        lines.append(scores.isEmpty()
                         ? QStringLiteral("%1: no reachable score").arg(describeTest(test))
                         : QStringLiteral("%1: scores %2 to %3 (%4 distinct)")
                               .arg(describeTest(test), FloatToStr(scores.first()), FloatToStr(scores.last()))
                               .arg(scores.size()));
        for (qsizetype v = 0; v < test.verdicts.size(); ++v) {
            const Verdict &verdict = test.verdicts[v];
            if (verdict.category)
                lines.append(QStringLiteral("  category %1:").arg(*verdict.category));
            for (qsizetype i = 0; i < verdict.texts.size(); ++i) {
                QString interval;
                if (verdict.thresholds.isEmpty())
                    interval = QStringLiteral("every score");
                else if (i == 0)
                    interval = QStringLiteral("score <= %1").arg(verdict.thresholds[0]);
                else if (i < verdict.thresholds.size())
                    interval = QStringLiteral("%1 < score <= %2").arg(verdict.thresholds[i - 1], verdict.thresholds[i]);
                else if (i == verdict.thresholds.size())
                    interval = QStringLiteral("score > %1").arg(verdict.thresholds.last());
                else
                    interval = QStringLiteral("never");
                lines.append(QStringLiteral("    %1 -> verdict %2: %3").arg(interval).arg(i + 1).arg(shortText(verdict.texts[i])));
            }
        }
    }
    return lines;
}

} // namespace lovetest::content
