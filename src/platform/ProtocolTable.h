#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "core/Export.h"

// One protocol the suite can connect with, in the order it is offered.
struct ConnectProtocolRow {
    const char16_t* name;        // stored in sessions ("Protocol Name")
    const char16_t* displayName; // shown to the user
    int applicationNumber;       // the product that connects with it
};

std::span<const ConnectProtocolRow> GetConnectProtocolTable();

// "None" as a protocol name: the session leaves that side out.
inline constexpr char16_t kProtocolNone[] = u"None";
inline constexpr char16_t kProtocolLocalShell[] = u"Local Shell";
inline constexpr char16_t kProtocolRdp[] = u"RDP";
// The groups that prompts name.
inline constexpr char16_t kProtocolGroupSsh2SftpScp[] = u"SSH2, SFTP or SCP";
inline constexpr char16_t kProtocolGroupSftpScp[] = u"SFTP or SCP";

// The row with this internal (or, for the second, display) name, compared
// without regard to case; null when there is none.
const ConnectProtocolRow* FindProtocolByName(std::u16string_view name);
const ConnectProtocolRow* FindProtocolByDisplayName(std::u16string_view displayName);
