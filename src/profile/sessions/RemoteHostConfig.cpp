#include "profile/sessions/RemoteHostConfig.h"

#include "platform/ProtocolTable.h"
#include "profile/store/VProfileKey.h"
#include "profile/values/VProfileSz.h"

namespace {

constexpr SessionValueDef kValues[] = {
    TextValue(RemoteHostConfig::kHostname),
    TextValue(RemoteHostConfig::kUsername),
    FlagValue(RemoteHostConfig::kPromptForHostname, false),
    TextValue(RemoteHostConfig::kFirewallName, kProtocolNone),
    TextValue(RemoteHostConfig::kCredentialTitle),
    SecretValue(RemoteHostConfig::kLocalShellCommand, u"Local Shell Command Pre-connect", OlderSecretForm::Plaintext),
};

} // namespace

RemoteHostConfig::RemoteHostConfig(const VProfileKey* key, const ProfilePath::Folders& folders)
    : SessionConfigPart(Table(), key, folders)
{
    uint32_t useFirewall = 0;
    if (key && !key->ValueExists(kFirewallName) && key->ReadDword(kOlderUseFirewall, useFirewall) && useFirewall) {
        const VUnicodeString firewall(kDefaultTerminalFirewall);
        Replace(Table().IndexOf(kFirewallName), std::make_unique<VProfileString>(nullptr, kFirewallName, &firewall));
    }
}

const SessionValueTable& RemoteHostConfig::Table()
{
    static const SessionValueTable table(kValues);
    return table;
}
