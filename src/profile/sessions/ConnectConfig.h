#pragma once

#include <cstdint>

#include "core/VUnknown.h"
#include "profile/sessions/IRemoteHostConfig.h"
#include "profile/sessions/SessionConfigPart.h"

// The session's protocol choice: a terminal protocol and a transfer
// protocol, either of which may be "None".
//
// It is also the connection record the hostname prompt completes: the five
// virtual operations below, in this order, are what the prompt asks of it.
// A host may derive its own record and answer them; the session's own
// record answers from the session's remote host (linked by the session).
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

    // First prompt query: writes 1 when the session asks for its host name
    // at connect time ("Prompt For Hostname"), else 0. True when the host
    // name was already supplied to this record, so nothing needs asking.
    virtual bool QueryHostnamePrompt(int32_t& prompt) const;
    // The host name saved with the session.
    virtual VUnicodeString GetHostname() const;
    // The answer, kept as the session's host name (saved by the session's
    // next save).
    virtual void SetHostname(const char16_t* hostname);
    // The answer for this connection only; the saved host name stays.
    virtual void SetAlternativeHostname(const char16_t* hostname);
    // Second prompt query: whether answers go to the alternative host name.
    virtual bool UsesAlternativeHostname() const { return m_usesAlternative; }

    void SetUsesAlternativeHostname(bool uses) { m_usesAlternative = uses; }
    const VUnicodeString& GetAlternativeHostname() const { return m_alternativeHostname; }
    // The remote host the record answers from (a counted reference).
    void LinkRemoteHost(IRemoteHostConfig* remoteHost)
    {
        m_remoteHost = VUnknownPointer<IRemoteHostConfig>::Retain(remoteHost);
    }

private:
    VUnknownPointer<IRemoteHostConfig> m_remoteHost;
    VUnicodeString m_alternativeHostname;
    bool m_usesAlternative = false;
    bool m_hostnameSupplied = false;
};
