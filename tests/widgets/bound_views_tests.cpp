#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "catalog_file.h"
#include "data/dataset.h"
#include "data/field.h"
#include "tests/support/fake_dialogs.h"
#include "widgets/bound_label.h"
#include "widgets/bound_text_view.h"

namespace lovetest::testing {
namespace {

class BoundViews : public ::testing::Test {
protected:
    CatalogFile file{{{1, 1, "甲", "第一行\r\n第二行\r第三行"}, {2, 2, "乙", "<p><b>粗体</b></p>"}}};
    std::unique_ptr<TestDatabase> database = file.open();
    Dataset &catalog = database->catalog;
};

TEST_F(BoundViews, LabelAndRemarksFollowTheCurrentRow)
{
    BoundLabel title;
    title.setDataSource(&database->catalogSource);
    title.setDataField("Name");
    BoundTextView remarks;
    remarks.setReadOnly(true);
    remarks.setDataSource(&database->catalogSource);
    remarks.setDataField("备注");

    EXPECT_EQ(title.text(), "甲");
    EXPECT_EQ(remarks.toPlainText(), "第一行\n第二行\n第三行");

    catalog.next();
    EXPECT_EQ(title.text(), "乙");
    // Markup in a remark is shown as it stands, never rendered.
    EXPECT_EQ(remarks.toPlainText(), "<p><b>粗体</b></p>");

    catalog.edit();
    catalog.fieldByName("Name")->setAsString("丙");
    EXPECT_EQ(title.text(), "丙");
    catalog.cancel();
    EXPECT_EQ(title.text(), "乙");

    catalog.close();
    EXPECT_EQ(title.text(), "");
    EXPECT_EQ(remarks.toPlainText(), "");
}

// An editable view next to another widget that can take the focus.
struct EditableView {
    explicit EditableView(DataSource &source)
    {
        auto *layout = new QVBoxLayout(&window);
        view = new BoundTextView;
        other = new QLineEdit;
        layout->addWidget(view);
        layout->addWidget(other);
        view->setDataSource(&source);
        view->setDataField("备注");
        window.show();
        window.activateWindow();
        [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(&window);
        view->setFocus();
        view->moveCursor(QTextCursor::End);
    }

    QWidget window;
    BoundTextView *view = nullptr;
    QLineEdit *other = nullptr;
};

TEST_F(BoundViews, AnEditIsWrittenWhenTheViewLosesTheFocus)
{
    FakeDialogs dialogs;
    EditableView editable(database->catalogSource);
    QTest::keyClicks(editable.view, "!");
    EXPECT_EQ(catalog.state(), DatasetState::Edit);
    EXPECT_EQ(catalog.fieldByName("备注")->asString(), "第一行\r\n第二行\r第三行");

    editable.other->setFocus();
    EXPECT_EQ(catalog.fieldByName("备注")->asString(), "第一行\r\n第二行\r\n第三行!");
    EXPECT_EQ(catalog.state(), DatasetState::Edit);
    EXPECT_EQ(file.scalar("SELECT 备注 FROM 量表 WHERE ID=1").toString(), "第一行\r\n第二行\r第三行");
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(BoundViews, AnEditIsWrittenBeforeTheRowIsStored)
{
    EditableView editable(database->catalogSource);
    QTest::keyClicks(editable.view, "?");
    catalog.next();
    EXPECT_EQ(file.scalar("SELECT 备注 FROM 量表 WHERE ID=1").toString(), "第一行\r\n第二行\r\n第三行?");
    EXPECT_EQ(editable.view->toPlainText(), "<p><b>粗体</b></p>");
    EXPECT_FALSE(editable.view->hasPendingEdit());
}

} // namespace
} // namespace lovetest::testing
