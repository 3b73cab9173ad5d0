#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QFile>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QTextEdit>

#include "data/test_database.h"
#include "run/test_run.h"
#include "shell/main_window.h"
#include "shell/run_companion.h"
#include "tests/shell/main_window_harness.h"
#include "tests/support/fixture_database.h"
#include "tools/content_check.h"
#include "tools/content_json.h"
#include "tools/database_build.h"
#include "tools/database_export.h"
#include "widgets/catalog_tree_view.h"
#include "widgets/choice_group.h"

#include <QLineEdit>
#include <QTemporaryDir>

namespace lovetest {
namespace {

QByteArray foldersContent()
{
    QFile file(QStringLiteral(FOLDERS_FIXTURE));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// A catalog with a folder, a test in it and a test under that test: the
// tree nests them, the folder is refused in words, the outer test runs its
// own two questions only.
class FolderCatalog : public testing::MainWindowHarness {};

TEST_F(FolderCatalog, FoldersNestAndOnlyTestsRun)
{
    testing::FixtureDatabase fixture(foldersContent());
    openWindow(fixture.path());

    QAbstractItemModel *tree = form->ui().catalogTree->model();
    const auto hits = tree->match(tree->index(0, 0), Qt::DisplayRole, QStringLiteral("下层测试"), 1,
                                  Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(hits.size(), 1);
    EXPECT_EQ(hits.first().parent().data().toString(), QStringLiteral("上层测试"));
    EXPECT_EQ(hits.first().parent().parent().data().toString(), QStringLiteral("认识自己"));

    selectId(10);
    EXPECT_TRUE(takeWithFirstChoices().isEmpty());
    EXPECT_EQ(dialogs.messages,
              QStringList{QStringLiteral("“认识自己”是一个分类，没有题目：请在它下面选择一个测试。")});
    EXPECT_EQ(form->ui().stepButton->text(), QStringLiteral("开始测试"));

    selectId(100);
    EXPECT_EQ(takeWithFirstChoices(5),
              QStringList({QStringLiteral("2-1.第一题    "), QStringLiteral("2-2.第二题    ")}));
    EXPECT_TRUE(verdictText().endsWith(QStringLiteral("多")));
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
    form.reset();
}

// 下一个测试 walks the tree as shown, a test's own child first, over the
// folders, and has nowhere to go from the last test.
TEST_F(FolderCatalog, NextTestFollowsTheTreeAcrossFoldersToTheLast)
{
    testing::FixtureDatabase fixture(foldersContent());
    openWindow(fixture.path());
    const auto takeAndGoOn = [this](std::initializer_list<int> items) -> std::optional<qint64> {
        startSelected();
        answer(items);
        QPushButton *next = form->companion().nextTestButton();
        if (!next || !next->isEnabled())
            return std::nullopt;
        next->click();
        QCoreApplication::processEvents();
        EXPECT_EQ(form->run().phase(), TestRun::Phase::Idle);
        return form->ui().catalogTree->selectedKey();
    };
    selectId(100);
    EXPECT_EQ(takeAndGoOn({0, 0}), 200);
    EXPECT_EQ(takeAndGoOn({0, 0}), 300); // past the folder 旧的分类
    EXPECT_EQ(takeAndGoOn({0}), std::nullopt);
    EXPECT_EQ(form->companion().nextTestButton()->toolTip(), QStringLiteral("这已是目录中的最后一个测试"));
    EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join('\n').toStdString();
}

// What the window stores under a new name, the authoring tool exports and
// builds again unchanged; what it could not, the window refuses.
TEST_F(FolderCatalog, ANameTheWindowKeepsSurvivesExportAndBuild)
{
    struct Case {
        const char *name;
        bool kept;
    };
    const Case cases[]{
        {"A<b>&爱", true},
        {"\"引号\" ‘单引号’ \\ 反斜杠 {} [1, 2]", true},
        {"ā é ü · — … ① ＡＢ", true},
        {"A<b>&😀", false},
        {"café ☕", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QString::fromUtf8(c.name);
        testing::FixtureDatabase fixture(foldersContent());
        openWindow(fixture.path());
        dialogs.messages.clear();
        selectId(100);
        CatalogTreeView *tree = form->ui().catalogTree;
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_F2);
        auto *editor = tree->viewport()->findChild<QLineEdit *>();
        ASSERT_NE(editor, nullptr);
        editor->setText(name);
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_EQ(dialogs.messages.size(), c.kept ? 0 : 1);
        form.reset();

        const content::Content exported = content::loadDatabase(fixture.path());
        const auto renamed = std::find_if(exported.tests.begin(), exported.tests.end(),
                                          [](const content::Test &test) { return test.id == 100; });
        ASSERT_NE(renamed, exported.tests.end());
        EXPECT_EQ(renamed->name, c.kept ? name : QStringLiteral("上层测试"));

        const content::ReadResult read = content::readContent(content::toContentJson(exported));
        ASSERT_FALSE(content::hasErrors(read.problems + content::checkContent(read.content)));
        QTemporaryDir dir;
        const QString rebuilt = dir.filePath(QStringLiteral("rebuilt.mdb"));
        content::buildDatabase(read.content, rebuilt);
        EXPECT_EQ(content::toContentJson(content::loadDatabase(rebuilt)), content::toContentJson(exported));
    }
}

} // namespace
} // namespace lovetest
