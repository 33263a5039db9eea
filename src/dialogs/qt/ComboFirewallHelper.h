#pragma once

#include "core/Export.h"
#include "core/VStringArray.h"
#include "core/VUnicodeString.h"
#include "core/VUnknown.h"
#include "dialogs/FirewallComboChoice.h"
#include "profile/sessions/ISessionConfig.h"

class QComboBox;
class QWidget;

// Keeps a firewall combo box on any dialog in step with a configuration:
// the firewall names, the session used as a firewall, then the
// select-session and (when allowed) new-firewall entries; choosing one of
// those runs the firewall browse. Copies share the configuration.
class ORV_EXPORT ComboFirewallHelper {
public:
    // Starts from the configuration's firewall; takes a reference on it.
    ComboFirewallHelper(int applicationNumber, ISessionConfig* config, bool allowNewFirewall);
    ComboFirewallHelper(const ComboFirewallHelper&) = default;
    ComboFirewallHelper(ComboFirewallHelper&&) noexcept = default;
    ComboFirewallHelper& operator=(const ComboFirewallHelper&) = default;
    ComboFirewallHelper& operator=(ComboFirewallHelper&&) noexcept = default;
    ~ComboFirewallHelper() = default;

    // Fills `combo` and selects the current firewall.
    void PopulateFirewall(QComboBox* combo);
    // The user chose `chosen` in the box: runs the firewall browse on this
    // helper's state (only sessions of `protocol` are offered as
    // firewalls), unless a browse of this helper is already running.
    void UpdateFirewall(const VUnicodeString& chosen, const VUnicodeString& protocol, unsigned short value,
                        QWidget* parent);
    // Selects the current firewall's item again (the first item when it
    // has none).
    void CancelUpdateFirewall();

    // A firewall name, "None", or "Session:" and a session path.
    const VUnicodeString& GetCurrentFirewall() const { return m_currentFirewall; }
    void SetCurrentFirewall(const VUnicodeString& firewall) { m_currentFirewall = firewall; }
    const VStringArray& GetFirewallNames() const { return m_firewallNames; }
    unsigned int GetRememberedIndex() const { return m_rememberedIndex; }
    bool IsBusy() const { return m_busy; }
    QComboBox* GetComboBox() const { return m_combo; }

    // The firewalls a configuration can choose from, as the combo box
    // lists them: "None" first, then the named firewalls.
    static VStringArray ReadFirewallNames(ISessionConfig* config);

private:
    VUnknownPointer<ISessionConfig> m_config;
    QComboBox* m_combo = nullptr;
    VUnicodeString m_currentFirewall;
    VStringArray m_firewallNames;
    unsigned int m_rememberedIndex = kNoRememberedIndex;
    bool m_busy = false;
    bool m_allowNewFirewall;
    int m_applicationNumber;
};
