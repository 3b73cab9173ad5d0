#include "report/page_parts.h"

#include "report/content_report.h"

namespace lovetest {

QString pageText(const QString &text, qsizetype limit)
{
    QString lines = boundedText(text, limit);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\r")).replace(QLatin1Char('\n'), QLatin1Char('\r'));
    return htmlEscape(lines);
}

QString pageTitle(const QString &label, const QString &testName)
{
    return QStringLiteral("<p align=center><B><font size=5>[%1]:").arg(label) + pageText(testName, kShownLineLength) +
        QStringLiteral("</font></B></p>");
}

QString pageTimeLine(const QDateTime &time)
{
    return QStringLiteral("测试时间：") + time.toString(QStringLiteral("yyyy-MM-dd HH:mm")) + QStringLiteral("<br>");
}

QString pageHeading(const QString &text)
{
    return QStringLiteral("<br><b>[%1]:</b><br>").arg(text);
}

QString otherVerdictsSection(const QList<RunResult::Verdict> &verdicts, const std::function<QString(qsizetype)> &owners)
{
    if (verdicts.isEmpty())
        return {};
    QString section = pageHeading(QStringLiteral("其他可能的结果"));
    for (qsizetype i = 0; i < verdicts.size(); ++i) {
        const RunResult::Verdict &verdict = verdicts[i];
        const QString owner = owners(i);
        const QString text = pageText(verdict.text) +
            (owner.isEmpty() ? QString()
                             : QStringLiteral("（") + pageText(owner, kShownLineLength) + QStringLiteral("的结果）"));
        section += kPageIndent + (owner.isEmpty() ? text : QStringLiteral("<b>") + text + QStringLiteral("</b>")) +
            QStringLiteral("<br>");
        if (!verdict.band.isEmpty())
            section += kPageIndent + kPageIndent + QStringLiteral("得分") + pageText(verdict.band, kShownLineLength) +
                QStringLiteral("<br>");
    }
    return section;
}

} // namespace lovetest
