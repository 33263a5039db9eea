#pragma once

#include "core/VUnknown.h"
#include "profile/sessions/IRemoteHostConfig.h"
#include "profile/sessions/SessionConfigPart.h"

// Where a session connects to. "Firewall Name" absent takes its default
// from the older flag "Use Firewall": "DefaultTerminalFirewall" when that
// is set, else "None", and is written by the next save. The command run
// before a local shell connects was once kept as plain text; such a text is
// encrypted when the secret is first needed.
class ORV_EXPORT RemoteHostConfig : public VUnknown<IRemoteHostConfig>, public SessionConfigPart {
public:
    static constexpr char16_t kHostname[] = u"Hostname";
    static constexpr char16_t kUsername[] = u"Username";
    static constexpr char16_t kPromptForHostname[] = u"Prompt For Hostname";
    static constexpr char16_t kFirewallName[] = u"Firewall Name";
    static constexpr char16_t kCredentialTitle[] = u"Credential Title";
    static constexpr char16_t kLocalShellCommand[] = u"Local Shell Command Pre-connect V2";
    static constexpr char16_t kOlderUseFirewall[] = u"Use Firewall";
    static constexpr char16_t kDefaultTerminalFirewall[] = u"DefaultTerminalFirewall";

    RemoteHostConfig(const VProfileKey* key, const ProfilePath::Folders& folders);
    RemoteHostConfig(const RemoteHostConfig& other) : VUnknown(), SessionConfigPart(other) {}
    static const SessionValueTable& Table();

    VUnicodeString GetHostname() const override { return GetText(kHostname); }
    void SetHostname(const VUnicodeString& hostname) override { SetText(kHostname, hostname); }
    VUnicodeString GetUsername() const override { return GetText(kUsername); }
    void SetUsername(const VUnicodeString& username) override { SetText(kUsername, username); }
    bool GetPromptForHostname() const override { return GetBool(kPromptForHostname); }
    VUnicodeString GetFirewallName() const override { return GetText(kFirewallName); }
    void SetFirewallName(const VUnicodeString& name) override { SetText(kFirewallName, name); }
    VUnicodeString GetCredentialTitle() const override { return GetText(kCredentialTitle); }

private:
    ~RemoteHostConfig() override = default;
};
