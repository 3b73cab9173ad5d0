#include <gtest/gtest.h>

#include <QLabel>
#include <QRadioButton>
#include <QTest>

#include "catalog_file.h"
#include "data/dataset.h"
#include "data/field.h"
#include "tests/support/fake_dialogs.h"
#include "widgets/choice_group.h"

namespace lovetest::testing {
namespace {

QLabel *captionLabel(ChoiceGroup &panel, const QString &caption)
{
    for (QLabel *label : panel.findChildren<QLabel *>()) {
        if (label->text() == caption)
            return label;
    }
    return nullptr;
}

// A choice panel bound to 分值 of the catalog, whose first row already holds
// the answer 2 in the file.
class ChoicePanel : public ::testing::Test {
protected:
    void SetUp() override
    {
        file.exec("UPDATE 量表 SET 分值 = 2 WHERE ID = 1");
        database = file.open();
        panel.setCaption("12-3.  问题");
        panel.setDataSource(&database->catalogSource);
        panel.setDataField("分值");
        panel.addItem("一", "1");
        panel.addItem("二", "2");
        panel.addItem("都不是", "");
        panel.resize(300, panel.itemsHeight());
        panel.show();
    }

    Field &score() { return *catalog().fieldByName("分值"); }
    Dataset &catalog() { return database->catalog; }
    QVariant scoreInFile() { return file.scalar("SELECT 分值 FROM 量表 WHERE ID = 1"); }

    FakeDialogs dialogs;
    CatalogFile file{{{1, 1, "A"}, {2, 2, "B"}}};
    std::unique_ptr<TestDatabase> database;
    ChoiceGroup panel;
};

TEST_F(ChoicePanel, ShowsNoChoiceWhateverTheFieldHolds)
{
    ASSERT_EQ(score().asInteger(), 2);
    EXPECT_EQ(panel.itemIndex(), -1);
    for (QRadioButton *button : panel.findChildren<QRadioButton *>())
        EXPECT_FALSE(button->isChecked());
}

TEST_F(ChoicePanel, ClickingACaptionWritesTheValueConvertedWithoutPosting)
{
    QTest::mouseClick(captionLabel(panel, "一"), Qt::LeftButton);
    EXPECT_EQ(panel.itemIndex(), 0);
    EXPECT_EQ(catalog().state(), DatasetState::Edit);
    EXPECT_EQ(score().value(), QVariant(qint64(1)).toInt());
    EXPECT_NE(score().value().typeId(), QMetaType::QString);
    EXPECT_EQ(scoreInFile().toInt(), 2);

    QTest::mouseClick(panel.findChildren<QRadioButton *>().at(1), Qt::LeftButton);
    EXPECT_EQ(panel.itemIndex(), 1);
    EXPECT_EQ(score().asInteger(), 2);
    EXPECT_TRUE(panel.findChildren<QRadioButton *>().at(1)->isChecked());
    EXPECT_FALSE(panel.findChildren<QRadioButton *>().at(0)->isChecked());
}

TEST_F(ChoicePanel, KeysChooseItemsAndAnEmptyValueWritesNull)
{
    QTest::keyClick(&panel, Qt::Key_3);
    EXPECT_EQ(panel.itemIndex(), 2);
    EXPECT_TRUE(score().isNull());

    QTest::keyClick(&panel, Qt::Key_Up);
    EXPECT_EQ(panel.itemIndex(), 1);
    EXPECT_EQ(score().asInteger(), 2);
    QTest::keyClick(&panel, Qt::Key_Up);
    QTest::keyClick(&panel, Qt::Key_Up);
    EXPECT_EQ(panel.itemIndex(), 0);
    QTest::keyClick(&panel, Qt::Key_Down);
    EXPECT_EQ(panel.itemIndex(), 1);
    // A number without an item chooses nothing.
    QTest::keyClick(&panel, Qt::Key_9);
    EXPECT_EQ(panel.itemIndex(), 1);
    EXPECT_EQ(scoreInFile().toInt(), 2);
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(ChoicePanel, TheChoiceBelongsToItsRow)
{
    panel.setItemIndex(0);
    catalog().post();
    EXPECT_EQ(panel.itemIndex(), 0);
    catalog().next();
    EXPECT_EQ(panel.itemIndex(), -1);
}

TEST_F(ChoicePanel, AChoiceThatCannotBeWrittenIsReported)
{
    catalog().close();
    QTest::keyClick(&panel, Qt::Key_1);
    EXPECT_EQ(panel.itemIndex(), -1);
    EXPECT_EQ(dialogs.errors.size(), 1);
}

TEST(ChoicePanelLayout, ItemsHeightShowsEveryWrappedCaptionWhole)
{
    ChoiceGroup panel;
    panel.setCaption("请选择");
    const QString longCaption = QString(80, QChar(0x7231));
    panel.addItem("短", "1");
    panel.addItem(longCaption, "2");
    panel.resize(200, 10);
    panel.show();
    const int narrow = panel.itemsHeight();
    panel.setFixedSize(200, narrow);
    QTest::qWait(0);

    QLabel *wrapped = captionLabel(panel, longCaption);
    ASSERT_NE(wrapped, nullptr);
    EXPECT_LE(wrapped->width(), 200);
    EXPECT_GE(wrapped->height(), wrapped->heightForWidth(wrapped->width()));
    EXPECT_LE(wrapped->mapTo(&panel, QPoint(0, wrapped->height())).y(), narrow);

    panel.setFixedSize(800, narrow);
    EXPECT_LT(panel.itemsHeight(), narrow);
}

} // namespace
} // namespace lovetest::testing
