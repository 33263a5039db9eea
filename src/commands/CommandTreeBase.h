#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "commands/ICommandManagerSink.h"
#include "commands/ProfileUserButtonMap.h"
#include "core/Export.h"
#include "core/VUnknown.h"
#include "sessiontree/FilterTreeBase.h"
#include "sessiontree/SessionTreeBase.h"
#include "sessiontree/TreeClipboardRecord.h"

class CommandDatabaseImpl;

// What the tree keeps with each item: folders know they are folders (and
// whether they are still being named); commands carry their ICommandInfo.
struct CommandTreeItemData {
    bool isFolder = false;
    bool isNewFolder = false; // being named; not yet in the store
    VUnknownPointer<ICommandInfo> info;
};

// All of the Command Manager tree's rules: filling from the command
// store, sending, editing with the clipboard and drag and drop, the
// filter. It reaches its control only through the item operations below,
// so the rules run without a window.
class ORV_EXPORT CommandTreeBase : public FilterTreeBase, public TreeDropTarget {
public:
    static constexpr char16_t kRootName[] = u"Commands";
    // The tree record's clipboard and drag format, and the name of the
    // one-button list a copied command travels in.
    static constexpr char16_t kTreeFormatName[] = u"CmdMgrTree";
    static constexpr char16_t kTempCopyName[] = u"temp copy";

    // `sink` may be null: sending then does nothing.
    explicit CommandTreeBase(ICommandManagerSink* sink);
    ~CommandTreeBase() override;

    // --- Model
    // Reads every folder and command afresh (with the filter in force),
    // keeping the expanded folders and the selection where they still are.
    void Fill();
    bool IsFolder(TreeItem item) const;
    // The folder path of a folder, or of the folder a command is in.
    VUnicodeString GetFolderPath(TreeItem item) const;
    // The command's info (no reference for the caller); null for folders.
    ICommandInfo* GetCommandInfo(TreeItem item) const;
    TreeItem GetSelected() const;
    // The folder item at `path`, or kNoTreeItem.
    TreeItem FindFolder(const VUnicodeString& path) const;
    // The command item at `position` of `folderPath`, or kNoTreeItem.
    TreeItem FindCommand(const VUnicodeString& folderPath, uint32_t position) const;
    // The tooltip for a buffer of `capacity` characters with its
    // terminator: cut to end in "..." when it does not fit.
    bool GetTooltip(TreeItem item, size_t capacity, VUnicodeString& tip) const;
    void ExpandAllFolders();
    void CollapseAllFolders();

    // --- Sending
    bool CanSend(int target) const;
    // Target 0 becomes 1 while Shift is held.
    void SendCommand(int target);
    void OnItemDoubleClicked(TreeItem item);

    // --- Editing
    bool HasSelection() const { return GetSelected() != kNoTreeItem; }
    // Between BeginDrag and EndDrag of this tree's own items.
    bool IsDragging() const { return m_dragSource != kNoTreeItem; }
    bool CanCutOrCopy() const;
    bool CanDelete() const { return CanCutOrCopy(); }
    bool CanRename() const { return CanCutOrCopy(); }
    bool CanEditProperties() const;
    // Reads the clipboard for the three kinds Paste takes; asked before a
    // menu is shown and when the command state is worked out.
    void UpdateClipboardFlags();
    bool CanPaste() const;
    bool IsOwnRecordOnClipboard() const { return m_ownRecordOnClipboard; }
    bool IsButtonOnClipboard() const { return m_buttonOnClipboard; }
    bool IsBarOnClipboard() const { return m_barOnClipboard; }
    // The Paste entry's label for what the clipboard holds now.
    VUnicodeString PasteMenuLabel(const VUnicodeString& ownLabel) const;
    void NewCommand();
    void NewFolder();
    void Copy() { CopyOrCut(false); }
    void Cut() { CopyOrCut(true); }
    void Paste();
    void Delete();
    void Rename();
    void EndLabelEdit(TreeItem item, const VUnicodeString& text, bool cancelled);
    void Properties();
    bool IsItemCut(TreeItem item) const;
    bool IsNewFolderPending() const { return m_newFolderPending; }
    // The paste worker, shared by Paste and drop. False when the record was
    // refused as a whole (nothing changed).
    bool PasteRecord(const TreeClipboardRecord& record, TreeItem target, DropPosition position) override;

    // A credential changed: the texts of CREDENTIALS commands are read again.
    void OnCredentialsChanged();

    // --- Drag and drop
    std::vector<uint8_t> BeginDrag(bool rightButton);
    void EndDrag();
    void OnTimer(int id);

    ICommandManagerSink* GetSink() const { return m_sink; }
    // The host's identity, as the tree records carry it.
    VUnicodeString GetIdentity() const;
    static uint32_t TreeClipboardFormat();

    // --- The control's item operations
    virtual TreeItem InsertItem(const VUnicodeString& text, TreeItem parent, TreeItem insertAfter,
                                const CommandTreeItemData& data) = 0;
    virtual void DeleteItem(TreeItem item) = 0;
    virtual void DeleteAllItems() = 0;
    virtual VUnicodeString GetItemText(TreeItem item) const = 0;
    virtual void SetItemText(TreeItem item, const VUnicodeString& text) = 0;
    virtual CommandTreeItemData* GetItemData(TreeItem item) const = 0;
    virtual TreeItem GetChildItem(TreeItem item) const = 0;
    virtual TreeItem GetNextSiblingItem(TreeItem item) const = 0;
    virtual TreeItem GetParentItem(TreeItem item) const = 0;
    virtual TreeItem GetRootItem() const = 0;
    virtual void ExpandItem(TreeItem item, bool expand) = 0;
    virtual bool IsItemExpanded(TreeItem item) const = 0;
    // Makes `item` the selected item, focused and visible (none: clears).
    virtual void SelectItem(TreeItem item) = 0;
    virtual TreeItem GetSelectedItem() const = 0;
    virtual void EditLabel(TreeItem item, const VUnicodeString& text) = 0;
    // Ends a label edit that is open, as if the user pressed Enter.
    virtual void EndEditing() {}
    virtual void SetItemCutLook(TreeItem item, bool cut) = 0;
    void StartTimer(int id, uint32_t milliseconds) override = 0;
    void StopTimer(int id) override = 0;
    virtual void FocusTree() = 0;

protected:
    // Where message boxes and the host's dialog are shown.
    virtual QWidget* MessageParent() const { return nullptr; }
    // After a send the keyboard focus goes where the host wants it.
    virtual void AfterSend() {}
    int Message(std::u16string_view text, unsigned style) const;

    // FilterTreeBase
    void RefillForFilter() override;
    VUnicodeString SelectedPathForFilter() const override;
    bool IsSelectionExpandedFolder() const override;
    std::vector<VUnicodeString> ExpandedFolderPaths() const override;
    void RestoreAfterFilter(const std::vector<VUnicodeString>& expanded, const VUnicodeString& selection,
                            bool expandSelection) override;

private:
    struct FolderContent;

    CommandDatabaseImpl& Database() const;
    // A text naming an item across refills: its folder path, and for a
    // command its position.
    VUnicodeString KeyOf(TreeItem item) const;
    static VUnicodeString FolderKey(const VUnicodeString& path);
    static VUnicodeString CommandKey(const VUnicodeString& folderPath, size_t position);
    TreeItem FindByKey(const VUnicodeString& key) const;
    // Refills, then expands `expanded` and selects `selection`.
    void Reload(const VUnicodeString& selection, const std::vector<VUnicodeString>& expanded);
    void Reload(const VUnicodeString& selection) { Reload(selection, ExpandedFolderPaths()); }
    bool Collect(const VUnicodeString& path, FolderContent& into) const;
    void InsertContent(TreeItem parent, const FolderContent& content);
    TreeItem FirstCommand(TreeItem from) const;
    TreeItem TargetFolderOfSelection() const;
    TreeItem LastFolderChild(TreeItem parent) const;
    void CopyOrCut(bool cut);
    void ClearCutMarks();
    std::optional<TreeClipboardRecord> ReadOwnRecord() const;
    bool PasteButton(TreeItem target);
    bool PasteBar(TreeItem target);
    void Refuse(std::u16string_view text);
    unsigned DragEffect(std::span<const uint8_t> data, TreeItem target) const override;

    ICommandManagerSink* m_sink;
    std::set<std::u16string> m_cutKeys;
    bool m_newFolderPending = false;
    bool m_cutRecordPasted = false; // this tree's last Cut was pasted: not again
    bool m_ownRecordOnClipboard = false;
    bool m_buttonOnClipboard = false;
    bool m_barOnClipboard = false;
    bool m_inLabelEnd = false;

    TreeItem m_dragSource = kNoTreeItem;
};
