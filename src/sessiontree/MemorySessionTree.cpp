#include "sessiontree/MemorySessionTree.h"

#include <algorithm>

struct MemorySessionTree::Node {
    TreeItem id = kNoTreeItem;
    VUnicodeString text;
    SessionTreeItemData data;
    Node* parent = nullptr;
    std::vector<std::unique_ptr<Node>> children;
    size_t row = 0;
    bool expanded = false;
    bool cut = false;
};

MemorySessionTree::MemorySessionTree(ISessionTreeOwner* owner) : SessionTreeBase(owner) {}

MemorySessionTree::~MemorySessionTree()
{
    StopFilterTimer();
}

MemorySessionTree::Node* MemorySessionTree::NodeAt(TreeItem item) const
{
    if (item == kNoTreeItem)
        return nullptr;
    const auto it = m_nodes.find(item);
    return it == m_nodes.end() ? nullptr : it->second;
}

TreeItem MemorySessionTree::H(const Node* node)
{
    return node ? node->id : kNoTreeItem;
}

void MemorySessionTree::Renumber(Node* parent, size_t from)
{
    for (size_t i = from; i < parent->children.size(); ++i)
        parent->children[i]->row = i;
}

// Drops the handles of a node and everything below it.
void MemorySessionTree::Forget(Node* node)
{
    std::vector<Node*> pending{node};
    while (!pending.empty()) {
        Node* at = pending.back();
        pending.pop_back();
        m_nodes.erase(at->id);
        for (const auto& child : at->children)
            pending.push_back(child.get());
    }
}

TreeItem MemorySessionTree::InsertItem(const VUnicodeString& text, TreeItem parent, TreeItem insertAfter,
                                       const SessionTreeItemData& data)
{
    Node* p = nullptr;
    if (parent != kNoTreeItem && !(p = NodeAt(parent)))
        return kNoTreeItem;
    size_t at = 0;
    if (p) {
        if (insertAfter == kInsertFirst) {
            at = 0;
        } else if (insertAfter == kInsertLast) {
            at = p->children.size();
        } else {
            const Node* sibling = NodeAt(insertAfter);
            if (!sibling || sibling->parent != p)
                return kNoTreeItem;
            at = sibling->row + 1;
        }
    }
    auto node = std::make_unique<Node>();
    node->id = m_nextId++;
    node->text = text;
    node->data = data;
    Node* raw = node.get();
    m_nodes[raw->id] = raw;
    if (!p) {
        DeleteAllItems();
        m_nodes[raw->id] = raw;
        m_root = std::move(node);
        return raw->id;
    }
    raw->parent = p;
    p->children.insert(p->children.begin() + static_cast<std::ptrdiff_t>(at), std::move(node));
    Renumber(p, at);
    return raw->id;
}

void MemorySessionTree::DeleteItem(TreeItem item)
{
    Node* node = NodeAt(item);
    if (!node)
        return;
    Forget(node);
    // What named the node or anything below it now names nothing.
    std::erase_if(m_selection, [&](TreeItem s) { return !NodeAt(s); });
    if (!NodeAt(m_edited))
        m_edited = kNoTreeItem;
    if (!NodeAt(m_dropHighlight))
        m_dropHighlight = kNoTreeItem;
    if (!node->parent) {
        m_root.reset();
        return;
    }
    Node* parent = node->parent;
    const size_t row = node->row;
    parent->children.erase(parent->children.begin() + static_cast<std::ptrdiff_t>(row));
    Renumber(parent, row);
}

bool MemorySessionTree::MoveItem(TreeItem item, TreeItem parent, TreeItem insertAfter)
{
    Node* node = NodeAt(item);
    Node* target = NodeAt(parent);
    if (!node || !target || !node->parent || item == insertAfter)
        return false;
    for (const Node* at = target; at; at = at->parent)
        if (at == node)
            return false; // into itself
    const Node* sibling = nullptr;
    if (insertAfter != kInsertFirst && insertAfter != kInsertLast) {
        sibling = NodeAt(insertAfter);
        if (!sibling || sibling->parent != target)
            return false;
    }
    Node* from = node->parent;
    const size_t row = node->row;
    std::unique_ptr<Node> held = std::move(from->children[row]);
    from->children.erase(from->children.begin() + static_cast<std::ptrdiff_t>(row));
    Renumber(from, row);
    const size_t at = insertAfter == kInsertFirst  ? 0
                      : insertAfter == kInsertLast ? target->children.size()
                                                   : sibling->row + 1;
    held->parent = target;
    target->children.insert(target->children.begin() + static_cast<std::ptrdiff_t>(at), std::move(held));
    Renumber(target, at);
    return true;
}

void MemorySessionTree::DeleteAllItems()
{
    m_selection.clear();
    m_edited = kNoTreeItem;
    m_dropHighlight = kNoTreeItem;
    m_nodes.clear();
    m_root.reset();
}

VUnicodeString MemorySessionTree::GetItemText(TreeItem item) const
{
    const Node* node = NodeAt(item);
    return node ? node->text : VUnicodeString();
}

void MemorySessionTree::SetItemText(TreeItem item, const VUnicodeString& text)
{
    if (Node* node = NodeAt(item))
        node->text = text;
}

SessionTreeItemData* MemorySessionTree::GetItemData(TreeItem item) const
{
    Node* node = NodeAt(item);
    return node ? &node->data : nullptr;
}

TreeItem MemorySessionTree::GetChildItem(TreeItem item) const
{
    const Node* node = NodeAt(item);
    return node && !node->children.empty() ? node->children.front()->id : kNoTreeItem;
}

TreeItem MemorySessionTree::GetNextSiblingItem(TreeItem item) const
{
    const Node* node = NodeAt(item);
    if (!node || !node->parent || node->row + 1 >= node->parent->children.size())
        return kNoTreeItem;
    return node->parent->children[node->row + 1]->id;
}

TreeItem MemorySessionTree::GetParentItem(TreeItem item) const
{
    const Node* node = NodeAt(item);
    return node ? H(node->parent) : kNoTreeItem;
}

TreeItem MemorySessionTree::GetRootItem() const
{
    return H(m_root.get());
}

void MemorySessionTree::ExpandItem(TreeItem item, bool expand)
{
    if (!NodeAt(item))
        return;
    if (expand && !NodeAt(item)->expanded)
        OnItemExpanding(item); // as a control asks before it shows children
    if (Node* node = NodeAt(item)) // loading may have refilled the tree
        node->expanded = expand;
}

bool MemorySessionTree::IsItemExpanded(TreeItem item) const
{
    const Node* node = NodeAt(item);
    return node && node->expanded;
}

void MemorySessionTree::SelectItem(TreeItem item)
{
    m_selection.clear();
    if (NodeAt(item))
        m_selection.push_back(item);
}

void MemorySessionTree::SetSelection(const std::vector<TreeItem>& items)
{
    m_selection.clear();
    for (TreeItem item : items)
        if (NodeAt(item))
            m_selection.push_back(item);
}

std::vector<TreeItem> MemorySessionTree::GetSelectedItems() const
{
    std::vector<TreeItem> items;
    items.reserve(m_selection.size());
    for (TreeItem item : m_selection)
        if (NodeAt(item))
            items.push_back(item);
    return items;
}

void MemorySessionTree::EditLabel(TreeItem item, const VUnicodeString& text)
{
    if (!NodeAt(item))
        return;
    m_edited = item;
    m_editText = text;
}

bool MemorySessionTree::FinishLabelEdit(const VUnicodeString& text, bool cancelled)
{
    const TreeItem item = m_edited;
    if (!NodeAt(item)) {
        m_edited = kNoTreeItem;
        return false;
    }
    m_edited = kNoTreeItem;
    m_editText = VUnicodeString();
    EndLabelEdit(item, text, cancelled);
    return true;
}

void MemorySessionTree::SetItemCutLook(TreeItem item, bool cut)
{
    if (Node* node = NodeAt(item))
        node->cut = cut;
}

void MemorySessionTree::VisibleRows(const Node* node, std::vector<const Node*>& rows) const
{
    rows.push_back(node);
    if (node->expanded)
        for (const auto& child : node->children)
            VisibleRows(child.get(), rows);
}

TreeItem MemorySessionTree::HitTest(int, int y, int& yInRow, int& rowHeight) const
{
    rowHeight = kRowHeight;
    yInRow = 0;
    if (!m_root || y < 0)
        return kNoTreeItem;
    std::vector<const Node*> rows;
    VisibleRows(m_root.get(), rows);
    const size_t row = static_cast<size_t>(y / kRowHeight);
    if (row >= rows.size())
        return kNoTreeItem;
    yInRow = y % kRowHeight;
    return H(rows[row]);
}

int MemorySessionTree::RowY(TreeItem item, int offset) const
{
    std::vector<const Node*> rows;
    if (m_root)
        VisibleRows(m_root.get(), rows);
    for (size_t i = 0; i < rows.size(); ++i)
        if (H(rows[i]) == item)
            return static_cast<int>(i) * kRowHeight + offset;
    return -1;
}

bool MemorySessionTree::FireTimer(int id)
{
    if (!m_timers.contains(id))
        return false;
    OnTimer(id);
    return true;
}

std::vector<VUnicodeString> MemorySessionTree::Outline(TreeItem from) const
{
    std::vector<VUnicodeString> lines;
    std::vector<std::pair<const Node*, size_t>> stack;
    if (const Node* node = NodeAt(from))
        stack.emplace_back(node, 0);
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        VUnicodeString line(std::u16string(depth * 2, u' '));
        line += node->text;
        if (node->data.isFolder)
            line += u'/';
        lines.push_back(std::move(line));
        if (node->expanded)
            for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
                stack.emplace_back(it->get(), depth + 1);
    }
    return lines;
}
