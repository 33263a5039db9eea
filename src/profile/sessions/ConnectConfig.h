#pragma once

#include "profile/sessions/SessionConfigPart.h"

// The session's protocol choice: a terminal protocol and a transfer
// protocol, either of which may be "None".
class ORV_EXPORT ConnectConfig : public SessionConfigPart {
public:
    static constexpr char16_t kProtocolName[] = u"Protocol Name";
    static constexpr char16_t kTransferProtocolName[] = u"Transfer Protocol Name";

    ConnectConfig(const VProfileKey* key, const ProfilePath::Folders& folders);
    static const SessionValueTable& Table();

    VUnicodeString GetProtocolName() const { return GetText(kProtocolName); }
    void SetProtocolName(const VUnicodeString& name) { SetText(kProtocolName, name); }
    VUnicodeString GetTransferProtocolName() const { return GetText(kTransferProtocolName); }
    void SetTransferProtocolName(const VUnicodeString& name) { SetText(kTransferProtocolName, name); }
    // A side counts when its name is neither empty nor "None".
    bool HasTerminalProtocol() const { return IsProtocol(GetProtocolName()); }
    bool HasTransferProtocol() const { return IsProtocol(GetTransferProtocolName()); }
    static bool IsProtocol(const VUnicodeString& name);
};
