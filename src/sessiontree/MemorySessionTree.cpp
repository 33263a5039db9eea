#include "sessiontree/MemorySessionTree.h"

#include <algorithm>

struct MemorySessionTree::Node {
    VUnicodeString text;
    SessionTreeItemData data;
    Node* parent = nullptr;
    std::vector<std::unique_ptr<Node>> children;
    bool expanded = false;
    bool cut = false;
};

MemorySessionTree::MemorySessionTree(ISessionTreeOwner* owner) : SessionTreeBase(owner) {}

MemorySessionTree::~MemorySessionTree()
{
    StopFilterTimer();
}

TreeItem MemorySessionTree::InsertItem(const VUnicodeString& text, TreeItem parent, TreeItem insertAfter,
                                       const SessionTreeItemData& data)
{
    auto node = std::make_unique<Node>();
    node->text = text;
    node->data = data;
    Node* raw = node.get();
    if (parent == kNoTreeItem) {
        DeleteAllItems();
        m_root = std::move(node);
        return H(raw);
    }
    Node* p = N(parent);
    raw->parent = p;
    auto& children = p->children;
    if (insertAfter == kInsertFirst) {
        children.insert(children.begin(), std::move(node));
    } else if (insertAfter == kInsertLast) {
        children.push_back(std::move(node));
    } else {
        const auto it = std::find_if(children.begin(), children.end(),
                                     [&](const auto& c) { return H(c.get()) == insertAfter; });
        if (it == children.end())
            return kNoTreeItem;
        children.insert(it + 1, std::move(node));
    }
    return H(raw);
}

void MemorySessionTree::DeleteItem(TreeItem item)
{
    if (item == kNoTreeItem)
        return;
    Node* node = N(item);
    const auto below = [node](TreeItem at) {
        for (const Node* n = N(at); n; n = n->parent)
            if (n == node)
                return true;
        return false;
    };
    // Nothing below a deleted item stays selected, highlighted or edited.
    std::erase_if(m_selection, [&](Node* s) { return below(H(s)); });
    if (m_edited != kNoTreeItem && below(m_edited))
        m_edited = kNoTreeItem;
    if (m_dropHighlight != kNoTreeItem && below(m_dropHighlight))
        m_dropHighlight = kNoTreeItem;
    if (!node->parent) {
        m_root.reset();
        return;
    }
    std::erase_if(node->parent->children, [&](const auto& c) { return c.get() == node; });
}

void MemorySessionTree::DeleteAllItems()
{
    m_selection.clear();
    m_edited = kNoTreeItem;
    m_dropHighlight = kNoTreeItem;
    m_root.reset();
}

VUnicodeString MemorySessionTree::GetItemText(TreeItem item) const
{
    return item ? N(item)->text : VUnicodeString();
}

void MemorySessionTree::SetItemText(TreeItem item, const VUnicodeString& text)
{
    if (item)
        N(item)->text = text;
}

SessionTreeItemData* MemorySessionTree::GetItemData(TreeItem item) const
{
    return item ? &N(item)->data : nullptr;
}

TreeItem MemorySessionTree::GetChildItem(TreeItem item) const
{
    if (!item || N(item)->children.empty())
        return kNoTreeItem;
    return H(N(item)->children.front().get());
}

TreeItem MemorySessionTree::GetNextSiblingItem(TreeItem item) const
{
    if (!item || !N(item)->parent)
        return kNoTreeItem;
    const auto& siblings = N(item)->parent->children;
    for (size_t i = 0; i + 1 < siblings.size(); ++i)
        if (H(siblings[i].get()) == item)
            return H(siblings[i + 1].get());
    return kNoTreeItem;
}

TreeItem MemorySessionTree::GetParentItem(TreeItem item) const
{
    return item ? H(N(item)->parent) : kNoTreeItem;
}

TreeItem MemorySessionTree::GetRootItem() const
{
    return H(m_root.get());
}

void MemorySessionTree::ExpandItem(TreeItem item, bool expand)
{
    if (!item)
        return;
    if (expand && !N(item)->expanded)
        OnItemExpanding(item); // as a control asks before it shows children
    N(item)->expanded = expand;
}

bool MemorySessionTree::IsItemExpanded(TreeItem item) const
{
    return item && N(item)->expanded;
}

void MemorySessionTree::SelectItem(TreeItem item)
{
    m_selection.clear();
    if (item)
        m_selection.push_back(N(item));
}

void MemorySessionTree::SetSelection(const std::vector<TreeItem>& items)
{
    m_selection.clear();
    for (TreeItem item : items)
        if (item)
            m_selection.push_back(N(item));
}

std::vector<TreeItem> MemorySessionTree::GetSelectedItems() const
{
    std::vector<TreeItem> items;
    items.reserve(m_selection.size());
    for (Node* node : m_selection)
        items.push_back(H(node));
    return items;
}

void MemorySessionTree::EditLabel(TreeItem item, const VUnicodeString& text)
{
    m_edited = item;
    m_editText = text;
}

bool MemorySessionTree::FinishLabelEdit(const VUnicodeString& text, bool cancelled)
{
    const TreeItem item = m_edited;
    if (item == kNoTreeItem)
        return false;
    m_edited = kNoTreeItem;
    m_editText = VUnicodeString();
    EndLabelEdit(item, text, cancelled);
    return true;
}

void MemorySessionTree::SetItemCutLook(TreeItem item, bool cut)
{
    if (item)
        N(item)->cut = cut;
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
    if (from)
        stack.emplace_back(N(from), 0);
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
