#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QSet>
#include <QTextDocument>

#include "widgets/catalog_tree_model.h"

namespace lovetest {
namespace {

// A catalog of folders and tests, tests under tests among them:
//   1 folder          (folder)
//     11 test
//       111 test
//     12 empty folder (folder)
//   2 test
//   3 folder          (folder)
//     31 test
class CatalogOrder : public ::testing::Test {
protected:
    void SetUp() override
    {
        model.beginRefresh();
        CatalogNode *folder = model.create(1, nullptr, QStringLiteral("分类一"));
        CatalogNode *test = model.create(11, folder, QStringLiteral("测试一一"));
        model.create(111, test, QStringLiteral("测试一一一"));
        model.create(12, folder, QStringLiteral("空分类"));
        model.create(2, nullptr, QStringLiteral("测试二"));
        CatalogNode *last = model.create(3, nullptr, QStringLiteral("分类三"));
        model.create(31, last, QStringLiteral("测试三一"));
        model.endRefresh();
    }

    std::optional<qint64> next(qint64 key) const
    {
        const CatalogNode *node = model.nextNode(key, [this](const CatalogNode &at) { return tests.contains(at.key); });
        return node ? std::optional<qint64>(node->key) : std::nullopt;
    }

    CatalogTreeModel model;
    const QSet<qint64> tests{11, 111, 2, 31};
};

TEST_F(CatalogOrder, NextTestGoesDepthFirstAndSkipsFolders)
{
    const std::pair<qint64, std::optional<qint64>> cases[]{
        {1, 11}, // a folder: its first test
        {11, 111}, // a test's own child comes first
        {111, 2}, // out of a branch, past an empty folder
        {12, 2},
        {2, 31}, // into the next folder
        {31, std::nullopt}, // the last test
        {99, std::nullopt}, // not in the tree
    };
    for (const auto &[from, expected] : cases)
        EXPECT_EQ(next(from), expected) << from;
}

TEST_F(CatalogOrder, NextTestPassesOverRowsTheSearchHides)
{
    model.find(2)->rowHidden = true;
    EXPECT_EQ(next(111), 31);
    model.find(3)->rowHidden = true; // hides 31 with its folder
    EXPECT_EQ(next(111), std::nullopt);
}

TEST_F(CatalogOrder, MarksDecorateTakenTestsAndNameTheRunAsPlainText)
{
    const QModelIndex test = model.indexOf(model.find(2));
    const QModelIndex folder = model.indexOf(model.find(1));
    // Without marks the rows look as they always did.
    EXPECT_FALSE(model.data(test, Qt::DecorationRole).isValid());
    EXPECT_FALSE(model.data(test, Qt::ToolTipRole).isValid());

    int repaints = 0;
    QObject::connect(&model, &QAbstractItemModel::dataChanged, [&] { ++repaints; });
    model.setMarkDescription([](qint64 record) { return QStringLiteral("记录 %1：<b>x</b> & y").arg(record); });
    model.setMarks({{2, {7}}});
    EXPECT_GT(repaints, 0);
    const QIcon mark = model.data(test, Qt::DecorationRole).value<QIcon>();
    ASSERT_FALSE(mark.isNull());
    // Unmarked rows keep the place of the mark blank, so labels stay in line.
    const QImage blank = model.data(folder, Qt::DecorationRole).value<QIcon>().pixmap(16).toImage();
    EXPECT_EQ(blank.pixelColor(8, 8).alpha(), 0);
    EXPECT_GT(mark.pixmap(16).toImage().pixelColor(8, 8).alpha(), 0);
    EXPECT_FALSE(model.data(folder, Qt::ToolTipRole).isValid());

    QTextDocument shown;
    shown.setHtml(model.data(test, Qt::ToolTipRole).toString());
    EXPECT_EQ(shown.toPlainText(), QStringLiteral("记录 7：<b>x</b> & y"));

    repaints = 0;
    model.setMarks({});
    EXPECT_GT(repaints, 0);
    EXPECT_FALSE(model.data(test, Qt::DecorationRole).isValid());
    EXPECT_FALSE(model.data(test, Qt::ToolTipRole).isValid());
}

} // namespace
} // namespace lovetest
