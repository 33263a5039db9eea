#pragma once

#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "core/Export.h"
#include "sessiontree/SessionTreeBase.h"

// A session tree whose control is held in memory: the item operations
// over plain nodes, rows of a fixed height in the order a tree shows them
// (expanded folders show their children). It runs the tree's rules where
// there is no window: the command-line tool, and the tests.
//
// Timers only record that they run; whoever drives the tree fires them.
// A label edit only records the item and text being edited; the driver
// ends it with EndLabelEdit.
class ORV_EXPORT MemorySessionTree : public SessionTreeBase {
public:
    static constexpr int kRowHeight = 16;
    static constexpr int kVisibleRows = 20;

    explicit MemorySessionTree(ISessionTreeOwner* owner);
    ~MemorySessionTree() override;
    MemorySessionTree(const MemorySessionTree&) = delete;
    MemorySessionTree& operator=(const MemorySessionTree&) = delete;

    // The tree below `from` as text: `from` itself, then one line per item
    // it shows, two blanks of indent a level, folders with a trailing '/'.
    // Only what expanded folders show.
    std::vector<VUnicodeString> Outline(TreeItem from) const;
    // Replaces the selection with `items`, in that order.
    void SetSelection(const std::vector<TreeItem>& items);
    // The item whose label is being edited, and the text it was offered;
    // kNoTreeItem when no edit is open.
    TreeItem GetEditedItem() const { return m_edited; }
    const VUnicodeString& GetEditText() const { return m_editText; }
    // Closes the open label edit with `text` (or as cancelled) and hands it
    // to the tree, as a control does when the user ends an edit. The tree
    // may open it again (a refused name). False when no edit was open.
    bool FinishLabelEdit(const VUnicodeString& text, bool cancelled);
    // The y coordinate of a point `offset` pixels into the row of `item`;
    // -1 when the row is not shown.
    int RowY(TreeItem item, int offset = kRowHeight / 2) const;
    bool IsTimerRunning(int id) const { return m_timers.contains(id); }
    // Runs the timer as if it fired; false when it was not running.
    bool FireTimer(int id);
    TreeItem GetDropHighlight() const { return m_dropHighlight; }

    // The control's item operations.
    bool ItemExists(TreeItem item) const override { return NodeAt(item) != nullptr; }
    TreeItem InsertItem(const VUnicodeString& text, TreeItem parent, TreeItem insertAfter,
                        const SessionTreeItemData& data) override;
    void DeleteItem(TreeItem item) override;
    bool MoveItem(TreeItem item, TreeItem parent, TreeItem insertAfter) override;
    void DeleteAllItems() override;
    VUnicodeString GetItemText(TreeItem item) const override;
    void SetItemText(TreeItem item, const VUnicodeString& text) override;
    SessionTreeItemData* GetItemData(TreeItem item) const override;
    TreeItem GetChildItem(TreeItem item) const override;
    TreeItem GetNextSiblingItem(TreeItem item) const override;
    TreeItem GetParentItem(TreeItem item) const override;
    TreeItem GetRootItem() const override;
    void ExpandItem(TreeItem item, bool expand) override;
    bool IsItemExpanded(TreeItem item) const override;
    void SelectItem(TreeItem item) override;
    std::vector<TreeItem> GetSelectedItems() const override;
    void EditLabel(TreeItem item, const VUnicodeString& text) override;
    void SetItemCutLook(TreeItem item, bool cut) override;
    void SetDropHighlight(TreeItem item) override { m_dropHighlight = item; }
    TreeItem HitTest(int x, int y, int& yInRow, int& rowHeight) const override;
    int GetVisibleHeight() const override { return kVisibleRows * kRowHeight; }
    void ScrollLines(int lines) override { (void)lines; }
    void StartTimer(int id, uint32_t milliseconds) override { m_timers[id] = milliseconds; }
    void StopTimer(int id) override { m_timers.erase(id); }
    void RedrawTree() override {}
    void FocusTree() override {}

private:
    struct Node;
    // The node of a live handle, null for any other.
    Node* NodeAt(TreeItem item) const;
    static TreeItem H(const Node* node);
    void VisibleRows(const Node* node, std::vector<const Node*>& rows) const;
    void Forget(Node* node);
    static void Renumber(Node* parent, size_t from);

    std::unique_ptr<Node> m_root;
    std::unordered_map<TreeItem, Node*> m_nodes;
    TreeItem m_nextId = 1;
    std::vector<TreeItem> m_selection;
    std::map<int, uint32_t> m_timers;
    TreeItem m_edited = kNoTreeItem;
    VUnicodeString m_editText;
    TreeItem m_dropHighlight = kNoTreeItem;
};
