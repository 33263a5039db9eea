#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "commands/CommandTreeBase.h"

// A command tree whose control is held in memory, rows of a fixed height in
// the order a tree shows them. Timers only record that they run; a label
// edit only records what is edited, and the test ends it.
class MemoryCommandTree final : public CommandTreeBase {
public:
    static constexpr int kRowHeight = 16;

    explicit MemoryCommandTree(ICommandManagerSink* sink) : CommandTreeBase(sink) {}
    ~MemoryCommandTree() override { StopFilterTimer(); }

    // The shown tree as text, two blanks of indent a level, folders with a
    // trailing '/', cut items with a leading '~'.
    std::vector<std::string> Outline() const;
    // Selects the item at this outline row text path ("Commands/Web/ls").
    TreeItem Find(const std::u16string& path) const;
    bool Select(const std::u16string& path);
    TreeItem Edited() const { return m_edited; }
    const VUnicodeString& EditText() const { return m_editText; }
    bool FinishEdit(const VUnicodeString& text, bool cancelled = false);
    int RowY(TreeItem item, int offset = kRowHeight / 2) const;
    bool FireTimer(int id);
    bool IsTimerRunning(int id) const { return m_timers.contains(id); }
    int focusCount = 0;
    int sends = 0;
    unsigned dropMenuAnswer = kEffectNone;

    TreeItem InsertItem(const VUnicodeString& text, TreeItem parent, TreeItem insertAfter,
                        const CommandTreeItemData& data) override;
    void DeleteItem(TreeItem item) override;
    void DeleteAllItems() override;
    VUnicodeString GetItemText(TreeItem item) const override;
    void SetItemText(TreeItem item, const VUnicodeString& text) override;
    CommandTreeItemData* GetItemData(TreeItem item) const override;
    TreeItem GetChildItem(TreeItem item) const override;
    TreeItem GetNextSiblingItem(TreeItem item) const override;
    TreeItem GetParentItem(TreeItem item) const override;
    TreeItem GetRootItem() const override;
    void ExpandItem(TreeItem item, bool expand) override;
    bool IsItemExpanded(TreeItem item) const override;
    void SelectItem(TreeItem item) override { m_selected = item; }
    TreeItem GetSelectedItem() const override { return m_selected; }
    void EditLabel(TreeItem item, const VUnicodeString& text) override
    {
        m_edited = item;
        m_editText = text;
    }
    void SetItemCutLook(TreeItem item, bool cut) override;
    void SetDropHighlight(TreeItem item) override { dropHighlight = item; }
    TreeItem HitTest(int x, int y, int& yInRow, int& rowHeight) const override;
    int GetVisibleHeight() const override { return 20 * kRowHeight; }
    void ScrollLines(int) override {}
    void StartTimer(int id, uint32_t milliseconds) override { m_timers[id] = milliseconds; }
    void StopTimer(int id) override { m_timers.erase(id); }
    void FocusTree() override { ++focusCount; }

    TreeItem dropHighlight = kNoTreeItem;

protected:
    unsigned ShowDropMenu(unsigned, unsigned) override { return dropMenuAnswer; }
    void AfterSend() override { ++sends; }

private:
    struct Node {
        VUnicodeString text;
        CommandTreeItemData data;
        Node* parent = nullptr;
        std::vector<std::unique_ptr<Node>> children;
        bool expanded = false;
        bool cut = false;
    };
    static Node* N(TreeItem item) { return reinterpret_cast<Node*>(item); }
    static TreeItem H(const Node* node) { return reinterpret_cast<TreeItem>(node); }
    void Rows(const Node* node, std::vector<const Node*>& rows) const;
    void Outline(const Node* node, int depth, std::vector<std::string>& lines) const;

    std::unique_ptr<Node> m_root;
    TreeItem m_selected = kNoTreeItem;
    TreeItem m_edited = kNoTreeItem;
    VUnicodeString m_editText;
    std::map<int, uint32_t> m_timers;
};
