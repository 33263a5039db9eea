#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sessiontree/SessionTreeBase.h"

// The dialog or pane a tree reports to.
class FakeTreeOwner final : public ISessionTreeOwner {
public:
    int GetHostKind() const override { return hostKind; }
    bool UseGenericSessionIcons() const override { return genericIcons; }
    bool UseAlternateIcons() const override { return alternateIcons; }
    VUnicodeString GetDatabaseIdentity() const override { return identity; }
    void OnSessionDatabaseChanged(int, int) override { ++changes; }
    void OnSessionDatabaseViewChanged() override { ++viewChanges; }

    int hostKind = 3;
    bool genericIcons = false;
    bool alternateIcons = false;
    VUnicodeString identity = u"test database";
    int changes = 0;
    int viewChanges = 0;
};

// A tree control held in memory: rows of 16 pixels, in the order a tree
// shows them (expanded folders show their children).
class FakeSessionTree : public SessionTreeBase {
public:
    static constexpr int kRowHeight = 16;

    struct Node {
        VUnicodeString text;
        SessionTreeItemData data;
        Node* parent = nullptr;
        std::vector<std::unique_ptr<Node>> children;
        bool expanded = false;
        bool cut = false;
    };

    explicit FakeSessionTree(ISessionTreeOwner* owner) : SessionTreeBase(owner) {}
    ~FakeSessionTree() override { StopFilterTimer(); }

    // The tree as text: one line per item, two blanks of indent a level,
    // folders with a trailing '/', only what expanded folders show.
    std::vector<std::string> Lines() const;
    // Selects the item at `path` (loading along the way); false if absent.
    bool Select(const std::u16string& path);
    bool SelectMany(const std::vector<std::u16string>& paths);
    std::string SelectedPath() const;
    TreeItem Item(const std::u16string& path) { return FindItem(VUnicodeString(path)); }
    // The y coordinate of a point `offset` pixels into the row of `item`.
    int RowY(TreeItem item, int offset = kRowHeight / 2) const;
    // Runs the timer as if it fired; false when it was not running.
    bool FireTimer(int id);
    bool TimerRunning(int id) const { return timers.contains(id); }

    // What the tree asked of the control and of its dialogs.
    std::vector<std::u16string> labelEdits;
    std::map<int, uint32_t> timers;
    int redraws = 0;
    int focusRequests = 0;
    int scrolled = 0;
    TreeItem dropHighlight = kNoTreeItem;
    // Scripted answers of the dialogs.
    std::optional<FindOptions> findAnswer; // nullopt: Cancel
    int findDialogsShown = 0;
    unsigned dropMenuAnswer = kEffectNone;
    unsigned dropMenuAllowed = 0;
    unsigned dropMenuDefault = 0;
    VUnicodeString duplicateName;
    VUnicodeString duplicateHost;
    bool duplicateAnswer = false;
    std::vector<VUnicodeString> editedNewSessions;

    // Control operations
    TreeItem InsertItem(const VUnicodeString& text, TreeItem parent, TreeItem insertAfter,
                        const SessionTreeItemData& data) override;
    void DeleteItem(TreeItem item) override;
    void DeleteAllItems() override;
    VUnicodeString GetItemText(TreeItem item) const override { return N(item)->text; }
    void SetItemText(TreeItem item, const VUnicodeString& text) override { N(item)->text = text; }
    SessionTreeItemData* GetItemData(TreeItem item) const override;
    TreeItem GetChildItem(TreeItem item) const override;
    TreeItem GetNextSiblingItem(TreeItem item) const override;
    TreeItem GetParentItem(TreeItem item) const override;
    TreeItem GetRootItem() const override { return H(m_root.get()); }
    void ExpandItem(TreeItem item, bool expand) override;
    bool IsItemExpanded(TreeItem item) const override { return item && N(item)->expanded; }
    void SelectItem(TreeItem item) override;
    std::vector<TreeItem> GetSelectedItems() const override;
    void EditLabel(TreeItem item, const VUnicodeString& text) override { labelEdits.push_back(text.str()), (void)item; }
    void SetItemCutLook(TreeItem item, bool cut) override { N(item)->cut = cut; }
    void SetDropHighlight(TreeItem item) override { dropHighlight = item; }
    TreeItem HitTest(int x, int y, int& yInRow, int& rowHeight) const override;
    int GetVisibleHeight() const override { return 20 * kRowHeight; }
    void ScrollLines(int lines) override { scrolled += lines; }
    void StartTimer(int id, uint32_t milliseconds) override { timers[id] = milliseconds; }
    void StopTimer(int id) override { timers.erase(id); }
    void RedrawTree() override { ++redraws; }
    void FocusTree() override { ++focusRequests; }

protected:
    bool ShowFindDialog(FindOptions& options) override;
    unsigned ShowDropMenu(unsigned allowed, unsigned defaultEffect) override;
    bool PromptDuplicate(const VUnicodeString& path, VUnicodeString& name, VUnicodeString& host) override;
    void EditNewSession(const VUnicodeString& path) override { editedNewSessions.push_back(path); }

private:
    static Node* N(TreeItem item) { return reinterpret_cast<Node*>(item); }
    static TreeItem H(const Node* node) { return reinterpret_cast<TreeItem>(node); }
    void VisibleRows(const Node* node, std::vector<const Node*>& rows) const;

    std::unique_ptr<Node> m_root;
    std::vector<Node*> m_selection;
};
