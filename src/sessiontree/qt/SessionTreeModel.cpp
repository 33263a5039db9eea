#include "sessiontree/qt/SessionTreeModel.h"

#include <QApplication>
#include <QPalette>

#include "platform/qt/QtStrings.h"
#include "sessiontree/qt/SessionIcons.h"
#include "sessiontree/qt/SessionTreeCtrl.h"

namespace {
// A tooltip buffer as large as the platform's item tips.
constexpr size_t kTipCapacity = 1024;
} // namespace

SessionTreeModel::SessionTreeModel(SessionTreeCtrl& tree) : QAbstractItemModel(&tree), m_tree(tree) {}

SessionTreeModel::Node* SessionTreeModel::NodeOf(TreeItem item) const
{
    if (item == kNoTreeItem)
        return nullptr;
    const auto it = m_nodes.find(item);
    return it == m_nodes.end() ? nullptr : it->second;
}

void SessionTreeModel::Renumber(Node* parent, size_t from)
{
    for (size_t i = from; i < parent->children.size(); ++i)
        parent->children[i]->row = static_cast<int>(i);
}

SessionTreeModel::Node* SessionTreeModel::NodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : nullptr;
}

QModelIndex SessionTreeModel::IndexOf(const Node* node) const
{
    if (!node || node == &m_top)
        return {};
    return createIndex(node->row, 0, const_cast<Node*>(node));
}

SessionTreeModel::Node* SessionTreeModel::Insert(Node* parent, TreeItem after, const QString& text,
                                                 const SessionTreeItemData& data)
{
    auto& siblings = parent->children;
    size_t at = siblings.size();
    if (after == kInsertFirst) {
        at = 0;
    } else if (after != kInsertLast) {
        const Node* sibling = NodeOf(after);
        if (!sibling || sibling->parent != parent)
            return nullptr;
        at = static_cast<size_t>(sibling->row) + 1;
    }
    auto node = std::make_unique<Node>();
    node->id = m_nextId++;
    m_nodes[node->id] = node.get();
    node->text = text;
    node->data = data;
    node->parent = parent;
    Node* raw = node.get();
    if (!m_resetting)
        beginInsertRows(IndexOf(parent), static_cast<int>(at), static_cast<int>(at));
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(at), std::move(node));
    Renumber(parent, at);
    if (!m_resetting)
        endInsertRows();
    return raw;
}

bool SessionTreeModel::Move(Node* node, Node* parent, TreeItem after)
{
    if (!node || !parent || !node->parent || node == &m_top)
        return false;
    for (const Node* at = parent; at; at = at->parent)
        if (at == node)
            return false; // into itself
    size_t at = parent->children.size();
    if (after == kInsertFirst) {
        at = 0;
    } else if (after != kInsertLast) {
        const Node* sibling = NodeOf(after);
        if (!sibling || sibling->parent != parent || sibling == node)
            return false;
        at = static_cast<size_t>(sibling->row) + 1;
    }
    Node* from = node->parent;
    const int row = node->row;
    // Qt counts the destination before the row leaves.
    if (from == parent && (static_cast<int>(at) == row || static_cast<int>(at) == row + 1))
        return true; // already there
    if (!m_resetting && !beginMoveRows(IndexOf(from), row, row, IndexOf(parent), static_cast<int>(at)))
        return false;
    std::unique_ptr<Node> held = std::move(from->children[static_cast<size_t>(row)]);
    from->children.erase(from->children.begin() + row);
    Renumber(from, static_cast<size_t>(row));
    if (from == parent && at > static_cast<size_t>(row))
        --at;
    held->parent = parent;
    parent->children.insert(parent->children.begin() + static_cast<std::ptrdiff_t>(at), std::move(held));
    Renumber(parent, at);
    if (!m_resetting)
        endMoveRows();
    return true;
}

void SessionTreeModel::Remove(Node* node)
{
    Node* parent = node->parent;
    if (!parent)
        return;
    const int row = node->row;
    if (!m_resetting)
        beginRemoveRows(IndexOf(parent), row, row);
    // Every handle of the node and below it names nothing from now on.
    std::vector<Node*> pending{node};
    while (!pending.empty()) {
        Node* at = pending.back();
        pending.pop_back();
        m_nodes.erase(at->id);
        for (const auto& child : at->children)
            pending.push_back(child.get());
    }
    auto& siblings = parent->children;
    siblings.erase(siblings.begin() + row);
    Renumber(parent, static_cast<size_t>(row));
    if (!m_resetting)
        endRemoveRows();
}

void SessionTreeModel::Clear()
{
    if (!m_resetting)
        beginResetModel();
    m_dropHighlight = kNoTreeItem;
    m_nodes.clear();
    m_top.children.clear();
    if (!m_resetting)
        endResetModel();
}

void SessionTreeModel::BeginReset()
{
    if (m_resetting++ == 0)
        beginResetModel();
}

void SessionTreeModel::EndReset()
{
    if (m_resetting > 0 && --m_resetting == 0)
        endResetModel();
}

void SessionTreeModel::Changed(Node* node)
{
    if (node && node != &m_top && !m_resetting) {
        const QModelIndex index = IndexOf(node);
        emit dataChanged(index, index);
    }
}

void SessionTreeModel::ForgetImages(Node* node)
{
    node->image = -1;
    for (auto& child : node->children)
        ForgetImages(child.get());
}

void SessionTreeModel::ForgetImages()
{
    ForgetImages(&m_top);
}

void SessionTreeModel::SetDropHighlight(Node* node)
{
    const TreeItem item = ItemOf(node);
    if (item == m_dropHighlight)
        return;
    Node* old = NodeOf(m_dropHighlight);
    m_dropHighlight = item;
    Changed(old);
    Changed(node);
}

QModelIndex SessionTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    const Node* holder = parent.isValid() ? NodeOf(parent) : &m_top;
    if (column != 0 || row < 0 || static_cast<size_t>(row) >= holder->children.size())
        return {};
    return createIndex(row, 0, holder->children[static_cast<size_t>(row)].get());
}

QModelIndex SessionTreeModel::parent(const QModelIndex& child) const
{
    const Node* node = NodeOf(child);
    return node ? IndexOf(node->parent) : QModelIndex();
}

int SessionTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    const Node* holder = parent.isValid() ? NodeOf(parent) : &m_top;
    return static_cast<int>(holder->children.size());
}

int SessionTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

bool SessionTreeModel::Loadable(const Node* node)
{
    return node && node->data.isFolder && !node->data.childrenLoaded && !node->data.isNewFolder;
}

bool SessionTreeModel::hasChildren(const QModelIndex& parent) const
{
    const Node* holder = parent.isValid() ? NodeOf(parent) : &m_top;
    return !holder->children.empty() || Loadable(holder);
}

bool SessionTreeModel::canFetchMore(const QModelIndex& parent) const
{
    return Loadable(NodeOf(parent));
}

void SessionTreeModel::fetchMore(const QModelIndex& parent)
{
    if (Node* node = NodeOf(parent); Loadable(node))
        m_tree.OnItemExpanding(ItemOf(node));
}

QVariant SessionTreeModel::data(const QModelIndex& index, int role) const
{
    Node* node = NodeOf(index);
    if (!node)
        return {};
    const TreeItem item = ItemOf(node);
    switch (role) {
    case Qt::DisplayRole:
        return node->text;
    case Qt::EditRole:
        return node->editText.isNull() ? node->text : node->editText;
    case Qt::DecorationRole:
        if (node->data.isFolder)
            return m_tree.FolderIcon(m_tree.GetItemImage(item, false), m_tree.GetItemImage(item, true));
        if (node->image < 0)
            node->image = m_tree.GetItemImage(item, false);
        return SessionIcons::Image(node->image);
    case Qt::ToolTipRole: {
        VUnicodeString tip;
        if (!m_tree.GetTooltip(item, kTipCapacity, tip))
            return {};
        return ToQString(tip);
    }
    case Qt::ForegroundRole:
        if (node->cut)
            return m_tree.palette().color(QPalette::Disabled, QPalette::Text);
        return {};
    case Qt::BackgroundRole:
        if (node->id == m_dropHighlight)
            return m_tree.palette().color(QPalette::Highlight).lighter(160);
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags SessionTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
           Qt::ItemIsDropEnabled;
}
