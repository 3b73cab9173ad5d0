#include <gtest/gtest.h>

#include "report/result_page.h"
#include "run/run_result.h"

using namespace lovetest;

namespace {

TEST(ResultPage, LeadsWithTheVerdictAndEndsWithTheAnswers)
{
    RunResult result;
    result.testName = QStringLiteral("恋爱<测试>");
    result.finishedAt = QDateTime(QDate(2026, 12, 10), QTime(9, 5, 30));
    result.category = QStringLiteral("女");
    result.score = 23;
    result.band = QStringLiteral("得分 23，在 21–30 分之间");
    result.range = {5, 40};
    result.verdict = QStringLiteral("第一行\r\n第二行");
    result.answers = {{QStringLiteral("你喜欢&哪个？"), QStringLiteral("甲")}, {QStringLiteral("第二题"), QString()}};

    const QString n = QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;");
    EXPECT_EQ(resultPage(result),
              QStringLiteral("<p align=center><B><font size=5>[测试结果]:恋爱&lt;测试&gt;</font></B></p>"
                             "测试时间：2026-12-10 09:05<br>所选类别：女<br>"
                             "<br><b>[结论]:</b><br>第一行<br>第二行<br>"
                             "<br>声明：本程序所提供的测试仅供娱乐!<br>"
                             "<br><b>[得分]:</b><br>") +
                  n + QStringLiteral("得分&nbsp;23，在&nbsp;21–30&nbsp;分之间<br>") + n +
                  QStringLiteral("本测试可能的得分：5–40 分<br>"
                                 "<br><b>[你的回答]:</b><br>") +
                  n + QStringLiteral("<b>1.你喜欢&amp;哪个？</b><br>") + n + n + QStringLiteral("答：甲<br>") + n +
                  QStringLiteral("<b>2.第二题</b><br>") + n + n + QStringLiteral("答：（未作答）<br>"));
    EXPECT_EQ(resultPageTitle(result), QStringLiteral("《恋爱<测试>》测试结果"));

    result.category.clear();
    EXPECT_FALSE(resultPage(result).contains(QStringLiteral("所选类别")));
}

TEST(ResultPage, EndsWithEveryVerdictOfTheTestTheOwnMarked)
{
    RunResult result;
    result.testName = QStringLiteral("测试");
    result.verdict = QStringLiteral("中<b>等</b>");
    result.answers = {{QStringLiteral("题"), QStringLiteral("答")}};
    result.verdicts = {{QStringLiteral("低<img src=x>"), QStringLiteral("不超过 10 分"), false, {}},
                       {QStringLiteral("中<b>等</b>"), QStringLiteral("在 11–20 分之间"), true, {}},
                       {QStringLiteral("高&amp;"), QString(), false, {}}};
    const QString page = resultPage(result);
    const QString n = QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;");
    const QString section = QStringLiteral("<br><b>[其他可能的结果]:</b><br>");
    EXPECT_TRUE(page.endsWith(section + n + QStringLiteral("低&lt;img&nbsp;src=x&gt;<br>") + n + n +
                              QStringLiteral("得分不超过&nbsp;10&nbsp;分<br>") + n +
                              QStringLiteral("<b>中&lt;b&gt;等&lt;/b&gt;（你的结果）</b><br>") + n + n +
                              QStringLiteral("得分在&nbsp;11–20&nbsp;分之间<br>") + n +
                              QStringLiteral("高&amp;amp;<br>")))
        << qPrintable(page);
    // The verdict leads, the answers come before the list; no text of the
    // data acts as markup, and the page asks for nothing to load.
    EXPECT_LT(page.indexOf(QStringLiteral("[结论]")), page.indexOf(QStringLiteral("[你的回答]")));
    EXPECT_LT(page.indexOf(QStringLiteral("[你的回答]")), page.indexOf(QStringLiteral("[其他可能的结果]")));
    EXPECT_FALSE(page.contains(QStringLiteral("<img")));
    EXPECT_FALSE(page.contains(QStringLiteral("<b>等")));
    EXPECT_FALSE(page.contains(QStringLiteral("src=\"")));

    // Unknown (the test is gone): no section at all.
    result.verdicts.clear();
    EXPECT_FALSE(resultPage(result).contains(QStringLiteral("其他可能的结果")));
}

} // namespace
