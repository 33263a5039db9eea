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
#include "profile/store/OutsideChangeWatch.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/PostgresProfileBackend.h"
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

// Commands that change the database: a user who may only read it is
// offered none of them.
bool IsEditingCommand(unsigned command)
{
    switch (command) {
    case kCmdNewSession:
    case kCmdNewFolder:
    case kCmdCut:
    case kCmdPaste:
    case kCmdDelete:
    case kCmdRename:
    case kCmdProperties:
    case kCmdDuplicate:
    case kCmdImportSettings: return true;
    default: return false;
    }
}

GlobalConfig* Config()
{
    GlobalConfig* config = nullptr;
    return GetGlobalConfig(&config) ? config : nullptr;
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
    SetStandardHandlers();
    m_outsideChanges = std::make_unique<OutsideChangeWatch>(
        [this](const VStringArray& paths) { OnOutsideChange(paths); });
}

// The commands whose work is the shared logic's.
void ConnectDialogBase::SetStandardHandlers()
{
    const auto tree = [this] { return GetTree(); };
    const auto connect = [this](unsigned command) {
        return CommandHandler{[this, command] { return IsConnectRuleMet(command); },
                              [this, command] { RunConnectCommand(command); }};
    };
    for (unsigned command : {kCmdConnect, kCmdConnectInTab, kCmdConnectTerminal, kCmdConnectFileTransfer,
                             kCmdConnectBoth, kCmdConnectInNewWindow, kCmdConnectInNewTabGroup, kCmdConnectInTabs,
                             kCmdConnectInTabsInNewWindow, kCmdConnectInTabsInNewTabGroup})
        SetCommandHandler(command, connect(command));
    const auto onTree = [tree](std::function<bool(SessionTreeBase&)> enabled, std::function<void(SessionTreeBase&)> run) {
        return CommandHandler{enabled ? std::function<bool()>([tree, enabled] { return tree() && enabled(*tree()); })
                                      : std::function<bool()>([tree] { return tree() != nullptr; }),
                              [tree, run] {
                                  if (SessionTreeBase* t = tree())
                                      run(*t);
                              }};
    };
    SetCommandHandler(kCmdCut, onTree([](SessionTreeBase& t) { return t.CanCutOrCopy(); },
                                      [](SessionTreeBase& t) { t.Cut(); }));
    SetCommandHandler(kCmdCopy, onTree([](SessionTreeBase& t) { return t.CanCutOrCopy(); },
                                       [](SessionTreeBase& t) { t.Copy(); }));
    SetCommandHandler(kCmdPaste, onTree([](SessionTreeBase& t) { return t.CanPaste(); },
                                        [](SessionTreeBase& t) { t.Paste(); }));
    SetCommandHandler(kCmdDelete, onTree([](SessionTreeBase& t) { return t.CanDelete(); },
                                         [](SessionTreeBase& t) { t.Delete(); }));
    SetCommandHandler(kCmdRename, onTree([](SessionTreeBase& t) { return t.CanRename(); },
                                         [](SessionTreeBase& t) { t.Rename(); }));
    SetCommandHandler(kCmdNewFolder, onTree(nullptr, [](SessionTreeBase& t) { t.NewFolder(); }));
    SetCommandHandler(kCmdNewSession, onTree(nullptr, [](SessionTreeBase& t) { t.NewSession(); }));
    SetCommandHandler(kCmdFind, onTree(nullptr, [](SessionTreeBase& t) { t.Find(); }));
    SetCommandHandler(kCmdFindNext, onTree(nullptr, [](SessionTreeBase& t) { t.FindNext(); }));
    SetCommandHandler(kCmdNextArrangement, onTree(nullptr, [](SessionTreeBase& t) { t.CycleSortMode(); }));
    SetCommandHandler(kCmdExpandAllFolders, onTree(nullptr, [](SessionTreeBase& t) { t.ExpandAllFolders(); }));
    SetCommandHandler(kCmdCollapseAllFolders, onTree(nullptr, [](SessionTreeBase& t) { t.CollapseAllFolders(); }));
    SetCommandHandler(kCmdArrangeAlphabetically, onTree(nullptr, [](SessionTreeBase& t) { t.SetSortMode(0); }));
    SetCommandHandler(kCmdArrangeLogically, onTree(nullptr, [](SessionTreeBase& t) { t.SetSortMode(1); }));
    SetCommandHandler(kCmdArrangeManually, onTree(nullptr, [](SessionTreeBase& t) { t.SetSortMode(2); }));
    SetCommandHandler(kCmdShowDescriptions, onTree(nullptr, [](SessionTreeBase& t) { t.ToggleShowDescriptions(); }));
    SetCommandHandler(kCmdShowTerminalSessions,
                      onTree(nullptr, [](SessionTreeBase& t) { t.ToggleShowTerminalSessions(); }));
    SetCommandHandler(kCmdShowTransferSessions,
                      onTree(nullptr, [](SessionTreeBase& t) { t.ToggleShowTransferSessions(); }));
    SetCommandHandler(kCmdDuplicate, onTree([](SessionTreeBase& t) { return t.CanDuplicate(); },
                                            [](SessionTreeBase& t) { t.Duplicate(); }));
    const auto anySelected = [tree] { return tree() && !tree()->GetSelectedItems().empty(); };
    SetCommandHandler(kCmdCreateDesktopShortcut, {anySelected, [this] { CreateDesktopShortcut(); }});
    SetCommandHandler(kCmdExportSessions, {anySelected, [this] { ExportSelection(); }});
    SetCommandHandler(kCmdImportSettings, {[tree] { return tree() != nullptr; }, [this] { ImportIntoSelection(); }});
    // Quick Connect: the pane asks its host, the modal dialog runs it.
    SetCommandHandler(kCmdQuickConnect, {[this] { return CanQuickConnect(); }, [this] { RunQuickConnect(); }});
    SetCommandHandler(kCmdFocusFilter, {nullptr, [this] { FocusFilter(); }});
    SetCommandHandler(kCmdHelp, {[] { return GetHostCallbacks().help != nullptr; },
                                 [this] {
                                     if (const HelpCallback help = GetHostCallbacks().help)
                                         help(GetDialog(), kHelpFinder, 0);
                                 }});
}

void ConnectDialogBase::SetCommandHandler(unsigned command, CommandHandler handler)
{
    m_handlers[command] = std::move(handler);
}

void ConnectDialogBase::RemoveCommandHandler(unsigned command)
{
    m_handlers.erase(command);
}

std::vector<unsigned> ConnectDialogBase::HandledCommands() const
{
    std::vector<unsigned> commands;
    for (const auto& [command, handler] : m_handlers)
        commands.push_back(command);
    return commands;
}

ConnectDialogBase::~ConnectDialogBase()
{
    std::erase(LiveOwners(), this);
}

size_t ConnectDialogBase::LiveOwnerCount()
{
    return LiveOwners().size();
}

// The embedded database is named by its file and a shared one by its URI,
// so two processes on one database agree; any other store by the factory
// that makes it.
VUnicodeString ConnectDialogBase::GetDatabaseIdentity() const
{
    const ProfileStoreFactoryGetter getter = GetProfileStoreFactoryGetter();
    VProfileStoreFactory* factory = getter ? getter() : nullptr;
    if (auto* sqlite = dynamic_cast<SqliteProfileFactory*>(factory))
        return VUnicodeString::FromUtf8("file:" + sqlite->Path());
    if (auto* server = dynamic_cast<PostgresProfileFactory*>(factory))
        return VUnicodeString::FromUtf8("server:" + server->Uri());
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

void ConnectDialogBase::OnOutsideChange(const VStringArray& paths)
{
    if (!OutsideChangeWatch::Touches(paths, SessionDatabase::kSessionsKey))
        return;
    SessionTreeBase* tree = GetTree();
    if (tree && (paths.IsEmpty() || tree->IsRefreshHeld())) {
        RefreshTree();
    } else if (tree) {
        // The keys below "Sessions", as the tree names them.
        const size_t prefix = std::u16string_view(SessionDatabase::kSessionsKey).size();
        VStringArray folders;
        for (const VUnicodeString& path : paths)
            if (OutsideChangeWatch::Touches({path}, SessionDatabase::kSessionsKey))
                folders.Add(path.Length() > prefix ? path.Mid(prefix + 1) : VUnicodeString());
        tree->RefreshFolders(folders);
        UpdateCommandState();
    }
    ForwardToSink(1, 0);
}

void ConnectDialogBase::OnTreeIdle()
{
    RunPendingRefresh();
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
    if (tree->IsRefreshHeld()) {
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
        tree->SelectNearest(selected[0]);
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
    if (SessionTreeBase* tree = GetTree())
        tree->ForEachSelectedSession([&](const VUnicodeString& path) {
            paths.Add(path);
            return true;
        });
    return paths;
}

void ConnectDialogBase::Capabilities(const VUnicodeString& path, bool& terminal, bool& transfer) const
{
    terminal = transfer = false;
    if (SessionTreeBase* tree = GetTree())
        tree->SessionCapabilities(path, terminal, transfer);
}

bool ConnectDialogBase::HasProtocol(const VUnicodeString& path) const
{
    const VUnicodeString required = RequiredProtocol();
    if (required.IsEmpty())
        return GetSessionDatabaseImpl()->IsSession(path);
    VUnicodeString terminal;
    VUnicodeString transfer;
    SessionTreeBase* tree = GetTree();
    return tree && tree->GetSessionProtocols(path, terminal, transfer) && terminal.EqualsNoCase(required);
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
    const std::vector<TreeItem> selected = tree->GetSelectedItems();
    if (selected.size() != 1 || tree->IsFolder(selected.front()))
        return false;
    path = tree->GetItemPath(selected.front());
    return GetSessionDatabaseImpl()->IsSession(path);
}

bool ConnectDialogBase::AnySelected(bool wantTerminal, bool wantTransfer) const
{
    SessionTreeBase* tree = GetTree();
    if (!tree)
        return false;
    bool terminal = !wantTerminal;
    bool transfer = !wantTransfer;
    tree->ForEachSelectedSession([&](const VUnicodeString& path) {
        bool canTerminal = false;
        bool canTransfer = false;
        tree->SessionCapabilities(path, canTerminal, canTransfer, true);
        terminal = terminal || canTerminal;
        transfer = transfer || canTransfer;
        return !(terminal && transfer);
    });
    return terminal && transfer;
}

// Something Connect would send: a session either product can open.
bool ConnectDialogBase::AnySelectedToOpen() const
{
    SessionTreeBase* tree = GetTree();
    bool found = false;
    if (tree)
        tree->ForEachSelectedSession([&](const VUnicodeString& path) {
            bool terminal = false;
            bool transfer = false;
            tree->SessionCapabilities(path, terminal, transfer, true);
            found = terminal || transfer;
            return !found;
        });
    return found;
}

bool ConnectDialogBase::AnySelectedSession() const
{
    SessionTreeBase* tree = GetTree();
    bool found = false;
    if (tree)
        tree->ForEachSelectedSession([&](const VUnicodeString&) {
            found = true;
            return false;
        });
    return found;
}

bool ConnectDialogBase::IsConnectRuleMet(unsigned command) const
{
    SessionTreeBase* tree = GetTree();
    if (!tree)
        return false;
    const bool selected = !tree->GetSelectedItems().empty();
    const bool tabGroups = m_sink ? m_sink->AcceptsTabGroups() : true;
    VUnicodeString single;
    switch (command) {
    case kCmdConnect:
    case kCmdConnectInTab: return m_connectEnabled;
    case kCmdConnectInNewWindow:
    case kCmdConnectInTabsInNewWindow: return selected && AnySelected(true, false);
    case kCmdConnectInNewTabGroup:
    case kCmdConnectInTabsInNewTabGroup: return selected && tabGroups && AnySelected(true, false);
    case kCmdConnectInTabs: return selected && AnySelectedToOpen();
    // These open exactly one session, in the product they name.
    case kCmdConnectTerminal: return SingleSelection(single) && AnySelected(true, false);
    case kCmdConnectFileTransfer: return SingleSelection(single) && AnySelected(false, true);
    case kCmdConnectBoth: return SingleSelection(single) && AnySelected(true, true);
    default: return false;
    }
}

bool ConnectDialogBase::IsCommandEnabled(unsigned command) const
{
    const auto it = m_handlers.find(command);
    if (it == m_handlers.end() || (IsEditingCommand(command) && IsProfileStoreReadOnly()))
        return false;
    return !it->second.enabled || it->second.enabled();
}

void ConnectDialogBase::UpdateCommandState()
{
    SessionTreeBase* tree = GetTree();
    if (!tree)
        return;
    EnableEditButtons(IsCommandEnabled(kCmdProperties), IsCommandEnabled(kCmdCut), IsCommandEnabled(kCmdDelete));
    EnablePaste(tree->CanPaste());
    // Connect wants something to open: a session of the required protocol
    // when picking, one that either product opens otherwise.
    bool connect = false;
    if (IsBrowseMode())
        tree->ForEachSelectedSession([&](const VUnicodeString& path) { return !(connect = HasProtocol(path)); });
    else
        connect = AnySelectedToOpen();
    EnableConnect(connect, true);
    EnableCommandButtons();
}

// --- Connecting

bool ConnectDialogBase::RunConnectCommand(unsigned command)
{
    using O = IConnectDialogSink;
    // A key runs a command only where its menu item would be enabled.
    if (command != kCmdQuickConnect && command >= kCmdConnect && command <= kCmdConnectBoth &&
        !IsConnectRuleMet(command))
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
        if (CanQuickConnect())
            RunQuickConnect();
        return true;
    default: return false;
    }
}

bool ConnectDialogBase::RunCommand(unsigned command)
{
    const auto it = m_handlers.find(command);
    if (it == m_handlers.end())
        return false;
    if (IsCommandEnabled(command)) {
        const std::function<void()> run = it->second.run; // a handler may replace itself
        run();
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
