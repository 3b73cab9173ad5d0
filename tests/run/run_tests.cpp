#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include "data/sealed_fields.h"
#include "data/split_text.h"
#include "data/test_database.h"
#include "run/headless_view.h"
#include "run/run_listener.h"
#include "run/run_result.h"
#include "run/score_range.h"
#include "run/test_run.h"
#include "seal/seal_codec.h"
#include "tests/support/catalog_tests.h"
#include "tests/support/fixture_database.h"

using namespace lovetest;
using lovetest::testing::FixtureDatabase;

namespace {

const QByteArray kContent = R"({"tests": [
  {"id": 10, "name": "三题测试", "remarks": "说明", "factor": 1,
   "questions": [
     {"text": "第一题", "instructions": "凭感觉", "options": [[3, "甲"], [2, "乙"], [1, "丙"]]},
     {"text": "第二题", "options": [[2, "是"], [0, "否"]]},
     {"text": "第三题", "options": [[1, "是"], [0, "否"]]}],
   "verdicts": [{"thresholds": [2, 4], "texts": ["低分", "中分", "高分"]}]},
  {"id": 20, "name": "分类测试", "remarks": "", "factor": 0.5,
   "categories": [[1, "男"], [0, "不选"], [2, "女"]],
   "questions": [{"text": "唯一题", "options": [[4, "是"], [2, "否"]]}],
   "verdicts": [{"category": 1, "thresholds": [1], "texts": ["男低", "男高"]},
                {"category": 2, "thresholds": [1], "texts": ["女低", "女高"]}]},
  {"id": 30, "name": "坏门槛", "factor": 1,
   "questions": [{"text": "题", "options": [[1, "一"], [9, "九"]]}],
   "verdicts": [{"thresholds": ["abc"], "texts": ["x", "y"]}]},
  {"id": 40, "name": "缺结果", "factor": 1,
   "questions": [{"text": "题", "options": [[1, "一"], [9, "九"]]}],
   "verdicts": [{"thresholds": [5], "texts": ["x"]}]},
  {"id": 50, "name": "空目录", "factor": 1, "questions": [], "verdicts": []},
  {"id": 60, "name": "中文门槛", "factor": 1,
   "questions": [{"text": "题", "options": [[1, "一"], [9, "九"]]}],
   "verdicts": [{"thresholds": ["十"], "texts": ["x", "y"]}]},
  {"id": 70, "name": "中文选项值", "factor": 1,
   "questions": [{"text": "题", "options": [["十", "一"]]}], "verdicts": [{"thresholds": [1], "texts": ["x", "y"]}]}
]})";

class TestRunTest : public ::testing::Test {
protected:
    explicit TestRunTest(const QByteArray &content = kContent) : fixture(content)
    {
        EXPECT_TRUE(database.openAll(fixture.path()).isEmpty());
    }

    void select(int testId) { ASSERT_TRUE(database.catalog.locate("ID", testId)); }

    // Answers the shown questions with the given option indexes.
    void answer(std::initializer_list<int> indexes)
    {
        for (int index : indexes) {
            view.choose(index);
            run.step();
        }
    }

    FixtureDatabase fixture;
    TestDatabase database;
    SealCodec codec;
    SealedFields sealed{database, codec};
    HeadlessRunView view{database, sealed};
    TestRun run{database, sealed, view};
};

TEST_F(TestRunTest, CarriesATestFromStartToVerdictAndBack)
{
    select(10);
    run.step();
    EXPECT_EQ(run.phase(), TestRun::Phase::Answering);
    EXPECT_EQ(view.shown(), QStringLiteral("3-1.第一题    "));
    EXPECT_EQ(view.instructions(), QStringLiteral("凭感觉"));
    EXPECT_EQ(view.controls().stepCaption, QStringLiteral("下一步"));
    EXPECT_TRUE(view.controls().quitVisible);
    EXPECT_FALSE(view.controls().idle);
    EXPECT_EQ(view.choices().items.size(), 3);
    EXPECT_EQ(view.choices().items[1].caption, QStringLiteral("乙"));
    EXPECT_EQ(view.choices().items[1].value, QStringLiteral("2"));

    answer({1});
    EXPECT_EQ(view.shown(), QStringLiteral("3-2.第二题    "));
    EXPECT_TRUE(view.instructions().isEmpty());
    // Moving on stored the answer in the file.
    EXPECT_EQ(fixture.scalar("SELECT 分值 FROM 量表 WHERE ID=11").toInt(), 2);
    EXPECT_EQ(run.questionNumber(), 2);

    answer({1, 0}); // 2 + 0 + 1 = 3: between the thresholds 2 and 4
    EXPECT_EQ(run.phase(), TestRun::Phase::ShowingVerdict);
    EXPECT_DOUBLE_EQ(run.score(), 3);
    EXPECT_EQ(view.shown(), QStringLiteral("声明：本程序所提供的测试仅供娱乐!\r\r中分"));
    EXPECT_EQ(view.controls().stepCaption, QStringLiteral("完成"));
    EXPECT_FALSE(view.controls().quitVisible);
    EXPECT_EQ(fixture.scalar("SELECT 分值 FROM 量表 WHERE ID=13").toInt(), 1);

    run.step();
    EXPECT_EQ(run.phase(), TestRun::Phase::Idle);
    EXPECT_EQ(view.shown(), QStringLiteral("remarks"));
    EXPECT_EQ(view.controls().stepCaption, QStringLiteral("开始测试"));
    EXPECT_TRUE(view.controls().idle);
}

TEST_F(TestRunTest, NothingChosenShowsTheMessageAndStays)
{
    select(10);
    run.step();
    const int clears = view.clears();
    run.step();
    EXPECT_EQ(view.messages(), QStringList{QStringLiteral("请选择!再进行下一步")});
    EXPECT_EQ(view.shown(), QStringLiteral("3-1.第一题    "));
    EXPECT_EQ(view.clears(), clears);
    EXPECT_EQ(run.phase(), TestRun::Phase::Answering);
}

TEST_F(TestRunTest, ScoresOnlyThisRunsAnswers)
{
    select(10);
    run.step();
    answer({0, 0, 0}); // 3 + 2 + 1
    EXPECT_EQ(view.shown().right(2), QStringLiteral("高分"));
    run.step();
    run.step();
    answer({2, 1, 1}); // 1 + 0 + 0
    EXPECT_DOUBLE_EQ(run.score(), 1);
    EXPECT_EQ(view.shown().right(2), QStringLiteral("低分"));
}

TEST_F(TestRunTest, CategoryTestAsksForACategoryThenLooksItUp)
{
    select(20);
    run.step();
    answer({0}); // 4 × 0.5 = 2
    EXPECT_EQ(run.phase(), TestRun::Phase::ChoosingCategory);
    EXPECT_EQ(view.shown(), QStringLiteral("请选择"));
    ASSERT_EQ(view.choices().items.size(), 3);

    answer({1}); // the value 0 cannot be chosen: the panel comes anew
    EXPECT_EQ(run.phase(), TestRun::Phase::ChoosingCategory);
    EXPECT_EQ(view.shown(), QStringLiteral("请选择"));

    answer({2});
    EXPECT_EQ(run.phase(), TestRun::Phase::ShowingVerdict);
    EXPECT_DOUBLE_EQ(run.score(), 2);
    EXPECT_TRUE(view.shown().endsWith(QStringLiteral("女高")));

    // A second run asks again: the start stores 0 as the category.
    run.step();
    run.step();
    EXPECT_EQ(fixture.scalar("SELECT 分值 FROM 量表 WHERE ID=20").toInt(), 0);
    answer({1});
    EXPECT_EQ(run.phase(), TestRun::Phase::ChoosingCategory);
}

TEST_F(TestRunTest, QuitAndStartAgainBeginsAtTheFirstQuestion)
{
    select(10);
    run.step();
    answer({0});
    view.choose(0); // 2, pending on the second question
    run.finish();
    EXPECT_EQ(run.phase(), TestRun::Phase::Idle);
    EXPECT_EQ(view.shown(), QStringLiteral("remarks"));
    EXPECT_EQ(fixture.scalar("SELECT 分值 FROM 量表 WHERE ID=12").toInt(), 0);
    run.step();
    EXPECT_EQ(view.shown(), QStringLiteral("3-1.第一题    "));
    // Filtering the question set again stored the pending answer.
    EXPECT_EQ(fixture.scalar("SELECT 分值 FROM 量表 WHERE ID=12").toInt(), 2);
}

TEST_F(TestRunTest, RefusesWhatCannotBeRun)
{
    select(50); // a catalog entry without questions
    run.step();
    ASSERT_EQ(view.messages().size(), 1);
    EXPECT_TRUE(view.messages()[0].contains(QStringLiteral("空目录")));
    EXPECT_EQ(run.phase(), TestRun::Phase::Idle);
    EXPECT_EQ(view.clears(), 0);

    database.catalog.setFilter("name like '*没有这个*'");
    database.catalog.setFiltered(true);
    run.step();
    EXPECT_EQ(view.messages().size(), 2);
    EXPECT_EQ(run.phase(), TestRun::Phase::Idle);
    EXPECT_EQ(database.catalog.recordCount(), 0);
    EXPECT_EQ(fixture.scalar("SELECT COUNT(*) FROM 量表 WHERE 目录=1").toInt(), 7);
}

TEST(TestRunWithoutDatabase, RefusesWithTheReason)
{
    TestDatabase database; // date.mdb could not be opened
    SealCodec codec;
    SealedFields sealed{database, codec};
    HeadlessRunView view{database, sealed};
    TestRun run{database, sealed, view};
    EXPECT_NO_THROW(run.step());
    EXPECT_EQ(view.messages(), QStringList{closedDatabaseMessage()});
    EXPECT_EQ(run.phase(), TestRun::Phase::Idle);
}

TEST(TestRunWithoutDatabase, NamesTheFolderItLookedInAndHowToFillIt)
{
    // The file is looked for against the current folder, not beside the program.
    const QString current = QDir::toNativeSeparators(QDir::currentPath());
    EXPECT_TRUE(closedDatabaseMessage().contains(QStringLiteral("当前文件夹 %1 中").arg(current)));

    QTemporaryDir empty;
    TestDatabase database;
    EXPECT_FALSE(database.openAll(empty.filePath(QStringLiteral("date.mdb"))).isEmpty());
    SealCodec codec;
    SealedFields sealed{database, codec};
    HeadlessRunView view{database, sealed};
    TestRun run{database, sealed, view};
    run.step();
    ASSERT_EQ(view.messages().size(), 1);
    const QString message = view.messages().first();
    EXPECT_TRUE(message.startsWith(QStringLiteral("测试数据库 date.mdb 没有打开（"))) << message.toStdString();
    EXPECT_TRUE(message.endsWith(QStringLiteral("），所以没有可以进行的测试。"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QDir::toNativeSeparators(QDir(empty.path()).absolutePath())));
    EXPECT_TRUE(message.contains(QStringLiteral("lovetest-start")));
    EXPECT_TRUE(message.contains(QStringLiteral("lovetest-content build")));
    EXPECT_FALSE(message.contains(QStringLiteral("程序所在")));
}

TEST_F(TestRunTest, ErrorsInAStepEndTheRun)
{
    struct Case {
        int test;
        const char *message;
    };
    for (const Case &c : {Case{30, "'abc' is not a valid integer value"}, Case{40, "List index out of bounds (1)"},
                          Case{60, "'十' is not a valid integer value"}}) {
        select(c.test);
        run.step();
        view.choose(1); // 9: above the last threshold
        try {
            run.step();
            ADD_FAILURE() << "no error for test " << c.test;
        } catch (const std::exception &e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_EQ(run.phase(), TestRun::Phase::Idle);
        EXPECT_EQ(view.shown(), QStringLiteral("remarks"));
        EXPECT_TRUE(view.controls().idle);
    }
}

TEST_F(TestRunTest, ChineseOptionValueIsNamedAsWritten)
{
    select(70);
    run.step();
    ASSERT_EQ(view.choices().items.size(), 1);
    EXPECT_EQ(view.choices().items[0].value, QStringLiteral("十"));
    try {
        view.choose(0);
        ADD_FAILURE() << "no error";
    } catch (const std::exception &e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), QStringLiteral("'十' is not a valid integer value"));
    }
}

TEST_F(TestRunTest, ChineseCharacterInASealedFieldIsNamedAsWritten)
{
    fixture.exec(QStringLiteral("UPDATE 量表 SET Name = substr(Name, 1, 4) || '十' || substr(Name, 6) WHERE ID = 41"));
    TestDatabase reread;
    ASSERT_TRUE(reread.openAll(fixture.path()).isEmpty());
    SealedFields fields{reread, codec};
    HeadlessRunView shown{reread, fields};
    TestRun tampered{reread, fields, shown};
    ASSERT_TRUE(reread.catalog.locate("ID", 40));
    try {
        tampered.step();
        ADD_FAILURE() << "no error";
    } catch (const std::exception &e) {
        EXPECT_EQ(QString::fromUtf8(e.what()),
                  QStringLiteral("Sealed text holds a character outside Base64: '十' at offset 4"));
    }
}

TEST(VerdictIndex, FirstThresholdThatReachesTheScore)
{
    const QList<QByteArray> thresholds{"10", "20", "30"};
    const std::pair<double, int> cases[] = {{7, 0}, {10, 0}, {10.5, 1}, {30, 2}, {31, 3}};
    for (const auto &[score, index] : cases)
        EXPECT_EQ(verdictIndex(thresholds, score), index) << score;
    EXPECT_EQ(verdictIndex({"30", "10"}, 15), 0); // list order, not sorted
    EXPECT_THROW(verdictIndex({""}, 1), std::exception);
}

// The test's own row may stand anywhere in the question set.
class OwnRowPlacement : public TestRunTest {};

TEST_F(OwnRowPlacement, IsSkippedBetweenQuestionsAndAtTheEnd)
{
    // Between: the first question row moves before the test's own row.
    fixture.exec("UPDATE 量表 SET ID=5 WHERE ID=11");
    // Last: the category test's own row gets a key after its question.
    fixture.exec("UPDATE 量表 SET ID=29, Parent=29 WHERE ID=20");
    fixture.exec("UPDATE 量表 SET Parent=29 WHERE Parent=20");
    fixture.exec("UPDATE 结果 SET lbid=29 WHERE lbid=20");
    TestDatabase reopened;
    ASSERT_TRUE(reopened.openAll(fixture.path()).isEmpty());
    SealedFields fields(reopened, codec);
    HeadlessRunView fakeView(reopened, fields);
    TestRun otherRun(reopened, fields, fakeView);

    ASSERT_TRUE(reopened.catalog.locate("ID", 10));
    otherRun.step();
    EXPECT_EQ(fakeView.shown(), QStringLiteral("3-1.第一题    "));
    for (const char *caption : {"3-2.第二题    ", "3-3.第三题    "}) {
        fakeView.choose(0);
        otherRun.step();
        EXPECT_EQ(fakeView.shown(), QString::fromUtf8(caption));
    }
    fakeView.choose(0);
    otherRun.step();
    EXPECT_EQ(otherRun.phase(), TestRun::Phase::ShowingVerdict);

    otherRun.step();
    ASSERT_TRUE(reopened.catalog.locate("ID", 29));
    otherRun.step();
    EXPECT_EQ(fakeView.shown(), QStringLiteral("1-1.唯一题    "));
    fakeView.choose(0);
    otherRun.step();
    EXPECT_EQ(otherRun.phase(), TestRun::Phase::ChoosingCategory);
}

// Going back: the stored answers, the panels shown and the verdict follow.
class GoingBack : public TestRunTest {
protected:
    int stored(int id) { return fixture.scalar(QStringLiteral("SELECT 分值 FROM 量表 WHERE ID=%1").arg(id)).toInt(); }
};

TEST_F(GoingBack, ChangesAnAnswerAndTheVerdictFollows)
{
    select(10);
    run.step();
    EXPECT_FALSE(run.canGoBack()); // on the first question
    run.back();
    EXPECT_EQ(view.shown(), QStringLiteral("3-1.第一题    "));

    answer({0}); // 3
    view.choose(0); // 2, not yet stored
    ASSERT_TRUE(run.canGoBack());
    run.back();
    EXPECT_EQ(view.shown(), QStringLiteral("3-1.第一题    "));
    EXPECT_EQ(view.chosenIndex(), 0); // the stored answer is shown chosen
    EXPECT_EQ(view.instructions(), QStringLiteral("凭感觉"));
    EXPECT_EQ(run.questionNumber(), 1);
    EXPECT_EQ(stored(12), 2); // going back stored the choice like a step does
    EXPECT_EQ(run.trail().chosenItems(), (QList<int>{0, 0, -1}));

    answer({2}); // changed to 1
    EXPECT_EQ(view.shown(), QStringLiteral("3-2.第二题    "));
    EXPECT_EQ(view.chosenIndex(), 0); // forward shows the stored answer too
    EXPECT_EQ(stored(11), 1);
    run.step();
    EXPECT_EQ(view.shown(), QStringLiteral("3-3.第三题    "));
    EXPECT_EQ(view.chosenIndex(), -1);
    answer({1}); // 1 + 2 + 0
    EXPECT_DOUBLE_EQ(run.score(), 3);
    EXPECT_TRUE(view.shown().endsWith(QStringLiteral("中分")));
    EXPECT_FALSE(run.canGoBack());
}

TEST_F(GoingBack, PassesOverTheTestsOwnRowInTheMiddle)
{
    fixture.exec("UPDATE 量表 SET ID=5 WHERE ID=11"); // first question before the own row
    TestDatabase reopened;
    ASSERT_TRUE(reopened.openAll(fixture.path()).isEmpty());
    SealedFields fields(reopened, codec);
    HeadlessRunView otherView(reopened, fields);
    TestRun otherRun(reopened, fields, otherView);
    ASSERT_TRUE(reopened.catalog.locate("ID", 10));
    otherRun.step();
    otherView.choose(1);
    otherRun.step();
    EXPECT_EQ(otherView.shown(), QStringLiteral("3-2.第二题    "));
    otherRun.back();
    EXPECT_EQ(otherView.shown(), QStringLiteral("3-1.第一题    "));
    EXPECT_EQ(otherView.chosenIndex(), 1);
    for (int i = 0; i < 3; ++i) {
        otherView.choose(0);
        otherRun.step();
    }
    EXPECT_DOUBLE_EQ(otherRun.score(), 6);
}

TEST_F(GoingBack, FromTheCategoryChoiceAsksForItAgain)
{
    select(20);
    run.step();
    answer({0});
    ASSERT_EQ(run.phase(), TestRun::Phase::ChoosingCategory);
    EXPECT_TRUE(run.canGoBack());
    view.choose(2); // 女
    run.back();
    EXPECT_EQ(run.phase(), TestRun::Phase::Answering);
    EXPECT_EQ(view.shown(), QStringLiteral("1-1.唯一题    "));
    EXPECT_EQ(view.chosenIndex(), 0);
    EXPECT_EQ(stored(20), 0); // no category until it is chosen again
    EXPECT_EQ(view.controls().stepCaption, QStringLiteral("下一步"));

    answer({1}); // 2 × 0.5 = 1
    ASSERT_EQ(run.phase(), TestRun::Phase::ChoosingCategory);
    EXPECT_EQ(view.chosenIndex(), 2);
    run.step();
    EXPECT_TRUE(view.shown().endsWith(QStringLiteral("女低")));
}

TEST_F(GoingBack, ResumeGoesOnAtTheFirstUnansweredQuestion)
{
    select(10);
    run.step();
    answer({1, 0}); // stored: 2 and 2
    run.finish();

    run.resume({1, 0});
    EXPECT_EQ(view.shown(), QStringLiteral("3-3.第三题    "));
    EXPECT_EQ(view.chosenIndex(), -1);
    run.back();
    EXPECT_EQ(view.chosenIndex(), 0);
    run.step();
    answer({0});
    EXPECT_DOUBLE_EQ(run.score(), 5); // the same as an uninterrupted run
    run.step();

    // Every question answered: straight on to the verdict.
    run.resume({0, 0, 0});
    EXPECT_EQ(run.phase(), TestRun::Phase::ShowingVerdict);
}

// What the run tells its listener, and what it tells about the verdict.
class RecordingListener : public RunListener {
public:
    void runStarted(qint64 testId, const QString &name) override
    {
        events << QStringLiteral("start %1 %2").arg(testId).arg(name);
    }
    void questionShown(int index, int total) override
    {
        events << QStringLiteral("question %1/%2").arg(index + 1).arg(total);
    }
    void categoryShown() override { events << QStringLiteral("category"); }
    void answersStored(const AnswerTrail &trail) override
    {
        QStringList items;
        for (int item : trail.chosenItems())
            items << QString::number(item);
        events << QStringLiteral("stored ") + items.join(QLatin1Char(','));
    }
    void verdictShown(const RunResult &shown) override
    {
        events << QStringLiteral("verdict");
        result = shown;
    }
    void runEnded(bool finished) override
    {
        events << (finished ? QStringLiteral("finished") : QStringLiteral("quit"));
    }

    QStringList events;
    RunResult result;
};

TEST_F(GoingBack, TellsTheListenerEveryStepAndTheExplainedVerdict)
{
    RecordingListener listener;
    run.addListener(&listener);
    select(20);
    run.step();
    answer({0, 2});
    run.step();
    EXPECT_EQ(listener.events,
              (QStringList{"start 20 分类测试", "question 1/1", "stored 0", "category", "verdict", "finished"}));
    EXPECT_EQ(listener.result.testName, QStringLiteral("分类测试"));
    EXPECT_EQ(listener.result.category, QStringLiteral("女"));
    EXPECT_EQ(listener.result.verdict, QStringLiteral("女高"));
    EXPECT_EQ(listener.result.band, QStringLiteral("得分 2，高于 1 分"));
    EXPECT_EQ(listener.result.range, (ScoreRange{1, 2}));
    EXPECT_EQ(listener.result.answers, (QList<RunResult::Answer>{{QStringLiteral("唯一题"), QStringLiteral("是")}}));
    // The other verdicts are the chosen category's, the own one marked.
    EXPECT_EQ(listener.result.verdicts,
              (QList<RunResult::Verdict>{{QStringLiteral("女低"), QStringLiteral("不超过 1 分"), false, {{}, 1}},
                                         {QStringLiteral("女高"), QStringLiteral("高于 1 分"), true, {1, {}}}}));

    listener.events.clear();
    select(10);
    run.step();
    answer({1, 1, 0}); // 2 + 0 + 1
    EXPECT_EQ(listener.result.band, QStringLiteral("得分 3，在 3–4 分之间"));
    EXPECT_EQ(verdictExplanation(listener.result), QStringLiteral("得分 3，在 3–4 分之间\n本测试可能的得分：1–6 分"));
    run.step();
    run.step();
    run.finish();
    EXPECT_EQ(listener.events.last(), QStringLiteral("quit"));

    // Every listener hears every step, in the order they came; one removed
    // hears no more.
    RecordingListener second;
    run.addListener(&second);
    listener.events.clear();
    select(20);
    run.step();
    run.removeListener(&listener);
    answer({0});
    EXPECT_EQ(listener.events, (QStringList{"start 20 分类测试", "question 1/1"}));
    EXPECT_EQ(second.events, (QStringList{"start 20 分类测试", "question 1/1", "stored 0", "category"}));
}

TEST_F(TestRunTest, APastResultsVerdictsAreThoseOfItsCategory)
{
    select(10); // the selected test is not the one asked about
    RunResult past;
    past.testId = 20;
    past.score = 1;
    struct Case {
        const char *category;
        QStringList texts; // empty: no verdicts
    };
    const Case cases[] = {
        {"女", {"女低", "女高"}},
        {"男", {"男低", "男高"}},
        {"不选", {}}, // a category without a verdict row
        {"别的", {}}, // no longer among the test's categories
        {"", {}},
    };
    for (const Case &c : cases) {
        past.category = QString::fromUtf8(c.category);
        QStringList texts;
        const QList<RunResult::Verdict> verdicts = storedTestVerdicts(database, sealed, past);
        for (const RunResult::Verdict &verdict : verdicts)
            texts << verdict.text;
        EXPECT_EQ(texts, c.texts) << c.category;
        if (!verdicts.isEmpty()) {
            EXPECT_TRUE(verdicts[0].own && !verdicts[1].own) << c.category;
        }
    }
    EXPECT_EQ(database.catalog.fieldByName(QStringLiteral("ID"))->asLargeInt(), 10);
}

TEST(ScoreBand, NamesTheIntervalThatSelectedTheVerdict)
{
    struct Case {
        double score;
        QList<QByteArray> thresholds;
        ScoreRange range;
        const char *band;
    };
    const Case cases[] = {
        {23, {"20", "30", "40"}, {0, 50}, "得分 23，在 21–30 分之间"},
        {5, {"20", "30"}, {0, 50}, "得分 5，在 0–20 分之间"},
        {45, {"20", "30"}, {0, 50}, "得分 45，在 31–50 分之间"},
        {15, {"30", "10", "20"}, {0, 50}, "得分 15，在 0–30 分之间"}, // list order: 30 reaches 15 first
        {10.5, {"10", "20"}, {0, 25}, "得分 10.5，高于 10 分、不超过 20 分"}, // a factor makes fractions
        {-3, {"-5", "0"}, {-10, 10}, "得分 -3，在 -4–0 分之间"},
    };
    for (const Case &c : cases) {
        // Only the range known: every score within it counts as reachable.
        ReachableScores between;
        between.exact = false;
        between.lowest = c.range.minimum;
        between.highest = c.range.maximum;
        const int index = verdictIndex(c.thresholds, c.score);
        EXPECT_EQ(scoreBandText(c.score, c.thresholds, index, between), QString::fromUtf8(c.band)) << c.band;
    }
}

// Without a score: the band every score that selects the verdict shares,
// in the same words.
TEST(ScoreBand, OfAVerdictUsesTheWordsOfTheScoreBand)
{
    ReachableScores between;
    between.exact = false;
    between.lowest = 0;
    between.highest = 50;
    const QList<QByteArray> thresholds{"20", "30", "40"};
    EXPECT_EQ(verdictBandText(thresholds, 0, between), QStringLiteral("在 0–20 分之间"));
    EXPECT_EQ(verdictBandText(thresholds, 1, between), QStringLiteral("在 21–30 分之间"));
    EXPECT_EQ(verdictBandText(thresholds, 3, between), QStringLiteral("在 41–50 分之间"));
    between.whole = false; // a fractional factor: "above 20" is no whole step
    EXPECT_EQ(verdictBandText(thresholds, 1, between), QStringLiteral("高于 20 分、不超过 30 分"));

    const ReachableScores exact = findReachableScores({{0, 4}, {0, 4}}, 1); // 0, 4, 8
    EXPECT_EQ(verdictBandText({"2", "6"}, 0, exact), QStringLiteral("不超过 2 分"));
    EXPECT_EQ(verdictBandText({"2", "6"}, 1, exact), QStringLiteral("高于 2 分、不超过 6 分"));
    EXPECT_EQ(verdictBandText({"5", "9"}, 1, exact), QStringLiteral("高于 5 分、不超过 9 分"));
    EXPECT_EQ(verdictBandText({"9"}, 0, exact), QStringLiteral("在 0–8 分之间"));
}

TEST(ScoreBand, NamesTheReachableScoresThatSelectTheVerdict)
{
    struct Case {
        double score;
        QList<QList<qint64>> options;
        double factor;
        QList<QByteArray> thresholds;
        const char *band;
    };
    const QList<qint64> zeroToTwenty{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    const Case cases[] = {
        // Half points: 6.5 lies above 6 and selects the verdict 9 selects.
        {9, {zeroToTwenty}, 0.5, {"6", "9"}, "得分 9，在 6.5–9 分之间"},
        {10, {zeroToTwenty}, 0.5, {"6", "9"}, "得分 10，在 9.5–10 分之间"},
        {0, {zeroToTwenty}, 0.5, {"6", "9"}, "得分 0，在 0–6 分之间"},
        {4.5, {{0, 3}, {0, 3}}, 1.5, {"3", "6"}, "得分 4.5，高于 3 分、不超过 6 分"}, // 4.5 alone
        {4, {{0, 4}, {0, 4}}, 1, {"2", "6"}, "得分 4，高于 2 分、不超过 6 分"}, // 3, 5 and 6 unreachable
        {8, {{0, 4}, {0, 4}}, 1, {"2", "6"}, "得分 8，高于 6 分"},
        {0, {{0, 4}, {0, 4}}, 1, {"2", "6"}, "得分 0，不超过 2 分"},
        {3, {{3, 2, 1}, {2, 0}}, 1, {"2", "4"}, "得分 3，在 3–4 分之间"},
        {-4, {{0, 4}, {1, 2}}, -2, {"-6", "0"}, "得分 -4，在 -4–-2 分之间"}, // -12, -10, -4, -2
    };
    for (const Case &c : cases) {
        const ReachableScores reachable = findReachableScores(c.options, c.factor);
        ASSERT_TRUE(reachable.exact);
        const int index = verdictIndex(c.thresholds, c.score);
        EXPECT_EQ(scoreBandText(c.score, c.thresholds, index, reachable), QString::fromUtf8(c.band)) << c.band;
    }
}

// Every band the sample tests can show, checked against their reachable
// scores: a reachable score lies inside the band text exactly when it selects
// the same verdict, and an interval's ends are reachable scores.
TEST(ScoreBand, EveryBandOfTheSampleTestsHoldsExactlyItsReachableScores)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("date.mdb"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(SAMPLE_DATABASE), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    TestDatabase database;
    ASSERT_TRUE(database.openAll(path).isEmpty());
    SealCodec codec;
    SealedFields sealed{database, codec};
    sealed.refreshDataKey();
    const auto filter = [](Dataset &dataset, const QString &text) {
        dataset.setFiltered(false);
        dataset.setFilter(text);
        dataset.setFiltered(true);
    };
    const QRegularExpression form(
        QStringLiteral("^得分 ([^，]+)，(?:在 (.+)–(.+) 分之间|高于 ([^ ]+) 分、不超过 ([^ ]+) 分|"
                       "高于 ([^ ]+) 分|不超过 ([^ ]+) 分)$"));
    const QList<qint64> ids = lovetest::testing::takeableTestIds(database);
    ASSERT_GE(ids.size(), 12);
    int bands = 0;
    bool halfPoints = false;
    for (qint64 id : ids) {
        ASSERT_TRUE(database.catalog.locate(QStringLiteral("ID"), id));
        filter(database.questions, QStringLiteral("Parent=%1").arg(id));
        const ReachableScores reachable = runningTestReachableScores(database, sealed);
        ASSERT_TRUE(reachable.exact) << id;
        ASSERT_FALSE(reachable.scores.isEmpty()) << id;
        EXPECT_EQ(reachable.range(), (ScoreRange{reachable.scores.first(), reachable.scores.last()})) << id;
        Dataset &verdicts = database.verdicts;
        filter(verdicts, QStringLiteral("lbid=%1").arg(id));
        for (verdicts.first(); !verdicts.atEnd(); verdicts.next()) {
            const QList<QByteArray> thresholds =
                sealed.unsealList(*verdicts.fieldByName(QStringLiteral("分值范围")), kValueSeparator);
            QSet<int> seen;
            for (double score : reachable.scores) {
                const int index = verdictIndex(thresholds, score);
                const QString band = scoreBandText(score, thresholds, index, reachable);
                const std::string at = QStringLiteral("test %1: %2").arg(id).arg(band).toStdString();
                const QRegularExpressionMatch match = form.match(band);
                ASSERT_TRUE(match.hasMatch()) << at;
                EXPECT_EQ(match.captured(1).toDouble(), score) << at;
                const auto number = [&match](int group) { return match.captured(group).toDouble(); };
                std::function<bool(double)> inside;
                if (match.hasCaptured(2)) {
                    EXPECT_TRUE(reachable.scores.contains(number(2))) << at;
                    EXPECT_TRUE(reachable.scores.contains(number(3))) << at;
                    inside = [&](double t) { return number(2) <= t && t <= number(3); };
                    halfPoints = halfPoints || band.contains(QStringLiteral(".5–"));
                } else if (match.hasCaptured(4)) {
                    inside = [&](double t) { return number(4) < t && t <= number(5); };
                } else if (match.hasCaptured(6)) {
                    inside = [&](double t) { return number(6) < t; };
                } else {
                    inside = [&](double t) { return t <= number(7); };
                }
                for (double other : reachable.scores)
                    EXPECT_EQ(inside(other), verdictIndex(thresholds, other) == index) << at << " / " << other;
                seen.insert(index);
            }
            bands += int(seen.size());
        }
    }
    EXPECT_GE(bands, 2 * int(ids.size()));
    EXPECT_TRUE(halfPoints) << "a sample test with factor 0.5 or 1.5 has a band starting at a half point";
}

TEST(ScoreRange, SumsTheLowestAndHighestOptionsAfterTheFactor)
{
    EXPECT_EQ(reachableScoreRange({{3, 2, 1}, {2, 0}, {}}, 1), (ScoreRange{1, 5}));
    EXPECT_EQ(reachableScoreRange({{3, 2, 1}, {2, 0}}, -0.5), (ScoreRange{-2.5, -0.5}));
    EXPECT_EQ(reachableScoreRange({{4}}, 0), (ScoreRange{0, 0}));
    EXPECT_EQ(integerOptionScores({"3", "-2"}), (QList<qint64>{3, -2}));
    EXPECT_TRUE(integerOptionScores({"3", "x"}).isEmpty());
}

} // namespace
