#include <gtest/gtest.h>

#include <csignal>
#include <functional>

#include <sys/resource.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>

#include "data/codepage.h"
#include "fakes.h"
#include "report/comparison_page.h"
#include "report/html_view.h"
#include "report/report_window.h"
#include "report/result_card.h"
#include "report/result_page.h"
#include "run/pair_result.h"
#include "run/run_result.h"
#include "tests/support/file_size_limit.h"

namespace lovetest {
namespace {

using testing::FakeDialogs;
using testing::Installed;
using testing::PdfPrintDialogs;

const QString kSamplePage =
    QStringLiteral("<html><body><h2>爱情测试</h2><p>1. 你喜欢什么颜色?</p><p>1) 红色<br>2) 蓝色</p></body></html>");

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

TEST(NameFilterTest, DialogFiltersBecomeQtNameFilters)
{
    const struct {
        QString dialogFilter;
        QString expected;
    } cases[] = {
        {QStringLiteral("超文本格式(*.Html, *.Htm)|*.html; *.htm"),
         QStringLiteral("超文本格式(*.Html, *.Htm) (*.html *.htm)")},
        {QStringLiteral("Text|*.txt|All|*.*"), QStringLiteral("Text (*.txt);;All (*.*)")},
        {QStringLiteral("Pages|*.htm;*.html;"), QStringLiteral("Pages (*.htm *.html)")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(qtNameFilter(c.dialogFilter), c.expected) << c.dialogFilter.toStdString();
}

class ReportWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // The bytes a save of the shown page under testName writes.
    QByteArray savedDocument(const QString &testName) const
    {
        return toCp936(QStringLiteral("<html><head><meta charset=\"gbk\"><title>") + testName +
                       QStringLiteral("</title></head>") + form.ui().htmlView->pageHtml() + QStringLiteral("</html>"));
    }

    QString path(const QString &name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    FakeDialogs dialogs;
    ReportWindow form;
};

TEST_F(ReportWindowTest, StartsHiddenWithAnEmptyPage)
{
    EXPECT_TRUE(form.isHidden());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("reportWindow"));
    EXPECT_EQ(form.size(), QSize(696, 480));
    EXPECT_EQ(form.pos(), QPoint(210, 125));
    EXPECT_TRUE(form.ui().htmlView->pageHtml().startsWith(QLatin1String("<body")));
    EXPECT_TRUE(form.ui().htmlView->pageText().isEmpty());
    EXPECT_FALSE(form.ui().htmlView->isReadOnly());
    EXPECT_EQ(form.ui().htmlView->contextMenu(), form.ui().contextMenu);
}

TEST_F(ReportWindowTest, ToolbarShowsEightCaptionedImagesAndTwoSeparators)
{
    const QList<QPair<QString, QString>> expected = {
        {QStringLiteral("selectAllButton"), QStringLiteral("全选")},
        {QStringLiteral("copyButton"), QStringLiteral("复制")},
        {QStringLiteral("copySeparator"), QString()},
        {QStringLiteral("saveButton"), QStringLiteral("另存")},
        {QStringLiteral("savePdfButton"), QStringLiteral("保存为 PDF")},
        {QStringLiteral("saveImageButton"), QStringLiteral("保存为图片")},
        {QStringLiteral("copyImageButton"), QStringLiteral("复制图片")},
        {QStringLiteral("saveSeparator"), QString()},
        {QStringLiteral("printButton"), QStringLiteral("打印")},
        {QStringLiteral("previewButton"), QStringLiteral("预览")},
    };
    const QList<QAction *> actions = form.ui().toolBar->actions();
    ASSERT_EQ(actions.size(), expected.size());
    for (int i = 0; i < actions.size(); ++i) {
        SCOPED_TRACE(expected[i].first.toStdString());
        QAction *action = actions[i];
        if (expected[i].second.isEmpty()) {
            EXPECT_TRUE(action->isSeparator());
            EXPECT_EQ(action->objectName(), expected[i].first);
            continue;
        }
        auto *button = qobject_cast<QToolButton *>(form.ui().toolBar->widgetForAction(action));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->objectName(), expected[i].first);
        EXPECT_EQ(button->text(), expected[i].second);
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        EXPECT_TRUE(button->toolTip().isEmpty());
        // The image comes from the library's resources and must really draw.
        const QImage image = button->icon().pixmap(20, 20).toImage();
        ASSERT_FALSE(image.isNull());
        EXPECT_GT(qAlpha(image.pixel(10, 10)) + qAlpha(image.pixel(5, 5)) + qAlpha(image.pixel(15, 15)), 0);
    }
}

TEST_F(ReportWindowTest, EachReportReplacesPageAndTitle)
{
    form.showReport(kSamplePage, QStringLiteral("测试一"));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("测试一"));
    EXPECT_TRUE(form.ui().htmlView->pageText().contains(QStringLiteral("你喜欢什么颜色")));

    form.showReport(QStringLiteral("<html><body><p>第二个测试</p></body></html>"), QStringLiteral("测试二"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("测试二"));
    EXPECT_EQ(form.ui().htmlView->pageText(), QStringLiteral("第二个测试"));
}

TEST_F(ReportWindowTest, ClosingHidesAndKeepsThePage)
{
    form.showReport(kSamplePage, QStringLiteral("测试一"));
    EXPECT_TRUE(form.close());
    EXPECT_TRUE(form.isHidden());
    EXPECT_TRUE(form.ui().htmlView->pageText().contains(QStringLiteral("你喜欢什么颜色")));
    EXPECT_FALSE(form.testAttribute(Qt::WA_QuitOnClose));
}

TEST_F(ReportWindowTest, SaveAddsTheDefaultExtensionAndRemembersTheName)
{
    form.showReport(kSamplePage, QStringLiteral("测试一"));
    dialogs.nextSaveName = path(QStringLiteral("report"));

    form.onSaveAs();

    const QString saved = path(QStringLiteral("report.htm"));
    EXPECT_EQ(readAll(saved), savedDocument(QStringLiteral("测试一")));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("report"))));
    ASSERT_EQ(dialogs.saveCalls.size(), 1);
    EXPECT_EQ(dialogs.saveCalls[0].filter, QStringLiteral("超文本格式(*.Html, *.Htm) (*.html *.htm)"));
    EXPECT_EQ(dialogs.saveCalls[0].defaultSuffix, QStringLiteral("htm"));
    // The first save proposes the test's name in the documents folder.
    EXPECT_EQ(dialogs.saveCalls[0].previousName,
              QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                  .filePath(QStringLiteral("测试一.htm")));

    dialogs.nextSaveName = path(QStringLiteral("other.html"));
    form.onSaveAs();
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("other.html"))));
    ASSERT_EQ(dialogs.saveCalls.size(), 2);
    EXPECT_EQ(dialogs.saveCalls[1].previousName, saved);
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(ReportWindowTest, CancellingTheSaveDialogWritesNothing)
{
    form.showReport(kSamplePage, QStringLiteral("测试一"));
    dialogs.nextSaveName.clear();
    form.onSaveAs();
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(ReportWindowTest, SavingOverAFileReplacesItWithoutAsking)
{
    form.showReport(kSamplePage, QStringLiteral("测试一"));
    const QString file = path(QStringLiteral("old.htm"));
    {
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(50000, 'x'));
    }
    dialogs.nextSaveName = file;
    form.onSaveAs();
    EXPECT_EQ(readAll(file), savedDocument(QStringLiteral("测试一")));
    EXPECT_TRUE(dialogs.questions.isEmpty());
}

// A saved page read back as a browser reads it: the head's charset decides
// the decoding, the title is the test's name, escaped.
TEST_F(ReportWindowTest, ASavedPageReadsRightInABrowser)
{
    form.showReport(kSamplePage, QStringLiteral("《甲&乙》测试结果"), QStringLiteral("甲&乙<2>"));
    dialogs.nextSaveName = path(QStringLiteral("page.htm"));
    form.onSaveAs();
    const QByteArray bytes = readAll(path(QStringLiteral("page.htm")));
    ASSERT_TRUE(bytes.startsWith("<html><head><meta charset=\"gbk\"><title>"));
    EXPECT_TRUE(bytes.endsWith("</body></html>"));
    const QRegularExpressionMatch charset =
        QRegularExpression(QStringLiteral("<meta charset=\"([^\"]+)\">")).match(QString::fromLatin1(bytes.left(200)));
    ASSERT_TRUE(charset.hasMatch());
    QStringDecoder decoder(charset.captured(1).toLatin1().constData());
    ASSERT_TRUE(decoder.isValid()) << charset.captured(1).toStdString();
    const QString text = decoder(bytes);
    EXPECT_FALSE(decoder.hasError());
    EXPECT_TRUE(text.contains(QStringLiteral("<title>甲&amp;乙&lt;2&gt;</title>")));
    QTextDocument page;
    page.setHtml(text);
    EXPECT_TRUE(page.toPlainText().contains(QStringLiteral("你喜欢什么颜色")));
}

TEST(ProposedSaveName, TheTestsNameMadeSafeInTheDocumentsFolder)
{
    const QDir documents(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    const struct {
        const char *name;
        const char *file;
    } cases[] = {
        {"恋爱风格测试", "恋爱风格测试.htm"}, {"a/b:c*?", "a_b_c__.htm"}, {"  ", "测试.htm"}, {"..", "测试.htm"}};
    for (const auto &c : cases)
        EXPECT_EQ(ReportWindow::proposedSaveName(QString::fromUtf8(c.name)),
                  documents.filePath(QString::fromUtf8(c.file)))
            << c.name;
}

TEST_F(ReportWindowTest, ASaveErrorGoesToTheErrorBox)
{
    dialogs.nextSaveName = path(QStringLiteral("missing/report.htm"));
    form.onSaveAs();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith(QStringLiteral("Cannot create file \"")));
    EXPECT_TRUE(dialogs.errors[0].contains(QStringLiteral("missing")));
}

TEST_F(ReportWindowTest, ContextMenuOffersSelectAllAndCopyLikeTheToolbar)
{
    ASSERT_EQ(form.ui().contextMenu->actions().size(), 2);
    EXPECT_EQ(form.ui().contextMenu->actions()[0], form.ui().selectAllAction);
    EXPECT_EQ(form.ui().contextMenu->actions()[1], form.ui().copyAction);
    EXPECT_EQ(form.ui().selectAllAction->text(), QStringLiteral("全选"));
    EXPECT_EQ(form.ui().copyAction->text(), QStringLiteral("复制"));

    form.showReport(kSamplePage, QStringLiteral("测试一"));
    const struct {
        const char *name;
        std::function<void()> selectAll;
        std::function<void()> copy;
    } routes[] = {
        {"popup menu", [&] { form.ui().selectAllAction->trigger(); }, [&] { form.ui().copyAction->trigger(); }},
        {"toolbar", [&] { form.ui().selectAllButton->click(); }, [&] { form.ui().copyButton->click(); }},
    };
    for (const auto &route : routes) {
        SCOPED_TRACE(route.name);
        form.ui().htmlView->moveCursor(QTextCursor::Start);
        QApplication::clipboard()->clear();

        route.selectAll();
        EXPECT_EQ(form.ui().htmlView->textCursor().selectedText().size(), form.ui().htmlView->pageText().size());
        route.copy();
        EXPECT_EQ(QApplication::clipboard()->text(), form.ui().htmlView->pageText());
    }
}

TEST_F(ReportWindowTest, RightPressOverThePageOpensTheContextMenu)
{
    form.showReport(kSamplePage, QStringLiteral("测试一"));
    QTest::mousePress(form.ui().htmlView->viewport(), Qt::RightButton, {}, QPoint(30, 30));
    EXPECT_TRUE(form.ui().contextMenu->isVisible());
    form.ui().contextMenu->close();
}

TEST_F(ReportWindowTest, PrintAndPreviewButtonsReachThePrinter)
{
    PdfPrintDialogs printDialogs;
    printDialogs.pdfFile = path(QStringLiteral("report.pdf"));
    Installed<PrintDialogs, PdfPrintDialogs> printing(printDialogs);
    form.showReport(kSamplePage, QStringLiteral("测试一"));

    form.ui().printButton->click();
    EXPECT_TRUE(readAll(printDialogs.pdfFile).startsWith("%PDF"));
    EXPECT_EQ(printDialogs.previews, 0);

    form.ui().previewButton->click();
    EXPECT_EQ(printDialogs.previews, 1);
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(ReportWindowTest, AResultPageIsSavedAndPrintedLikeAContentPage)
{
    RunResult result;
    result.testName = QStringLiteral("一题测试");
    result.band = QStringLiteral("得分 3，在 3–5 分之间");
    result.verdict = QStringLiteral("高");
    result.answers = {{QStringLiteral("唯一题"), QStringLiteral("是")}};
    form.showReport(resultPage(result), resultPageTitle(result));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("《一题测试》测试结果"));

    dialogs.nextSaveName = path(QStringLiteral("result.htm"));
    form.onSaveAs();
    const QString saved = fromCp936(readAll(path(QStringLiteral("result.htm"))));
    for (const char *part : {"一题测试", "唯一题", "3–5", "声明：本程序所提供的测试仅供娱乐!"})
        EXPECT_TRUE(saved.contains(QString::fromUtf8(part))) << part;

    PdfPrintDialogs printDialogs;
    printDialogs.pdfFile = path(QStringLiteral("result.pdf"));
    Installed<PrintDialogs, PdfPrintDialogs> printing(printDialogs);
    form.ui().printButton->click();
    EXPECT_TRUE(readAll(printDialogs.pdfFile).startsWith("%PDF"));
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

RunResult oneQuestionResult()
{
    RunResult result;
    result.testName = QStringLiteral("一题测试");
    result.band = QStringLiteral("得分 3，在 3–5 分之间");
    result.verdict = QStringLiteral("高");
    result.answers = {{QStringLiteral("唯一题"), QStringLiteral("是")}};
    return result;
}

QImage comparable(const QImage &image)
{
    QImage plain = image.convertToFormat(QImage::Format_RGB32);
    plain.setDevicePixelRatio(1);
    return plain;
}

TEST_F(ReportWindowTest, AFinishedResultIsSavedAndCopiedAsAPicture)
{
    const RunResult result = oneQuestionResult();
    const ReportWindow::Ui &ui = form.ui();
    form.showResult(result);
    QApplication::processEvents();
    const QImage card = comparable(renderResultCard(resultCard(result)));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("《一题测试》测试结果"));
    EXPECT_TRUE(ui.htmlView->pageText().contains(QStringLiteral("唯一题")));
    for (QToolButton *button : {ui.saveImageButton, ui.copyImageButton}) {
        EXPECT_TRUE(button->isVisible());
        EXPECT_EQ(button->accessibleName(), button->text());
        EXPECT_TRUE(button->focusPolicy() & Qt::TabFocus);
    }
    // Each command has a key of its own.
    QList<QKeySequence> keys;
    for (const QAction *action : form.actions()) {
        if (action->shortcut().isEmpty())
            continue;
        EXPECT_FALSE(keys.contains(action->shortcut())) << action->shortcut().toString().toStdString();
        keys << action->shortcut();
    }
    EXPECT_TRUE(keys.contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)));
    EXPECT_TRUE(keys.contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)));

    // The save proposes the test's name in the pictures folder and adds .png.
    dialogs.nextSaveName = path(QStringLiteral("card"));
    ui.saveImageButton->click();
    ASSERT_EQ(dialogs.saveCalls.size(), 1);
    EXPECT_EQ(dialogs.saveCalls[0].filter, ReportWindow::imageFilter());
    EXPECT_EQ(dialogs.saveCalls[0].defaultSuffix, QStringLiteral("png"));
    EXPECT_EQ(dialogs.saveCalls[0].previousName,
              QDir(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation))
                  .filePath(QStringLiteral("一题测试.png")));
    QImage saved(path(QStringLiteral("card.png")));
    EXPECT_TRUE(readAll(path(QStringLiteral("card.png"))).startsWith("\x89PNG"));
    EXPECT_EQ(saved.size(), QSize(1080, 1350));
    EXPECT_EQ(comparable(saved), card);

    // A cancelled dialog writes nothing; the next save proposes the last file.
    dialogs.nextSaveName.clear();
    ui.saveImageButton->click();
    EXPECT_EQ(dialogs.saveCalls.last().previousName, path(QStringLiteral("card.png")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("card.png")});

    QGuiApplication::clipboard()->clear();
    ui.copyImageButton->click();
    EXPECT_EQ(comparable(QGuiApplication::clipboard()->image()), card);
    EXPECT_TRUE(dialogs.errors.isEmpty());

    // Other pages have no picture to offer.
    form.showReport(kSamplePage, QStringLiteral("测试一"));
    QApplication::processEvents(); // the toolbar lays its buttons out
    EXPECT_FALSE(ui.saveImageButton->isVisible());
    EXPECT_FALSE(ui.copyImageButton->isVisible());
    form.showResultPage(resultPage(result), resultPageTitle(result), result.testName);
    QApplication::processEvents();
    EXPECT_FALSE(ui.saveImageButton->isVisible());
    EXPECT_TRUE(ui.savePdfButton->isVisible());
}

TEST_F(ReportWindowTest, APairIsShownAsAResultPageWithTheCardOfBoth)
{
    PairResult pair;
    pair.firstName = QStringLiteral("小明");
    pair.first = oneQuestionResult();
    pair.second = oneQuestionResult();
    pair.second.answers[0].answer = QStringLiteral("否");
    const ReportWindow::Ui &ui = form.ui();
    form.showPair(pair);
    QApplication::processEvents();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("《一题测试》两人测试结果"));
    EXPECT_TRUE(ui.htmlView->pageText().contains(QStringLiteral("1 题中有 0 题选得一样")));
    for (QToolButton *button : {ui.saveImageButton, ui.copyImageButton, ui.savePdfButton}) {
        EXPECT_TRUE(button->isVisible()) << button->text().toStdString();
        EXPECT_TRUE(button->isEnabled()) << button->text().toStdString();
    }

    // The picture is the card of both, proposed under the test's name.
    const QImage card = comparable(renderResultCard(resultCard(pair)));
    dialogs.nextSaveName = path(QStringLiteral("pair.png"));
    ui.saveImageButton->click();
    ASSERT_EQ(dialogs.saveCalls.size(), 1);
    EXPECT_EQ(dialogs.saveCalls[0].previousName, ReportWindow::proposedImageName(QStringLiteral("一题测试")));
    EXPECT_EQ(comparable(QImage(path(QStringLiteral("pair.png")))), card);
    QGuiApplication::clipboard()->clear();
    ui.copyImageButton->click();
    EXPECT_EQ(comparable(QGuiApplication::clipboard()->image()), card);
    EXPECT_NE(card, comparable(renderResultCard(resultCard(pair.first))));

    // Saved as PDF like a result page.
    dialogs.nextSaveName = path(QStringLiteral("pair"));
    ui.savePdfButton->click();
    EXPECT_EQ(dialogs.saveCalls.last().previousName,
              ReportWindow::proposedFileName(QStringLiteral("一题测试"), QStringLiteral("pdf")));
    EXPECT_TRUE(readAll(path(QStringLiteral("pair.pdf"))).startsWith("%PDF"));
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(ReportWindowTest, AFailedPictureSaveNamesTheFileAndKeepsTheOldOne)
{
    form.showResult(oneQuestionResult());
    const QString file = path(QStringLiteral("old.png"));
    {
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old picture");
    }
    dialogs.nextSaveName = file;
    {
        // Too small for the picture, as on a full disk.
        testing::FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.applied());
        form.ui().saveImageButton->click();
    }
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith(QStringLiteral("无法保存图片文件“"))) << dialogs.errors[0].toStdString();
    EXPECT_TRUE(dialogs.errors[0].contains(QDir::toNativeSeparators(file)));
    EXPECT_EQ(readAll(file), QByteArray("old picture"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.png")});
}

TEST_F(ReportWindowTest, PrintingProposesThePdfNameAndKeepsThePrinter)
{
    PdfPrintDialogs printDialogs;
    printDialogs.pdfFile = path(QStringLiteral("printed.pdf"));
    Installed<PrintDialogs, PdfPrintDialogs> printing(printDialogs);
    const QString proposed = ReportWindow::proposedFileName(QStringLiteral("测/试"), QStringLiteral("pdf"));
    EXPECT_EQ(proposed,
              QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                  .filePath(QStringLiteral("测_试.pdf")));

    const QPrinter::OutputFormat usual = QPrinter(QPrinter::HighResolution).outputFormat();
    for (bool result : {false, true}) {
        SCOPED_TRACE(result ? "result page" : "content page");
        if (result)
            form.showResultPage(kSamplePage, QStringLiteral("title"), QStringLiteral("测/试"));
        else
            form.showReport(kSamplePage, QStringLiteral("title"), QStringLiteral("测/试"));
        for (QToolButton *button : {form.ui().printButton, form.ui().previewButton}) {
            printDialogs.proposedFile.clear();
            button->click();
            EXPECT_EQ(printDialogs.proposedFile, proposed);
            EXPECT_EQ(printDialogs.documentName, QStringLiteral("测/试"));
            // The name waits in the dialog; the printer chosen stays the usual one.
            EXPECT_EQ(printDialogs.proposedFormat, usual);
        }
    }
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

// The fragments of a document whose text contains part.
QList<QTextCharFormat> formatsOf(const QTextDocument &document, const QString &part)
{
    QList<QTextCharFormat> formats;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().text().contains(part))
                formats << it.fragment().charFormat();
    return formats;
}

TEST_F(ReportWindowTest, PrintingKeepsBoldQuestionsAndHeadings)
{
    // A content page and a result page, built the way the program builds them.
    const QString contentPage =
        QStringLiteral("<p align=center><B><font size=5>[心理测试]:恋爱风格测试</font></B></p><br><br>说明<br><br>"
                       "&nbsp;&nbsp;&nbsp;&nbsp;<b>你喜欢什么颜色？</B><br>&nbsp;&nbsp;&nbsp;&nbsp;1.红色<br>");
    const struct {
        QString page;
        QString heading;
        QString question;
        QString plain;
    } pages[] = {
        {contentPage, QStringLiteral("恋爱风格测试"), QStringLiteral("你喜欢什么颜色"), QStringLiteral("红色")},
        {resultPage(oneQuestionResult()), QStringLiteral("一题测试"), QStringLiteral("唯一题"), QStringLiteral("答：")},
    };
    PdfPrintDialogs printDialogs;
    Installed<PrintDialogs, PdfPrintDialogs> printing(printDialogs);
    for (const auto &page : pages) {
        SCOPED_TRACE(page.heading.toStdString());
        form.showReport(page.page, QStringLiteral("title"));
        QPdfWriter writer(path(QStringLiteral("probe.pdf")));
        const std::unique_ptr<QTextDocument> copy = form.ui().htmlView->printCopy(writer);
        for (const QString &boldPart : {page.heading, page.question}) {
            const QList<QTextCharFormat> formats = formatsOf(*copy, boldPart);
            ASSERT_FALSE(formats.isEmpty()) << boldPart.toStdString();
            for (const QTextCharFormat &format : formats) {
                EXPECT_EQ(format.fontWeight(), QFont::Bold) << boldPart.toStdString();
                EXPECT_GT(format.textOutline().widthF(), 0.0) << boldPart.toStdString();
            }
        }
        for (const QTextCharFormat &format : formatsOf(*copy, page.plain)) {
            EXPECT_LT(format.fontWeight(), QFont::DemiBold);
            EXPECT_EQ(format.textOutline().style(), Qt::NoPen);
        }

        printDialogs.pdfFile = path(QStringLiteral("page.pdf"));
        form.ui().printButton->click();
        const QByteArray pdf = readAll(printDialogs.pdfFile);
        EXPECT_TRUE(pdf.startsWith("%PDF"));
        EXPECT_GT(pdf.size(), 1000);
    }
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(ReportWindowTest, OnlyAResultPageOffersSavingAsPdf)
{
    form.showReport(kSamplePage, QStringLiteral("测试一"));
    EXPECT_FALSE(form.ui().savePdfButton->isVisible());
    const RunResult result = oneQuestionResult();
    form.showResultPage(resultPage(result), resultPageTitle(result), result.testName);
    QApplication::processEvents(); // the toolbar lays its buttons out
    EXPECT_TRUE(form.ui().savePdfButton->isVisible());
    EXPECT_EQ(form.ui().savePdfButton->accessibleName(), QStringLiteral("保存为 PDF"));

    // Cancelled: nothing written.
    form.ui().savePdfButton->click();
    ASSERT_EQ(dialogs.saveCalls.size(), 1);
    EXPECT_EQ(dialogs.saveCalls[0].filter, QStringLiteral("PDF 文件 (*.pdf)"));
    EXPECT_EQ(dialogs.saveCalls[0].defaultSuffix, QStringLiteral("pdf"));
    EXPECT_EQ(dialogs.saveCalls[0].previousName,
              ReportWindow::proposedFileName(result.testName, QStringLiteral("pdf")));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    // A name without extension gets ".pdf"; the file is a whole PDF, and the
    // next dialog proposes it again.
    dialogs.nextSaveName = path(QStringLiteral("result"));
    form.ui().savePdfButton->click();
    const QByteArray pdf = readAll(path(QStringLiteral("result.pdf")));
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_TRUE(pdf.trimmed().endsWith("%%EOF"));
    EXPECT_EQ(dialogs.saveCalls.last().previousName,
              ReportWindow::proposedFileName(result.testName, QStringLiteral("pdf")));
    form.ui().savePdfButton->click();
    EXPECT_EQ(dialogs.saveCalls.last().previousName, path(QStringLiteral("result.pdf")));

    // Back to a content page: the command goes.
    form.showReport(kSamplePage, QStringLiteral("测试一"));
    QApplication::processEvents();
    EXPECT_FALSE(form.ui().savePdfButton->isVisible());
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

// A write cut short by a file size limit (which binds root as well) and a
// folder that is missing: each is said with the file's name, and the file
// saved before stays whole.
TEST_F(ReportWindowTest, AFailedPdfSaveSaysSoAndLeavesTheOldFile)
{
    const RunResult result = oneQuestionResult();
    form.showResultPage(resultPage(result), resultPageTitle(result), result.testName);
    const QString target = path(QStringLiteral("old.pdf"));
    const QByteArray old("%PDF- the result saved before");
    {
        QFile existing(target);
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write(old);
    }
    {
        testing::FileSizeLimit limit(200);
        ASSERT_TRUE(limit.applied());
        dialogs.nextSaveName = target;
        form.ui().savePdfButton->click();
    }
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith(QStringLiteral("无法保存 PDF 文件“") + QDir::toNativeSeparators(target)))
        << dialogs.errors[0].toStdString();
    EXPECT_EQ(readAll(target), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.pdf")});

    dialogs.nextSaveName = path(QStringLiteral("missing/result.pdf"));
    form.ui().savePdfButton->click();
    ASSERT_EQ(dialogs.errors.size(), 2);
    EXPECT_TRUE(dialogs.errors[1].contains(QStringLiteral("missing"))) << dialogs.errors[1].toStdString();
}

} // namespace
} // namespace lovetest
