#include "dialogs/qt/ConnectToolbar.h"

#include "CommandIds.h"

namespace {

// In the toolbar's order.
std::vector<ToolbarBase::ButtonDef> Buttons()
{
    return {
        {kCmdConnect, "connect", "network-connect"},
        {kCmdConnectInTab, "connect-in-tab"},
        {kCmdQuickConnect, "quick-connect"},
        {kCmdNewSession, "new-session"},
        {kCmdCut, "cut", "edit-cut"},
        {kCmdCopy, "copy", "edit-copy"},
        {kCmdPaste, "paste", "edit-paste"},
        {kCmdDelete, "delete", "edit-delete"},
        {kCmdProperties, "properties", "document-properties"},
        {kCmdFind, "find", "edit-find"},
        {kCmdNewFolder, "new-folder", "folder-new"},
        {kCmdCreateDesktopShortcut, "desktop-shortcut"},
        {kCmdHelp, "help", "help-contents"},
    };
}

} // namespace

ConnectToolbar::ConnectToolbar(const QString& name, QWidget* parent) : ToolbarCtrl(name, Buttons(), parent) {}
