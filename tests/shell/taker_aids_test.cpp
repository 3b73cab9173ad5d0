#include <gtest/gtest.h>

#include <csignal>

#include <QAbstractButton>
#include <QApplication>
#include <QAreaSeries>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineSeries>
#include <QProcess>
#include <QProcessEnvironment>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QTest>
#include <QTextDocument>
#include <QToolButton>

#include "data/test_database.h"
#include "report/html_view.h"
#include "report/report_window.h"
#include "run/run_history.h"
#include "run/test_run.h"
#include "shell/about_window.h"
#include "shell/history_window.h"
#include "shell/main_window.h"
#include "shell/run_companion.h"
#include "shell/score_chart.h"
#include "tests/shell/main_window_harness.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/fixture_database.h"
#include "widgets/catalog_tree_model.h"
#include "widgets/catalog_tree_view.h"
#include "widgets/choice_group.h"

namespace lovetest {
namespace {

using testing::FakeDialogs;
using testing::FixtureDatabase;

const QByteArray kContent = R"({"tests": [
 {"id": 10, "name": "甲测试", "remarks": "甲", "factor": 1,
  "questions": [
    {"text": "第一题？", "options": [[1, "是"], [2, "否"]]},
    {"text": "第二题？", "options": [[1, "常常"], [2, "偶尔"], [3, "从不"]]},
    {"text": "第三题？", "options": [[0, "不"], [1, "会"]]}],
  "verdicts": [{"thresholds": [3, 5], "texts": ["低分结论", "中分结论", "高分结论"]}]},
 {"id": 20, "name": "乙分类测试", "remarks": "乙", "factor": 1,
  "categories": [[1, "男生"], [2, "女生"]],
  "questions": [{"text": "唯一题", "options": [[1, "甲"], [5, "乙"]]}],
  "verdicts": [{"category": 1, "thresholds": [3], "texts": ["男低", "男高"]},
               {"category": 2, "thresholds": [3], "texts": ["女低", "女高"]}]}
]})";

const QByteArray kFourQuestions = R"({"tests": [
 {"id": 10, "name": "四题测试", "remarks": "", "factor": 1,
  "questions": [
    {"text": "一", "options": [[1, "a"], [2, "b"]]}, {"text": "二", "options": [[1, "a"], [2, "b"], [3, "c"]]},
    {"text": "三", "options": [[0, "a"], [1, "b"]]}, {"text": "四", "options": [[0, "a"], [1, "b"]]}],
  "verdicts": [{"thresholds": [3, 5], "texts": ["低", "中", "高"]}]}]})";

// The main window with what it offers a test taker beside the run.
class TakerAidsTest : public testing::MainWindowHarness {
protected:
    explicit TakerAidsTest(const QByteArray &content = kContent) : fixture(content) {}
    void SetUp() override { open(); }

    void open() { openWindow(fixture.path()); }
    RunCompanion &aids() { return form->companion(); }
    ChoiceGroup *panel() const { return choicePanel(); }
    void start(int testId)
    {
        selectId(testId);
        startSelected();
    }
    QString progress() { return aids().ui().progressBar->isVisible() ? aids().ui().progressLine->text() : QString(); }

    FixtureDatabase fixture;
};

TEST_F(TakerAidsTest, ProgressBackAndTheExplainedVerdictInTheWindow)
{
    EXPECT_TRUE(progress().isEmpty()); // idle: nothing new to see
    EXPECT_FALSE(aids().ui().backButton->isVisible());
    EXPECT_FALSE(aids().ui().saveButton->isVisible());

    start(10);
    EXPECT_EQ(progress(), QStringLiteral("第 1 题 / 共 3 题"));
    EXPECT_EQ(aids().ui().progressLine->accessibleName(), progress());
    EXPECT_TRUE(aids().ui().backButton->isVisible());
    EXPECT_FALSE(aids().ui().backButton->isEnabled());
    EXPECT_EQ(aids().ui().backButton->accessibleName(), QStringLiteral("上一题"));

    answer({1, 2}); // 2 + 3
    EXPECT_EQ(progress(), QStringLiteral("第 3 题 / 共 3 题"));
    EXPECT_EQ(aids().ui().progressBar->value(), 2);
    ASSERT_TRUE(aids().ui().backButton->isEnabled());
    aids().ui().backButton->click();
    EXPECT_EQ(progress(), QStringLiteral("第 2 题 / 共 3 题"));
    EXPECT_TRUE(panel()->title().startsWith(QStringLiteral("3-2.第二题？")));
    EXPECT_EQ(panel()->itemIndex(), 2);
    EXPECT_TRUE(panel()->hasFocus() || QApplication::focusWidget() == nullptr);
    panel()->setItemIndex(0); // 1 instead of 3
    form->ui().stepButton->click();
    EXPECT_EQ(panel()->itemIndex(), -1);
    answer({1}); // 2 + 1 + 1 = 4
    ASSERT_EQ(form->run().phase(), TestRun::Phase::ShowingVerdict);
    EXPECT_TRUE(progress().isEmpty());
    EXPECT_FALSE(aids().ui().backButton->isVisible());

    ASSERT_TRUE(aids().explanation());
    EXPECT_EQ(aids().explanation()->text(), QStringLiteral("得分 4，在 4–5 分之间\n本测试可能的得分：2–6 分"));
    EXPECT_TRUE(aids().ui().saveButton->isVisible());
    aids().ui().saveButton->click();
    EXPECT_TRUE(report.isVisible());
    EXPECT_EQ(report.windowTitle(), QStringLiteral("《甲测试》测试结果"));
    EXPECT_TRUE(report.ui().htmlView->pageText().contains(QStringLiteral("中分结论（你的结果）")));
    EXPECT_TRUE(report.ui().htmlView->pageHtml().contains(QStringLiteral("高分结论")));
    QApplication::processEvents(); // the toolbar lays its buttons out
    EXPECT_TRUE(report.ui().saveImageButton->isVisible());

    form->ui().stepButton->click(); // 完成
    EXPECT_FALSE(aids().ui().saveButton->isVisible());
    EXPECT_FALSE(aids().explanation());
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(TakerAidsTest, AltLeftAndBackspaceGoBack)
{
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    start(10);
    answer({0, 1});
    panel()->setFocus();
    QTest::keyClick(panel(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(progress(), QStringLiteral("第 2 题 / 共 3 题"));
    EXPECT_EQ(panel()->itemIndex(), 1);
    QTest::keyClick(panel(), Qt::Key_Backspace);
    EXPECT_EQ(progress(), QStringLiteral("第 1 题 / 共 3 题"));
    EXPECT_EQ(panel()->itemIndex(), 0);
    form->ui().quitButton->click();
    QTest::keyClick(form->ui().stepButton, Qt::Key_Backspace); // idle: nothing happens
    EXPECT_EQ(form->run().phase(), TestRun::Phase::Idle);
}

TEST_F(TakerAidsTest, TheCategoryIsTheLastStep)
{
    start(20);
    answer({1});
    EXPECT_EQ(progress(), QStringLiteral("最后一步：请选择类别"));
    EXPECT_TRUE(aids().ui().backButton->isEnabled());
    answer({1});
    EXPECT_TRUE(aids().explanation()->text().endsWith(QStringLiteral("所选类别：女生")));
}

// Under a verdict: the same test again and the next one, by keys only.
TEST_F(TakerAidsTest, AgainAndNextTestByKeysAfterAVerdict)
{
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const auto settle = [] { QCoreApplication::processEvents(); };
    const auto currentTest = [this] {
        return form->database().catalog.fieldByName(QStringLiteral("ID"))->asLargeInt();
    };
    start(10);
    EXPECT_FALSE(aids().againButton()); // only under a verdict
    answer({0, 0, 0});
    ASSERT_EQ(form->run().phase(), TestRun::Phase::ShowingVerdict);
    QPushButton *again = aids().againButton();
    QPushButton *next = aids().nextTestButton();
    ASSERT_TRUE(again && next);
    EXPECT_TRUE(again->isVisible() && next->isVisible() && next->isEnabled());
    EXPECT_EQ(again->accessibleName(), QStringLiteral("再测一次"));
    EXPECT_EQ(next->accessibleName(), QStringLiteral("下一个测试"));

    // Tab reaches 再测一次 from the step button; Space takes the test again.
    form->ui().stepButton->setFocus();
    for (int i = 0; i < 12 && QApplication::focusWidget() != again; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), again);
    QTest::keyClick(again, Qt::Key_Space);
    settle();
    EXPECT_EQ(form->run().phase(), TestRun::Phase::Answering);
    EXPECT_EQ(progress(), QStringLiteral("第 1 题 / 共 3 题"));
    EXPECT_EQ(currentTest(), 10);
    EXPECT_FALSE(aids().againButton()); // went with the verdict

    // Enter on 下一个测试: the next test is selected and its remarks shown.
    answer({0, 0, 0});
    next = aids().nextTestButton();
    next->setFocus();
    QTest::keyClick(next, Qt::Key_Return);
    settle();
    EXPECT_EQ(form->run().phase(), TestRun::Phase::Idle);
    EXPECT_EQ(currentTest(), 20);
    EXPECT_EQ(form->ui().catalogTree->selectedKey(), 20);
    EXPECT_TRUE(form->ui().questionPane->findChild<QWidget *>(QStringLiteral("remarksView")));
    EXPECT_FALSE(aids().nextTestButton());

    // The last test: Alt+N has nothing to go to, Alt+R takes it again.
    startSelected();
    answer({0, 0});
    ASSERT_TRUE(aids().nextTestButton());
    EXPECT_FALSE(aids().nextTestButton()->isEnabled());
    // A mnemonic presses its button visibly: the click comes a moment later.
    QTest::keyClick(form.get(), Qt::Key_N, Qt::AltModifier);
    QTest::qWait(300);
    EXPECT_EQ(form->run().phase(), TestRun::Phase::ShowingVerdict);
    QTest::keyClick(form.get(), Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return form->run().phase() == TestRun::Phase::Answering; }, 2000));
    EXPECT_EQ(currentTest(), 20);
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
}

// The catalog marks a test once a run of it is finished, names the last run
// in the tooltip as plain text, and drops the mark with the record.
const QByteArray kMarkedContent = R"({"tests": [
 {"id": 10, "name": "甲测试", "remarks": "甲", "factor": 1,
  "questions": [{"text": "第一题？", "options": [[1, "是"], [2, "否"]]}],
  "verdicts": [{"thresholds": [1], "texts": ["<b>x</b>", "高"]}]},
 {"id": 20, "name": "乙测试", "remarks": "乙", "factor": 1,
  "questions": [{"text": "唯一题", "options": [[1, "甲"]]}],
  "verdicts": [{"thresholds": [1], "texts": ["低", "高"]}]}]})";

class TakenMarks : public TakerAidsTest {
protected:
    TakenMarks() : TakerAidsTest(kMarkedContent) {}
};

TEST_F(TakenMarks, FollowFinishedRunsAndDeletedRecords)
{
    const auto tree = [&] { return form->ui().catalogTree; };
    const auto tip = [&](qint64 key) {
        QTextDocument shown;
        shown.setHtml(tree()->model()->data(tree()->indexOfKey(key), Qt::ToolTipRole).toString());
        return shown.toPlainText();
    };
    const auto take = [&](bool finish) {
        selectId(10);
        startSelected();
        if (finish)
            answer({0});
        else
            form->ui().quitButton->click();
    };
    EXPECT_TRUE(tree()->marks().isEmpty());
    take(false);
    EXPECT_EQ(form->run().phase(), TestRun::Phase::Idle);
    EXPECT_TRUE(tree()->marks().isEmpty()); // a quit run leaves no mark

    take(true);
    ASSERT_EQ(form->run().phase(), TestRun::Phase::ShowingVerdict);
    EXPECT_TRUE(tree()->marks().contains(10)); // there with the verdict
    EXPECT_FALSE(tree()->marks().contains(20));
    EXPECT_TRUE(tree()->model()->data(tree()->indexOfKey(10), Qt::DecorationRole).isValid());
    EXPECT_TRUE(tip(10).startsWith(QStringLiteral("上次测试：%1 ").arg(QDate::currentDate().toString(Qt::ISODate))))
        << tip(10).toStdString();
    EXPECT_TRUE(tip(10).endsWith(QStringLiteral("\n结果：<b>x</b>"))) << tip(10).toStdString();
    EXPECT_TRUE(tip(20).isEmpty());

    open(); // read again at the next start
    ASSERT_TRUE(tree()->marks().contains(10));
    RunCompanion &aids = form->companion();
    aids.ui().historyAction->trigger();
    ASSERT_TRUE(aids.historyWindow());
    dialogs.answers = {true};
    aids.historyWindow()->ui().deleteButton->click();
    EXPECT_TRUE(tree()->marks().isEmpty());
    EXPECT_FALSE(tree()->model()->data(tree()->indexOfKey(10), Qt::DecorationRole).isValid());
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(TakerAidsTest, HistoryWindowListsOpensAndDeletesRuns)
{
    start(10);
    answer({0, 0, 0});
    form->ui().stepButton->click();
    start(20);
    answer({0, 0});
    form->ui().stepButton->click();
    start(10); // quit: no record
    form->ui().quitButton->click();

    aids().ui().historyAction->trigger();
    EXPECT_EQ(aids().ui().historyAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+H")));
    HistoryWindow *window = aids().historyWindow();
    ASSERT_TRUE(window && window->isVisible());
    ASSERT_EQ(window->ui().table->rowCount(), 2);
    EXPECT_EQ(window->ui().table->item(0, 1)->text(), QStringLiteral("乙分类测试")); // newest first
    EXPECT_EQ(window->ui().table->item(0, 2)->text(), QStringLiteral("男生"));

    window->ui().filter->setCurrentIndex(window->ui().filter->findText(QStringLiteral("甲测试")));
    ASSERT_EQ(window->ui().table->rowCount(), 1);
    EXPECT_EQ(window->ui().table->item(0, 4)->text(), QStringLiteral("低分结论"));
    window->ui().openButton->click();
    EXPECT_EQ(report.windowTitle(), QStringLiteral("《甲测试》测试结果"));
    // The other verdicts are read from the test as it is.
    EXPECT_TRUE(report.ui().htmlView->pageText().contains(QStringLiteral("低分结论（你的结果）")));
    EXPECT_TRUE(report.ui().htmlView->pageHtml().contains(QStringLiteral("高分结论")));
    window->ui().filter->setCurrentIndex(window->ui().filter->findText(QStringLiteral("乙分类测试")));
    window->ui().openButton->click();
    EXPECT_TRUE(report.ui().htmlView->pageHtml().contains(QStringLiteral("男高")));
    EXPECT_FALSE(report.ui().htmlView->pageHtml().contains(QStringLiteral("女高")));
    window->ui().filter->setCurrentIndex(window->ui().filter->findText(QStringLiteral("甲测试")));

    dialogs.answers = {false};
    const QString taken = window->ui().table->item(0, 0)->text();
    window->ui().deleteButton->click();
    EXPECT_EQ(window->ui().table->rowCount(), 1);
    // The question names the record, and Enter keeps it.
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(dialogs.questions[0].text, QStringLiteral("删除“甲测试”在 %1 的这条测试记录吗？").arg(taken));
    EXPECT_EQ(dialogs.questions[0].defaultAnswer, Dialogs::DefaultAnswer::No);
    dialogs.answers = {true};
    window->ui().deleteButton->click();
    EXPECT_EQ(window->ui().filter->currentIndex(), 0);
    EXPECT_EQ(window->ui().table->rowCount(), 1);
    dialogs.answers = {true};
    window->ui().deleteAllButton->click();
    EXPECT_EQ(window->ui().table->rowCount(), 0);
    EXPECT_EQ(dialogs.questions.size(), 3);
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

// A test taken twice shows its scores over time under the list, its
// verdicts' bands behind them; a test taken once shows no chart.
TEST_F(TakerAidsTest, HistoryChartFollowsTheSelectedTestTakenMoreThanOnce)
{
    start(10);
    answer({0, 0, 0}); // 1 + 1 + 0
    form->ui().stepButton->click();
    start(20);
    answer({0, 0});
    form->ui().stepButton->click();
    start(10);
    answer({1, 1, 1}); // 2 + 2 + 1
    form->ui().stepButton->click();

    aids().ui().historyAction->trigger();
    HistoryWindow *window = aids().historyWindow();
    ASSERT_TRUE(window && window->isVisible());
    ScoreChart *chart = window->ui().chart;
    ASSERT_EQ(window->ui().table->item(0, 1)->text(), QStringLiteral("甲测试"));
    ASSERT_TRUE(chart->isVisible());
    EXPECT_EQ(chart->accessibleName(), QStringLiteral("得分变化图"));
    EXPECT_EQ(chart->accessibleDescription(), QStringLiteral("2 次得分：2、5"));
    EXPECT_EQ(chart->focusPolicy(), Qt::NoFocus);

    QList<QLineSeries *> lines;
    QStringList bands;
    for (QAbstractSeries *series : chart->chart()->series()) {
        if (auto *area = qobject_cast<QAreaSeries *>(series))
            bands.append(area->name());
        else if (auto *line = qobject_cast<QLineSeries *>(series))
            lines.append(line);
    }
    // Highest first, as the legend lists them.
    EXPECT_EQ(bands, (QStringList{QStringLiteral("高分结论"), QStringLiteral("中分结论"), QStringLiteral("低分结论")}));
    ASSERT_EQ(lines.size(), 1);
    ASSERT_EQ(lines[0]->count(), 2);
    EXPECT_DOUBLE_EQ(lines[0]->at(0).y(), 2);
    EXPECT_DOUBLE_EQ(lines[0]->at(1).y(), 5);
    // Pointing at the newer run names it and its band, in the test's words.
    const QPoint newest =
        chart->mapFromScene(chart->chart()->mapToScene(chart->chart()->mapToPosition(lines[0]->at(1), lines[0])));
    const QString told = chart->textAt(newest);
    EXPECT_TRUE(told.contains(QStringLiteral("得分 5"))) << told.toStdString();
    EXPECT_TRUE(told.endsWith(QStringLiteral("中分结论：在 4–5 分之间"))) << told.toStdString();

    window->ui().table->selectRow(1); // 乙分类测试, taken once
    EXPECT_FALSE(chart->isVisible());
    window->ui().table->selectRow(2);
    EXPECT_TRUE(chart->isVisible());
    window->ui().filter->setCurrentIndex(window->ui().filter->findText(QStringLiteral("乙分类测试")));
    EXPECT_FALSE(chart->isVisible());
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

// A history the file refuses: one notice after the verdict, which stays on
// screen with its page.
TEST_F(TakerAidsTest, AResultTheHistoryCannotKeepIsSaidOnce)
{
    fixture.exec("CREATE VIEW 记录 AS SELECT 1 AS 编号");
    start(10);
    answer({0, 0, 0});
    ASSERT_EQ(form->run().phase(), TestRun::Phase::ShowingVerdict);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.messages,
              QStringList{QStringLiteral("这次的结果没能保存到测试记录中：cannot modify 记录 because it is a view")});
    EXPECT_TRUE(verdictText().endsWith(QStringLiteral("低分结论")));
    aids().ui().saveButton->click();
    EXPECT_EQ(report.windowTitle(), QStringLiteral("《甲测试》测试结果"));
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

// The disk fills in the middle of a run: one message, the run goes on to its
// verdict, and the answers reach the file once there is room.
TEST_F(TakerAidsTest, AFullDiskDuringARunIsSaidOnceAndTheRunGoesOn)
{
    start(10);
    answer({0});
    {
        testing::FileSizeLimit full(1);
        ASSERT_TRUE(full.applied());
        answer({0, 0});
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(form->run().phase(), TestRun::Phase::ShowingVerdict);
    EXPECT_TRUE(verdictText().endsWith(QStringLiteral("低分结论")));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith(QStringLiteral("磁盘已满：答案暂时只保存在内存中")))
        << dialogs.messages[0].toStdString();
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
    form.reset(); // at the end the file takes them
    EXPECT_EQ(fixture.scalar("SELECT count(*) FROM 记录 WHERE 完成 = 1").toInt(), 1);
}

TEST_F(TakerAidsTest, ARunLeftUnfinishedIsOfferedOnceAtTheNextStart)
{
    start(10);
    answer({1, 2});
    form.reset(); // the program ends in the middle of the run

    open();
    dialogs.answers = {true};
    form->offerResume();
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(dialogs.questions[0].text, QStringLiteral("上次的测试《甲测试》还没有做完，是否继续？"));
    EXPECT_EQ(form->run().phase(), TestRun::Phase::Answering);
    EXPECT_EQ(progress(), QStringLiteral("第 3 题 / 共 3 题"));
    EXPECT_EQ(panel()->itemIndex(), -1);
    aids().ui().backButton->click();
    EXPECT_EQ(panel()->itemIndex(), 2); // the earlier answer is there
    form->ui().stepButton->click();
    answer({1});
    EXPECT_DOUBLE_EQ(form->run().score(), 6); // 2 + 3 + 1
    form->ui().stepButton->click();
    EXPECT_EQ(aids().history().entries().size(), 1);

    // Declined: nothing changes, and it is not asked again.
    start(10);
    answer({0});
    form.reset();
    open();
    dialogs.answers = {false};
    form->offerResume();
    EXPECT_EQ(dialogs.questions.size(), 2);
    EXPECT_EQ(form->run().phase(), TestRun::Phase::Idle);
    form->offerResume();
    EXPECT_EQ(dialogs.questions.size(), 2);
    EXPECT_EQ(aids().history().entries().size(), 1);

    // Left before the first answer: nothing to go on with, nothing asked.
    start(10);
    form.reset();
    open();
    form->offerResume();
    EXPECT_EQ(dialogs.questions.size(), 2);
    EXPECT_FALSE(aids().history().unfinished());
}

// The program killed (SIGKILL) after the third answer of a run, then
// started again on the same file.
class KilledRunTest : public TakerAidsTest {
protected:
    KilledRunTest() : TakerAidsTest(kFourQuestions) {}
    void SetUp() override {}

    // Another copy of the program, three answers into a run and running on.
    void startAnotherCopyAfterThreeAnswers(QProcess &program)
    {
        program.start(QStringLiteral(INTERRUPTED_RUN), {fixture.path(), "10", "1", "2", "0"});
        ASSERT_TRUE(program.waitForStarted(10000));
        while (!program.canReadLine() && program.state() == QProcess::Running)
            program.waitForReadyRead(30000);
        ASSERT_EQ(program.readLine().trimmed(), QByteArray("answered"));
    }
    void killAfterThreeAnswers()
    {
        QProcess program;
        startAnotherCopyAfterThreeAnswers(program);
        program.kill(); // kill -9
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::CrashExit);
    }
    QString table(const QString &sql)
    {
        QStringList rows;
        for (int id = 10; id <= 14; ++id)
            rows << fixture.scalar(sql.arg(id)).toString();
        return rows.join(QLatin1Char(','));
    }

    // The same run taken without a break: 2 + 3 + 0 + 1.
    QString uninterruptedVerdict()
    {
        FixtureDatabase other{kFourQuestions};
        MainWindow window(other.path());
        window.database().catalog.locate("ID", 10);
        window.ui().startButton->click();
        for (int item : {1, 2, 0, 1}) {
            window.ui().questionPane->findChild<ChoiceGroup *>()->setItemIndex(item);
            window.ui().stepButton->click();
        }
        auto *view = window.ui().questionPane->findChild<QWidget *>(QStringLiteral("verdictView"));
        return view ? view->property("plainText").toString() : QString();
    }
};

// The session ends (SIGTERM) while the real program asks whether to go on
// with the run: the question closes as cancelled, the program ends at once
// and cleanly, and the run is offered again next time.
TEST_F(KilledRunTest, ASignalDuringTheResumeQuestionEndsTheProgramAndKeepsTheRun)
{
    killAfterThreeAnswers();
    QProcess program;
    program.setWorkingDirectory(QFileInfo(fixture.path()).absolutePath());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(PROGRAM), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    // The question comes up at once; a signal that comes earlier must end
    // the program just as cleanly.
    QTest::qWait(1500);
    ::kill(pid_t(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(20000)) << "still running after the signal";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_FALSE(QFileInfo::exists(fixture.path() + QStringLiteral("-wal")));
    open();
    EXPECT_TRUE(aids().history().unfinished().has_value());
}

TEST_F(KilledRunTest, AcceptedTheRunEndsWithTheVerdictOfAnUninterruptedOne)
{
    killAfterThreeAnswers();
    open();
    dialogs.answers = {true};
    form->offerResume();
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(dialogs.questions[0].text, QStringLiteral("上次的测试《四题测试》还没有做完，是否继续？"));
    ASSERT_EQ(progress(), QStringLiteral("第 4 题 / 共 4 题"));
    EXPECT_EQ(QApplication::focusWidget(), panel());
    answer({1});
    ASSERT_EQ(form->run().phase(), TestRun::Phase::ShowingVerdict);
    const QString verdict =
        form->ui().questionPane->findChild<QWidget *>(QStringLiteral("verdictView"))->property("plainText").toString();
    EXPECT_TRUE(verdict.endsWith(QStringLiteral("高")));
    EXPECT_EQ(verdict, uninterruptedVerdict());
}

// A run under way in another running copy is its own: this copy neither
// offers nor drops it, and takes it up once that copy is gone.
TEST_F(KilledRunTest, ARunInAnotherRunningCopyIsLeftToIt)
{
    QProcess other;
    startAnotherCopyAfterThreeAnswers(other);
    open();
    form->offerResume();
    EXPECT_TRUE(dialogs.questions.isEmpty()) << "offered while its copy runs";
    EXPECT_EQ(fixture.scalar(QStringLiteral("SELECT count(*) FROM 记录 WHERE 完成 = 0")).toInt(), 1);

    other.kill();
    ASSERT_TRUE(other.waitForFinished(10000));
    form.reset();
    open();
    dialogs.answers = {true};
    form->offerResume();
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(progress(), QStringLiteral("第 4 题 / 共 4 题"));
}

TEST_F(KilledRunTest, DeclinedNothingChanges)
{
    killAfterThreeAnswers();
    const QString scores = table(QStringLiteral("SELECT 分值 FROM 量表 WHERE ID=%1"));
    open();
    dialogs.answers = {false};
    form->offerResume();
    EXPECT_EQ(form->run().phase(), TestRun::Phase::Idle);
    EXPECT_EQ(table(QStringLiteral("SELECT 分值 FROM 量表 WHERE ID=%1")), scores);
    EXPECT_TRUE(aids().history().entries().isEmpty());
    form.reset();
    open();
    form->offerResume();
    EXPECT_EQ(dialogs.questions.size(), 1);
}

} // namespace
} // namespace lovetest
