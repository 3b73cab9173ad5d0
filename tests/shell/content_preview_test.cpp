// The author's live preview: content files shown in the main window, built
// again when they change, errors in the status line.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include "shell/main_window.h"
#include "shell/preview/content_preview.h"
#include "tests/support/fake_dialogs.h"
#include "widgets/bound_label.h"
#include "widgets/catalog_tree_view.h"

namespace lovetest {
namespace {

class ContentPreviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        file = dir.filePath(QStringLiteral("tests.json"));
        QFile fixture(QStringLiteral(FOLDERS_FIXTURE));
        ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
        text = QString::fromUtf8(fixture.readAll());
        write(text);
    }

    void write(const QString &content)
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(content.toUtf8());
    }
    // As many editors save: a new file renamed over the old one.
    void replace(const QString &content)
    {
        QSaveFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(content.toUtf8());
        ASSERT_TRUE(out.commit());
    }

    // Saves the file and waits for the build it sets off.
    bool edit(ContentPreview &preview, const QString &content, bool byRename = false)
    {
        QSignalSpy built(&preview, &ContentPreview::rebuilt);
        if (byRename)
            replace(content);
        else
            write(content);
        if (!built.wait(5000))
            return false;
        return built.last().at(0).toBool();
    }

    static QString title(const ContentPreview &preview) { return preview.window()->ui().titleLabel->text(); }

    testing::FakeDialogs dialogs;
    QTemporaryDir dir;
    QString file;
    QString text;
};

TEST_F(ContentPreviewTest, AnEditShowsAtOnceOnTheSameTestAndNothingIsWrittenBesideTheFiles)
{
    ContentPreview preview({file});
    preview.show();
    ASSERT_NE(preview.window(), nullptr);
    CatalogTreeView *tree = preview.window()->ui().catalogTree;
    EXPECT_TRUE(tree->hasNode(100));
    EXPECT_TRUE(tree->hasNode(300));
    tree->setCurrentIndex(tree->indexOfKey(100));
    EXPECT_EQ(title(preview), QStringLiteral("上层测试"));

    ASSERT_TRUE(edit(preview, QString(text).replace(QStringLiteral("上层测试"), QStringLiteral("改过的测试"))));
    EXPECT_EQ(preview.window()->ui().catalogTree->selectedKey(), 100);
    EXPECT_EQ(title(preview), QStringLiteral("改过的测试"));
    EXPECT_TRUE(preview.window()->isVisible());
    EXPECT_TRUE(preview.window()->statusBar()->currentMessage().contains(QStringLiteral("已更新")));

    ASSERT_TRUE(edit(preview, QString(text).replace(QStringLiteral("上层测试"), QStringLiteral("又改的测试")), true));
    EXPECT_EQ(title(preview), QStringLiteral("又改的测试"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("tests.json")});
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(QLatin1Char('\n')).toStdString();
}

TEST_F(ContentPreviewTest, ContentWithErrorsKeepsTheLastGoodBuildAndSaysWhere)
{
    ContentPreview preview({file});
    preview.show();
    MainWindow *shown = preview.window();

    ASSERT_FALSE(edit(preview, QString(text).replace(QStringLiteral("\"factor\": 2"), QStringLiteral("\"factr\": 2"))));
    EXPECT_EQ(preview.window(), shown);
    const QString status = shown->statusBar()->currentMessage();
    EXPECT_TRUE(status.startsWith(QStringLiteral("内容有错"))) << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral("tests.json:10:"))) << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral("factr"))) << status.toStdString();
    EXPECT_TRUE(shown->ui().catalogTree->hasNode(200));

    // Mended, the preview goes on.
    ASSERT_TRUE(edit(preview, text));
    EXPECT_TRUE(preview.window()->ui().catalogTree->hasNode(200));
}

TEST_F(ContentPreviewTest, ABrokenFileAtStartShowsAnEmptyCatalogUntilItIsMended)
{
    write(QStringLiteral("{\"tests\": ["));
    ContentPreview preview({file});
    preview.show();
    ASSERT_NE(preview.window(), nullptr);
    EXPECT_FALSE(preview.window()->ui().catalogTree->hasNode(100));
    EXPECT_TRUE(preview.status().startsWith(QStringLiteral("内容有错"))) << preview.status().toStdString();

    ASSERT_TRUE(edit(preview, text));
    EXPECT_TRUE(preview.window()->ui().catalogTree->hasNode(100));
}

} // namespace
} // namespace lovetest
