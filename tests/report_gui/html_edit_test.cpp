#include <gtest/gtest.h>

#include <stdexcept>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include "data/codepage.h"
#include "fakes.h"
#include "report/html_edit.h"

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

class HtmlEditTest : public ::testing::Test {
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
    THtmlEdit view;
};

TEST_F(HtmlEditTest, StartsEditableWithABodyOnly)
{
    EXPECT_FALSE(view.ReadOnly());
    EXPECT_TRUE(view.Html().startsWith(QLatin1String("<body")));
    EXPECT_TRUE(view.Html().endsWith(QLatin1String("</body>")));
    EXPECT_TRUE(view.Text().isEmpty());
}

TEST_F(HtmlEditTest, WritesContinueThePageUntilClearStartsANewOne)
{
    view.setHtml(QStringLiteral("<p>第一段</p>"));
    view.setHtml(QStringLiteral("<p>第二段</p>"));
    EXPECT_EQ(view.Text(), QStringLiteral("第一段\n第二段"));

    view.Operate()->Clear();
    EXPECT_TRUE(view.Text().isEmpty());
    view.setHtml(QStringLiteral("<p>新的一页</p>"));
    EXPECT_EQ(view.Text(), QStringLiteral("新的一页"));
    const QString html = view.Html();
    EXPECT_TRUE(html.startsWith(QLatin1String("<body")));
    EXPECT_TRUE(html.endsWith(QLatin1String("</body>")));
    EXPECT_TRUE(html.contains(QStringLiteral("新的一页")));
    EXPECT_FALSE(html.contains(QStringLiteral("第一段")));
}

TEST_F(HtmlEditTest, ReadOnlyStopsEditingAndCanBeLifted)
{
    view.setHtml(QStringLiteral("<p>abc</p>"));
    view.moveCursor(QTextCursor::End);

    view.setReadOnly(true);
    EXPECT_TRUE(view.ReadOnly());
    QTest::keyClicks(&view, "x");
    EXPECT_EQ(view.Text(), QStringLiteral("abc"));

    view.setReadOnly(false);
    EXPECT_FALSE(view.ReadOnly());
    QTest::keyClicks(&view, "x");
    EXPECT_EQ(view.Text(), QStringLiteral("abcx"));
}

TEST_F(HtmlEditTest, SavesTheBodyInCodePage936AndNothingElse)
{
    view.setHtml(QStringLiteral("<p>爱情心理测试 &lt;一&gt;</p>"));
    const QString file = path(QStringLiteral("page.htm"));
    {
        // A longer file that is there already is truncated.
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x'));
    }

    view.SaveToFile(file);

    const QByteArray bytes = readAll(file);
    EXPECT_EQ(bytes, toCp936(view.Html()));
    EXPECT_TRUE(bytes.startsWith("<body"));
    EXPECT_TRUE(bytes.endsWith("</body>"));
    EXPECT_TRUE(bytes.contains(toCp936(QStringLiteral("爱情心理测试 &lt;一&gt;"))));
}

TEST_F(HtmlEditTest, SavesWhatTheUserTyped)
{
    view.setHtml(QStringLiteral("<p>原文</p>"));
    view.moveCursor(QTextCursor::End);
    QTest::keyClicks(&view, " edited");
    ASSERT_TRUE(view.Html().contains(QStringLiteral("原文 edited")));

    const QString file = path(QStringLiteral("edited.htm"));
    view.SaveToFile(file);
    EXPECT_TRUE(readAll(file).contains(toCp936(QStringLiteral("原文 edited"))));
}

TEST_F(HtmlEditTest, CharactersOutsideCodePage936AreSavedAsCharacterReferences)
{
    const std::pair<QString, QByteArray> cases[] = {{QStringLiteral("ก"), "&#xE01;"},
                                                    {QStringLiteral("😀"), "&#x1F600;"}};
    for (const auto &[foreign, reference] : cases) {
        SCOPED_TRACE(foreign.toStdString());
        view.Operate()->Clear();
        view.setHtml(QStringLiteral("<p>心a%1b</p>").arg(foreign));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        view.SaveToStream(buffer);
        EXPECT_TRUE(buffer.data().contains(toCp936(QStringLiteral("心a")) + reference + "b")) << buffer.data().constData();
        EXPECT_FALSE(buffer.data().contains('?'));
    }
}

// What the saved file shows, read back as a browser would, is what the view
// showed: non-breaking spaces, the euro sign and emoji included.
TEST_F(HtmlEditTest, TheSavedPageShowsWhatTheViewShowed)
{
    view.setHtml(QStringLiteral("<p>&nbsp;&nbsp;&nbsp;&nbsp;1.马上想办法 &amp; 价格 5€ 😊</p>"));
    ASSERT_TRUE(view.Html().contains(QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;1.")));
    ASSERT_FALSE(view.Html().contains(QChar(0xA0)));
    const QString file = path(QStringLiteral("page.htm"));
    view.SaveToFile(file);
    const QByteArray bytes = readAll(file);
    EXPECT_FALSE(bytes.contains('?'));
    QTextDocument reread;
    reread.setHtml(fromCp936(bytes));
    EXPECT_EQ(reread.toPlainText(), view.Text());
}

TEST_F(HtmlEditTest, AFileThatCannotBeCreatedNamesFileAndCause)
{
    const QString file = path(QStringLiteral("missing/page.htm"));
    const std::string expected = QStringLiteral("Cannot create file \"%1\". No such file or directory")
                                     .arg(QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()))
                                     .toStdString();
    EXPECT_EQ(errorOf([&] { view.SaveToFile(file); }), expected);
    EXPECT_FALSE(QFileInfo::exists(file));
}

TEST_F(HtmlEditTest, AFailingWriteIsAStreamWriteError)
{
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_EQ(errorOf([&] { view.SaveToStream(readOnly); }), "Stream write error");

    if (QFileInfo::exists(QStringLiteral("/dev/full"))) {
        EXPECT_EQ(errorOf([&] { view.SaveToFile(QStringLiteral("/dev/full")); }),
                  "Stream write error");
    }
}

TEST_F(HtmlEditTest, SelectAllThenCopyPutsThePageTextOnTheClipboard)
{
    view.setHtml(QStringLiteral("<h1>标题</h1><p>1. 问题</p><p>2. 选项</p>"));
    QApplication::clipboard()->clear();

    view.Operate()->SelectAll();
    view.Operate()->Copy();

    EXPECT_EQ(QApplication::clipboard()->text(), view.Text());
}

TEST_F(HtmlEditTest, RightPressOverThePageOpensTheOwnersMenuThere)
{
    view.setHtml(QStringLiteral("<p>第一行</p><p>第二行</p>"));
    QMenu menu;
    menu.addAction(QStringLiteral("全选"));
    view.setPopupMenu(&menu);
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

TEST_F(HtmlEditTest, TheEditorsOwnContextMenuNeverOpens)
{
    QMenu menu;
    view.setPopupMenu(&menu);
    // Should the editor's own menu run modally, close it so the test fails
    // instead of hanging.
    QMenu *foreignMenu = nullptr;
    QTimer::singleShot(0, [&] {
        if (auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            popup && popup != &menu) {
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

TEST_F(HtmlEditTest, RightPressWithoutAMenuIsStillSwallowed)
{
    view.setHtml(QStringLiteral("<p>第一行</p><p>第二行</p>"));
    view.moveCursor(QTextCursor::End);
    const int cursorBefore = view.textCursor().position();
    QTest::mousePress(view.viewport(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(view.textCursor().position(), cursorBefore);
    EXPECT_TRUE(visibleMenus().isEmpty());
}

class HtmlEditPrintTest : public HtmlEditTest {
protected:
    void SetUp() override
    {
        HtmlEditTest::SetUp();
        printDialogs.pdfFile = path(QStringLiteral("page.pdf"));
        view.setHtml(QStringLiteral("<h1>测试内容</h1><p>1. 问题一</p>"));
    }

    PdfPrintDialogs printDialogs;
    Installed<PrintDialogs, PdfPrintDialogs> installed{printDialogs};
};

TEST_F(HtmlEditPrintTest, PrintingToAPdfPrinterWritesAPdf)
{
    view.Operate()->Print(false);
    const QByteArray pdf = readAll(printDialogs.pdfFile);
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_GT(pdf.size(), 1000);
    EXPECT_EQ(printDialogs.previews, 0);
}

TEST_F(HtmlEditPrintTest, CancellingThePrintDialogPrintsNothing)
{
    printDialogs.accept = false;
    view.Operate()->Print(false);
    EXPECT_FALSE(QFileInfo::exists(printDialogs.pdfFile));
}

TEST_F(HtmlEditPrintTest, BothPreviewCommandsRenderThePage)
{
    view.Operate()->Print(true);
    EXPECT_EQ(printDialogs.previews, 1);
    EXPECT_TRUE(readAll(printDialogs.pdfFile).startsWith("%PDF"));

    QFile::remove(printDialogs.pdfFile);
    view.Operate()->PrintPreview();
    EXPECT_EQ(printDialogs.previews, 2);
    EXPECT_TRUE(readAll(printDialogs.pdfFile).startsWith("%PDF"));
}

} // namespace
} // namespace lovetest
