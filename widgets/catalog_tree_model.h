#pragma once
#include <QAbstractItemModel>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace lovetest {

// One node of the catalog tree: the row with this key.
struct CatalogNode {
    qint64 key = 0;
    std::optional<qint64> parentKey; // the row's parent value as last read
    QString label;
    bool placed = false; // set when the running refresh placed the row
    bool expanded = false; // as the view last showed it
    bool shownBySearch = true; // the tree's last search left the node shown
    bool rowHidden = false; // the view hides the node's row for the search
    CatalogNode *parent = nullptr; // the model's root for a top-level node
    std::vector<CatalogNode *> children;
    int row = 0; // position among the parent's children
};

// A test the taker has finished: the record of its last run, described
// only when its tooltip is asked for, so marking thousands costs no reads.
struct CatalogMark {
    qint64 record = 0;
};

// The nodes of the catalog tree, found by key through a hash.
//
// A refresh works on the nodes directly between beginRefresh() and
// endRefresh(), which the views see as one reset: placing thousands of rows
// costs no view work per row. Outside a refresh, changes (labels, removal)
// are reported to the views as they happen.
class CatalogTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit CatalogTreeModel(QObject *parent = nullptr);
    ~CatalogTreeModel() override;

    CatalogNode *find(qint64 key) const { return m_nodes.value(key, nullptr); }
    CatalogNode *nodeOf(const QModelIndex &index) const;
    QModelIndex indexOf(const CatalogNode *node) const;
    bool isTopLevel(const CatalogNode *node) const { return node->parent == &m_root; }
    int nodeCount() const { return int(m_nodes.size()); }
    const std::vector<CatalogNode *> &topLevel() const { return m_root.children; }
    // Whether node lies in the subtree of ancestor (ancestor itself included).
    static bool isWithin(const CatalogNode *node, const CatalogNode *ancestor);

    // A refresh. beginRefresh() clears every placed mark.
    void beginRefresh();
    // A new node, the last child of parent (nullptr: the end of the top level).
    CatalogNode *create(qint64 key, CatalogNode *parent, const QString &label);
    // Moves node to the end of newParent's children (nullptr: the top level).
    // A move beneath the node itself is refused (returns false): the node
    // stays where it is.
    bool move(CatalogNode *node, CatalogNode *newParent);
    // Moves every placed top-level node under the node named by its parent
    // key, when that node exists and is another one, in top-level order.
    void fixUp();
    // Removes every node whose mark is clear, with everything beneath it.
    void sweep();
    void endRefresh();

    // Outside a refresh.
    void clear();
    void setLabel(CatalogNode *node, const QString &label);
    // The keys of node and everything beneath it, the nodes beneath first
    // (deepest first) and node's own key last.
    static QList<qint64> subtreeKeys(const CatalogNode *node);
    // Removes node and everything beneath it; returns subtreeKeys(node).
    QList<qint64> removeSubtree(CatalogNode *node);

    // Tests already taken, by key: their rows get a check mark and a
    // tooltip naming the last run. Kept by key, so they outlast refreshes.
    void setMarks(QHash<qint64, CatalogMark> marks);
    const QHash<qint64, CatalogMark> &marks() const { return m_marks; }
    // What a mark's tooltip says of its record, as plain text.
    void setMarkDescription(std::function<QString(qint64 record)> describe) { m_describe = std::move(describe); }
    // The tooltip text of a marked row (empty for none), as plain text.
    QString markText(qint64 key) const;

    // The first node after the one with key, in depth-first order of the
    // tree (a node before its children), that accept takes and the search
    // leaves shown; nullptr at the end, or when key is not in the tree.
    const CatalogNode *nextNode(qint64 key, const std::function<bool(const CatalogNode &)> &accept) const;

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    const CatalogNode *nodeOrRoot(const QModelIndex &index) const;
    void detach(CatalogNode *node);
    void destroy(CatalogNode *node);
    static void renumber(CatalogNode *node);
    static void collectPostOrder(const CatalogNode *node, QList<qint64> &keys);

    CatalogNode m_root;
    QHash<qint64, CatalogNode *> m_nodes;
    QHash<qint64, CatalogMark> m_marks;
    std::function<QString(qint64)> m_describe;
};

} // namespace lovetest
