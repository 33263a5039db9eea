#include "commands/qt/CommandToolbar.h"

#include "CommandIds.h"

namespace {

// In the toolbar's order.
std::vector<ToolbarBase::ButtonDef> Buttons()
{
    return {
        {kCmdSendCommand, "send-command"},
        {kCmdSendToAll, "send-to-all"},
        {kCmdSendToSelectedTabGroups, "send-to-tab-groups"},
        {kCmdSendToVisibleSessions, "send-to-visible"},
        {kCmdNewCommand, "new-command"},
        {kCmdCommandNewFolder, "new-folder", "folder-new"},
        {kCmdCommandCut, "cut", "edit-cut"},
        {kCmdCommandCopy, "copy", "edit-copy"},
        {kCmdCommandPaste, "paste", "edit-paste"},
        {kCmdCommandDelete, "delete", "edit-delete"},
        {kCmdCommandProperties, "properties", "document-properties"},
    };
}

} // namespace

CommandToolbar::CommandToolbar(QWidget* parent) : ToolbarCtrl(QStringLiteral("Command Manager"), Buttons(), parent) {}
