#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include "catalog_file.h"
#include "data/dataset.h"
#include "data/field.h"
#include "widgets/bound_text_view.h"
#include "widgets/plain_text_view.h"

namespace lovetest::testing {
namespace {

TEST(TextHead, ALongTextShowsABoundedHeadEndingInAnEllipsis)
{
    EXPECT_EQ(headOf("abc", 3).shown, "abc");
    EXPECT_FALSE(headOf("abc", 3).truncated);

    const TextHead head = headOf("abcdef", 4);
    EXPECT_TRUE(head.truncated);
    EXPECT_EQ(head.shown, "abcd\n…");

    // A character outside the basic plane is never cut in half.
    const QString emoji = QString::fromUtf8("ab😀cd");
    EXPECT_EQ(headOf(emoji, 3).shown, "ab\n…");
    EXPECT_EQ(headOf(emoji, 4).shown, QString::fromUtf8("ab😀\n…"));
}

// The one-line form: the head and "…" on the same line, at most limit + 1
// characters, a character outside the basic plane kept whole.
TEST(TextHead, ABoundedTextEndsInAnEllipsisOnItsLine)
{
    const QString emoji = QString::fromUtf8("ab😀cd");
    const struct {
        QString text;
        qsizetype limit;
        QString shown;
    } cases[] = {
        {"abc", 3, "abc"},
        {"abcdef", 4, QString::fromUtf8("abcd…")},
        {emoji, 3, QString::fromUtf8("ab…")},
        {emoji, 4, QString::fromUtf8("ab😀…")},
        {emoji, 0, QString::fromUtf8("…")},
        {QString(), 0, QString()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(boundedText(c.text, c.limit), c.shown) << c.text.toStdString() << " / " << c.limit;
    EXPECT_EQ(boundedLine(QString(kShownLineLength, QLatin1Char('x'))).size(), kShownLineLength);
    EXPECT_EQ(boundedLine(QString(kShownLineLength + 1, QLatin1Char('x'))).size(), kShownLineLength + 1);
}

// A view that counts what its document asks to load.
class RecordingView : public BoundTextView {
public:
    QVariant loadResource(int type, const QUrl &name) override
    {
        requested.append(name);
        return BoundTextView::loadResource(type, name);
    }
    QList<QUrl> requested;
};

TEST(PlainTextView, MarkupPointingAtFilesIsShownAsTextAndLoadsNothing)
{
    const QStringList markups = {
        R"(<img src="file:///etc/passwd">)",
        R"(<table background="file:///etc/hostname"><tr><td>x</td></tr></table>)",
        R"(<html><head><link rel="stylesheet" href="file:///etc/x.css"></head><body>y</body></html>)",
        R"(<a href="file:///etc/passwd">点此</a>)",
    };
    RecordingView view;
    view.resize(300, 200);
    view.show();
    for (const QString &markup : markups) {
        view.setDisplayText(markup);
        QCoreApplication::processEvents();
        EXPECT_EQ(view.toPlainText(), markup);
        for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                EXPECT_FALSE(it.fragment().charFormat().isImageFormat()) << markup.toStdString();
                EXPECT_FALSE(it.fragment().charFormat().isAnchor()) << markup.toStdString();
            }
        }
    }
    EXPECT_TRUE(view.requested.isEmpty());
}

class LongRemarks : public ::testing::Test {
protected:
    // 10 MB without a single break opportunity: laying it out whole takes
    // minutes.
    const QString unbroken = QString(5'000'000, QLatin1Char('x')) + QStringLiteral("尾");
    // Long, but cheap to lay out whole.
    const QString lines = QStringLiteral("第一行\r\n").repeated(10'000);
    CatalogFile file{{{1, 1, "甲", unbroken}, {2, 2, "乙", lines}, {3, 3, "丙", "短"}}};
    std::unique_ptr<TestDatabase> database = file.open();
    Dataset &catalog = database->catalog;
};

TEST_F(LongRemarks, AViewOnScreenLaysOutOnlyABoundedHead)
{
    BoundTextView view;
    view.resize(400, 300);
    view.setReadOnly(true);
    view.setDataSource(&database->catalogSource);
    view.setDataField("备注");
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.viewport()->repaint();

    EXPECT_TRUE(view.showsHeadOnly());
    EXPECT_EQ(view.toPlainText().size(), kShownHeadLength + 2);
    EXPECT_TRUE(view.toPlainText().endsWith(QStringLiteral("\n…")));
    QPushButton *button = view.presenter().showAllButton();
    ASSERT_TRUE(button->isVisible());
    EXPECT_TRUE(button->text().contains("5000001"));
    EXPECT_FALSE(button->accessibleName().isEmpty());
    EXPECT_TRUE(view.rect().contains(button->geometry()));
}

TEST_F(LongRemarks, AnEditableViewShowsTheWholeTextOnDemand)
{
    catalog.next();
    BoundTextView view;
    view.resize(400, 300);
    view.setDataSource(&database->catalogSource);
    view.setDataField("备注");
    view.show();

    // While only the head shows, the view cannot be edited, so no edit can
    // write the head back in place of the whole text.
    EXPECT_TRUE(view.showsHeadOnly());
    EXPECT_TRUE(view.isReadOnly());

    // On demand the whole text shows, the view is editable again, and showing
    // it is no edit of the row.
    QTest::mouseClick(view.presenter().showAllButton(), Qt::LeftButton);
    EXPECT_FALSE(view.showsHeadOnly());
    EXPECT_EQ(view.toPlainText(), TextView::normalizedLineBreaks(lines));
    EXPECT_FALSE(view.isReadOnly());
    EXPECT_FALSE(view.presenter().showAllButton()->isVisible());
    EXPECT_EQ(catalog.state(), DatasetState::Browse);
    EXPECT_FALSE(view.hasPendingEdit());

    // The next row shows whole; back on the long one, the head again.
    catalog.next();
    EXPECT_EQ(view.toPlainText(), "短");
    EXPECT_FALSE(view.isReadOnly());
    catalog.first();
    catalog.next();
    EXPECT_TRUE(view.showsHeadOnly());
}

TEST_F(LongRemarks, AReadOnlyViewStaysReadOnlyAfterShowingAll)
{
    catalog.next();
    BoundTextView view;
    view.setReadOnly(true);
    view.setDataSource(&database->catalogSource);
    view.setDataField("备注");
    view.presenter().showAll();
    EXPECT_TRUE(view.isReadOnly());
    EXPECT_FALSE(view.showsHeadOnly());
}

} // namespace
} // namespace lovetest::testing
