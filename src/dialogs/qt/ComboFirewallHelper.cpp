#include "dialogs/qt/ComboFirewallHelper.h"

#include <QComboBox>

#include "dialogs/qt/SessionBrowse.h"
#include "platform/FirewallLabels.h"
#include "platform/qt/QtStrings.h"
#include "profile/sessions/IRemoteHostConfig.h"
#include "profile/sessions/SessionDatabase.h"

namespace {

constexpr std::u16string_view kPrefix = SessionDatabase::kFirewallSessionPrefix;
constexpr char16_t kNoFirewall[] = u"None";

bool HasSessionPrefix(const VUnicodeString& text)
{
    return text.Length() > kPrefix.size() && VUnicodeString(text.Left(kPrefix.size())).EqualsNoCase(kPrefix);
}

} // namespace

ComboFirewallHelper::ComboFirewallHelper(int applicationNumber, ISessionConfig* config, bool allowNewFirewall)
    : m_config(VUnknownPointer<ISessionConfig>::Retain(config)), m_allowNewFirewall(allowNewFirewall),
      m_applicationNumber(applicationNumber)
{
    if (config) {
        VUnknownPointer<IRemoteHostConfig> host(config->GetRemoteHostConfig());
        if (host)
            m_currentFirewall = host->GetFirewallName();
    }
}

VStringArray ComboFirewallHelper::ReadFirewallNames(ISessionConfig* config)
{
    VStringArray names;
    names.Add(kNoFirewall);
    if (config)
        for (const VUnicodeString& name : config->GetFirewallNames())
            if (!name.EqualsNoCase(kNoFirewall))
                names.Add(name);
    return names;
}

void ComboFirewallHelper::PopulateFirewall(QComboBox* combo)
{
    m_combo = combo;
    m_firewallNames = ReadFirewallNames(m_config.Get());
    QStringList items;
    for (const VUnicodeString& name : m_firewallNames)
        items << ToQString(name);
    if (HasSessionPrefix(m_currentFirewall)) {
        m_rememberedIndex = static_cast<unsigned int>(items.size());
        items << ToQString(m_currentFirewall.Mid(kPrefix.size()));
    }
    items << ToQString(GetSelectSessionLabel());
    if (m_allowNewFirewall)
        items << ToQString(GetNewFirewallLabel());
    if (!combo)
        return;
    combo->clear();
    combo->addItems(items);
    const QString current = ToQString(HasSessionPrefix(m_currentFirewall) ? m_currentFirewall.Mid(kPrefix.size())
                                                                          : m_currentFirewall);
    combo->setCurrentIndex(static_cast<int>(items.indexOf(current)));
}

void ComboFirewallHelper::UpdateFirewall(const VUnicodeString& chosen, const VUnicodeString& protocol,
                                         unsigned short value, QWidget* parent)
{
    if (m_busy)
        return;
    struct Busy {
        bool& flag;
        explicit Busy(bool& busy) : flag(busy) { flag = true; }
        ~Busy() { flag = false; }
    } busy(m_busy);
    const VStringArray names = m_firewallNames; // the browse gets its own copy
    BrowseFirewall(m_currentFirewall, chosen, m_applicationNumber, parent, m_combo, names, m_rememberedIndex,
                   protocol.c_str(), value);
}

void ComboFirewallHelper::CancelUpdateFirewall()
{
    if (!m_combo)
        return;
    const VUnicodeString wanted = HasSessionPrefix(m_currentFirewall) ? m_currentFirewall.Mid(kPrefix.size())
                                                                      : m_currentFirewall;
    const int index = m_combo->findText(ToQString(wanted), Qt::MatchExactly);
    m_combo->setCurrentIndex(index >= 0 ? index : 0);
}
