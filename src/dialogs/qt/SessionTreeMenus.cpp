#include "dialogs/qt/SessionTreeMenus.h"

#include <QAction>
#include <QMenu>
#include <span>

#include "CommandIds.h"
#include "dialogs/ConnectDialogBase.h"
#include "sessiontree/qt/SessionTreeCtrl.h"

namespace {

constexpr unsigned kSeparator = 0;
constexpr unsigned kArrangeSubmenu = 1;

struct Item {
    unsigned command;
    const char* text;
};

constexpr Item kSessionMenu[] = {
    {kCmdConnectTerminal, "Connect Termina&l\tCtrl+Alt+T"},
    {kCmdConnectInNewWindow, "Connect in New &Window\tCtrl+Alt+W"},
    {kCmdConnectInNewTabGroup, "Connect in New Tab &Group\tCtrl+Alt+G"},
    {kCmdConnectFileTransfer, "C&onnect File Transfer\tAlt+X"},
    {kCmdConnectBoth, "Connect &Both"},
    {kSeparator, nullptr},
    {kCmdCut, "C&ut\tCtrl+X"},
    {kCmdCopy, "&Copy\tCtrl+C"},
    {kCmdDuplicate, "Dupl&icate...\tCtrl+D"},
    {kCmdPaste, "&Paste\tCtrl+V"},
    {kSeparator, nullptr},
    {kCmdFind, "&Find...\tCtrl+F"},
    {kCmdFindNext, "Find Ne&xt\tF3"},
    {kSeparator, nullptr},
    {kCmdDelete, "&Delete\tDel"},
    {kCmdRename, "Rena&me\tF2"},
    {kCmdCreateDesktopShortcut, "Cr&eate Desktop Shortcut\tCtrl+Alt+E"},
    {kSeparator, nullptr},
    {kCmdExpandAllFolders, "Expand All Folders"},
    {kCmdCollapseAllFolders, "Collapse All Folders"},
    {kArrangeSubmenu, "&Arrange Tree"},
    {kCmdShowDescriptions, "Sho&w Descriptions"},
    {kCmdShowTerminalSessions, "&Show Terminal Sessions"},
    {kCmdShowTransferSessions, "&Show Transfer Sessions"},
    {kSeparator, nullptr},
    {kCmdExportSessions, "Expor&t Selected Session(s)..."},
    {kSeparator, nullptr},
    {kCmdProperties, "P&roperties\tAlt+Enter"},
};

constexpr Item kFolderMenu[] = {
    {kCmdConnectInTabs, "Connect in Ta&bs\tAlt+B"},
    {kCmdConnectInTabsInNewWindow, "Connect &in Tabs in New Window"},
    {kCmdConnectInTabsInNewTabGroup, "Connect in Tabs in New Tab &Group"},
    {kCmdQuickConnect, "&Quick Connect\tAlt+Q"},
    {kSeparator, nullptr},
    {kCmdNewSession, "&New Session\tAlt+N"},
    {kCmdNewFolder, "New F&older\tCtrl+Alt+F"},
    {kSeparator, nullptr},
    {kCmdCut, "C&ut\tCtrl+X"},
    {kCmdCopy, "&Copy\tCtrl+C"},
    {kCmdPaste, "&Paste\tCtrl+V"},
    {kSeparator, nullptr},
    {kCmdFind, "&Find...\tCtrl+F"},
    {kCmdFindNext, "Find Ne&xt\tF3"},
    {kSeparator, nullptr},
    {kCmdDelete, "&Delete\tDel"},
    {kCmdRename, "Rena&me\tF2"},
    {kCmdCreateDesktopShortcut, "Cr&eate Desktop Shortcut\tCtrl+Alt+E"},
    {kSeparator, nullptr},
    {kCmdExpandAllFolders, "Expand All Folders"},
    {kCmdCollapseAllFolders, "Collapse All Folders"},
    {kArrangeSubmenu, "&Arrange Tree"},
    {kCmdShowDescriptions, "Sho&w Descriptions"},
    {kCmdShowTerminalSessions, "&Show Terminal Sessions"},
    {kCmdShowTransferSessions, "&Show Transfer Sessions"},
    {kSeparator, nullptr},
    {kCmdExportSessions, "Expor&t Selected Session(s)..."},
    {kCmdImportSettings, "I&mport Settings from XML File..."},
    {kSeparator, nullptr},
    {kCmdProperties, "P&roperties\tAlt+Enter"},
};

constexpr Item kMultipleMenu[] = {
    {kCmdConnectInTabs, "Connect in Ta&bs\tAlt+B"},
    {kCmdConnectInTabsInNewWindow, "Connect &in Tabs in New Window"},
    {kCmdConnectInTabsInNewTabGroup, "Connect in Tabs in New Tab &Group"},
    {kSeparator, nullptr},
    {kCmdNewSession, "&New Session\tAlt+N"},
    {kCmdNewFolder, "New F&older\tCtrl+Alt+F"},
    {kSeparator, nullptr},
    {kCmdCut, "C&ut\tCtrl+X"},
    {kCmdCopy, "&Copy\tCtrl+C"},
    {kSeparator, nullptr},
    {kCmdFind, "&Find...\tCtrl+F"},
    {kCmdFindNext, "Find Ne&xt\tF3"},
    {kSeparator, nullptr},
    {kCmdDelete, "&Delete\tDel"},
    {kCmdCreateDesktopShortcut, "Cr&eate Desktop Shortcut\tCtrl+Alt+E"},
    {kSeparator, nullptr},
    {kCmdExpandAllFolders, "Expand All Folders"},
    {kCmdCollapseAllFolders, "Collapse All Folders"},
    {kArrangeSubmenu, "&Arrange Tree"},
    {kCmdShowDescriptions, "Sho&w Descriptions"},
    {kSeparator, nullptr},
    {kCmdExportSessions, "Expor&t Selected Session(s)..."},
    {kSeparator, nullptr},
    {kCmdProperties, "P&roperties\tAlt+Enter"},
};

QAction* AddItem(QMenu& menu, unsigned command, const char* text, const SessionTreeMenuState& state)
{
    QAction* action = menu.addAction(QString::fromUtf8(text));
    action->setData(command);
    action->setEnabled(!state.enabled || state.enabled(command));
    return action;
}

} // namespace

void BuildSessionTreeMenu(QMenu& menu, SessionTreeMenuKind kind, const SessionTreeMenuState& state)
{
    std::span<const Item> items = kind == SessionTreeMenuKind::Session  ? std::span<const Item>(kSessionMenu)
                                  : kind == SessionTreeMenuKind::Folder ? std::span<const Item>(kFolderMenu)
                                                                        : std::span<const Item>(kMultipleMenu);
    for (const Item& item : items) {
        if (item.command == kSeparator) {
            menu.addSeparator();
        } else if (item.command == kArrangeSubmenu) {
            QMenu* arrange = menu.addMenu(QString::fromUtf8(item.text));
            const Item modes[] = {{kCmdArrangeAlphabetically, "&Alphabetically"},
                                  {kCmdArrangeLogically, "&Logically"},
                                  {kCmdArrangeManually, "&Manually\tAlt+A"}};
            for (int i = 0; i < 3; ++i) {
                QAction* action = AddItem(*arrange, modes[i].command, modes[i].text, state);
                action->setCheckable(true);
                action->setChecked(state.sortMode == i);
            }
        } else {
            QAction* action = AddItem(menu, item.command, item.text, state);
            const bool toggle = item.command == kCmdShowDescriptions || item.command == kCmdShowTerminalSessions ||
                                item.command == kCmdShowTransferSessions;
            if (toggle) {
                action->setCheckable(true);
                action->setChecked(item.command == kCmdShowDescriptions    ? state.showDescriptions
                                   : item.command == kCmdShowTerminalSessions ? state.showTerminal
                                                                              : state.showTransfer);
            }
        }
    }
}

SessionTreeMenuKind MenuKindFor(const SessionTreeCtrl& tree)
{
    const std::vector<TreeItem> selected = tree.GetSelectedItems();
    if (selected.size() > 1)
        return SessionTreeMenuKind::Multiple;
    if (selected.size() == 1 && !tree.IsFolder(selected.front()))
        return SessionTreeMenuKind::Session;
    return SessionTreeMenuKind::Folder;
}

SessionTreeMenuState MenuStateFor(const SessionTreeCtrl& tree, const ConnectDialogBase& owner)
{
    SessionTreeMenuState state;
    state.enabled = [&owner](unsigned command) { return owner.IsCommandEnabled(command); };
    state.sortMode = tree.GetSortMode();
    state.showDescriptions = tree.ShowsDescriptions();
    state.showTerminal = tree.ShowsTerminalSessions();
    state.showTransfer = tree.ShowsTransferSessions();
    return state;
}

unsigned ExecSessionTreeMenu(SessionTreeCtrl& tree, const ConnectDialogBase& owner, const QPoint& globalPos,
                             QWidget* parent)
{
    QMenu menu(parent);
    menu.setObjectName(QStringLiteral("sessionTreeMenu"));
    BuildSessionTreeMenu(menu, MenuKindFor(tree), MenuStateFor(tree, owner));
    QAction* chosen = menu.exec(globalPos);
    return chosen ? chosen->data().toUInt() : 0;
}

void SetTreeCtrlHandlers(ConnectDialogBase& owner, SessionTreeCtrl& tree)
{
    owner.SetCommandHandler(kCmdProperties,
                            {[&tree] { return tree.CanEditProperties(); }, [&tree] { tree.EditProperties(); }});
}
