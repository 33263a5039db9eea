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

// The panes and toolbars are kept one subkey each, not as options: as the
// options are, only the entries this process changed since it last loaded
// or saved them are written, so the other application's entries stay.
bool SavePanes(const VProfileKey& root, const GlobalConfig& config, GlobalConfig& known)
{
    bool ok = true;
    for (const auto& [name, record] : config.panePlacements) {
        const auto was = known.panePlacements.find(name);
        if (was != known.panePlacements.end() && was->second == record)
            continue;
        VProfileKey key(root, VUnicodeString(kPanesKey) + u"\\" + name.str(), 1);
        const std::vector<uint8_t> bytes = EncodePanePlacement(record);
        const bool saved = key.WriteBinary(kPlacementValue, bytes.data(), static_cast<uint32_t>(bytes.size()))
                           && key.WriteStringArray(kTabGroupValue, record.tabGroup);
        if (saved)
            known.panePlacements[name] = record;
        ok = saved && ok;
    }
    return ok;
}

bool SaveToolbars(const VProfileKey& root, const GlobalConfig& config, GlobalConfig& known)
{
    bool ok = true;
    for (const auto& [name, commands] : config.hiddenToolbarButtons) {
        const auto was = known.hiddenToolbarButtons.find(name);
        if (was != known.hiddenToolbarButtons.end() && was->second == commands)
            continue;
        VProfileKey key(root, VUnicodeString(kToolbarsKey) + u"\\" + name.str(), 1);
        VStringArray hidden;
        for (uint32_t command : commands)
            hidden.Add(VUnicodeString::FromNumber(command));
        const bool saved = key.WriteStringArray(kHiddenButtonsValue, hidden);
        if (saved)
            known.hiddenToolbarButtons[name] = commands;
        ok = saved && ok;
    }
    return ok;
}

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
    LoadPanes(*store.GetRootKey(), config);
    LoadToolbars(*store.GetRootKey(), config);
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
    ok = SavePanes(*store.GetRootKey(), config, m_known) && ok;
    ok = SaveToolbars(*store.GetRootKey(), config, m_known) && ok;
    if (!ok)
        store.Abandon();
    return ok;
}
