#pragma once
#include <QFlags>
#include <QHash>
#include <QPersistentModelIndex>
#include <QSet>
#include <QString>
#include <QTreeView>

#include <functional>
#include <optional>

#include "data/data_source.h"

class QTimer;

namespace lovetest {

class CatalogTreeModel;
class CatalogTreeDelegate;
class LabelEditor;
struct CatalogNode;
struct CatalogMark;

// What a deletion in the tree takes along beyond the catalog rows, and what
// its confirmation adds. The window that owns the tree hands one in; without
// one the tree deletes the catalog rows alone.
class CatalogRemoval {
public:
    virtual ~CatalogRemoval() = default;
    // Words added to the question before deleting the entries keys (the
    // selected one last); empty for none.
    virtual QString confirmationDetail(const QList<qint64> &keys) = 0;
    // Runs removeRows, which deletes the catalog rows of keys through the
    // tree's dataset, as one change with whatever goes with them. Raises
    // when the change fails, with the file as it was before.
    virtual void remove(const QList<qint64> &keys, const QString &label, const std::function<void()> &removeRows) = 0;
};

// The catalog tree: one node per row of its dataset, placed under the node
// whose key equals the row's parent value. It keeps its selected node and
// the dataset's current row in step both ways, deletes a node's rows on the
// Delete key (after a confirmation) and renames a row by label editing (F2 or
// a click on the selected node). A confirmed rename is posted at once.
//
// The tree fills itself when it is first shown and refreshes fully whenever
// the dataset's rows change, except while it is itself working on the set
// or the set is in edit or insert state. Nodes are kept across refreshes
// (with their expanded state) for the rows that stay.
class CatalogTreeView : public QTreeView, private DataLink {
    Q_OBJECT
public:
    explicit CatalogTreeView(QWidget *parent = nullptr);
    ~CatalogTreeView() override;

    void setDataSource(DataSource *source);
    // Not owned; nullptr: deletions take the catalog rows alone.
    void setRemoval(CatalogRemoval *removal) { m_removal = removal; }
    DataSource *dataSource() const { return DataLink::dataSource(); }

    // Rebuilds the nodes from the whole dataset.
    void refreshTree();
    // Selects the node of the dataset's current row, expanding its ancestors.
    void selectCurrentRow();

    // The search box's text. A non-empty text shows the nodes whose label
    // holds it (catalogNameMatches) with their ancestors, opened, and all
    // that lies beneath a matching node; the selection moves to the first
    // match unless it stands on one, and goes when nothing matches. An empty
    // text shows the whole tree again with the branches open as before the
    // search and the selected node kept in view. The dataset stays
    // unfiltered: every row can be located while searching.
    void setSearchText(const QString &text);
    const QString &searchText() const { return m_search; }
    // Takes the focus onto the selected node (the first shown one when none
    // is selected); false when the tree shows nothing to stand on.
    bool enterResults();

    // Looking at the tree (tests and the main window).
    int nodeCount() const;
    bool hasNode(qint64 key) const;
    QModelIndex indexOfKey(qint64 key) const;
    std::optional<qint64> keyOf(const QModelIndex &index) const;
    std::optional<qint64> selectedKey() const;
    QString labelOf(qint64 key) const;

    // Tests already taken, by key: a check mark and, in the tooltip, the
    // last run's date and verdict.
    void setMarks(QHash<qint64, CatalogMark> marks);
    const QHash<qint64, CatalogMark> &marks() const;
    // What a mark's tooltip says of the record it names, as plain text.
    void setMarkDescription(std::function<QString(qint64 record)> describe);
    // The first key after key, in the order the tree shows its rows (hidden
    // search misses passed over), that accept takes; nullopt at the end.
    std::optional<qint64> nextKey(qint64 key, const std::function<bool(qint64)> &accept) const;
    // A label editor is open.
    bool isEditingLabel() const { return state() == QAbstractItemView::EditingState; }
    // The tree is working on its dataset and ignores the notifications.
    bool working() const { return m_working > 0; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const override;

private:
    friend class CatalogTreeDelegate;
    friend class WorkingScope;

    // DataLink
    void activeChanged() override;
    void dataSetChanged() override;
    void rebuildInRowOrder();
    struct SearchPass;
    void applySearch(bool moveSelection);
    bool markSearchBelow(CatalogNode *parent, bool underMatch, SearchPass &pass);
    void hideUnmatched(const CatalogNode *parent);
    void showHidden(bool viewForgot);
    void restoreBranches();
    void dataSetScrolled() override;
    void recordChanged(Field *field) override;

    bool windowExists() const;
    void takeFilterState();
    void discardLabelEdit();
    void placeRow(Field *key, Field *parent, const QList<Field *> &display);
    QString displayText(const QList<Field *> &display) const;
    bool hasCatalogFields() const;
    void selectIndex(const QModelIndex &index);
    void nodeSelected(const QModelIndex &index);
    void locateSelectedNode();
    void deleteSelectedNode();
    void branchCollapsed(const QModelIndex &index);
    void remember(const QModelIndex &index, bool expanded);
    std::optional<qint64> currentRowKey() const;
    Field *field(const QString &name) const;
    QList<Field *> displayFields() const;

    // Label editing, through the delegate.
    void beginLabelEdit(const QModelIndex &index, LabelEditor &editor);
    void endLabelEdit(const QModelIndex &index, const QString &text);

    CatalogTreeModel *m_model = nullptr;
    CatalogRemoval *m_removal = nullptr;
    CatalogTreeDelegate *m_delegate = nullptr;
    // The catalog's columns: the key, the parent key, the label (several
    // display fields would be separated by ';' and joined by m_separator) and
    // the field a rename writes.
    const QString m_keyField = QStringLiteral("ID");
    const QString m_parentField = QStringLiteral("Parent");
    const QString m_displayField = QStringLiteral("Name");
    const QString m_listField = QStringLiteral("Name");
    const QString m_separator = QStringLiteral(" - ");

    int m_working = 0;
    bool m_filledOnShow = false;
    bool m_discardingEdit = false;
    // A click on the selected node edits its label only when the tree had the
    // focus before the press, and only once no second click followed.
    bool m_focusedBeforePress = false;
    bool m_doubleClicked = false;
    bool m_focusedByThisPress = false;
    QTimer *m_clickEdit = nullptr;
    QPersistentModelIndex m_clickEditIndex;
    QString m_seenFilter;
    bool m_seenFiltered = false;
    // The search: its text and the branches open before it began (restored
    // when it ends).
    QString m_search;
    QSet<qint64> m_openBeforeSearch;
    bool m_restoringBranches = false;
};

} // namespace lovetest
