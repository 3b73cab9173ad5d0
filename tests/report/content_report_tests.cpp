#include <gtest/gtest.h>

#include "data/sealed_fields.h"
#include "data/test_database.h"
#include "report/content_report.h"
#include "seal/seal_codec.h"
#include "tests/support/fixture_database.h"

using namespace lovetest;
using lovetest::testing::FixtureDatabase;

namespace {

const QByteArray kContent = R"({"tests": [
  {"id": 10, "name": "<i>测试</i> & 名", "remarks": "", "factor": 1,
   "questions": [
     {"text": "第一题 <b>粗</b> & 好", "instructions": "请读 \"说明\"\n第二行", "options": [[3, "甲 乙"], [2, "<3"], [1, "A&B"]]},
     {"text": "第二题", "options": [[2, "是"], [0, ""]]}],
   "verdicts": [{"thresholds": [2], "texts": ["低\n分", "高"]}, {"thresholds": [9], "texts": ["别的行"]}]},
  {"id": 20, "name": "空", "factor": 1, "questions": [], "verdicts": []}
]})";

const QString kNbsp4 = QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;");

class ContentReportTest : public ::testing::Test {
protected:
    ContentReportTest() { EXPECT_TRUE(database.openAll(fixture.path()).isEmpty()); }

    ContentReport reportOf(int testId)
    {
        EXPECT_TRUE(database.catalog.locate("ID", testId));
        return builder.build();
    }

    FixtureDatabase fixture{kContent};
    TestDatabase database;
    SealCodec codec;
    SealedFields sealed{database, codec};
    ContentReportBuilder builder{database, sealed};
};

QString heading(const QString &name)
{
    return QStringLiteral("<p align=center><B><font size=5><a target=\"_blank\" href=\"http://langyue-xinli.example\" "
                          "style=\"text-decoration: none\">[心理测试]:</a>") +
        name + QStringLiteral("</font></B></p><br><br>");
}

const QString kVerdictHeading = QStringLiteral("<br><br><b>&nbsp;&nbsp;&nbsp;&nbsp;[测试结果]:</b><br>");
const QString kFooter = QStringLiteral("<br>朗月心理测试网:<a target=\"_blank\" href=\"http://langyue-xinli.example\">"
                                       "http://langyue-xinli.example</a>");

TEST_F(ContentReportTest, BuildsTheWholePage)
{
    const ContentReport report = reportOf(10);
    // Every text of the test is escaped: markup in content shows as its
    // characters and loads nothing.
    const QString expected = heading(QStringLiteral("&lt;i&gt;测试&lt;/i&gt; &amp; 名"))
        // instructions escaped, CR LF kept as <br> and a line feed
        + QStringLiteral("请读&nbsp;&quot;说明&quot;<br>\n第二行<br><br>") + kNbsp4 +
        QStringLiteral("<b>第一题 &lt;b&gt;粗&lt;/b&gt; &amp; 好</B><br>") + kNbsp4 +
        QStringLiteral("1.甲&nbsp;乙<br>") + kNbsp4 + QStringLiteral("2.&lt;3<br>") + kNbsp4 +
        QStringLiteral("3.A&amp;B<br>") + QStringLiteral("<br><br>") // no instructions
        + kNbsp4 + QStringLiteral("<b>第二题</B><br>") + kNbsp4 + QStringLiteral("1.是<br>") + kNbsp4 +
        QStringLiteral("2.<br>") + kVerdictHeading + kNbsp4 + QStringLiteral("选择:1.<br>低<br>\n分<br>") + kNbsp4 +
        QStringLiteral("选择:2.<br>高<br>") + kFooter;
    EXPECT_EQ(report.page.toStdString(), expected.toStdString());
    EXPECT_EQ(report.title, QStringLiteral("<i>测试</i> & 名"));
    EXPECT_EQ(builder.build().page, report.page); // the same page twice
}

TEST_F(ContentReportTest, TestWithoutQuestionsOrVerdictRows)
{
    EXPECT_EQ(reportOf(20).page,
              heading(QStringLiteral("空")) + kVerdictHeading + kNbsp4 + QStringLiteral("选择:1.<br><br>") + kFooter);
}

TEST_F(ContentReportTest, NoCurrentCatalogRowIsRefused)
{
    database.catalog.setFilter("name like '*不存在*'");
    database.catalog.setFiltered(true);
    EXPECT_THROW(builder.build(), std::exception);
}

TEST_F(ContentReportTest, LeavesTheRunsQuestionRowAndPendingAnswerAlone)
{
    Dataset &questions = database.questions;
    questions.setFilter("Parent=10");
    questions.setFiltered(true);
    questions.next(); // the first question row
    questions.edit();
    questions.fieldByName("分值")->setAsInteger(3);
    reportOf(10);
    EXPECT_EQ(questions.state(), DatasetState::Edit);
    EXPECT_EQ(questions.fieldByName("ID")->asInteger(), 11);
    EXPECT_EQ(questions.fieldByName("分值")->asInteger(), 3);
    EXPECT_EQ(fixture.scalar("SELECT 分值 FROM 量表 WHERE ID=11").toInt(), 0);
}

TEST(htmlEscape, ReplacesInOrder)
{
    const std::pair<const char *, const char *> cases[] = {
        {"", ""},
        {"  ", "&nbsp;&nbsp;"},
        {"\"a\"", "&quot;a&quot;"},
        {"&amp;", "&amp;amp;"},
        {"<3 >", "&lt;3&nbsp;&gt;"},
        {"a\r\nb", "a<br>\nb"},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(htmlEscape(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
}

} // namespace

TEST_F(ContentReportTest, EveryReportReadsTheInstructionsPostedSinceTheLastOne)
{
    reportOf(10);
    Dataset &questions = database.questions;
    ASSERT_TRUE(questions.locate("ID", 11));
    questions.edit();
    questions.fieldByName("填写说明")->setAsString(QStringLiteral("改过的说明"));
    questions.post();
    EXPECT_TRUE(reportOf(10).page.contains(QStringLiteral("改过的说明")));
}

TEST(ContentReportWithoutDatabase, SaysTheDatabaseIsNotOpen)
{
    TestDatabase database; // never opened
    SealCodec codec;
    SealedFields sealed{database, codec};
    ContentReportBuilder builder{database, sealed};
    try {
        builder.build();
        ADD_FAILURE() << "no error";
    } catch (const std::exception &e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), closedDatabaseMessage());
    }
}
