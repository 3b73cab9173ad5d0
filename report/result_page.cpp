#include "report/result_page.h"

#include "data/convert.h"
#include "data/text_head.h"
#include "report/page_parts.h"
#include "run/run_result.h"
#include "run/test_run.h"

namespace lovetest {

QString resultPage(const RunResult &result)
{
    QString page = pageTitle(QStringLiteral("测试结果"), result.testName);
    page += pageTimeLine(result.finishedAt);
    if (!result.category.isEmpty())
        page += QStringLiteral("所选类别：") + pageText(result.category, kShownLineLength) + QStringLiteral("<br>");

    // The verdict leads: it is what the taker came for.
    page += pageHeading(QStringLiteral("结论"));
    page += pageText(result.verdict) + QStringLiteral("<br>");
    page += QStringLiteral("<br>") + pageText(TestRun::disclaimer()) + QStringLiteral("<br>");

    page += pageHeading(QStringLiteral("得分"));
    page += kPageIndent + pageText(result.band) + QStringLiteral("<br>");
    page += kPageIndent +
        QStringLiteral("本测试可能的得分：%1–%2 分<br>")
            .arg(numberText(result.range.minimum), numberText(result.range.maximum));

    page += pageHeading(QStringLiteral("你的回答"));
    for (qsizetype i = 0; i < result.answers.size(); ++i) {
        const RunResult::Answer &answer = result.answers[i];
        page +=
            kPageIndent + QStringLiteral("<b>%1.").arg(i + 1) + pageText(answer.question) + QStringLiteral("</b><br>");
        page += kPageIndent + kPageIndent + QStringLiteral("答：") +
            (answer.answer.isEmpty() ? QStringLiteral("（未作答）") : pageText(answer.answer)) + QStringLiteral("<br>");
    }

    page += otherVerdictsSection(
        result.verdicts, [&result](qsizetype i) { return result.verdicts[i].own ? QStringLiteral("你") : QString(); });
    return page;
}

QString resultPageTitle(const RunResult &result)
{
    return QStringLiteral("《%1》测试结果").arg(boundedLine(result.testName));
}

} // namespace lovetest
