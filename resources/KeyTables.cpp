#include "KeyTables.h"

#include "CommandIds.h"

namespace {

constexpr uint8_t V = kAccelVirtKey;
constexpr uint8_t A = kAccelVirtKey | kAccelAlt;
constexpr uint8_t C = kAccelVirtKey | kAccelControl;
constexpr uint8_t CA = kAccelVirtKey | kAccelControl | kAccelAlt;
constexpr uint8_t S = kAccelVirtKey | kAccelShift;

constexpr AcceleratorEntry kSessionTree[] = {
    {A, 'C', kCmdConnect},
    {V, kVkF3, kCmdFindNext},
    {A, kVkReturn, kCmdProperties},
    {C, 'F', kCmdFind},
    {A, 'I', kCmdFocusFilter},
    {CA, 'F', kCmdNewFolder},
    {A, 'N', kCmdNewSession},
    {CA, 'T', kCmdConnectTerminal},
    {A, 'B', kCmdConnectInTabs},
    {A, 'X', kCmdConnectFileTransfer},
    {C, 'C', kCmdCopy},
    {C, 'X', kCmdCut},
    {A, 'D', kCmdDelete},
    {C, 'V', kCmdPaste},
    {A, 'Q', kCmdQuickConnect},
    {V, kVkF2, kCmdRename},
    {CA, 'E', kCmdCreateDesktopShortcut},
    {A, 'A', kCmdNextArrangement},
    {CA, 'W', kCmdConnectInNewWindow},
    {CA, 'G', kCmdConnectInNewTabGroup},
    {C, 'D', kCmdDuplicate},
};

constexpr AcceleratorEntry kSessionManager[] = {
    {V, kVkReturn, kCmdConnect},
    {V, kVkDelete, kCmdDelete},
    {S, kVkDelete, kCmdDelete},
};

constexpr AcceleratorEntry kCommandTree[] = {
    {V, kVkReturn, kCmdSendCommand},
    {S, kVkReturn, kCmdSendCommand},
    {A, 'N', kCmdNewCommand},
    {CA, 'F', kCmdCommandNewFolder},
    {C, 'C', kCmdCommandCopy},
    {C, 'X', kCmdCommandCut},
    {C, 'V', kCmdCommandPaste},
    {A, 'D', kCmdCommandDelete},
    {V, kVkDelete, kCmdCommandDelete},
    {S, kVkDelete, kCmdCommandDelete},
    {V, kVkF2, kCmdCommandRename},
    {A, kVkReturn, kCmdCommandProperties},
    {A, 'Y', kCmdFocusCommandFilter},
};

constexpr AcceleratorEntry kActiveSessions[] = {
    {V, kVkReturn, kCmdActivateSession},
    {S, kVkReturn, kCmdActivateSession},
    {V, kVkDelete, kCmdCloseSession},
    {S, kVkDelete, kCmdCloseSession},
    {A, 'U', kCmdFocusActiveSessionFilter},
};

} // namespace

std::span<const AcceleratorEntry> GetKeyTable(KeyTable table)
{
    switch (table) {
    case KeyTable::SessionTree: return kSessionTree;
    case KeyTable::SessionManager: return kSessionManager;
    case KeyTable::CommandTree: return kCommandTree;
    case KeyTable::ActiveSessions: return kActiveSessions;
    }
    return {};
}
