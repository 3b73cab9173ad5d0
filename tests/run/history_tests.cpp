#include <gtest/gtest.h>

#include "data/connection.h"
#include "data/database_error.h"
#include "data/sealed_fields.h"
#include "data/test_database.h"
#include "data/text_head.h"
#include "run/headless_view.h"
#include "run/resume_offer.h"
#include "run/run_history.h"
#include "run/run_journal.h"
#include "run/test_run.h"
#include "seal/seal_codec.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/fixture_database.h"

using namespace lovetest;
using lovetest::testing::FixtureDatabase;

namespace {

const QByteArray kContent = R"({"tests": [
  {"id": 10, "name": "两题测试", "factor": 1,
   "questions": [
     {"text": "第一题", "options": [[3, "甲"], [1, "乙"]]},
     {"text": "第二题", "options": [[2, "是"], [0, "否"]]}],
   "verdicts": [{"thresholds": [2], "texts": ["低", "高"]}]},
  {"id": 20, "name": "一题测试", "factor": 2,
   "questions": [{"text": "唯一题", "options": [[1, "是"], [0, "否"]]}],
   "verdicts": [{"thresholds": [0], "texts": ["零", "非零"]}]}
]})";

// A run with its history journal, as the main window wires them.
class HistoryTest : public ::testing::Test {
protected:
    HistoryTest() : fixture(kContent)
    {
        EXPECT_TRUE(database.openAll(fixture.path()).isEmpty());
        run.addListener(&journal);
    }

    void take(int testId, std::initializer_list<int> items)
    {
        ASSERT_TRUE(database.catalog.locate("ID", testId));
        run.step();
        for (int item : items) {
            view.choose(item);
            run.step();
        }
    }
    int records() { return fixture.scalar("SELECT COUNT(*) FROM 记录").toInt(); }
    bool hasTable() { return fixture.scalar("SELECT COUNT(*) FROM sqlite_master WHERE name='记录'").toInt() == 1; }

    FixtureDatabase fixture;
    TestDatabase database;
    SealCodec codec;
    SealedFields sealed{database, codec};
    HeadlessRunView view{database, sealed};
    TestRun run{database, sealed, view};
    RunHistory history{database.connection};
    RunJournal journal{history};
};

TEST_F(HistoryTest, RecordsEachFinishedRunNewestFirst)
{
    EXPECT_FALSE(hasTable()); // a file without history works as it is
    EXPECT_TRUE(history.entries().isEmpty());
    EXPECT_FALSE(history.unfinished());

    take(10, {0, 1}); // 3 + 0
    ASSERT_TRUE(hasTable());
    run.step();
    take(20, {0}); // 1 × 2
    run.step();

    const QList<RunHistory::Entry> entries = history.entries();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].testName, QStringLiteral("一题测试"));
    EXPECT_EQ(entries[1].testId, 10);
    EXPECT_EQ(entries[1].testName, QStringLiteral("两题测试"));
    EXPECT_DOUBLE_EQ(entries[1].score, 3);
    EXPECT_EQ(entries[1].verdict, QStringLiteral("高"));
    EXPECT_LE(qAbs(entries[1].time.secsTo(QDateTime::currentDateTime())), 60);
    EXPECT_EQ(history.entries(20).size(), 1);
    EXPECT_EQ(history.testsTaken().size(), 2);

    const std::optional<RunResult> kept = history.result(entries[1].record);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->band, QStringLiteral("得分 3，在 3–5 分之间"));
    EXPECT_EQ(kept->range, (ScoreRange{1, 5}));
    EXPECT_EQ(kept->answers,
              (QList<RunResult::Answer>{{QStringLiteral("第一题"), QStringLiteral("甲")},
                                        {QStringLiteral("第二题"), QStringLiteral("否")}}));
    EXPECT_EQ(journal.lastResult()->verdict, QStringLiteral("非零"));
}

TEST_F(HistoryTest, APastResultGetsTheVerdictsOfItsTestWhileTheTestIsThere)
{
    take(10, {0, 1}); // 3 + 0
    run.step();
    const QList<RunResult::Verdict> told = journal.lastResult()->verdicts;
    const QList<RunHistory::Entry> entries = history.entries();
    ASSERT_EQ(entries.size(), 1);
    std::optional<RunResult> kept = history.result(entries[0].record);
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->verdicts.isEmpty()); // not kept with the record

    ASSERT_TRUE(database.catalog.locate("ID", 20));
    const QList<RunResult::Verdict> read = storedTestVerdicts(database, sealed, *kept);
    EXPECT_EQ(read,
              (QList<RunResult::Verdict>{{QStringLiteral("低"), QStringLiteral("不超过 2 分"), false, {{}, 2}},
                                         {QStringLiteral("高"), QStringLiteral("在 3–5 分之间"), true, {2, {}}}}));
    EXPECT_EQ(read, told);
    // Read through cursors of its own: the selected test stays selected.
    EXPECT_EQ(database.catalog.fieldByName(QStringLiteral("ID"))->asLargeInt(), 20);

    // The own verdict is the one the kept score selects.
    kept->score = 1;
    EXPECT_TRUE(storedTestVerdicts(database, sealed, *kept).first().own);

    // Gone from the database: nothing to tell.
    fixture.exec(QStringLiteral("DELETE FROM 量表 WHERE ID=10"));
    EXPECT_TRUE(storedTestVerdicts(database, sealed, *kept).isEmpty());
}

TEST_F(HistoryTest, AQuitRunLeavesNothingAndDeletingAsksNothingOfTheContent)
{
    take(10, {0});
    EXPECT_EQ(records(), 1); // under way
    EXPECT_TRUE(history.unfinished());
    run.finish();
    EXPECT_EQ(records(), 0);
    EXPECT_FALSE(history.unfinished());

    for (int i = 0; i < 3; ++i) {
        take(20, {1});
        run.step();
    }
    const QList<RunHistory::Entry> entries = history.entries();
    history.remove(entries[1].record);
    EXPECT_EQ(history.entries().size(), 2);
    EXPECT_FALSE(history.result(entries[1].record));
    history.removeAll();
    EXPECT_TRUE(history.entries().isEmpty());

    // The test content's queries see what they saw before.
    TestDatabase reopened;
    ASSERT_TRUE(reopened.openAll(fixture.path()).isEmpty());
    EXPECT_EQ(reopened.catalog.recordCount(), 2);
    EXPECT_EQ(reopened.questions.recordCount(), 5);
    EXPECT_EQ(reopened.verdicts.recordCount(), 2);
}

// The catalog's marks: each test's latest finished run, and a notice for
// every finished record that comes or goes (not for a run under way).
TEST_F(HistoryTest, LatestRunOfEachTestAndNoticesOfFinishedRecords)
{
    int notices = 0;
    history.setChangeNotice([&] { ++notices; });
    EXPECT_TRUE(history.latestRecords().isEmpty()); // no table yet
    take(10, {0});
    run.finish(); // quit
    EXPECT_EQ(notices, 0);
    take(10, {0, 1}); // 3: 高
    run.step();
    take(10, {1, 1}); // 1: 低
    run.step();
    take(20, {0});
    run.step();
    take(20, {});
    run.finish(); // quit before its one question: not the latest
    EXPECT_EQ(notices, 3);

    QHash<qint64, qint64> latest = history.latestRecords();
    ASSERT_EQ(latest.size(), 2);
    ASSERT_TRUE(latest.contains(10) && latest.contains(20));
    std::optional<RunHistory::Entry> run10 = history.entry(latest[10]);
    ASSERT_TRUE(run10);
    EXPECT_EQ(run10->testId, 10);
    EXPECT_EQ(run10->verdict, QStringLiteral("低"));

    history.remove(latest[10]);
    EXPECT_EQ(notices, 4);
    EXPECT_FALSE(history.entry(latest[10]));
    history.remove(latest[10]); // gone already: nothing changes
    EXPECT_EQ(notices, 4);
    latest = history.latestRecords(); // test 10's earlier run comes back
    ASSERT_TRUE(latest.contains(10));
    run10 = history.entry(latest[10]);
    ASSERT_TRUE(run10);
    EXPECT_EQ(run10->verdict, QStringLiteral("高"));
    history.removeAll();
    EXPECT_EQ(notices, 5);
    EXPECT_TRUE(history.latestRecords().isEmpty());
}

// Megabytes in a record: the lists and the result read only the heads the
// windows show, one character more than shown so a cut is known.
TEST_F(HistoryTest, ListsAndResultsReadOnlyHeadsOfLongTexts)
{
    take(10, {0, 1});
    run.step();
    take(10, {0}); // under way
    const QString huge(1 << 20, QLatin1Char('x'));
    fixture.exec(QStringLiteral("UPDATE 记录 SET 测试名称 = '%1', 类别 = '%1', 结果 = '%1'").arg(huge));

    const QList<RunHistory::Entry> entries = history.entries();
    ASSERT_EQ(entries.size(), 1);
    for (const QString &text : {entries[0].testName, entries[0].category, entries[0].verdict})
        EXPECT_EQ(text.size(), kShownLineLength + 1);
    EXPECT_EQ(history.testsTaken().value(0).second.size(), kShownLineLength + 1);
    EXPECT_EQ(history.unfinished()->testName.size(), kShownLineLength + 1);
    const std::optional<RunResult> result = history.result(entries[0].record);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->testName.size(), kShownLineLength + 1);
    EXPECT_EQ(result->verdict.size(), kShownHeadLength + 1);
    EXPECT_EQ(result->answers.size(), 2);
}

TEST_F(HistoryTest, ARunUnderWayKeepsItsChoicesForLater)
{
    take(10, {1});
    const std::optional<RunHistory::Unfinished> open = history.unfinished();
    ASSERT_TRUE(open);
    EXPECT_EQ(open->testId, 10);
    EXPECT_EQ(open->testName, QStringLiteral("两题测试"));
    EXPECT_EQ(open->chosen, (QList<int>{1, -1}));

    // Taken up again (as after a restart), it finishes in the same record.
    journal.continueRecord(open->record);
    run.resume(open->chosen);
    view.choose(0);
    run.step(); // 1 + 2
    EXPECT_EQ(records(), 1);
    ASSERT_EQ(history.entries().size(), 1);
    EXPECT_EQ(history.entries()[0].record, open->record);
    EXPECT_EQ(history.entries()[0].verdict, QStringLiteral("高"));
}

// A history the file refuses to keep: the run still reaches its verdict with
// its answers stored, and the failure is told once, in the engine's words.
TEST_F(HistoryTest, AHistoryTheFileRefusesIsToldOnceAndTheRunGoesOn)
{
    const struct Case {
        const char *name;
        QStringList setUp;
        const char *reason;
    } cases[] = {
        {"a table of other columns", {"CREATE TABLE 记录 (x INTEGER)"}, "no column named"},
        {"a view", {"CREATE VIEW 记录 AS SELECT 1 AS 编号"}, "view"},
        {"a trigger that aborts",
         {"CREATE TABLE 记录 (编号 INTEGER PRIMARY KEY AUTOINCREMENT, 时间 TEXT, 测试ID INTEGER, 测试名称 TEXT,"
          " 类别 TEXT, 分值 REAL, 区间 TEXT, 最低分 REAL, 最高分 REAL, 结果 TEXT, 答案 TEXT, 选择 TEXT,"
          " 完成 INTEGER DEFAULT 0)",
          "CREATE TRIGGER no_history BEFORE INSERT ON 记录 BEGIN SELECT RAISE(ABORT, 'no history here'); END"},
         "no history here"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString &statement : c.setUp)
            fixture.exec(statement.toUtf8());
        QStringList notices;
        journal.setFailureNotice([&notices](const QString &reason) { notices << reason; });
        take(10, {0, 1});
        EXPECT_EQ(run.phase(), TestRun::Phase::ShowingVerdict);
        EXPECT_EQ(fixture.scalar("SELECT group_concat(分值) FROM 量表 WHERE Parent=10 AND ID<>10").toString(),
                  QStringLiteral("3,0"));
        ASSERT_EQ(notices.size(), 1);
        EXPECT_TRUE(notices[0].contains(QString::fromUtf8(c.reason))) << notices[0].toStdString();
        EXPECT_TRUE(journal.lastResult().has_value());
        EXPECT_TRUE(view.messages().isEmpty());
        run.step();
        fixture.exec(c.setUp.first().startsWith(QStringLiteral("CREATE VIEW")) ? "DROP VIEW 记录" : "DROP TABLE 记录");
    }
}

// An answer and the choices of the run under way are one commit: they never
// disagree in the file, whichever of the two writes fails.
TEST_F(HistoryTest, EachAnswerAndTheRunUnderWayAreOneCommit)
{
    take(10, {});
    ASSERT_EQ(run.phase(), TestRun::Phase::Answering);
    quint64 commits = database.connection.commitCount();
    view.choose(1);
    run.step();
    EXPECT_EQ(database.connection.commitCount(), commits + 1);
    EXPECT_EQ(fixture.scalar("SELECT 分值 FROM 量表 WHERE ID=11").toInt(), 1);
    EXPECT_EQ(fixture.scalar("SELECT 选择 FROM 记录").toString(), QStringLiteral("1,-1"));
    commits = database.connection.commitCount();
    view.choose(0);
    run.step(); // the last answer and the verdict's record
    EXPECT_EQ(run.phase(), TestRun::Phase::ShowingVerdict);
    EXPECT_EQ(database.connection.commitCount(), commits + 1);
    EXPECT_EQ(history.entries().size(), 1);
    run.step();

    // The choices cannot be written: the answer stays, the run goes on, no
    // record that disagrees with the answers is left for later, and the
    // result is still recorded at the end.
    take(10, {});
    fixture.exec("CREATE TRIGGER refuse BEFORE UPDATE OF 选择 ON 记录 BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    QStringList notices;
    journal.setFailureNotice([&notices](const QString &reason) { notices << reason; });
    commits = database.connection.commitCount();
    view.choose(0);
    run.step();
    EXPECT_EQ(database.connection.commitCount(), commits + 1);
    EXPECT_EQ(fixture.scalar("SELECT 分值 FROM 量表 WHERE ID=11").toInt(), 3);
    EXPECT_EQ(run.phase(), TestRun::Phase::Answering);
    EXPECT_FALSE(history.unfinished());
    view.choose(0);
    run.step();
    EXPECT_EQ(run.phase(), TestRun::Phase::ShowingVerdict);
    EXPECT_EQ(history.entries().size(), 2);
    EXPECT_TRUE(notices.isEmpty());
}

// Which unfinished run is offered at start, and what taking it up or
// declining it does.
TEST_F(HistoryTest, OffersOnlyARunWithAnswersWhoseTestIsThere)
{
    ResumeOffer offer{database, run, history, journal};
    EXPECT_FALSE(offer.find()); // no history at all

    take(10, {}); // left before its first answer
    run.finish();
    history.begin(10, QStringLiteral("两题测试"));
    EXPECT_FALSE(offer.find());
    EXPECT_EQ(records(), 0) << "dropped, not offered again";

    const qint64 gone = *history.begin(99, QStringLiteral("已删除"));
    history.storeChoices(gone, {0});
    EXPECT_FALSE(offer.find());
    EXPECT_EQ(records(), 0);

    take(10, {1});
    EXPECT_FALSE(offer.find()) << "a run is going on";
    EXPECT_EQ(records(), 1);
    run.finish();
    const qint64 kept = *history.begin(10, QStringLiteral("两题测试"));
    history.storeChoices(kept, {1, -1});
    ASSERT_TRUE(database.catalog.locate("ID", 20));
    std::optional<RunHistory::Unfinished> open = offer.find();
    ASSERT_TRUE(open);
    EXPECT_EQ(open->record, kept);
    EXPECT_EQ(database.catalog.fieldByName("ID")->asInteger(), 10) << "its test is selected";
    offer.decline(*open);
    EXPECT_EQ(records(), 0);
    EXPECT_FALSE(offer.find());

    take(10, {1});
    run.finish();
    const qint64 again = *history.begin(10, QStringLiteral("两题测试"));
    history.storeChoices(again, {1, -1});
    open = offer.find();
    ASSERT_TRUE(open);
    ASSERT_TRUE(offer.accept(*open));
    EXPECT_EQ(view.shown(), QStringLiteral("2-2.第二题    "));
    EXPECT_EQ(run.questionNumber(), 2);
    view.choose(0);
    run.step();
    ASSERT_EQ(history.entries().size(), 1);
    EXPECT_EQ(history.entries()[0].record, again);
}

// A run record whose test is gone, or whose answers are longer than any
// test's (10 MB), is dropped at start with a note, its answers never read.
TEST_F(HistoryTest, ARunThatCannotBeTakenUpIsDroppedWithANote)
{
    ResumeOffer offer{database, run, history, journal};
    const qint64 gone = *history.begin(99, QStringLiteral("已删除"));
    history.storeChoices(gone, {0});
    EXPECT_FALSE(offer.find());
    EXPECT_EQ(offer.droppedNote(), QStringLiteral("上次没做完的测试已不在目录中，它的记录已删除。"));
    EXPECT_EQ(records(), 0);

    const qint64 huge = *history.begin(10, QStringLiteral("两题测试"));
    fixture.exec(QStringLiteral("UPDATE 记录 SET 测试名称 = hex(zeroblob(5000000)), 选择 = "
                                "replace(hex(zeroblob(2500000)), '00', '0,') WHERE 编号 = %1")
                     .arg(huge));
    ASSERT_GT(fixture.scalar(QStringLiteral("SELECT length(选择) FROM 记录")).toLongLong(), 4'000'000);
    EXPECT_FALSE(offer.find());
    EXPECT_EQ(offer.droppedNote(), QStringLiteral("上次没做完的测试记录无法读取，已删除。"));
    EXPECT_EQ(records(), 0);

    // At the limit the record is still read, and offered.
    const qint64 longest = *history.begin(10, QStringLiteral("两题测试"));
    fixture.exec(
        QStringLiteral("UPDATE 记录 SET 选择 = '1,-1' || substr(replace(hex(zeroblob(40000)), '00', ',-1'), 1, "
                       "%1 - 4) WHERE 编号 = %2")
            .arg(RunHistory::kChoicesTextLimit)
            .arg(longest));
    ASSERT_EQ(fixture.scalar(QStringLiteral("SELECT length(选择) FROM 记录")).toLongLong(),
              RunHistory::kChoicesTextLimit);
    const std::optional<RunHistory::Unfinished> open = offer.find();
    ASSERT_TRUE(open);
    EXPECT_TRUE(offer.droppedNote().isEmpty());
    EXPECT_EQ(open->chosen.value(0), 1);
}

// Two copies of the program on one file: a run under way is offered by
// neither while the copy that runs it is there, and is left where it is.
TEST_F(HistoryTest, ARunUnderWayBelongsToTheCopyThatRunsIt)
{
    auto other = std::make_unique<TestDatabase>();
    ASSERT_TRUE(other->openAll(fixture.path()).isEmpty());
    auto otherHistory = std::make_unique<RunHistory>(other->connection);
    const qint64 theirs = *otherHistory->begin(10, QStringLiteral("两题测试"));
    otherHistory->storeChoices(theirs, {1, -1});

    ResumeOffer offer{database, run, history, journal};
    EXPECT_FALSE(offer.find());
    EXPECT_TRUE(offer.droppedNote().isEmpty());
    EXPECT_EQ(records(), 1);

    // This copy's own run is not the other's to offer either.
    take(10, {0});
    EXPECT_EQ(otherHistory->unfinished().value_or(RunHistory::Unfinished{}).record, theirs) << "only its own";
    run.finish(); // quit: its record goes

    // The other copy ends with its run unfinished: now it is offered here.
    otherHistory.reset();
    other.reset();
    const std::optional<RunHistory::Unfinished> open = offer.find();
    ASSERT_TRUE(open);
    EXPECT_EQ(open->record, theirs);
}

// The disk fills during a run: the run goes on in memory with one notice,
// the file keeps what it had (the run under way, to be offered again), and
// the answers reach the file once it has room.
TEST_F(HistoryTest, AFullDiskDuringARunHoldsTheAnswersInMemoryUntilThereIsRoom)
{
    int held = 0;
    QObject::connect(&database.connection, &Connection::writesHeldInMemory, [&held] { ++held; });
    take(10, {0});
    {
        lovetest::testing::FileSizeLimit full(1);
        ASSERT_TRUE(full.applied());
        view.choose(1);
        run.step(); // the last answer and the verdict
        ASSERT_EQ(run.phase(), TestRun::Phase::ShowingVerdict);
        EXPECT_TRUE(view.shown().endsWith(QStringLiteral("高"))) << view.shown().toStdString();
        EXPECT_EQ(held, 1);
        EXPECT_TRUE(database.connection.holdsWrites());
        EXPECT_FALSE(database.connection.writeHeldBack().isEmpty()) << "still no room";
    }
    EXPECT_EQ(fixture.scalar("SELECT 选择 || ':' || 完成 FROM 记录").toString(), QStringLiteral("0,-1:0"));
    EXPECT_EQ(history.entries().size(), 1) << "the program sees its own result";
    EXPECT_EQ(database.connection.writeHeldBack(), QString());
    EXPECT_FALSE(database.connection.holdsWrites());
    EXPECT_EQ(fixture.scalar("SELECT 完成 || ':' || 结果 FROM 记录").toString(), QStringLiteral("1:高"));
    EXPECT_EQ(held, 1);
}

TEST(ChoicesText, RoundTrips)
{
    EXPECT_EQ(choicesText({0, 2, -1}), QStringLiteral("0,2,-1"));
    EXPECT_EQ(choicesFromText(QStringLiteral("0,2,-1")), (QList<int>{0, 2, -1}));
    EXPECT_EQ(choicesFromText(QStringLiteral("1,x")), (QList<int>{1, -1}));
    EXPECT_TRUE(choicesFromText(QString()).isEmpty());
}

} // namespace
