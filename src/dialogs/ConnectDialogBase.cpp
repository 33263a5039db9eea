#include "dialogs/ConnectDialogBase.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "CommandIds.h"
#include "core/VUnknown.h"
#include "platform/GlobalConfig.h"
#include "platform/HostHooks.h"
#include "profile/sessions/ISessionConfig.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/SqliteProfileBackend.h"
#include "dialogs/ShortcutNameTexts.h"
#include "platform/DesktopShortcut.h"
#include "platform/MessageBox.h"
#include "platform/Products.h"
#include "platform/WaitCursor.h"
#include "profile/exchange/ExchangeXml.h"
#include "profile/exchange/SessionExchangeDatabase.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/store/VProfileStore.h"
#include "sessiontree/SessionTreeBase.h"

namespace {

// Every dialog and pane alive: a change made through one tree refreshes
// the trees of the others.
std::vector<ConnectDialogBase*>& LiveOwners()
{
    static std::vector<ConnectDialogBase*> owners;
    return owners;
}

GlobalConfig* Config()
{
    GlobalConfig* config = nullptr;
    return GetGlobalConfig(&config) ? config : nullptr;
}

void CollectSessions(SessionTreeBase& tree, TreeItem item, std::vector<TreeItem>& seen, VStringArray& out)
{
    if (std::find(seen.begin(), seen.end(), item) != seen.end())
        return;
    seen.push_back(item);
    if (!tree.IsFolder(item)) {
        out.Add(tree.GetItemPath(item));
        return;
    }
    tree.OnItemExpanding(item); // a folder stands for everything below it
    for (TreeItem child = tree.GetChildItem(item); child != kNoTreeItem; child = tree.GetNextSiblingItem(child))
        CollectSessions(tree, child, seen, out);
}

constexpr uint32_t kMsgShortcutFailed = 0xE1090019;
constexpr uint32_t kMsgExportFailed = 0xE1090050;
constexpr uint32_t kMsgImportFailed = 0xE1090051;
constexpr uint32_t kMsgImported = 0x61090050;
constexpr uint32_t kMsgImportedSkipped = 0x61090051;
// The sessions named in the import report, of those added and of those
// skipped; the rest are counted.
constexpr size_t kSessionsNamed = 10;

VUnicodeString Utf8Text(const std::string& text)
{
    try {
        return VUnicodeString::FromUtf8(text);
    } catch (const std::exception&) {
        return VUnicodeString(u"?");
    }
}

} // namespace

ConnectDialogBase::ConnectDialogBase(IConnectDialogSink* sink, int applicationNumber)
    : m_sink(sink), m_applicationNumber(applicationNumber)
{
    LiveOwners().push_back(this);
}

ConnectDialogBase::~ConnectDialogBase()
{
    std::erase(LiveOwners(), this);
}

size_t ConnectDialogBase::LiveOwnerCount()
{
    return LiveOwners().size();
}

// The embedded database is named by its file, so two processes on one
// file agree; any other store by the factory that makes it.
VUnicodeString ConnectDialogBase::GetDatabaseIdentity() const
{
    const ProfileStoreFactoryGetter getter = GetProfileStoreFactoryGetter();
    VProfileStoreFactory* factory = getter ? getter() : nullptr;
    if (auto* sqlite = dynamic_cast<SqliteProfileFactory*>(factory))
        return VUnicodeString::FromUtf8("file:" + sqlite->Path());
    return VUnicodeString::FromUtf8("store:" + std::to_string(getpid()) + ":" +
                                    std::to_string(reinterpret_cast<uintptr_t>(factory)));
}

void ConnectDialogBase::ForwardToSink(int changed, int reserved)
{
    if (m_sink)
        m_sink->OnSessionDatabaseChanged(changed, reserved);
}

void ConnectDialogBase::NotifySink()
{
    if (m_sink)
        m_sink->OnSessionDatabaseViewChanged();
}

void ConnectDialogBase::OnSessionDatabaseChanged(int changed, int reserved)
{
    for (ConnectDialogBase* other : std::vector<ConnectDialogBase*>(LiveOwners()))
        if (other != this && other->GetTree())
            other->RefreshTree();
    ForwardToSink(changed, reserved);
    UpdateCommandState();
}

void ConnectDialogBase::OnSessionDatabaseViewChanged()
{
    for (ConnectDialogBase* other : std::vector<ConnectDialogBase*>(LiveOwners()))
        if (other != this && other->GetTree())
            other->RefreshTree();
    NotifySink();
}

void ConnectDialogBase::RefreshTree()
{
    SessionTreeBase* tree = GetTree();
    if (!tree)
        return;
    if (tree->IsBulkOperation()) {
        m_refreshPending = true;
        return;
    }
    m_refreshPending = false;
    // The refill keeps what the user had open.
    std::vector<VUnicodeString> open;
    std::vector<TreeItem> stack{tree->GetRootItem()};
    while (!stack.empty()) {
        const TreeItem item = stack.back();
        stack.pop_back();
        if (item == kNoTreeItem || !tree->IsFolder(item) || !tree->IsItemExpanded(item))
            continue;
        if (item != tree->GetRootItem())
            open.push_back(tree->GetItemPath(item));
        for (TreeItem child = tree->GetChildItem(item); child != kNoTreeItem; child = tree->GetNextSiblingItem(child))
            stack.push_back(child);
    }
    const VStringArray selected = tree->GetSelectedPaths();
    tree->Fill(VDockTreeBase::kFillDropCache);
    if (tree->IsFilterActive())
        return; // the filter decides what is shown and selected
    for (const VUnicodeString& path : open)
        if (const TreeItem item = tree->FindItem(path); item != kNoTreeItem && tree->IsFolder(item))
            tree->ExpandItem(item, true);
    if (!selected.IsEmpty())
        if (const TreeItem item = tree->FindItem(selected[0]); item != kNoTreeItem)
            tree->SelectItem(item);
    UpdateCommandState();
}

void ConnectDialogBase::RunPendingRefresh()
{
    if (m_refreshPending)
        RefreshTree();
}

void ConnectDialogBase::OnConnectRequested(const VStringArray&)
{
    RunConnectCommand(kCmdConnect);
}

// --- Selection and capabilities

VStringArray ConnectDialogBase::ResolveSelection() const
{
    VStringArray paths;
    SessionTreeBase* tree = GetTree();
    if (!tree)
        return paths;
    std::vector<TreeItem> seen;
    for (const VUnicodeString& path : tree->GetSelectedPaths()) {
        const TreeItem item = path.IsEmpty() ? tree->GetRootItem() : tree->FindItem(path);
        if (item != kNoTreeItem)
            CollectSessions(*tree, item, seen, paths);
    }
    return paths;
}

void ConnectDialogBase::Capabilities(const VUnicodeString& path, bool& terminal, bool& transfer) const
{
    terminal = transfer = false;
    SessionTreeBase* tree = GetTree();
    if (tree) {
        VStringArray one;
        one.Add(path);
        terminal = tree->CanConnect(one, false);
        transfer = tree->CanConnect(one, true);
    }
}

bool ConnectDialogBase::HasProtocol(const VUnicodeString& path) const
{
    const VUnicodeString required = RequiredProtocol();
    if (required.IsEmpty())
        return GetSessionDatabaseImpl()->IsSession(path);
    const SessionConfigPtr config = GetSessionDatabaseImpl()->LoadSession(path);
    return config && config->GetProtocolName().EqualsNoCase(required);
}

bool ConnectDialogBase::OwnProductTerminal() const
{
    return m_applicationNumber == 1 || m_applicationNumber == 3;
}

bool ConnectDialogBase::OwnProductTransfer() const
{
    return m_applicationNumber == 6 || m_applicationNumber == 9;
}

bool ConnectDialogBase::SingleSelection(VUnicodeString& path) const
{
    SessionTreeBase* tree = GetTree();
    if (!tree)
        return false;
    const VStringArray selected = tree->GetSelectedPaths();
    if (selected.GetSize() != 1 || !GetSessionDatabaseImpl()->IsSession(selected[0]))
        return false;
    path = selected[0];
    return true;
}

bool ConnectDialogBase::AnySelected(bool wantTerminal, bool wantTransfer) const
{
    SessionTreeBase* tree = GetTree();
    if (!tree)
        return false;
    const VStringArray sessions = ResolveSelection();
    const bool terminal = !wantTerminal || tree->CanConnect(sessions, false);
    const bool transfer = !wantTransfer || tree->CanConnect(sessions, true);
    return terminal && transfer;
}

bool ConnectDialogBase::IsCommandEnabled(unsigned command) const
{
    SessionTreeBase* tree = GetTree();
    const bool selected = tree && !tree->GetSelectedPaths().IsEmpty();
    const bool tabGroups = m_sink ? m_sink->AcceptsTabGroups() : true;
    switch (command) {
    case kCmdConnect:
    case kCmdConnectInTab: return m_connectEnabled;
    case kCmdConnectTerminal:
    case kCmdConnectInNewWindow:
    case kCmdConnectInTabsInNewWindow: return selected && AnySelected(true, false);
    case kCmdConnectFileTransfer: return selected && AnySelected(false, true);
    case kCmdConnectBoth: return selected && AnySelected(true, true);
    case kCmdConnectInNewTabGroup:
    case kCmdConnectInTabsInNewTabGroup: return selected && tabGroups && AnySelected(true, false);
    case kCmdConnectInTabs: return selected;
    case kCmdProperties: return selected && GetHostCallbacks().sessionProperties != nullptr;
    case kCmdCut:
    case kCmdCopy: return tree && tree->CanCutOrCopy();
    case kCmdDelete: return tree && tree->CanDelete();
    case kCmdRename: return tree && tree->CanRename();
    case kCmdPaste: return tree && tree->CanPaste();
    case kCmdDuplicate: return tree && tree->CanDuplicate();
    case kCmdCreateDesktopShortcut:
    case kCmdExportSessions: return selected;
    case kCmdImportSettings: return tree != nullptr;
    default: return true;
    }
}

void ConnectDialogBase::UpdateCommandState()
{
    SessionTreeBase* tree = GetTree();
    if (!tree)
        return;
    EnableEditButtons(IsCommandEnabled(kCmdProperties), tree->CanCutOrCopy(), tree->CanDelete());
    EnablePaste(tree->CanPaste());
    // Connect wants something to open: a session of the required protocol
    // when picking, anything but nothing otherwise.
    bool connect = !tree->GetSelectedPaths().IsEmpty();
    if (connect && IsBrowseMode()) {
        connect = false;
        for (const VUnicodeString& path : ResolveSelection())
            if ((connect = HasProtocol(path)))
                break;
    }
    EnableConnect(connect, true);
}

// --- Connecting

bool ConnectDialogBase::RunConnectCommand(unsigned command)
{
    using O = IConnectDialogSink;
    // A key runs a command only where its menu item would be enabled.
    if (command != kCmdQuickConnect && command >= kCmdConnect && command <= kCmdConnectBoth &&
        !IsCommandEnabled(command))
        return true;
    switch (command) {
    case kCmdConnect: return Connect(ConnectKind::Plain, O::kOpenCurrent, kConnectModeNone, false);
    case kCmdConnectInTab: return Connect(ConnectKind::Plain, O::kOpenInTab, kConnectModeNone, true);
    case kCmdConnectInNewWindow:
        return Connect(ConnectKind::Plain, O::kOpenNewWindow, kConnectModeNewWindow, false);
    case kCmdConnectInNewTabGroup:
        return Connect(ConnectKind::Plain, O::kOpenNewTabGroup, kConnectModeNewTabGroup, false);
    case kCmdConnectInTabs: return Connect(ConnectKind::Plain, O::kOpenInTab, kConnectModeNone, true);
    case kCmdConnectInTabsInNewWindow:
        return Connect(ConnectKind::Plain, O::kOpenNewWindow, kConnectModeNewWindow, true);
    case kCmdConnectInTabsInNewTabGroup:
        return Connect(ConnectKind::Plain, O::kOpenNewTabGroup, kConnectModeNewTabGroup, true);
    case kCmdConnectTerminal: return Connect(ConnectKind::Terminal, O::kOpenCurrent, kConnectModeNone, false);
    case kCmdConnectFileTransfer:
        return Connect(ConnectKind::FileTransfer, O::kOpenCurrent, kConnectModeNone, false);
    case kCmdConnectBoth: return Connect(ConnectKind::Both, O::kOpenCurrent, kConnectModeNone, false);
    case kCmdQuickConnect:
        if (m_sink)
            m_sink->OnQuickConnect();
        return true;
    default: return false;
    }
}

bool ConnectDialogBase::RunCommand(unsigned command)
{
    if (RunConnectCommand(command))
        return true;
    SessionTreeBase* tree = GetTree();
    if (!tree)
        return false;
    switch (command) {
    case kCmdFocusFilter: FocusFilter(); break;
    case kCmdExpandAllFolders: tree->ExpandAllFolders(); break;
    case kCmdCollapseAllFolders: tree->CollapseAllFolders(); break;
    case kCmdArrangeAlphabetically: tree->SetSortMode(0); break;
    case kCmdArrangeLogically: tree->SetSortMode(1); break;
    case kCmdArrangeManually: tree->SetSortMode(2); break;
    case kCmdShowDescriptions: tree->ToggleShowDescriptions(); break;
    case kCmdShowTerminalSessions: tree->ToggleShowTerminalSessions(); break;
    case kCmdShowTransferSessions: tree->ToggleShowTransferSessions(); break;
    case kCmdCreateDesktopShortcut: CreateDesktopShortcut(); break;
    case kCmdExportSessions: ExportSelection(); break;
    case kCmdImportSettings: ImportIntoSelection(); break;
    case kCmdHelp:
        if (const HelpCallback help = GetHostCallbacks().help)
            help(GetDialog(), kHelpFinder, 0);
        break;
    default: return false;
    }
    UpdateCommandState();
    return true;
}

bool ConnectDialogBase::Connect(ConnectKind kind, int opening, int pendingMode, bool tabs)
{
    if (!m_connectEnabled && kind == ConnectKind::Plain)
        return false;
    ConnectRequest request;
    request.opening = opening;
    if (kind != ConnectKind::Plain) {
        // One session, opened by the product the command names.
        VUnicodeString path;
        if (!SingleSelection(path))
            return false;
        bool terminal = false;
        bool transfer = false;
        Capabilities(path, terminal, transfer);
        if (kind == ConnectKind::Terminal) {
            if (!terminal)
                return false;
            (OwnProductTerminal() ? request.ownProduct : request.otherProduct) = true;
        } else if (kind == ConnectKind::FileTransfer) {
            if (!transfer)
                return false;
            (OwnProductTransfer() ? request.ownProduct : request.otherProduct) = true;
        } else {
            if (!terminal || !transfer)
                return false;
            request.ownProduct = request.otherProduct = true;
        }
        request.paths.Add(path);
    } else {
        GlobalConfig* config = Config();
        const uint32_t threshold =
            config ? config->MultiConnectWarningThreshold() : GlobalConfig::kDefaultMultiConnectWarningThreshold;
        if (config)
            config->Save(); // a threshold out of range was replaced
        VStringArray paths = ResolveSelection();
        if (paths.GetSize() > threshold && !(config && config->suppressMultiConnectWarning) &&
            !ConfirmMultiConnect(threshold))
            return false;
        if (IsBrowseMode()) {
            for (const VUnicodeString& path : paths)
                if (HasProtocol(path))
                    request.paths.Add(path);
            if (request.paths.IsEmpty())
                return false;
            request.ownProduct = true;
        } else {
            // What neither product can open is left out.
            bool anyOwn = false;
            bool anyOther = false;
            for (const VUnicodeString& path : paths) {
                bool terminal = false;
                bool transfer = false;
                Capabilities(path, terminal, transfer);
                if (!terminal && !transfer)
                    continue;
                request.paths.Add(path);
                const bool own = OwnProductTerminal() ? terminal : OwnProductTransfer() ? transfer : false;
                anyOwn = anyOwn || own;
                anyOther = anyOther || (!own && (terminal || transfer));
            }
            if (request.paths.IsEmpty())
                return false;
            if (request.paths.GetSize() > 1 || anyOwn)
                request.ownProduct = true;
            else if (anyOther)
                request.otherProduct = true;
        }
    }
    m_pendingMode = pendingMode;
    m_tabRequest = tabs;
    DeliverConnect(request);
    return true;
}

void ConnectDialogBase::KeepResult(const ConnectRequest& request)
{
    m_own = VStringArray();
    m_other = VStringArray();
    for (const VUnicodeString& path : request.paths) {
        if (request.ownProduct)
            m_own.Add(path);
        if (request.otherProduct)
            m_other.Add(path);
    }
}

int ConnectDialogBase::TakeConnectMode()
{
    if (m_pendingMode != kConnectModeNone)
        return std::exchange(m_pendingMode, kConnectModeNone);
    GlobalConfig* config = Config();
    return (config && config->openSessionsInTab) || m_tabRequest ? kConnectModeTab : kConnectModeNewWindow;
}

// --- Shortcuts, export and import

void ConnectDialogBase::CreateDesktopShortcut()
{
    SessionTreeBase* tree = GetTree();
    if (!tree || tree->GetSelectedItems().empty())
        return;
    VStringArray sessions;
    VStringArray folders;
    for (TreeItem item : tree->GetSelectedItems())
        (tree->IsFolder(item) ? folders : sessions).Add(tree->GetItemPath(item));
    const ShortcutCommand command = BuildShortcutCommand(sessions, folders);
    VUnicodeString name;
    if (!PromptShortcutName(command.itemPath, command.severalItems, name))
        return;
    VUnicodeString target;
    if (!GetExecutablePath(m_applicationNumber, target) ||
        !VCreateDesktopShortcut(target, command.commandLine, name, GetDialog()))
        GetMessageBox().Show(GetDialog(), NewReport(kMsgShortcutFailed)->GetText().str(), VGetAppName(),
                             kMbOk | kMbIconExclamation);
}

void ConnectDialogBase::ExportSelection()
{
    SessionTreeBase* tree = GetTree();
    if (!tree)
        return;
    const VStringArray paths = tree->GetSelectedPaths();
    std::string file;
    if (paths.IsEmpty() || !ChooseExchangeFile(true, file))
        return;
    // Written beside the file and moved over it at the end, so a failure
    // leaves whatever was there before.
    const std::string partial = file + ".part";
    std::string failure;
    try {
        const WaitCursorScope busy;
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out)
            throw ExchangeError(file, 0, "cannot be written");
        const VProfileStore snapshot;
        XmlExchangeWriter writer(out);
        SessionExchangeExport exporter(*GetSessionDatabaseImpl());
        writer.BeginDocument();
        exporter.Items(paths, writer);
        writer.EndDocument();
        out.close();
        if (!out || std::rename(partial.c_str(), file.c_str()) != 0)
            throw ExchangeError(file, 0, "cannot be written");
    } catch (const std::exception& error) {
        failure = error.what();
    }
    if (failure.empty())
        return;
    std::remove(partial.c_str());
    VReportPtr report = NewReport(kMsgExportFailed);
    report->AddParameter(Utf8Text(failure));
    GetMessageBox().Show(GetDialog(), report->GetText().str(), VGetAppName(), kMbOk | kMbIconExclamation);
}

void ConnectDialogBase::ImportIntoSelection()
{
    SessionTreeBase* tree = GetTree();
    if (!tree)
        return;
    SessionDatabase& database = *GetSessionDatabaseImpl();
    VUnicodeString folder;
    const VStringArray selected = tree->GetSelectedPaths();
    if (!selected.IsEmpty()) {
        folder = selected[0];
        if (!database.IsFolder(folder)) {
            VUnicodeString leaf;
            SessionDatabase::SplitSessionPath(selected[0], folder, leaf);
        }
    }
    std::string file;
    if (!ChooseExchangeFile(false, file))
        return;
    SessionExchangeImport import(database, folder, file);
    std::vector<VUnicodeString> added;
    std::vector<VUnicodeString> skipped;
    import.onSession = [&](const SessionImportItem& item) { (item.added ? added : skipped).push_back(item.path); };
    std::string failure;
    try {
        const WaitCursorScope busy;
        import.Run([&](IExchangeVisitor& visitor) {
            std::ifstream in(file, std::ios::binary);
            if (!in)
                throw ExchangeError(file, 0, "cannot be read");
            ReadExchangeXml(in, file, visitor);
        });
    } catch (const std::exception& error) {
        failure = error.what();
    }
    if (!failure.empty()) {
        VReportPtr report = NewReport(kMsgImportFailed);
        report->AddParameter(Utf8Text(failure));
        GetMessageBox().Show(GetDialog(), report->GetText().str(), VGetAppName(), kMbOk | kMbIconExclamation);
        return;
    }
    if (!added.empty()) {
        RefreshTree();
        OnSessionDatabaseChanged(1, 0);
    }
    // The sessions by name, the first few of each kind.
    const auto listed = [](const std::vector<VUnicodeString>& paths) {
        VUnicodeString names;
        for (size_t i = 0; i < paths.size() && i < kSessionsNamed; ++i)
            names += u"\r\n" + paths[i].str();
        if (paths.size() > kSessionsNamed)
            names += u"\r\n...";
        return names;
    };
    VReportPtr report = NewReport(skipped.empty() ? kMsgImported : kMsgImportedSkipped);
    report->AddParameter(VUnicodeString::FromNumber(static_cast<int64_t>(added.size())));
    report->AddParameter(folder.IsEmpty() ? VUnicodeString(SessionTreeBase::GetRootName()) : folder);
    report->AddParameter(listed(added));
    if (!skipped.empty()) {
        report->AddParameter(VUnicodeString::FromNumber(static_cast<int64_t>(skipped.size())));
        report->AddParameter(listed(skipped));
    }
    GetMessageBox().Show(GetDialog(), report->GetText().str(), VGetAppName(), kMbOk | kMbIconInformation);
}
