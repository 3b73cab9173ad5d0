#include <gtest/gtest.h>

#include "report/comparison_page.h"
#include "run/pair_result.h"

using namespace lovetest;

namespace {

RunResult run(const QString &verdict, double score, const QList<RunResult::Answer> &answers)
{
    RunResult result;
    result.testName = QStringLiteral("默契<测试>");
    result.finishedAt = QDateTime(QDate(2026, 2, 14), QTime(20, 30));
    result.score = score;
    result.band = QStringLiteral("得分 %1，在 0–40 分之间").arg(score);
    result.range = {0, 40};
    result.verdict = verdict;
    result.answers = answers;
    result.verdicts = {{QStringLiteral("安静型"), QStringLiteral("不超过 10 分"), false, {}},
                       {QStringLiteral("热情型"), QStringLiteral("在 11–40 分之间"), false, {}}};
    for (RunResult::Verdict &item : result.verdicts)
        item.own = item.text == verdict;
    return result;
}

PairResult samplePair()
{
    PairResult pair;
    pair.firstName = QStringLiteral("小明");
    pair.secondName = QStringLiteral("小红");
    pair.first = run(QStringLiteral("安静型"), 8,
                     {{QStringLiteral("第一题"), QStringLiteral("看书")},
                      {QStringLiteral("第二题"), QStringLiteral("海边")},
                      {QStringLiteral("第三题"), QStringLiteral("早起")}});
    pair.second = run(QStringLiteral("热情型"), 30,
                      {{QStringLiteral("第一题"), QStringLiteral("看书")},
                       {QStringLiteral("第二题"), QStringLiteral("山里")},
                       {QStringLiteral("第三题"), QString()}});
    pair.second.finishedAt = pair.first.finishedAt.addSecs(300);
    return pair;
}

// The part of the page from one heading to the next.
QString section(const QString &page, const QString &heading)
{
    const qsizetype start = page.indexOf(QStringLiteral("[%1]").arg(heading));
    if (start < 0)
        return {};
    const qsizetype end = page.indexOf(QStringLiteral("<b>["), start);
    return page.mid(start, end < 0 ? -1 : end - start);
}

QString cells(std::initializer_list<const char *> texts)
{
    QString row = QStringLiteral("<tr>");
    for (const char *text : texts)
        row += QStringLiteral("<td valign=top>") + QString::fromUtf8(text) + QStringLiteral("</td>");
    return row + QStringLiteral("</tr>");
}

TEST(ComparisonPage, VerdictsSideBySideLeadAndTheOtherVerdictsComeLast)
{
    const PairResult pair = samplePair();
    const QString page = comparisonPage(pair);
    EXPECT_EQ(comparisonPageTitle(pair), QStringLiteral("《默契<测试>》两人测试结果"));
    EXPECT_TRUE(page.startsWith(QStringLiteral("<p align=center><B><font size=5>[两人测试结果]:默契&lt;测试&gt;")))
        << qPrintable(page);

    const char *inOrder[] = {"测试时间：2026-02-14 20:35",
                             "[两人的结论]",
                             "小明",
                             "小红",
                             "安静型",
                             "热情型",
                             "得分&nbsp;8，",
                             "得分&nbsp;30，",
                             "本测试可能的得分：0–40",
                             "[默契程度]",
                             "3 题中有 1 题选得一样",
                             "[选得不一样的题]",
                             "[两人的回答]",
                             "[其他可能的结果]"};
    qsizetype last = -1;
    for (const char *part : inOrder) {
        const qsizetype at = page.indexOf(QString::fromUtf8(part), last + 1);
        EXPECT_GT(at, last) << part;
        last = std::max(at, last);
    }
    // Verdict beside verdict, score beside score.
    EXPECT_TRUE(page.contains(cells({"安静型", "热情型"})));
    EXPECT_TRUE(
        page.contains(cells({"得分&nbsp;8，在&nbsp;0–40&nbsp;分之间", "得分&nbsp;30，在&nbsp;0–40&nbsp;分之间"})));
    EXPECT_FALSE(page.contains(QStringLiteral("所选类别")));

    // Each taker's own verdict marked with their name; last on the page.
    const QString n = QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;");
    EXPECT_TRUE(page.endsWith(
        QStringLiteral("<br><b>[其他可能的结果]:</b><br>") + n + QStringLiteral("<b>安静型（小明的结果）</b><br>") + n +
        n + QStringLiteral("得分不超过&nbsp;10&nbsp;分<br>") + n + QStringLiteral("<b>热情型（小红的结果）</b><br>") +
        n + n + QStringLiteral("得分在&nbsp;11–40&nbsp;分之间<br>")))
        << qPrintable(page);
}

TEST(ComparisonPage, ListsTheDifferencesWithBothAnswersThenEveryQuestion)
{
    const QString page = comparisonPage(samplePair());
    const QString header = QStringLiteral("<tr><th valign=top>题目</th><th valign=top>小明</th>"
                                          "<th valign=top>小红</th></tr>");
    const QString differences = section(page, QStringLiteral("选得不一样的题"));
    EXPECT_TRUE(differences.contains(header + cells({"2.第二题", "海边", "山里"}) +
                                     cells({"3.第三题", "早起", "（未作答）"}) + QStringLiteral("</table><br>")))
        << qPrintable(differences);
    EXPECT_FALSE(differences.contains(QStringLiteral("第一题")));

    const QString all = section(page, QStringLiteral("两人的回答"));
    EXPECT_TRUE(all.contains(header + cells({"1.第一题", "看书", "看书"}) + cells({"2.第二题", "海边", "山里"}) +
                             cells({"3.第三题", "早起", "（未作答）"}) + QStringLiteral("</table><br>")))
        << qPrintable(all);

    // Answered alike throughout: said so, no table.
    PairResult same = samplePair();
    same.second.answers = same.first.answers;
    const QString none = section(comparisonPage(same), QStringLiteral("选得不一样的题"));
    EXPECT_TRUE(none.contains(QStringLiteral("没有：每一题都选得一样。")));
    EXPECT_FALSE(none.contains(QStringLiteral("<table")));
}

TEST(ComparisonPage, NoTextOfTheTakersOrTheDataActsAsMarkup)
{
    PairResult pair = samplePair();
    pair.firstName = QStringLiteral("<b>&");
    pair.first.answers[1].answer = QStringLiteral("<b>&");
    pair.second.verdict = QStringLiteral("<img src=x>");
    pair.second.category = QStringLiteral("<i>女</i>");
    const QString page = comparisonPage(pair);
    EXPECT_FALSE(page.contains(QStringLiteral("<b>&")));
    EXPECT_FALSE(page.contains(QStringLiteral("<img")));
    EXPECT_FALSE(page.contains(QStringLiteral("<i>")));
    const QString escaped = QStringLiteral("&lt;b&gt;&amp;");
    EXPECT_TRUE(page.contains(QStringLiteral("<th valign=top>") + escaped + QStringLiteral("</th>")));
    EXPECT_TRUE(page.contains(cells({"2.第二题", "&lt;b&gt;&amp;", "山里"})));
    EXPECT_TRUE(page.contains(QStringLiteral("（") + escaped + QStringLiteral("的结果）")));
    // A category on one side: the other's cell stays empty.
    EXPECT_TRUE(page.contains(cells({"", "所选类别：&lt;i&gt;女&lt;/i&gt;"})));
}

TEST(ComparisonPage, MarksTheOwnVerdictsOfBothTakers)
{
    const QString n = QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;");
    // The same verdict: both names on it.
    PairResult pair = samplePair();
    pair.second = run(QStringLiteral("安静型"), 6, pair.second.answers);
    EXPECT_TRUE(section(comparisonPage(pair), QStringLiteral("其他可能的结果"))
                    .contains(n + QStringLiteral("<b>安静型（小明、小红的结果）</b>")));

    // The second's list unknown (its test read no more): its verdict's text
    // finds it in the first's list.
    pair = samplePair();
    pair.second.verdicts.clear();
    EXPECT_TRUE(comparisonPage(pair).contains(n + QStringLiteral("<b>热情型（小红的结果）</b>")));

    // The first's list unknown: no section at all.
    pair.first.verdicts.clear();
    EXPECT_FALSE(comparisonPage(pair).contains(QStringLiteral("其他可能的结果")));
}

} // namespace
