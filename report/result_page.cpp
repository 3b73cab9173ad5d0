#include "report/result_page.h"

#include "data/convert.h"
#include "data/text_head.h"
#include "report/content_report.h"
#include "run/run_result.h"
#include "run/test_run.h"

namespace lovetest {

namespace {

const QString kIndent = QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;");

// Texts of the database and the history break lines with CR, LF or both.
// A long one goes into the page only as its head: the page is laid out
// whole, and a single text could otherwise hold the window for minutes.
QString pageText(const QString &text, qsizetype limit = kShownHeadLength)
{
    QString lines = boundedText(text, limit);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\r")).replace(QLatin1Char('\n'), QLatin1Char('\r'));
    return htmlEscape(lines);
}

QString heading(const QString &text)
{
    return QStringLiteral("<br><b>[%1]:</b><br>").arg(text);
}

} // namespace

QString resultPage(const RunResult &result)
{
    QString page = QStringLiteral("<p align=center><B><font size=5>[测试结果]:") +
        pageText(result.testName, kShownLineLength) + QStringLiteral("</font></B></p>");
    page += QStringLiteral("测试时间：") + result.finishedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm")) +
        QStringLiteral("<br>");
    if (!result.category.isEmpty())
        page += QStringLiteral("所选类别：") + pageText(result.category, kShownLineLength) + QStringLiteral("<br>");

    // The verdict leads: it is what the taker came for.
    page += heading(QStringLiteral("结论"));
    page += pageText(result.verdict) + QStringLiteral("<br>");
    page += QStringLiteral("<br>") + pageText(TestRun::disclaimer()) + QStringLiteral("<br>");

    page += heading(QStringLiteral("得分"));
    page += kIndent + pageText(result.band) + QStringLiteral("<br>");
    page += kIndent +
        QStringLiteral("本测试可能的得分：%1–%2 分<br>")
            .arg(numberText(result.range.minimum), numberText(result.range.maximum));

    page += heading(QStringLiteral("你的回答"));
    for (qsizetype i = 0; i < result.answers.size(); ++i) {
        const RunResult::Answer &answer = result.answers[i];
        page += kIndent + QStringLiteral("<b>%1.").arg(i + 1) + pageText(answer.question) + QStringLiteral("</b><br>");
        page += kIndent + kIndent + QStringLiteral("答：") +
            (answer.answer.isEmpty() ? QStringLiteral("（未作答）") : pageText(answer.answer)) + QStringLiteral("<br>");
    }

    if (!result.verdicts.isEmpty()) {
        page += heading(QStringLiteral("其他可能的结果"));
        for (const RunResult::Verdict &verdict : result.verdicts) {
            const QString text = pageText(verdict.text) + (verdict.own ? QStringLiteral("（你的结果）") : QString());
            page += kIndent + (verdict.own ? QStringLiteral("<b>") + text + QStringLiteral("</b>") : text) +
                QStringLiteral("<br>");
            if (!verdict.band.isEmpty())
                page += kIndent + kIndent + QStringLiteral("得分") + pageText(verdict.band, kShownLineLength) +
                    QStringLiteral("<br>");
        }
    }
    return page;
}

QString resultPageTitle(const RunResult &result)
{
    return QStringLiteral("《%1》测试结果").arg(boundedLine(result.testName));
}

} // namespace lovetest
