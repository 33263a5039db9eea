#pragma once

#include "profile/sessions/SessionConfigPart.h"

// One named firewall, kept in its own key below "Firewalls".
class ORV_EXPORT FirewallConfig : public SessionConfigPart {
public:
    static constexpr char16_t kFirewallsKey[] = u"Firewalls";
    static constexpr char16_t kPassword[] = u"Firewall Password V2";

    FirewallConfig(const VProfileKey* key, const ProfilePath::Folders& folders);
    static const SessionValueTable& Table();

    // The names of the firewalls kept in the store, in the back end's order.
    static VStringArray GetFirewallNames(const VProfileKey& root);
};
