#include "profile/values/ProfileGlobalConfigStorage.h"

#include "profile/values/VProfileBinary.h"
#include "profile/values/VProfileDword.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

constexpr char16_t kGlobalKey[] = u"Global";
constexpr char16_t kPanesKey[] = u"Global\\Panes";
constexpr char16_t kToolbarsKey[] = u"Global\\Toolbars";
constexpr char16_t kPlacementValue[] = u"Placement";
constexpr char16_t kTabGroupValue[] = u"Tab Group";
constexpr char16_t kHiddenButtonsValue[] = u"Hidden Buttons";
std::vector<VUnicodeString> SubkeyNames(const VProfileKey& key)
{
    std::vector<VUnicodeString> names;
    if (!key.IsOpen())
        return names;
    VProfileKeyIterator it(key);
    VUnicodeString name;
    while (it.Next(name))
        names.push_back(name);
    return names;
}

void LoadPanes(const VProfileKey& root, GlobalConfig& config)
{
    VProfileKey panes(root, kPanesKey, 0);
    for (const VUnicodeString& name : SubkeyNames(panes)) {
        VProfileKey key(panes, name, 0);
        uint8_t bytes[kPanePlacementBytes] = {};
        uint32_t size = sizeof bytes;
        PanePlacementRecord record;
        if (!key.ReadBinary(kPlacementValue, bytes, size) || !DecodePanePlacement({bytes, size}, record))
            continue;
        key.ReadStringArray(kTabGroupValue, record.tabGroup);
        config.panePlacements[name] = std::move(record);
    }
}

void LoadToolbars(const VProfileKey& root, GlobalConfig& config)
{
    VProfileKey toolbars(root, kToolbarsKey, 0);
    for (const VUnicodeString& name : SubkeyNames(toolbars)) {
        VProfileKey key(toolbars, name, 0);
        VStringArray hidden;
        if (!key.ReadStringArray(kHiddenButtonsValue, hidden))
            continue;
        std::vector<uint32_t>& commands = config.hiddenToolbarButtons[name];
        for (const VUnicodeString& text : hidden)
            if (uint32_t command = 0; ParseToolbarCommandNumber(text, command))
                commands.push_back(command);
    }
}

bool SavePanes(const VProfileKey& root, const GlobalConfig& config)
{
    bool ok = true;
    for (const auto& [name, record] : config.panePlacements) {
        VProfileKey key(root, VUnicodeString(kPanesKey) + u"\\" + name.str(), 1);
        const std::vector<uint8_t> bytes = EncodePanePlacement(record);
        ok = key.WriteBinary(kPlacementValue, bytes.data(), static_cast<uint32_t>(bytes.size())) && ok;
        ok = key.WriteStringArray(kTabGroupValue, record.tabGroup) && ok;
    }
    return ok;
}

bool SaveToolbars(const VProfileKey& root, const GlobalConfig& config)
{
    bool ok = true;
    for (const auto& [name, commands] : config.hiddenToolbarButtons) {
        VProfileKey key(root, VUnicodeString(kToolbarsKey) + u"\\" + name.str(), 1);
        VStringArray hidden;
        for (uint32_t command : commands)
            hidden.Add(VUnicodeString::FromNumber(command));
        ok = key.WriteStringArray(kHiddenButtonsValue, hidden) && ok;
    }
    return ok;
}

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
    LoadPanes(*store.GetRootKey(), config);
    LoadToolbars(*store.GetRootKey(), config);
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
    ok = SavePanes(*store.GetRootKey(), config) && ok;
    ok = SaveToolbars(*store.GetRootKey(), config) && ok;
    return ok;
}
