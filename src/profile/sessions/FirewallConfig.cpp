#include "profile/sessions/FirewallConfig.h"

#include "profile/store/VProfileKey.h"

namespace {

constexpr SessionValueDef kValues[] = {
    UnsignedValue(u"Firewall Type", 0),
    TextValue(u"Firewall Address"),
    UnsignedValue(u"Firewall Port", 0),
    TextValue(u"Firewall User"),
    SecretValue(FirewallConfig::kPassword, u"Firewall Password"),
    TextValue(u"Proxy Command"),
    TextValue(u"Proxy Prompt"),
};

} // namespace

FirewallConfig::FirewallConfig(const VProfileKey* key, const ProfilePath::Folders& folders)
    : SessionConfigPart(Table(), key, folders)
{
}

const SessionValueTable& FirewallConfig::Table()
{
    static const SessionValueTable table(kValues);
    return table;
}

VStringArray FirewallConfig::GetFirewallNames(const VProfileKey& root)
{
    VStringArray names;
    const VProfileKey firewalls(root, kFirewallsKey, 0);
    VProfileKeyIterator it(firewalls);
    for (VUnicodeString name; it.Next(name);)
        names.Add(name);
    return names;
}
