#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>

#include <sys/resource.h>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include "data/codepage.h"
#include "fakes.h"
#include "report/html_view.h"
#include "tests/support/file_size_limit.h"

namespace lovetest {
namespace {

using testing::Installed;
using testing::PdfPrintDialogs;

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

std::string errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const std::exception &e) {
        return e.what();
    }
    return "(no error)";
}

// Menus that are on screen right now.
QList<QMenu *> visibleMenus()
{
    QList<QMenu *> menus;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *menu = qobject_cast<QMenu *>(widget); menu && menu->isVisible())
            menus << menu;
    }
    return menus;
}

class HtmlViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        view.resize(400, 300);
        view.show();
    }
    void TearDown() override
    {
        for (QMenu *menu : visibleMenus())
            menu->close();
    }

    QString path(const QString &name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    HtmlView view;
};

TEST_F(HtmlViewTest, StartsEditableWithABodyOnly)
{
    EXPECT_FALSE(view.isReadOnly());
    EXPECT_TRUE(view.pageHtml().startsWith(QLatin1String("<body")));
    EXPECT_TRUE(view.pageHtml().endsWith(QLatin1String("</body>")));
    EXPECT_TRUE(view.pageText().isEmpty());
}

TEST_F(HtmlViewTest, WritesContinueThePageUntilClearStartsANewOne)
{
    view.setHtml(QStringLiteral("<p>第一段</p>"));
    view.setHtml(QStringLiteral("<p>第二段</p>"));
    EXPECT_EQ(view.pageText(), QStringLiteral("第一段\n第二段"));

    view.commands()->clear();
    EXPECT_TRUE(view.pageText().isEmpty());
    view.setHtml(QStringLiteral("<p>新的一页</p>"));
    EXPECT_EQ(view.pageText(), QStringLiteral("新的一页"));
    const QString html = view.pageHtml();
    EXPECT_TRUE(html.startsWith(QLatin1String("<body")));
    EXPECT_TRUE(html.endsWith(QLatin1String("</body>")));
    EXPECT_TRUE(html.contains(QStringLiteral("新的一页")));
    EXPECT_FALSE(html.contains(QStringLiteral("第一段")));
}

TEST_F(HtmlViewTest, ReadOnlyStopsEditingAndCanBeLifted)
{
    view.setHtml(QStringLiteral("<p>abc</p>"));
    view.moveCursor(QTextCursor::End);

    view.setReadOnly(true);
    EXPECT_TRUE(view.isReadOnly());
    QTest::keyClicks(&view, "x");
    EXPECT_EQ(view.pageText(), QStringLiteral("abc"));

    view.setReadOnly(false);
    EXPECT_FALSE(view.isReadOnly());
    QTest::keyClicks(&view, "x");
    EXPECT_EQ(view.pageText(), QStringLiteral("abcx"));
}

TEST_F(HtmlViewTest, SavesTheBodyInCodePage936AndNothingElse)
{
    view.setHtml(QStringLiteral("<p>爱情心理测试 &lt;一&gt;</p>"));
    const QString file = path(QStringLiteral("page.htm"));
    {
        // A longer file that is there already is truncated.
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x'));
    }

    view.saveToFile(file);

    const QByteArray bytes = readAll(file);
    EXPECT_EQ(bytes, toCp936(view.pageHtml()));
    EXPECT_TRUE(bytes.startsWith("<body"));
    EXPECT_TRUE(bytes.endsWith("</body>"));
    EXPECT_TRUE(bytes.contains(toCp936(QStringLiteral("爱情心理测试 &lt;一&gt;"))));
}

TEST_F(HtmlViewTest, SavesWhatTheUserTyped)
{
    view.setHtml(QStringLiteral("<p>原文</p>"));
    view.moveCursor(QTextCursor::End);
    QTest::keyClicks(&view, " edited");
    ASSERT_TRUE(view.pageHtml().contains(QStringLiteral("原文 edited")));

    const QString file = path(QStringLiteral("edited.htm"));
    view.saveToFile(file);
    EXPECT_TRUE(readAll(file).contains(toCp936(QStringLiteral("原文 edited"))));
}

TEST_F(HtmlViewTest, CharactersOutsideCodePage936AreSavedAsCharacterReferences)
{
    const std::pair<QString, QByteArray> cases[] = {{QStringLiteral("ก"), "&#xE01;"},
                                                    {QStringLiteral("😀"), "&#x1F600;"}};
    for (const auto &[foreign, reference] : cases) {
        SCOPED_TRACE(foreign.toStdString());
        view.commands()->clear();
        view.setHtml(QStringLiteral("<p>心a%1b</p>").arg(foreign));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        view.saveToStream(buffer);
        EXPECT_TRUE(buffer.data().contains(toCp936(QStringLiteral("心a")) + reference + "b"))
            << buffer.data().constData();
        EXPECT_FALSE(buffer.data().contains('?'));
    }
}

// What the saved file shows, read back as a browser would, is what the view
// showed: non-breaking spaces, the euro sign and emoji included.
TEST_F(HtmlViewTest, TheSavedPageShowsWhatTheViewShowed)
{
    view.setHtml(QStringLiteral("<p>&nbsp;&nbsp;&nbsp;&nbsp;1.马上想办法 &amp; 价格 5€ 😊</p>"));
    ASSERT_TRUE(view.pageHtml().contains(QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;1.")));
    ASSERT_FALSE(view.pageHtml().contains(QChar(0xA0)));
    const QString file = path(QStringLiteral("page.htm"));
    view.saveToFile(file);
    const QByteArray bytes = readAll(file);
    EXPECT_FALSE(bytes.contains('?'));
    QTextDocument reread;
    reread.setHtml(fromCp936(bytes));
    EXPECT_EQ(reread.toPlainText(), view.pageText());
}

TEST_F(HtmlViewTest, AFileThatCannotBeCreatedNamesFileAndCause)
{
    const QString file = path(QStringLiteral("missing/page.htm"));
    const std::string expected = QStringLiteral("Cannot create file \"%1\". No such file or directory")
                                     .arg(QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()))
                                     .toStdString();
    EXPECT_EQ(errorOf([&] { view.saveToFile(file); }), expected);
    EXPECT_FALSE(QFileInfo::exists(file));
}

TEST_F(HtmlViewTest, AFailingWriteIsAStreamWriteError)
{
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_EQ(errorOf([&] { view.saveToStream(readOnly); }), "Stream write error");

    if (QFileInfo::exists(QStringLiteral("/dev/full"))) {
        EXPECT_EQ(errorOf([&] { view.saveToFile(QStringLiteral("/dev/full")); }), "Stream write error");
    }
}

// A save that fails part way leaves the file it was replacing whole. The
// write is made to fail with a file size limit, which binds root as well.
TEST_F(HtmlViewTest, AFailedSaveLeavesTheOldFileWhole)
{
    const QString file = path(QStringLiteral("page.htm"));
    const QByteArray old = QByteArray("<body>the page saved before</body>").repeated(8);
    {
        QFile existing(file);
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write(old);
    }
    view.setHtml(QStringLiteral("<p>%1</p>").arg(QString(4000, QChar(0x7231))));
    ASSERT_GT(toCp936(view.pageHtml()).size(), 2 * old.size());

    testing::FileSizeLimit limit(rlim_t(old.size()) + 16);
    ASSERT_TRUE(limit.applied());

    EXPECT_EQ(errorOf([&] { view.saveToFile(file); }), "Stream write error");
    EXPECT_EQ(readAll(file), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("page.htm")});
}

TEST_F(HtmlViewTest, SelectAllThenCopyPutsThePageTextOnTheClipboard)
{
    view.setHtml(QStringLiteral("<h1>标题</h1><p>1. 问题</p><p>2. 选项</p>"));
    QApplication::clipboard()->clear();

    view.commands()->selectAll();
    view.commands()->copy();

    EXPECT_EQ(QApplication::clipboard()->text(), view.pageText());
}

TEST_F(HtmlViewTest, RightPressOverThePageOpensTheOwnersMenuThere)
{
    view.setHtml(QStringLiteral("<p>第一行</p><p>第二行</p>"));
    QMenu menu;
    menu.addAction(QStringLiteral("全选"));
    view.setContextMenu(&menu);
    view.moveCursor(QTextCursor::End);
    const int cursorBefore = view.textCursor().position();

    const QPoint where(20, 10);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, where);
    EXPECT_FALSE(menu.isVisible());

    const int afterLeftClick = view.textCursor().position();
    EXPECT_NE(afterLeftClick, cursorBefore); // left presses reach the editor
    view.moveCursor(QTextCursor::End);

    QTest::mousePress(view.viewport(), Qt::RightButton, {}, where);
    EXPECT_TRUE(menu.isVisible());
    EXPECT_EQ(menu.pos(), view.viewport()->mapToGlobal(where));
    EXPECT_EQ(view.textCursor().position(), cursorBefore); // the editor never saw the press
    menu.close();
}

TEST_F(HtmlViewTest, TheEditorsOwnContextMenuNeverOpens)
{
    QMenu menu;
    view.setContextMenu(&menu);
    // Should the editor's own menu run modally, close it so the test fails
    // instead of hanging.
    QMenu *foreignMenu = nullptr;
    QTimer::singleShot(0, [&] {
        if (auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget()); popup && popup != &menu) {
            foreignMenu = popup;
            popup->close();
        }
    });

    const QPoint where(20, 10);
    QContextMenuEvent byMouse(QContextMenuEvent::Mouse, where, view.viewport()->mapToGlobal(where));
    QApplication::sendEvent(view.viewport(), &byMouse);
    EXPECT_TRUE(visibleMenus().isEmpty());

    QContextMenuEvent byKey(QContextMenuEvent::Keyboard, where, view.viewport()->mapToGlobal(where));
    QApplication::sendEvent(view.viewport(), &byKey);
    EXPECT_EQ(visibleMenus(), QList<QMenu *>{&menu});

    QApplication::processEvents();
    EXPECT_EQ(foreignMenu, nullptr);
}

TEST_F(HtmlViewTest, RightPressWithoutAMenuIsStillSwallowed)
{
    view.setHtml(QStringLiteral("<p>第一行</p><p>第二行</p>"));
    view.moveCursor(QTextCursor::End);
    const int cursorBefore = view.textCursor().position();
    QTest::mousePress(view.viewport(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(view.textCursor().position(), cursorBefore);
    EXPECT_TRUE(visibleMenus().isEmpty());
}

class HtmlViewPrintTest : public HtmlViewTest {
protected:
    void SetUp() override
    {
        HtmlViewTest::SetUp();
        printDialogs.pdfFile = path(QStringLiteral("page.pdf"));
        view.setHtml(QStringLiteral("<h1>测试内容</h1><p>1. 问题一</p>"));
    }

    PdfPrintDialogs printDialogs;
    Installed<PrintDialogs, PdfPrintDialogs> installed{printDialogs};
};

TEST_F(HtmlViewPrintTest, PrintingToAPdfPrinterWritesAPdf)
{
    view.commands()->print(false);
    const QByteArray pdf = readAll(printDialogs.pdfFile);
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_GT(pdf.size(), 1000);
    EXPECT_EQ(printDialogs.previews, 0);
}

TEST_F(HtmlViewPrintTest, CancellingThePrintDialogPrintsNothing)
{
    printDialogs.accept = false;
    view.commands()->print(false);
    EXPECT_FALSE(QFileInfo::exists(printDialogs.pdfFile));
}

TEST_F(HtmlViewPrintTest, BothPreviewCommandsRenderThePage)
{
    view.commands()->print(true);
    EXPECT_EQ(printDialogs.previews, 1);
    EXPECT_TRUE(readAll(printDialogs.pdfFile).startsWith("%PDF"));

    QFile::remove(printDialogs.pdfFile);
    view.commands()->printPreview();
    EXPECT_EQ(printDialogs.previews, 2);
    EXPECT_TRUE(readAll(printDialogs.pdfFile).startsWith("%PDF"));
}

} // namespace
} // namespace lovetest
