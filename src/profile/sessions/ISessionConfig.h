#pragma once

#include "core/VStringArray.h"
#include "core/VUnicodeString.h"
#include "core/VUnknown.h"

class IRemoteHostConfig;
class VProfileData;

// One saved session's settings, shared by reference across the boundary:
// whoever receives one releases it.
class ISessionConfig : public IVUnknown {
public:
    // Where the session is kept: its path below "Sessions" and its name.
    virtual VUnicodeString GetSessionPath() const = 0;
    virtual VUnicodeString GetSessionName() const = 0;
    // "None" (or empty) when the session has no such side.
    virtual VUnicodeString GetProtocolName() const = 0;
    virtual VUnicodeString GetTransferProtocolName() const = 0;
    virtual bool HasTerminalProtocol() const = 0;
    virtual bool HasTransferProtocol() const = 0;
    virtual VUnicodeString GetHostname() const = 0;
    virtual VUnicodeString GetUsername() const = 0;
    // The description's lines joined with CR LF.
    virtual VUnicodeString GetDescription() const = 0;
    // What a user would type to reach the host ("user@host", or the host);
    // empty when the session names no host.
    virtual VUnicodeString GetConnectionTarget() const = 0;
    // The remote host part, with a reference for the caller.
    virtual IRemoteHostConfig* GetRemoteHostConfig() = 0;
    // The named firewalls of the store the session can choose from.
    virtual VStringArray GetFirewallNames() const = 0;
    // Any setting by its stored name, or null.
    virtual VProfileData* FindValue(const VUnicodeString& name) = 0;
    // An independent copy with one reference for the caller.
    virtual ISessionConfig* Copy() const = 0;

protected:
    ~ISessionConfig() = default;
};
