#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "commands/IActiveSessionManager.h"
#include "core/Export.h"
#include "core/VUnicodeString.h"
#include "sessiontree/FilterTreeBase.h"

// An item of the Active Sessions tree: kind 1 is an open session or editor
// (`number` is the host's identifier), kind 2 a group (`number` is the
// group number).
struct ActiveSessionItemRef {
    static constexpr int kSession = 1;
    static constexpr int kGroup = 2;

    int kind = kSession;
    int group = 0;
    ActiveSessionId number = 0;

    bool IsGroup() const { return kind == kGroup; }
    bool operator==(const ActiveSessionItemRef&) const = default;
};

// The rules of the Active Sessions tree: what the host announced, grouped,
// narrowed by the filter, and the actions it runs through the host's sink.
// The base keeps everything the host announced; the control shows the part
// that passes the filter and is told of each change by row, so the rules
// run without a window.
class ORV_EXPORT ActiveSessionTreeBase : public FilterTreeBase {
public:
    // The host's groups that have a label of their own; any other group
    // number is labelled with the empty text.
    static constexpr int kGroupActive = 0;
    static constexpr int kGroupEditors = 1;
    // The image every state change of an editor gets.
    static constexpr int kEditorImage = 6;

    enum class MenuKind { None, Session, Editor, Group };

    // `sink` may be null: actions and activation then do nothing.
    explicit ActiveSessionTreeBase(IActiveSessionManagerSink* sink);
    ~ActiveSessionTreeBase() override;

    IActiveSessionManagerSink* Sink() const { return m_sink; }
    // A group's label.
    static VUnicodeString GroupLabel(int group);

    // The host's notification (IActiveSessionManager).
    void OnEvent(int event, int group, const VUnicodeString& name, int image, ActiveSessionId id);

    // The selected item, if any.
    std::optional<ActiveSessionItemRef> Selected() const;
    void Select(const ActiveSessionItemRef& item);
    bool Contains(const ActiveSessionItemRef& item) const;

    // The action number of a pane command, or -1.
    static int ActionForCommand(unsigned command);
    // Which context menu the selection calls for.
    MenuKind ContextMenuKind() const;
    bool IsCommandEnabled(unsigned command) const;
    // Runs an action (through the sink, for a session or editor only),
    // activation, or expand and collapse all. False when nothing ran.
    bool RunCommand(unsigned command);

    // A double click on `item` (none when off every item) posts a deferred
    // activation; when it is handled the item, if it is still there and is
    // no group, is activated.
    void OnItemDoubleClicked(std::optional<ActiveSessionItemRef> item);
    void OnDeferredActivation();
    bool IsActivationPending() const { return m_pendingActivation.has_value(); }

    void ExpandAllGroups() { SetAllExpanded(true); }
    void CollapseAllGroups() { SetAllExpanded(false); }
    // Whether `group` is expanded (as told to the control, or as the user
    // left it there).
    bool IsGroupExpanded(int group) const;
    // The user expanded or collapsed a group in the control.
    void NoteGroupExpanded(int group, bool expanded);

    // Everything the host announced, shown or not (for the pane's tests and
    // tooltips).
    struct Entry {
        ActiveSessionId id = 0;
        VUnicodeString name;
        int image = 0;
        bool shown = false;
    };
    struct Group {
        int number = 0;
        VUnicodeString label;
        bool expanded = true;
        bool shown = false;
        std::vector<Entry> entries;
    };
    const std::vector<Group>& Groups() const { return m_groups; }
    const Entry* FindEntry(int group, ActiveSessionId id) const;

    static constexpr int kActivateTimerId = 0x4153; // "AS"

protected:
    // --- The control, by row: groups are the top rows in group-number
    // order, each with its shown items in the order they were announced.
    virtual void InsertGroupRow(size_t row, int group, const VUnicodeString& label) = 0;
    // Removes the group's row and every item row under it.
    virtual void RemoveGroupRow(size_t row) = 0;
    virtual void InsertItemRow(size_t groupRow, size_t row, const ActiveSessionItemRef& item,
                               const VUnicodeString& name, int image) = 0;
    virtual void RemoveItemRow(size_t groupRow, size_t row) = 0;
    virtual void SetItemRowText(size_t groupRow, size_t row, const VUnicodeString& name) = 0;
    virtual void SetItemRowImage(size_t groupRow, size_t row, int image) = 0;
    virtual void SetGroupRowExpanded(size_t groupRow, bool expand) = 0;
    virtual void ClearRows() = 0;
    // The selected row: false when none; `itemRow` is empty for a group.
    virtual bool GetSelectedRow(size_t& groupRow, std::optional<size_t>& itemRow) const = 0;
    virtual void SelectRow(size_t groupRow, std::optional<size_t> itemRow) = 0;
    // Posts OnDeferredActivation() to be run after the current event.
    virtual void PostActivation() = 0;

    // FilterTreeBase
    void RefillForFilter() override;
    VUnicodeString SelectedPathForFilter() const override;
    bool IsSelectionExpandedFolder() const override;
    std::vector<VUnicodeString> ExpandedFolderPaths() const override;
    void RestoreAfterFilter(const std::vector<VUnicodeString>& expanded, const VUnicodeString& selection,
                            bool expandSelection) override;

private:
    void Add(int group, const VUnicodeString& name, int image, ActiveSessionId id);
    void Remove(int group, ActiveSessionId id);
    void Rename(int group, const VUnicodeString& name, int image, ActiveSessionId id);
    void ChangeState(int group, int image, ActiveSessionId id);
    void Reset();

    size_t GroupIndex(int group) const; // npos when absent
    size_t EntryIndex(const Group& group, ActiveSessionId id) const;
    size_t GroupRow(size_t groupIndex) const;
    size_t ItemRow(const Group& group, size_t entryIndex) const;
    bool Passes(const Group& group, const Entry& entry) const;
    bool GroupWanted(const Group& group) const;
    void ShowGroupRow(size_t groupIndex);
    void UpdateGroupRow(size_t groupIndex);
    void SetEntryShown(size_t groupIndex, size_t entryIndex, bool shown);
    void SetAllExpanded(bool expand);
    std::optional<ActiveSessionItemRef> RefAtRow(size_t groupRow, std::optional<size_t> itemRow) const;
    static VUnicodeString PathOf(const ActiveSessionItemRef& item);

    static constexpr size_t npos = static_cast<size_t>(-1);

    IActiveSessionManagerSink* m_sink;
    std::vector<Group> m_groups;
    std::optional<ActiveSessionItemRef> m_pendingActivation;
};
