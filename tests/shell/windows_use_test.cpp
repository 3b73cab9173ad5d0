// The main window as a careful user meets it: the saved report page, long
// questions, answering by keyboard alone, dark palettes, what a screen
// reader hears, shortcuts, and the smaller things of the window's look.
#include <gtest/gtest.h>

#include <functional>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRubberBand>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QSplitterHandle>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QTreeView>

#include "data/codepage.h"
#include "data/test_database.h"
#include "report/html_view.h"
#include "report/report_window.h"
#include "run/test_run.h"
#include "shell/about_window.h"
#include "shell/catalog_keeper.h"
#include "shell/main_window.h"
#include "shell/run_companion.h"
#include "tests/shell/main_window_harness.h"
#include "tests/support/catalog_tests.h"
#include "tests/support/dark_palette.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/side_connection.h"
#include "widgets/bound_label.h"
#include "widgets/bound_text_view.h"
#include "widgets/capped_pane.h"
#include "widgets/catalog_tree_view.h"
#include "widgets/choice_group.h"
#include "widgets/fixed_colours.h"

namespace lovetest {
namespace {

// The main window on a copy of the sample database.
class SampleWindow : public testing::MainWindowHarness {
protected:
    void SetUp() override { open(); }

    void open()
    {
        ASSERT_TRUE(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("date.mdb"));
        form.reset();
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(QStringLiteral(SAMPLE_DATABASE), path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        openWindow(path, QSize(688, 454));
    }

    QList<qint64> testIds() { return testing::takeableTestIds(form->database()); }
    QString testName() { return form->database().catalog.fieldByName(QStringLiteral("Name"))->asString(); }

    QTemporaryDir dir;
};

// --- the saved page ---------------------------------------------------------

TEST_F(SampleWindow, TheSavedContentPageShowsWhatTheReportWindowShows)
{
    select(QStringLiteral("恋爱风格测试"));
    form->onContent();
    ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
    const QString file = dir.filePath(QStringLiteral("page.htm"));
    report.ui().htmlView->saveToFile(file);

    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    EXPECT_FALSE(bytes.contains("??")) << "non-breaking spaces became question marks";
    EXPECT_TRUE(bytes.contains("&nbsp;&nbsp;&nbsp;&nbsp;1."));
    QTextDocument reread;
    reread.setHtml(fromCp936(bytes));
    EXPECT_EQ(reread.toPlainText(), report.ui().htmlView->pageText());
}

// --- long questions -----------------------------------------------------------

// Every caption of a panel is shown whole inside the question pane: as wide
// as the pane at most, and as tall as its wrapped text needs.
void expectShownWhole(const ChoiceGroup &panel, const QScrollArea &pane, const QString &where)
{
    const int paneWidth = pane.viewport()->width();
    EXPECT_LE(panel.width(), paneWidth) << where.toStdString();
    for (const QLabel *label : panel.findChildren<QLabel *>()) {
        if (!label->isVisible())
            continue;
        const QPoint right = label->mapTo(&pane, QPoint(label->width(), label->height()));
        EXPECT_LE(right.x(), paneWidth) << where.toStdString() << ": " << label->text().toStdString();
        EXPECT_GE(label->height(), label->heightForWidth(label->width()))
            << where.toStdString() << ": " << label->text().toStdString();
    }
}

TEST_F(SampleWindow, EveryQuestionShowsItsWholeCaptionAndOptionsAtAnyWidth)
{
    for (const int width : {420, 688, 1366}) {
        form->resize(width, 740);
        QApplication::processEvents();
        for (const qint64 id : testIds()) {
            selectId(id);
            const QString name = testName();
            form->ui().stepButton->click();
            int questions = 0;
            while (form->run().phase() == TestRun::Phase::Answering) {
                ASSERT_LT(++questions, 40);
                ChoiceGroup *panel = choicePanel();
                ASSERT_NE(panel, nullptr);
                QApplication::processEvents();
                const QString where = QStringLiteral("%1 at %2, %3").arg(name).arg(width).arg(panel->caption());
                EXPECT_FALSE(form->ui().questionPane->horizontalScrollBar()->isVisible()) << where.toStdString();
                expectShownWhole(*panel, *form->ui().questionPane, where);
                panel->setItemIndex(0);
                form->ui().stepButton->click();
            }
            form->ui().quitButton->click(); // the category panel or the verdict: back to the start
            if (form->run().phase() != TestRun::Phase::Idle)
                form->ui().stepButton->click();
        }
    }
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
}

// --- answering by keyboard --------------------------------------------------

TEST_F(SampleWindow, EveryTestCanBeTakenWithDigitsAndEnterAlone)
{
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const auto press = [this](Qt::Key key) {
        QWidget *target = QApplication::focusWidget();
        QTest::keyClick(target ? target : form.get(), key);
    };
    for (const qint64 id : testIds()) {
        selectId(id);
        const std::string name = testName().toStdString();
        press(Qt::Key_Return); // 开始测试
        ASSERT_EQ(form->run().phase(), TestRun::Phase::Answering) << name;
        int steps = 0;
        while (ChoiceGroup *panel = choicePanel()) {
            ASSERT_LT(++steps, 40) << name;
            EXPECT_TRUE(panel->hasFocus()) << name << ": " << panel->caption().toStdString();
            const QString caption = panel->caption();
            press(Qt::Key_1);
            ASSERT_EQ(panel->itemIndex(), 0) << name << ": " << caption.toStdString();
            press(Qt::Key_Return);
            // The step is taken at once, not after a press animation.
            ASSERT_TRUE(choicePanel() == nullptr || choicePanel()->caption() != caption) << name;
        }
        ASSERT_NE(verdictView(), nullptr) << name;
        press(Qt::Key_Return); // 完成
        EXPECT_EQ(form->run().phase(), TestRun::Phase::Idle) << name;
    }
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('\n').toStdString();
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
}

// --- the window by keys alone ----------------------------------------------

// Every row of the content tables with its rowid, in file order.
QStringList fileRows(const QString &path)
{
    testing::SideConnection side(path);
    QStringList rows;
    for (const QString &table : {QStringLiteral("量表"), QStringLiteral("结果")}) {
        QSqlQuery query(side.database());
        EXPECT_TRUE(query.exec(QStringLiteral("SELECT rowid, * FROM \"%1\" ORDER BY rowid").arg(table)));
        while (query.next()) {
            QStringList values{table};
            for (int i = 0; i < query.record().count(); ++i)
                values << query.value(i).toString() + (query.value(i).isNull() ? QStringLiteral("<null>") : QString());
            rows << values.join(QLatin1Char('|'));
        }
    }
    return rows;
}

// Keys go to whatever has the focus, as a user presses them; typed Chinese
// arrives one committed character at a time.
class KeyedWindow : public SampleWindow {
protected:
    void SetUp() override
    {
        SampleWindow::SetUp();
        activate(form.get());
    }
    void activate(QWidget *window)
    {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
    QWidget *focused() const
    {
        QWidget *target = QApplication::focusWidget();
        if (!target) // a window without a control that takes the focus
            target = QApplication::activeWindow();
        return target ? target : form.get();
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(focused(), key, modifiers);
    }
    void type(const QString &text)
    {
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, focused(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    // The rows the tree shows, top to bottom, as folder/test paths.
    QStringList shownRows() const
    {
        QTreeView *tree = form->ui().catalogTree;
        QModelIndex at;
        for (int row = 0; row < tree->model()->rowCount() && !at.isValid(); ++row) {
            if (!tree->isRowHidden(row, {}))
                at = tree->model()->index(row, 0);
        }
        QStringList rows;
        for (; at.isValid(); at = tree->indexBelow(at)) {
            const QString label = at.data().toString();
            rows << (at.parent().isValid() ? at.parent().data().toString() + QLatin1Char('/') + label : label);
        }
        return rows;
    }
    QString selectedRow() const
    {
        const CatalogTreeView *tree = form->ui().catalogTree;
        return tree->selectedKey() ? tree->labelOf(*tree->selectedKey()) : QString();
    }
    void answerAll()
    {
        for (int steps = 0; choicePanel() && steps < 40; ++steps) {
            press(Qt::Key_1);
            press(Qt::Key_Return);
        }
    }
};

TEST_F(KeyedWindow, SearchQuitFinishAndEscapeByKeys)
{
    const QString tree = QStringLiteral("catalogTree");
    const struct Case {
        const char *name;
        std::function<void()> run;
    } cases[] = {
        {"a match under a folder that does not match is reached with Down and started with Enter",
         [&] {
             form->ui().searchBox->setFocus();
             type(QStringLiteral("冷战"));
             EXPECT_EQ(shownRows(), QStringList({"矛盾与修复", "矛盾与修复/冷战倾向测试"}));
             press(Qt::Key_Down);
             EXPECT_EQ(focused()->objectName(), tree);
             EXPECT_EQ(selectedRow(), QStringLiteral("冷战倾向测试"));
             press(Qt::Key_Return);
             EXPECT_EQ(form->run().phase(), TestRun::Phase::Answering);
             EXPECT_EQ(testName(), QStringLiteral("冷战倾向测试"));
         }},
        {"a folder whose name matches shows all its tests",
         [&] {
             form->ui().searchBox->setFocus();
             type(QStringLiteral("修复"));
             EXPECT_EQ(shownRows(),
                       QStringList({"矛盾与修复", "矛盾与修复/分手后的自我修复", "矛盾与修复/你会怎样道歉",
                                    "矛盾与修复/信任受损之后", "矛盾与修复/冷战倾向测试"}));
             EXPECT_EQ(selectedRow(), QStringLiteral("矛盾与修复"));
         }},
        {"clearing the search brings the tree back as it was with the match selected",
         [&] {
             form->ui().catalogTree->setFocus();
             press(Qt::Key_Right); // opens 认识自己, the selected folder
             const QStringList before = shownRows();
             ASSERT_TRUE(before.contains(QStringLiteral("认识自己/恋爱风格测试")));
             press(Qt::Key_Tab, Qt::ShiftModifier);
             ASSERT_EQ(focused(), form->ui().searchBox);
             type(QStringLiteral("恋"));
             EXPECT_TRUE(shownRows().contains(QStringLiteral("承诺与未来/异地恋适应力测试")));
             EXPECT_FALSE(shownRows().contains(QStringLiteral("相处与沟通")));
             press(Qt::Key_Down);
             press(Qt::Key_Down);
             EXPECT_EQ(selectedRow(), QStringLiteral("恋爱风格测试"));
             press(Qt::Key_Tab, Qt::ShiftModifier);
             ASSERT_EQ(focused(), form->ui().searchBox);
             press(Qt::Key_Backspace);
             EXPECT_EQ(shownRows(), before);
             EXPECT_EQ(selectedRow(), QStringLiteral("恋爱风格测试"));
             EXPECT_EQ(testName(), QStringLiteral("恋爱风格测试"));
         }},
        {"nothing matches: the tree is empty and Enter starts nothing",
         [&] {
             form->ui().searchBox->setFocus();
             type(QStringLiteral("没有这个"));
             EXPECT_TRUE(shownRows().isEmpty());
             press(Qt::Key_Return);
             EXPECT_EQ(form->run().phase(), TestRun::Phase::Idle);
             EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("请先在目录中选择一个测试。")});
         }},
        {"quitting with answers asks with No as the default and Enter keeps the run",
         [&] {
             select(QStringLiteral("恋爱风格测试"));
             press(Qt::Key_Return); // 开始测试
             press(Qt::Key_1);
             press(Qt::Key_Return);
             press(Qt::Key_1);
             press(Qt::Key_Return);
             press(Qt::Key_Tab); // 下一步
             press(Qt::Key_Tab); // 退出测试
             ASSERT_EQ(focused(), form->ui().quitButton);
             dialogs.answers = {false, true}; // Enter on the default button; then 是
             press(Qt::Key_Return);
             ASSERT_EQ(dialogs.questions.size(), 1);
             EXPECT_EQ(dialogs.questions[0].text, QStringLiteral("要放弃这次测试吗？已答的 2 题不会保存。"));
             EXPECT_EQ(dialogs.questions[0].defaultAnswer, Dialogs::DefaultAnswer::No);
             EXPECT_EQ(form->run().phase(), TestRun::Phase::Answering);
             EXPECT_EQ(form->run().questionNumber(), 3);
             press(Qt::Key_Return);
             EXPECT_EQ(dialogs.questions.size(), 2);
             EXPECT_EQ(form->run().phase(), TestRun::Phase::Idle);
         }},
        {"quitting before any answer asks nothing",
         [&] {
             select(QStringLiteral("恋爱风格测试"));
             press(Qt::Key_Return);
             press(Qt::Key_Tab);
             press(Qt::Key_Tab);
             press(Qt::Key_Return);
             EXPECT_TRUE(dialogs.questions.isEmpty());
             EXPECT_EQ(form->run().phase(), TestRun::Phase::Idle);
         }},
        {"after 完成 Down and Enter pick and start the next test",
         [&] {
             select(QStringLiteral("你的恋爱节奏"));
             press(Qt::Key_Return);
             answerAll();
             ASSERT_NE(verdictView(), nullptr);
             press(Qt::Key_Return); // 完成
             EXPECT_EQ(focused()->objectName(), tree);
             EXPECT_EQ(selectedRow(), QStringLiteral("你的恋爱节奏"));
             press(Qt::Key_Down);
             EXPECT_EQ(selectedRow(), QStringLiteral("恋爱风格测试"));
             press(Qt::Key_Return);
             EXPECT_EQ(form->run().phase(), TestRun::Phase::Answering);
             EXPECT_EQ(testName(), QStringLiteral("恋爱风格测试"));
         }},
        {"a folder's delete names its tests, Enter cancels, and Ctrl+Z undoes a confirmed one",
         [&] {
             const QString path = dir.filePath(QStringLiteral("date.mdb"));
             const QStringList file = fileRows(path);
             select(QStringLiteral("矛盾与修复"));
             form->ui().catalogTree->setFocus();
             dialogs.answers = {false}; // Enter on the default button
             press(Qt::Key_Delete);
             ASSERT_EQ(dialogs.questions.size(), 1);
             EXPECT_EQ(dialogs.questions[0].text,
                       QStringLiteral("Do you want to delete the item \"矛盾与修复\" 以及其中的 4 个测试"));
             EXPECT_EQ(dialogs.questions[0].defaultAnswer, Dialogs::DefaultAnswer::No);
             EXPECT_EQ(fileRows(path), file);

             dialogs.answers = {true};
             press(Qt::Key_Delete);
             EXPECT_FALSE(form->ui().catalogTree->hasNode(40));
             EXPECT_FALSE(form->ui().catalogTree->hasNode(1300));
             testing::SideConnection side(path);
             EXPECT_EQ(side.scalar(QStringLiteral("SELECT count(*) FROM 量表 WHERE Parent IN "
                                                  "(SELECT ID FROM 量表 WHERE Parent=40) OR Parent=40"))
                           .toInt(),
                       0);
             EXPECT_LT(fileRows(path).size(), file.size() - 37);

             press(Qt::Key_Z, Qt::ControlModifier);
             EXPECT_EQ(fileRows(path), file);
             EXPECT_TRUE(form->ui().catalogTree->hasNode(1300));
             EXPECT_EQ(selectedRow(), QStringLiteral("矛盾与修复"));
             EXPECT_FALSE(form->catalogKeeper().undoAction()->isEnabled());
         }},
        {"a deletion the file refuses halfway leaves every row and node in place",
         [&] {
             const QString path = dir.filePath(QStringLiteral("date.mdb"));
             // The second catalog row of the folder, then the first verdict row.
             const QString triggers[] = {QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON 量表 WHEN old.ID=2800"
                                                        " BEGIN SELECT RAISE(ABORT, 'rows are kept'); END"),
                                         QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON 结果"
                                                        " BEGIN SELECT RAISE(ABORT, 'rows are kept'); END")};
             for (const QString &trigger : triggers) {
                 testing::SideConnection(path).exec(trigger);
                 const QStringList file = fileRows(path);
                 select(QStringLiteral("矛盾与修复"));
                 form->ui().catalogTree->setFocus();
                 dialogs.answers = {true};
                 press(Qt::Key_Delete);
                 EXPECT_EQ(dialogs.errors,
                           QStringList{QStringLiteral("没能删除“矛盾与修复”，目录保持原样：rows are kept")});
                 dialogs.errors.clear();
                 EXPECT_EQ(fileRows(path), file);
                 EXPECT_TRUE(form->ui().catalogTree->hasNode(40));
                 EXPECT_TRUE(form->ui().catalogTree->hasNode(1300));
                 EXPECT_TRUE(form->ui().catalogTree->hasNode(2800));
                 EXPECT_FALSE(form->catalogKeeper().undoAction()->isEnabled());
                 testing::SideConnection(path).exec(QStringLiteral("DROP TRIGGER keep"));
             }
         }},
        {"restoring the sample tests brings back a deleted test that can be taken",
         [&] {
             select(QStringLiteral("恋爱风格测试"));
             form->ui().catalogTree->setFocus();
             dialogs.answers = {true};
             press(Qt::Key_Delete);
             ASSERT_FALSE(form->ui().catalogTree->hasNode(100));
             form->catalogKeeper().setSampleFile(QStringLiteral(SAMPLE_DATABASE));
             form->catalogKeeper().restoreAction()->trigger();
             EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("已恢复 1 个示例测试：恋爱风格测试。")});
             EXPECT_EQ(selectedRow(), QStringLiteral("恋爱风格测试"));
             // Its undo has nothing left to do.
             press(Qt::Key_Z, Qt::ControlModifier);
             EXPECT_EQ(dialogs.messages.size(), 2);
             press(Qt::Key_Return);
             EXPECT_EQ(form->run().phase(), TestRun::Phase::Answering);
             ASSERT_NE(choicePanel(), nullptr);
         }},
        {"Escape closes the report window and the About window",
         [&] {
             select(QStringLiteral("恋爱风格测试"));
             press(Qt::Key_F5);
             ASSERT_TRUE(report.isVisible());
             activate(&report);
             press(Qt::Key_Escape);
             EXPECT_FALSE(report.isVisible());
             form->ui().aboutAction->trigger();
             activate(&about);
             press(Qt::Key_Escape);
             EXPECT_FALSE(about.isVisible());
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        open();
        dialogs.questions.clear();
        dialogs.messages.clear();
        activate(form.get());
        c.run();
        EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
    }
}

// --- light and dark palettes ------------------------------------------------

// The colour behind a widget: its own when it fills its background (text
// views fill their viewport with the base colour), else its parent's.
QColor backgroundOf(const QWidget *widget)
{
    for (const QWidget *at = widget; at; at = at->parentWidget()) {
        if (auto *view = qobject_cast<const QAbstractScrollArea *>(at))
            return view->viewport()->palette().color(view->viewport()->backgroundRole());
        if (at->autoFillBackground() || at->isWindow())
            return at->palette().color(at->backgroundRole());
    }
    return Qt::white;
}

QColor foregroundOf(const QWidget *widget)
{
    if (qobject_cast<const QAbstractScrollArea *>(widget))
        return widget->palette().color(QPalette::Text);
    return widget->palette().color(widget->foregroundRole());
}

class PaletteScope {
public:
    explicit PaletteScope(const QPalette &palette) : m_saved(QApplication::palette())
    {
        QApplication::setPalette(palette);
    }
    ~PaletteScope() { QApplication::setPalette(m_saved); }

private:
    QPalette m_saved;
};

TEST_F(SampleWindow, EveryTextReadsUnderALightAndADarkPalette)
{
    const std::pair<const char *, QPalette> palettes[] = {{"light", QApplication::style()->standardPalette()},
                                                          {"dark", testing::darkDesktopPalette()}};
    for (const auto &[paletteName, palette] : palettes) {
        PaletteScope scope(palette);
        form.reset();
        open();
        select(QStringLiteral("恋爱风格测试")); // its first question has instructions
        form->ui().stepButton->click();
        ChoiceGroup *panel = choicePanel();
        ASSERT_NE(panel, nullptr);
        ASSERT_GT(form->ui().instructionsPane->height(), 0);
        std::vector<std::pair<std::string, const QWidget *>> texts;
        texts.emplace_back("title", form->ui().titleLabel);
        texts.emplace_back("instructions", form->ui().instructionsView);
        for (const QLabel *label : panel->findChildren<QLabel *>())
            texts.emplace_back("choice " + label->text().toStdString(), label);
        for (const auto &[what, widget] : texts) {
            EXPECT_GE(contrastRatio(foregroundOf(widget), backgroundOf(widget)), 4.5)
                << paletteName << ": " << what << " " << foregroundOf(widget).name().toStdString() << " on "
                << backgroundOf(widget).name().toStdString();
        }
        while (form->run().phase() == TestRun::Phase::Answering) {
            choicePanel()->setItemIndex(0);
            form->ui().stepButton->click();
        }
        ASSERT_NE(verdictView(), nullptr);
        EXPECT_GE(contrastRatio(foregroundOf(verdictView()), backgroundOf(verdictView())), 4.5) << paletteName;
    }
}

// --- what a screen reader hears ----------------------------------------------

struct Announced {
    QAccessible::Role role;
    QString name;
    QString description;
};

void collect(QAccessibleInterface *node, QList<Announced> &into, int depth = 0)
{
    if (!node || depth > 40)
        return;
    if (!node->state().invisible)
        into.append({node->role(), node->text(QAccessible::Name), node->text(QAccessible::Description)});
    for (int i = 0; i < node->childCount(); ++i)
        collect(node->child(i), into, depth + 1);
}

QList<Announced> announced(QWidget *window)
{
    QList<Announced> all;
    collect(QAccessible::queryAccessibleInterface(window), all);
    return all;
}

bool contains(const QList<Announced> &all, QAccessible::Role role, const QString &name)
{
    return std::any_of(all.begin(), all.end(), [&](const Announced &a) { return a.role == role && a.name == name; });
}

TEST_F(SampleWindow, EveryControlIsAnnouncedByRoleAndChineseName)
{
    QList<Announced> idle = announced(form.get());
    EXPECT_TRUE(contains(idle, QAccessible::EditableText, QStringLiteral("搜索测试")));
    EXPECT_TRUE(contains(idle, QAccessible::Tree, QStringLiteral("测试目录")));
    EXPECT_TRUE(contains(idle, QAccessible::EditableText, QStringLiteral("测试说明")));
    EXPECT_TRUE(contains(idle, QAccessible::Button, QStringLiteral("开始测试")));

    select(QStringLiteral("恋爱风格测试"));
    form->ui().stepButton->click();
    ChoiceGroup *panel = choicePanel();
    ASSERT_NE(panel, nullptr);
    const QList<Announced> running = announced(form.get());
    EXPECT_TRUE(contains(running, QAccessible::Grouping, panel->caption()));
    EXPECT_TRUE(contains(running, QAccessible::EditableText, QStringLiteral("填写说明")));
    EXPECT_TRUE(contains(running, QAccessible::Button, QStringLiteral("下一步")));
    EXPECT_TRUE(contains(running, QAccessible::Button, QStringLiteral("退出测试")));
    for (int i = 0; i < panel->count(); ++i)
        EXPECT_TRUE(contains(running, QAccessible::RadioButton, panel->itemCaption(i))) << i;
    EXPECT_FALSE(contains(running, QAccessible::CheckBox, QString()));

    while (form->run().phase() == TestRun::Phase::Answering) {
        choicePanel()->setItemIndex(0);
        form->ui().stepButton->click();
    }
    ASSERT_NE(verdictView(), nullptr);
    const QList<Announced> verdict = announced(form.get());
    const auto view = std::find_if(verdict.begin(), verdict.end(),
                                   [](const Announced &a) { return a.name == QStringLiteral("测试结果"); });
    ASSERT_NE(view, verdict.end());
    EXPECT_TRUE(view->description.contains(verdictView()->toPlainText().section(QLatin1Char('\n'), 2)));
}

// --- keyboard reach -------------------------------------------------------------

TEST_F(SampleWindow, MenusAndShortcutsReachTheToolbarsCommands)
{
    EXPECT_TRUE(form->ui().testMenu->title().contains(QStringLiteral("(&O)")));
    EXPECT_TRUE(form->ui().helpMenu->title().contains(QStringLiteral("(&H)")));
    EXPECT_TRUE(form->ui().contentAction->shortcuts().contains(QKeySequence(Qt::Key_F5)));
    EXPECT_TRUE(form->ui().contentAction->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_R)));
    EXPECT_EQ(form->ui().quitAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));

    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    select(QStringLiteral("恋爱风格测试"));
    QTest::keyClick(form.get(), Qt::Key_F5);
    EXPECT_TRUE(report.isVisible());
    EXPECT_EQ(report.windowTitle(), QStringLiteral("恋爱风格测试"));

    // The report window's save, print and preview by key.
    const QString file = dir.filePath(QStringLiteral("keyed.htm"));
    dialogs.nextSaveName = file;
    report.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&report));
    QTest::keyClick(&report, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(QFile::exists(file));
    QStringList keys;
    for (const QAction *action : report.actions())
        keys << action->shortcut().toString();
    for (const char *expected : {"Ctrl+A", "Ctrl+C", "Ctrl+S", "Ctrl+P", "Ctrl+Shift+P"})
        EXPECT_TRUE(keys.contains(QString::fromLatin1(expected))) << expected;
}

// --- the smaller things ---------------------------------------------------------

TEST_F(SampleWindow, SmallWindowsKeepTheirSizeAndEveryControlInReach)
{
    // The smallest window still shows both run buttons whole.
    form->resize(100, 100);
    EXPECT_EQ(form->size(), form->minimumSize());
    select(QStringLiteral("恋爱风格测试"));
    form->ui().stepButton->click();
    QApplication::processEvents();
    for (QWidget *control :
         {static_cast<QWidget *>(form->ui().stepButton), static_cast<QWidget *>(form->ui().quitButton)}) {
        const QRect shown(control->mapTo(form.get(), QPoint()), control->size());
        EXPECT_TRUE(form->rect().contains(shown)) << control->objectName().toStdString();
        EXPECT_TRUE(form->ui().buttonBar->rect().contains(control->geometry())) << control->objectName().toStdString();
    }
    form->ui().quitButton->click();

    // A short window does not grow when a question with instructions shows.
    form->resize(688, 300);
    QApplication::processEvents();
    const QSize before = form->size();
    form->ui().stepButton->click();
    QApplication::processEvents();
    EXPECT_EQ(form->size(), before);
    EXPECT_GT(form->ui().instructionsPane->height(), 0);
}

TEST_F(SampleWindow, TheSearchBoxLooksDisabledDuringARun)
{
    selectId(100);
    const QImage enabled = form->ui().searchBox->grab().toImage();
    form->ui().stepButton->click();
    ASSERT_FALSE(form->ui().searchBox->isEnabled());
    const QImage disabled = form->ui().searchBox->grab().toImage();
    EXPECT_NE(enabled, disabled);
}

TEST_F(SampleWindow, DraggingTheSplitterShowsAHatchedLine)
{
    QSplitterHandle *handle = form->ui().splitter->handle(1);
    const QPoint start = handle->rect().center();
    QTest::mousePress(handle, Qt::LeftButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(40, 0)),
                     handle->mapToGlobal(QPointF(start + QPoint(40, 0))), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &move);
    auto *band = form->ui().splitter->findChild<QRubberBand *>();
    ASSERT_NE(band, nullptr);
    ASSERT_TRUE(band->isVisible());
    const QImage line = band->grab().toImage();
    QTest::mouseRelease(handle, Qt::LeftButton, {}, start + QPoint(40, 0));
    // Neighbouring pixels alternate: a hatch, not a solid or translucent band.
    ASSERT_GE(line.width(), 2);
    const int y = line.height() / 2;
    EXPECT_NE(line.pixel(0, y), line.pixel(1, y));
    EXPECT_EQ(line.pixel(0, y), line.pixel(1, y + 1));
}

// Every shown button of the window whole: inside its parent and inside the
// window. Choices inside the question pane scroll, so for them only the
// width counts.
void expectButtonsWhole(const QMainWindow &window, const QWidget &scrolled, const char *state)
{
    SCOPED_TRACE(state);
    for (const QAbstractButton *button : window.findChildren<QAbstractButton *>()) {
        if (!button->isVisibleTo(&window) || !button->parentWidget())
            continue;
        const std::string name = (button->objectName() + QLatin1Char(' ') + button->text()).toStdString();
        const QRect inWindow(button->mapTo(&window, QPoint()), button->size());
        if (scrolled.isAncestorOf(button)) {
            const int left = button->mapTo(&scrolled, QPoint()).x();
            EXPECT_GE(left, 0) << name;
            EXPECT_LE(left + button->width(), scrolled.width()) << name;
            continue;
        }
        EXPECT_TRUE(button->parentWidget()->rect().contains(button->geometry())) << name;
        EXPECT_TRUE(window.rect().contains(inWindow)) << name;
        // A parent cut by its own parent cuts the button too.
        const QRect parentInWindow(button->parentWidget()->mapTo(&window, QPoint()), button->parentWidget()->size());
        EXPECT_TRUE(window.rect().contains(parentInWindow.intersected(inWindow))) << name;
    }
}

TEST_F(SampleWindow, AtTheMinimumSizeEveryButtonIsWhole)
{
    form->resize(form->minimumSize());
    select(QStringLiteral("恋爱风格测试"));
    QApplication::processEvents();
    const QWidget &scrolled = *form->ui().questionPane->viewport();
    expectButtonsWhole(*form, scrolled, "idle");
    form->ui().stepButton->click();
    QApplication::processEvents();
    ASSERT_TRUE(form->companion().ui().backButton->isVisible());
    expectButtonsWhole(*form, scrolled, "question");
    while (ChoiceGroup *panel = choicePanel()) {
        panel->setItemIndex(0);
        form->ui().stepButton->click();
    }
    QApplication::processEvents();
    ASSERT_TRUE(form->companion().ui().saveButton->isVisible());
    expectButtonsWhole(*form, scrolled, "verdict");
    EXPECT_EQ(form->size(), form->minimumSize());
}

TEST_F(SampleWindow, TheLastOptionOfALongQuestionShowsAboveTheProgressLine)
{
    // Question 9 of this test has instructions and five options.
    select(QStringLiteral("爱的表达力测试"));
    form->ui().stepButton->click();
    for (int i = 0; i < 8; ++i)
        answer({0});
    QApplication::processEvents();
    ChoiceGroup *panel = choicePanel();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(panel->title().contains(QStringLiteral("9."))) << panel->title().toStdString();
    const QLabel *progress = form->companion().ui().progressLine;
    ASSERT_TRUE(progress->isVisible());
    QWidget *last = panel->itemWidget(panel->count() - 1);
    ASSERT_NE(last, nullptr);
    const int lastBottom = last->mapTo(form.get(), QPoint(0, last->height())).y();
    const int progressTop = progress->parentWidget()->mapTo(form.get(), QPoint()).y();
    EXPECT_LE(lastBottom, progressTop);
    // and it is not merely scrolled out of sight below the pane
    const QWidget *viewport = form->ui().questionPane->viewport();
    EXPECT_LE(lastBottom, viewport->mapTo(form.get(), QPoint(0, viewport->height())).y());
}

} // namespace
} // namespace lovetest
