#include <gtest/gtest.h>

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

#include "report/html_view.h"
#include "report/resource_policy.h"
#include "tests/support/fake_dialogs.h"

namespace lovetest {
namespace {

using testing::FakeDialogs;

// Pixels of the pure red that every file below would paint if it were loaded.
int redPixels(QWidget &view)
{
    QCoreApplication::processEvents();
    const QImage shot = view.grab().toImage();
    int count = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            count += c.red() > 200 && c.green() < 60 && c.blue() < 60;
        }
    }
    return count;
}

class OfflinePage : public ::testing::Test {
protected:
    void SetUp() override
    {
        QImage red(120, 120, QImage::Format_RGB32);
        red.fill(Qt::red);
        ASSERT_TRUE(red.save(dir.filePath("red.png")));
        QFile css(dir.filePath("red.css"));
        ASSERT_TRUE(css.open(QIODevice::WriteOnly));
        css.write("body, p, td { color: #ff0000; font-size: 40px; font-weight: bold }");
    }

    // Markup of each kind that names a local file, absolute and relative.
    QStringList markups() const
    {
        const QString png = QUrl::fromLocalFile(dir.filePath("red.png")).toString();
        const QString css = QUrl::fromLocalFile(dir.filePath("red.css")).toString();
        return {
            QStringLiteral("<img src=\"%1\">").arg(png),
            QStringLiteral("<img src=\"red.png\">"),
            QStringLiteral("<table background=\"%1\" width=\"200\" height=\"100\"><tr><td>单元</td></tr></table>")
                .arg(png),
            QStringLiteral("<html><head><link rel=\"stylesheet\" type=\"text/css\" href=\"%1\"></head>"
                           "<body><p>样式表 WWWW</p></body></html>")
                .arg(css),
        };
    }

    // Shows markup in view, relative names resolved in the fixture folder.
    int redPixelsShowing(QTextEdit &view, const QString &markup) const
    {
        view.resize(400, 300);
        view.document()->setBaseUrl(QUrl::fromLocalFile(dir.path() + "/"));
        view.setHtml(markup);
        view.show();
        return redPixels(view);
    }

    QTemporaryDir dir;
};

TEST_F(OfflinePage, TheFixtureShowsRedInAViewThatLoadsFiles)
{
    for (const QString &markup : markups()) {
        QTextEdit plain;
        EXPECT_GT(redPixelsShowing(plain, markup), 0) << markup.toStdString();
    }
}

TEST_F(OfflinePage, TheReportViewLoadsNothingThatThePageNames)
{
    for (const QString &markup : markups()) {
        HtmlView view;
        EXPECT_EQ(redPixelsShowing(view, markup), 0) << markup.toStdString();
    }
}

// Clicks in the middle of the first occurrence of text in the view.
void clickOn(QTextEdit &view, const QString &text)
{
    QTextCursor found = view.document()->find(text);
    ASSERT_FALSE(found.isNull()) << text.toStdString();
    QTextCursor middle(view.document());
    middle.setPosition(found.selectionStart() + 1);
    const QPoint at = view.cursorRect(middle).center();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

TEST(ReportLinks, OnlyWebAddressesAreOpenedAndThroughTheWebOpener)
{
    FakeDialogs dialogs;
    HtmlView view;
    view.resize(500, 300);
    view.setHtml("<p><a href=\"http://example.com/a\">WEBAAA</a></p>"
                 "<p><a href=\"https://example.com/b\">SAFEBBB</a></p>"
                 "<p><a href=\"file:///etc/passwd\">FILECCC</a></p>"
                 "<p><a href=\"javascript:alert(1)\">JSDDD</a></p>"
                 "<p><a href=\"secret.txt\">RELEEE</a></p>"
                 "<p>PLAINFFF</p>");
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    for (const char *text : {"WEBAAA", "SAFEBBB", "FILECCC", "JSDDD", "RELEEE", "PLAINFFF"})
        clickOn(view, text);
    EXPECT_EQ(dialogs.opened, (QList<QUrl>{QUrl("http://example.com/a"), QUrl("https://example.com/b")}));
    for (QWidget *owner : dialogs.openedFor)
        EXPECT_EQ(owner, &view);
}

TEST(ReportLinks, WebAddressesAreHttpAndHttpsWithAHost)
{
    const struct {
        const char *address;
        bool web;
    } cases[] = {
        {"http://example.com", true},  {"HTTPS://example.com/x?y#z", true},
        {"http:///etc/passwd", false}, {"file:///etc/passwd", false},
        {"ftp://example.com", false},  {"mailto:a@b.c", false},
        {"/etc/passwd", false},        {"", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(isWebAddress(QUrl(c.address)), c.web) << c.address;
}

} // namespace
} // namespace lovetest
