#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "core/Export.h"

class ConnectProtocolPage;
class ISessionConfig;
class QWidget;

// Makes the connection page of a protocol on `owner`, editing `config`
// for the application `applicationNumber`; the caller owns the page.
using ConnectProtocolPageFactory = ConnectProtocolPage* (*)(QWidget* owner, ISessionConfig* config,
                                                            int applicationNumber);

// One protocol the suite can connect with, in the order it is offered.
struct ConnectProtocolRow {
    const char16_t* name;        // stored in sessions ("Protocol Name")
    const char16_t* displayName; // shown to the user
    int applicationNumber;       // the product that connects with it
    // Null until the windowing part of the library is loaded, and for "None".
    ConnectProtocolPageFactory pageFactory = nullptr;
};

std::span<const ConnectProtocolRow> GetConnectProtocolTable();
// Hands the row at `index` its page factory; an index past the table is
// ignored.
void SetConnectProtocolPageFactory(size_t index, ConnectProtocolPageFactory factory);

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
