#include "tools/content_check.h"

#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <tuple>

#include "data/codepage.h"
#include "data/convert.h"
#include "data/split_text.h"
#include "tools/reachable_scores.h"

namespace lovetest::content {

namespace {

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

// "😊 U+1F60A": a character as itself with its code point, whole even when
// it takes two UTF-16 units.
QString describeCharacter(const QString &text, qsizetype index)
{
    char32_t code = text[index].unicode();
    QString shown(text[index]);
    if (text[index].isHighSurrogate() && index + 1 < text.size() && text[index + 1].isLowSurrogate()) {
        code = QChar::surrogateToUcs4(text[index], text[index + 1]);
        shown += text[index + 1];
    } else if (text[index].isSurrogate()) {
        shown = QStringLiteral("(half a surrogate pair)");
    }
    return QStringLiteral("\"%1\" U+%2")
        .arg(shown, QString::number(uint(code), 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

// The first character of text without a code page 936 form, or -1.
qsizetype firstOutsideCp936(const QString &text)
{
    if (fitsCp936(text))
        return -1;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        if (!fitsCp936(text.mid(i, len)))
            return i;
        i += len;
    }
    return -1;
}

// "3:7" for a place in file, "other.json:3:7" for one elsewhere; empty when
// the place is not known.
QString placeText(const SourcePlace &place, const QString &file)
{
    if (place.line <= 0)
        return {};
    const QString lineColumn = QStringLiteral("%1:%2").arg(place.line).arg(place.column);
    return place.file == file ? lineColumn : place.file + QLatin1Char(':') + lineColumn;
}

// Why a score, value or threshold is none the program reads, or empty when it
// is one. A whole number too large for a 32-bit integer is out of range,
// named as written (not as the double it would become).
QString valueFault(const QString &text)
{
    if (integerValue(text))
        return {};
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok); // '.' whatever the locale
    const bool hasDigit = std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
    const bool beyondInt =
        number < double(std::numeric_limits<int>::min()) || number > double(std::numeric_limits<int>::max());
    if (hasDigit && (std::isinf(number) || (ok && std::floor(number) == number && beyondInt)))
        return QStringLiteral("is out of range (%1 to %2)")
            .arg(std::numeric_limits<int>::min())
            .arg(std::numeric_limits<int>::max());
    return QStringLiteral("is not an integer");
}

class Checker {
public:
    QList<Problem> run(const Content &content)
    {
        std::map<qint64, const Test *> byId;
        for (const Test &test : content.tests) {
            if (!test.id)
                continue;
            const auto [other, added] = byId.emplace(*test.id, &test);
            if (added)
                continue;
            const Test &first = *other->second;
            QString what = QStringLiteral("the id %1 is used by another %2")
                               .arg(*test.id)
                               .arg(first.folder ? QStringLiteral("folder") : QStringLiteral("test"));
            const SourcePlace firstPlace = first.idPlace.orElse(first.place);
            if (const QString there = placeText(firstPlace, test.place.file); !there.isEmpty())
                what += QStringLiteral(" (first at %1)").arg(there);
            error(test.idPlace.orElse(test.place), describeTest(test), what);
        }
        for (const Test &test : content.tests) {
            checkPlacement(test, byId);
            if (test.folder)
                checkFolder(test);
            else
                checkTest(test);
        }
        QList<Problem> all = m_errors;
        all += m_warnings;
        return all;
    }

private:
    void error(const SourcePlace &place, const QString &where, const QString &what)
    {
        m_errors.append({Problem::Error, where, what, place});
    }
    void warning(const SourcePlace &place, const QString &where, const QString &what)
    {
        m_warnings.append({Problem::Warning, where, what, place});
    }

    void checkText(const SourcePlace &place, const QString &where, const char *what, const QString &text)
    {
        const qsizetype bad = firstOutsideCp936(text);
        if (bad >= 0)
            error(place, where,
                  QStringLiteral("%1 holds %2, which code page 936 cannot hold")
                      .arg(QLatin1String(what), describeCharacter(text, bad)));
    }

    // A caption or verdict holding the list separator would split into two
    // items once stored, pairing every later item with the wrong value.
    void checkListItem(const SourcePlace &place, const QString &where, const char *what, const QString &text)
    {
        checkText(place, where, what, text);
        if (text.contains(QString::fromLatin1(kTextSeparator)))
            error(place, where,
                  QStringLiteral("%1 \"%2\" holds the list separator %3")
                      .arg(QLatin1String(what), shortText(text), QString::fromLatin1(kTextSeparator)));
    }

    void checkName(const Test &test)
    {
        const QString where = describeTest(test);
        const SourcePlace name = test.namePlace.orElse(test.place);
        checkText(name, where, "the name", test.name);
        checkText(test.remarksPlace.orElse(test.place), where, "the remarks", test.remarks);
        if (test.name.trimmed().isEmpty() && !test.refused.contains(QStringLiteral("name")))
            error(name, where, QStringLiteral("the name is empty"));
    }

    // A parent must name an entry of the same build, and following parents
    // must not lead round in a circle (the catalog tree cannot place those).
    void checkPlacement(const Test &test, const std::map<qint64, const Test *> &byId)
    {
        if (!test.parent || *test.parent == kNoParentRow || (test.id && *test.parent == *test.id))
            return;
        const SourcePlace place = test.parentPlace.orElse(test.place);
        if (!byId.count(*test.parent)) {
            warning(place, describeTest(test),
                    QStringLiteral("the parent %1 is no entry of this build, so the entry stands at the top level")
                        .arg(*test.parent));
            return;
        }
        std::set<qint64> seen{*test.id};
        for (const Test *up = byId.at(*test.parent); up;) {
            if (!seen.insert(*up->id).second) {
                error(place, describeTest(test),
                      QStringLiteral("the parents lead round in a circle back to id %1").arg(*up->id));
                return;
            }
            if (!up->parent || *up->parent == kNoParentRow || *up->parent == *up->id || !byId.count(*up->parent))
                return;
            up = byId.at(*up->parent);
        }
    }

    void checkFolder(const Test &test) { checkName(test); }

    void checkChoices(const SourcePlace &place, const QString &where, const ChoiceList &choices, const char *valuesName,
                      bool captionsRequired)
    {
        if (choices.values.size() != choices.captions.size())
            error(place, where,
                  QStringLiteral("%1 %2 but %3 captions")
                      .arg(choices.values.size())
                      .arg(QLatin1String(valuesName))
                      .arg(choices.captions.size()));
        for (qsizetype i = 0; i < choices.values.size(); ++i) {
            const QString &value = choices.values[i];
            if (const QString fault = valueFault(value); !fault.isEmpty())
                error(choices.valuePlaces.placeOf(i, place), where,
                      QStringLiteral("the value \"%1\" %2").arg(value, fault));
        }
        for (qsizetype i = 0; i < choices.captions.size(); ++i) {
            const QString itemWhere = QStringLiteral("%1, item %2").arg(where).arg(i + 1);
            const SourcePlace captionPlace = choices.captionPlaces.placeOf(i, place);
            checkListItem(captionPlace, itemWhere, "the caption", choices.captions[i]);
            // An option without a caption is a blank line the user cannot tell apart.
            if (captionsRequired && choices.captions[i].trimmed().isEmpty())
                error(captionPlace, itemWhere, QStringLiteral("the caption is empty"));
        }
    }

    void checkTest(const Test &test)
    {
        const QString where = describeTest(test);
        checkName(test);
        if (test.remarks.trimmed().isEmpty())
            warning(test.remarksPlace.orElse(test.place), where, QStringLiteral("the remarks are empty"));
        // A factor from a database; the reader refuses these in a file.
        if (!std::isfinite(test.factor) || test.factor <= 0)
            error(test.factorPlace.orElse(test.place), where,
                  QStringLiteral("\"factor\" must be a finite number above 0, not %1").arg(numberText(test.factor)));
        if (test.questions.isEmpty() && !test.refused.contains(QStringLiteral("questions")))
            error(test.questionsPlace.orElse(test.place), where, QStringLiteral("the test has no questions"));
        for (qsizetype q = 0; q < test.questions.size(); ++q) {
            const Question &question = test.questions[q];
            const QString at = describeQuestion(test, q);
            const SourcePlace text = question.textPlace.orElse(question.place);
            checkText(text, at, "the text", question.text);
            checkText(question.instructionsPlace.orElse(question.place), at, "the instructions", question.instructions);
            if (question.text.trimmed().isEmpty() && !question.refused.contains(QStringLiteral("text")))
                error(text, at, QStringLiteral("the question text is empty"));
            const SourcePlace options = question.optionsPlace.orElse(question.place);
            if (question.options.isEmpty() && !question.refused.contains(QStringLiteral("options")))
                error(options, at, QStringLiteral("the question has no options"));
            checkChoices(options, at, question.options, "scores", true);
        }
        checkCategories(test);
        checkVerdicts(test);
    }

    void checkCategories(const Test &test)
    {
        const QString where = describeTest(test) + QStringLiteral(", categories");
        const SourcePlace place = test.categoriesPlace.orElse(test.place);
        checkChoices(place, where, test.categories, "values", false);
        std::map<qint64, SourcePlace> seen;
        for (qsizetype i = 0; i < test.categories.values.size(); ++i) {
            const auto number = integerValue(test.categories.values[i]);
            const SourcePlace valuePlace = test.categories.valuePlaces.placeOf(i, place);
            if (number == 0)
                error(valuePlace, where, QStringLiteral("the category value 0 cannot be chosen"));
            if (!number)
                continue;
            const auto [first, added] = seen.emplace(*number, valuePlace);
            if (added)
                continue;
            QString what = QStringLiteral("the category value %1 is offered twice").arg(*number);
            if (const QString there = placeText(first->second, valuePlace.file); !there.isEmpty())
                what += QStringLiteral(" (first at %1)").arg(there);
            error(valuePlace, where, what);
        }
    }

    void checkVerdicts(const Test &test)
    {
        const QString where = describeTest(test);
        if (test.verdicts.isEmpty()) {
            if (!test.refused.contains(QStringLiteral("verdicts")))
                error(test.verdictsPlace.orElse(test.place), where, QStringLiteral("the test has no verdict row"));
            return;
        }
        std::set<qint64> offered;
        for (const QString &value : test.categories.values) {
            if (const auto number = integerValue(value))
                offered.insert(*number);
        }
        std::set<qint64> covered;
        for (qsizetype v = 0; v < test.verdicts.size(); ++v) {
            const Verdict &verdict = test.verdicts[v];
            const QString at = verdictRowName(test, verdict, v);
            if (test.categories.isEmpty()) {
                if (v > 0)
                    warning(verdict.place, at,
                            QStringLiteral("is never used: a test without categories uses its first verdict row"));
                continue;
            }
            const auto category = verdict.category ? integerValue(*verdict.category) : std::nullopt;
            if (!category)
                continue;
            if (!offered.count(*category))
                warning(verdict.place, at,
                        QStringLiteral("is never used: the test offers no category %1").arg(*category));
            else if (!covered.insert(*category).second)
                warning(verdict.place, at,
                        QStringLiteral("is never used: an earlier row serves the category %1").arg(*category));
        }
        // A row whose category was refused may have been meant for any of them.
        const bool rowRefused = test.refused.contains(QStringLiteral("verdicts")) ||
            std::any_of(test.verdicts.begin(), test.verdicts.end(),
                        [](const Verdict &v) { return v.refused.contains(QStringLiteral("category")); });
        for (qsizetype i = 0; i < test.categories.values.size() && !rowRefused; ++i) {
            const auto number = integerValue(test.categories.values[i]);
            if (number && *number != 0 && !covered.count(*number))
                error(test.categories.valuePlaces.placeOf(i, test.categoriesPlace.orElse(test.place)), where,
                      QStringLiteral("no verdict row for the category %1").arg(test.categories.values[i]));
        }
        // A score already reported as refused or no integer would make every
        // verdict's reach a guess: none is judged then.
        const bool scoresKnown = std::all_of(test.questions.begin(), test.questions.end(), [](const Question &q) {
            return !q.refused.contains(QStringLiteral("options")) &&
                std::all_of(q.options.values.begin(), q.options.values.end(),
                            [](const QString &value) { return integerValue(value).has_value(); });
        });
        const ReachableScores scores = scoresKnown ? findReachableScores(test) : ReachableScores{};
        if (!scores.exact)
            warning(test.place, where,
                    QStringLiteral("the scores combine in too many ways to check each one; every score "
                                   "from %1 to %2 is taken as reachable")
                        .arg(numberText(scores.lowest), numberText(scores.highest)));
        for (qsizetype v = 0; v < test.verdicts.size(); ++v)
            checkVerdictRow(test, test.verdicts[v], v, scores);
    }

    void checkVerdictRow(const Test &test, const Verdict &verdict, qsizetype index, const ReachableScores &scores)
    {
        const QString where = verdictRowName(test, verdict, index);
        if (verdict.category) {
            if (const QString fault = valueFault(*verdict.category); !fault.isEmpty())
                error(verdict.categoryPlace.orElse(verdict.place), where,
                      QStringLiteral("the category \"%1\" %2").arg(*verdict.category, fault));
        }
        for (qsizetype i = 0; i < verdict.texts.size(); ++i) {
            const QString textWhere = QStringLiteral("%1, verdict %2").arg(where).arg(i + 1);
            const SourcePlace textPlace = verdict.textPlaces.placeOf(i, verdict.place);
            checkListItem(textPlace, textWhere, "the verdict", verdict.texts[i]);
            if (verdict.texts[i].trimmed().isEmpty())
                error(textPlace, textWhere, QStringLiteral("the verdict text is empty"));
        }
        QList<qint64> thresholds;
        for (qsizetype i = 0; i < verdict.thresholds.size(); ++i) {
            const QString &t = verdict.thresholds[i];
            if (const QString fault = valueFault(t); !fault.isEmpty()) {
                error(verdict.thresholdPlaces.placeOf(i, verdict.place), where,
                      QStringLiteral("the threshold \"%1\" %2").arg(t, fault));
                return;
            }
            thresholds.append(*integerValue(t));
        }
        // Lists the reader refused in part were reported there; their counts
        // prove nothing.
        if (verdict.refused.contains(QStringLiteral("thresholds")) || verdict.refused.contains(QStringLiteral("texts")))
            return;
        if (verdict.thresholds.isEmpty())
            error(verdict.thresholdsPlace.orElse(verdict.place), where, QStringLiteral("there are no thresholds"));
        if (verdict.texts.size() < verdict.thresholds.size())
            error(verdict.textsPlace.orElse(verdict.place), where,
                  QStringLiteral("%1 thresholds but only %2 verdict texts")
                      .arg(verdict.thresholds.size())
                      .arg(verdict.texts.size()));
        // Out of order, the verdicts after the fall are never chosen: that
        // is said here, not once more for each of them below.
        bool ordered = true;
        for (qsizetype i = 1; i < thresholds.size(); ++i) {
            if (thresholds[i] <= thresholds[i - 1]) {
                ordered = false;
                warning(verdict.thresholdPlaces.placeOf(i, verdict.place), where,
                        QStringLiteral("the thresholds are not increasing (%1 after %2)")
                            .arg(thresholds[i])
                            .arg(thresholds[i - 1]));
                break;
            }
        }
        if (scores.exact && scores.scores.isEmpty())
            return;
        // Verdict i is chosen by the scores s with thresholds[i-1] < s <= thresholds[i]
        // (the first threshold reached wins): find which are selected.
        std::set<qsizetype> selected;
        auto selectedBy = [&](double score) {
            qsizetype i = 0;
            while (i < thresholds.size() && thresholds[i] < score)
                ++i;
            return i;
        };
        if (scores.exact) {
            for (double score : scores.scores)
                selected.insert(selectedBy(score));
        } else {
            // Every score in the interval may be reached: each verdict whose
            // threshold interval meets it counts as selected.
            for (qsizetype i = 0; i <= thresholds.size(); ++i) {
                const bool aboveLow = i == 0 || scores.highest > double(thresholds[i - 1]);
                const bool belowHigh = i == thresholds.size() || scores.lowest <= double(thresholds[i]);
                if (aboveLow && belowHigh)
                    selected.insert(i);
            }
        }
        const qsizetype last = selected.empty() ? -1 : *selected.rbegin();
        if (last >= verdict.texts.size() && verdict.texts.size() >= verdict.thresholds.size())
            error(verdict.textsPlace.orElse(verdict.place), where,
                  QStringLiteral("the score %1 lies above the last threshold but no verdict text follows it")
                      .arg(numberText(scores.highest)));
        for (qsizetype i = 0; i < verdict.texts.size() && ordered; ++i) {
            if (!selected.count(i))
                warning(verdict.textPlaces.placeOf(i, verdict.place), where,
                        QStringLiteral("no reachable score selects verdict %1 (\"%2\")")
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

void sortProblems(QList<Problem> &problems, const QStringList &files)
{
    const auto fileRank = [&files](const QString &file) {
        const qsizetype index = files.indexOf(file);
        return index < 0 ? files.size() : index;
    };
    std::stable_sort(problems.begin(), problems.end(), [&](const Problem &a, const Problem &b) {
        return std::tuple(a.severity, fileRank(a.place.file), a.place.line, a.place.column) <
            std::tuple(b.severity, fileRank(b.place.file), b.place.line, b.place.column);
    });
}

void makeWarningsErrors(QList<Problem> &problems)
{
    for (Problem &problem : problems)
        problem.severity = Problem::Error;
}

namespace {

// How many of the counted answer combinations reach each verdict of a row
// (one past the last threshold: above them all), or nothing when a threshold
// is no integer. The score is the sum times the factor, as a run has it.
QList<CombinationCount> verdictTallies(const Verdict &verdict, const std::vector<SumCount> &counts, double factor)
{
    QList<double> thresholds;
    for (const QString &text : verdict.thresholds) {
        const auto value = integerValue(text);
        if (!value)
            return {};
        thresholds.append(double(*value));
    }
    QList<CombinationCount> tallies(thresholds.size() + 1, 0);
    for (const SumCount &entry : counts) {
        const double score = double(entry.sum) * factor;
        qsizetype index = 0;
        while (index < thresholds.size() && !(thresholds[index] >= score))
            ++index;
        tallies[index] += entry.count;
    }
    return tallies;
}

// "37.5 %", whatever the locale.
QString shareText(CombinationCount count, CombinationCount total)
{
    return QString::number(double(count) * 100.0 / double(total), 'f', 1) + QStringLiteral(" %");
}

QString intervalText(const Verdict &verdict, qsizetype i)
{
    if (verdict.thresholds.isEmpty())
        return QStringLiteral("every score");
    if (i == 0)
        return QStringLiteral("score <= %1").arg(verdict.thresholds[0]);
    if (i < verdict.thresholds.size())
        return QStringLiteral("%1 < score <= %2").arg(verdict.thresholds[i - 1], verdict.thresholds[i]);
    if (i == verdict.thresholds.size())
        return QStringLiteral("score > %1").arg(verdict.thresholds.last());
    return QStringLiteral("never");
}

QString scoresLine(const Test &test, const ReachableScores &scores)
{
    if (scores.exact && scores.scores.isEmpty())
        return QStringLiteral("%1: no reachable score").arg(describeTest(test));
    if (!scores.exact)
        return QStringLiteral("%1: scores %2 to %3 (too many combinations to list each)")
            .arg(describeTest(test), numberText(scores.lowest), numberText(scores.highest));
    // One arg() for all: a "%4" in the name stays as it is.
    QString line = QStringLiteral("%1: scores %2 to %3 (%4 distinct")
                       .arg(describeTest(test), numberText(scores.lowest), numberText(scores.highest),
                            QString::number(scores.scores.size()));
    if (scores.scores.size() <= kListedScores) {
        QStringList each;
        for (double score : scores.scores)
            each.append(numberText(score));
        line += QStringLiteral(": ") + each.join(QStringLiteral(", "));
    }
    return line + QLatin1Char(')');
}

} // namespace

RangeReport describeRanges(const Content &content)
{
    RangeReport report;
    QStringList &lines = report.lines;
    for (const Test &test : content.tests) {
        if (test.folder)
            continue;
        const ReachableScores scores = findReachableScores(test);
        lines.append(scoresLine(test, scores));
        std::optional<std::vector<SumCount>> counts;
        if (!scores.exact || !scores.scores.isEmpty()) {
            counts = countScoreCombinations(test);
            if (!counts)
                lines.append(QStringLiteral("  the answers combine in too many ways to count; verdict shares "
                                            "not counted"));
        }
        CombinationCount total = 0;
        if (counts) {
            for (const SumCount &entry : *counts)
                total += entry.count;
        }
        for (qsizetype v = 0; v < test.verdicts.size(); ++v) {
            const Verdict &verdict = test.verdicts[v];
            if (verdict.category)
                lines.append(QStringLiteral("  category %1:").arg(*verdict.category));
            const QList<CombinationCount> tallies =
                counts ? verdictTallies(verdict, *counts, test.factor) : QList<CombinationCount>();
            for (qsizetype i = 0; i < verdict.texts.size(); ++i) {
                QString share;
                if (!tallies.isEmpty()) {
                    const CombinationCount reached = i < tallies.size() ? tallies[i] : 0;
                    share = QStringLiteral(" (%1)").arg(shareText(reached, total));
                    // No share at all is the checker's "no reachable score" warning.
                    const bool rare = reached > 0 && reached * 100 < CombinationCount(kRareVerdictPercent) * total;
                    const bool common = reached * 100 > CombinationCount(kCommonVerdictPercent) * total;
                    if (rare || common) {
                        QString where = describeTest(test);
                        if (verdict.category)
                            where += QStringLiteral(", category %1").arg(*verdict.category);
                        where += QStringLiteral(", verdict %1 (\"%2\")").arg(i + 1).arg(shortText(verdict.texts[i]));
                        report.warnings.append(
                            {Problem::Warning, where,
                             QStringLiteral("reached by %1 of the answer combinations, %2 %3 %")
                                 .arg(shareText(reached, total),
                                      rare ? QStringLiteral("under") : QStringLiteral("over"),
                                      QString::number(rare ? kRareVerdictPercent : kCommonVerdictPercent)),
                             verdict.textPlaces.placeOf(i, verdict.place)});
                    }
                }
                lines.append(
                    QStringLiteral("    %1 -> verdict %2%3: %4")
                        .arg(intervalText(verdict, i), QString::number(i + 1), share, shortText(verdict.texts[i])));
            }
        }
    }
    return report;
}

} // namespace lovetest::content
