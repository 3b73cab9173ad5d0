#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QStyleHints>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

#include "catalog_file.h"
#include "data/dataset.h"
#include "data/field.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/forced_read_only.h"
#include "tests/support/shown_tool_tip.h"
#include "widgets/bound_label.h"
#include "widgets/catalog_search.h"
#include "widgets/catalog_tree_view.h"
#include "widgets/read_only_notice.h"

namespace lovetest::testing {
namespace {

// The tree as text: labels in order, children in brackets: "A(B,C),D".
QString shape(const QAbstractItemModel &model, const QModelIndex &parent = {})
{
    QStringList parts;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        QString part = index.data().toString();
        if (model.rowCount(index) > 0)
            part += QLatin1Char('(') + shape(model, index) + QLatin1Char(')');
        parts << part;
    }
    return parts.join(QLatin1Char(','));
}

qint64 currentId(Dataset &set)
{
    return set.fieldByName(QStringLiteral("ID"))->asLargeInt();
}

// A tree bound to the catalog of a file and shown, as in the main window.
struct TreeFixture {
    explicit TreeFixture(const QList<CatalogRow> &rows, bool nullableKeys = false)
        : file(rows, nullableKeys), database(file.open())
    {
        tree.setDataSource(&database->catalogSource);
        tree.resize(300, 400);
        tree.show();
    }

    QString treeShape() const { return shape(*tree.model()); }
    Dataset &catalog() { return database->catalog; }
    void click(qint64 key)
    {
        const QModelIndex index = tree.indexOfKey(key);
        tree.scrollTo(index);
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualRect(index).center());
    }

    CatalogFile file;
    std::unique_ptr<TestDatabase> database;
    CatalogTreeView tree;
};

struct ShapeCase {
    const char *name;
    QList<CatalogRow> rows;
    bool nullableKeys;
    QString expected;
};

// Test logs name the case instead of dumping its bytes.
void PrintTo(const ShapeCase &shape, std::ostream *out)
{
    *out << shape.name;
}

class TreeShape : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(TreeShape, RowsArePlacedUnderTheirParentsNode)
{
    TreeFixture fixture(GetParam().rows, GetParam().nullableKeys);
    EXPECT_EQ(fixture.treeShape(), GetParam().expected);
}

const QVariant kNull;

INSTANTIATE_TEST_SUITE_P(
    Catalogs, TreeShape,
    ::testing::Values(
        ShapeCase{"Flat", {{1, 1, "A"}, {2, 2, "B"}, {3, 3, "C"}}, false, "A,B,C"},
        ShapeCase{
            "Nested", {{1, kNull, "A"}, {2, 1, "B"}, {3, 2, "C"}, {4, 1, "D"}, {5, kNull, "E"}}, false, "A(B(C),D),E"},
        ShapeCase{"ParentMissing", {{1, kNull, "A"}, {2, 99, "B"}, {3, 1, "C"}}, false, "A(C),B"},
        ShapeCase{"ParentIsOwnKey", {{5, 5, "E"}, {6, 5, "F"}, {7, 7, "G"}}, false, "E(F),G"},
        // Rows placed under their present parent come first, then the rows
        // moved there by the fix-up pass, in top-level order.
        ShapeCase{"ParentAfterChild", {{1, 3, "A"}, {2, 3, "B"}, {3, kNull, "C"}, {4, 3, "D"}}, false, "C(D,A,B)"},
        ShapeCase{"GrandparentLast", {{1, 2, "A"}, {2, 3, "B"}, {3, kNull, "C"}}, false, "C(B(A))"},
        ShapeCase{"NullKey", {{kNull, kNull, "X"}, {1, kNull, "A"}, {kNull, 1, "Y"}, {2, 1, "B"}}, true, "A(B)"},
        // A cycle cannot hang a node beneath itself: the first row stays on top.
        ShapeCase{"Cycle", {{1, 2, "A"}, {2, 1, "B"}}, false, "A(B)"}),
    [](const auto &param) { return std::string(param.param.name); });

TEST(TreeView, IsEmptyUntilShownAndFillsWhenShown)
{
    CatalogFile file({{1, 1, "A"}});
    auto database = file.open();
    CatalogTreeView tree;
    tree.setDataSource(&database->catalogSource);
    EXPECT_EQ(tree.nodeCount(), 0);
    tree.show();
    EXPECT_EQ(shape(*tree.model()), "A");
    EXPECT_EQ(tree.selectedKey(), 1);
    EXPECT_EQ(tree.indentation(), 19);
}

TEST(TreeView, FollowsOpenCloseAndStoredRows)
{
    TreeFixture fixture({{1, kNull, "A"}, {2, 1, "B"}});
    Dataset &catalog = fixture.catalog();
    catalog.close();
    EXPECT_EQ(fixture.tree.nodeCount(), 0);
    catalog.open();
    EXPECT_EQ(fixture.treeShape(), "A(B)");

    // A row stored by other means shows after the store, not while edited.
    catalog.append();
    catalog.fieldByName("ID")->setAsInteger(3);
    catalog.fieldByName("Parent")->setAsInteger(2);
    catalog.fieldByName("Name")->setAsString("C");
    EXPECT_EQ(fixture.treeShape(), "A(B)");
    catalog.post();
    EXPECT_EQ(fixture.treeShape(), "A(B(C))");
}

TEST(TreeView, KeepsExpandedBranchesAcrossRefreshes)
{
    TreeFixture fixture({{1, kNull, "A"}, {2, 1, "B"}, {3, kNull, "C"}, {4, 3, "D"}});
    CatalogTreeView &tree = fixture.tree;
    tree.expand(tree.indexOfKey(3));
    tree.collapse(tree.indexOfKey(1));
    fixture.tree.refreshTree();
    EXPECT_TRUE(tree.isExpanded(tree.indexOfKey(3)));
    EXPECT_FALSE(tree.isExpanded(tree.indexOfKey(1)));
}

TEST(TreeView, SelectionAndCurrentRowFollowEachOther)
{
    TreeFixture fixture({{1, kNull, "A"}, {2, 1, "B"}, {3, 2, "C"}, {4, kNull, "D"}});
    Dataset &catalog = fixture.catalog();
    CatalogTreeView &tree = fixture.tree;
    ASSERT_EQ(tree.selectedKey(), 1);

    // The row moves: the tree opens the branches down to its node.
    catalog.locate("ID", 3);
    EXPECT_EQ(tree.selectedKey(), 3);
    EXPECT_TRUE(tree.isExpanded(tree.indexOfKey(2)));
    EXPECT_TRUE(tree.isExpanded(tree.indexOfKey(1)));

    // The user selects a node: its row becomes current.
    fixture.click(4);
    EXPECT_EQ(currentId(catalog), 4);

    // Collapsing the branch that holds the selection selects the branch.
    fixture.click(3);
    ASSERT_EQ(currentId(catalog), 3);
    tree.collapse(tree.indexOfKey(1));
    EXPECT_EQ(tree.selectedKey(), 1);
    EXPECT_EQ(currentId(catalog), 1);
}

TEST(TreeView, SelectingANodeStoresAPendingEditFirst)
{
    TreeFixture fixture({{1, kNull, "A"}, {2, kNull, "B"}});
    Dataset &catalog = fixture.catalog();
    catalog.edit();
    catalog.fieldByName("Name")->setAsString("A2");
    EXPECT_EQ(fixture.tree.labelOf(1), "A2");
    fixture.click(2);
    EXPECT_EQ(currentId(catalog), 2);
    EXPECT_EQ(fixture.file.scalar("SELECT Name FROM 量表 WHERE ID=1").toString(), "A2");
    EXPECT_EQ(fixture.tree.labelOf(1), "A2");
}

TEST(TreeView, SearchShowsOnlyRowsWhoseRowsAboveMatchToo)
{
    TreeFixture fixture(
        {{1, kNull, "家庭"}, {2, 1, "爱情测试一"}, {3, kNull, "爱情测试二"}, {4, 3, "爱情测试三"}, {5, kNull, "性格"}});
    Dataset &catalog = fixture.catalog();
    BoundLabel title;
    title.setDataSource(&fixture.database->catalogSource);
    title.setDataField("Name");

    applyCatalogSearch(catalog, "爱情");
    EXPECT_EQ(fixture.treeShape(), "爱情测试二(爱情测试三)");
    // The first matching row is current although it has no node.
    EXPECT_EQ(currentId(catalog), 2);
    EXPECT_EQ(title.text(), "爱情测试一");
    EXPECT_FALSE(fixture.tree.hasNode(2));

    // Refreshed again under the same search, the orphan row stands on top.
    catalog.locate("ID", 3);
    catalog.edit();
    catalog.fieldByName("分值")->setAsInteger(0);
    catalog.post();
    EXPECT_EQ(fixture.treeShape(), "爱情测试二(爱情测试三),爱情测试一");

    // Clearing restores the whole catalog in its row order and selects its
    // first row.
    applyCatalogSearch(catalog, "");
    EXPECT_EQ(fixture.treeShape(), "家庭(爱情测试一),爱情测试二(爱情测试三),性格");
    EXPECT_EQ(currentId(catalog), 1);
    EXPECT_EQ(fixture.tree.selectedKey(), 1);
    EXPECT_EQ(title.text(), "家庭");
}

// The rows the tree shows: labels in order, opened branches' shown
// children in brackets.
QString shownShape(const QTreeView &tree, const QModelIndex &parent = {})
{
    QStringList parts;
    for (int row = 0; row < tree.model()->rowCount(parent); ++row) {
        if (tree.isRowHidden(row, parent))
            continue;
        const QModelIndex index = tree.model()->index(row, 0, parent);
        QString part = index.data().toString();
        if (tree.isExpanded(index))
            part += QLatin1Char('(') + shownShape(tree, index) + QLatin1Char(')');
        parts << part;
    }
    return parts.join(QLatin1Char(','));
}

TEST(TreeView, TheTreesSearchShowsMatchesUnderTheirFoldersAndEndsAsItBegan)
{
    TreeFixture fixture({{1, kNull, "家庭"},
                         {2, 1, "爱情测试一"},
                         {3, kNull, "性格"},
                         {4, 3, "外向"},
                         {5, 3, "LOVE"},
                         {6, kNull, "爱情分类"},
                         {7, 6, "内向"}});
    Dataset &catalog = fixture.catalog();
    fixture.tree.expand(fixture.tree.indexOfKey(3));
    const QString before = shownShape(fixture.tree);
    ASSERT_EQ(before, "家庭,性格(外向,LOVE),爱情分类");

    fixture.tree.setSearchText("爱情");
    EXPECT_EQ(shownShape(fixture.tree), "家庭(爱情测试一),爱情分类(内向)");
    EXPECT_EQ(fixture.tree.selectedKey(), 2);
    EXPECT_EQ(currentId(catalog), 2);
    EXPECT_FALSE(catalog.isFiltered());

    // A refresh under the search (a stored change) keeps the tree narrowed.
    catalog.edit();
    catalog.fieldByName("分值")->setAsInteger(1);
    catalog.post();
    EXPECT_EQ(shownShape(fixture.tree), "家庭(爱情测试一),爱情分类(内向)");

    fixture.tree.setSearchText("love");
    EXPECT_EQ(shownShape(fixture.tree), "性格(LOVE)");
    EXPECT_EQ(currentId(catalog), 5);

    fixture.tree.setSearchText("");
    EXPECT_EQ(shownShape(fixture.tree), before);
    EXPECT_EQ(fixture.tree.selectedKey(), 5);
}

TEST(TreeView, SearchMatchingNothingEmptiesTreeAndViews)
{
    TreeFixture fixture({{1, kNull, "A"}, {2, 1, "B"}});
    BoundLabel title;
    title.setDataSource(&fixture.database->catalogSource);
    title.setDataField("Name");
    applyCatalogSearch(fixture.catalog(), "zzz");
    EXPECT_EQ(fixture.tree.nodeCount(), 0);
    EXPECT_EQ(title.text(), "");
}

TEST(TreeView, DeleteAnsweredCancelChangesNothing)
{
    FakeDialogs dialogs;
    dialogs.answer = false;
    TreeFixture fixture({{1, kNull, "A"}, {2, 1, "B"}});
    QTest::keyClick(&fixture.tree, Qt::Key_Delete);
    ASSERT_EQ(dialogs.questions.size(), 1);
    EXPECT_EQ(dialogs.questions[0].caption, "Confirm");
    EXPECT_EQ(dialogs.questions[0].text, "Do you want to delete the item \"A\"");
    EXPECT_EQ(fixture.treeShape(), "A(B)");
    EXPECT_EQ(fixture.file.scalar("SELECT count(*) FROM 量表").toInt(), 2);
}

TEST(TreeView, DeleteRemovesTheRowsBeneathFirst)
{
    FakeDialogs dialogs;
    TreeFixture fixture({{1, kNull, "A"}, {2, 1, "B"}, {3, 2, "C"}, {4, 1, "D"}, {5, kNull, "E"}, {6, 6, "F"}});
    Dataset &catalog = fixture.catalog();
    QTest::keyClick(&fixture.tree, Qt::Key_Delete);
    EXPECT_EQ(fixture.file.deletionLog(), (QList<qint64>{3, 2, 4, 1}));
    EXPECT_EQ(fixture.treeShape(), "E,F");
    EXPECT_EQ(catalog.recordCount(), 2);
    // The node that took the deleted one's place is selected and current.
    EXPECT_EQ(fixture.tree.selectedKey(), 5);
    EXPECT_EQ(currentId(catalog), 5);
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST(TreeView, DeleteOfTheOnlyNodeEmptiesTreeAndSet)
{
    FakeDialogs dialogs;
    TreeFixture fixture({{1, 1, "A"}});
    QTest::keyClick(&fixture.tree, Qt::Key_Delete);
    EXPECT_EQ(fixture.tree.nodeCount(), 0);
    EXPECT_TRUE(fixture.catalog().isEmpty());
    EXPECT_EQ(fixture.file.scalar("SELECT count(*) FROM 量表").toInt(), 0);
}

TEST(TreeView, RefusedDeleteIsReportedAndTheTreeGoesOnFollowing)
{
    FakeDialogs dialogs;
    TreeFixture fixture({{1, kNull, "A"}, {2, 1, "B"}, {3, kNull, "C"}});
    fixture.file.exec("CREATE TRIGGER keep_a BEFORE DELETE ON 量表 WHEN old.ID = 1 "
                      "BEGIN SELECT RAISE(ABORT, 'row is locked'); END");
    QTest::keyClick(&fixture.tree, Qt::Key_Delete);
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains("row is locked"));
    EXPECT_EQ(fixture.file.deletionLog(), (QList<qint64>{2}));
    // The tree is not stuck in its own work: it follows the set again.
    fixture.catalog().locate("ID", 3);
    EXPECT_EQ(fixture.tree.selectedKey(), 3);
    EXPECT_FALSE(fixture.tree.working());
}

// Opens the label editor of the selected node with F2 and types text.
QLineEdit *editLabel(CatalogTreeView &tree, const QString &text)
{
    QTest::keyClick(&tree, Qt::Key_F2);
    auto *editor = tree.viewport()->findChild<QLineEdit *>();
    if (editor)
        editor->setText(text);
    return editor;
}

TEST(TreeView, ConfirmedRenameIsStoredAtOnce)
{
    FakeDialogs dialogs;
    TreeFixture fixture({{1, kNull, "A"}, {2, 1, "B"}});
    BoundLabel title;
    title.setDataSource(&fixture.database->catalogSource);
    title.setDataField("Name");
    fixture.click(2);

    QLineEdit *editor = editLabel(fixture.tree, "新名字");
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(fixture.catalog().state(), DatasetState::Edit);
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents(); // the editor commits on a queued call

    EXPECT_EQ(fixture.file.scalar("SELECT Name FROM 量表 WHERE ID=2").toString(), "新名字");
    EXPECT_EQ(fixture.catalog().state(), DatasetState::Browse);
    EXPECT_EQ(fixture.tree.labelOf(2), "新名字");
    EXPECT_EQ(title.text(), "新名字");
    EXPECT_EQ(fixture.treeShape(), "A(新名字)");
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST(TreeView, CancelledRenameChangesNothing)
{
    TreeFixture fixture({{1, kNull, "A"}});
    QLineEdit *editor = editLabel(fixture.tree, "X");
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(fixture.tree.labelOf(1), "A");
    EXPECT_EQ(fixture.file.scalar("SELECT Name FROM 量表 WHERE ID=1").toString(), "A");
    EXPECT_EQ(fixture.catalog().fieldByName("Name")->asString(), "A");
}

TEST(TreeView, ANameOfBlanksIsNeverStored)
{
    for (const QString &typed : {QString(), QStringLiteral("   ")}) {
        TreeFixture fixture({{1, kNull, "A"}});
        QLineEdit *editor = editLabel(fixture.tree, typed);
        ASSERT_NE(editor, nullptr);
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_EQ(fixture.tree.labelOf(1), "A");
        EXPECT_EQ(fixture.catalog().fieldByName("Name")->asString(), "A");
        fixture.catalog().checkBrowseMode();
        EXPECT_EQ(fixture.file.scalar("SELECT Name FROM 量表 WHERE ID=1").toString(), "A");
    }
}

// A click on the selected node edits its label only when the tree had the
// focus already, and only once the double-click interval has passed.
TEST(TreeView, OnlyADeliberateClickStartsALabelEdit)
{
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(80);
    CatalogFile file({{1, kNull, "A"}, {2, kNull, "B"}});
    std::unique_ptr<TestDatabase> database = file.open();
    QWidget window;
    auto *search = new QLineEdit(&window);
    auto *tree = new CatalogTreeView(&window);
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(search);
    layout->addWidget(tree);
    tree->setDataSource(&database->catalogSource);
    window.resize(300, 400);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const auto clickNode = [&](qint64 key) {
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(tree->indexOfKey(key)).center());
    };
    const auto editingAfterTheInterval = [&] {
        QTest::qWait(160);
        return tree->isEditingLabel();
    };

    clickNode(2);
    ASSERT_EQ(tree->selectedKey(), 2);
    search->setFocus();
    clickNode(2); // selected, but the focus was in the search box
    EXPECT_FALSE(editingAfterTheInterval());
    ASSERT_TRUE(tree->hasFocus());

    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(tree->indexOfKey(2)).center());
    EXPECT_FALSE(editingAfterTheInterval());

    clickNode(2); // the tree had the focus: a deliberate click
    EXPECT_FALSE(tree->isEditingLabel()) << "not before the double-click interval";
    EXPECT_TRUE(editingAfterTheInterval());
}

// A tree with a title label, its node 2 ("B") renamed by F2 and Return.
struct RefusedRename {
    explicit RefusedRename(std::function<void(CatalogFile &)> beforeOpen = {}, const char *newName = "新名字")
        : file({{1, kNull, "A"}, {2, 1, "B"}})
    {
        if (beforeOpen)
            beforeOpen(file);
        database = file.open();
        tree.setDataSource(&database->catalogSource);
        title.setDataSource(&database->catalogSource);
        title.setDataField("Name");
        tree.show();
        tree.setCurrentIndex(tree.indexOfKey(2));
        QLineEdit *editor = editLabel(tree, newName);
        EXPECT_NE(editor, nullptr);
        if (editor)
            QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents(); // the editor commits on a queued call
    }

    // The old name stays on screen, in the row and in the file.
    void expectOldNameEverywhere()
    {
        EXPECT_EQ(tree.labelOf(2), "B");
        EXPECT_EQ(title.text(), "B");
        EXPECT_EQ(database->catalog.state(), DatasetState::Browse);
        EXPECT_EQ(database->catalog.fieldByName("Name")->asString(), "B");
        EXPECT_EQ(file.scalar("SELECT Name FROM 量表 WHERE ID=2").toString(), "B");
    }

    CatalogFile file;
    std::unique_ptr<TestDatabase> database;
    CatalogTreeView tree;
    BoundLabel title;
};

TEST(TreeView, OnAReadOnlyDatabaseRenameAndDeleteAreRefusedWithTheNotice)
{
    FakeDialogs dialogs;
    ForcedReadOnly forced;
    RefusedRename rename;
    const QString notice = readOnlyDatabaseNotice(rename.file.path());
    EXPECT_EQ(dialogs.messages, QStringList{notice});
    rename.expectOldNameEverywhere();

    rename.tree.setFocus();
    QTest::keyClick(&rename.tree, Qt::Key_Delete);
    EXPECT_EQ(dialogs.messages, (QStringList{notice, notice}));
    EXPECT_TRUE(dialogs.questions.isEmpty()) << "nothing to confirm";
    EXPECT_EQ(shape(*rename.tree.model()), "A(B)");
    EXPECT_EQ(rename.file.scalar("SELECT count(*) FROM 量表").toInt(), 2);
    EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST(TreeView, ARenameTheFileRefusesIsReportedAndUndone)
{
    FakeDialogs dialogs;
    RefusedRename rename([](CatalogFile &file) {
        file.exec("CREATE TRIGGER refuse BEFORE UPDATE ON 量表 BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END");
    });
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains("disk I/O error"));
    rename.expectOldNameEverywhere();
    // Nothing is left pending: the tree moves on.
    rename.database->catalog.locate("ID", 1);
    EXPECT_EQ(rename.tree.selectedKey(), 1);
}

// The file keeps its texts in code page 936: a name with a character outside
// it is refused in words, one of markup characters is kept as typed.
TEST(TreeView, ANameCodePage936CannotHoldIsRefused)
{
    FakeDialogs dialogs;
    RefusedRename rename({}, "A<b>&😀");
    EXPECT_EQ(dialogs.messages,
              QStringList{QStringLiteral("名称中的字符“😀”不能保存：测试数据只能保存 GBK（代码页 936）"
                                         "中的字符。名称没有改变。")});
    rename.expectOldNameEverywhere();
    EXPECT_TRUE(dialogs.errors.isEmpty());

    RefusedRename kept({}, "A<b>&爱");
    EXPECT_EQ(kept.file.scalar("SELECT Name FROM 量表 WHERE ID=2").toString(), QStringLiteral("A<b>&爱"));
}

TEST(TreeView, SearchDuringALabelEditDiscardsIt)
{
    TreeFixture fixture({{1, kNull, "AB"}, {2, kNull, "AC"}});
    QLineEdit *editor = editLabel(fixture.tree, "X");
    ASSERT_NE(editor, nullptr);
    applyCatalogSearch(fixture.catalog(), "A");
    EXPECT_FALSE(fixture.tree.isEditingLabel());
    EXPECT_EQ(fixture.file.scalar("SELECT Name FROM 量表 WHERE ID=1").toString(), "AB");
    EXPECT_EQ(fixture.treeShape(), "AB,AC");
}

TEST(TreeView, ShowsACutOffLabelWholeInATooltip)
{
    const QString longName = QString(60, QChar(0x6D4B));
    // Markup in a name is shown as its characters, never loaded.
    const QString hostile = QStringLiteral("<img src=/nonexistent/x.png>") + longName;
    TreeFixture fixture({{1, kNull, "A"}, {2, kNull, longName}, {3, kNull, hostile}});
    fixture.tree.resize(120, 200);
    QApplication::processEvents();
    auto hint = [&](qint64 key) {
        const QPoint at = fixture.tree.visualRect(fixture.tree.indexOfKey(key)).center();
        QHelpEvent event(QEvent::ToolTip, at, fixture.tree.viewport()->mapToGlobal(at));
        QApplication::sendEvent(fixture.tree.viewport(), &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(hint(1), "");
    EXPECT_EQ(testing::shownToolTip(hint(2)), longName);
    EXPECT_EQ(testing::shownToolTip(hint(3)), hostile);
}

bool near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) <= 4 && std::abs(qGreen(a) - qGreen(b)) <= 4 &&
        std::abs(qBlue(a) - qBlue(b)) <= 4;
}

// The longest run of pixels of (about) one colour in a row of the image.
int longestRun(const QImage &image, int y, QRgb colour)
{
    int longest = 0;
    int run = 0;
    for (int x = 0; x < image.width(); ++x) {
        run = near(image.pixel(x, y), colour) ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

TEST(TreeView, WithoutFocusTheSelectedLabelIsFramedInsteadOfHighlighted)
{
    CatalogFile file({{1, kNull, "Alpha"}, {2, 1, "Beta"}});
    auto database = file.open();
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *tree = new CatalogTreeView;
    auto *other = new QLineEdit;
    layout->addWidget(other);
    layout->addWidget(tree);
    tree->setDataSource(&database->catalogSource);
    window.resize(300, 300);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    database->catalog.locate("ID", 2);

    const QRect row = tree->visualRect(tree->indexOfKey(2));
    const QRgb highlight = tree->palette().color(QPalette::Active, QPalette::Highlight).rgb();
    const QRgb text = tree->palette().color(QPalette::Active, QPalette::Text).rgb();
    const int labelWidth = tree->fontMetrics().horizontalAdvance("Beta");
    auto look = [&](QWidget *focus) {
        focus->setFocus();
        QApplication::processEvents();
        return tree->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };

    const QImage focused = look(tree);
    ASSERT_TRUE(tree->hasFocus());
    EXPECT_GT(longestRun(focused, row.center().y(), highlight), labelWidth);

    const QImage unfocused = look(other);
    int frameEdge = 0;
    for (int y = row.top(); y <= row.bottom(); ++y) {
        EXPECT_EQ(longestRun(unfocused, y, highlight), 0) << y;
        frameEdge = std::max(frameEdge, longestRun(unfocused, y, text));
    }
    EXPECT_EQ(frameEdge, labelWidth + 4);
}

} // namespace
} // namespace lovetest::testing
