// The Command Manager tree's rules. Every change goes to the command store
// first, in one transaction; the tree is then read again, which keeps the
// commands' positions right whatever moved.
#include "commands/CommandTreeBase.h"

#include <algorithm>

#include "commands/ButtonClipboard.h"
#include "commands/CommandDatabaseImpl.h"
#include "commands/CommandInfo.h"
#include "platform/IClipboard.h"
#include "platform/KeyState.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

constexpr uint32_t kMsgNameInUse = 0xE1090003;
constexpr uint32_t kMsgCreateFolderFailed = 0xE1090004;
constexpr uint32_t kMsgRenameFolderFailed = 0xE1090005;
constexpr uint32_t kMsgCopyFailed = 0xE1090017;
constexpr uint32_t kMsgFolderIntoItself = 0xE109001A;
constexpr uint32_t kMsgParentIntoChild = 0x6109001B;
constexpr uint32_t kMsgNewFolderName = 0x61090013;
constexpr uint32_t kMsgCommandManager = 0x6109002A;
constexpr uint32_t kMsgConfirmDelete = 0x6109002B;
constexpr uint32_t kMsgPasteButton = 0x6109002D;
constexpr uint32_t kMsgPasteButtonBar = 0x6109002E;
constexpr uint32_t kMsgDeleteFailed = 0xE1090041;

constexpr char16_t kFolderKeyMark = u'F';
constexpr char16_t kCommandKeyMark = u'C';
constexpr char16_t kKeySeparator = u'\x1F';

template <class... Inserts>
VUnicodeString TextOf(uint32_t id, const Inserts&... inserts)
{
    VReportPtr report = NewReport(id);
    (report->AddParameter(VUnicodeString(inserts)), ...);
    VUnicodeString text = report->GetText();
    text.TrimRight();
    return text;
}

// The decimal number at the end of a key; 0 when there is none.
uint32_t ReadPosition(std::u16string_view digits)
{
    uint32_t value = 0;
    for (const char16_t c : digits) {
        if (c < u'0' || c > u'9')
            return 0;
        value = value * 10u + static_cast<uint32_t>(c - u'0');
    }
    return value;
}

} // namespace

// One folder as the store holds it, read before any item is inserted so
// that a filter inserts only what it shows.
struct CommandTreeBase::FolderContent {
    VUnicodeString name;
    VUnicodeString path;
    std::vector<FolderContent> folders;
    std::vector<std::pair<uint32_t, ProfileUserButtonMap::Item>> commands;
};

CommandTreeBase::CommandTreeBase(ICommandManagerSink* sink) : m_sink(sink) {}

CommandTreeBase::~CommandTreeBase() = default;

CommandDatabaseImpl& CommandTreeBase::Database() const
{
    return *GetCommandDatabaseImpl();
}

uint32_t CommandTreeBase::TreeClipboardFormat()
{
    static const uint32_t format = RegisterClipboardFormatName(kTreeFormatName);
    return format;
}

VUnicodeString CommandTreeBase::GetIdentity() const
{
    VUnicodeString identity;
    if (m_sink) {
        VUnicodeStringSink out(identity);
        m_sink->GetIdentity(out);
    }
    return identity;
}

int CommandTreeBase::Message(std::u16string_view text, unsigned style) const
{
    return GetMessageBox().Show(MessageParent(), text, TextOf(kMsgCommandManager).str(), style);
}

void CommandTreeBase::Refuse(std::u16string_view text)
{
    Message(text, kMbOk | kMbIconExclamation);
    FocusTree();
}

// --- Model

bool CommandTreeBase::IsFolder(TreeItem item) const
{
    const CommandTreeItemData* data = GetItemData(item);
    return data && data->isFolder;
}

ICommandInfo* CommandTreeBase::GetCommandInfo(TreeItem item) const
{
    const CommandTreeItemData* data = GetItemData(item);
    return data && !data->isFolder ? data->info.Get() : nullptr;
}

TreeItem CommandTreeBase::GetSelected() const
{
    return GetSelectedItem();
}

VUnicodeString CommandTreeBase::GetFolderPath(TreeItem item) const
{
    if (item == kNoTreeItem)
        return {};
    if (const ICommandInfo* info = GetCommandInfo(item))
        return VUnicodeString(info->GetFolder());
    VUnicodeString path;
    for (TreeItem at = item; at != kNoTreeItem && at != GetRootItem(); at = GetParentItem(at))
        path = path.IsEmpty() ? GetItemText(at) : GetItemText(at) + u"/" + path.str();
    return path;
}

VUnicodeString CommandTreeBase::FolderKey(const VUnicodeString& path)
{
    return VUnicodeString(std::u16string(1, kFolderKeyMark) + path.str());
}

VUnicodeString CommandTreeBase::CommandKey(const VUnicodeString& folderPath, size_t position)
{
    return VUnicodeString(std::u16string(1, kCommandKeyMark) + folderPath.str() + kKeySeparator +
                          VUnicodeString::FromUnsigned(static_cast<uint32_t>(position)).str());
}

VUnicodeString CommandTreeBase::KeyOf(TreeItem item) const
{
    if (item == kNoTreeItem)
        return {};
    if (const ICommandInfo* info = GetCommandInfo(item))
        return CommandKey(VUnicodeString(info->GetFolder()), info->GetPosition());
    return FolderKey(GetFolderPath(item));
}

TreeItem CommandTreeBase::FindFolder(const VUnicodeString& path) const
{
    TreeItem at = GetRootItem();
    std::u16string_view rest = path.str();
    while (at != kNoTreeItem && !rest.empty()) {
        const size_t slash = rest.find(u'/');
        const std::u16string_view name = rest.substr(0, slash);
        TreeItem found = kNoTreeItem;
        for (TreeItem child = GetChildItem(at); child != kNoTreeItem; child = GetNextSiblingItem(child))
            if (IsFolder(child) && GetItemText(child).str() == name) {
                found = child;
                break;
            }
        at = found;
        rest = slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash + 1);
    }
    return at;
}

TreeItem CommandTreeBase::FindCommand(const VUnicodeString& folderPath, uint32_t position) const
{
    const TreeItem folder = FindFolder(folderPath);
    for (TreeItem child = GetChildItem(folder); child != kNoTreeItem; child = GetNextSiblingItem(child))
        if (const ICommandInfo* info = GetCommandInfo(child); info && info->GetPosition() == position)
            return child;
    return kNoTreeItem;
}

TreeItem CommandTreeBase::FindByKey(const VUnicodeString& key) const
{
    if (key.IsEmpty())
        return kNoTreeItem;
    const std::u16string_view text = key.str();
    if (text[0] == kFolderKeyMark)
        return FindFolder(VUnicodeString(text.substr(1)));
    const size_t separator = text.rfind(kKeySeparator);
    if (text[0] != kCommandKeyMark || separator == std::u16string_view::npos)
        return kNoTreeItem;
    return FindCommand(VUnicodeString(text.substr(1, separator - 1)), ReadPosition(text.substr(separator + 1)));
}

bool CommandTreeBase::Collect(const VUnicodeString& path, FolderContent& into) const
{
    into.path = path;
    for (const VUnicodeString& name : Database().GetSubfolders(path)) {
        FolderContent child;
        child.name = name;
        const bool keep = Collect(CommandDatabaseImpl::JoinFolderPath(path, name), child);
        if (keep || !IsFilterActive() || FolderKeptForItsName(name.str()))
            into.folders.push_back(std::move(child));
    }
    VUnknownPointer<ProfileUserButtonMap> list(Database().LoadCommands(path));
    for (size_t i = 0; i < list->GetCount(); ++i) {
        const ProfileUserButtonMap::Item& item = list->GetItem(i);
        if (!IsFilterActive() || SessionPassesFilter(path.str(), ProfileUserButtonMap::GetDisplayText(item).str()))
            into.commands.emplace_back(static_cast<uint32_t>(i), item);
    }
    return !into.folders.empty() || !into.commands.empty();
}

void CommandTreeBase::InsertContent(TreeItem parent, const FolderContent& content)
{
    for (const FolderContent& folder : content.folders) {
        CommandTreeItemData data;
        data.isFolder = true;
        const TreeItem item = InsertItem(folder.name, parent, kInsertLast, data);
        if (item != kNoTreeItem)
            InsertContent(item, folder);
    }
    for (const auto& [position, command] : content.commands) {
        CommandTreeItemData data;
        data.info = VUnknownPointer<ICommandInfo>(new CommandInfo(content.path, command, position));
        const TreeItem item = InsertItem(ProfileUserButtonMap::GetDisplayText(command), parent, kInsertLast, data);
        if (item != kNoTreeItem && m_cutKeys.contains(CommandKey(content.path, position).str()))
            SetItemCutLook(item, true);
    }
    if (parent != GetRootItem() && m_cutKeys.contains(FolderKey(content.path).str()))
        SetItemCutLook(parent, true);
}

void CommandTreeBase::Fill()
{
    Reload(KeyOf(GetSelected()));
}

void CommandTreeBase::Reload(const VUnicodeString& selection, const std::vector<VUnicodeString>& expanded)
{
    FolderContent top;
    Collect({}, top);
    DeleteAllItems();
    m_newFolderPending = false;
    CommandTreeItemData rootData;
    rootData.isFolder = true;
    const TreeItem root = InsertItem(kRootName, kNoTreeItem, kInsertLast, rootData);
    if (root == kNoTreeItem)
        return;
    InsertContent(root, top);
    ExpandItem(root, true);
    if (IsFilterActive()) {
        // Everything a filter leaves is shown, and the first command chosen.
        ExpandAllFolders();
        const TreeItem first = FirstCommand(root);
        SelectItem(first != kNoTreeItem ? first : root);
        return;
    }
    for (const VUnicodeString& key : expanded)
        if (const TreeItem item = FindByKey(key); item != kNoTreeItem)
            ExpandItem(item, true);
    const TreeItem selected = FindByKey(selection);
    SelectItem(selected != kNoTreeItem ? selected : root);
}

TreeItem CommandTreeBase::FirstCommand(TreeItem from) const
{
    for (TreeItem child = GetChildItem(from); child != kNoTreeItem; child = GetNextSiblingItem(child)) {
        if (!IsFolder(child))
            return child;
        if (const TreeItem found = FirstCommand(child); found != kNoTreeItem)
            return found;
    }
    return kNoTreeItem;
}

bool CommandTreeBase::GetTooltip(TreeItem item, size_t capacity, VUnicodeString& tip) const
{
    const ICommandInfo* info = GetCommandInfo(item);
    if (!info || capacity == 0)
        return false;
    VUnicodeString text = ProfileUserButtonMap::GetDisplayText(info->GetItem());
    if (text.IsEmpty())
        return false;
    if (text.Length() + 1 > capacity)
        text = capacity - 1 >= 3 ? text.Left(capacity - 4) + u"..." : text.Left(capacity - 1);
    tip = text;
    return true;
}

void CommandTreeBase::ExpandAllFolders()
{
    std::vector<TreeItem> pending{GetRootItem()};
    while (!pending.empty()) {
        const TreeItem item = pending.back();
        pending.pop_back();
        if (item == kNoTreeItem || !IsFolder(item))
            continue;
        ExpandItem(item, true);
        for (TreeItem child = GetChildItem(item); child != kNoTreeItem; child = GetNextSiblingItem(child))
            pending.push_back(child);
    }
}

void CommandTreeBase::CollapseAllFolders()
{
    std::vector<TreeItem> pending{GetRootItem()};
    while (!pending.empty()) {
        const TreeItem item = pending.back();
        pending.pop_back();
        if (item == kNoTreeItem || !IsFolder(item))
            continue;
        ExpandItem(item, false);
        for (TreeItem child = GetChildItem(item); child != kNoTreeItem; child = GetNextSiblingItem(child))
            pending.push_back(child);
    }
}

void CommandTreeBase::RefillForFilter()
{
    Reload(KeyOf(GetSelected()), {});
}

VUnicodeString CommandTreeBase::SelectedPathForFilter() const
{
    return KeyOf(GetSelected());
}

bool CommandTreeBase::IsSelectionExpandedFolder() const
{
    const TreeItem item = GetSelected();
    return IsFolder(item) && IsItemExpanded(item);
}

std::vector<VUnicodeString> CommandTreeBase::ExpandedFolderPaths() const
{
    std::vector<VUnicodeString> keys;
    std::vector<TreeItem> pending{GetRootItem()};
    while (!pending.empty()) {
        const TreeItem item = pending.back();
        pending.pop_back();
        if (item == kNoTreeItem || !IsFolder(item) || !IsItemExpanded(item))
            continue;
        keys.push_back(KeyOf(item));
        for (TreeItem child = GetChildItem(item); child != kNoTreeItem; child = GetNextSiblingItem(child))
            pending.push_back(child);
    }
    return keys;
}

void CommandTreeBase::RestoreAfterFilter(const std::vector<VUnicodeString>& expanded, const VUnicodeString& selection,
                                         bool expandSelection)
{
    CollapseAllFolders();
    ExpandItem(GetRootItem(), true);
    for (const VUnicodeString& key : expanded)
        if (const TreeItem item = FindByKey(key); item != kNoTreeItem)
            ExpandItem(item, true);
    const TreeItem selected = FindByKey(selection);
    SelectItem(selected != kNoTreeItem ? selected : GetRootItem());
    if (expandSelection && selected != kNoTreeItem)
        ExpandItem(selected, true);
}

// --- Sending

bool CommandTreeBase::CanSend(int target) const
{
    const TreeItem item = GetSelected();
    if (item == kNoTreeItem || !GetCommandInfo(item))
        return false;
    return !m_sink || m_sink->CanSend(target);
}

void CommandTreeBase::SendCommand(int target)
{
    EndEditing();
    if (target == ICommandManagerSink::kActiveSession && (GetKeyState().HeldModifiers() & kKeyShift))
        target = ICommandManagerSink::kAllSessions;
    const TreeItem item = GetSelected();
    ICommandInfo* info = GetCommandInfo(item);
    if (!info || !m_sink || !m_sink->CanSend(target))
        return;
    const VUnknownPointer<ICommandInfo> held = VUnknownPointer<ICommandInfo>::Retain(info);
    m_sink->SendCommand(held.Get(), target);
    AfterSend();
}

void CommandTreeBase::OnItemDoubleClicked(TreeItem item)
{
    if (item == kNoTreeItem || !GetCommandInfo(item))
        return;
    SelectItem(item);
    SendCommand(ICommandManagerSink::kActiveSession);
}

// --- Editing

bool CommandTreeBase::CanCutOrCopy() const
{
    const TreeItem item = GetSelected();
    return item != kNoTreeItem && item != GetRootItem();
}

bool CommandTreeBase::CanEditProperties() const
{
    return GetCommandInfo(GetSelected()) != nullptr;
}

bool CommandTreeBase::IsItemCut(TreeItem item) const
{
    return item != kNoTreeItem && m_cutKeys.contains(KeyOf(item).str());
}

std::optional<TreeClipboardRecord> CommandTreeBase::ReadOwnRecord() const
{
    std::vector<uint8_t> bytes;
    if (!GetClipboard().GetData(TreeClipboardFormat(), bytes))
        return std::nullopt;
    std::optional<TreeClipboardRecord> record = TreeClipboardRecord::Parse(bytes);
    if (!record || record->sourceIdentity != GetIdentity() || (record->paths.IsEmpty() && record->entries.empty()) ||
        (record->isCut && m_cutRecordPasted))
        return std::nullopt;
    return record;
}

void CommandTreeBase::UpdateClipboardFlags()
{
    m_ownRecordOnClipboard = ReadOwnRecord().has_value();
    int origin = 0;
    m_buttonOnClipboard = ::IsButtonOnClipboard(origin) && origin == kClipboardOriginButtonBar;
    origin = 0;
    m_barOnClipboard = ::IsButtonBarOnClipboard(origin) && origin == kClipboardOriginButtonBar;
}

bool CommandTreeBase::CanPaste() const
{
    return HasSelection() && (m_ownRecordOnClipboard || m_buttonOnClipboard || m_barOnClipboard);
}

VUnicodeString CommandTreeBase::PasteMenuLabel(const VUnicodeString& ownLabel) const
{
    if (m_buttonOnClipboard)
        return TextOf(kMsgPasteButton);
    if (m_barOnClipboard)
        return TextOf(kMsgPasteButtonBar);
    return ownLabel;
}

TreeItem CommandTreeBase::TargetFolderOfSelection() const
{
    const TreeItem item = GetSelected();
    if (item == kNoTreeItem)
        return GetRootItem();
    return IsFolder(item) ? item : GetParentItem(item);
}

TreeItem CommandTreeBase::LastFolderChild(TreeItem parent) const
{
    TreeItem last = kNoTreeItem;
    for (TreeItem child = GetChildItem(parent); child != kNoTreeItem && IsFolder(child);
         child = GetNextSiblingItem(child))
        last = child;
    return last;
}

void CommandTreeBase::NewCommand()
{
    if (!HasSelection() || !m_sink)
        return;
    const VUnicodeString folder = GetFolderPath(TargetFolderOfSelection());
    size_t count = 0;
    {
        VUnknownPointer<ProfileUserButtonMap> list(Database().LoadCommands(folder));
        count = list->GetCount();
    }
    const VUnknownPointer<ICommandInfo> info(
        new CommandInfo(folder, ProfileUserButtonMap::Item{}, static_cast<uint32_t>(count)));
    // A command left without a function would vanish when its list is read.
    if (!m_sink->EditCommand(info.Get(), MessageParent()) || info->GetItem().Function == kFunctionNone)
        return;
    if (!Database().InsertCommand(folder, count, info->GetItem()))
        return;
    std::vector<VUnicodeString> expanded = ExpandedFolderPaths();
    expanded.push_back(FolderKey(folder));
    Reload(CommandKey(folder, count), expanded);
}

void CommandTreeBase::NewFolder()
{
    if (!HasSelection())
        return;
    EndEditing();
    const TreeItem folder = TargetFolderOfSelection();
    const VUnicodeString name = Database().MakeUniqueFolderName(GetFolderPath(folder), TextOf(kMsgNewFolderName));
    const TreeItem last = LastFolderChild(folder);
    CommandTreeItemData data;
    data.isFolder = true;
    data.isNewFolder = true;
    const TreeItem item = InsertItem(name, folder, last == kNoTreeItem ? kInsertFirst : last, data);
    if (item == kNoTreeItem)
        return;
    ExpandItem(folder, true);
    SelectItem(item);
    m_newFolderPending = true;
    EditLabel(item, name);
}

void CommandTreeBase::Rename()
{
    if (!CanRename())
        return;
    const TreeItem item = GetSelected();
    EditLabel(item, GetItemText(item));
}

void CommandTreeBase::EndLabelEdit(TreeItem item, const VUnicodeString& text, bool cancelled)
{
    if (m_inLabelEnd)
        return;
    m_inLabelEnd = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_inLabelEnd};

    CommandTreeItemData* data = GetItemData(item);
    if (!data || item == GetRootItem())
        return;
    const bool isNew = data->isNewFolder;
    const VUnicodeString oldName = GetItemText(item);
    VUnicodeString name = text;
    name.Trim();
    if (cancelled || name.IsEmpty()) {
        if (!isNew)
            return;
        name = oldName; // a new folder takes the name it was offered
    }
    if (!isNew && name == oldName)
        return;

    if (!data->isFolder) {
        // A command's label is what the user named it.
        ICommandInfo* info = data->info.Get();
        ProfileUserButtonMap::Item changed = info->GetItem();
        changed.Label = name;
        const VUnicodeString folder(info->GetFolder());
        if (!Database().ReplaceCommand(folder, info->GetPosition(), changed))
            return;
        info->SetItem(changed);
        SetItemText(item, ProfileUserButtonMap::GetDisplayText(changed));
        return;
    }

    const TreeItem parent = GetParentItem(item);
    const VUnicodeString parentPath = GetFolderPath(parent);
    for (TreeItem sibling = GetChildItem(parent); sibling != kNoTreeItem; sibling = GetNextSiblingItem(sibling))
        if (sibling != item && IsFolder(sibling) && GetItemText(sibling).EqualsNoCase(name)) {
            Message(TextOf(kMsgNameInUse, name).str(), kMbOk | kMbIconExclamation);
            if (isNew)
                EditLabel(item, name);
            return;
        }
    if (isNew) {
        if (!Database().CreateFolder(parentPath, name) ||
            !Database().FolderExists(CommandDatabaseImpl::JoinFolderPath(parentPath, name))) {
            Message(TextOf(kMsgCreateFolderFailed, name).str(), kMbOk | kMbIconExclamation);
            m_newFolderPending = false;
            SelectItem(parent);
            DeleteItem(item);
            return;
        }
        m_newFolderPending = false;
        data->isNewFolder = false;
        SetItemText(item, name);
        SelectItem(item);
        return;
    }
    const VUnicodeString oldPath = GetFolderPath(item);
    bool taken = false;
    if (!Database().RenameFolder(oldPath, name, &taken)) {
        Message(taken ? TextOf(kMsgNameInUse, name).str() : TextOf(kMsgRenameFolderFailed, name).str(),
                kMbOk | kMbIconExclamation);
        return;
    }
    // The commands below it carry their folder's path: read them again.
    std::vector<VUnicodeString> expanded;
    const std::u16string oldPrefix = FolderKey(oldPath).str();
    const VUnicodeString newPath = CommandDatabaseImpl::JoinFolderPath(parentPath, name);
    for (const VUnicodeString& key : ExpandedFolderPaths()) {
        const std::u16string_view k = key.str();
        if (k == oldPrefix || (k.starts_with(oldPrefix) && k.size() > oldPrefix.size() && k[oldPrefix.size()] == u'/'))
            expanded.push_back(FolderKey(newPath) + k.substr(oldPrefix.size()));
        else
            expanded.push_back(key);
    }
    Reload(FolderKey(newPath), expanded);
}

void CommandTreeBase::Properties()
{
    const TreeItem item = GetSelected();
    ICommandInfo* info = GetCommandInfo(item);
    if (!info || !m_sink)
        return;
    EndEditing();
    // The host edits a copy, so a cancelled dialog leaves the tree's alone.
    const VUnicodeString folder(info->GetFolder());
    const VUnknownPointer<ICommandInfo> edited(new CommandInfo(folder, info->GetItem(), info->GetPosition()));
    if (!m_sink->EditCommand(edited.Get(), MessageParent()))
        return;
    if (!Database().ReplaceCommand(folder, info->GetPosition(), edited->GetItem()))
        return;
    Reload(CommandKey(folder, info->GetPosition()));
}

void CommandTreeBase::ClearCutMarks()
{
    for (const std::u16string& key : m_cutKeys)
        if (const TreeItem item = FindByKey(VUnicodeString(key)); item != kNoTreeItem)
            SetItemCutLook(item, false);
    m_cutKeys.clear();
}

void CommandTreeBase::CopyOrCut(bool cut)
{
    const TreeItem item = GetSelected();
    if (item == kNoTreeItem || item == GetRootItem())
        return;
    ClearCutMarks();
    TreeClipboardRecord record;
    record.sourceIdentity = GetIdentity();
    record.isCut = cut;
    std::vector<uint8_t> buttons;
    if (const ICommandInfo* info = GetCommandInfo(item)) {
        record.entries.push_back({VUnicodeString(info->GetFolder()), GetItemText(item), info->GetPosition()});
        record.hasSessions = true;
        ProfileUserButtonMap copy(nullptr, kTempCopyName);
        copy.Insert(0, info->GetItem());
        buttons = copy.ToClipboardPayload("CM");
    } else {
        const VUnicodeString path = GetFolderPath(item);
        record.paths.Add(path);
        record.hasFolders = true;
        VUnknownPointer<ProfileUserButtonMap> list(Database().LoadCommands(path));
        buttons = list->ToClipboardPayload("CF");
    }
    const IClipboard::FormatData formats[] = {{TreeClipboardFormat(), record.Serialize()},
                                              {GetButtonBarClipboardFormat(), std::move(buttons)}};
    if (!GetClipboard().SetData(formats)) {
        Refuse(TextOf(kMsgCopyFailed).str());
        return;
    }
    m_cutRecordPasted = false;
    if (cut) {
        m_cutKeys.insert(KeyOf(item).str());
        SetItemCutLook(item, true);
    }
}

void CommandTreeBase::Paste()
{
    const TreeItem target = GetSelected();
    if (target == kNoTreeItem)
        return;
    EndEditing();
    UpdateClipboardFlags();
    if (const std::optional<TreeClipboardRecord> record = ReadOwnRecord()) {
        if (!PasteRecord(*record, target, IsFolder(target) ? DropPosition::Into : DropPosition::After))
            return;
        if (record->isCut) { // a cut is pasted once
            m_cutRecordPasted = true;
            m_ownRecordOnClipboard = false;
            ClearCutMarks();
        }
        return;
    }
    if (m_buttonOnClipboard)
        PasteButton(target);
    else if (m_barOnClipboard)
        PasteBar(target);
}

bool CommandTreeBase::PasteButton(TreeItem target)
{
    ProfileUserButtonMap* read = nullptr;
    int origin = 0;
    if (!CopyButtonFromClipboard(&read, origin) || !read)
        return false;
    VUnknownPointer<ProfileUserButtonMap> button(read);
    if (origin != kClipboardOriginButtonBar)
        return false;
    const TreeItem folderItem = IsFolder(target) ? target : GetParentItem(target);
    const VUnicodeString folder = GetFolderPath(folderItem);
    size_t at = SIZE_MAX;
    if (const ICommandInfo* info = GetCommandInfo(target))
        at = info->GetPosition() + 1u;
    {
        VUnknownPointer<ProfileUserButtonMap> list(Database().LoadCommands(folder));
        at = std::min(at, list->GetCount());
    }
    if (!Database().InsertCommand(folder, at, button->GetItem(0)))
        return false;
    std::vector<VUnicodeString> expanded = ExpandedFolderPaths();
    expanded.push_back(FolderKey(folder));
    Reload(CommandKey(folder, at), expanded);
    return true;
}

bool CommandTreeBase::PasteBar(TreeItem target)
{
    ProfileUserButtonMap* read = nullptr;
    int origin = 0;
    const bool ok = CopyButtonBarFromClipboard(&read, origin);
    VUnknownPointer<ProfileUserButtonMap> bar(read);
    if (!ok || !bar || origin != kClipboardOriginButtonBar)
        return false;
    const VUnicodeString parent = GetFolderPath(IsFolder(target) ? target : GetParentItem(target));
    VUnicodeString base = bar->GetName();
    base.Trim();
    if (base.IsEmpty())
        base = TextOf(kMsgNewFolderName);
    const VUnicodeString name = Database().MakeUniqueFolderName(parent, base);
    const std::vector<ProfileUserButtonMap::Item> items(bar->GetItems().begin(), bar->GetItems().end());
    if (!Database().CreateFolderWithCommands(parent, name, items)) {
        Refuse(TextOf(kMsgCreateFolderFailed, name).str());
        return false;
    }
    std::vector<VUnicodeString> expanded = ExpandedFolderPaths();
    expanded.push_back(FolderKey(parent));
    Reload(FolderKey(CommandDatabaseImpl::JoinFolderPath(parent, name)), expanded);
    return true;
}

bool CommandTreeBase::PasteRecord(const TreeClipboardRecord& record, TreeItem target, DropPosition position)
{
    if (target == kNoTreeItem)
        return false;
    const TreeItem folderItem = IsFolder(target) ? target : GetParentItem(target);
    const VUnicodeString folder = GetFolderPath(folderItem);
    // Folders go into a folder, or beside one dropped before or after; on a
    // command, into its folder.
    VUnicodeString folderTarget = folder;
    VUnicodeString reference;
    const bool after = position == DropPosition::After;
    if (IsFolder(target) && target != GetRootItem() && position != DropPosition::Into) {
        folderTarget = GetFolderPath(GetParentItem(target));
        reference = GetItemText(target);
    }
    // The whole record is checked before anything changes.
    for (const VUnicodeString& path : record.paths) {
        if (VUnicodeString::CompareNoCase(path, folderTarget) == 0) {
            Refuse(TextOf(kMsgFolderIntoItself).str());
            return false;
        }
        if (CommandDatabaseImpl::IsBelow(folderTarget, path)) {
            Refuse(TextOf(kMsgParentIntoChild).str());
            return false;
        }
    }
    CommandDatabaseImpl& database = Database();
    VUnicodeString selection;
    for (const VUnicodeString& path : record.paths) {
        if (path.IsEmpty() || !database.FolderExists(path))
            continue;
        VUnicodeString name;
        const bool done = record.isCut ? database.MoveFolder(path, folderTarget, name, reference, after)
                                       : database.CopyFolder(path, folderTarget, name, reference, after);
        if (!done) {
            VUnicodeString parent;
            CommandDatabaseImpl::SplitFolderPath(path, parent, name);
            Refuse(TextOf(kMsgCreateFolderFailed, name).str());
            break;
        }
        selection = FolderKey(CommandDatabaseImpl::JoinFolderPath(folderTarget, name));
    }
    // Commands land beside a command dropped on, else at the folder's end.
    size_t to = SIZE_MAX;
    if (const ICommandInfo* info = GetCommandInfo(target))
        to = info->GetPosition() + (position == DropPosition::Before ? 0u : 1u);
    for (const TreeClipboardRecord::Entry& entry : record.entries) {
        // Only while the command still stands where the record says.
        {
            VUnknownPointer<ProfileUserButtonMap> list(database.LoadCommands(entry.first));
            if (entry.value >= list->GetCount() ||
                ProfileUserButtonMap::GetDisplayText(list->GetItem(entry.value)) != entry.second)
                continue;
        }
        size_t placed = 0;
        const bool done = record.isCut ? database.MoveCommand(entry.first, entry.value, folder, to, &placed)
                                       : database.CopyCommand(entry.first, entry.value, folder, to, &placed);
        if (!done)
            break;
        selection = CommandKey(folder, placed);
        if (to != SIZE_MAX)
            to = placed + 1;
    }
    if (selection.IsEmpty())
        return true;
    std::vector<VUnicodeString> expanded = ExpandedFolderPaths();
    expanded.push_back(FolderKey(folder));
    if (record.isCut)
        m_cutKeys.clear();
    Reload(selection, expanded);
    return true;
}

void CommandTreeBase::Delete()
{
    const TreeItem item = GetSelected();
    if (!CanDelete())
        return;
    if (Message(TextOf(kMsgConfirmDelete).str(), kMbYesNo | kMbIconExclamation) != kIdYes)
        return;
    CommandTreeItemData* data = GetItemData(item);
    // The neighbour takes the selection: the next item, else the one
    // before, else the parent. A command after a removed command moves up.
    TreeItem neighbour = GetNextSiblingItem(item);
    if (neighbour == kNoTreeItem)
        for (TreeItem child = GetChildItem(GetParentItem(item)); child != item && child != kNoTreeItem;
             child = GetNextSiblingItem(child))
            neighbour = child;
    if (neighbour == kNoTreeItem)
        neighbour = GetParentItem(item);
    VUnicodeString selection = KeyOf(neighbour);
    if (data->isNewFolder) {
        m_newFolderPending = false;
        SelectItem(neighbour);
        DeleteItem(item);
        return;
    }
    bool done = false;
    {
        WaitCursorScope wait;
        if (data->isFolder) {
            done = Database().DeleteFolder(GetFolderPath(item));
        } else {
            const ICommandInfo* info = data->info.Get();
            done = Database().RemoveCommand(VUnicodeString(info->GetFolder()), info->GetPosition());
            const ICommandInfo* next = GetCommandInfo(neighbour);
            if (next && VUnicodeString(next->GetFolder()) == info->GetFolder() &&
                next->GetPosition() > info->GetPosition())
                selection = CommandKey(VUnicodeString(next->GetFolder()), next->GetPosition() - 1);
        }
    }
    if (!done) {
        Refuse(TextOf(kMsgDeleteFailed).str());
        return;
    }
    m_cutKeys.erase(KeyOf(item).str());
    Reload(selection);
}

void CommandTreeBase::OnCredentialsChanged()
{
    std::vector<TreeItem> pending{GetRootItem()};
    while (!pending.empty()) {
        const TreeItem item = pending.back();
        pending.pop_back();
        if (item == kNoTreeItem)
            continue;
        for (TreeItem child = GetChildItem(item); child != kNoTreeItem; child = GetNextSiblingItem(child))
            pending.push_back(child);
        ICommandInfo* info = GetCommandInfo(item);
        if (!info || info->GetItem().Function != kFunctionCredentials)
            continue;
        VUnknownPointer<ProfileUserButtonMap> list(Database().LoadCommands(VUnicodeString(info->GetFolder())));
        if (info->GetPosition() < list->GetCount())
            info->SetItem(list->GetItem(info->GetPosition()));
        SetItemText(item, ProfileUserButtonMap::GetDisplayText(info->GetItem()));
    }
}

// --- Drag and drop

std::vector<uint8_t> CommandTreeBase::BeginDrag(bool rightButton)
{
    const TreeItem item = GetSelected();
    if (!CanCutOrCopy())
        return {};
    m_dragSource = item;
    m_rightDrag = rightButton;
    TreeClipboardRecord record;
    record.sourceIdentity = GetIdentity();
    if (const ICommandInfo* info = GetCommandInfo(item)) {
        record.entries.push_back({VUnicodeString(info->GetFolder()), GetItemText(item), info->GetPosition()});
        record.hasSessions = true;
    } else {
        record.paths.Add(GetFolderPath(item));
        record.hasFolders = true;
    }
    return record.Serialize();
}

void CommandTreeBase::EndDrag()
{
    m_dragSource = kNoTreeItem;
    m_rightDrag = false;
    OnDragLeave();
}

unsigned CommandTreeBase::DragEffect(std::span<const uint8_t> data, TreeItem target) const
{
    if (target == kNoTreeItem)
        return kEffectNone;
    const std::optional<TreeClipboardRecord> record = TreeClipboardRecord::Parse(data);
    if (!record || record->sourceIdentity != GetIdentity())
        return kEffectNone;
    const VUnicodeString folder = GetFolderPath(IsFolder(target) ? target : GetParentItem(target));
    for (const VUnicodeString& path : record->paths)
        if (VUnicodeString::CompareNoCase(path, folder) == 0 || CommandDatabaseImpl::IsBelow(folder, path))
            return kEffectNone;
    return SessionTreeBase::EffectFromKeys(GetKeyState().HeldModifiers());
}

void CommandTreeBase::OnTimer(int id)
{
    if (id == kFilterTimerId) {
        OnFilterTimer();
    } else if (id == kHoverTimerId) {
        const TreeItem item = EndHover();
        if (item != kNoTreeItem && IsFolder(item))
            ExpandItem(item, true);
    }
}

