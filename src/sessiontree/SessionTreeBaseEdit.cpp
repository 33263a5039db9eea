// The editing half of the session tree: clipboard, paste, delete, rename,
// new items and drag and drop. Every change goes to the session database
// first; the tree follows only when the database took it.
#include <algorithm>

#include "core/VUnknown.h"
#include "platform/GlobalConfig.h"
#include "platform/IClipboard.h"
#include "platform/KeyState.h"
#include "platform/MessageBox.h"
#include "platform/PlatformError.h"
#include "platform/SessionNameValidator.h"
#include "platform/WaitCursor.h"
#include "profile/sessions/IRemoteHostConfig.h"
#include "profile/sessions/ISessionConfig.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "sessiontree/SessionTreeBase.h"

namespace {

constexpr uint32_t kMsgParentIntoChild = 0x6109001B;
constexpr uint32_t kMsgNewFolderName = 0x61090013;
constexpr uint32_t kMsgConfirmDelete = 0x61090041;
constexpr uint32_t kMsgItemGone = 0x61090042;
constexpr uint32_t kMsgItemsGone = 0x61090043;
constexpr uint32_t kMsgPasteOntoCut = 0x61090044;
constexpr uint32_t kMsgFirewallNotice = 0x61090045;
constexpr uint32_t kMsgNameInUse = 0xE1090003;
constexpr uint32_t kMsgCreateFolderFailed = 0xE1090004;
constexpr uint32_t kMsgRenameFolderFailed = 0xE1090005;
constexpr uint32_t kMsgCopyFailed = 0xE1090017;
constexpr uint32_t kMsgFolderIntoItself = 0xE109001A;
constexpr uint32_t kMsgInsertFailed = 0xE1090040;
constexpr uint32_t kMsgDeleteFailed = 0xE1090041;

template <class... Inserts>
VUnicodeString TextOf(uint32_t id, const Inserts&... inserts)
{
    VReportPtr report = NewReport(id);
    (report->AddParameter(VUnicodeString(inserts)), ...);
    return report->GetText();
}

SessionDatabase& Database()
{
    return *GetSessionDatabaseImpl();
}

uint32_t FolderTreeFormat()
{
    static const uint32_t format = RegisterClipboardFormatName(TreeClipboardRecord::kFormatName);
    return format;
}

uint32_t PlainTextFormat()
{
    static const uint32_t format = RegisterClipboardFormatName(u"text/plain;charset=utf-8");
    return format;
}

bool IsBelow(std::u16string_view path, std::u16string_view folder)
{
    return path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == u'\\';
}

VUnicodeString LeafOf(const VUnicodeString& path)
{
    const size_t slash = path.ReverseFind(u'\\');
    return slash == VUnicodeString::npos ? path : path.Mid(slash + 1);
}

// The name as the user meant it: no blanks at either end, no trailing '.'.
VUnicodeString CleanName(VUnicodeString name)
{
    name.Trim();
    while (name.EndsWith(u"."))
        name = name.Left(name.Length() - 1);
    return name;
}

} // namespace

// --- Clipboard

bool SessionTreeBase::CanCutOrCopy() const
{
    const std::vector<TreeItem> selected = GetSelectedItems();
    return !selected.empty() && std::find(selected.begin(), selected.end(), GetRootItem()) == selected.end();
}

bool SessionTreeBase::IsReadOnly() const
{
    return IsProfileStoreReadOnly();
}

bool SessionTreeBase::IsRefreshHeld() const
{
    return m_bulk || m_renaming || m_refreshHolds > 0 || IsInLabelEdit() || m_dragSource != kNoTreeItem ||
           m_hoverItem != kNoTreeItem;
}

void SessionTreeBase::ReleaseRefresh()
{
    if (m_owner && !IsRefreshHeld())
        m_owner->OnTreeIdle();
}

SessionTreeBase::RefreshHold::RefreshHold(SessionTreeBase& held) : tree(held)
{
    ++tree.m_refreshHolds;
}

SessionTreeBase::RefreshHold::~RefreshHold()
{
    --tree.m_refreshHolds;
    tree.ReleaseRefresh();
}

bool SessionTreeBase::CanPaste() const
{
    return !IsReadOnly() && m_pasteAvailable && GetSelectedItems().size() == 1 && GetClipboard().IsFormatAvailable(FolderTreeFormat());
}

bool SessionTreeBase::CanDelete() const
{
    return CanCutOrCopy() && !IsReadOnly();
}

bool SessionTreeBase::CanDuplicate() const
{
    const std::vector<TreeItem> selected = GetSelectedItems();
    if (selected.size() != 1 || IsFolder(selected[0]) || IsReadOnly())
        return false;
    VUnknownPointer<ISessionConfig> config(GetSessionConfig(selected[0]));
    return config.Get() != nullptr;
}

TreeClipboardRecord SessionTreeBase::RecordOfSelection(bool cut) const
{
    TreeClipboardRecord record;
    record.sourceIdentity = m_owner ? m_owner->GetDatabaseIdentity() : VUnicodeString();
    record.isCut = cut;
    for (TreeItem item : GetSelectedItems()) {
        if (item == GetRootItem())
            continue;
        record.paths.Add(GetItemPath(item));
        (IsFolder(item) ? record.hasFolders : record.hasSessions) = true;
    }
    return record;
}

void SessionTreeBase::ClearCutMarks()
{
    for (TreeItem item : m_cutItems)
        SetItemCutLook(item, false);
    m_cutItems.clear();
}

void SessionTreeBase::CopyOrCut(bool cut)
{
    const std::vector<TreeItem> selected = GetSelectedItems();
    if (selected.empty() || selected.front() == GetRootItem() || (cut && IsReadOnly()))
        return;
    ClearCutMarks();
    const TreeClipboardRecord record = RecordOfSelection(cut);
    std::vector<IClipboard::FormatData> formats;
    formats.push_back({FolderTreeFormat(), record.Serialize()});
    // One session also goes as plain text: where it connects to.
    if (selected.size() == 1 && !IsFolder(selected[0])) {
        VUnknownPointer<ISessionConfig> config(GetSessionConfig(selected[0]));
        if (config && !config->GetProtocolName().IsEmpty()) {
            const std::string target = config->GetConnectionTarget().ToUtf8();
            if (!target.empty())
                formats.push_back({PlainTextFormat(), std::vector<uint8_t>(target.begin(), target.end())});
        }
    }
    if (!GetClipboard().SetData(formats)) {
        Refuse(TextOf(kMsgCopyFailed).str());
        return;
    }
    if (cut)
        for (TreeItem item : selected) {
            SetItemCutLook(item, true);
            m_cutItems.insert(item);
        }
    m_pasteAvailable = true;
}

std::optional<TreeClipboardRecord> SessionTreeBase::ReadClipboardRecord() const
{
    std::vector<uint8_t> bytes;
    if (!GetClipboard().GetData(FolderTreeFormat(), bytes))
        return std::nullopt;
    return TreeClipboardRecord::Parse(bytes);
}

void SessionTreeBase::Paste()
{
    const std::vector<TreeItem> selected = GetSelectedItems();
    if (!m_pasteAvailable || selected.size() != 1 || IsReadOnly())
        return;
    const RefreshHold hold(*this);
    const std::optional<TreeClipboardRecord> record = ReadClipboardRecord();
    // Another database's record, or nothing usable: no word about it.
    if (!record || !m_owner || record->sourceIdentity != m_owner->GetDatabaseIdentity() || record->paths.IsEmpty())
        return;
    const TreeItem target = selected.front();
    if (!PasteRecord(*record, target, IsFolder(target) ? DropPosition::Into : DropPosition::After))
        return;
    if (record->isCut) { // a cut is pasted once
        m_pasteAvailable = false;
        ClearCutMarks();
    }
}

void SessionTreeBase::Refuse(std::u16string_view text)
{
    Message(text, kMbOk | kMbIconExclamation);
    FocusTree();
}

// Checks the whole record before anything changes.
bool SessionTreeBase::CheckPasteRefusals(const TreeClipboardRecord& record, TreeItem target, TreeItem targetFolder)
{
    const VUnicodeString targetPath = GetItemPath(target);
    const VUnicodeString folderPath = GetItemPath(targetFolder);
    for (const VUnicodeString& path : record.paths) {
        if (record.isCut && path == folderPath) {
            if (record.paths.GetSize() > 1) {
                Refuse(TextOf(kMsgPasteOntoCut).str());
                return false;
            }
            continue; // one item pasted onto itself is skipped
        }
        if (!Database().IsFolder(path))
            continue;
        if (path == targetPath) {
            Refuse(TextOf(kMsgFolderIntoItself).str());
            return false;
        }
        if (IsBelow(targetPath.str(), path.str())) {
            Refuse(TextOf(kMsgParentIntoChild).str());
            return false;
        }
    }
    return true;
}

// Where a pasted item goes: the database's reference name and after flag,
// and the control's insert-after item.
TreeItem SessionTreeBase::PlaceItem(TreeItem folder, TreeItem target, DropPosition position,
                                    const VUnicodeString& name, bool isFolder, TreeItem skip,
                                    VUnicodeString& reference, bool& after) const
{
    reference = VUnicodeString();
    after = false;
    if (m_sortMode != 2)
        return InsertPositionFor(folder, name, isFolder, skip);
    const bool targetIsFolder = IsFolder(target);
    if (!isFolder) {
        if (!targetIsFolder && position != DropPosition::Into) {
            reference = GetItemText(target);
            after = position == DropPosition::After;
            if (after)
                return target;
            TreeItem previous = kNoTreeItem;
            for (TreeItem child = GetChildItem(folder); child != target; child = GetNextSiblingItem(child))
                if (child != skip)
                    previous = child;
            return previous == kNoTreeItem ? kInsertFirst : previous;
        }
        return kInsertLast; // last in the folder
    }
    if (targetIsFolder && position != DropPosition::Into && target != folder) {
        reference = GetItemText(target);
        after = position == DropPosition::After;
        if (after)
            return target;
        TreeItem previous = kNoTreeItem;
        for (TreeItem child = GetChildItem(folder); child != target; child = GetNextSiblingItem(child))
            if (child != skip)
                previous = child;
        return previous == kNoTreeItem ? kInsertFirst : previous;
    }
    if (targetIsFolder && position != DropPosition::Into && target == GetRootItem()) {
        // Before or after the root: first among its children. The item
        // re-placed is no reference to itself.
        TreeItem first = GetChildItem(folder);
        if (first == skip)
            first = GetNextSiblingItem(first);
        if (first != kNoTreeItem && IsFolder(first)) {
            reference = GetItemText(first);
            after = false;
        }
        return kInsertFirst;
    }
    // Into a folder, or onto a session: after the last subfolder.
    TreeItem lastFolder = kNoTreeItem;
    for (TreeItem child = GetChildItem(folder); child != kNoTreeItem && IsFolder(child);
         child = GetNextSiblingItem(child))
        if (child != skip)
            lastFolder = child;
    if (lastFolder == kNoTreeItem)
        return kInsertFirst;
    reference = GetItemText(lastFolder);
    after = true;
    return lastFolder;
}

bool SessionTreeBase::PasteRecord(const TreeClipboardRecord& record, TreeItem target, DropPosition position)
{
    if (target == kNoTreeItem)
        return false;
    TreeItem folder = IsFolder(target) ? target : GetParentItem(target);
    // In the user's order, before or after a folder means beside it.
    if (m_sortMode == 2 && IsFolder(target) && target != GetRootItem() && position != DropPosition::Into)
        folder = GetParentItem(target);
    if (!CheckPasteRefusals(record, target, folder))
        return false;
    EnsureLoaded(folder);
    ExpandItem(folder, true);
    const VUnicodeString folderPath = GetItemPath(folder);
    size_t missing = 0;
    TreeItem lastPasted = kNoTreeItem;
    m_firewallChanges.clear();
    for (const VUnicodeString& path : record.paths) {
        if (record.isCut && path == folderPath)
            continue;
        const TreeItem item = FindItem(path);
        if (item == kNoTreeItem || !Database().SessionExists(path)) {
            ++missing;
            continue;
        }
        const bool isFolder = IsFolder(item);
        VUnicodeString reference;
        bool after = false;
        VReportPtr report = NewReport();
        if (record.isCut) {
            if (item == target)
                continue;
            if (GetParentItem(item) == folder) {
                if (m_sortMode == 2) {
                    const TreeItem at = PlaceItem(folder, target, position, GetItemText(item), isFolder, item,
                                                  reference, after);
                    if (!Database().ReorderItem(path, reference, after, report.Get())) {
                        Refuse(report->GetText().str());
                        break;
                    }
                    lastPasted = ReplaceItemAt(item, folder, at, GetItemText(item));
                }
                continue;
            }
            const TreeItem at = PlaceItem(folder, target, position, LeafOf(path), isFolder, kNoTreeItem, reference,
                                          after);
            VUnicodeString newPath;
            if (!Database().MoveItem(path, folderPath, reference, after, newPath, &m_firewallChanges, report.Get())) {
                Refuse(report->GetText().str());
                break;
            }
            // The item goes over with what is open below it, under the
            // name the database gave it, and is placed by that name.
            const VUnicodeString newName = LeafOf(newPath);
            const TreeItem where = m_sortMode == 2 ? at : InsertPositionFor(folder, newName, isFolder, item);
            if (!MoveItem(item, folder, where)) {
                Refuse(TextOf(kMsgInsertFailed).str());
                break;
            }
            SetItemText(item, newName);
            GiveWayToName(folder, newName, item);
            lastPasted = item;
        } else {
            const TreeItem at = PlaceItem(folder, target, position, LeafOf(path), isFolder, kNoTreeItem, reference,
                                          after);
            VUnicodeString newPath;
            if (!Database().CopyItem(path, folderPath, true, reference, after, newPath, report.Get())) {
                Refuse(report->GetText().str());
                break;
            }
            // A copy may take another name: place it by that one.
            const TreeItem where = m_sortMode == 2 ? at : InsertPositionFor(folder, LeafOf(newPath), isFolder, kNoTreeItem);
            const TreeItem copied = InsertItem(LeafOf(newPath), folder, where, SessionTreeItemData{isFolder, false, false});
            if (copied == kNoTreeItem) {
                Refuse(TextOf(kMsgInsertFailed).str());
                break;
            }
            GiveWayToName(folder, LeafOf(newPath), copied);
            lastPasted = copied;
        }
    }
    if (lastPasted != kNoTreeItem) {
        SelectItem(lastPasted);
        NotifyChanged();
    }
    RunFirewallUpdate();
    if (missing > 0) {
        if (record.paths.GetSize() == 1)
            Message(TextOf(kMsgItemGone, LeafOf(record.paths[0])).str(), kMbOk | kMbIconExclamation);
        else
            Message(TextOf(kMsgItemsGone).str(), kMbOk | kMbIconExclamation);
    }
    return true;
}

// A folder still being named holds a name the database does not know of, so
// an item dropped here from another tree may be given the same one; the
// folder being named then takes the next free name.
void SessionTreeBase::GiveWayToName(TreeItem folder, const VUnicodeString& name, TreeItem arrived)
{
    for (TreeItem child = GetChildItem(folder); child != kNoTreeItem; child = GetNextSiblingItem(child)) {
        const SessionTreeItemData* data = GetItemData(child);
        if (child == arrived || !data || !data->isNewFolder || !GetItemText(child).EqualsNoCase(name))
            continue;
        const VUnicodeString path = GetItemPath(folder);
        const VUnicodeString base = TextOf(kMsgNewFolderName);
        VUnicodeString free = base;
        for (int n = 1; FindChildByName(folder, free) != kNoTreeItem || Database().SessionExists(JoinPath(path, free));
             ++n)
            free = base + u" (" + VUnicodeString::FromNumber(n).str() + u")";
        if (child == m_editedItem)
            EditLabel(child, free); // the editor offers the new name
        SetItemText(child, free);
        return;
    }
}

// Re-places an item among its siblings; it keeps its handle, its cut look
// and what is expanded below it.
TreeItem SessionTreeBase::ReplaceItemAt(TreeItem item, TreeItem parent, TreeItem after, const VUnicodeString& name)
{
    if (after != item)
        MoveItem(item, parent, after);
    SetItemText(item, name);
    return item;
}

void SessionTreeBase::RunFirewallUpdate()
{
    if (m_firewallChanges.empty() || m_updatingFirewalls)
        return;
    GlobalConfig* config = nullptr;
    if (GetGlobalConfig(&config) && config->updateFirewallDependents) {
        m_updatingFirewalls = true;
        VReportPtr notice = NewReport(kMsgFirewallNotice);
        UpdateSessionDatabaseWithFirewallChanges(m_firewallChanges, notice.Get(),
                                                 m_owner ? m_owner->GetMessageParent() : nullptr);
        m_updatingFirewalls = false;
        FocusTree();
        RedrawTree();
    }
    m_firewallChanges.clear();
}

// --- Delete

void SessionTreeBase::Delete()
{
    if (!CanDelete())
        return;
    VStringArray paths;
    for (TreeItem item : GetSelectedItems())
        if (item != GetRootItem())
            paths.Add(GetItemPath(item));
    m_bulk = true;
    if (Message(TextOf(kMsgConfirmDelete).str(), kMbYesNo | kMbIconQuestion) == kIdYes) {
        for (const VUnicodeString& path : paths) {
            // An item below a folder deleted before it is gone already.
            const TreeItem item = FindItem(path);
            if (item == kNoTreeItem || GetItemPath(item) != path)
                continue;
            TreeItem next = GetNextSiblingItem(item);
            if (next == kNoTreeItem)
                next = GetParentItem(item);
            const SessionTreeItemData* data = GetItemData(item);
            if (!(data && data->isNewFolder)) {
                WaitCursorScope wait;
                if (!Database().DeleteItem(path, nullptr)) {
                    Message(TextOf(kMsgDeleteFailed).str(), kMbOk | kMbIconExclamation);
                    break;
                }
                NotifyChanged();
            }
            m_cutItems.erase(item);
            SelectItem(next);
            DeleteItem(item);
        }
    }
    m_bulk = false;
    if (m_changeHeld) {
        m_changeHeld = false;
        NotifyChanged();
    }
}

// --- Rename and new items

void SessionTreeBase::Rename()
{
    if (!CanRename())
        return;
    const TreeItem item = GetSelectedItems().front();
    m_editedItem = item;
    EditLabel(item, GetItemText(item));
}

void SessionTreeBase::FailedRename(TreeItem item, const VUnicodeString& oldName, const VUnicodeString& attempted)
{
    if (!ItemExists(item))
        return;
    SetItemText(item, oldName);
    m_editedItem = item;
    EditLabel(item, attempted);
}

void SessionTreeBase::EndLabelEdit(TreeItem item, const VUnicodeString& text, bool cancelled)
{
    if (m_renaming)
        return;
    FinishLabelEdit(item, text, cancelled);
    ReleaseRefresh();
}

void SessionTreeBase::FinishLabelEdit(TreeItem item, const VUnicodeString& text, bool cancelled)
{
    m_renaming = true;
    if (m_editedItem == item)
        m_editedItem = kNoTreeItem;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_renaming};

    // The item's record is read again after anything that may show a
    // window: a refresh meanwhile may have removed the item.
    const SessionTreeItemData* data = GetItemData(item);
    if (!data)
        return;
    const bool isNew = data->isNewFolder;
    const bool isFolder = data->isFolder;
    const VUnicodeString oldName = GetItemText(item);
    VUnicodeString name = cancelled ? (isNew ? oldName : VUnicodeString()) : CleanName(text);
    if (cancelled && !isNew)
        return;
    if (!isNew && name == oldName)
        return; // exactly the same: a change of case is a rename
    const TreeItem parent = GetParentItem(item);
    const VUnicodeString parentPath = GetItemPath(parent);
    const QWidget* owner = m_owner ? m_owner->GetMessageParent() : nullptr;
    if (!ValidateSessionName(parentPath.str(), isNew ? std::u16string_view() : oldName.str(), name.str(), true,
                             const_cast<QWidget*>(owner))) {
        FailedRename(item, oldName, name);
        return;
    }
    const VUnicodeString oldPath = GetItemPath(item);
    const VUnicodeString newPath = JoinPath(parentPath, name);
    VReportPtr report = NewReport();
    // A new folder takes its place in the user's order after the folder
    // item before it.
    VUnicodeString reference;
    if (isNew)
        for (TreeItem child = GetChildItem(parent); child != item && child != kNoTreeItem;
             child = GetNextSiblingItem(child))
            if (IsFolder(child))
                reference = GetItemText(child);
    if (isNew) {
        SetPlatformLastError(0);
        if (!Database().CreateFolder(parentPath, name, reference, true, report.Get())) {
            const PlatformError error = GetPlatformLastError();
            if (error.code == kErrorAlreadyExists) {
                Message(TextOf(kMsgNameInUse, name).str(), kMbOk | kMbIconExclamation);
                FailedRename(item, oldName, name);
            } else {
                // The system's own words: the database's report says
                // "Failed to create folder" already.
                Message(TextOf(kMsgCreateFolderFailed, PlatformErrorText(error)).str(), kMbOk | kMbIconExclamation);
                DeleteItem(item);
            }
            return;
        }
        if (SessionTreeItemData* made = GetItemData(item)) {
            made->isNewFolder = false;
            made->childrenLoaded = true; // nothing in it yet
        }
    } else if (SetPlatformLastError(0), !Database().RenameItem(oldPath, name, nullptr, report.Get())) {
        const PlatformError error = GetPlatformLastError();
        if (isFolder)
            Message(error.code == kErrorAlreadyExists ? TextOf(kMsgNameInUse, name).str()
                                                      : TextOf(kMsgRenameFolderFailed, PlatformErrorText(error)).str(),
                    kMbOk | kMbIconExclamation);
        else
            Message(error.code == kErrorAlreadyExists ? TextOf(kMsgNameInUse, name).str() : report->GetText().str(),
                    kMbOk | kMbIconExclamation);
        FailedRename(item, oldName, name);
        return;
    }
    TreeItem placed = item;
    if (m_sortMode != 2)
        placed = ReplaceItemAt(item, parent, InsertPositionFor(parent, name, isFolder, item), name);
    else
        SetItemText(item, name);
    SelectItem(placed);
    NotifyChanged();
    if (!isNew) {
        m_firewallChanges.clear();
        m_firewallChanges.push_back({oldPath, newPath});
        RunFirewallUpdate();
    }
}

TreeItem SessionTreeBase::TargetFolderOfSelection() const
{
    const std::vector<TreeItem> selected = GetSelectedItems();
    if (selected.empty())
        return GetRootItem();
    return IsFolder(selected.front()) ? selected.front() : GetParentItem(selected.front());
}

void SessionTreeBase::NewFolder()
{
    if (IsReadOnly())
        return;
    const TreeItem folder = TargetFolderOfSelection();
    EnsureLoaded(folder);
    ExpandItem(folder, true);
    const VUnicodeString path = GetItemPath(folder);
    // Unique in the database and among folders still being named here.
    const VUnicodeString base = TextOf(kMsgNewFolderName);
    VUnicodeString name = Database().MakeUniqueSessionName(path, base);
    for (int n = 1; FindChildByName(folder, name) != kNoTreeItem || Database().SessionExists(JoinPath(path, name)); ++n)
        name = base + u" (" + VUnicodeString::FromNumber(n).str() + u")";
    TreeItem at = kInsertFirst;
    if (m_sortMode == 2) {
        const TreeItem last = LastFolderChild(folder);
        at = last == kNoTreeItem ? kInsertFirst : last;
    } else {
        at = InsertPositionFor(folder, name, true, kNoTreeItem);
    }
    const TreeItem item = InsertItem(name, folder, at, SessionTreeItemData{true, true, true});
    if (item == kNoTreeItem)
        return;
    SelectItem(item);
    m_editedItem = item;
    EditLabel(item, name);
}

void SessionTreeBase::NewSession()
{
    if (IsReadOnly())
        return;
    const RefreshHold hold(*this);
    const TreeItem folder = TargetFolderOfSelection();
    EnsureLoaded(folder);
    ExpandItem(folder, true);
    const VUnicodeString folderPath = GetItemPath(folder);
    VUnicodeString path;
    if (UseNewSessionWizard()) {
        if (!RunNewSessionWizard(folderPath, path))
            return;
    } else {
        const VUnicodeString name = Database().MakeUniqueSessionName(folderPath, u"New");
        VReportPtr report = NewReport();
        if (!Database().CreateSession(folderPath, name, VUnicodeString(), VUnicodeString(), false, nullptr,
                                      report.Get())) {
            Refuse(report->GetText().str());
            return;
        }
        path = JoinPath(folderPath, name);
    }
    const VUnicodeString name = LeafOf(path);
    const TreeItem at = m_sortMode == 2 ? kInsertLast : InsertPositionFor(folder, name, false, kNoTreeItem);
    const TreeItem item = InsertItem(name, folder, at, SessionTreeItemData{});
    if (item == kNoTreeItem) {
        Refuse(TextOf(kMsgInsertFailed).str());
        return;
    }
    // Making the first session of a protocol also makes its default
    // session at the top.
    AddMissingSessions(GetRootItem());
    SelectItem(item);
    NotifyChanged();
    if (!UseNewSessionWizard())
        EditNewSession(path);
}

// Puts in the sessions a loaded folder lists but does not show yet, each
// after the one it follows in the listing in the user's order.
void SessionTreeBase::AddMissingSessions(TreeItem folder)
{
    const SessionTreeItemData* data = GetItemData(folder);
    if (!data || !data->childrenLoaded || IsFilterActive())
        return;
    const VUnicodeString path = GetItemPath(folder);
    const SessionDatabase::Listing listing = ListFolder(path);
    TreeItem previous = LastFolderChild(folder);
    for (const VUnicodeString& name : listing.sessions) {
        if (const TreeItem shown = FindChildByName(folder, name); shown != kNoTreeItem) {
            previous = shown;
            continue;
        }
        if (IsHidden(path, name))
            continue;
        const TreeItem at = m_sortMode != 2                ? InsertPositionFor(folder, name, false, kNoTreeItem)
                            : previous == kNoTreeItem ? kInsertFirst
                                                           : previous;
        if (const TreeItem made = InsertItem(name, folder, at, SessionTreeItemData{}); made != kNoTreeItem)
            previous = made;
    }
}

bool SessionTreeBase::RunNewSessionWizard(const VUnicodeString& folderPath, VUnicodeString& createdPath)
{
    return m_owner && m_owner->RunNewSessionWizard(folderPath, createdPath);
}

bool SessionTreeBase::PromptDuplicate(ISessionConfig& config, VUnicodeString& newName,
                                      std::optional<VUnicodeString>& newHost)
{
    return m_owner && m_owner->PromptDuplicate(config, newName, newHost);
}

void SessionTreeBase::Duplicate()
{
    if (!CanDuplicate())
        return;
    const RefreshHold hold(*this);
    const TreeItem item = GetSelectedItems().front();
    const VUnicodeString path = GetItemPath(item);
    const SessionConfigPtr source = Database().LoadSession(path);
    if (!source)
        return;
    VUnknownPointer<ISessionConfig> prompted(source->Copy());
    VUnicodeString name;
    std::optional<VUnicodeString> host;
    if (!PromptDuplicate(*prompted, name, host))
        return;
    const TreeItem folder = GetParentItem(item);
    const VUnicodeString folderPath = GetItemPath(folder);
    VReportPtr report = NewReport();
    VUnicodeString newPath;
    if (!Database().DuplicateSession(path, name, host ? &*host : nullptr,
                                     m_sortMode == 2 ? GetItemText(item) : VUnicodeString(), true, &newPath,
                                     report.Get())) {
        Refuse(report->GetText().str());
        return;
    }
    const TreeItem at =
        m_sortMode == 2 ? item : InsertPositionFor(folder, LeafOf(newPath), false, kNoTreeItem);
    const TreeItem copy = InsertItem(LeafOf(newPath), folder, at, SessionTreeItemData{});
    if (copy != kNoTreeItem)
        SelectItem(copy);
    NotifyChanged();
}

// --- Drag and drop

unsigned SessionTreeBase::EffectFromKeys(unsigned modifiers)
{
    const int held = ((modifiers & kKeyShift) ? 1 : 0) + ((modifiers & kKeyControl) ? 1 : 0) +
                     ((modifiers & kKeyAlt) ? 1 : 0);
    if (held >= 2)
        return kEffectNone;
    return (modifiers & kKeyControl) ? kEffectCopy : kEffectMove;
}

std::vector<uint8_t> SessionTreeBase::BeginDrag(bool rightButton)
{
    if (!CanCutOrCopy() || IsReadOnly())
        return {};
    const std::vector<TreeItem> selected = GetSelectedItems();
    m_dragSource = selected.front();
    m_rightDrag = rightButton;
    return RecordOfSelection(false).Serialize();
}

void SessionTreeBase::EndDrag()
{
    m_dragSource = kNoTreeItem;
    m_rightDrag = false;
    OnDragLeave();
}

unsigned SessionTreeBase::DragEffect(std::span<const uint8_t> data, TreeItem target) const
{
    if (target == kNoTreeItem)
        return kEffectNone;
    if (IsReadOnly())
        return kEffectNone;
    const std::optional<TreeClipboardRecord> record = TreeClipboardRecord::Parse(data);
    if (!record || !m_owner || record->sourceIdentity != m_owner->GetDatabaseIdentity())
        return kEffectNone;
    const VUnicodeString targetPath = GetItemPath(target);
    const bool targetIsFolder = IsFolder(target);
    for (const VUnicodeString& path : record->paths)
        if ((targetIsFolder && path == targetPath && target != GetRootItem()) ||
            IsBelow(targetPath.str(), path.str()))
            return kEffectNone;
    return EffectFromKeys(GetKeyState().HeldModifiers());
}

void SessionTreeBase::OnDragLeave()
{
    TreeDropTarget::OnDragLeave();
    ReleaseRefresh(); // a refresh held back by the drag runs now
}

void SessionTreeBase::OnTimer(int id)
{
    if (id == kFilterTimerId) {
        OnFilterTimer();
    } else if (id == kHoverTimerId) {
        const TreeItem item = EndHover();
        if (item != kNoTreeItem && IsFolder(item)) {
            EnsureLoaded(item);
            ExpandItem(item, true);
            RedrawTree();
        }
    }
}

bool SessionTreeBase::OnDrop(std::span<const uint8_t> data, unsigned effect, int x, int y)
{
    const RefreshHold hold(*this); // no refill under the paste
    return TreeDropTarget::OnDrop(data, effect, x, y);
}
