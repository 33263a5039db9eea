#include "commands/qt/CommandTreeMenus.h"

#include <span>

#include <QAction>
#include <QMenu>

#include "CommandIds.h"

namespace {

constexpr unsigned kSeparator = 0;
constexpr unsigned kSendToSubmenu = 1;

struct Item {
    unsigned command;
    const char* text;
};

constexpr Item kCommandMenu[] = {
    {kCmdSendCommand, "&Send Command\tEnter"},
    {kSendToSubmenu, "Send Command to"},
    {kSeparator, nullptr},
    {kCmdCommandCut, "C&ut\tCtrl+X"},
    {kCmdCommandCopy, "&Copy\tCtrl+C"},
    {kCmdCommandPaste, "&Paste\tCtrl+V"},
    {kSeparator, nullptr},
    {kCmdCommandDelete, "&Delete\tDel"},
    {kCmdCommandRename, "Rena&me\tF2"},
    {kSeparator, nullptr},
    {kCmdExpandAllFolders, "Expand All Folders"},
    {kCmdCollapseAllFolders, "Collapse All Folders"},
    {kSeparator, nullptr},
    {kCmdCommandProperties, "P&roperties\tAlt+Enter"},
};

constexpr Item kFolderMenu[] = {
    {kCmdNewCommand, "&New Command\tAlt+N"},
    {kCmdCommandNewFolder, "New F&older\tCtrl+Alt+F"},
    {kSeparator, nullptr},
    {kCmdCommandCut, "C&ut\tCtrl+X"},
    {kCmdCommandCopy, "&Copy\tCtrl+C"},
    {kCmdCommandPaste, "&Paste\tCtrl+V"},
    {kSeparator, nullptr},
    {kCmdCommandDelete, "&Delete\tDel"},
    {kCmdCommandRename, "Rena&me\tF2"},
    {kSeparator, nullptr},
    {kCmdExpandAllFolders, "Expand All Folders"},
    {kCmdCollapseAllFolders, "Collapse All Folders"},
};

constexpr Item kSendToMenu[] = {
    {kCmdSendToAll, "&All Sessions\tShift+Enter"},
    {kCmdSendToSelectedTabGroups, "Selected Tab &Group(s)"},
    {kCmdSendToVisibleSessions, "&Visible Sessions"},
};

void AddItem(QMenu& menu, const Item& item, const std::function<bool(unsigned)>& enabled, const QString& pasteLabel)
{
    QAction* action =
        menu.addAction(item.command == kCmdCommandPaste ? pasteLabel : QString::fromUtf8(item.text));
    action->setData(item.command);
    action->setEnabled(!enabled || enabled(item.command));
}

} // namespace

void BuildCommandTreeMenu(QMenu& menu, bool commandMenu, const std::function<bool(unsigned)>& enabled,
                          const QString& pasteLabel)
{
    const std::span<const Item> items = commandMenu ? std::span<const Item>(kCommandMenu) : std::span<const Item>(kFolderMenu);
    for (const Item& item : items) {
        if (item.command == kSeparator) {
            menu.addSeparator();
        } else if (item.command == kSendToSubmenu) {
            QMenu* sendTo = menu.addMenu(QString::fromUtf8(item.text));
            for (const Item& target : kSendToMenu)
                AddItem(*sendTo, target, enabled, pasteLabel);
        } else {
            AddItem(menu, item, enabled, pasteLabel);
        }
    }
}
