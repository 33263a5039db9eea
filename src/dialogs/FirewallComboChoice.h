#pragma once

#include <functional>

#include "core/Export.h"
#include "core/VStringArray.h"
#include "core/VUnicodeString.h"

// A firewall combo box as the choice sees it: the firewall names, then
// the sessions used as firewalls, then the two command entries.
class IFirewallCombo {
public:
    virtual ~IFirewallCombo() = default;
    virtual int Count() const = 0;
    virtual VUnicodeString Text(int index) const = 0;
    virtual void Insert(int index, const VUnicodeString& text) = 0;
    virtual void Remove(int index) = 0;
    virtual void Select(int index) = 0;
};

// What the choice may ask for.
struct FirewallChoiceServices {
    // Picks one session; true with its path.
    std::function<bool(VUnicodeString& path)> browseSession;
    // Makes a firewall; true with its name. Empty: the host gave none.
    std::function<bool(VUnicodeString& name)> newFirewall;
    // Says that no firewall can be made here.
    std::function<void()> showNewFirewallError;
};

inline constexpr unsigned kNoRememberedIndex = ~0u;

// What the user's `chosen` combo text means: `result` names a firewall by
// its name or a session by "Session:" and its path; the combo box and the
// remembered index of the session item follow a session or firewall made
// or picked through the command entries.
void ChooseFirewall(VUnicodeString& result, const VUnicodeString& chosen, IFirewallCombo& combo,
                               const VStringArray& firewallNames, unsigned& rememberedIndex,
                               const FirewallChoiceServices& services);
