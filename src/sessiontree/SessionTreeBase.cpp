#include "sessiontree/SessionTreeBase.h"

#include <algorithm>
#include <unordered_set>

#include "core/VUnknown.h"
#include "platform/GlobalConfig.h"
#include "platform/MessageBox.h"
#include "platform/MessageTable.h"
#include "platform/Products.h"
#include "platform/WaitCursor.h"
#include "profile/sessions/ConnectConfig.h"
#include "profile/sessions/ISessionConfig.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/store/ProfileKeyPath.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"
#include "sessiontree/FilterPattern.h"

namespace {

constexpr uint32_t kMsgNotFound = 0x61090040;

// The protocol icon table: pair index (both sides present), single index.
struct ProtocolIcon {
    const char16_t* name;
    int pair;
    int single;
};
constexpr ProtocolIcon kProtocolIcons[] = {
    {u"", 11, 11},         {u"None", 11, 11},
    {u"SSH2", 11, 9},      {u"SSH1", 11, 9},
    {u"Telnet", 3, 4},     {u"Telnet/SSL", 11, 9},
    {u"RLogin", 3, 4},     {u"Serial", 3, 4},
    {u"Local Shell", 8, 8}, {u"TAPI", 7, 7},
    {u"SFTP", 11, 10},     {u"FTP", 3, 5},
    {u"FTP/SSL (implicit)", 11, 10}, {u"FTP/SSL (explicit)", 11, 10},
    {u"HTTP", 3, 5},       {u"HTTPS", 11, 10},
    {u"HTTPS (S3)", 11, 10}, {u"SCP", 11, 10},
    {u"Marks", 3, 4},      {u"Raw", 3, 4},
    {u"RDP", 6, 6},
};

const ProtocolIcon* FindProtocolIcon(std::u16string_view name)
{
    for (const ProtocolIcon& row : kProtocolIcons)
        if (name == row.name)
            return &row;
    return nullptr;
}

GlobalConfig* Config()
{
    GlobalConfig* config = nullptr;
    return GetGlobalConfig(&config) ? config : nullptr;
}

SessionDatabase& Database()
{
    return *GetSessionDatabaseImpl();
}

VUnicodeString DefaultOf(const char16_t* name)
{
    const SessionValueTable& table = ConnectConfig::Table();
    const size_t index = table.IndexOf(name);
    return index == SessionValueTable::npos ? VUnicodeString() : VUnicodeString(table.Defs()[index].text);
}

// The two protocol names of a session, read alone: an enable check must
// not load a session's whole configuration. False when there is no such key.
bool ReadProtocolNames(const VUnicodeString& path, VUnicodeString& terminal, VUnicodeString& transfer)
{
    const VProfileStore store;
    if (!store.GetRootKey())
        return false;
    const VProfileKey key(*store.GetRootKey(), SessionDatabase::KeyPathFromSessionPath(path), 0);
    if (!key.IsOpen())
        return false;
    if (!key.ReadString(ConnectConfig::kProtocolName, terminal))
        terminal = DefaultOf(ConnectConfig::kProtocolName);
    if (!key.ReadString(ConnectConfig::kTransferProtocolName, transfer))
        transfer = DefaultOf(ConnectConfig::kTransferProtocolName);
    return true;
}

} // namespace

int SessionImageFor(std::u16string_view terminal, std::u16string_view transfer)
{
    const ProtocolIcon* a = FindProtocolIcon(terminal);
    const ProtocolIcon* b = FindProtocolIcon(transfer);
    if (!a || !b)
        return SessionTreeBase::kImageSession;
    const bool pair = terminal != u"None" && !terminal.empty() && transfer != u"None" && !transfer.empty();
    return pair ? std::min(a->pair, b->pair) : std::min(a->single, b->single);
}

SessionTreeBase::SessionTreeBase(ISessionTreeOwner* owner) : m_owner(owner) {}

SessionTreeBase::~SessionTreeBase() = default;

void SessionTreeBase::Initialize()
{
    ReadDisplaySettings();
    OnDisplayChanged();
    Fill(0);
}

void SessionTreeBase::ReadDisplaySettings()
{
    if (GlobalConfig* config = Config()) {
        m_sortMode = std::clamp(config->sortMode, 0, 2);
        m_showDescriptions = config->showDescriptions;
        m_showTerminal = config->showTerminalSessions;
        m_showTransfer = config->showTransferSessions;
    }
}

void SessionTreeBase::OnDisplayChanged()
{
    if (!m_owner)
        m_iconSet = 0;
    else if (m_owner->UseGenericSessionIcons())
        m_iconSet = 3;
    else
        m_iconSet = m_owner->UseAlternateIcons() ? 1 : 0;
    RedrawTree();
}

// --- Filling

void SessionTreeBase::Fill(unsigned flags)
{
    if (flags & kFillDropCache)
        Database().DropCachedListings();
    if (GlobalConfig* config = Config())
        m_sortMode = std::clamp(config->sortMode, 0, 2);
    if (flags & kFillResetFilter && IsFilterActive()) {
        ClearFilter(); // refills by itself
        return;
    }
    const VUnicodeString selected = SelectedPathForFilter();
    const VProfileStore snapshot; // every folder listed in one read transaction
    m_filling = true;
    ClearCutMarks();
    BeginRefill();
    DeleteAllItems();
    const TreeItem root = AddRoot();
    if (IsFilterActive()) {
        FillFiltered();
        EndRefill();
        m_filling = false;
        const TreeItem first = FirstFilteredMatch(root);
        SelectItem(first != kNoTreeItem ? first : root);
        return;
    }
    LoadFolder(root);
    ExpandItem(root, true);
    EndRefill();
    m_filling = false;
    if (IsFiltering())
        return; // a filter that ends gives back the selection and open folders itself
    SelectPathOrRoot(selected);
}

TreeItem SessionTreeBase::AddRoot()
{
    SessionTreeItemData data;
    data.isFolder = true;
    return InsertItem(GetRootName(), kNoTreeItem, kInsertLast, data);
}

const SessionDatabase::Listing& SessionTreeBase::ListFolder(const VUnicodeString& path) const
{
    return Database().GetListing(path, m_sortMode);
}

// The visibility option that applies on this host, and the kind code the
// database is asked about.
int SessionTreeBase::HiddenKindCode(bool& showOption) const
{
    const int host = m_owner ? m_owner->GetHostKind() : 0;
    switch (host) {
    case 1:
    case 3:
    case 7:
        showOption = m_showTransfer;
        return 3;
    case 8:
        showOption = m_showTransfer;
        return 8;
    case 9:
        showOption = m_showTerminal;
        return 9;
    default:
        showOption = m_showTerminal;
        return 6;
    }
}

bool SessionTreeBase::IsHidden(const VUnicodeString& folderPath, const VUnicodeString& name) const
{
    bool show = true;
    const int code = HiddenKindCode(show);
    return !show && Database().IsSessionOfKind(JoinPath(folderPath, name), code);
}

void SessionTreeBase::LoadFolder(TreeItem folder)
{
    SessionTreeItemData* data = GetItemData(folder);
    if (!data || !data->isFolder || data->childrenLoaded || data->isNewFolder)
        return;
    WaitCursorScope wait;
    const VUnicodeString path = GetItemPath(folder);
    // A copy: inserting items may call back into the database.
    const SessionDatabase::Listing listing = ListFolder(path);
    SessionTreeItemData folderData;
    folderData.isFolder = true;
    for (const VUnicodeString& name : listing.folders)
        InsertItem(name, folder, kInsertLast, folderData);
    const SessionTreeItemData sessionData;
    for (const VUnicodeString& name : listing.sessions)
        if (!IsHidden(path, name))
            InsertItem(name, folder, kInsertLast, sessionData);
    if (SessionTreeItemData* again = GetItemData(folder))
        again->childrenLoaded = true;
}

void SessionTreeBase::EnsureLoaded(TreeItem folder)
{
    const SessionTreeItemData* data = GetItemData(folder);
    if (data && data->isFolder && !data->childrenLoaded)
        LoadFolder(folder);
}

void SessionTreeBase::OnItemExpanding(TreeItem item)
{
    EnsureLoaded(item);
}

VUnicodeString SessionTreeBase::JoinPath(const VUnicodeString& parentPath, const VUnicodeString& name) const
{
    return parentPath.IsEmpty() ? name : parentPath + u"\\" + name.str();
}

VUnicodeString SessionTreeBase::GetItemPath(TreeItem item) const
{
    std::vector<VUnicodeString> names;
    const TreeItem root = GetRootItem();
    for (TreeItem at = item; at != kNoTreeItem && at != root; at = GetParentItem(at))
        names.push_back(GetItemText(at));
    VUnicodeString path;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (!path.IsEmpty())
            path += u'\\';
        path += *it;
    }
    return path;
}

TreeItem SessionTreeBase::FindChildByName(TreeItem parent, const VUnicodeString& name) const
{
    for (TreeItem child = GetChildItem(parent); child != kNoTreeItem; child = GetNextSiblingItem(child))
        if (GetItemText(child).EqualsNoCase(name))
            return child;
    return kNoTreeItem;
}

TreeItem SessionTreeBase::FindItem(const VUnicodeString& path)
{
    TreeItem item = GetRootItem();
    VUnicodeString rest = path;
    rest.Replace(u"/", u"\\");
    while (item != kNoTreeItem && !rest.IsEmpty()) {
        const size_t slash = rest.Find(u'\\');
        const VUnicodeString name = rest.Left(slash);
        rest = slash == VUnicodeString::npos ? VUnicodeString() : rest.Mid(slash + 1);
        if (name.IsEmpty())
            continue;
        EnsureLoaded(item);
        const TreeItem child = FindChildByName(item, name);
        if (child != kNoTreeItem && !rest.IsEmpty())
            ExpandItem(item, true);
        if (child != kNoTreeItem && IsFolder(child) && !rest.IsEmpty())
            ExpandItem(child, true);
        item = child;
    }
    return item;
}

TreeItem SessionTreeBase::FindLoadedItem(const VUnicodeString& path) const
{
    TreeItem item = GetRootItem();
    for (const std::u16string_view name : SplitKeyPath(path.str())) {
        const SessionTreeItemData* data = GetItemData(item);
        if (!data || !data->childrenLoaded)
            return kNoTreeItem;
        item = FindChildByName(item, VUnicodeString(name));
        if (item == kNoTreeItem)
            return kNoTreeItem;
    }
    return item;
}

void SessionTreeBase::RefreshFolders(const VStringArray& paths)
{
    if (IsFilterActive()) {
        Fill(kFillDropCache); // the filter decides what is shown
        return;
    }
    Database().DropCachedListings();
    std::vector<std::pair<size_t, TreeItem>> folders; // by depth: a folder before those below it
    for (const VUnicodeString& path : paths) {
        TreeItem item = FindLoadedItem(path);
        if (item != kNoTreeItem && !IsFolder(item))
            item = GetParentItem(item);
        const SessionTreeItemData* data = GetItemData(item);
        if (item != kNoTreeItem && data && data->childrenLoaded)
            folders.emplace_back(SplitKeyPath(GetItemPath(item).str()).size(), item);
    }
    if (folders.empty())
        return;
    std::sort(folders.begin(), folders.end());
    const VStringArray selected = GetSelectedPaths();
    const VProfileStore snapshot; // every folder read in one read transaction
    std::vector<VUnicodeString> done;
    for (const auto& [depth, item] : folders) {
        const VUnicodeString path = GetItemPath(item);
        // One already read again holds it, read again with it.
        const bool within = std::any_of(done.begin(), done.end(), [&](const VUnicodeString& above) {
            return above.IsEmpty() || path.EqualsNoCase(above) ||
                   (path.Length() > above.Length() && path.At(above.Length()) == u'\\' &&
                    path.Left(above.Length()).EqualsNoCase(above));
        });
        if (within)
            continue;
        // Found again: reading an earlier folder may have replaced the item.
        const TreeItem folder = path.IsEmpty() ? GetRootItem() : FindLoadedItem(path);
        if (folder != kNoTreeItem)
            RefreshFolder(folder);
        done.push_back(path);
    }
    const VStringArray now = GetSelectedPaths();
    if (!selected.IsEmpty() && (now.IsEmpty() || !now[0].EqualsNoCase(selected[0])))
        SelectNearest(selected[0]);
}

void SessionTreeBase::SelectNearest(const VUnicodeString& path)
{
    VUnicodeString at = path;
    TreeItem item = at.IsEmpty() ? GetRootItem() : FindItem(at);
    while (item == kNoTreeItem) {
        VUnicodeString leaf;
        SessionDatabase::SplitSessionPath(VUnicodeString(at), at, leaf);
        item = at.IsEmpty() ? GetRootItem() : FindItem(at);
    }
    SelectItem(item);
}

void SessionTreeBase::RefreshFolder(TreeItem folder)
{
    std::vector<VUnicodeString> open; // the subfolders that were open, to open again
    std::vector<TreeItem> pending{folder};
    while (!pending.empty()) {
        const TreeItem item = pending.back();
        pending.pop_back();
        for (TreeItem child = GetChildItem(item); child != kNoTreeItem; child = GetNextSiblingItem(child)) {
            if (IsFolder(child) && IsItemExpanded(child)) {
                open.push_back(GetItemPath(child));
                pending.push_back(child);
            }
        }
    }
    std::vector<TreeItem> children;
    for (TreeItem child = GetChildItem(folder); child != kNoTreeItem; child = GetNextSiblingItem(child))
        children.push_back(child);
    for (const TreeItem child : children)
        DeleteItem(child);
    if (SessionTreeItemData* data = GetItemData(folder))
        data->childrenLoaded = false;
    LoadFolder(folder);
    for (const VUnicodeString& path : open)
        if (const TreeItem item = FindLoadedItem(path); item != kNoTreeItem && IsFolder(item)) {
            EnsureLoaded(item);
            ExpandItem(item, true);
        }
}

bool SessionTreeBase::IsFolder(TreeItem item) const
{
    const SessionTreeItemData* data = GetItemData(item);
    return data && data->isFolder;
}

ISessionConfig* SessionTreeBase::GetSessionConfig(TreeItem item) const
{
    if (item == kNoTreeItem || IsFolder(item))
        return nullptr;
    return Database().LoadSession(GetItemPath(item)).Detach();
}

VStringArray SessionTreeBase::GetSelectedPaths() const
{
    VStringArray paths;
    for (TreeItem item : GetSelectedItems())
        paths.Add(GetItemPath(item));
    return paths;
}

void SessionTreeBase::SelectPathOrRoot(const VUnicodeString& path)
{
    TreeItem item = path.IsEmpty() ? kNoTreeItem : FindItem(path);
    SelectItem(item != kNoTreeItem ? item : GetRootItem());
}

// --- Arrangement and display options

void SessionTreeBase::SetSortMode(int mode)
{
    m_sortMode = std::clamp(mode, 0, 2);
    if (GlobalConfig* config = Config()) {
        config->sortMode = m_sortMode;
        config->Save();
    }
    if (IsFilterActive())
        ApplyFilter(ActiveFilterText());
    else
        Fill(0);
    NotifyViewChanged();
}

void SessionTreeBase::ToggleShowDescriptions()
{
    m_showDescriptions = !m_showDescriptions;
    if (GlobalConfig* config = Config()) {
        config->showDescriptions = m_showDescriptions;
        config->Save();
    }
}

void SessionTreeBase::ToggleShowTerminalSessions()
{
    m_showTerminal = !m_showTerminal;
    if (GlobalConfig* config = Config()) {
        config->showTerminalSessions = m_showTerminal;
        config->Save();
    }
    Fill(0);
}

void SessionTreeBase::ToggleShowTransferSessions()
{
    m_showTransfer = !m_showTransfer;
    if (GlobalConfig* config = Config()) {
        config->showTransferSessions = m_showTransfer;
        config->Save();
    }
    Fill(0);
}

bool SessionTreeBase::GetDescription(TreeItem item, VUnicodeString& text) const
{
    if (!m_showDescriptions || IsInLabelEdit() || !ItemExists(item) || IsFolder(item))
        return false;
    VUnknownPointer<ISessionConfig> config(GetSessionConfig(item));
    if (!config)
        return false;
    text = config->GetDescription();
    return true;
}

bool SessionTreeBase::GetTooltip(TreeItem item, size_t capacity, VUnicodeString& tip) const
{
    VUnicodeString text;
    if (capacity == 0 || !GetDescription(item, text))
        return false;
    if (text.Length() + 1 > capacity) // cut to end in "..." when there is room for it
        text = capacity - 1 >= 3 ? text.Left(capacity - 4) + u"..." : text.Left(capacity - 1);
    tip = text;
    return true;
}

int SessionTreeBase::SessionImage(const VUnicodeString& path) const
{
    GlobalConfig* config = Config();
    if (m_iconSet == 3 || (config && !config->useProtocolIcons))
        return kImageSession;
    const SessionConfigPtr session = Database().LoadSession(path);
    if (!session)
        return kImageSession + kImagesPerSet * m_iconSet;
    return SessionImageFor(session->GetProtocolName().str(), session->GetTransferProtocolName().str()) +
           kImagesPerSet * m_iconSet;
}

int SessionTreeBase::GetItemImage(TreeItem item, bool selected) const
{
    const int set = m_iconSet == 3 ? 0 : m_iconSet;
    if (item == GetRootItem())
        return kImageFolder + kImagesPerSet * set;
    if (IsFolder(item))
        return (selected ? kImageOpenFolder : kImageFolder) + kImagesPerSet * set;
    return SessionImage(GetItemPath(item));
}

void SessionTreeBase::SessionCapabilities(const VUnicodeString& sessionPath, bool& canTerminal,
                                          bool& canTransfer, bool listed) const
{
    canTerminal = canTransfer = false;
    VUnicodeString terminal;
    VUnicodeString transfer;
    if (listed ? !ReadProtocolNames(sessionPath, terminal, transfer)
               : !GetSessionProtocols(sessionPath, terminal, transfer))
        return;
    canTerminal = IsKestruneOrTamsicInstalled() && ConnectConfig::IsProtocol(terminal);
    canTransfer = ConnectConfig::IsProtocol(transfer) &&
                  (IsPellowinInstalled() || (m_owner && m_owner->GetHostKind() == 9));
}

bool SessionTreeBase::GetSessionProtocols(const VUnicodeString& sessionPath, VUnicodeString& terminal,
                                          VUnicodeString& transfer) const
{
    return Database().IsSession(sessionPath) && ReadProtocolNames(sessionPath, terminal, transfer);
}

void SessionTreeBase::GetConnectCapabilities(TreeItem item, bool& canTerminal, bool& canTransfer) const
{
    canTerminal = canTransfer = false;
    if (ItemExists(item) && !IsFolder(item))
        SessionCapabilities(GetItemPath(item), canTerminal, canTransfer);
}

bool SessionTreeBase::CanConnect(const VStringArray& paths, bool transfer) const
{
    for (const VUnicodeString& path : paths) {
        bool terminal = false;
        bool files = false;
        SessionCapabilities(path, terminal, files); // folders and unreadable sessions give neither
        if (transfer ? files : terminal)
            return true;
    }
    return false;
}

// --- Sessions below the selection, from the listings

bool SessionTreeBase::ForEachShownSession(const VUnicodeString& path,
                                          const std::function<bool(const VUnicodeString&)>& visit) const
{
    if (!IsFilterActive()) {
        // Straight from the kept listings: nothing is copied or inserted.
        const SessionDatabase::Listing& listing = ListFolder(path);
        for (const VUnicodeString& name : listing.folders)
            if (!ForEachShownSession(JoinPath(path, name), visit))
                return false;
        for (const VUnicodeString& name : listing.sessions)
            if (!IsHidden(path, name) && !visit(JoinPath(path, name)))
                return false;
        return true;
    }
    VStringArray folders;
    VStringArray sessions;
    ShownChildren(path, folders, sessions);
    for (const VUnicodeString& name : folders)
        if (!ForEachShownSession(JoinPath(path, name), visit))
            return false;
    for (const VUnicodeString& name : sessions)
        if (!visit(JoinPath(path, name)))
            return false;
    return true;
}

bool SessionTreeBase::ForEachSessionBelow(const VUnicodeString& path, bool isFolder,
                                          const std::function<bool(const VUnicodeString&)>& visit) const
{
    return isFolder ? ForEachShownSession(path, visit) : visit(path);
}

bool SessionTreeBase::ForEachSelectedSession(const std::function<bool(const VUnicodeString&)>& visit) const
{
    const std::vector<TreeItem> selected = GetSelectedItems();
    if (selected.size() == 1)
        return ForEachSessionBelow(GetItemPath(selected[0]), IsFolder(selected[0]), visit);
    // What lies below a selected folder comes with it; each session once,
    // whatever order the selection lists them in.
    std::unordered_set<std::u16string> folders;
    std::unordered_set<std::u16string> visited;
    const auto covered = [&](const VUnicodeString& path) {
        const std::u16string folded = VUnicodeString::FoldCase(path.str());
        for (size_t slash = folded.find(u'\\'); slash != std::u16string::npos; slash = folded.find(u'\\', slash + 1))
            if (folders.contains(folded.substr(0, slash)))
                return true;
        return folders.contains(u"") && !folded.empty();
    };
    const auto once = [&](const VUnicodeString& path) {
        return !visited.insert(VUnicodeString::FoldCase(path.str())).second || visit(path);
    };
    for (TreeItem item : selected) {
        const VUnicodeString path = GetItemPath(item);
        if (covered(path))
            continue;
        const bool isFolder = IsFolder(item);
        if (!ForEachSessionBelow(path, isFolder, once))
            return false;
        if (isFolder)
            folders.insert(VUnicodeString::FoldCase(path.str()));
    }
    return true;
}

void SessionTreeBase::ShownChildren(const VUnicodeString& path, VStringArray& folders, VStringArray& sessions) const
{
    if (IsFilterActive()) {
        // The filtered tree holds all it shows.
        TreeItem item = GetRootItem();
        VUnicodeString rest = path;
        while (item != kNoTreeItem && !rest.IsEmpty()) {
            const size_t slash = rest.Find(u'\\');
            item = FindChildByName(item, rest.Left(slash));
            rest = slash == VUnicodeString::npos ? VUnicodeString() : rest.Mid(slash + 1);
        }
        for (TreeItem child = GetChildItem(item); child != kNoTreeItem; child = GetNextSiblingItem(child))
            (IsFolder(child) ? folders : sessions).Add(GetItemText(child));
        return;
    }
    const SessionDatabase::Listing& listing = ListFolder(path);
    folders = listing.folders;
    for (const VUnicodeString& name : listing.sessions)
        if (!IsHidden(path, name))
            sessions.Add(name);
}

std::vector<TreeItem> SessionTreeBase::RememberedItems() const
{
    std::vector<TreeItem> items(m_cutItems.begin(), m_cutItems.end());
    for (TreeItem item : {m_editedItem, m_dragSource, m_hoverItem, m_dropTarget})
        if (item != kNoTreeItem)
            items.push_back(item);
    return items;
}

void SessionTreeBase::ExpandAllFolders()
{
    std::vector<TreeItem> stack{GetRootItem()};
    while (!stack.empty()) {
        const TreeItem item = stack.back();
        stack.pop_back();
        if (!IsFolder(item))
            continue;
        EnsureLoaded(item);
        ExpandItem(item, true);
        for (TreeItem child = GetChildItem(item); child != kNoTreeItem; child = GetNextSiblingItem(child))
            stack.push_back(child);
    }
}

void SessionTreeBase::CollapseAllFolders()
{
    std::vector<TreeItem> stack{GetRootItem()};
    while (!stack.empty()) {
        const TreeItem item = stack.back();
        stack.pop_back();
        for (TreeItem child = GetChildItem(item); child != kNoTreeItem; child = GetNextSiblingItem(child))
            if (IsFolder(child))
                stack.push_back(child);
        if (item != GetRootItem())
            ExpandItem(item, false);
    }
}

// --- Insert positions

TreeItem SessionTreeBase::InsertPositionFor(TreeItem parent, const VUnicodeString& name, bool isFolder,
                                            TreeItem skip) const
{
    TreeItem previous = kNoTreeItem;
    for (TreeItem child = GetChildItem(parent); child != kNoTreeItem; child = GetNextSiblingItem(child)) {
        if (child == skip)
            continue;
        const bool childIsFolder = IsFolder(child);
        if (isFolder) {
            if (!childIsFolder || VUnicodeString::CompareNoCase(GetItemText(child), name) > 0)
                return previous == kNoTreeItem ? kInsertFirst : previous;
        } else if (!childIsFolder) {
            const VUnicodeString text = GetItemText(child);
            const int order = m_sortMode == 1 ? VUnicodeString::CompareLogical(text, name)
                                              : VUnicodeString::CompareNoCase(text, name);
            if (order >= 0) // a tie goes before the existing item
                return previous == kNoTreeItem ? kInsertFirst : previous;
        }
        previous = child;
    }
    return kInsertLast;
}

TreeItem SessionTreeBase::LastFolderChild(TreeItem parent) const
{
    TreeItem last = kNoTreeItem;
    for (TreeItem child = GetChildItem(parent); child != kNoTreeItem && IsFolder(child);
         child = GetNextSiblingItem(child))
        last = child;
    return last;
}

// --- Filter

void SessionTreeBase::RefillForFilter()
{
    Fill(0);
}

VUnicodeString SessionTreeBase::SelectedPathForFilter() const
{
    const std::vector<TreeItem> selected = GetSelectedItems();
    return selected.empty() ? VUnicodeString() : GetItemPath(selected.front());
}

bool SessionTreeBase::IsSelectionExpandedFolder() const
{
    const std::vector<TreeItem> selected = GetSelectedItems();
    return !selected.empty() && IsFolder(selected.front()) && IsItemExpanded(selected.front());
}

std::vector<VUnicodeString> SessionTreeBase::ExpandedFolderPaths() const
{
    std::vector<VUnicodeString> paths;
    std::vector<TreeItem> stack;
    for (TreeItem child = GetChildItem(GetRootItem()); child != kNoTreeItem; child = GetNextSiblingItem(child))
        stack.push_back(child);
    while (!stack.empty()) {
        const TreeItem item = stack.back();
        stack.pop_back();
        if (!IsFolder(item) || !IsItemExpanded(item))
            continue;
        paths.push_back(GetItemPath(item));
        for (TreeItem child = GetChildItem(item); child != kNoTreeItem; child = GetNextSiblingItem(child))
            stack.push_back(child);
    }
    return paths;
}

void SessionTreeBase::RestoreAfterFilter(const std::vector<VUnicodeString>& expanded, const VUnicodeString& selection,
                                         bool expandSelection)
{
    for (const VUnicodeString& path : expanded) {
        const TreeItem item = FindItem(path);
        if (item != kNoTreeItem && IsFolder(item))
            ExpandItem(item, true);
    }
    const TreeItem item = selection.IsEmpty() ? kNoTreeItem : FindItem(selection);
    SelectItem(item != kNoTreeItem ? item : GetRootItem());
    if (item != kNoTreeItem && expandSelection)
        ExpandItem(item, true);
}

// Walks the whole database under `path` and keeps what the filter shows.
// True when the folder keeps anything.
bool SessionTreeBase::CollectFiltered(const VUnicodeString& path, FilteredFolder& into)
{
    const SessionDatabase::Listing& listing = ListFolder(path);
    for (const VUnicodeString& name : listing.sessions)
        if (SessionPassesFilter(path.str(), name.str()) && !IsHidden(path, name))
            into.sessions.Add(name);
    for (const VUnicodeString& name : listing.folders) {
        FilteredFolder child;
        child.name = name;
        if (CollectFiltered(JoinPath(path, name), child) || FolderKeptForItsName(name.str()))
            into.folders.push_back(std::move(child));
    }
    return !into.folders.empty() || !into.sessions.IsEmpty();
}

void SessionTreeBase::InsertFiltered(TreeItem parent, const FilteredFolder& folder)
{
    SessionTreeItemData folderData;
    folderData.isFolder = true;
    folderData.childrenLoaded = true; // holds just what the filter shows
    for (const FilteredFolder& child : folder.folders) {
        const TreeItem item = InsertItem(child.name, parent, kInsertLast, folderData);
        InsertFiltered(item, child);
        ExpandItem(item, true);
    }
    const SessionTreeItemData sessionData;
    for (const VUnicodeString& name : folder.sessions)
        InsertItem(name, parent, kInsertLast, sessionData);
}

void SessionTreeBase::FillFiltered()
{
    WaitCursorScope wait;
    const TreeItem root = GetRootItem();
    FilteredFolder top;
    CollectFiltered(VUnicodeString(), top);
    InsertFiltered(root, top);
    if (SessionTreeItemData* data = GetItemData(root))
        data->childrenLoaded = true;
    ExpandItem(root, true);
}

// The first session in tree order, else the first kept folder. The
// filtered tree is wholly loaded, so the walk reads the control only.
TreeItem SessionTreeBase::FirstFilteredMatch(TreeItem from) const
{
    TreeItem firstFolder = kNoTreeItem;
    std::vector<TreeItem> pending{GetChildItem(from)};
    while (!pending.empty()) {
        const TreeItem item = pending.back();
        pending.pop_back();
        if (item == kNoTreeItem)
            continue;
        pending.push_back(GetNextSiblingItem(item));
        if (!IsFolder(item))
            return item;
        if (firstFolder == kNoTreeItem)
            firstFolder = item;
        pending.push_back(GetChildItem(item));
    }
    return firstFolder;
}

// --- Find

FindOptions& SessionTreeBase::ProcessFindOptions()
{
    static FindOptions options;
    return options;
}

bool SessionTreeBase::ShowFindDialog(FindOptions&)
{
    return false;
}

void SessionTreeBase::Find()
{
    m_searchedOnce = false;
    m_hasLastHit = false;
    m_lastHitPath = VUnicodeString();
    FindNext();
}

void SessionTreeBase::FindNext()
{
    bool showed = false;
    if (!m_searchedOnce) {
        FindOptions options = ProcessFindOptions();
        if (!ShowFindDialog(options))
            return;
        ProcessFindOptions() = options;
        m_searchedOnce = true;
        showed = true;
    }
    if (RunFind())
        return;
    if (showed) {
        VReportPtr report = NewReport(kMsgNotFound);
        report->AddParameter(ProcessFindOptions().text);
        Message(report->GetText().str(), kMbOk | kMbIconInformation);
        FocusTree();
        return;
    }
    m_hasLastHit = false; // once more from the top, silently
    RunFind();
}

bool SessionTreeBase::FolderMatchesFind(const VUnicodeString& name, const FindOptions& options) const
{
    return options.folderName && Contains(name.str(), options.text.str(), options.matchCase);
}

bool SessionTreeBase::SessionMatchesFind(const VUnicodeString& path, const VUnicodeString& name,
                                         const FindOptions& options) const
{
    const std::u16string_view text = options.text.str();
    if (options.sessionName && Contains(name.str(), text, options.matchCase))
        return true;
    if (!options.hostName && !options.description)
        return false;
    // Only the two values tested are read, a folder's sessions in one query.
    VUnicodeString hostName;
    VUnicodeString description;
    if (!Database().GetFindTexts(path, hostName, description))
        return false; // an unreadable session matches nothing
    return (options.hostName && Contains(hostName.str(), text, options.matchCase)) ||
           (options.description && Contains(description.str(), text, options.matchCase));
}

// One folder of the walk: what it shows, and the next child to visit
// (its folders first, then its sessions).
struct SessionTreeBase::FindLevel {
    VUnicodeString path;
    VStringArray folders;
    VStringArray sessions;
    size_t next = 0;
};

// Walks the tree's order over the database's listings, so only the path
// to a hit is ever put into the control. It goes on after the last hit;
// when that is gone, from the first child of its nearest folder left.
bool SessionTreeBase::RunFind()
{
    const FindOptions& options = ProcessFindOptions();
    if (options.text.IsEmpty())
        return false;
    const VProfileStore snapshot; // the whole walk in one read transaction
    std::vector<FindLevel> stack(1);
    ShownChildren(VUnicodeString(), stack[0].folders, stack[0].sessions);
    if (m_hasLastHit) {
        VUnicodeString rest = m_lastHitPath;
        while (!rest.IsEmpty()) {
            const size_t slash = rest.Find(u'\\');
            const VUnicodeString name = rest.Left(slash);
            rest = slash == VUnicodeString::npos ? VUnicodeString() : rest.Mid(slash + 1);
            FindLevel& level = stack.back();
            size_t at = 0;
            while (at < level.folders.GetSize() && !level.folders[at].EqualsNoCase(name))
                ++at;
            if (at < level.folders.GetSize()) {
                level.next = at + 1;
                FindLevel child;
                child.path = JoinPath(level.path, level.folders[at]);
                ShownChildren(child.path, child.folders, child.sessions);
                stack.push_back(std::move(child));
                continue;
            }
            size_t session = 0;
            while (session < level.sessions.GetSize() && !level.sessions[session].EqualsNoCase(name))
                ++session;
            if (session < level.sessions.GetSize() && rest.IsEmpty())
                level.next = level.folders.GetSize() + session + 1;
            break;
        }
    }
    while (!stack.empty()) {
        const size_t depth = stack.size() - 1;
        const size_t folders = stack[depth].folders.GetSize();
        const size_t next = stack[depth].next++;
        VUnicodeString hit;
        if (next < folders) {
            const VUnicodeString name = stack[depth].folders[next];
            FindLevel child;
            child.path = JoinPath(stack[depth].path, name);
            if (FolderMatchesFind(name, options))
                hit = child.path;
            else {
                ShownChildren(child.path, child.folders, child.sessions);
                stack.push_back(std::move(child));
                continue;
            }
        } else if (next < folders + stack[depth].sessions.GetSize()) {
            const VUnicodeString& name = stack[depth].sessions[next - folders];
            const VUnicodeString path = JoinPath(stack[depth].path, name);
            if (!SessionMatchesFind(path, name, options))
                continue;
            hit = path;
        } else {
            stack.pop_back();
            continue;
        }
        m_lastHitPath = hit;
        m_hasLastHit = true;
        const TreeItem item = FindItem(hit); // loads only the folders along the way
        if (item == kNoTreeItem)
            return false;
        for (TreeItem parent = GetParentItem(item); parent != kNoTreeItem; parent = GetParentItem(parent))
            ExpandItem(parent, true);
        SelectItem(item);
        return true;
    }
    return false;
}

// --- Notifications

void SessionTreeBase::NotifyChanged()
{
    if (m_bulk) {
        m_changeHeld = true;
        return;
    }
    if (m_owner)
        m_owner->OnSessionDatabaseChanged(1, 0);
}

void SessionTreeBase::NotifyViewChanged()
{
    if (m_owner)
        m_owner->OnSessionDatabaseViewChanged();
}

void SessionTreeBase::OnSessionDatabaseChanged(int changed, int reserved)
{
    if (m_owner)
        m_owner->OnSessionDatabaseChanged(changed, reserved);
}

void SessionTreeBase::OnSessionDatabaseViewChanged()
{
    if (m_owner)
        m_owner->OnSessionDatabaseViewChanged();
}

int SessionTreeBase::Message(std::u16string_view text, unsigned style) const
{
    return GetMessageBox().Show(m_owner ? m_owner->GetMessageParent() : nullptr, text, u"Session Manager", style);
}
