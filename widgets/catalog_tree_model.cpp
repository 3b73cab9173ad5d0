#include "widgets/catalog_tree_model.h"

#include <algorithm>

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "data/text_head.h"
#include "widgets/plain_tool_tip.h"

namespace lovetest {

namespace {

// A white tick on a green disc: it reads on a light and on a dark base alike.
QIcon checkMarkIcon(bool blank)
{
    constexpr int kSize = 32; // scaled down to the view's icon size
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    if (!blank) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x2e, 0x8b, 0x3e));
        painter.drawEllipse(QRectF(2, 2, kSize - 4, kSize - 4));
        QPainterPath tick;
        tick.moveTo(9, 16.5);
        tick.lineTo(14, 21.5);
        tick.lineTo(23.5, 11);
        painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tick);
    }
    return QIcon(pixmap);
}

} // namespace

CatalogTreeModel::CatalogTreeModel(QObject *parent) : QAbstractItemModel(parent)
{}

CatalogTreeModel::~CatalogTreeModel()
{
    qDeleteAll(m_nodes);
}

CatalogNode *CatalogTreeModel::nodeOf(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<CatalogNode *>(index.internalPointer());
}

const CatalogNode *CatalogTreeModel::nodeOrRoot(const QModelIndex &index) const
{
    CatalogNode *node = nodeOf(index);
    return node ? node : &m_root;
}

QModelIndex CatalogTreeModel::indexOf(const CatalogNode *node) const
{
    if (!node || node == &m_root)
        return {};
    return createIndex(node->row, 0, const_cast<CatalogNode *>(node));
}

bool CatalogTreeModel::isWithin(const CatalogNode *node, const CatalogNode *ancestor)
{
    for (; node; node = node->parent) {
        if (node == ancestor)
            return true;
    }
    return false;
}

void CatalogTreeModel::beginRefresh()
{
    beginResetModel();
    for (CatalogNode *node : std::as_const(m_nodes))
        node->placed = false;
}

CatalogNode *CatalogTreeModel::create(qint64 key, CatalogNode *parent, const QString &label)
{
    auto *node = new CatalogNode;
    node->key = key;
    node->label = label;
    node->parent = parent ? parent : &m_root;
    node->parent->children.push_back(node);
    m_nodes.insert(key, node);
    return node;
}

void CatalogTreeModel::detach(CatalogNode *node)
{
    auto &siblings = node->parent->children;
    siblings.erase(std::find(siblings.begin(), siblings.end(), node));
}

bool CatalogTreeModel::move(CatalogNode *node, CatalogNode *newParent)
{
    CatalogNode *target = newParent ? newParent : &m_root;
    if (isWithin(target, node))
        return false;
    detach(node);
    node->parent = target;
    target->children.push_back(node);
    return true;
}

void CatalogTreeModel::fixUp()
{
    // The moved nodes leave the top level in one pass at the end, so the
    // walk stays linear however many of them move.
    const std::vector<CatalogNode *> tops = m_root.children;
    bool moved = false;
    for (CatalogNode *node : tops) {
        if (!node->placed || !node->parentKey)
            continue;
        CatalogNode *parent = find(*node->parentKey);
        if (!parent || parent == node || isWithin(parent, node))
            continue;
        node->parent = parent;
        parent->children.push_back(node);
        moved = true;
    }
    if (moved) {
        auto &top = m_root.children;
        top.erase(std::remove_if(top.begin(), top.end(), [this](CatalogNode *n) { return n->parent != &m_root; }),
                  top.end());
    }
}

void CatalogTreeModel::destroy(CatalogNode *node)
{
    std::vector<CatalogNode *> pending{node};
    while (!pending.empty()) {
        CatalogNode *next = pending.back();
        pending.pop_back();
        pending.insert(pending.end(), next->children.begin(), next->children.end());
        m_nodes.remove(next->key);
        delete next;
    }
}

void CatalogTreeModel::sweep()
{
    std::vector<CatalogNode *> pending{&m_root};
    while (!pending.empty()) {
        CatalogNode *node = pending.back();
        pending.pop_back();
        auto &children = node->children;
        size_t kept = 0;
        for (CatalogNode *child : children) {
            if (child->placed) {
                children[kept++] = child;
                pending.push_back(child);
            } else {
                destroy(child);
            }
        }
        children.resize(kept);
    }
}

void CatalogTreeModel::renumber(CatalogNode *node)
{
    std::vector<CatalogNode *> pending{node};
    while (!pending.empty()) {
        CatalogNode *next = pending.back();
        pending.pop_back();
        for (size_t i = 0; i < next->children.size(); ++i) {
            next->children[i]->row = int(i);
            if (!next->children[i]->children.empty())
                pending.push_back(next->children[i]);
        }
    }
}

void CatalogTreeModel::endRefresh()
{
    renumber(&m_root);
    endResetModel();
}

void CatalogTreeModel::clear()
{
    beginResetModel();
    qDeleteAll(m_nodes);
    m_nodes.clear();
    m_root.children.clear();
    endResetModel();
}

void CatalogTreeModel::setLabel(CatalogNode *node, const QString &label)
{
    if (node->label == label)
        return;
    node->label = label;
    const QModelIndex at = indexOf(node);
    emit dataChanged(at, at, {Qt::DisplayRole, Qt::EditRole});
}

void CatalogTreeModel::collectPostOrder(const CatalogNode *node, QList<qint64> &keys)
{
    for (const CatalogNode *child : node->children)
        collectPostOrder(child, keys);
    keys.append(node->key);
}

QList<qint64> CatalogTreeModel::subtreeKeys(const CatalogNode *node)
{
    QList<qint64> keys;
    collectPostOrder(node, keys);
    return keys;
}

QList<qint64> CatalogTreeModel::removeSubtree(CatalogNode *node)
{
    const QList<qint64> keys = subtreeKeys(node);
    CatalogNode *parent = node->parent;
    beginRemoveRows(indexOf(parent), node->row, node->row);
    detach(node);
    for (size_t i = node->row; i < parent->children.size(); ++i)
        parent->children[i]->row = int(i);
    destroy(node);
    endRemoveRows();
    return keys;
}

void CatalogTreeModel::setMarks(QHash<qint64, CatalogMark> marks)
{
    // Only the rows whose mark came, went or changed are repainted; when the
    // first mark comes or the last goes, every row's text moves.
    const bool everyRow = m_marks.isEmpty() != marks.isEmpty();
    QList<qint64> changed;
    if (!everyRow) {
        for (auto it = m_marks.cbegin(); it != m_marks.cend(); ++it) {
            const auto now = marks.constFind(it.key());
            if (now == marks.cend() || now->record != it->record)
                changed.append(it.key());
        }
        for (auto it = marks.cbegin(); it != marks.cend(); ++it) {
            if (!m_marks.contains(it.key()))
                changed.append(it.key());
        }
    }
    m_marks = std::move(marks);
    if (everyRow) {
        std::vector<const CatalogNode *> pending{&m_root};
        while (!pending.empty()) {
            const CatalogNode *node = pending.back();
            pending.pop_back();
            if (!node->children.empty()) {
                emit dataChanged(indexOf(node->children.front()), indexOf(node->children.back()),
                                 {Qt::DecorationRole, Qt::ToolTipRole});
                pending.insert(pending.end(), node->children.begin(), node->children.end());
            }
        }
        return;
    }
    for (qint64 key : std::as_const(changed)) {
        if (const CatalogNode *node = find(key)) {
            const QModelIndex at = indexOf(node);
            emit dataChanged(at, at, {Qt::DecorationRole, Qt::ToolTipRole});
        }
    }
}

QString CatalogTreeModel::markText(qint64 key) const
{
    const auto mark = m_marks.constFind(key);
    if (mark == m_marks.cend() || !m_describe)
        return {};
    return m_describe(mark->record);
}

const CatalogNode *CatalogTreeModel::nextNode(qint64 key, const std::function<bool(const CatalogNode &)> &accept) const
{
    const CatalogNode *node = find(key);
    if (!node)
        return nullptr;
    // Pre-order successor without a stack: the first child, else the next
    // sibling of the node or of its nearest ancestor that has one. A row the
    // search hides hides its subtree, which is passed over whole.
    auto successor = [this](const CatalogNode *at) -> const CatalogNode * {
        if (!at->children.empty() && !at->rowHidden)
            return at->children.front();
        for (; at != &m_root; at = at->parent) {
            const auto &siblings = at->parent->children;
            if (size_t(at->row) + 1 < siblings.size())
                return siblings[at->row + 1];
        }
        return nullptr;
    };
    for (node = successor(node); node; node = successor(node)) {
        if (!node->rowHidden && accept(*node))
            return node;
    }
    return nullptr;
}

QModelIndex CatalogTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    const CatalogNode *owner = nodeOrRoot(parent);
    if (column != 0 || row < 0 || size_t(row) >= owner->children.size())
        return {};
    return createIndex(row, 0, owner->children[row]);
}

QModelIndex CatalogTreeModel::parent(const QModelIndex &child) const
{
    const CatalogNode *node = nodeOf(child);
    if (!node || node->parent == &m_root)
        return {};
    return indexOf(node->parent);
}

int CatalogTreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    return int(nodeOrRoot(parent)->children.size());
}

int CatalogTreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

bool CatalogTreeModel::hasChildren(const QModelIndex &parent) const
{
    return !nodeOrRoot(parent)->children.empty();
}

QVariant CatalogTreeModel::data(const QModelIndex &index, int role) const
{
    const CatalogNode *node = nodeOf(index);
    if (!node)
        return {};
    // The tree lays out what it shows: a long label shows its head; an edit
    // starts from the whole label.
    if (role == Qt::DisplayRole)
        return boundedLine(node->label);
    if (role == Qt::EditRole)
        return node->label;
    if (role == Qt::DecorationRole && !m_marks.isEmpty()) {
        // Unmarked rows hold the place, so every label stays in line.
        static const QIcon marked = checkMarkIcon(false);
        static const QIcon blank = checkMarkIcon(true);
        return m_marks.contains(node->key) ? marked : blank;
    }
    if (role == Qt::ToolTipRole && m_marks.contains(node->key)) {
        const QString text = markText(node->key);
        return text.isEmpty() ? QVariant() : QVariant(plainToolTip(text));
    }
    return {};
}

Qt::ItemFlags CatalogTreeModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

} // namespace lovetest
