#include "MemoryCommandTree.h"

#include <algorithm>

std::vector<std::string> MemoryCommandTree::Outline() const
{
    std::vector<std::string> lines;
    if (m_root)
        Outline(m_root.get(), 0, lines);
    return lines;
}

void MemoryCommandTree::Outline(const Node* node, int depth, std::vector<std::string>& lines) const
{
    std::string line(static_cast<size_t>(depth) * 2, ' ');
    if (node->cut)
        line += '~';
    line += node->text.ToUtf8();
    if (node->data.isFolder)
        line += '/';
    lines.push_back(line);
    if (node->expanded)
        for (const auto& child : node->children)
            Outline(child.get(), depth + 1, lines);
}

TreeItem MemoryCommandTree::Find(const std::u16string& path) const
{
    const Node* at = m_root.get();
    std::u16string_view rest = path;
    const size_t first = rest.find(u'/');
    if (!at || rest.substr(0, first) != at->text.str())
        return kNoTreeItem;
    rest = first == std::u16string_view::npos ? std::u16string_view() : rest.substr(first + 1);
    while (at && !rest.empty()) {
        const size_t slash = rest.find(u'/');
        const std::u16string_view name = rest.substr(0, slash);
        const Node* found = nullptr;
        for (const auto& child : at->children)
            if (child->text.str() == name) {
                found = child.get();
                break;
            }
        at = found;
        rest = slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash + 1);
    }
    return H(at);
}

bool MemoryCommandTree::Select(const std::u16string& path)
{
    const TreeItem item = Find(path);
    SelectItem(item);
    return item != kNoTreeItem;
}

bool MemoryCommandTree::FinishEdit(const VUnicodeString& text, bool cancelled)
{
    const TreeItem item = std::exchange(m_edited, kNoTreeItem);
    if (item == kNoTreeItem)
        return false;
    EndLabelEdit(item, text, cancelled);
    return true;
}

void MemoryCommandTree::Rows(const Node* node, std::vector<const Node*>& rows) const
{
    rows.push_back(node);
    if (node->expanded)
        for (const auto& child : node->children)
            Rows(child.get(), rows);
}

int MemoryCommandTree::RowY(TreeItem item, int offset) const
{
    std::vector<const Node*> rows;
    if (m_root)
        Rows(m_root.get(), rows);
    const auto it = std::find(rows.begin(), rows.end(), N(item));
    return it == rows.end() ? -1 : static_cast<int>(it - rows.begin()) * kRowHeight + offset;
}

bool MemoryCommandTree::FireTimer(int id)
{
    if (!m_timers.contains(id))
        return false;
    OnTimer(id);
    return true;
}

TreeItem MemoryCommandTree::InsertItem(const VUnicodeString& text, TreeItem parent, TreeItem insertAfter,
                                       const CommandTreeItemData& data)
{
    auto node = std::make_unique<Node>();
    node->text = text;
    node->data = data;
    Node* made = node.get();
    if (parent == kNoTreeItem) {
        m_root = std::move(node);
        return H(made);
    }
    Node* holder = N(parent);
    node->parent = holder;
    auto& children = holder->children;
    if (insertAfter == kInsertFirst) {
        children.insert(children.begin(), std::move(node));
    } else if (insertAfter == kInsertLast) {
        children.push_back(std::move(node));
    } else {
        const auto it = std::find_if(children.begin(), children.end(),
                                     [&](const auto& child) { return H(child.get()) == insertAfter; });
        if (it == children.end())
            return kNoTreeItem;
        children.insert(it + 1, std::move(node));
    }
    return H(made);
}

void MemoryCommandTree::DeleteItem(TreeItem item)
{
    Node* node = N(item);
    if (!node)
        return;
    if (m_selected == item)
        m_selected = kNoTreeItem;
    if (!node->parent) {
        m_root.reset();
        return;
    }
    auto& siblings = node->parent->children;
    siblings.erase(std::find_if(siblings.begin(), siblings.end(), [&](const auto& c) { return c.get() == node; }));
}

void MemoryCommandTree::DeleteAllItems()
{
    m_root.reset();
    m_selected = kNoTreeItem;
    m_edited = kNoTreeItem;
}

VUnicodeString MemoryCommandTree::GetItemText(TreeItem item) const
{
    return item == kNoTreeItem ? VUnicodeString() : N(item)->text;
}

void MemoryCommandTree::SetItemText(TreeItem item, const VUnicodeString& text)
{
    if (item != kNoTreeItem)
        N(item)->text = text;
}

CommandTreeItemData* MemoryCommandTree::GetItemData(TreeItem item) const
{
    return item == kNoTreeItem ? nullptr : &N(item)->data;
}

TreeItem MemoryCommandTree::GetChildItem(TreeItem item) const
{
    const Node* node = N(item);
    return node && !node->children.empty() ? H(node->children.front().get()) : kNoTreeItem;
}

TreeItem MemoryCommandTree::GetNextSiblingItem(TreeItem item) const
{
    const Node* node = N(item);
    if (!node || !node->parent)
        return kNoTreeItem;
    const auto& siblings = node->parent->children;
    for (size_t i = 0; i + 1 < siblings.size(); ++i)
        if (siblings[i].get() == node)
            return H(siblings[i + 1].get());
    return kNoTreeItem;
}

TreeItem MemoryCommandTree::GetParentItem(TreeItem item) const
{
    const Node* node = N(item);
    return node ? H(node->parent) : kNoTreeItem;
}

TreeItem MemoryCommandTree::GetRootItem() const
{
    return H(m_root.get());
}

void MemoryCommandTree::ExpandItem(TreeItem item, bool expand)
{
    if (item != kNoTreeItem)
        N(item)->expanded = expand;
}

bool MemoryCommandTree::IsItemExpanded(TreeItem item) const
{
    return item != kNoTreeItem && N(item)->expanded;
}

void MemoryCommandTree::SetItemCutLook(TreeItem item, bool cut)
{
    if (item != kNoTreeItem)
        N(item)->cut = cut;
}

TreeItem MemoryCommandTree::HitTest(int, int y, int& yInRow, int& rowHeight) const
{
    std::vector<const Node*> rows;
    if (m_root)
        Rows(m_root.get(), rows);
    const int row = y / kRowHeight;
    if (y < 0 || row >= static_cast<int>(rows.size())) {
        yInRow = 0;
        rowHeight = 0;
        return kNoTreeItem;
    }
    yInRow = y - row * kRowHeight;
    rowHeight = kRowHeight;
    return H(rows[static_cast<size_t>(row)]);
}
