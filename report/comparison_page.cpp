#include "report/comparison_page.h"

#include "data/text_head.h"
#include "report/page_parts.h"
#include "run/pair_result.h"
#include "run/test_run.h"

namespace lovetest {

namespace {

const QString kTable = QStringLiteral("<table border=1 cellspacing=0 cellpadding=6 width=100%>");
// The first break after a table only closes it; the second leaves the same
// blank line under it as a heading has above it elsewhere on the page.
const QString kTableEnd = QStringLiteral("</table><br>");

QString row(const QStringList &cells, const QString &tag = QStringLiteral("td"))
{
    QString html = QStringLiteral("<tr>");
    for (const QString &cell : cells)
        html += QStringLiteral("<%1 valign=top>").arg(tag) + cell + QStringLiteral("</%1>").arg(tag);
    return html + QStringLiteral("</tr>");
}

QString answerText(const QString &answer)
{
    return answer.isEmpty() ? QStringLiteral("（未作答）") : pageText(answer);
}

// Question, the first taker's answer, the second's: one row a question.
QString answerTable(const QStringList &names, const QList<PairComparison::Difference> &rows)
{
    QString table = kTable + row({QStringLiteral("题目"), names[0], names[1]}, QStringLiteral("th"));
    for (const PairComparison::Difference &answers : rows)
        table += row({QStringLiteral("%1.").arg(answers.number) + pageText(answers.question),
                      answerText(answers.firstAnswer), answerText(answers.secondAnswer)});
    return table + kTableEnd;
}

} // namespace

QString comparisonPage(const PairResult &pair)
{
    const RunResult &first = pair.first;
    const RunResult &second = pair.second;
    const QStringList names{pageText(firstTakerName(pair), kShownLineLength),
                            pageText(secondTakerName(pair), kShownLineLength)};

    QString page = pageTitle(QStringLiteral("两人测试结果"), first.testName);
    // The pair is complete when the second taker finished.
    page += pageTimeLine(second.finishedAt);

    // The verdicts lead, side by side: they are what the two came for.
    page += pageHeading(QStringLiteral("两人的结论"));
    page += kTable + row(names, QStringLiteral("th"));
    page += row({pageText(first.verdict), pageText(second.verdict)});
    page += row({pageText(first.band), pageText(second.band)});
    if (!first.category.isEmpty() || !second.category.isEmpty()) {
        const auto category = [](const RunResult &run) {
            return run.category.isEmpty() ? QString()
                                          : QStringLiteral("所选类别：") + pageText(run.category, kShownLineLength);
        };
        page += row({category(first), category(second)});
    }
    page += kTableEnd;
    page += pageText(scoreRangeText(first.range)) + QStringLiteral("<br>");
    page += QStringLiteral("<br>") + pageText(TestRun::disclaimer()) + QStringLiteral("<br>");

    const PairComparison comparison = comparePair(pair);
    page += pageHeading(QStringLiteral("默契程度"));
    page += kPageIndent + agreementCount(comparison) + QStringLiteral("<br>");
    const QString line = agreementLine(comparison);
    if (!line.isEmpty())
        page += kPageIndent + line + QStringLiteral("<br>");

    page += pageHeading(QStringLiteral("选得不一样的题"));
    if (comparison.differences.isEmpty())
        page += kPageIndent + QStringLiteral("没有：每一题都选得一样。<br>");
    else
        page += answerTable(names, comparison.differences);

    page += pageHeading(QStringLiteral("两人的回答"));
    page += answerTable(names, pairedAnswers(pair));

    // The first run's list: both took the same test, and a list of the
    // second's own may be of another category.
    page += otherVerdictsSection(first.verdicts, [&](qsizetype i) {
        QStringList owners;
        if (first.verdicts[i].own)
            owners << firstTakerName(pair);
        const bool sameList =
            second.verdicts.size() == first.verdicts.size() && second.verdicts[i].text == first.verdicts[i].text;
        if (sameList ? second.verdicts[i].own : first.verdicts[i].text == second.verdict)
            owners << secondTakerName(pair);
        return owners.join(QStringLiteral("、"));
    });
    return page;
}

QString comparisonPageTitle(const PairResult &pair)
{
    return QStringLiteral("《%1》两人测试结果").arg(boundedLine(pair.first.testName));
}

} // namespace lovetest
