#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QSplitterHandle>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include "data/test_database.h"
#include "report/report_window.h"
#include "run/test_run.h"
#include "shell/about_window.h"
#include "shell/main_window.h"
#include "shell/question_panels.h"
#include "shell/web_links.h"
#include "tests/shell/main_window_harness.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/fixture_database.h"
#include "tests/support/shown_tool_tip.h"
#include "widgets/bound_label.h"
#include "widgets/bound_text_view.h"
#include "widgets/catalog_tree_view.h"
#include "widgets/choice_group.h"

QT_BEGIN_NAMESPACE
// Readable failure messages for texts.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace lovetest {
namespace {

using testing::FakeDialogs;
using testing::FixtureDatabase;

// Three tests: a plain one of two questions (the first with instructions),
// a category test and a test whose instructions run over many lines.
const QByteArray kContent = R"({"tests": [
 {"id": 10, "name": "甲测试", "remarks": "甲的说明文字", "factor": 1,
  "questions": [
    {"text": "第一题？", "instructions": "请按真实情况回答。", "options": [[1, "是"], [2, "否"]]},
    {"text": "第二题？", "options": [[1, "常常"], [2, "偶尔"], [3, "从不"]]}],
  "verdicts": [{"thresholds": [2, 4], "texts": ["低分结论", "中分结论\n第二行", "高分结论"]}]},
 {"id": 20, "name": "乙分类测试", "remarks": "乙的说明", "factor": 1,
  "categories": [[1, "男生"], [2, "女生"]],
  "questions": [{"text": "唯一题", "options": [[1, "甲"], [5, "乙"]]}],
  "verdicts": [{"category": 1, "thresholds": [3], "texts": ["男低", "男高"]},
               {"category": 2, "thresholds": [3], "texts": ["女低", "女高"]}]},
 {"id": 30, "name": "丙长说明", "remarks": "丙",
  "questions": [{"text": "题", "instructions": "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12", "options": [[1, "a"]]}],
  "verdicts": [{"thresholds": [], "texts": ["唯一"]}]}
]})";

// Presses a key that has no character (QTest only sends those with one).
void pressKey(QWidget *widget, Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

class MainWindowTest : public testing::MainWindowHarness {
protected:
    void SetUp() override { openWindow(fixture.path()); }

    QString shownTitle() const { return form->ui().titleLabel->text(); }
    QString remarks() const
    {
        auto *view = form->ui().questionPane->findChild<BoundTextView *>(QStringLiteral("remarksView"));
        return view ? view->toPlainText() : QStringLiteral("<no remarks view>");
    }
    // Chooses item index of the shown panel with a click on its button.
    void clickItem(int index)
    {
        const auto buttons = choicePanel()->findChildren<QAbstractButton *>();
        ASSERT_GT(buttons.size(), index);
        QTest::mouseClick(buttons[index], Qt::LeftButton);
    }
    QModelIndex treeRow(const QString &name) const
    {
        QAbstractItemView *tree = form->ui().catalogTree;
        const auto hits = tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, name, 1,
                                               Qt::MatchExactly | Qt::MatchRecursive);
        return hits.isEmpty() ? QModelIndex() : hits.first();
    }
    QStringList treeLabels() const
    {
        QStringList labels;
        QTreeView *tree = form->ui().catalogTree;
        QAbstractItemModel *model = tree->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            if (!tree->isRowHidden(row, {}))
                labels << model->index(row, 0).data().toString();
        }
        return labels;
    }

    FixtureDatabase fixture{kContent};
};

TEST_F(MainWindowTest, MenuAndToolbarHoldTheCommandsInOrder)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("朗月爱情心理测试(娱乐版)V1.0"));

    QStringList menu;
    for (QAction *top : form->menuBar()->actions()) {
        menu << top->objectName() + QLatin1Char('=') + top->text();
        for (QAction *item : top->menu()->actions())
            menu << item->objectName() + QLatin1Char('=') + (item->isSeparator() ? QStringLiteral("-") : item->text());
    }
    // 两人一起测 and 我的测试记录 join the run's commands in 操作, the
    // catalog's own commands and restoring a backup follow them.
    EXPECT_EQ(menu,
              QStringList({"testMenu=操作(&O)", "startAction=开始测试", "pairAction=两人一起测",
                           "contentAction=测试内容", "historyAction=我的测试记录", "catalogSeparator=-",
                           "undoDeleteAction=撤销删除", "restoreSamplesAction=恢复示例测试",
                           "restoreBackupAction=从备份恢复…", "quitSeparator=-", "quitAction=退出", "helpMenu=帮助(&H)",
                           "homePageAction=访问朗月心理测试网站", "updatesAction=查看软件更新", "linksSeparator=-",
                           "booksAction=心理学书籍", "aboutSeparator=-", "aboutAction=关于朗月爱情心理测(娱乐版)1.0"}));

    struct Tool {
        const char *name;
        const char *hint;
    };
    const Tool tools[] = {{"startButton", "开始测试"},       {"siteButton", "访问朗月心理测试网"},
                          {"updatesButton", "查看软件更新"}, {"booksButton", "心理学书籍"},
                          {"contentButton", "查看测试内容"}, {"quitProgramButton", "退出程序"}};
    int left = -1;
    for (const Tool &tool : tools) {
        auto *toolButton = child<QToolButton>(tool.name);
        ASSERT_NE(toolButton, nullptr);
        EXPECT_EQ(toolButton->toolTip(), QString::fromUtf8(tool.hint)) << tool.name;
        EXPECT_EQ(toolButton->toolButtonStyle(), Qt::ToolButtonIconOnly) << tool.name;
        EXPECT_FALSE(toolButton->icon().isNull()) << tool.name;
        EXPECT_EQ(toolButton->size(), QSize(39, 38)) << tool.name;
        EXPECT_GT(toolButton->x(), left) << tool.name << " stands right of the one before";
        left = toolButton->x();
    }
    EXPECT_EQ(form->ui().toolBar->height(), 43);
}

TEST_F(MainWindowTest, StartsIdleOnTheFirstTest)
{
    EXPECT_EQ(form->ui().stepButton->text(), QStringLiteral("开始测试"));
    EXPECT_FALSE(form->ui().quitButton->isVisible());
    EXPECT_EQ(form->ui().instructionsPane->height(), 0);
    EXPECT_EQ(form->ui().searchBox->geometry(), QRect(8, 10, 121, 19));
    EXPECT_EQ(form->ui().buttonBar->height(), 65);
    EXPECT_EQ(shownTitle(), QStringLiteral("甲测试"));
    EXPECT_EQ(remarks(), QStringLiteral("甲的说明文字"));
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(treeLabels(), QStringList({"甲测试", "乙分类测试", "丙长说明"}));
}

TEST_F(MainWindowTest, QuitButtonStandsBesideTheStepButtonInsideTheBar)
{
    QTest::mouseClick(form->ui().startButton, Qt::LeftButton);
    ASSERT_TRUE(form->ui().quitButton->isVisible());
    const QRect step = form->ui().stepButton->geometry();
    const QRect quit = form->ui().quitButton->geometry();
    EXPECT_EQ(quit.top(), step.top());
    EXPECT_GT(quit.left(), step.right());
    EXPECT_LE(quit.right(), form->ui().buttonBar->width());
}

// Drags the splitter's handle by dx with the left button; Esc before the
// release when asked.
void dragSplitter(QSplitter *splitter, int dx, bool escape)
{
    QSplitterHandle *handle = splitter->handle(1);
    const QPointF start(handle->width() / 2.0, handle->height() / 2.0);
    const QPointF end = start + QPointF(dx, 0);
    auto send = [&](QEvent::Type type, const QPointF &at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, handle->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(handle, &event);
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    send(QEvent::MouseMove, end, Qt::LeftButton);
    if (escape)
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : splitter->window(), Qt::Key_Escape);
    send(QEvent::MouseButtonRelease, end, Qt::NoButton);
}

TEST_F(MainWindowTest, SplitterResizesOnReleaseAndEscCancels)
{
    QSplitter *splitter = form->ui().splitter;
    const int before = splitter->sizes().first();
    dragSplitter(splitter, 60, true);
    EXPECT_EQ(splitter->sizes().first(), before);
    dragSplitter(splitter, 60, false);
    EXPECT_EQ(splitter->sizes().first(), before + 60);
    // A drag to 30 pixels or less closes the left pane.
    dragSplitter(splitter, 30 - splitter->sizes().first(), false);
    EXPECT_EQ(splitter->sizes().first(), 0);
}

TEST_F(MainWindowTest, ARunFromToolbarToVerdictAndBack)
{
    QTest::mouseClick(form->ui().startButton, Qt::LeftButton);
    ASSERT_NE(choicePanel(), nullptr);
    EXPECT_EQ(choicePanel()->title(), QStringLiteral("2-1.第一题？    "));
    EXPECT_EQ(choicePanel()->itemIndex(), -1);
    EXPECT_EQ(form->ui().stepButton->text(), QStringLiteral("下一步"));
    EXPECT_TRUE(form->ui().quitButton->isVisible());
    for (QWidget *idleOnly :
         {static_cast<QWidget *>(form->ui().startButton), static_cast<QWidget *>(form->ui().catalogTree),
          static_cast<QWidget *>(form->ui().searchBox)})
        EXPECT_FALSE(idleOnly->isEnabled()) << idleOnly->objectName().toStdString();
    EXPECT_FALSE(action("startAction")->isEnabled());
    EXPECT_GT(form->ui().instructionsPane->height(), 0) << "the first question has instructions";

    clickItem(0); // 是 = 1
    EXPECT_EQ(choicePanel()->itemIndex(), 0);
    QTest::mouseClick(form->ui().stepButton, Qt::LeftButton);
    ASSERT_NE(choicePanel(), nullptr);
    EXPECT_EQ(choicePanel()->title(), QStringLiteral("2-2.第二题？    "));
    EXPECT_EQ(form->ui().instructionsPane->height(), 0) << "the second question has none";
    EXPECT_EQ(form->run().questionNumber(), 2);

    choicePanel()->setFocus();
    QTest::keyClick(choicePanel(), Qt::Key_2); // 偶尔 = 2
    EXPECT_EQ(choicePanel()->itemIndex(), 1);
    QTest::mouseClick(form->ui().stepButton, Qt::LeftButton);

    EXPECT_EQ(choicePanel(), nullptr);
    EXPECT_EQ(verdictText(), QStringLiteral("声明：本程序所提供的测试仅供娱乐!\n\n中分结论\n第二行"));
    EXPECT_EQ(form->ui().stepButton->text(), QStringLiteral("完成"));
    EXPECT_FALSE(form->ui().quitButton->isVisible());
    EXPECT_EQ(
        fixture.scalar(QStringLiteral("select count(*) from 量表 where Parent=10 and ID<>10 and 分值 is not null"))
            .toInt(),
        2)
        << "both answers are stored";

    QTest::mouseClick(form->ui().stepButton, Qt::LeftButton);
    EXPECT_EQ(remarks(), QStringLiteral("甲的说明文字"));
    EXPECT_EQ(verdictText(), QString());
    EXPECT_EQ(form->ui().stepButton->text(), QStringLiteral("开始测试"));
    for (QWidget *idleOnly :
         {static_cast<QWidget *>(form->ui().startButton), static_cast<QWidget *>(form->ui().catalogTree),
          static_cast<QWidget *>(form->ui().searchBox)})
        EXPECT_TRUE(idleOnly->isEnabled()) << idleOnly->objectName().toStdString();
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(MainWindowTest, StepButtonStartsAndAsksForAChoice)
{
    QTest::mouseClick(form->ui().stepButton, Qt::LeftButton);
    ASSERT_NE(choicePanel(), nullptr);
    QTest::mouseClick(form->ui().stepButton, Qt::LeftButton);
    EXPECT_EQ(dialogs.messages, QStringList({"请选择!再进行下一步"}));
    EXPECT_EQ(choicePanel()->title(), QStringLiteral("2-1.第一题？    ")) << "the run stays where it was";
}

TEST_F(MainWindowTest, KeyboardAloneRunsATest)
{
    form->ui().stepButton->setFocus();
    QTest::keyClick(form->ui().stepButton, Qt::Key_Space);
    ASSERT_NE(choicePanel(), nullptr);
    // Tab from the tree reaches the panel, and the next Tab the step button.
    form->ui().catalogTree->setEnabled(true);
    form->ui().catalogTree->setFocus();
    QTest::keyClick(form->ui().catalogTree, Qt::Key_Tab);
    EXPECT_TRUE(choicePanel()->isAncestorOf(QApplication::focusWidget()) ||
                QApplication::focusWidget() == choicePanel());
    form->ui().catalogTree->setEnabled(false);
    choicePanel()->setFocus();
    QTest::keyClick(choicePanel(), Qt::Key_2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form->ui().stepButton);
    QTest::keyClick(form->ui().stepButton, Qt::Key_Return);
    QTRY_COMPARE(choicePanel()->title(), QStringLiteral("2-2.第二题？    "));
}

TEST_F(MainWindowTest, QuitEndsTheRun)
{
    QTest::mouseClick(form->ui().startButton, Qt::LeftButton);
    clickItem(1);
    QTest::mouseClick(form->ui().quitButton, Qt::LeftButton);
    EXPECT_EQ(choicePanel(), nullptr);
    EXPECT_EQ(remarks(), QStringLiteral("甲的说明文字"));
    EXPECT_FALSE(form->ui().quitButton->isVisible());
    EXPECT_EQ(form->ui().instructionsPane->height(), 0);
    EXPECT_TRUE(action("startAction")->isEnabled());

    action("startAction")->trigger();
    ASSERT_NE(choicePanel(), nullptr);
    EXPECT_EQ(choicePanel()->title(), QStringLiteral("2-1.第一题？    ")) << "a new run begins at the start";
}

TEST_F(MainWindowTest, CategoryTestAsksForTheCategoryBeforeTheVerdict)
{
    form->ui().catalogTree->setCurrentIndex(treeRow(QStringLiteral("乙分类测试")));
    ASSERT_EQ(shownTitle(), QStringLiteral("乙分类测试"));
    QTest::mouseClick(form->ui().startButton, Qt::LeftButton);
    clickItem(1); // 乙 = 5
    QTest::mouseClick(form->ui().stepButton, Qt::LeftButton);
    ASSERT_NE(choicePanel(), nullptr);
    EXPECT_EQ(choicePanel()->title(), QStringLiteral("请选择"));
    EXPECT_EQ(choicePanel()->geometry().height(), form->ui().questionPane->viewport()->height())
        << "the category panel fills the pane";
    clickItem(1); // 女生
    QTest::mouseClick(form->ui().stepButton, Qt::LeftButton);
    EXPECT_TRUE(verdictText().endsWith(QStringLiteral("女高"))) << verdictText().toStdString();
}

TEST_F(MainWindowTest, TitleAndRemarksFollowTheTree)
{
    form->ui().catalogTree->setCurrentIndex(treeRow(QStringLiteral("丙长说明")));
    EXPECT_EQ(shownTitle(), QStringLiteral("丙长说明"));
    EXPECT_EQ(remarks(), QStringLiteral("丙"));
}

TEST_F(MainWindowTest, SearchNarrowsAndClearingKeepsTheMatch)
{
    form->ui().catalogTree->setCurrentIndex(treeRow(QStringLiteral("丙长说明")));
    form->ui().searchBox->insert(QStringLiteral("分类"));
    EXPECT_EQ(treeLabels(), QStringList({"乙分类测试"}));
    EXPECT_EQ(shownTitle(), QStringLiteral("乙分类测试"));

    form->ui().searchBox->clear();
    QStringList labels = treeLabels();
    labels.sort();
    QStringList all{"甲测试", "乙分类测试", "丙长说明"};
    all.sort();
    EXPECT_EQ(labels, all);
    EXPECT_EQ(shownTitle(), QStringLiteral("乙分类测试"));
    EXPECT_EQ(form->ui().catalogTree->currentIndex().data().toString(), QStringLiteral("乙分类测试"));

    QTest::keyClicks(form->ui().searchBox, QStringLiteral("'"));
    EXPECT_TRUE(dialogs.errors.isEmpty()) << "a quote is searched for, not an error";
    EXPECT_TRUE(treeLabels().isEmpty());
}

TEST_F(MainWindowTest, DeleteAsksFirst)
{
    QAbstractItemView *tree = form->ui().catalogTree;
    tree->setCurrentIndex(treeRow(QStringLiteral("丙长说明")));
    tree->setFocus();
    dialogs.answers = {false, true};

    QTest::keyClick(tree, Qt::Key_Delete);
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(dialogs.questions[0].caption, QStringLiteral("Confirm"));
    EXPECT_EQ(dialogs.questions[0].text, QStringLiteral("Do you want to delete the item \"丙长说明\""));
    EXPECT_EQ(treeLabels().size(), 3) << "Cancel keeps the entry";

    QTest::keyClick(tree, Qt::Key_Delete);
    EXPECT_EQ(treeLabels(), QStringList({"甲测试", "乙分类测试"}));
    EXPECT_EQ(fixture.scalar(QStringLiteral("select count(*) from 量表 where ID=30")).toInt(), 0);
}

TEST_F(MainWindowTest, RenameIsStored)
{
    QAbstractItemView *tree = form->ui().catalogTree;
    const QModelIndex row = treeRow(QStringLiteral("乙分类测试"));
    tree->setCurrentIndex(row);
    tree->setFocus();
    pressKey(tree, Qt::Key_F2);
    auto *editor = tree->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("新名字"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the view commits the edit from its queue

    EXPECT_EQ(shownTitle(), QStringLiteral("新名字"));
    EXPECT_EQ(fixture.scalar(QStringLiteral("select Name from 量表 where ID=20")).toString(), QStringLiteral("新名字"));
}

TEST_F(MainWindowTest, ContentCommandShowsTheSelectedTestsPage)
{
    form->ui().catalogTree->setCurrentIndex(treeRow(QStringLiteral("乙分类测试")));
    QTest::mouseClick(form->ui().contentButton, Qt::LeftButton);
    EXPECT_TRUE(report.isVisible());
    EXPECT_EQ(report.windowTitle(), QStringLiteral("乙分类测试"));
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(MainWindowTest, AboutCommandShowsTheOneAboutWindow)
{
    action("aboutAction")->trigger();
    EXPECT_TRUE(about.isVisible());
    about.close();
    action("aboutAction")->trigger();
    EXPECT_TRUE(about.isVisible());
    // Its last line names the folder of the open database, made absolute.
    EXPECT_EQ(testing::shownToolTip(about.ui().dataFolderLabel->toolTip()),
              QDir::toNativeSeparators(QFileInfo(fixture.path()).absolutePath()));
}

TEST_F(MainWindowTest, WebCommandsOpenTheSitesPages)
{
    const QString site = form->siteAddress();
    ASSERT_FALSE(site.isEmpty());
    QTest::mouseClick(form->ui().siteButton, Qt::LeftButton);
    action("homePageAction")->trigger();
    QTest::mouseClick(form->ui().updatesButton, Qt::LeftButton);
    action("updatesAction")->trigger();
    QTest::mouseClick(form->ui().booksButton, Qt::LeftButton);
    action("booksAction")->trigger();
    const QUrl home(homePageAddress(site)), updates(updatesPageAddress(site)), books(booksPageAddress(site));
    EXPECT_EQ(dialogs.opened, QList<QUrl>({home, home, updates, updates, books, books}));
}

TEST_F(MainWindowTest, LongInstructionsTakeAtMost200Pixels)
{
    form->ui().catalogTree->setCurrentIndex(treeRow(QStringLiteral("丙长说明")));
    QTest::mouseClick(form->ui().startButton, Qt::LeftButton);
    EXPECT_EQ(form->ui().instructionsPane->height(), 200);
}

TEST_F(MainWindowTest, OneLineOfInstructionsTakesTwoLines)
{
    QTest::mouseClick(form->ui().startButton, Qt::LeftButton);
    const int lineHeight = QFontMetrics(form->ui().instructionsView->font()).height();
    EXPECT_EQ(form->ui().instructionsPane->height(), 2 * lineHeight);
}

TEST_F(MainWindowTest, QuitCommandEndsTheEventLoopDuringARun)
{
    QTest::mouseClick(form->ui().startButton, Qt::LeftButton);
    QTimer::singleShot(0, form->ui().quitProgramButton, &QToolButton::click);
    QTimer::singleShot(5000, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

TEST(InstructionsPaneHeightTest, OneSpareLineUpTo200Pixels)
{
    struct Case {
        int lines;
        int lineHeight;
        int height;
    };
    const Case cases[] = {{0, 20, 0}, {1, 20, 40}, {8, 20, 180}, {9, 20, 200}, {30, 20, 200}, {3, 16, 64}};
    for (const Case &c : cases)
        EXPECT_EQ(instructionsPaneHeight(c.lines, c.lineHeight), c.height) << c.lines << " lines of " << c.lineHeight;
}

TEST(StartWithoutDatabaseTest, FiveErrorsThenAnEmptyWindow)
{
    FakeDialogs dialogs;
    QTemporaryDir empty;
    MainWindow form(empty.filePath(QStringLiteral("date.mdb")));
    form.show();
    EXPECT_EQ(dialogs.errors.size(), 5) << dialogs.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(form.ui().catalogTree->model()->rowCount(), 0);
    EXPECT_TRUE(form.ui().titleLabel->text().isEmpty());

    dialogs.errors.clear();
    form.ui().searchBox->insert(QStringLiteral("甲"));
    EXPECT_TRUE(dialogs.errors.isEmpty()) << "searching a closed catalog changes nothing visible";
}

// A question with more options than the pane shows at the design size: the
// option a key chooses is scrolled into view.
class LongChoiceTest : public testing::MainWindowHarness {};

TEST_F(LongChoiceTest, TheOptionAKeyChoosesIsScrolledIntoView)
{
    QByteArray options;
    for (int i = 1; i <= 16; ++i)
        options +=
            (i > 1 ? ", " : "") + QByteArray("[") + QByteArray::number(i) + ", \"选项" + QByteArray::number(i) + "\"]";
    FixtureDatabase fixture(R"({"tests": [{"id": 10, "name": "长选项", "remarks": "", "factor": 1,
      "questions": [{"text": "题", "options": [)" +
                            options + R"(]}],
      "verdicts": [{"thresholds": [], "texts": ["唯一"]}]}]})");
    openWindow(fixture.path(), QSize(688, 454));
    selectId(10);
    startSelected();
    QApplication::processEvents(); // laid out, as before any key a user presses
    ChoiceGroup *panel = choicePanel();
    ASSERT_NE(panel, nullptr);
    QScrollArea *pane = form->ui().questionPane;
    const auto inView = [&](int index) {
        const QWidget *item = panel->itemWidget(index);
        const QRect shown(item->mapTo(pane->viewport(), QPoint(0, 0)), item->size());
        return pane->viewport()->rect().contains(shown);
    };
    ASSERT_FALSE(inView(15)) << "the last option starts out of sight";
    panel->setFocus();
    QTest::keyClick(panel, Qt::Key_9);
    EXPECT_EQ(panel->itemIndex(), 8);
    EXPECT_TRUE(inView(8));
    for (int i = 9; i < 16; ++i)
        QTest::keyClick(panel, Qt::Key_Down);
    EXPECT_EQ(panel->itemIndex(), 15);
    EXPECT_TRUE(inView(15));
    QTest::keyClick(panel, Qt::Key_1);
    EXPECT_TRUE(inView(0));
    form.reset();
}

} // namespace
} // namespace lovetest
