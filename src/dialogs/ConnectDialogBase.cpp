#include "dialogs/ConnectDialogBase.h"

#include <algorithm>
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

} // namespace

ConnectDialogBase::ConnectDialogBase(IConnectDialogSink* sink, int applicationNumber)
    : m_sink(sink), m_applicationNumber(applicationNumber)
{
    LiveOwners().push_back(this);
    SetStandardHandlers();
}

// The commands whose work is the shared logic's. "Duplicate...", "Create
// Desktop Shortcut" and the export and import commands have none until
// their windows exist: they stay disabled.
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
    return it != m_handlers.end() && (!it->second.enabled || it->second.enabled());
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
    if (!it->second.enabled || it->second.enabled()) {
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
