#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QUrl>

#include "shell/about_window.h"
#include "shell/web_links.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/shown_tool_tip.h"

namespace lovetest {
namespace {

const QString kSite = QStringLiteral("www.langyue-xinli.example");

class AboutWindowTest : public ::testing::Test {
protected:
    testing::FakeDialogs dialogs;
    AboutWindow form{kSite};
};

TEST(WebLinksTest, PagesAreTheSiteWithTheirPaths)
{
    EXPECT_EQ(homePageAddress(kSite), QStringLiteral("http://www.langyue-xinli.example"));
    EXPECT_EQ(updatesPageAddress(kSite), QStringLiteral("http://www.langyue-xinli.example/RUANJIANGONGJU/"));
    EXPECT_EQ(booksPageAddress(kSite), QStringLiteral("http://www.langyue-xinli.example/XINLIXUEJICHU/XINLIXUESHUJI/"));
}

TEST(WebLinksTest, OpeningAPageGoesToTheBrowserWithItsOwner)
{
    testing::FakeDialogs dialogs;
    QWidget owner;
    openWebPage(&owner, updatesPageAddress(kSite));

    ASSERT_EQ(dialogs.opened.size(), 1);
    EXPECT_EQ(dialogs.openedFor[0], &owner);
    EXPECT_EQ(dialogs.opened[0], QUrl(updatesPageAddress(kSite)));
}

TEST(WebLinksTest, APageNoBrowserOpensIsShownForCopying)
{
    testing::FakeDialogs dialogs;
    dialogs.browserStarts = false;
    QWidget owner;
    openWebPage(&owner, booksPageAddress(kSite));

    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].endsWith(QStringLiteral("\n") + booksPageAddress(kSite)));
    EXPECT_TRUE(dialogs.messages[0].contains(QStringLiteral("浏览器")));
    EXPECT_TRUE(dialogs.errors.isEmpty());

    dialogs.browserStarts = true;
    openWebPage(&owner, booksPageAddress(kSite));
    EXPECT_EQ(dialogs.messages.size(), 1); // an opened page says nothing
}

// The real opener with a stand-in xdg-open first on PATH: its exit status,
// or its absence, decides whether the address is shown for copying.
TEST(WebLinksTest, AnOpenerThatFailsShowsTheAddressOnceItHasExited)
{
    struct Case {
        const char *name;
        const char *script; // empty: no opener at all
        bool fails;
    };
    const Case cases[] = {
        {"exits 3 (no browser)", "exit 3", true},
        {"opens", "exit 0", false},
        {"missing", "", true},
    };
    const QByteArray path = qgetenv("PATH");
    const auto restore = qScopeGuard([&path] { qputenv("PATH", path); });
    for (const Case &c : cases) {
        QTemporaryDir bin;
        const QString called = bin.filePath(QStringLiteral("called"));
        if (*c.script) {
            QFile opener(bin.filePath(QStringLiteral("xdg-open")));
            ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
            opener.write(
                QStringLiteral("#!/bin/sh\necho \"$1\" > '%1'\n%2\n").arg(called, QLatin1String(c.script)).toUtf8());
            opener.close();
            opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", QFile::encodeName(bin.path()));

        testing::FakeDialogs dialogs;
        dialogs.realOpener = true;
        QWidget owner;
        openWebPage(&owner, booksPageAddress(kSite));
        EXPECT_TRUE(dialogs.messages.isEmpty()) << c.name << ": the window does not wait for the opener";

        QDeadlineTimer deadline(10000);
        while (dialogs.messages.isEmpty() && !deadline.hasExpired() && (c.fails || !QFile::exists(called)))
            QTest::qWait(10);
        if (!c.fails)
            QTest::qWait(300); // the opener's exit is handled
        if (*c.script) {
            QFile record(called);
            ASSERT_TRUE(record.open(QIODevice::ReadOnly)) << c.name;
            EXPECT_EQ(record.readAll().trimmed(), booksPageAddress(kSite).toUtf8()) << c.name;
        }
        if (c.fails) {
            ASSERT_EQ(dialogs.messages.size(), 1) << c.name;
            EXPECT_TRUE(dialogs.messages[0].endsWith(QStringLiteral("\n") + booksPageAddress(kSite))) << c.name;
        } else {
            EXPECT_TRUE(dialogs.messages.isEmpty()) << c.name;
        }
    }
}

TEST_F(AboutWindowTest, TheContactAddressIsAMailLink)
{
    QLabel *note = form.ui().noteLabel;
    QTextDocument shown;
    shown.setHtml(note->text());
    EXPECT_EQ(shown.toPlainText(), QStringLiteral("联系: lovetest@langyue-xinli.example"));
    EXPECT_TRUE(note->text().contains(QStringLiteral("href=\"mailto:lovetest@langyue-xinli.example\"")));
    EXPECT_TRUE(note->textInteractionFlags() & Qt::LinksAccessibleByMouse);

    emit note->linkActivated(QStringLiteral("mailto:lovetest@langyue-xinli.example"));
    ASSERT_EQ(dialogs.opened.size(), 1);
    EXPECT_EQ(dialogs.opened[0], QUrl(QStringLiteral("mailto:lovetest@langyue-xinli.example")));
    EXPECT_EQ(dialogs.openedFor[0], &form);
}

TEST_F(AboutWindowTest, ShowsNameDateLinkAndContact)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral("关于朗月爱情心理测试(娱乐版) V1.0"));
    EXPECT_EQ(form.ui().programLabel->text(), QStringLiteral("朗月爱情心理测试(娱乐版)  v1.0"));
    EXPECT_EQ(form.ui().dateLabel->text(), QStringLiteral("2009年6月"));
    EXPECT_EQ(form.ui().homePageLabel->text(), homePageAddress(kSite));
    EXPECT_FALSE(form.ui().noteLabel->text().isEmpty());
    EXPECT_EQ(form.size(), QSize(292, 131));
    EXPECT_EQ(form.pos(), QPoint(394, 295));
}

TEST_F(AboutWindowTest, TheLastLineNamesTheDataFolder)
{
    form.setDataFolder(QStringLiteral("/srv/朗月/data"));
    EXPECT_EQ(form.ui().dataFolderLabel->text(), QStringLiteral("数据文件夹: /srv/朗月/data"));
    EXPECT_GT(form.ui().dataFolderLabel->y(), form.ui().noteLabel->y());

    // A long folder is shortened in the middle to fit the window; the tool
    // tip names it whole.
    const QString deep =
        QStringLiteral("/home/someone") + QStringLiteral("/深层文件夹").repeated(30) + QStringLiteral("/lovetest");
    form.setDataFolder(deep);
    const QLabel *label = form.ui().dataFolderLabel;
    EXPECT_EQ(testing::shownToolTip(label->toolTip()), deep);
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("数据文件夹: /home")));
    EXPECT_TRUE(label->text().endsWith(QStringLiteral("/lovetest")));
    EXPECT_LE(label->geometry().right(), form.width());
    EXPECT_EQ(form.size(), QSize(292, 131));
}

TEST_F(AboutWindowTest, CaptionBarHasOnlyTheCloseBox)
{
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
}

TEST_F(AboutWindowTest, LinkLooksLikeALinkAndOpensTheHomePage)
{
    EXPECT_EQ(form.ui().homePageLabel->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    EXPECT_TRUE(form.ui().homePageLabel->font().bold());
    EXPECT_EQ(form.ui().homePageLabel->font().pixelSize(), 13);
    EXPECT_EQ(form.ui().homePageLabel->cursor().shape(), Qt::PointingHandCursor);

    form.showAbout();
    QTest::mouseClick(form.ui().homePageLabel, Qt::RightButton);
    QTest::mouseClick(form.ui().programLabel, Qt::LeftButton);
    EXPECT_TRUE(dialogs.opened.isEmpty());

    QTest::mouseClick(form.ui().homePageLabel, Qt::LeftButton);
    ASSERT_EQ(dialogs.opened.size(), 1);
    EXPECT_EQ(dialogs.openedFor[0], &form);
    EXPECT_EQ(dialogs.opened[0], QUrl(homePageAddress(kSite)));
    EXPECT_EQ(dialogs.opened[0].toString(), form.ui().homePageLabel->text());
}

TEST_F(AboutWindowTest, ClosingHidesAndTheCommandShowsItAgain)
{
    form.showAbout();
    EXPECT_TRUE(form.isVisible());
    form.showAbout(); // already shown: stays the one visible window
    EXPECT_TRUE(form.isVisible());

    EXPECT_TRUE(form.close());
    EXPECT_TRUE(form.isHidden());
    EXPECT_FALSE(form.testAttribute(Qt::WA_QuitOnClose));

    form.showAbout();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.ui().homePageLabel->text(), homePageAddress(kSite));
}

} // namespace
} // namespace lovetest
