#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "data/test_database.h"
#include "report/html_view.h"
#include "report/report_window.h"
#include "run/pair_history.h"
#include "run/pair_result.h"
#include "run/run_history.h"
#include "run/test_run.h"
#include "shell/history_window.h"
#include "shell/main_window.h"
#include "shell/pair_companion.h"
#include "shell/run_companion.h"
#include "shell/score_chart.h"
#include "tests/shell/main_window_harness.h"
#include "tests/support/catalog_tests.h"
#include "tests/support/fixture_database.h"
#include "tests/tools/tool_run.h"
#include "widgets/catalog_tree_view.h"
#include "widgets/choice_group.h"

namespace lovetest {
namespace {

using testing::FixtureDatabase;

const QByteArray kContent = R"({"tests": [
 {"id": 10, "name": "三题测试", "remarks": "三题", "factor": 1,
  "questions": [
    {"text": "第一题？", "options": [[1, "是"], [2, "否"]]},
    {"text": "第二题？", "options": [[1, "常常"], [2, "偶尔"], [3, "从不"]]},
    {"text": "第三题？", "options": [[0, "不"], [1, "会"]]}],
  "verdicts": [{"thresholds": [3, 5], "texts": ["低分结论", "中分结论", "高分结论"]}]},
 {"id": 20, "name": "分类测试", "remarks": "分类", "factor": 1,
  "categories": [[1, "男生"], [2, "女生"]],
  "questions": [{"text": "唯一题", "options": [[1, "甲"], [5, "乙"]]}, {"text": "二题", "options": [[1, "a"], [2, "b"]]}],
  "verdicts": [{"category": 1, "thresholds": [3], "texts": ["男低", "男高"]},
               {"category": 2, "thresholds": [3], "texts": ["女低", "女高"]}]}
]})";

// One pair taken in the window: each taker's items (from 0; a category test
// ends with the category's item), where the second taker goes back once,
// and where the program is killed during the second run.
struct PairCase {
    const char *name;
    qint64 test;
    QList<int> first;
    QList<int> second;
    // After this many of the second taker's answers: back one question and
    // answer it with the other item first, then as listed. -1: never.
    int backAfter = -1;
    // The program is killed after this many of the second taker's answers
    // (0: at the hand-over), then started again and the pair taken up. -1: never.
    int killAfter = -1;
    int questions = 3; // the category is no question
};

// The main window on a two-test file, with a keyboard taker's moves.
class PairWindow : public testing::MainWindowHarness {
protected:
    PairWindow() : fixture(kContent) {}

    PairCompanion &pair() { return form->pairCompanion(); }
    QString progress() const
    {
        return form->companion().ui().progressBar->isVisible() ? form->companion().ui().progressLine->text()
                                                               : QString();
    }
    // A keyboard user's answer: the item's number key, then Enter.
    void keyAnswer(int item)
    {
        ChoiceGroup *panel = choicePanel();
        ASSERT_NE(panel, nullptr);
        QTest::keyClick(panel, Qt::Key(Qt::Key_1 + item));
        QTest::keyClick(panel, Qt::Key_Return);
    }
    void keyAnswers(const QList<int> &items)
    {
        for (int item : items)
            keyAnswer(item);
    }
    // What the authoring tool's player says of the same answers: the score
    // and whether the verdict text is among its lines.
    QString played(const PairCase &pairCase, const QList<int> &items)
    {
        QStringList answers;
        for (qsizetype i = 0; i < pairCase.questions; ++i)
            answers << QString::number(items[i] + 1);
        QStringList args{QStringLiteral("play"),      fixture.path(),
                         QStringLiteral("--test"),    QString::number(pairCase.test),
                         QStringLiteral("--answers"), answers.join(',')};
        if (items.size() > pairCase.questions)
            args << QStringLiteral("--category") << QString::number(items.last() + 1);
        const content::testing::ToolRun run = content::testing::tool(args);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        return run.out;
    }

    FixtureDatabase fixture;
};

class PairRunTest : public PairWindow, public ::testing::WithParamInterface<PairCase> {};

TEST_P(PairRunTest, BothTakersAreKeptAsOnePairAndCompared)
{
    const PairCase &pairCase = GetParam();
    openWindow(fixture.path());
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const QString firstLine = QStringLiteral("甲 · 第 1 题 / 共 %1 题").arg(pairCase.questions);

    if (pairCase.killAfter >= 0) {
        // The real program, killed during the pair.
        form.reset();
        QStringList args{fixture.path(), QString::number(pairCase.test), QStringLiteral("pair")};
        for (int item : pairCase.first)
            args << QString::number(item);
        args << QStringLiteral("handover");
        for (int i = 0; i < pairCase.killAfter; ++i)
            args << QString::number(pairCase.second[i]);
        if (pairCase.killAfter == 0)
            args.removeLast(); // killed at the hand-over screen itself
        QProcess program;
        program.start(QStringLiteral(INTERRUPTED_RUN), args);
        ASSERT_TRUE(program.waitForStarted(10000));
        while (!program.canReadLine() && program.state() == QProcess::Running)
            program.waitForReadyRead(30000);
        ASSERT_EQ(program.readLine().trimmed(), QByteArray("answered"));
        program.kill();
        ASSERT_TRUE(program.waitForFinished(10000));

        openWindow(fixture.path());
        dialogs.answers = {true};
        form->offerResume();
        ASSERT_EQ(dialogs.questions.size(), 1);
        EXPECT_TRUE(dialogs.questions[0].text.startsWith(QStringLiteral("上次甲和乙一起做的测试《")));
        if (pairCase.killAfter == 0) {
            ASSERT_TRUE(pair().handOverScreen());
            QTest::keyClick(pair().continueButton(), Qt::Key_Return);
            QApplication::processEvents();
        }
        EXPECT_EQ(progress(),
                  QStringLiteral("乙 · 第 %1 题 / 共 %2 题").arg(pairCase.killAfter + 1).arg(pairCase.questions));
        keyAnswers(pairCase.second.mid(pairCase.killAfter));
    } else {
        selectId(pairCase.test);
        QTest::keyClick(form.get(), Qt::Key_T, Qt::ControlModifier);
        ASSERT_EQ(dialogs.textsCalls.size(), 1);
        EXPECT_EQ(dialogs.textsCalls[0].values, (QStringList{QStringLiteral("甲"), QStringLiteral("乙")}));
        EXPECT_EQ(progress(), firstLine);
        keyAnswers(pairCase.first);

        // The hand-over hides the first taker's verdict and answers.
        ASSERT_TRUE(pair().handOverScreen());
        EXPECT_EQ(pair().handOverScreen()->findChild<QLabel *>(QStringLiteral("handOverHeading"))->text(),
                  QStringLiteral("请把电脑交给乙，先别看甲的答案"));
        EXPECT_EQ(verdictView(), nullptr);
        EXPECT_EQ(choicePanel(), nullptr);
        EXPECT_FALSE(form->ui().catalogTree->isEnabled());
        EXPECT_FALSE(form->companion().ui().historyAction->isEnabled());
        EXPECT_EQ(QApplication::focusWidget(), pair().continueButton());
        QTest::keyClick(pair().continueButton(), Qt::Key_Return);
        QApplication::processEvents();
        ASSERT_EQ(pair().handOverScreen(), nullptr);
        EXPECT_TRUE(form->companion().ui().historyAction->isEnabled());
        EXPECT_EQ(progress(), QStringLiteral("乙 · 第 1 题 / 共 %1 题").arg(pairCase.questions));
        EXPECT_EQ(choicePanel()->itemIndex(), -1) << "the first taker's choice is not shown";

        if (pairCase.backAfter >= 0) {
            keyAnswers(pairCase.second.mid(0, pairCase.backAfter));
            form->companion().back();
            keyAnswer(pairCase.second[pairCase.backAfter - 1] == 0 ? 1 : 0);
            form->companion().back();
            keyAnswers(pairCase.second.mid(pairCase.backAfter - 1));
        } else {
            keyAnswers(pairCase.second);
        }
    }

    ASSERT_EQ(form->run().phase(), TestRun::Phase::ShowingVerdict);
    EXPECT_EQ(pair().session().stage(), PairSession::Stage::Compared);
    QApplication::processEvents(); // the comparison page follows

    // Two finished records, linked as one pair named 甲 and 乙.
    const QHash<qint64, qint64> links = PairHistory(form->database().connection).links();
    ASSERT_EQ(links.size(), 2);
    const QList<qint64> records = [&] {
        QList<qint64> keys = links.keys();
        std::sort(keys.begin(), keys.end());
        return keys;
    }();
    EXPECT_EQ(links[records[0]], links[records[1]]);
    const std::optional<PairHistory::Pair> kept = PairHistory(form->database().connection).pair(links[records[0]]);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->firstName, QStringLiteral("甲"));
    EXPECT_EQ(kept->secondName, QStringLiteral("乙"));
    EXPECT_EQ(fixture.scalar(QStringLiteral("SELECT count(*) FROM 记录 WHERE 完成 = 1")).toInt(), 2);
    EXPECT_EQ(fixture.scalar(QStringLiteral("SELECT count(*) FROM 记录 WHERE 完成 = 0")).toInt(), 0);

    // Each record holds what the player gives for that taker's answers.
    const QList<QList<int>> answers{pairCase.first, pairCase.second};
    for (int taker = 0; taker < 2; ++taker) {
        const std::optional<RunResult> result = form->companion().history().result(records[taker]);
        ASSERT_TRUE(result);
        const QString play = played(pairCase, answers[taker]);
        EXPECT_TRUE(play.contains(QStringLiteral("得分: %1").arg(result->score))) << play.toStdString();
        EXPECT_TRUE(play.contains(result->verdict)) << result->verdict.toStdString();
    }

    // The line under the second verdict counts the questions answered alike.
    int alike = 0;
    for (qsizetype i = 0; i < pairCase.questions; ++i)
        alike += pairCase.first[i] == pairCase.second[i] ? 1 : 0;
    ASSERT_TRUE(pair().summary());
    const QString summary = pair().summary()->findChild<QLabel *>(QStringLiteral("pairAgreement"))->text();
    EXPECT_TRUE(summary.contains(QStringLiteral("%1 题中有 %2 题选得一样").arg(pairCase.questions).arg(alike)))
        << summary.toStdString();
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();

    // The comparison page has followed in the report window, and the result
    // button shows it again.
    EXPECT_TRUE(report.isVisible());
    EXPECT_TRUE(report.windowTitle().endsWith(QStringLiteral("》两人测试结果")));
    report.hide();
    form->companion().ui().saveButton->click();
    EXPECT_TRUE(report.isVisible());

    form->ui().stepButton->click(); // 完成
    EXPECT_EQ(pair().session().stage(), PairSession::Stage::Off);
    EXPECT_TRUE(pair().ui().pairButton->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Cases, PairRunTest,
                         ::testing::Values(PairCase{"BothTakers", 10, {0, 1, 1}, {0, 2, 1}},
                                           PairCase{"BackInTheSecondRun", 10, {1, 0, 0}, {1, 0, 1}, 2},
                                           PairCase{"KilledInTheSecondRun", 10, {0, 1, 1}, {1, 1, 0}, -1, 2},
                                           PairCase{"KilledAtTheHandOver", 10, {0, 0, 0}, {1, 2, 1}, -1, 0},
                                           PairCase{"CategoryTest", 20, {0, 1, 0}, {1, 1, 1}, -1, -1, 2}),
                         [](const ::testing::TestParamInfo<PairCase> &taken) { return std::string(taken.param.name); });

// Given up at the hand-over (after the user confirms) or by quitting the
// second run: the first taker's finished run stays, as a run of its own.
TEST_F(PairWindow, AGivenUpPairKeepsTheFirstRunAsItsOwn)
{
    openWindow(fixture.path());
    selectId(10);
    pair().startPair();
    keyAnswers({0, 1, 1});
    ASSERT_TRUE(pair().handOverScreen());

    dialogs.answers = {false}; // Escape, then Cancel: nothing changes
    QTest::keyClick(pair().continueButton(), Qt::Key_Escape);
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(dialogs.questions[0].defaultAnswer, testing::FakeDialogs::DefaultAnswer::No);
    EXPECT_TRUE(pair().handOverScreen());
    QTest::keyClick(pair().continueButton(), Qt::Key_Escape); // and OK
    QApplication::processEvents();
    EXPECT_FALSE(pair().handOverScreen());
    EXPECT_EQ(pair().session().stage(), PairSession::Stage::Off);
    EXPECT_TRUE(form->ui().catalogTree->isEnabled());
    EXPECT_TRUE(form->ui().stepButton->isEnabled());
    EXPECT_TRUE(pair().ui().pairButton->isVisible());
    EXPECT_EQ(fixture.scalar(QStringLiteral("SELECT count(*) FROM 记录 WHERE 完成 = 1 AND 配对 IS NULL")).toInt(), 1);
    EXPECT_EQ(fixture.scalar(QStringLiteral("SELECT count(*) FROM 记录")).toInt(), 1);
    EXPECT_EQ(fixture.scalar(QStringLiteral("SELECT count(*) FROM 两人测试")).toInt(), 0);

    // Again, and the second taker quits.
    pair().startPair();
    keyAnswers({0, 1, 1});
    pair().continuePair();
    keyAnswers({1});
    form->ui().quitButton->click();
    EXPECT_EQ(pair().session().stage(), PairSession::Stage::Off);
    EXPECT_EQ(fixture.scalar(QStringLiteral("SELECT count(*) FROM 记录 WHERE 完成 = 1 AND 配对 IS NULL")).toInt(), 2);
    EXPECT_EQ(fixture.scalar(QStringLiteral("SELECT count(*) FROM 记录")).toInt(), 2);
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

// Runs kept before pairs existed (a table without the pair column) stay
// listed and a pair adds the column; names are asked once, remembered, and
// two equal names are refused.
TEST_F(PairWindow, AnOlderHistoryTakesPairsAndNamesAreRemembered)
{
    fixture.exec(QStringLiteral("CREATE TABLE 记录 (编号 INTEGER PRIMARY KEY AUTOINCREMENT, 时间 TEXT NOT NULL,"
                                " 测试ID INTEGER NOT NULL, 测试名称 TEXT, 类别 TEXT, 分值 REAL, 区间 TEXT, 最低分 REAL,"
                                " 最高分 REAL, 结果 TEXT, 答案 TEXT, 选择 TEXT, 完成 INTEGER NOT NULL DEFAULT 0)"));
    fixture.exec(QStringLiteral("INSERT INTO 记录 (时间, 测试ID, 测试名称, 分值, 结果, 完成)"
                                " VALUES ('2026-01-02T03:04:05.000', 10, '三题测试', 4, '中分结论', 1)"));
    openWindow(fixture.path());
    EXPECT_TRUE(PairHistory(form->database().connection).links().isEmpty());
    selectId(10);
    dialogs.textsAnswers = {{QStringLiteral("小明"), QStringLiteral("小明")}};
    pair().startPair();
    EXPECT_EQ(dialogs.messages.size(), 1) << "equal names are refused";
    EXPECT_FALSE(form->run().running());

    dialogs.textsAnswers = {{QStringLiteral("小明"), QString()}};
    pair().startPair();
    EXPECT_EQ(progress(), QStringLiteral("小明 · 第 1 题 / 共 3 题"));
    keyAnswers({0, 0, 0});
    EXPECT_EQ(pair().handOverScreen()->findChild<QLabel *>(QStringLiteral("handOverHeading"))->text(),
              QStringLiteral("请把电脑交给乙，先别看小明的答案"));
    pair().continuePair();
    keyAnswers({0, 0, 0});
    EXPECT_EQ(PairHistory(form->database().connection).links().size(), 2);
    EXPECT_EQ(form->companion().history().entries().size(), 3);
    form->ui().stepButton->click();

    dialogs.textsAnswers.clear();
    pair().startPair();
    EXPECT_EQ(dialogs.textsCalls.last().values, (QStringList{QStringLiteral("小明"), QStringLiteral("乙")}));
    form->ui().quitButton->click();
}

// Every sample test taken by two people with the keyboard alone: Ctrl+T,
// Enter on the names, digits and Enter on every question (the first taker
// the first option, the second the second), Enter on the hand-over screen;
// the comparison follows and counts the questions both answered with the
// first option.
TEST_F(PairWindow, EverySampleTestCanBeTakenTogetherByKeys)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("date.mdb"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(SAMPLE_DATABASE), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    openWindow(path);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const QList<qint64> ids = testing::takeableTestIds(form->database());
    ASSERT_GE(ids.size(), 12);
    for (qint64 id : ids) {
        selectId(id);
        const std::string name = form->database().catalog.fieldByName(QStringLiteral("Name"))->asString().toStdString();
        QTest::keyClick(form.get(), Qt::Key_T, Qt::ControlModifier);
        ASSERT_TRUE(form->run().running()) << name;
        int questions = 0;
        int alike = 0;
        for (int taker = 0; taker < 2; ++taker) {
            while (ChoiceGroup *panel = choicePanel()) {
                const int item = std::min(taker, panel->count() - 1);
                if (taker == 0 && form->run().phase() == TestRun::Phase::Answering)
                    ++questions;
                if (taker == 1 && form->run().phase() == TestRun::Phase::Answering && item == 0)
                    ++alike;
                keyAnswer(item);
            }
            if (taker == 0) {
                ASSERT_TRUE(pair().handOverScreen()) << name;
                QTest::keyClick(pair().continueButton(), Qt::Key_Return);
                QApplication::processEvents();
            }
        }
        ASSERT_EQ(pair().session().stage(), PairSession::Stage::Compared) << name;
        const QString summary = pair().summary()->findChild<QLabel *>(QStringLiteral("pairAgreement"))->text();
        EXPECT_TRUE(summary.contains(QStringLiteral("%1 题中有 %2 题选得一样").arg(questions).arg(alike)))
            << name << ": " << summary.toStdString();
        QApplication::processEvents();
        EXPECT_TRUE(report.isVisible()) << name;
        report.hide(); // the keyboard is back in the main window
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        form->ui().stepButton->click(); // 完成
    }
    EXPECT_EQ(PairHistory(form->database().connection).links().size(), 2 * ids.size());
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
}

// In the history a pair is one row: it opens the comparison page, and
// deleting it (after the user confirms) takes both runs and the pair.
TEST_F(PairWindow, TheHistoryShowsAPairAsOneRow)
{
    openWindow(fixture.path());
    selectId(10);
    startSelected();
    keyAnswers({1, 1, 1}); // a run of its own first
    form->ui().stepButton->click();
    pair().startPair();
    keyAnswers({0, 1, 1});
    pair().continuePair();
    keyAnswers({1, 2, 1});
    form->ui().stepButton->click();
    report.hide();

    form->companion().showHistory();
    HistoryWindow *history = form->companion().historyWindow();
    ASSERT_TRUE(history);
    QTableWidget *table = history->ui().table;
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("三题测试（甲和乙）"));
    EXPECT_EQ(table->item(0, 3)->text(), QStringLiteral("甲 4 · 乙 6"));
    EXPECT_EQ(table->item(0, 4)->text(), QStringLiteral("甲 中分结论 ｜ 乙 高分结论"));
    EXPECT_EQ(table->item(1, 1)->text(), QStringLiteral("三题测试"));
    EXPECT_FALSE(history->ui().chart->isVisible()) << "a pair's row charts nothing";

    table->setFocus();
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_TRUE(report.isVisible());
    EXPECT_EQ(report.windowTitle(), QStringLiteral("《三题测试》两人测试结果"));
    EXPECT_TRUE(report.ui().htmlView->pageText().contains(QStringLiteral("3 题中有 1 题选得一样")));

    dialogs.answers = {true};
    history->deleteSelected();
    ASSERT_FALSE(dialogs.questions.isEmpty());
    EXPECT_TRUE(dialogs.questions.last().text.contains(QStringLiteral("两人测试记录")));
    EXPECT_EQ(table->rowCount(), 1);
    EXPECT_EQ(fixture.scalar(QStringLiteral("SELECT count(*) FROM 记录")).toInt(), 1);
    EXPECT_EQ(fixture.scalar(QStringLiteral("SELECT count(*) FROM 两人测试")).toInt(), 0);
}

} // namespace
} // namespace lovetest
