#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sessiontree/MemorySessionTree.h"

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

// The in-memory control, recording what the tree asked of it and of its
// dialogs, and answering the dialogs as scripted.
class FakeSessionTree : public MemorySessionTree {
public:
    explicit FakeSessionTree(ISessionTreeOwner* owner) : MemorySessionTree(owner) {}

    // The tree as UTF-8 lines (see Outline).
    std::vector<std::string> Lines() const;
    // Selects the item at `path` (loading along the way); false if absent.
    bool Select(const std::u16string& path);
    bool SelectMany(const std::vector<std::u16string>& paths);
    std::string SelectedPath() const;
    TreeItem Item(const std::u16string& path) { return FindItem(VUnicodeString(path)); }
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
    VUnicodeString duplicatePrompted; // the path of the configuration the prompt was given
    std::vector<VUnicodeString> editedNewSessions;

    void EditLabel(TreeItem item, const VUnicodeString& text) override;
    void SetDropHighlight(TreeItem item) override;
    void ScrollLines(int lines) override { scrolled += lines; }
    void StartTimer(int id, uint32_t milliseconds) override;
    void StopTimer(int id) override;
    void RedrawTree() override { ++redraws; }
    void FocusTree() override { ++focusRequests; }

protected:
    bool ShowFindDialog(FindOptions& options) override;
    unsigned ShowDropMenu(unsigned allowed, unsigned defaultEffect) override;
    bool PromptDuplicate(ISessionConfig& config, VUnicodeString& name, std::optional<VUnicodeString>& host) override;
    void EditNewSession(const VUnicodeString& path) override { editedNewSessions.push_back(path); }
};
