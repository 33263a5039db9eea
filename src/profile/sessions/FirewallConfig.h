#pragma once

#include <memory>

#include "profile/sessions/SessionConfigPart.h"

// One named firewall, kept in its own key below "Firewalls". Its older
// password ("Firewall Password", two-layer form) is converted as a
// session's older secrets are: when its plaintext is asked for or the
// firewall saved, never while loading; the older value stays in place.
class ORV_EXPORT FirewallConfig : public SessionConfigPart {
public:
    static constexpr char16_t kFirewallsKey[] = u"Firewalls";
    static constexpr char16_t kPassword[] = u"Firewall Password V2";
    static constexpr char16_t kUser[] = u"Firewall User";
    static constexpr char16_t kAddress[] = u"Firewall Address";

    FirewallConfig(const VProfileKey* key, const ProfilePath::Folders& folders);
    static const SessionValueTable& Table();

    // The firewall `name` as stored; null when there is no such firewall.
    static std::unique_ptr<FirewallConfig> Load(const VUnicodeString& name);
    // A firewall that is not kept yet, with every default.
    static std::unique_ptr<FirewallConfig> New();
    // Writes it as the firewall `name` (made when missing) in one
    // operation, under the administrator's policy as a session's save is:
    // what the policy refuses is not written and `report` says so. False
    // when the store cannot be had or a write failed, or for an empty name
    // or one with a backslash.
    bool SaveAs(const VUnicodeString& name, IReportMessageParams* report);

    // The names of the firewalls kept in the store, in the back end's order.
    static VStringArray GetFirewallNames(const VProfileKey& root);
};
