#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "core/Export.h"
#include "core/VStringArray.h"
#include "core/VUnicodeString.h"
#include "sessiontree/ISessionDatabaseChanged.h"
#include "sessiontree/ISessionTreeOwner.h"
#include "sessiontree/TreeClipboardRecord.h"
#include "sessiontree/TreeDropTarget.h"
#include "sessiontree/TreeItem.h"
#include "sessiontree/VDockTreeBase.h"
#include "profile/sessions/SessionDatabase.h"

class ISessionConfig;
class IClipboard;

// Insert positions besides a given sibling.
inline constexpr TreeItem kInsertFirst = ~TreeItem{0};
inline constexpr TreeItem kInsertLast = ~TreeItem{0} - 1;

// What the tree keeps with each item; the control stores it with the item
// and drops it with the item.
struct SessionTreeItemData {
    bool isFolder = false;
    bool childrenLoaded = false; // folders: the database was read for them
    bool isNewFolder = false;    // being named; not yet in the database
};

// Options of Find, kept for the whole process.
struct FindOptions {
    VUnicodeString text;
    bool sessionName = false;
    bool hostName = false;
    bool description = false;
    bool folderName = false;
    bool matchCase = false;
};

// All of the session tree's rules: filling from the session database, the
// arrangements, icons and tooltips, filter and Find, and editing with the
// clipboard and drag and drop. It reaches the control only through the
// item operations below, so the rules run without any window (the tests
// and the command-line tool use a control held in memory).
class ORV_EXPORT SessionTreeBase : public VDockTreeBase, public ISessionDatabaseChanged, public TreeDropTarget {
public:
    // Images of one set; add 12 for the alternate set.
    enum Image : int {
        kImageOpenFolder = 0,
        kImageFolder = 1,
        kImageSession = 2,
        kImagePairPlain = 3,
        kImageTerminalPlain = 4,
        kImageTransferPlain = 5,
        kImageRemoteDesktop = 6,
        kImageModem = 7,
        kImageLocalShell = 8,
        kImageTerminalSecure = 9,
        kImageTransferSecure = 10,
        kImagePairSecure = 11,
    };
    static constexpr int kImagesPerSet = 12;

    explicit SessionTreeBase(ISessionTreeOwner* owner);
    ~SessionTreeBase() override;

    // Reads the display options and fills the tree; the control calls it
    // once it can take items.
    void Initialize();

    // --- Model
    void Fill(unsigned flags) override;
    static const char16_t* GetRootName() { return u"Sessions"; }
    VUnicodeString GetItemPath(TreeItem item) const;
    // Expands (and so loads) folders along the way.
    TreeItem FindItem(const VUnicodeString& path);
    // Reads again the folders (paths as the tree shows them; a session's
    // path stands for its folder) that another process changed, keeping
    // which subfolders were open and the selection. Folders the tree has
    // not read yet are left for when they open; every other item keeps its
    // handle.
    void RefreshFolders(const VStringArray& paths);
    // Selects the item at `path` or, when it is gone, the nearest folder
    // above it that is still there.
    void SelectNearest(const VUnicodeString& path);
    bool IsFolder(TreeItem item) const;
    // A reference for the caller, or null for folders and sessions that do
    // not load.
    ISessionConfig* GetSessionConfig(TreeItem item) const;
    VStringArray GetSelectedPaths() const;
    int GetSortMode() const { return m_sortMode; }
    void SetSortMode(int mode);
    // Alphabetical, logical, manual, alphabetical, ...
    void CycleSortMode() { SetSortMode((m_sortMode + 1) % 3); }
    void ToggleShowDescriptions();
    void ToggleShowTerminalSessions();
    void ToggleShowTransferSessions();
    bool ShowsDescriptions() const { return m_showDescriptions; }
    bool ShowsTerminalSessions() const { return m_showTerminal; }
    bool ShowsTransferSessions() const { return m_showTransfer; }
    bool GetDescription(TreeItem item, VUnicodeString& text) const;
    // The tooltip for a buffer of `capacity` characters with its
    // terminator: cut to end in "..." when it does not fit. False: no tip.
    bool GetTooltip(TreeItem item, size_t capacity, VUnicodeString& tip) const;
    // The image of an item, computed when the control asks.
    int GetItemImage(TreeItem item, bool selected) const;
    int GetIconSet() const { return m_iconSet; }
    // The host's display changed: pick the icon set again.
    void OnDisplayChanged();
    void GetConnectCapabilities(TreeItem item, bool& canTerminal, bool& canTransfer) const;
    bool CanConnect(const VStringArray& paths, bool transfer) const;
    // The control is about to expand a folder: load it first.
    void OnItemExpanding(TreeItem item);
    void ExpandAllFolders();
    void CollapseAllFolders();

    // --- Find
    // Ctrl+F: search from the top, asking for the text.
    void Find();
    // F3: search on from the last hit (asking only the first time).
    void FindNext();
    static FindOptions& ProcessFindOptions();

    // --- Editing
    bool CanCutOrCopy() const;
    // A record of ours to paste, and one item to paste it on.
    bool CanPaste() const;
    bool CanDelete() const;
    bool CanRename() const { return CanCutOrCopy() && !IsReadOnly(); }
    // The database may only be read by this user: nothing that changes it
    // is offered (copying and dragging out still are).
    bool IsReadOnly() const;
    bool CanDuplicate() const;
    void Copy() { CopyOrCut(false); }
    void Cut() { CopyOrCut(true); }
    void Paste();
    void Delete();
    // F2: start naming the selected item.
    void Rename();
    // The label edit ended; `cancelled` when the user pressed Escape.
    void EndLabelEdit(TreeItem item, const VUnicodeString& text, bool cancelled);
    void NewFolder();
    void NewSession();
    void Duplicate();
    bool IsBulkOperation() const { return m_bulk; }
    bool IsItemCut(TreeItem item) const { return ItemExists(item) && m_cutItems.contains(item); }
    bool IsInLabelEdit() const { return ItemExists(m_editedItem); }
    // A label edit, a drag, a paste or a multi-item delete is under way: a
    // refill now would pull the items from under it, so a refresh waits
    // (the owner is told through OnTreeIdle when it may run).
    bool IsRefreshHeld() const;
    // Every item handle the tree keeps between user actions; any of them
    // may name an item that is gone, which the control then ignores.
    std::vector<TreeItem> RememberedItems() const;
    // The path of the last Find hit, empty before the first.
    const VUnicodeString& LastFindHit() const { return m_lastHitPath; }

    // --- Selection as paths, without filling the control
    // Calls `visit` with each session below `path` (itself when it is a
    // session) in the tree's order, as the tree shows them under the
    // visibility option and the filter in force, reading only the
    // database's listings; stops when `visit` returns false. False when
    // it was stopped.
    bool ForEachSessionBelow(const VUnicodeString& path, bool isFolder,
                             const std::function<bool(const VUnicodeString&)>& visit) const;
    // The selection with folders standing for the sessions below them, in
    // tree order, each session once; stops as ForEachSessionBelow does.
    bool ForEachSelectedSession(const std::function<bool(const VUnicodeString&)>& visit) const;
    // Connect capability from the session's two protocol names only.
    // `listed`: the path came from a listing of sessions, so it is not
    // asked whether it is one.
    void SessionCapabilities(const VUnicodeString& sessionPath, bool& canTerminal, bool& canTransfer,
                             bool listed = false) const;
    // The session's terminal and transfer protocol names, read alone (with
    // their defaults); false when the path names no session.
    bool GetSessionProtocols(const VUnicodeString& sessionPath, VUnicodeString& terminal,
                             VUnicodeString& transfer) const;

    // --- Drag and drop
    // The record a drag of the selection carries (never a cut).
    std::vector<uint8_t> BeginDrag(bool rightButton);
    void EndDrag();
    // Drop effect from the modifier keys held now.
    static unsigned EffectFromKeys(unsigned modifiers);
    void OnDragLeave() override;
    bool OnDrop(std::span<const uint8_t> data, unsigned effect, int x, int y) override;
    void OnTimer(int id);
    // The paste worker, shared by Paste and drop.
    // False when the record was refused as a whole (nothing changed).
    bool PasteRecord(const TreeClipboardRecord& record, TreeItem target, DropPosition position) override;

    // --- Database change
    void OnSessionDatabaseChanged(int changed, int reserved) override;
    void OnSessionDatabaseViewChanged() override;

    ISessionTreeOwner* GetOwner() const { return m_owner; }

    // --- The control's item operations. Each takes a handle of an item
    // that is gone (or kNoTreeItem) as no item: it does nothing and
    // answers none.
    virtual bool ItemExists(TreeItem item) const = 0;
    virtual TreeItem InsertItem(const VUnicodeString& text, TreeItem parent, TreeItem insertAfter,
                                const SessionTreeItemData& data) = 0;
    virtual void DeleteItem(TreeItem item) = 0;
    // Re-places an item with everything below it, keeping its handle and
    // what is expanded. False when `insertAfter` is no child of `parent`
    // or `parent` lies inside the item.
    virtual bool MoveItem(TreeItem item, TreeItem parent, TreeItem insertAfter) = 0;
    virtual void DeleteAllItems() = 0;
    virtual VUnicodeString GetItemText(TreeItem item) const = 0;
    virtual void SetItemText(TreeItem item, const VUnicodeString& text) = 0;
    virtual SessionTreeItemData* GetItemData(TreeItem item) const = 0;
    virtual TreeItem GetChildItem(TreeItem item) const = 0;
    virtual TreeItem GetNextSiblingItem(TreeItem item) const = 0;
    virtual TreeItem GetParentItem(TreeItem item) const = 0;
    virtual TreeItem GetRootItem() const = 0;
    virtual void ExpandItem(TreeItem item, bool expand) = 0;
    virtual bool IsItemExpanded(TreeItem item) const = 0;
    // Makes `item` the only selected item, focused and visible.
    virtual void SelectItem(TreeItem item) = 0;
    // In the order the multiple selection lists them.
    virtual std::vector<TreeItem> GetSelectedItems() const = 0;
    virtual void EditLabel(TreeItem item, const VUnicodeString& text) = 0;
    virtual void SetItemCutLook(TreeItem item, bool cut) = 0;
    virtual void StartTimer(int id, uint32_t milliseconds) override = 0;
    virtual void StopTimer(int id) override = 0;
    virtual void RedrawTree() = 0;
    virtual void FocusTree() = 0;
    // Around a refill: a control may take the items in at once at the end
    // (nothing is selected in between).
    virtual void BeginRefill() {}
    virtual void EndRefill() {}

protected:
    // --- Dialogs the control shows; the defaults answer "cancel".
    // The Find dialog, filled with the process's options; false: cancelled.
    virtual bool ShowFindDialog(FindOptions& options);
    // The new-session wizard, when the host has switched it on.
    virtual bool UseNewSessionWizard() const { return m_owner && m_owner->UseNewSessionWizard(); }
    virtual bool RunNewSessionWizard(const VUnicodeString& folderPath, VUnicodeString& createdPath);
    // The duplicate prompt (the owner's by default): the copy's name, and
    // its host name when the session offers one.
    virtual bool PromptDuplicate(ISessionConfig& config, VUnicodeString& newName,
                                 std::optional<VUnicodeString>& newHost);
    // Properties of a new session, through the host's callback.
    virtual void EditNewSession(const VUnicodeString& path) { (void)path; }

    // The message box of the tree's owner.
    int Message(std::u16string_view text, unsigned style) const;

    // FilterTreeBase
    void RefillForFilter() override;
    VUnicodeString SelectedPathForFilter() const override;
    bool IsSelectionExpandedFolder() const override;
    std::vector<VUnicodeString> ExpandedFolderPaths() const override;
    void RestoreAfterFilter(const std::vector<VUnicodeString>& expanded, const VUnicodeString& selection,
                            bool expandSelection) override;

private:
    // One folder of the filtered tree, built in memory before any item is
    // inserted so that a filter over the whole database inserts only what
    // it shows.
    struct FilteredFolder {
        VUnicodeString name;
        std::vector<FilteredFolder> folders;
        VStringArray sessions;
    };

    void ReadDisplaySettings();
    int HiddenKindCode(bool& applies) const;
    // Whether the visibility option that applies hides this session.
    bool IsHidden(const VUnicodeString& folderPath, const VUnicodeString& name) const;
    const SessionDatabase::Listing& ListFolder(const VUnicodeString& path) const;
    TreeItem AddRoot();
    void LoadFolder(TreeItem folder);
    void EnsureLoaded(TreeItem folder);
    void FillFiltered();
    bool CollectFiltered(const VUnicodeString& path, FilteredFolder& into);
    void InsertFiltered(TreeItem parent, const FilteredFolder& folder);
    TreeItem FirstFilteredMatch(TreeItem from) const;
    void SelectPathOrRoot(const VUnicodeString& path);
    VUnicodeString JoinPath(const VUnicodeString& parentPath, const VUnicodeString& name) const;
    TreeItem FindChildByName(TreeItem parent, const VUnicodeString& name) const;
    // The item at `path` among those already read, loading nothing.
    TreeItem FindLoadedItem(const VUnicodeString& path) const;
    void RefreshFolder(TreeItem folder);
    // Insert position for a new or renamed item (sorted modes).
    TreeItem InsertPositionFor(TreeItem parent, const VUnicodeString& name, bool isFolder, TreeItem skip) const;
    TreeItem LastFolderChild(TreeItem parent) const;
    int SessionImage(const VUnicodeString& path) const;
    void NotifyChanged();
    void NotifyViewChanged();

    // Find
    struct FindLevel;
    bool RunFind();
    bool FolderMatchesFind(const VUnicodeString& name, const FindOptions& options) const;
    bool SessionMatchesFind(const VUnicodeString& path, const VUnicodeString& name,
                            const FindOptions& options) const;
    // The children of a folder as the tree shows them: the listing, or the
    // filtered control's items while a filter is in force.
    void ShownChildren(const VUnicodeString& path, VStringArray& folders, VStringArray& sessions) const;

    // Editing
    void CopyOrCut(bool cut);
    void ClearCutMarks();
    TreeClipboardRecord RecordOfSelection(bool cut) const;
    std::optional<TreeClipboardRecord> ReadClipboardRecord() const;
    bool CheckPasteRefusals(const TreeClipboardRecord& record, TreeItem target, TreeItem targetFolder);
    void GiveWayToName(TreeItem folder, const VUnicodeString& name, TreeItem arrived);
    TreeItem PlaceItem(TreeItem folder, TreeItem target, DropPosition position, const VUnicodeString& name,
                       bool isFolder, TreeItem skip, VUnicodeString& reference, bool& after) const;
    TreeItem TargetFolderOfSelection() const;
    void AddMissingSessions(TreeItem folder);
    void RunFirewallUpdate();
    void Refuse(std::u16string_view text);
    TreeItem ReplaceItemAt(TreeItem item, TreeItem parent, TreeItem after, const VUnicodeString& name);
    bool ForEachShownSession(const VUnicodeString& path,
                             const std::function<bool(const VUnicodeString&)>& visit) const;
    void FailedRename(TreeItem item, const VUnicodeString& oldName, const VUnicodeString& attempted);
    void FinishLabelEdit(TreeItem item, const VUnicodeString& text, bool cancelled);
    // Tells the owner once nothing holds a refresh any more.
    void ReleaseRefresh();
    // Holds refreshes for an editing step that may show a window.
    struct RefreshHold {
        explicit RefreshHold(SessionTreeBase& tree);
        ~RefreshHold();
        RefreshHold(const RefreshHold&) = delete;
        RefreshHold& operator=(const RefreshHold&) = delete;
        SessionTreeBase& tree;
    };

    // Drag
    unsigned DragEffect(std::span<const uint8_t> data, TreeItem target) const override;

    ISessionTreeOwner* m_owner;
    int m_sortMode = 0;
    bool m_showDescriptions = true;
    bool m_showTerminal = true;
    bool m_showTransfer = true;
    int m_iconSet = 0;
    TreeItem m_editedItem = kNoTreeItem; // a label edit is open on it
    bool m_renaming = false;
    bool m_filling = false;

    // Find
    bool m_searchedOnce = false;
    VUnicodeString m_lastHitPath; // a path, so a removed hit leaves nothing to follow
    bool m_hasLastHit = false;

    // Editing
    bool m_pasteAvailable = false;
    std::set<TreeItem> m_cutItems;
    bool m_bulk = false;
    bool m_changeHeld = false;
    bool m_updatingFirewalls = false;
    FirewallChanges m_firewallChanges;

    // Drag
    int m_refreshHolds = 0; // pastes and drops under way
    TreeItem m_dragSource = kNoTreeItem;
};
