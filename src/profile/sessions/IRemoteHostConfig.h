#pragma once

#include "core/VUnicodeString.h"
#include "core/VUnknown.h"

// The remote host of a session, shared by reference.
class IRemoteHostConfig : public IVUnknown {
public:
    virtual VUnicodeString GetHostname() const = 0;
    virtual void SetHostname(const VUnicodeString& hostname) = 0;
    virtual VUnicodeString GetUsername() const = 0;
    virtual void SetUsername(const VUnicodeString& username) = 0;
    virtual bool GetPromptForHostname() const = 0;
    // A named firewall, "None", or "Session:" followed by a session path.
    virtual VUnicodeString GetFirewallName() const = 0;
    virtual void SetFirewallName(const VUnicodeString& name) = 0;
    virtual VUnicodeString GetCredentialTitle() const = 0;

protected:
    ~IRemoteHostConfig() = default;
};
