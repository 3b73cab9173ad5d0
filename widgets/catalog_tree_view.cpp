#include "widgets/catalog_tree_view.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>

#include "data/codepage.h"
#include "data/dataset.h"
#include "data/field.h"
#include "data/text_head.h"
#include "widgets/catalog_search.h"
#include "widgets/catalog_tree_model.h"
#include "widgets/dialogs.h"
#include "widgets/guard.h"
#include "widgets/plain_tool_tip.h"
#include "widgets/read_only_notice.h"

namespace lovetest {

// Marks the tree as working on its dataset for the life of the scope: the
// notifications its own work causes are turned away.
class WorkingScope {
public:
    explicit WorkingScope(CatalogTreeView &tree) : m_tree(tree) { ++m_tree.m_working; }
    ~WorkingScope() { --m_tree.m_working; }
    WorkingScope(const WorkingScope &) = delete;
    WorkingScope &operator=(const WorkingScope &) = delete;

private:
    CatalogTreeView &m_tree;
};

namespace {

// Runs a cleanup when the scope ends, also by an exception.
template <typename Cleanup>
class ScopeExit {
public:
    explicit ScopeExit(Cleanup cleanup) : m_cleanup(std::move(cleanup)) {}
    ~ScopeExit() { m_cleanup(); }
    ScopeExit(const ScopeExit &) = delete;
    ScopeExit &operator=(const ScopeExit &) = delete;

private:
    Cleanup m_cleanup;
};

// A field's value as a key; Null, or a value that is not a whole number,
// names no node.
std::optional<qint64> keyValue(const Field *field)
{
    if (!field || field->isNull())
        return std::nullopt;
    bool ok = false;
    const qint64 key = field->value().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return key;
}

} // namespace

// The label editor: refuses typing while the row cannot be modified, and
// beeps at a character the field does not accept.
class LabelEditor : public QLineEdit {
public:
    explicit LabelEditor(QWidget *parent) : QLineEdit(parent) { setFrame(true); }

    void setField(const Field *field, bool canModify)
    {
        m_field = field;
        m_canModify = canModify;
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const QString typed = event->text();
        if (!typed.isEmpty() && typed.front().isPrint() && !refuses(typed)) {
            QLineEdit::keyPressEvent(event);
            return;
        }
        if (!typed.isEmpty() && typed.front().isPrint()) {
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }

    void inputMethodEvent(QInputMethodEvent *event) override
    {
        if (!event->commitString().isEmpty() && refuses(event->commitString())) {
            event->accept();
            return;
        }
        QLineEdit::inputMethodEvent(event);
    }

private:
    bool refuses(const QString &typed) const
    {
        if (!m_canModify)
            return true;
        for (const QChar c : typed) {
            if (m_field && !m_field->isValidChar(c)) {
                QApplication::beep();
                return true;
            }
        }
        return false;
    }

    const Field *m_field = nullptr;
    bool m_canModify = false;
};

// Draws the labels (framing the selected one while the tree has no focus)
// and runs label editing through the tree.
class CatalogTreeDelegate : public QStyledItemDelegate {
public:
    explicit CatalogTreeDelegate(CatalogTreeView *tree) : QStyledItemDelegate(tree), m_tree(tree) {}

    LabelEditor *openEditor() const { return m_editor; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        if (!selected || m_tree->hasFocus()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        // Without the focus the highlight gives way to a one-pixel frame in
        // the font colour around the label, 4 pixels wider than its text.
        QStyleOptionViewItem plain(option);
        initStyleOption(&plain, index);
        plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        QStyle *style = m_tree->style();
        style->drawControl(QStyle::CE_ItemViewItem, &plain, painter, m_tree);
        const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &plain, m_tree);
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_tree) + 1;
        const int width = plain.fontMetrics.horizontalAdvance(plain.text) + 4;
        const QRect frame(textRect.left() + margin - 2, textRect.top(), width, textRect.height());
        painter->save();
        painter->setPen(QPen(plain.palette.color(QPalette::Text), 0));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(frame.adjusted(0, 0, -1, -1));
        painter->restore();
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const override
    {
        auto *editor = new LabelEditor(parent);
        if (!guarded(m_tree, [&] { m_tree->beginLabelEdit(index, *editor); })) {
            delete editor;
            return nullptr;
        }
        m_editor = editor;
        return editor;
    }

    // The editor got its text when editing began; a change of the label
    // while editing leaves the typed text alone.
    void setEditorData(QWidget *, const QModelIndex &) const override {}

    void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const override
    {
        const QString text = static_cast<LabelEditor *>(editor)->text();
        guarded(m_tree, [&] { m_tree->endLabelEdit(index, text); });
    }

private:
    CatalogTreeView *m_tree;
    mutable QPointer<LabelEditor> m_editor;
};

CatalogTreeView::CatalogTreeView(QWidget *parent)
    : QTreeView(parent), m_model(new CatalogTreeModel(this)), m_delegate(new CatalogTreeDelegate(this))
{
    setModel(m_model);
    setItemDelegate(m_delegate);
    setHeaderHidden(true);
    header()->setStretchLastSection(true);
    setIndentation(19);
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    m_clickEdit = new QTimer(this);
    m_clickEdit->setSingleShot(true);
    connect(m_clickEdit, &QTimer::timeout, this, [this] {
        if (m_clickEditIndex.isValid() && m_clickEditIndex == currentIndex() && state() != EditingState)
            QTreeView::edit(m_clickEditIndex, EditKeyPressed, nullptr);
    });
    setDragEnabled(false);
    setAcceptDrops(false);
    setTextElideMode(Qt::ElideNone);
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex &index) { remember(index, true); });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex &index) { branchCollapsed(index); });
}

// The link to the dataset goes (with the DataLink base) before the nodes do.
CatalogTreeView::~CatalogTreeView() = default;

void CatalogTreeView::setDataSource(DataSource *source)
{
    DataLink::setDataSource(source);
}

// --- looking at the tree ---------------------------------------------------

int CatalogTreeView::nodeCount() const
{
    return m_model->nodeCount();
}

bool CatalogTreeView::hasNode(qint64 key) const
{
    return m_model->find(key) != nullptr;
}

QModelIndex CatalogTreeView::indexOfKey(qint64 key) const
{
    return m_model->indexOf(m_model->find(key));
}

std::optional<qint64> CatalogTreeView::keyOf(const QModelIndex &index) const
{
    if (const CatalogNode *node = m_model->nodeOf(index))
        return node->key;
    return std::nullopt;
}

std::optional<qint64> CatalogTreeView::selectedKey() const
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isSelected(current))
        return std::nullopt;
    return keyOf(current);
}

QString CatalogTreeView::labelOf(qint64 key) const
{
    const CatalogNode *node = m_model->find(key);
    return node ? node->label : QString();
}

void CatalogTreeView::setMarks(QHash<qint64, CatalogMark> marks)
{
    m_model->setMarks(std::move(marks));
}

const QHash<qint64, CatalogMark> &CatalogTreeView::marks() const
{
    return m_model->marks();
}

void CatalogTreeView::setMarkDescription(std::function<QString(qint64 record)> describe)
{
    m_model->setMarkDescription(std::move(describe));
}

std::optional<qint64> CatalogTreeView::nextKey(qint64 key, const std::function<bool(qint64)> &accept) const
{
    const CatalogNode *node = m_model->nextNode(key, [&](const CatalogNode &at) { return accept(at.key); });
    return node ? std::optional<qint64>(node->key) : std::nullopt;
}

// --- the dataset -----------------------------------------------------------

Field *CatalogTreeView::field(const QString &name) const
{
    const Dataset *set = dataSet();
    if (!set || !set->active())
        return nullptr;
    return set->findField(name);
}

QList<Field *> CatalogTreeView::displayFields() const
{
    QList<Field *> fields;
    for (const QString &name : m_displayField.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        fields.append(field(name.trimmed()));
    return fields;
}

bool CatalogTreeView::hasCatalogFields() const
{
    if (!field(m_keyField) || !field(m_parentField))
        return false;
    const QList<Field *> display = displayFields();
    return !display.isEmpty() && !display.contains(nullptr);
}

QString CatalogTreeView::displayText(const QList<Field *> &display) const
{
    if (display.size() == 1) // the usual case: no joined copy
        return display.first()->asString();
    QStringList texts;
    for (const Field *f : display)
        texts.append(f->asString());
    return texts.join(m_separator);
}

std::optional<qint64> CatalogTreeView::currentRowKey() const
{
    const Dataset *set = dataSet();
    if (!set || !set->active() || set->isEmpty())
        return std::nullopt;
    return keyValue(field(m_keyField));
}

bool CatalogTreeView::windowExists() const
{
    return testAttribute(Qt::WA_WState_Created);
}

void CatalogTreeView::takeFilterState()
{
    const Dataset *set = dataSet();
    m_seenFilter = set ? set->filter() : QString();
    m_seenFiltered = set && set->isFiltered();
}

void CatalogTreeView::activeChanged()
{
    takeFilterState();
    if (windowExists())
        refreshTree();
}

void CatalogTreeView::dataSetChanged()
{
    const Dataset *set = dataSet();
    if (set && (set->filter() != m_seenFilter || set->isFiltered() != m_seenFiltered)) {
        takeFilterState();
        if (windowExists()) {
            if (set->isFiltered())
                refreshTree();
            else
                rebuildInRowOrder();
        }
        return;
    }
    if (!windowExists() || working() || editing())
        return;
    refreshTree();
}

// Switching the filter off shows the whole catalog in its row order again,
// not with the nodes of the last search first; open branches stay open.
void CatalogTreeView::rebuildInRowOrder()
{
    QList<qint64> open;
    std::vector<const CatalogNode *> pending(m_model->topLevel().begin(), m_model->topLevel().end());
    while (!pending.empty()) {
        const CatalogNode *node = pending.back();
        pending.pop_back();
        if (node->expanded)
            open.append(node->key);
        pending.insert(pending.end(), node->children.begin(), node->children.end());
    }
    {
        WorkingScope working(*this);
        m_model->clear();
    }
    refreshTree();
    for (qint64 key : open) {
        if (CatalogNode *node = m_model->find(key))
            setExpanded(m_model->indexOf(node), true);
    }
}

void CatalogTreeView::dataSetScrolled()
{
    if (!working())
        selectCurrentRow();
}

void CatalogTreeView::recordChanged(Field *changed)
{
    const Dataset *set = dataSet();
    if (!set || !set->active() || !hasCatalogFields())
        return;
    const QList<Field *> display = displayFields();
    // A written label field shows on the row's node while the row is edited;
    // a whole-record change (a cancelled edit) brings the stored text back.
    if (changed && !(display.contains(changed) && set->state() == DatasetState::Edit))
        return;
    const std::optional<qint64> key = currentRowKey();
    if (CatalogNode *node = key ? m_model->find(*key) : nullptr)
        m_model->setLabel(node, displayText(display));
}

// --- refresh ---------------------------------------------------------------

void CatalogTreeView::discardLabelEdit()
{
    LabelEditor *editor = m_delegate->openEditor();
    if (!editor || state() != QAbstractItemView::EditingState)
        return;
    m_discardingEdit = true;
    ScopeExit done([this] { m_discardingEdit = false; });
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void CatalogTreeView::refreshTree()
{
    discardLabelEdit();
    Dataset *set = dataSet();
    if (!set || !set->active() || !hasCatalogFields()) {
        WorkingScope working(*this);
        m_model->clear();
        return;
    }
    WorkingScope working(*this);
    const std::optional<qint64> selected = selectedKey();
    Field *key = field(m_keyField);
    Field *parent = field(m_parentField);
    const QList<Field *> display = displayFields();
    {
        m_model->beginRefresh();
        ScopeExit modelDone([this] {
            m_model->fixUp();
            m_model->sweep();
            m_model->endRefresh();
        });
        set->disableControls();
        ScopeExit controlsBack([set] { set->enableControls(); });
        const Bookmark current = set->bookmark();
        for (set->first(); !set->atEnd(); set->next())
            placeRow(key, parent, display);
        set->gotoBookmark(current);
    }
    // The view forgot its expanded branches and its selection in the reset.
    std::vector<const CatalogNode *> pending(m_model->topLevel().begin(), m_model->topLevel().end());
    while (!pending.empty()) {
        const CatalogNode *node = pending.back();
        pending.pop_back();
        if (node->expanded && !node->children.empty()) {
            setExpanded(m_model->indexOf(node), true);
            pending.insert(pending.end(), node->children.begin(), node->children.end());
        }
    }
    if (selected) {
        if (const CatalogNode *node = m_model->find(*selected))
            selectIndex(m_model->indexOf(node));
    }
    selectCurrentRow();
    // The reset showed every row again.
    if (!m_search.isEmpty()) {
        showHidden(true);
        applySearch(false);
    }
}

void CatalogTreeView::placeRow(Field *keyField, Field *parentField, const QList<Field *> &display)
{
    const std::optional<qint64> key = keyValue(keyField);
    if (!key)
        return;
    const QString label = displayText(display);
    const std::optional<qint64> parentKey = keyValue(parentField);
    CatalogNode *parent = parentKey ? m_model->find(*parentKey) : nullptr;
    CatalogNode *node = m_model->find(*key);
    if (node) {
        // A top-level node waits for the fix-up pass; no parent found sends
        // a nested node to the end of the top level.
        if (!m_model->isTopLevel(node) && node != parent && node->parent != parent)
            m_model->move(node, parent);
        node->label = label;
    } else {
        node = m_model->create(*key, parent, label);
    }
    node->parentKey = parentKey;
    node->placed = true;
}

// --- search ----------------------------------------------------------------

struct CatalogTreeView::SearchPass {
    CatalogNode *first = nullptr; // the first match in tree order
    std::vector<CatalogNode *> open; // the matches and their ancestors with children
};

void CatalogTreeView::setSearchText(const QString &text)
{
    if (text == m_search)
        return;
    if (m_search.isEmpty()) {
        m_openBeforeSearch.clear();
        std::vector<const CatalogNode *> pending(m_model->topLevel().begin(), m_model->topLevel().end());
        while (!pending.empty()) {
            const CatalogNode *node = pending.back();
            pending.pop_back();
            if (node->expanded)
                m_openBeforeSearch.insert(node->key);
            pending.insert(pending.end(), node->children.begin(), node->children.end());
        }
    }
    m_search = text;
    if (!m_search.isEmpty()) {
        applySearch(true);
        return;
    }
    scheduleDelayedItemsLayout(); // the changes below are laid out once
    showHidden(false);
    restoreBranches();
    m_openBeforeSearch.clear();
    selectCurrentRow();
}

void CatalogTreeView::applySearch(bool moveSelection)
{
    // Hiding rows and opening branches only record while a layout is due:
    // the tree is laid out once, however many rows change.
    scheduleDelayedItemsLayout();
    restoreBranches();
    SearchPass pass;
    markSearchBelow(nullptr, false, pass);
    hideUnmatched(nullptr);
    for (const CatalogNode *node : pass.open)
        setExpanded(m_model->indexOf(node), true);
    if (!moveSelection)
        return;
    const CatalogNode *selected = selectedKey() ? m_model->nodeOf(currentIndex()) : nullptr;
    if (selected && catalogNameMatches(selected->label, m_search)) {
        scrollTo(currentIndex());
    } else if (pass.first) {
        const QModelIndex first = m_model->indexOf(pass.first);
        selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect);
        scrollTo(first);
    } else {
        // Nothing shown, nothing selected; the dataset keeps its row.
        WorkingScope working(*this);
        selectionModel()->clear();
    }
}

bool CatalogTreeView::markSearchBelow(CatalogNode *parent, bool underMatch, SearchPass &pass)
{
    bool found = false;
    for (CatalogNode *node : parent ? parent->children : m_model->topLevel()) {
        const bool match = catalogNameMatches(node->label, m_search);
        if (match && !pass.first)
            pass.first = node;
        const bool below = markSearchBelow(node, underMatch || match, pass);
        node->shownBySearch = underMatch || match || below;
        if ((match || below) && !node->children.empty())
            pass.open.push_back(node);
        found = found || match || below;
    }
    return found;
}

void CatalogTreeView::hideUnmatched(const CatalogNode *parent)
{
    // A hidden node hides its subtree: only the topmost ones are hidden, and
    // only the rows whose state changes since the last keystroke are touched.
    const QModelIndex parentIndex = m_model->indexOf(parent);
    for (CatalogNode *node : parent ? parent->children : m_model->topLevel()) {
        const bool hide = !node->shownBySearch;
        if (node->rowHidden != hide) {
            setRowHidden(node->row, parentIndex, hide);
            node->rowHidden = hide;
        }
        if (!hide)
            hideUnmatched(node);
    }
}

void CatalogTreeView::showHidden(bool viewForgot)
{
    // After a reset the view shows every row already; only the marks go.
    std::vector<CatalogNode *> pending(m_model->topLevel().begin(), m_model->topLevel().end());
    while (!pending.empty()) {
        CatalogNode *node = pending.back();
        pending.pop_back();
        if (node->rowHidden && !viewForgot)
            setRowHidden(node->row, m_model->indexOf(node->parent), false);
        node->rowHidden = false;
        pending.insert(pending.end(), node->children.begin(), node->children.end());
    }
}

void CatalogTreeView::restoreBranches()
{
    m_restoringBranches = true;
    ScopeExit done([this] { m_restoringBranches = false; });
    std::vector<const CatalogNode *> pending(m_model->topLevel().begin(), m_model->topLevel().end());
    while (!pending.empty()) {
        const CatalogNode *node = pending.back();
        pending.pop_back();
        const bool open = m_openBeforeSearch.contains(node->key);
        if (node->expanded != open && !node->children.empty())
            setExpanded(m_model->indexOf(node), open);
        pending.insert(pending.end(), node->children.begin(), node->children.end());
    }
}

bool CatalogTreeView::enterResults()
{
    if (!isEnabled())
        return false;
    QModelIndex target = selectedKey() ? currentIndex() : QModelIndex();
    for (int row = 0; !target.isValid() && row < m_model->rowCount(); ++row) {
        if (!isRowHidden(row, {}))
            target = m_model->index(row, 0);
    }
    if (!target.isValid())
        return false;
    if (target != currentIndex() || !selectedKey())
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    setFocus(Qt::TabFocusReason);
    scrollTo(target);
    return true;
}

// --- selection -------------------------------------------------------------

void CatalogTreeView::selectIndex(const QModelIndex &index)
{
    WorkingScope working(*this);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

void CatalogTreeView::selectCurrentRow()
{
    const std::optional<qint64> key = currentRowKey();
    const CatalogNode *node = key ? m_model->find(*key) : nullptr;
    if (!node)
        return;
    WorkingScope working(*this);
    for (const CatalogNode *above = node->parent; above->parent; above = above->parent) // the root has none
        expand(m_model->indexOf(above));
    const QModelIndex index = m_model->indexOf(node);
    selectIndex(index);
    scrollTo(index);
}

void CatalogTreeView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTreeView::currentChanged(current, previous);
    if (!working() && current.isValid())
        nodeSelected(current);
}

void CatalogTreeView::nodeSelected(const QModelIndex &index)
{
    const std::optional<qint64> key = keyOf(index);
    Dataset *set = dataSet();
    if (!key || !set || !set->active())
        return;
    if (set->state() == DatasetState::Insert || set->isEmpty() || currentRowKey() == key)
        return;
    WorkingScope working(*this);
    // Locating stores a pending edit of the current row first; an error on
    // the way leaves the current row where it was.
    try {
        set->locate(m_keyField, *key);
    } catch (const std::exception &) {}
}

void CatalogTreeView::locateSelectedNode()
{
    const std::optional<qint64> key = selectedKey();
    Dataset *set = dataSet();
    if (!key || !set || !set->active() || set->isEmpty())
        return;
    try {
        set->locate(m_keyField, *key);
    } catch (const std::exception &) {}
}

void CatalogTreeView::remember(const QModelIndex &index, bool expanded)
{
    if (CatalogNode *node = m_model->nodeOf(index))
        node->expanded = expanded;
}

void CatalogTreeView::branchCollapsed(const QModelIndex &index)
{
    remember(index, false);
    if (m_restoringBranches)
        return;
    // A selection hidden in the collapsed branch moves to the branch's node.
    const CatalogNode *branch = m_model->nodeOf(index);
    const CatalogNode *selected = m_model->nodeOf(currentIndex());
    if (branch && selected && selected != branch && CatalogTreeModel::isWithin(selected, branch))
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

// --- delete and rename -----------------------------------------------------

void CatalogTreeView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && !(event->modifiers() & ~Qt::KeypadModifier) &&
        state() != QAbstractItemView::EditingState && selectedKey()) {
        event->accept();
        guarded(this, [this] { deleteSelectedNode(); });
        return;
    }
    QTreeView::keyPressEvent(event);
}

void CatalogTreeView::deleteSelectedNode()
{
    CatalogNode *node = m_model->nodeOf(currentIndex());
    if (!node)
        return;
    if (const std::optional<QString> refusal = readOnlyRefusal(dataSet())) {
        Dialogs::instance().showMessage(this, *refusal);
        return;
    }
    const QList<qint64> keys = CatalogTreeModel::subtreeKeys(node);
    const QString label = node->label;
    QString question = QStringLiteral("Do you want to delete the item \"%1\"").arg(boundedLine(label));
    if (m_removal) {
        const QString detail = m_removal->confirmationDetail(keys);
        if (!detail.isEmpty())
            question += QLatin1Char(' ') + detail;
    }
    if (!Dialogs::instance().confirm(this, QStringLiteral("Confirm"), question))
        return;
    const auto removeRows = [this, node] {
        WorkingScope working(*this);
        const QList<qint64> removed = m_model->removeSubtree(node);
        // The node that took the removed one's place becomes the selected one.
        if (currentIndex().isValid())
            selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect);
        Dataset *set = dataSet();
        if (!set || !set->active())
            return;
        for (const qint64 key : removed) {
            if (set->isEmpty())
                continue;
            bool found = false;
            try {
                found = set->locate(m_keyField, key);
            } catch (const std::exception &) {}
            if (!found)
                continue;
            set->remove();
            locateSelectedNode();
        }
    };
    if (m_removal)
        m_removal->remove(keys, label, removeRows);
    else
        removeRows();
}

void CatalogTreeView::beginLabelEdit(const QModelIndex &index, LabelEditor &editor)
{
    CatalogNode *node = m_model->nodeOf(index);
    if (!node)
        throw std::logic_error("No node to edit");
    Dataset *set = dataSet();
    Field *list = field(m_listField);
    QString text = node->label;
    if (list) {
        text = list->asString();
        m_model->setLabel(node, text);
    }
    const bool canModify = list && set->canModify();
    if (canModify && set->state() != DatasetState::Edit && set->state() != DatasetState::Insert)
        set->edit();
    editor.setField(list, canModify);
    editor.setMaxLength(list ? list->displayWidth() : 255);
    editor.setText(text);
    editor.selectAll();
}

void CatalogTreeView::endLabelEdit(const QModelIndex &index, const QString &text)
{
    CatalogNode *node = m_model->nodeOf(index);
    if (!node || m_discardingEdit)
        return;
    Dataset *set = dataSet();
    Field *list = field(m_listField);
    // A name that is empty or only blanks is never stored: the edit ends as
    // a cancelled one, with the old name.
    if (text.trimmed().isEmpty()) {
        if (list)
            m_model->setLabel(node, list->asString());
        return;
    }
    if (list && list->asString() != text) {
        if (const std::optional<QString> refusal = readOnlyRefusal(set)) {
            set->cancel();
            Dialogs::instance().showMessage(this, *refusal);
            return;
        }
        // The file holds its texts in code page 936: a character outside it
        // would be lost on the way, and the content could not be built again.
        const QString bad = firstCharacterOutsideCp936(text);
        if (!bad.isEmpty()) {
            set->cancel();
            m_model->setLabel(node, list->asString());
            Dialogs::instance().showMessage(
                this,
                QStringLiteral("名称中的字符“%1”不能保存：测试数据只能保存 GBK（代码页 936）中的字符。"
                               "名称没有改变。")
                    .arg(bad));
            return;
        }
    }
    m_model->setLabel(node, text);
    bool written = false;
    if (list && (set->state() == DatasetState::Edit || set->state() == DatasetState::Insert) &&
        list->asString() != text) {
        WorkingScope working(*this);
        list->setAsString(text);
        written = true;
    } else if (list) {
        m_model->setLabel(node, list->asString());
    }
    if (hasCatalogFields())
        m_model->setLabel(node, displayText(displayFields()));
    // The new name goes to the file at once, so it is never lost when the
    // program ends before the row is stored otherwise.
    if (written) {
        WorkingScope working(*this);
        try {
            set->post();
        } catch (...) {
            // A name the file refused shows nowhere: row and label go back.
            set->cancel();
            throw;
        }
    }
}

// --- look and events -------------------------------------------------------

void CatalogTreeView::mousePressEvent(QMouseEvent *event)
{
    // The press that brought the focus found the tree without it.
    m_focusedBeforePress = hasFocus() && !m_focusedByThisPress;
    m_focusedByThisPress = false;
    m_doubleClicked = false;
    m_clickEdit->stop();
    QTreeView::mousePressEvent(event);
}

void CatalogTreeView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The release that ends a double click must not start an edit either.
    m_doubleClicked = true;
    m_clickEdit->stop();
    QTreeView::mouseDoubleClickEvent(event);
}

bool CatalogTreeView::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    if (trigger != SelectedClicked)
        return QTreeView::edit(index, trigger, event);
    // A click on the selected node: a stray one (the focus was elsewhere) or
    // the first of a double click starts nothing.
    if (m_focusedBeforePress && !m_doubleClicked && (editTriggers() & SelectedClicked)) {
        m_clickEditIndex = index;
        m_clickEdit->start(QApplication::doubleClickInterval());
    }
    return false;
}

void CatalogTreeView::showEvent(QShowEvent *event)
{
    QTreeView::showEvent(event);
    if (!m_filledOnShow) {
        m_filledOnShow = true;
        takeFilterState();
        guarded(this, [this] { refreshTree(); });
    }
}

void CatalogTreeView::focusInEvent(QFocusEvent *event)
{
    // A click gives the focus before the press itself arrives.
    m_focusedByThisPress = event->reason() == Qt::MouseFocusReason;
    QTreeView::focusInEvent(event);
    viewport()->update();
}

void CatalogTreeView::focusOutEvent(QFocusEvent *event)
{
    QTreeView::focusOutEvent(event);
    viewport()->update();
}

bool CatalogTreeView::viewportEvent(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QTreeView::viewportEvent(event);
    auto *help = static_cast<QHelpEvent *>(event);
    const QModelIndex index = indexAt(help->pos());
    const CatalogNode *node = m_model->nodeOf(index);
    if (node) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.rect = visualRect(index);
        option.text = node->label;
        option.features |= QStyleOptionViewItem::HasDisplay;
        const QRect textRect = style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
        const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
        const int textRight = textRect.left() + margin + fontMetrics().horizontalAdvance(node->label);
        const bool cut = textRight > std::min(textRect.right(), viewport()->width());
        const QString mark = m_model->markText(node->key);
        if (cut || !mark.isEmpty()) {
            // A taken test names its last run, below the label when that is cut.
            // Shown as written: a name is never markup.
            const QString text = mark.isEmpty() ? plainToolTip(node->label)
                : cut                           ? plainToolTip(node->label + QLatin1Char('\n') + mark)
                                                : plainToolTip(mark);
            QToolTip::showText(help->globalPos(), text, viewport(), visualRect(index));
            return true;
        }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

void CatalogTreeView::drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const
{
    const int indent = indentation();
    if (indent <= 0 || rect.width() < indent)
        return;
    std::vector<QModelIndex> chain;
    for (QModelIndex at = index; at.isValid(); at = at.parent())
        chain.push_back(at);
    std::reverse(chain.begin(), chain.end());
    const int levels = std::min<int>(rect.width() / indent, int(chain.size()));
    const int first = int(chain.size()) - levels;
    const int middle = rect.top() + rect.height() / 2;

    painter->save();
    // Only the label shows the selection; the lines stand on the background.
    painter->fillRect(rect, palette().brush(QPalette::Base));
    QPen dotted(palette().color(QPalette::Mid), 0);
    dotted.setDashPattern({1, 1});
    painter->setPen(dotted);
    for (int level = 0; level < levels; ++level) {
        const QModelIndex &node = chain[first + level];
        const int x = rect.left() + level * indent + indent / 2;
        const bool hasNext = node.row() + 1 < model()->rowCount(node.parent());
        if (level < levels - 1) {
            if (hasNext)
                painter->drawLine(x, rect.top(), x, rect.bottom());
            continue;
        }
        const bool hasAbove = node.parent().isValid() || node.row() > 0;
        painter->drawLine(x, hasAbove ? rect.top() : middle, x, hasNext ? rect.bottom() : middle);
        painter->drawLine(x, middle, rect.left() + (level + 1) * indent - 1, middle);
        if (model()->hasChildren(node)) {
            const QRect box(x - 4, middle - 4, 9, 9);
            painter->setPen(QPen(palette().color(QPalette::Dark), 0));
            painter->setBrush(palette().color(QPalette::Base));
            painter->drawRect(box.adjusted(0, 0, -1, -1));
            painter->setPen(QPen(palette().color(QPalette::Text), 0));
            painter->drawLine(x - 2, middle, x + 2, middle);
            if (!isExpanded(node))
                painter->drawLine(x, middle - 2, x, middle + 2);
            painter->setPen(dotted);
            painter->setBrush(Qt::NoBrush);
        }
    }
    painter->restore();
}

} // namespace lovetest
