#include "profile/values/ProfileGlobalConfigStorage.h"

#include "profile/values/VProfileBinary.h"
#include "profile/values/VProfileDword.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

constexpr char16_t kGlobalKey[] = u"Global";

// Every option with its stored name.
template <class Config, class F>
void VisitOptions(Config& c, F&& f)
{
    f(u"Session Tree Sort Mode", c.sortMode);
    f(u"Show Session Descriptions", c.showDescriptions);
    f(u"Show Terminal Sessions", c.showTerminalSessions);
    f(u"Show Transfer Sessions", c.showTransferSessions);
    f(u"Use Protocol Icons", c.useProtocolIcons);
    f(u"Filter Delay", c.filterDelayMs);
    f(u"Update Firewall Dependents", c.updateFirewallDependents);
    f(u"Show Connect Dialog On Startup", c.showConnectDialogOnStartup);
    f(u"Show Quick Connect On Startup", c.showQuickConnectOnStartup);
    f(u"Open Sessions In Tab", c.openSessionsInTab);
    f(u"Tab Policy Tabs Only", c.tabPolicyTabsOnly);
    f(u"Tab Policy Locked", c.tabPolicyLocked);
    f(u"Connect Dialog Placement", c.connectDialogPlacement);
    f(u"Multi Connect Warning Threshold", c.multiConnectWarningThreshold);
    f(u"Suppress Multi Connect Warning", c.suppressMultiConnectWarning);
    f(u"Save Quick Connect Session", c.saveQuickConnectSession);
    f(u"Quick Connect Keep Focus", c.quickConnectKeepFocus);
    f(u"Use New Session Wizard", c.useNewSessionWizard);
    f(u"Update Last Check", c.updateReminders[0].lastCheck);
    f(u"Update Dont Remind", c.updateReminders[0].dontRemind);
    f(u"Update Last Check 2", c.updateReminders[1].lastCheck);
    f(u"Update Dont Remind 2", c.updateReminders[1].dontRemind);
}

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
    VisitOptions(config, [&](const char16_t* name, auto& field) {
        using T = std::remove_reference_t<decltype(field)>;
        typename ValueFor<T>::type value(&key, name, &field);
        field = value.Get();
    });
}

bool ProfileGlobalConfigStorage::Save(const GlobalConfig& config)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), kGlobalKey, 1);
    if (!key.GetKeyHandle())
        return false;
    bool ok = true;
    VisitOptions(config, [&](const char16_t* name, const auto& field) {
        using T = std::remove_cv_t<std::remove_reference_t<decltype(field)>>;
        typename ValueFor<T>::type value(&key, name, &field);
        value.Set(field);
        value.Accept();
        ok = value.Save(&key) && ok;
    });
    return ok;
}
