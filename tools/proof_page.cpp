#include "tools/proof_page.h"

#include <stdexcept>

#include "data/codepage.h"
#include "report/content_report.h"
#include "run/run_result.h"
#include "run/test_run.h"
#include "tools/reachable_scores.h"

namespace lovetest::content {

namespace {

// A content text as the content page escapes it, its line breaks kept.
QString escaped(const QString &text)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\r")).replace(QLatin1Char('\n'), QLatin1Char('\r'));
    return htmlEscape(lines);
}

// Whether some reachable score selects verdict index; true where the
// scores are not known one by one or a threshold is no number.
bool reached(const QList<QByteArray> &thresholds, int index, const ReachableScores &reachable)
{
    if (!reachable.exact)
        return true;
    try {
        for (double score : reachable.scores) {
            if (verdictIndex(thresholds, score) == index)
                return true;
        }
        return false;
    } catch (const std::exception &) {
        return true;
    }
}

QString verdictTable(const Verdict &verdict, const ReachableScores &reachable)
{
    QList<QByteArray> thresholds;
    for (const QString &text : verdict.thresholds)
        thresholds.append(toCp936(text));
    QString table = QStringLiteral("<table border=1 cellpadding=4><tr><th>结论</th><th>得分</th></tr>\n");
    for (qsizetype i = 0; i < verdict.texts.size(); ++i) {
        const int index = int(i);
        QString band;
        if (i > thresholds.size() || !reached(thresholds, index, reachable))
            band = QStringLiteral("没有可能的得分选中此结论");
        else
            band = verdictBandText(thresholds, index, reachable);
        table += QStringLiteral("<tr><td>%1.%2</td><td>%3</td></tr>\n")
                     .arg(QString::number(i + 1), escaped(verdict.texts[i]), band);
    }
    return table + QStringLiteral("</table>\n");
}

QString testSection(const Test &test)
{
    QString section = QStringLiteral("<h2>%1</h2>\n").arg(escaped(test.name));
    if (test.id)
        section += QStringLiteral("<p>id %1</p>\n").arg(*test.id);
    section += QStringLiteral("<p>%1</p>\n").arg(escaped(test.remarks));
    const ReachableScores reachable = findReachableScores(test);
    section += QStringLiteral("<p>%1</p>\n").arg(scoreRangeText(reachable.range()));
    if (test.categories.isEmpty()) {
        // A test without categories uses its first verdict row.
        section += QStringLiteral("<h3>[测试结果]</h3>\n");
        if (test.verdicts.isEmpty())
            section += QStringLiteral("<p>没有结论行</p>\n");
        else
            section += verdictTable(test.verdicts.first(), reachable);
        return section;
    }
    section += QStringLiteral("<p>类别：</p>\n<ul>\n");
    for (qsizetype c = 0; c < test.categories.size(); ++c)
        section += QStringLiteral("<li>%1</li>\n").arg(escaped(test.categories.captions.value(c)));
    section += QStringLiteral("</ul>\n");
    for (qsizetype c = 0; c < test.categories.size(); ++c) {
        const QString value = test.categories.values.value(c);
        section += QStringLiteral("<h3>[测试结果] %1</h3>\n").arg(escaped(test.categories.captions.value(c)));
        // The run reads the first row of the category's value.
        const auto number = integerValue(value);
        const Verdict *row = nullptr;
        for (const Verdict &verdict : test.verdicts) {
            if (!row && number && verdict.category && integerValue(*verdict.category) == number)
                row = &verdict;
        }
        if (row)
            section += verdictTable(*row, reachable);
        else
            section += QStringLiteral("<p>没有这一类别的结论行</p>\n");
    }
    return section;
}

} // namespace

QString proofPage(const Content &content)
{
    QString page = QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>测试内容校对</title>"
                                  "</head><body>\n");
    for (const Test &test : content.tests) {
        if (!test.folder)
            page += testSection(test);
    }
    return page + QStringLiteral("</body></html>\n");
}

} // namespace lovetest::content
