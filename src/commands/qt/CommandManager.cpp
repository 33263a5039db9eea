#include "commands/qt/CommandManager.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

#include "CommandIds.h"
#include "KeyTables.h"
#include "commands/CommandDatabaseImpl.h"
#include "commands/qt/CommandToolbar.h"
#include "commands/qt/CommandTree.h"
#include "commands/qt/CommandTreeMenus.h"
#include "platform/qt/KeyTableMatch.h"
#include "platform/qt/QtStrings.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/store/OutsideChangeWatch.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "platform/qt/PaneStack.h"
#include "sessiontree/qt/FilterEditBox.h"

namespace {

constexpr uint32_t kMsgCommandManager = 0x6109002A;
// How often the send buttons ask the host whether they can send: its
// sessions open and close without telling the pane.
constexpr int kSendStateIntervalMs = 500;
// How soon a refresh held back by an edit or a drag looks again.
constexpr int kOutsideRetryMs = 250;

constexpr unsigned kToolbarCommands[] = {kCmdSendCommand,     kCmdSendToAll,         kCmdSendToSelectedTabGroups,
                                         kCmdSendToVisibleSessions, kCmdNewCommand, kCmdCommandNewFolder,
                                         kCmdCommandCut,      kCmdCommandCopy,       kCmdCommandPaste,
                                         kCmdCommandDelete,   kCmdCommandProperties};

QString Title()
{
    VUnicodeString text = NewReport(kMsgCommandManager)->GetText();
    text.TrimRight();
    return ToQString(text);
}

} // namespace

CommandManager::CommandManager(ICommandManagerSink* sink, int applicationNumber, QWidget* frame)
    : VDockingControlBar(Title(), frame), m_sink(sink), m_applicationNumber(applicationNumber)
{
    setObjectName(QStringLiteral("commandManager"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    m_contents = new PaneStack(this);
    m_toolbar = new CommandToolbar(m_contents);
    m_filter = new FilterEditBox(m_contents);
    m_filter->setFont(QApplication::font("QMessageBox"));
    m_tree = new CommandTree(sink, m_contents);
    m_filter->SetTree(m_tree);
    m_filter->ShowCue(ToQString(kFilterCue));
    m_contents->SetParts(m_toolbar, m_filter, m_tree);
    setWidget(m_contents);

    connect(m_toolbar, &CommandToolbar::commandTriggered, this, &CommandManager::RunPaneCommand);
    connect(m_tree, &CommandTree::commandRequested, this, &CommandManager::RunPaneCommand);
    connect(m_tree, &CommandTree::commandStateChanged, this, &CommandManager::UpdateCommandState);
    connect(m_tree, &CommandTree::contextMenuRequested, this, &CommandManager::ExecContextMenu);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &CommandManager::UpdateCommandState);
    m_tree->installEventFilter(this);
    m_filter->installEventFilter(this);

    m_sendState = new QTimer(this);
    m_sendState->setInterval(kSendStateIntervalMs);
    connect(m_sendState, &QTimer::timeout, this, [this] {
        if (isVisible())
            for (int target = 0; target < 4; ++target)
                m_toolbar->EnableButton(kToolbarCommands[target], m_tree->CanSend(target));
    });
    m_sendState->start();

    CredentialDatabase* credentials = nullptr;
    if (GetCredentialDatabase(&credentials))
        credentials->Register(this);

    // Commands another process changed are read again, once no edit or
    // drag is under way in the tree.
    m_outsideRetry = new QTimer(this);
    m_outsideRetry->setSingleShot(true);
    m_outsideRetry->setInterval(kOutsideRetryMs);
    connect(m_outsideRetry, &QTimer::timeout, this, &CommandManager::RunPendingRefresh);
    m_outsideChanges = std::make_unique<OutsideChangeWatch>([this](const VStringArray& paths) {
        if (OutsideChangeWatch::Touches(paths, CommandDatabaseImpl::kCommandsKey)) {
            m_refreshPending = true;
            RunPendingRefresh();
        }
    });

    m_tree->Fill();
    UpdateCommandState();
}

void CommandManager::RunPendingRefresh()
{
    if (!m_refreshPending)
        return;
    if (m_tree->IsBusy()) {
        m_outsideRetry->start();
        return;
    }
    m_refreshPending = false;
    RefreshTree();
}

CommandManager::~CommandManager()
{
    // The tree and the timer go after this object: nothing of theirs may
    // reach it any more.
    m_tree->disconnect(this);
    m_sendState->stop();
    QApplication::clipboard()->disconnect(this);
    CredentialDatabase* credentials = nullptr;
    if (GetCredentialDatabase(&credentials))
        credentials->Unregister(this);
}

bool CommandManager::IsCommandEnabled(unsigned command) const
{
    switch (command) {
    case kCmdSendCommand: return m_tree->CanSend(ICommandManagerSink::kActiveSession);
    case kCmdSendToAll: return m_tree->CanSend(ICommandManagerSink::kAllSessions);
    case kCmdSendToSelectedTabGroups: return m_tree->CanSend(ICommandManagerSink::kSelectedTabGroups);
    case kCmdSendToVisibleSessions: return m_tree->CanSend(ICommandManagerSink::kVisibleSessions);
    // The host's dialog makes and edits commands: without a host there is none.
    // A user who may only read the database changes no command.
    case kCmdNewCommand: return m_tree->HasSelection() && m_sink && !IsProfileStoreReadOnly();
    case kCmdCommandProperties: return m_tree->CanEditProperties() && m_sink && !IsProfileStoreReadOnly();
    case kCmdCommandNewFolder: return m_tree->HasSelection() && !IsProfileStoreReadOnly();
    case kCmdCommandCut: return m_tree->CanCutOrCopy() && !IsProfileStoreReadOnly();
    case kCmdCommandCopy: return m_tree->CanCutOrCopy();
    case kCmdCommandPaste: return m_tree->CanPaste() && !IsProfileStoreReadOnly();
    case kCmdCommandDelete: return m_tree->CanDelete() && !IsProfileStoreReadOnly();
    case kCmdCommandRename: return m_tree->CanRename() && !IsProfileStoreReadOnly();
    case kCmdExpandAllFolders:
    case kCmdCollapseAllFolders:
    case kCmdFocusCommandFilter: return true;
    default: return false;
    }
}

void CommandManager::UpdateCommandState()
{
    m_tree->UpdateClipboardFlags();
    for (const unsigned command : kToolbarCommands)
        m_toolbar->EnableButton(command, IsCommandEnabled(command));
}

void CommandManager::RunPaneCommand(unsigned command)
{
    if (!IsCommandEnabled(command))
        return;
    switch (command) {
    case kCmdSendCommand: m_tree->SendCommand(ICommandManagerSink::kActiveSession); break;
    case kCmdSendToAll: m_tree->SendCommand(ICommandManagerSink::kAllSessions); break;
    case kCmdSendToSelectedTabGroups: m_tree->SendCommand(ICommandManagerSink::kSelectedTabGroups); break;
    case kCmdSendToVisibleSessions: m_tree->SendCommand(ICommandManagerSink::kVisibleSessions); break;
    case kCmdNewCommand: m_tree->NewCommand(); break;
    case kCmdCommandNewFolder: m_tree->NewFolder(); break;
    case kCmdCommandCut: m_tree->Cut(); break;
    case kCmdCommandCopy: m_tree->Copy(); break;
    case kCmdCommandPaste: m_tree->Paste(); break;
    case kCmdCommandDelete: m_tree->Delete(); break;
    case kCmdCommandRename: m_tree->Rename(); break;
    case kCmdCommandProperties: m_tree->Properties(); break;
    case kCmdExpandAllFolders: m_tree->ExpandAllFolders(); break;
    case kCmdCollapseAllFolders: m_tree->CollapseAllFolders(); break;
    case kCmdFocusCommandFilter:
        m_filter->setFocus(Qt::ShortcutFocusReason);
        m_filter->selectAll();
        break;
    default: return;
    }
    UpdateCommandState();
}

unsigned CommandManager::ExecContextMenu(const QPoint& globalPos)
{
    m_tree->UpdateClipboardFlags();
    const bool commandMenu = m_tree->GetCommandInfo(m_tree->GetSelected()) != nullptr;
    const QString pasteLabel = ToQString(m_tree->PasteMenuLabel(u"&Paste\tCtrl+V"));
    QMenu menu(this);
    menu.setObjectName(commandMenu ? QStringLiteral("commandMenu") : QStringLiteral("folderMenu"));
    BuildCommandTreeMenu(menu, commandMenu, [this](unsigned command) { return IsCommandEnabled(command); },
                         pasteLabel);
    QAction* chosen = menu.exec(globalPos);
    const unsigned command = chosen ? chosen->data().toUInt() : 0;
    if (command)
        RunPaneCommand(command);
    return command;
}

bool CommandManager::eventFilter(QObject* watched, QEvent* event)
{
    // Events come while the children are made: route only once both are there.
    const auto run = [this](unsigned command) { RunPaneCommand(command); };
    if (m_filter && m_tree && m_filter->RoutePaneKey(watched, event, m_tree, GetKeyTable(KeyTable::CommandTree), run))
        return true;
    return VDockingControlBar::eventFilter(watched, event);
}

void CommandManager::ShowPane(bool show, bool& visible)
{
    ShowBar(show, visible);
    if (visible)
        UpdateCommandState();
}

QWidget* CommandManager::FocusTarget() const
{
    return m_tree;
}

void CommandManager::RefreshTree()
{
    m_tree->Fill();
    UpdateCommandState();
}

void CommandManager::OnCredentialDatabaseChanged(const VUnicodeString&)
{
    m_tree->OnCredentialsChanged();
}
