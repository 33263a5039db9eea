#include "StringTable.h"

#include "CommandIds.h"

// lupdate finds the texts by this marker; it only marks them here.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(context, text) text
#endif

namespace {

struct Entry {
    unsigned command;
    const char* text;
};

constexpr Entry kEntries[] = {
    {kCmdConnect, QT_TRANSLATE_NOOP("StringTable", "Connect to the selected sessions\nConnect")},
    {kCmdConnectInTab, QT_TRANSLATE_NOOP("StringTable", "Connect to the selected sessions in tabs\nConnect in Tab")},
    {kCmdQuickConnect, QT_TRANSLATE_NOOP("StringTable", "Connect to a host without a saved session\nQuick Connect")},
    {kCmdNewSession, QT_TRANSLATE_NOOP("StringTable", "Create a new session\nNew Session")},
    {kCmdCut, QT_TRANSLATE_NOOP("StringTable", "Cut the selected sessions and folders\nCut")},
    {kCmdCopy, QT_TRANSLATE_NOOP("StringTable", "Copy the selected sessions and folders\nCopy")},
    {kCmdPaste, QT_TRANSLATE_NOOP("StringTable", "Paste the sessions and folders from the clipboard\nPaste")},
    {kCmdDelete, QT_TRANSLATE_NOOP("StringTable", "Delete the selected sessions and folders\nDelete")},
    {kCmdProperties, QT_TRANSLATE_NOOP("StringTable", "Edit the properties of the selected sessions\nProperties")},
    {kCmdFind, QT_TRANSLATE_NOOP("StringTable", "Find a session by its name or host\nFind")},
    {kCmdNewFolder, QT_TRANSLATE_NOOP("StringTable", "Create a new folder\nNew Folder")},
    {kCmdCreateDesktopShortcut,
     QT_TRANSLATE_NOOP("StringTable", "Create a desktop shortcut to the selection\nCreate Desktop Shortcut")},
    {kCmdHelp, QT_TRANSLATE_NOOP("StringTable", "Show the help\nHelp")},
    {kCmdSendCommand, QT_TRANSLATE_NOOP("StringTable", "Send Command\nSend")},
    {kCmdSendToAll, QT_TRANSLATE_NOOP("StringTable", "Send to All")},
    {kCmdSendToSelectedTabGroups, QT_TRANSLATE_NOOP("StringTable", "Send to Selected Tab Groups")},
    {kCmdSendToVisibleSessions, QT_TRANSLATE_NOOP("StringTable", "Send to Visible Sessions")},
    {kCmdNewCommand, QT_TRANSLATE_NOOP("StringTable", "Create a new command\nNew Command")},
    {kCmdCommandNewFolder, QT_TRANSLATE_NOOP("StringTable", "Create a new command folder\nNew Folder")},
    {kCmdCommandCut, QT_TRANSLATE_NOOP("StringTable", "Cut the selected commands\nCut")},
    {kCmdCommandCopy, QT_TRANSLATE_NOOP("StringTable", "Copy the selected commands\nCopy")},
    {kCmdCommandPaste, QT_TRANSLATE_NOOP("StringTable", "Paste commands from the clipboard\nPaste")},
    {kCmdCommandDelete, QT_TRANSLATE_NOOP("StringTable", "Delete the selected commands\nDelete")},
    {kCmdCommandRename, QT_TRANSLATE_NOOP("StringTable", "Rename the selected command\nRename")},
    {kCmdCommandProperties, QT_TRANSLATE_NOOP("StringTable", "Edit the selected command\nProperties")},
    {kCmdActivateSession, QT_TRANSLATE_NOOP("StringTable", "Bring the selected session to the front\nActivate")},
    {kCmdCloseSession, QT_TRANSLATE_NOOP("StringTable", "Close the selected sessions\nClose")},
};

} // namespace

const char* CommandStringSource(unsigned command)
{
    for (const Entry& entry : kEntries)
        if (entry.command == command)
            return entry.text;
    return nullptr;
}
