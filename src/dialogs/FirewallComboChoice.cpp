#include "dialogs/FirewallComboChoice.h"

#include <algorithm>

#include "platform/FirewallLabels.h"
#include "profile/sessions/SessionDatabase.h"

namespace {

constexpr std::u16string_view kPrefix = SessionDatabase::kFirewallSessionPrefix;

bool IsFirewallName(const VStringArray& names, const VUnicodeString& text)
{
    for (const VUnicodeString& name : names)
        if (name.EqualsNoCase(text.str()))
            return true;
    return false;
}

// The prefix counts only when something follows it.
VUnicodeString WithoutPrefix(const VUnicodeString& result)
{
    if (result.Length() > kPrefix.size() && VUnicodeString(result.Left(kPrefix.size())).EqualsNoCase(kPrefix))
        return result.Mid(kPrefix.size());
    return result;
}

} // namespace

void ChooseFirewall(VUnicodeString& result, const VUnicodeString& chosen, IFirewallCombo& combo,
                    const VStringArray& firewallNames, unsigned& rememberedIndex,
                    const FirewallChoiceServices& services)
{
    const bool selectSession = chosen.EqualsNoCase(GetSelectSessionLabel().str());
    const bool newFirewall = chosen.EqualsNoCase(GetNewFirewallLabel().str());
    if (!selectSession && !newFirewall) {
        result = IsFirewallName(firewallNames, chosen) ? chosen : VUnicodeString(kPrefix) + chosen.str();
        return;
    }
    if (newFirewall && !services.newFirewall) {
        if (services.showNewFirewallError)
            services.showNewFirewallError();
        return;
    }
    VUnicodeString name;
    bool obtained = false;
    if (selectSession)
        obtained = services.browseSession && services.browseSession(name);
    else
        obtained = services.newFirewall(name);

    int insertion = -1;
    if (obtained) {
        if (rememberedIndex == kNoRememberedIndex) {
            // Before the command entries: the new-firewall entry may be left out.
            insertion = std::max(0, combo.Count() - 2);
            for (int i = 0; i < combo.Count(); ++i)
                if (combo.Text(i).EqualsNoCase(GetSelectSessionLabel().str())) {
                    insertion = i;
                    break;
                }
        } else {
            insertion = static_cast<int>(rememberedIndex);
            combo.Remove(insertion);
        }
        combo.Insert(insertion, name);
        result = selectSession ? VUnicodeString(kPrefix) + name.str() : name;
    }
    const VUnicodeString wanted = obtained ? name : WithoutPrefix(result);
    int match = 0;
    for (int i = 0; i < combo.Count(); ++i)
        if (combo.Text(i).EqualsNoCase(wanted.str())) {
            match = i;
            break;
        }
    combo.Select(match);
    if (!selectSession)
        rememberedIndex = kNoRememberedIndex;
    else if (obtained)
        rememberedIndex = static_cast<unsigned>(insertion);
}
