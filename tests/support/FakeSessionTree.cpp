#include "FakeSessionTree.h"

#include <algorithm>

TreeItem FakeSessionTree::InsertItem(const VUnicodeString& text, TreeItem parent, TreeItem insertAfter,
                                     const SessionTreeItemData& data)
{
    auto node = std::make_unique<Node>();
    node->text = text;
    node->data = data;
    Node* raw = node.get();
    if (parent == kNoTreeItem) {
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
        auto it = std::find_if(children.begin(), children.end(),
                               [&](const auto& c) { return H(c.get()) == insertAfter; });
        if (it == children.end())
            return kNoTreeItem;
        children.insert(it + 1, std::move(node));
    }
    return H(raw);
}

void FakeSessionTree::DeleteItem(TreeItem item)
{
    Node* node = N(item);
    // Nothing below a deleted item stays selected.
    std::erase_if(m_selection, [&](Node* s) {
        for (Node* at = s; at; at = at->parent)
            if (at == node)
                return true;
        return false;
    });
    if (!node->parent) {
        m_root.reset();
        return;
    }
    auto& siblings = node->parent->children;
    std::erase_if(siblings, [&](const auto& c) { return c.get() == node; });
}

void FakeSessionTree::DeleteAllItems()
{
    m_selection.clear();
    m_root.reset();
}

SessionTreeItemData* FakeSessionTree::GetItemData(TreeItem item) const
{
    return item ? &N(item)->data : nullptr;
}

TreeItem FakeSessionTree::GetChildItem(TreeItem item) const
{
    if (!item || N(item)->children.empty())
        return kNoTreeItem;
    return H(N(item)->children.front().get());
}

TreeItem FakeSessionTree::GetNextSiblingItem(TreeItem item) const
{
    if (!item || !N(item)->parent)
        return kNoTreeItem;
    const auto& siblings = N(item)->parent->children;
    for (size_t i = 0; i + 1 < siblings.size(); ++i)
        if (H(siblings[i].get()) == item)
            return H(siblings[i + 1].get());
    return kNoTreeItem;
}

TreeItem FakeSessionTree::GetParentItem(TreeItem item) const
{
    return item ? H(N(item)->parent) : kNoTreeItem;
}

void FakeSessionTree::ExpandItem(TreeItem item, bool expand)
{
    if (!item)
        return;
    if (expand && !N(item)->expanded)
        OnItemExpanding(item); // as a control asks before it shows children
    N(item)->expanded = expand;
}

void FakeSessionTree::SelectItem(TreeItem item)
{
    m_selection.clear();
    if (item)
        m_selection.push_back(N(item));
}

std::vector<TreeItem> FakeSessionTree::GetSelectedItems() const
{
    std::vector<TreeItem> items;
    for (Node* node : m_selection)
        items.push_back(H(node));
    return items;
}

void FakeSessionTree::VisibleRows(const Node* node, std::vector<const Node*>& rows) const
{
    rows.push_back(node);
    if (node->expanded)
        for (const auto& child : node->children)
            VisibleRows(child.get(), rows);
}

TreeItem FakeSessionTree::HitTest(int, int y, int& yInRow, int& rowHeight) const
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

int FakeSessionTree::RowY(TreeItem item, int offset) const
{
    std::vector<const Node*> rows;
    if (m_root)
        VisibleRows(m_root.get(), rows);
    for (size_t i = 0; i < rows.size(); ++i)
        if (H(rows[i]) == item)
            return static_cast<int>(i) * kRowHeight + offset;
    return -1;
}

std::vector<std::string> FakeSessionTree::Lines() const
{
    std::vector<std::string> lines;
    std::vector<std::pair<const Node*, int>> stack;
    if (m_root)
        stack.emplace_back(m_root.get(), 0);
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        lines.push_back(std::string(static_cast<size_t>(depth) * 2, ' ') + node->text.ToUtf8() +
                        (node->data.isFolder ? "/" : ""));
        if (node->expanded)
            for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
                stack.emplace_back(it->get(), depth + 1);
    }
    return lines;
}

bool FakeSessionTree::Select(const std::u16string& path)
{
    const TreeItem item = path.empty() ? GetRootItem() : FindItem(VUnicodeString(path));
    if (!item)
        return false;
    SelectItem(item);
    return true;
}

bool FakeSessionTree::SelectMany(const std::vector<std::u16string>& paths)
{
    m_selection.clear();
    for (const std::u16string& path : paths) {
        const TreeItem item = path.empty() ? GetRootItem() : FindItem(VUnicodeString(path));
        if (!item)
            return false;
        m_selection.push_back(N(item));
    }
    return true;
}

std::string FakeSessionTree::SelectedPath() const
{
    return m_selection.empty() ? std::string("(none)") : GetItemPath(H(m_selection.front())).ToUtf8();
}

bool FakeSessionTree::FireTimer(int id)
{
    if (!timers.contains(id))
        return false;
    OnTimer(id);
    return true;
}

bool FakeSessionTree::ShowFindDialog(FindOptions& options)
{
    ++findDialogsShown;
    if (!findAnswer)
        return false;
    options = *findAnswer;
    return true;
}

unsigned FakeSessionTree::ShowDropMenu(unsigned allowed, unsigned defaultEffect)
{
    dropMenuAllowed = allowed;
    dropMenuDefault = defaultEffect;
    return dropMenuAnswer;
}

bool FakeSessionTree::PromptDuplicate(const VUnicodeString&, VUnicodeString& name, VUnicodeString& host)
{
    name = duplicateName;
    host = duplicateHost;
    return duplicateAnswer;
}
