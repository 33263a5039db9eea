#include "profile/values/ProfileGlobalConfigStorage.h"

#include "profile/values/VProfileBinary.h"
#include "profile/values/VProfileDword.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

constexpr char16_t kGlobalKey[] = u"Global";

// Every option with its stored name, as an accessor that serves any
// config object, so that the one loaded and the one saved can be compared.
#define ORV_OPTION(name, member) f(name, [](auto& c) -> auto& { return c.member; })
template <class F>
void VisitOptions(F&& f)
{
    ORV_OPTION(u"Session Tree Sort Mode", sortMode);
    ORV_OPTION(u"Show Session Descriptions", showDescriptions);
    ORV_OPTION(u"Show Terminal Sessions", showTerminalSessions);
    ORV_OPTION(u"Show Transfer Sessions", showTransferSessions);
    ORV_OPTION(u"Use Protocol Icons", useProtocolIcons);
    ORV_OPTION(u"Filter Delay", filterDelayMs);
    ORV_OPTION(u"Update Firewall Dependents", updateFirewallDependents);
    ORV_OPTION(u"Show Connect Dialog On Startup", showConnectDialogOnStartup);
    ORV_OPTION(u"Show Quick Connect On Startup", showQuickConnectOnStartup);
    ORV_OPTION(u"Open Sessions In Tab", openSessionsInTab);
    ORV_OPTION(u"Tab Policy Tabs Only", tabPolicyTabsOnly);
    ORV_OPTION(u"Tab Policy Locked", tabPolicyLocked);
    ORV_OPTION(u"Connect Dialog Placement", connectDialogPlacement);
    ORV_OPTION(u"Multi Connect Warning Threshold", multiConnectWarningThreshold);
    ORV_OPTION(u"Suppress Multi Connect Warning", suppressMultiConnectWarning);
    ORV_OPTION(u"Save Quick Connect Session", saveQuickConnectSession);
    ORV_OPTION(u"Quick Connect Keep Focus", quickConnectKeepFocus);
    ORV_OPTION(u"Use New Session Wizard", useNewSessionWizard);
    ORV_OPTION(u"Update Last Check", updateReminders[0].lastCheck);
    ORV_OPTION(u"Update Dont Remind", updateReminders[0].dontRemind);
    ORV_OPTION(u"Update Last Check 2", updateReminders[1].lastCheck);
    ORV_OPTION(u"Update Dont Remind 2", updateReminders[1].dontRemind);
}
#undef ORV_OPTION

template <class T>
struct ValueFor {
    using type = VProfile<T>;
};
template <>
struct ValueFor<VWindowPlacement> {
    using type = VProfileWindowPlacement;
};

} // namespace

void ProfileGlobalConfigStorage::Load(GlobalConfig& config)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), kGlobalKey, 0);
    VisitOptions([&](const char16_t* name, auto access) {
        auto& field = access(config);
        using T = std::remove_reference_t<decltype(field)>;
        typename ValueFor<T>::type value(&key, name, &field);
        field = value.Get();
    });
    m_known = config;
}

// The other application may have changed other options since this one
// loaded them: only what this process changed itself is written, over the
// stored options read in the same transaction, so both changes stay.
bool ProfileGlobalConfigStorage::Save(const GlobalConfig& config)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), kGlobalKey, 1);
    if (!key.GetKeyHandle())
        return false;
    bool ok = true;
    VisitOptions([&](const char16_t* name, auto access) {
        const auto& field = access(config);
        auto& known = access(m_known);
        using T = std::remove_cv_t<std::remove_reference_t<decltype(field)>>;
        const bool mine = !(field == known);
        typename ValueFor<T>::type value(&key, name, &field);
        if (!mine && !value.IsDirty())
            return; // stored, and not changed here: the stored one stands
        value.Set(field);
        value.Accept();
        if (value.Save(&key))
            known = field;
        else
            ok = false;
    });
    if (!ok)
        store.Abandon();
    return ok;
}
