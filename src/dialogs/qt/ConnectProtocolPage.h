#pragma once

#include <map>
#include <memory>

#include <QWidget>

#include "dialogs/ConnectProtocolPageBase.h"
#include "dialogs/qt/ComboFirewallHelper.h"

// A protocol's connection page: a label and a control for each field of
// its rules, laid out one above the other. Quick Connect and the New
// Session wizard show the same pages.
class ConnectProtocolPage final : public QWidget, public ConnectProtocolPageBase {
    Q_OBJECT
public:
    // The protocol whose sessions may serve as firewalls.
    static constexpr char16_t kFirewallSessionProtocol[] = u"SSH2";

    ConnectProtocolPage(const ConnectProtocolRow& row, QWidget* owner, ISessionConfig* config, int applicationNumber);
    ~ConnectProtocolPage() override;

    // The control of a field, or null when the page has none.
    QWidget* FieldControl(ProtocolField field) const;
    ComboFirewallHelper* FirewallHelper() const { return m_firewall.get(); }
    // The rows the largest page needs, for sizing the frame pages lie on.
    static int MaxRows();

    // Hands every row of the protocol table its page factory; once is
    // enough, again does no harm.
    static void RegisterFactories();

protected:
    void OnFieldsLoaded() override;
    void OnRefused(ProtocolField field, const VUnicodeString& why) override;

private:
    void Build();
    void OnFirewallChosen(int index);

    std::map<ProtocolField, QWidget*> m_controls;
    std::unique_ptr<ComboFirewallHelper> m_firewall;
    bool m_loading = false;
};
