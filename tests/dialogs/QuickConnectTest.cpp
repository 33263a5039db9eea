// Quick Connect on the offscreen platform: the dialog's rules through its
// controls, the entry point, the firewall combo helper and the commands
// that open it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include "CommandIds.h"
#include "DialogSteps.h"
#include "QtFixtures.h"
#include "dialogs/ConnectProtocolPageBase.h"
#include "dialogs/qt/ComboFirewallHelper.h"
#include "dialogs/qt/ConnectDialog.h"
#include "dialogs/qt/ConnectProtocolPage.h"
#include "dialogs/qt/ConnectToolbar.h"
#include "dialogs/qt/ConnectView.h"
#include "dialogs/qt/QuickConnectDialog.h"
#include "entry/ConnectDialog.h"
#include "platform/FirewallLabels.h"
#include "platform/HostHooks.h"
#include "platform/qt/QtStrings.h"
#include "profile/sessions/FirewallConfig.h"
#include "profile/store/ProfileBackend.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"
#include "sessiontree/ISessionDatabaseChanged.h"
#include "sessiontree/qt/SessionTreeCtrl.h"

namespace {

using F = ProtocolField;

// A host frame that is told of database changes.
class Frame final : public QMainWindow, public ISessionDatabaseChanged {
public:
    void OnSessionDatabaseChanged(int changed, int reserved) override { notices.emplace_back(changed, reserved); }
    void OnSessionDatabaseViewChanged() override {}
    std::vector<std::pair<int, int>> notices;
};

class QuickConnectTest : public WidgetTest {
protected:
    void SetUp() override
    {
        WidgetTest::SetUp();
        QuickConnectDialogBase::ReleaseRetained();
    }
    void TearDown() override
    {
        QuickConnectDialogBase::ReleaseRetained();
        WidgetTest::TearDown();
    }
    std::unique_ptr<QuickConnectDialog> Make(const VUnicodeString& folder = {}, int application = 3,
                                             bool tabs = true)
    {
        return std::make_unique<QuickConnectDialog>(folder, application, nullptr, tabs);
    }
    static QLineEdit* Edit(QuickConnectDialog& dialog, ProtocolField field)
    {
        return dialog.Page() ? qobject_cast<QLineEdit*>(dialog.Page()->FieldControl(field)) : nullptr;
    }
    static void Type(QuickConnectDialog& dialog, ProtocolField field, const QString& text)
    {
        QLineEdit* edit = Edit(dialog, field);
        ASSERT_TRUE(edit);
        edit->selectAll();
        edit->del();
        QTest::keyClicks(edit, text);
    }
    static void Choose(QuickConnectDialog& dialog, const QString& protocol)
    {
        const int item = dialog.ProtocolList()->findText(protocol);
        ASSERT_GE(item, 0) << protocol.toStdString();
        dialog.ProtocolList()->setCurrentIndex(item);
    }
    // Runs the dialog modally with `steps` done on it; its result.
    template <class S>
    static int Run(QuickConnectDialog& dialog, S steps)
    {
        WhenShown<QuickConnectDialog>(steps);
        return dialog.DoModal();
    }
    // A session's stored value, as text.
    static std::string Stored(const std::u16string& path, const std::u16string& name)
    {
        VProfileStore store;
        VProfileKey key(*store.GetRootKey(), SessionDatabase::KeyPathFromSessionPath(VUnicodeString(path)), 0);
        VUnicodeString text;
        uint32_t number = 0;
        if (key.ReadString(name, text))
            return text.ToUtf8();
        if (key.ReadDword(name, number))
            return std::to_string(number);
        return "<absent>";
    }
    void DefaultSession(const std::u16string& protocol)
    {
        Session(u"Default", protocol, u"None", u"");
    }
};

TEST_F(QuickConnectTest, FirstQuickConnectShowsTheDefaultProtocolAndTheSecondTheOneAccepted)
{
    DefaultSession(u"Telnet");
    auto first = Make();
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Quick Connect"));
    EXPECT_EQ(first->ProtocolList()->currentText(), QStringLiteral("Telnet"));
    EXPECT_EQ(first->Page()->property("protocol").toString(), QStringLiteral("Telnet"));
    EXPECT_EQ(Edit(*first, F::Port)->text(), QStringLiteral("23"));
    Choose(*first, QStringLiteral("SSH1"));
    EXPECT_EQ(first->Page()->property("protocol").toString(), QStringLiteral("SSH1"));
    Type(*first, F::Hostname, QStringLiteral("web01"));
    Type(*first, F::Port, QStringLiteral("2200"));
    first->ConnectButton()->click();
    EXPECT_EQ(first->result(), 1);
    ASSERT_TRUE(first->ProcessOk());
    first.reset();

    // The second starts from what the first accepted; cancelling it keeps that.
    auto second = Make();
    EXPECT_EQ(second->ProtocolList()->currentText(), QStringLiteral("SSH1"));
    EXPECT_EQ(Edit(*second, F::Hostname)->text(), QStringLiteral("web01"));
    EXPECT_EQ(Edit(*second, F::Port)->text(), QStringLiteral("2200"));
    Choose(*second, QStringLiteral("Raw"));
    Type(*second, F::Hostname, QStringLiteral("other"));
    second->CancelButton()->click();
    EXPECT_EQ(second->result(), 2);
    second.reset();
    auto third = Make();
    EXPECT_EQ(third->ProtocolList()->currentText(), QStringLiteral("SSH1"));
    EXPECT_EQ(Edit(*third, F::Hostname)->text(), QStringLiteral("web01"));
    third.reset();

    // Released by the library's clean-up: back to the "Default" session.
    CleanupQuickConnectDialog();
    EXPECT_EQ(Make()->ProtocolList()->currentText(), QStringLiteral("Telnet"));

    // A "Default" without a terminal protocol: the table's first.
    CleanupQuickConnectDialog();
    DefaultSession(u"None");
    EXPECT_EQ(Make()->ProtocolList()->currentText(), QStringLiteral("SSH2"));
    CleanupQuickConnectDialog();
}

TEST_F(QuickConnectTest, SavingNamesTheSessionAfterTheHostAndMakesItUnique)
{
    config->saveQuickConnectSession = true;
    Folder(u"Servers");
    Session(u"Servers\\web01", u"SSH2", u"None", u"web01");
    for (const char* expected : {"Servers\\web01 (1)", "Servers\\web01 (2)"}) {
        auto dialog = Make(u"Servers");
        EXPECT_TRUE(dialog->SaveBox()->isChecked());
        const int result = Run(*dialog, [](QuickConnectDialog& d) {
            Type(d, F::Hostname, QStringLiteral("web01"));
            Type(d, F::Username, QStringLiteral("admin"));
            d.ConnectButton()->click();
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(dialog->GetSavedPath().ToUtf8(), expected);
        EXPECT_FALSE(dialog->Config().IsTemporary());
    }
    EXPECT_EQ(Stored(u"Servers\\web01 (2)", u"Hostname"), "web01");
    EXPECT_EQ(Stored(u"Servers\\web01 (2)", u"Username"), "admin");
    EXPECT_EQ(Stored(u"Servers\\web01 (2)", u"Protocol Name"), "SSH2");
    EXPECT_EQ(Stored(u"Servers\\web01 (2)", u"SSH2 Port"), "22");
    EXPECT_EQ(Stored(u"Servers\\web01 (2)", u"Is Session"), "1");
    EXPECT_EQ(Stored(u"Servers\\web01", u"Username"), "<absent>"); // the one already there is left alone

    // An empty target folder: the bare host name, at the top.
    auto top = Make();
    Run(*top, [](QuickConnectDialog& d) {
        Type(d, F::Hostname, QStringLiteral("web01"));
        d.ConnectButton()->click();
    });
    EXPECT_EQ(top->GetSavedPath().ToUtf8(), "web01");
    EXPECT_TRUE(Db().IsSession(u"web01"));

    // Not saving: nothing is written, and the configuration is temporary.
    config->saveQuickConnectSession = false;
    auto unsaved = Make(u"Servers");
    Run(*unsaved, [](QuickConnectDialog& d) {
        Type(d, F::Hostname, QStringLiteral("db9"));
        d.ConnectButton()->click();
    });
    EXPECT_TRUE(unsaved->GetSavedPath().IsEmpty());
    EXPECT_TRUE(unsaved->Config().IsTemporary());
    EXPECT_FALSE(Db().SessionExists(u"Servers\\db9"));
}

TEST_F(QuickConnectTest, ANameTheDatabaseRefusesIsReportedAndNothingIsSaved)
{
    config->saveQuickConnectSession = true;
    auto dialog = Make();
    // A host name a session name cannot be: reserved for the database's own entries.
    const int result = Run(*dialog, [](QuickConnectDialog& d) {
        Type(d, F::Hostname, QStringLiteral("__web__"));
        d.ConnectButton()->click();
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(dialog->GetSavedPath().IsEmpty());
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_NE(box.shown[0].text.find(u"reserved"), std::u16string::npos);
    EXPECT_FALSE(Db().SessionExists(u"__web__"));
}

TEST_F(QuickConnectTest, ARefusedPageKeepsTheDialogOpenOnTheField)
{
    auto dialog = Make();
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    Type(*dialog, F::Hostname, QStringLiteral("web01"));
    Type(*dialog, F::Port, QStringLiteral("0"));
    dialog->ConnectButton()->click();
    EXPECT_TRUE(dialog->isVisible());
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"The port must be a number from 1 to 65535.");
    EXPECT_TRUE(Edit(*dialog, F::Port)->hasFocus());
    Type(*dialog, F::Port, QStringLiteral("22"));
    dialog->ConnectButton()->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 1);
}

TEST_F(QuickConnectTest, ConnectFollowsTheHostAndTheProtocolSwitchKeepsItsRules)
{
    auto dialog = Make();
    EXPECT_FALSE(dialog->ConnectButton()->isEnabled());
    Type(*dialog, F::Hostname, QStringLiteral("web01"));
    EXPECT_TRUE(dialog->ConnectButton()->isEnabled());
    Type(*dialog, F::Hostname, QString());
    EXPECT_FALSE(dialog->ConnectButton()->isEnabled());
    Choose(*dialog, QStringLiteral("Local Shell"));
    EXPECT_TRUE(dialog->ConnectButton()->isEnabled()); // nothing to name
    Choose(*dialog, QStringLiteral("Serial"));
    EXPECT_FALSE(dialog->ConnectButton()->isEnabled());
    Choose(*dialog, QStringLiteral("Telnet/TLS"));
    EXPECT_EQ(dialog->GetProtocolName(), VUnicodeString(u"Telnet/SSL"));
    EXPECT_EQ(dialog->Config().GetProtocolName(), VUnicodeString(u"Telnet/SSL"));
    EXPECT_EQ(Edit(*dialog, F::Port)->text(), QStringLiteral("992"));
    // The old page keeps what it could: a valid host, not a refused port.
    Type(*dialog, F::Hostname, QStringLiteral("tls-host"));
    Type(*dialog, F::Port, QStringLiteral("nope"));
    Choose(*dialog, QStringLiteral("SSH2"));
    EXPECT_EQ(Edit(*dialog, F::Hostname)->text(), QStringLiteral("tls-host"));
    EXPECT_EQ(dialog->Config().FindValueOutsideSchema(u"Telnet/SSL Port"), nullptr);

    // An item whose row lies beyond the protocol table: the selection goes back.
    const int before = dialog->ProtocolList()->currentIndex();
    dialog->ProtocolList()->addItem(QStringLiteral("Broken"), 999);
    dialog->ProtocolList()->setCurrentIndex(dialog->ProtocolList()->count() - 1);
    EXPECT_EQ(dialog->ProtocolList()->currentIndex(), before);
    EXPECT_EQ(dialog->GetProtocolName(), VUnicodeString(u"SSH2"));
    EXPECT_EQ(dialog->Page()->property("protocol").toString(), QStringLiteral("SSH2"));
}

TEST_F(QuickConnectTest, DoneStoresTheStartupOptionAndAtMostOneStartupDialogIsLeft)
{
    config->showConnectDialogOnStartup = true;
    auto dialog = Make();
    EXPECT_FALSE(dialog->DoneButton()->isEnabled());
    const int result = Run(*dialog, [](QuickConnectDialog& d) {
        d.StartupBox()->click();
        EXPECT_TRUE(d.DoneButton()->isEnabled());
        d.DoneButton()->click();
    });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(config->showQuickConnectOnStartup);
    EXPECT_TRUE(config->showConnectDialogOnStartup); // until the dialog goes
    dialog.reset();
    EXPECT_FALSE(config->showConnectDialogOnStartup);

    // Any Quick Connect closed with the option set leaves the other cleared;
    // without it the other is left as it is.
    config->showConnectDialogOnStartup = true;
    Make()->CancelButton()->click();
    EXPECT_FALSE(config->showConnectDialogOnStartup);
    config->showQuickConnectOnStartup = false;
    config->showConnectDialogOnStartup = true;
    Make().reset();
    EXPECT_TRUE(config->showConnectDialogOnStartup);
}

TEST_F(QuickConnectTest, TheLayoutFollowsTheApplication)
{
    auto terminal = Make();
    EXPECT_EQ(Items(*terminal->ProtocolList()),
              (QStringList{"SSH2", "SSH1", "Telnet", "Telnet/TLS", "RLogin", "Serial", "TAPI", "Raw", "Local Shell",
                           "RDP"}));
    EXPECT_FALSE(terminal->TabBox()->isHidden());
    EXPECT_EQ(terminal->TabBox()->text(), QStringLiteral("Open in a &tab"));
    EXPECT_EQ(terminal->UsedFrame(), terminal->PageFrame(1));
    EXPECT_EQ(terminal->Page()->geometry(), terminal->PageFrame(1)->geometry());
    EXPECT_LT(terminal->StartupBox()->y(), terminal->TabBox()->y());
    EXPECT_EQ(terminal->StartupBox()->y(), terminal->SaveBox()->y());
    EXPECT_EQ(terminal->StartupBox()->text(), QStringLiteral("Sho&w quick connect on startup"));
    EXPECT_EQ(terminal->SaveBox()->text(), QStringLiteral("Sa&ve session"));
    EXPECT_EQ(terminal->DoneButton()->text(), QStringLiteral("&Done"));
    EXPECT_TRUE(terminal->ConnectButton()->isDefault());

    auto transfer = Make({}, 9);
    EXPECT_EQ(Items(*transfer->ProtocolList()),
              (QStringList{"SFTP", "FTP", "FTP/TLS (implicit)", "FTP/TLS (explicit)", "HTTP", "HTTPS", "HTTPS (S3)",
                           "SCP"}));
    EXPECT_TRUE(transfer->TabBox()->isHidden());
    EXPECT_EQ(transfer->StartupBox()->y(), terminal->TabBox()->y());
    EXPECT_EQ(transfer->SaveBox()->y(), terminal->TabBox()->y());
    EXPECT_EQ(transfer->UsedFrame(), transfer->PageFrame(0));
    EXPECT_GT(transfer->PageFrame(0)->height(), transfer->PageFrame(1)->height());
    EXPECT_EQ(transfer->Config().GetTransferProtocolName(), VUnicodeString(u"SFTP"));

    EXPECT_EQ(Make({}, 3, false)->TabBox()->text(), QStringLiteral("Open in a &tiled window"));
    config->openSessionsInTab = false;
    config->tabPolicyTabsOnly = config->tabPolicyLocked = true;
    auto forced = Make();
    EXPECT_FALSE(forced->TabBox()->isEnabled());
    EXPECT_TRUE(forced->TabBox()->isChecked());
}

TEST_F(QuickConnectTest, TheProtocolListTakesTheFocusUnlessTheOptionKeepsIt)
{
    auto dialog = Make();
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    EXPECT_TRUE(dialog->ProtocolList()->hasFocus());
    config->quickConnectKeepFocus = true;
    auto kept = Make();
    kept->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(kept.get()));
    EXPECT_TRUE(Edit(*kept, F::Hostname)->hasFocus());

    // F1 asks the host's help for the dialog's topic.
    static QWidget* helpWindow = nullptr;
    static unsigned helpCommand = 0;
    GetHostCallbacks().help = [](QWidget* window, unsigned command, unsigned long) {
        helpWindow = window;
        helpCommand = command;
    };
    QTest::keyClick(kept.get(), Qt::Key_F1);
    GetHostCallbacks().help = nullptr;
    EXPECT_EQ(helpWindow, kept.get());
    EXPECT_EQ(helpCommand, kHelpContext);
}

TEST_F(QuickConnectTest, TheEntryPointHandsOverTheConfigurationAndTellsTheParent)
{
    config->saveQuickConnectSession = true;
    Frame frame;
    ISessionConfig* session = nullptr;
    WhenShown<QuickConnectDialog>([](QuickConnectDialog& d) {
        Type(d, F::Hostname, QStringLiteral("web07"));
        d.ConnectButton()->click();
    });
    EXPECT_EQ(ShowQuickConnectDialog(&session, u"", 3, &frame, true), 1);
    ASSERT_TRUE(session);
    EXPECT_EQ(session->GetHostname(), VUnicodeString(u"web07"));
    EXPECT_EQ(session->GetSessionPath(), VUnicodeString(u"web07"));
    EXPECT_EQ(frame.notices, (std::vector<std::pair<int, int>>{{1, 0}}));
    EXPECT_EQ(session->Release(), 0u); // the caller's was the only reference

    WhenShown<QuickConnectDialog>([](QuickConnectDialog& d) { d.CancelButton()->click(); });
    session = nullptr;
    EXPECT_EQ(ShowQuickConnectDialog(&session, u"", 3, &frame, true), 2);
    EXPECT_EQ(session, nullptr);
    EXPECT_EQ(frame.notices.size(), 1u);
}

TEST_F(QuickConnectTest, TheFirewallComboListsTheSessionJumpAndGuardsItsBrowse)
{
    // A named firewall as the firewall settings keep one.
    std::unique_ptr<FirewallConfig> corporate = FirewallConfig::New();
    corporate->SetNumber(u"Firewall Port", 3128);
    ASSERT_TRUE(corporate->SaveAs(u"corporate", nullptr));
    const SessionConfigPtr session(new SessionConfig(nullptr, u"web01"));
    session->RemoteHost().SetFirewallName(u"Session:jump");
    QComboBox combo;
    ComboFirewallHelper helper(3, session.Get(), true);
    helper.PopulateFirewall(&combo);
    EXPECT_EQ(Items(combo), (QStringList{"None", "corporate", "jump", ToQString(GetSelectSessionLabel()),
                                         ToQString(GetNewFirewallLabel())}));
    EXPECT_EQ(combo.currentText(), QStringLiteral("jump"));
    EXPECT_EQ(helper.GetRememberedIndex(), 2u);

    // Copies share the configuration and keep the state.
    const uint32_t references = session->RefCount();
    ComboFirewallHelper copy = helper;
    EXPECT_EQ(session->RefCount(), references + 1);
    EXPECT_EQ(copy.GetCurrentFirewall(), VUnicodeString(u"Session:jump"));
    ComboFirewallHelper moved = std::move(copy);
    EXPECT_EQ(session->RefCount(), references + 1);
    EXPECT_EQ(moved.GetRememberedIndex(), 2u);

    // A plain name: the current firewall follows; Cancel goes back to it.
    helper.UpdateFirewall(u"corporate", u"SSH2", 0, nullptr);
    EXPECT_EQ(helper.GetCurrentFirewall(), VUnicodeString(u"corporate"));
    combo.setCurrentIndex(0);
    helper.CancelUpdateFirewall();
    EXPECT_EQ(combo.currentText(), QStringLiteral("corporate"));

    // The new-firewall entry without the host's dialog says so; a second
    // choice while that runs does nothing.
    int inner = 0;
    box.onShow = [&] {
        ++inner;
        EXPECT_TRUE(helper.IsBusy());
        helper.UpdateFirewall(u"None", u"SSH2", 0, nullptr);
    };
    helper.UpdateFirewall(GetNewFirewallLabel(), u"SSH2", 0, nullptr);
    box.onShow = nullptr;
    EXPECT_EQ(inner, 1);
    EXPECT_FALSE(helper.IsBusy());
    EXPECT_EQ(helper.GetCurrentFirewall(), VUnicodeString(u"corporate"));
    EXPECT_EQ(combo.currentText(), QStringLiteral("corporate"));

    // Without the new-firewall entry a picked session goes before the
    // select-session entry.
    session->RemoteHost().SetFirewallName(u"None");
    ComboFirewallHelper narrow(3, session.Get(), false);
    narrow.PopulateFirewall(&combo);
    EXPECT_EQ(Items(combo), (QStringList{"None", "corporate", ToQString(GetSelectSessionLabel())}));
    EXPECT_EQ(narrow.GetRememberedIndex(), kNoRememberedIndex);
}

TEST_F(QuickConnectTest, TheFirewallComboOnAPagePicksAJumpSession)
{
    Session(u"jump", u"SSH2", u"None", u"jump.example.net");
    auto dialog = Make();
    auto* combo = qobject_cast<QComboBox*>(dialog->Page()->FieldControl(F::Firewall));
    ASSERT_TRUE(combo);
    WhenShown<ConnectDialog>([](ConnectDialog& picker) {
        picker.Tree()->SelectItem(picker.Tree()->FindItem(u"jump"));
        picker.ConnectButton()->click();
    });
    const int select = combo->findText(ToQString(GetSelectSessionLabel()));
    combo->setCurrentIndex(select);
    emit combo->activated(select);
    EXPECT_EQ(combo->currentText(), QStringLiteral("jump"));
    Type(*dialog, F::Hostname, QStringLiteral("inner"));
    dialog->ConnectButton()->click();
    EXPECT_EQ(dialog->Config().RemoteHost().GetFirewallName(), VUnicodeString(u"Session:jump"));
}

TEST_F(QuickConnectTest, TheConnectDialogRunsQuickConnectAndEndsWithItsConfiguration)
{
    Folder(u"Servers");
    auto dialog = std::make_unique<ConnectDialog>(u"Connect", false, false, false, ConnectDialog::TreeOptions{}, 3,
                                                  nullptr);
    dialog->Tree()->SelectItem(dialog->Tree()->FindItem(u"Servers"));
    EXPECT_TRUE(dialog->IsCommandEnabled(kCmdQuickConnect));
    config->saveQuickConnectSession = true;
    WhenShown<ConnectDialog>([](ConnectDialog& d) {
        WhenShown<QuickConnectDialog>([](QuickConnectDialog& q) {
            Type(q, F::Hostname, QStringLiteral("web03"));
            q.ConnectButton()->click();
        });
        QTest::keyClick(d.Tree(), Qt::Key_Q, Qt::AltModifier);
    });
    EXPECT_EQ(dialog->exec(), 1);
    VUnknownPointer<ISessionConfig> quick(dialog->TakeQuickConnectConfig());
    ASSERT_TRUE(quick);
    EXPECT_EQ(quick->GetHostname(), VUnicodeString(u"web03"));
    EXPECT_TRUE(Db().IsSession(u"Servers\\web03")); // saved in the selected folder
    EXPECT_TRUE(dialog->OwnSessions().IsEmpty());

    // The Session Manager asks its host, by key and by the folder menu's command.
    SinkFrame frame;
    frame.show();
    VArray<ISessionConfig*> sessions;
    std::vector<VUnknownPointer<ISessionConfig>> others;
    int mode = 0;
    ASSERT_EQ(ShowConnectDialog(u"Connect", 1, false, false, true, false, 3, &frame, sessions, others, mode), 2);
    auto* pane = dynamic_cast<ConnectView*>(frame.pane);
    ASSERT_TRUE(pane);
    EXPECT_EQ(pane->Toolbar()->Button(kCmdQuickConnect), nullptr);
    EXPECT_TRUE(pane->IsCommandEnabled(kCmdQuickConnect));
    pane->RunPaneCommand(kCmdQuickConnect);
    pane->Tree()->setFocus();
    QTest::keyClick(pane->Tree(), Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(frame.quickConnects, 2);

    // A picker offers none.
    auto picker = std::make_unique<ConnectDialog>(u"Pick", false, false, true, ConnectDialog::TreeOptions{}, 3,
                                                  nullptr);
    EXPECT_FALSE(picker->IsCommandEnabled(kCmdQuickConnect));
}

} // namespace
