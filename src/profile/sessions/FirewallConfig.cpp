#include "profile/sessions/FirewallConfig.h"

#include <cerrno>

#include "platform/PlatformError.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/sessions/SessionSavePolicy.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

constexpr SessionValueDef kValues[] = {
    UnsignedValue(u"Firewall Type", 0),
    TextValue(FirewallConfig::kAddress),
    UnsignedValue(u"Firewall Port", 0),
    TextValue(FirewallConfig::kUser),
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

std::unique_ptr<FirewallConfig> FirewallConfig::Load(const VUnicodeString& name)
{
    if (name.IsEmpty() || name.Find(u'\\') != VUnicodeString::npos)
        return nullptr;
    const VProfileStore store;
    if (!store.GetRootKey())
        return nullptr;
    const VProfileKey key(*store.GetRootKey(), VUnicodeString(kFirewallsKey) + u"\\" + name.str(), 0);
    if (!key.IsOpen())
        return nullptr;
    return std::make_unique<FirewallConfig>(&key, ProfilePath::CurrentFolders());
}

std::unique_ptr<FirewallConfig> FirewallConfig::New()
{
    return std::make_unique<FirewallConfig>(nullptr, ProfilePath::CurrentFolders());
}

bool FirewallConfig::SaveAs(const VUnicodeString& name, IReportMessageParams* report)
{
    if (name.IsEmpty() || name.Find(u'\\') != VUnicodeString::npos) {
        SetPlatformLastError(EINVAL);
        if (report)
            report->SetMessageId(EINVAL);
        return false;
    }
    const VProfileStore store;
    if (!store.GetRootKey() || !store.GetRootKey()->IsOpen())
        return false;
    const VProfileKey key(*store.GetRootKey(), VUnicodeString(kFirewallsKey) + u"\\" + name.str(), 1);
    return key.IsOpen() && Save(&key, SessionSavePolicy::Current(), report);
}
