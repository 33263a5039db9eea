#include "dialogs/qt/SessionBrowse.h"

#include <QComboBox>

#include "dialogs/FirewallComboChoice.h"
#include "dialogs/qt/ConnectDialog.h"
#include "platform/HostHooks.h"
#include "platform/MessageBox.h"
#include "platform/Products.h"
#include "platform/qt/QtPlatformServices.h"
#include "platform/qt/QtStrings.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/sessions/SessionDatabase.h"

namespace {

constexpr uint32_t kMsgSelectSshSession = 0x6109000D;
constexpr uint32_t kMsgNoFirewallDialog = 0xE1090006;

VUnicodeString MessageText(uint32_t id)
{
    return NewReport(id)->GetText();
}

class QtFirewallCombo final : public IFirewallCombo {
public:
    explicit QtFirewallCombo(QComboBox& combo) : m_combo(combo) {}
    int Count() const override { return m_combo.count(); }
    VUnicodeString Text(int index) const override { return ToVString(m_combo.itemText(index)); }
    void Insert(int index, const VUnicodeString& text) override { m_combo.insertItem(index, ToQString(text)); }
    void Remove(int index) override { m_combo.removeItem(index); }
    void Select(int index) override { m_combo.setCurrentIndex(index); }

private:
    QComboBox& m_combo;
};

} // namespace

int BrowseOneSession(const char16_t* title, VUnicodeString& sessionPath, int applicationNumber, QWidget* parent,
                     bool treeOption, const VUnicodeString& protocol, unsigned short value)
{
    InstallQtPlatformServices();
    ConnectDialog::TreeOptions options;
    options.initialSelection = sessionPath;
    options.treeOption = treeOption;
    options.protocol = protocol;
    options.value = value;
    ConnectDialog dialog(title, false, true, true, options, applicationNumber, parent);
    const int result = dialog.exec() == 1 ? 1 : 2;
    if (result == 1 && !dialog.OwnSessions().IsEmpty())
        if (SessionConfigPtr first = GetSessionDatabaseImpl()->LoadSession(dialog.OwnSessions()[0]))
            sessionPath = first->GetSessionPath();
    return result;
}

void BrowseFirewall(VUnicodeString& result, const VUnicodeString& chosen, int applicationNumber, QWidget* parent,
                    QComboBox* combo, const VStringArray& firewallNames, unsigned int& rememberedIndex,
                    const char16_t* protocol, unsigned short value)
{
    InstallQtPlatformServices();
    if (!combo)
        return;
    QtFirewallCombo items(*combo);
    FirewallChoiceServices services;
    const VUnicodeString title = MessageText(kMsgSelectSshSession);
    const VUnicodeString wanted(protocol ? protocol : u"");
    services.browseSession = [&](VUnicodeString& path) {
        path = VUnicodeString();
        return BrowseOneSession(title.c_str(), path, applicationNumber, parent, false, wanted, value) == 1;
    };
    if (const NewFirewallCallback create = GetHostCallbacks().newFirewall)
        services.newFirewall = [create](VUnicodeString& name) { return create(name); };
    services.showNewFirewallError = [parent] {
        GetMessageBox().Show(parent, MessageText(kMsgNoFirewallDialog).str(), VGetAppName().str(),
                             kMbOk | kMbIconError);
    };
    ChooseFirewall(result, chosen, items, firewallNames, rememberedIndex, services);
}
