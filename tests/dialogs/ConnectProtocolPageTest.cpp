// The connection pages: their rules driven without windows, then the Qt
// page on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest/QTest>

#include "QtFixtures.h"
#include "SecretFakes.h"
#include "dialogs/ConnectProtocolPageBase.h"
#include "dialogs/IHostnameChanged.h"
#include "dialogs/qt/ConnectProtocolPage.h"
#include "platform/qt/QtStrings.h"
#include "profile/secrets/ConfigPassphrase.h"
#include "profile/store/ProfileBackend.h"

namespace {

using F = ProtocolField;

class CountingSink final : public IHostnameChanged {
public:
    void OnHostnameChanged() override { ++changes; }
    int changes = 0;
};

class PageTest : public WidgetTest {
protected:
    void SetUp() override
    {
        WidgetTest::SetUp();
        ConnectProtocolPage::RegisterFactories();
        config = SessionConfigPtr(new SessionConfig(nullptr, u"Default"));
    }
    static const ConnectProtocolRow& Row(std::u16string_view name)
    {
        for (const ConnectProtocolRow& row : GetConnectProtocolTable())
            if (VUnicodeString(row.name).EqualsNoCase(name))
                return row;
        throw std::runtime_error("no such row");
    }
    // A page of `protocol` over the test's configuration, read in.
    std::unique_ptr<ConnectProtocolPageBase> Page(std::u16string_view protocol, int application = 3)
    {
        auto page = std::make_unique<ConnectProtocolPageBase>(Row(protocol), config.Get(), application);
        page->DataExchange(false);
        return page;
    }
    // The message a refused save of `page` gave, as UTF-8.
    static std::string Refusal(ConnectProtocolPageBase& page) { return page.Refusal().ToUtf8(); }

    SessionConfigPtr config;
};

TEST_F(PageTest, EveryProtocolRowHasAPageWithTheFieldsItsProtocolNeeds)
{
    for (const ConnectProtocolRow& row : GetConnectProtocolTable()) {
        const bool real = ConnectConfig::IsProtocol(row.name);
        EXPECT_EQ(row.pageFactory != nullptr, real) << VUnicodeString(row.name).ToUtf8();
        EXPECT_EQ(!ConnectProtocolPageBase::FieldsOf(row.name).empty(), real) << VUnicodeString(row.name).ToUtf8();
    }
    using Fields = std::vector<ProtocolField>;
    auto fields = [](std::u16string_view protocol) {
        const auto span = ConnectProtocolPageBase::FieldsOf(protocol);
        return Fields(span.begin(), span.end());
    };
    EXPECT_EQ(fields(u"SSH2"), (Fields{F::Hostname, F::Port, F::Username, F::Firewall}));
    EXPECT_EQ(fields(u"SCP"), (Fields{F::Hostname, F::Port, F::Username, F::Firewall}));
    EXPECT_EQ(fields(u"Telnet/SSL"), (Fields{F::Hostname, F::Port, F::Firewall}));
    EXPECT_EQ(fields(u"RLogin"), (Fields{F::Hostname, F::Username, F::Firewall}));
    EXPECT_EQ(fields(u"RDP"), (Fields{F::Hostname, F::Port, F::Username}));
    EXPECT_EQ(fields(u"TAPI"), (Fields{F::PhoneNumber}));
    EXPECT_EQ(fields(u"Local Shell"), (Fields{F::PreconnectCommand}));
    EXPECT_EQ(fields(u"Serial"), (Fields{F::SerialPort, F::BaudRate, F::DataBits, F::Parity, F::StopBits,
                                         F::FlowDtrDsr, F::FlowRtsCts, F::FlowXonXoff}));
    EXPECT_EQ(DefaultPortOf(u"FTP/SSL (implicit)"), 990);
    EXPECT_EQ(DefaultPortOf(u"Telnet/SSL"), 992);
    EXPECT_EQ(PortValueNameOf(u"SSH2"), VUnicodeString(u"SSH2 Port"));
    EXPECT_TRUE(PortValueNameOf(u"Serial").IsEmpty());
}

TEST_F(PageTest, ARefusedSaveNamesTheFieldAndWritesNothing)
{
    struct Case {
        std::u16string protocol;
        ProtocolField field;
        std::u16string text;
        uint32_t message; // 0: accepted
    };
    const Case cases[] = {
        {u"SSH2", F::Hostname, u"", kMsgHostRequired},
        {u"SSH2", F::Hostname, u"   ", kMsgHostRequired},
        {u"SSH2", F::Hostname, u"web 01", kMsgHostInvalid},
        {u"Telnet", F::Hostname, u"user@web01", kMsgHostInvalid},
        {u"SFTP", F::Hostname, u"web01/x", kMsgHostInvalid},
        {u"SSH2", F::Hostname, u" web01.example.net ", 0},
        {u"SSH2", F::Hostname, u"[fe80::1%eth0]", 0},
        {u"SSH2", F::Port, u"0", kMsgPortInvalid},
        {u"SSH2", F::Port, u"65536", kMsgPortInvalid},
        {u"Telnet", F::Port, u"23a", kMsgPortInvalid},
        {u"RDP", F::Port, u"", kMsgPortInvalid},
        {u"HTTPS", F::Port, u"65535", 0},
        {u"SSH2", F::Username, u"root\x01", kMsgUsernameInvalid},
        {u"SSH2", F::Username, u"DOMAIN\\me", 0},
        {u"Serial", F::SerialPort, u"", kMsgSerialPortRequired},
        {u"Serial", F::BaudRate, u"fast", kMsgBaudRateInvalid},
        {u"Serial", F::BaudRate, u"49", kMsgBaudRateInvalid},
        {u"Serial", F::BaudRate, u"115200", 0},
        {u"TAPI", F::PhoneNumber, u"", kMsgPhoneRequired},
        {u"TAPI", F::PhoneNumber, u"555-CALL", kMsgPhoneInvalid},
        {u"TAPI", F::PhoneNumber, u"+1 (555) 010-0100", 0},
    };
    for (const Case& c : cases) {
        const std::string what = VUnicodeString(c.protocol).ToUtf8() + " " + VUnicodeString(c.text).ToUtf8();
        config = SessionConfigPtr(new SessionConfig(nullptr, u"Default"));
        auto page = Page(c.protocol);
        // Everything else valid, so that only the field under test decides.
        if (c.field != F::Hostname)
            page->SetText(F::Hostname, u"web01");
        if (c.field != F::PhoneNumber)
            page->SetText(F::PhoneNumber, u"5550100");
        if (c.field != F::SerialPort)
            page->SetText(F::SerialPort, u"/dev/ttyS0");
        page->SetText(c.field, c.text);
        const VUnicodeString userBefore = config->GetUsername();
        EXPECT_EQ(page->DataExchange(true), c.message == 0) << what;
        if (c.message == 0)
            continue;
        VUnicodeString insert;
        EXPECT_EQ(page->Check(c.field, insert), c.message) << what;
        EXPECT_EQ(page->RefusedField(), c.field) << what;
        EXPECT_FALSE(page->Refusal().IsEmpty()) << what;
        EXPECT_EQ(config->GetUsername(), userBefore) << what;
        EXPECT_EQ(config->FindValueOutsideSchema(PortValueNameOf(c.protocol).str()), nullptr) << what;
    }
    // The reasons are the message table's, with the refused text in them.
    auto page = Page(u"SSH2");
    page->SetText(F::Hostname, u"a b");
    ASSERT_FALSE(page->DataExchange(true));
    EXPECT_NE(Refusal(*page).find("The host name \"a b\" cannot be used"), std::string::npos) << Refusal(*page);
    page->SetText(F::Hostname, u"ab");
    page->SetText(F::Port, u"70000");
    ASSERT_FALSE(page->DataExchange(true));
    EXPECT_EQ(Refusal(*page), "The port must be a number from 1 to 65535.");
}

TEST_F(PageTest, SavedFieldsReachTheConfigurationAndComeBackFromTheDatabase)
{
    CountingSink sink;
    auto page = Page(u"SSH2");
    page->SetHostnameSink(&sink);
    EXPECT_EQ(page->GetText(F::Port), VUnicodeString(u"22"));
    EXPECT_EQ(page->GetText(F::Firewall), VUnicodeString(u"None"));
    EXPECT_FALSE(CanConnectWith(*config, 3)); // the test configuration has no protocol yet
    config->Connect().SetProtocolName(u"SSH2");
    EXPECT_FALSE(CanConnectWith(*config, 3));
    page->SetText(F::Hostname, u" web01 ");
    // The host reaches the configuration at once; the rest on saving.
    EXPECT_EQ(sink.changes, 1);
    EXPECT_EQ(config->GetHostname(), VUnicodeString(u"web01"));
    EXPECT_TRUE(CanConnectWith(*config, 3));
    page->SetText(F::Port, u"2222");
    page->SetText(F::Username, u"admin");
    page->SetText(F::Firewall, u"Session:jump");
    EXPECT_TRUE(config->GetUsername().IsEmpty());
    ASSERT_TRUE(page->DataExchange(true));
    EXPECT_EQ(config->GetUsername(), VUnicodeString(u"admin"));
    EXPECT_EQ(config->RemoteHost().GetFirewallName(), VUnicodeString(u"Session:jump"));
    const StoredValue* port = config->FindValueOutsideSchema(u"ssh2 port");
    ASSERT_TRUE(port);
    EXPECT_EQ(port->kind, kValueKindDword);
    EXPECT_EQ(port->number, 2222u);
    EXPECT_EQ(ConnectionNameOf(*config, 3), VUnicodeString(u"web01"));

    // Carried through a copy and a save, read back by a fresh page.
    const SessionConfigPtr copy(config->Clone());
    ASSERT_TRUE(Db().SaveNewSession(*copy, u"", u"web01", {}, false, nullptr));
    std::vector<StoredValue> outside;
    ASSERT_TRUE(Db().GetValuesOutsideSchema(u"web01", outside));
    ASSERT_EQ(outside.size(), 1u);
    EXPECT_EQ(outside[0].name, VUnicodeString(u"SSH2 Port"));
    config = Db().LoadSession(u"web01");
    ASSERT_TRUE(config);
    EXPECT_EQ(config->FindValueOutsideSchema(u"SSH2 Port"), nullptr); // in the key, not carried
    auto again = Page(u"SSH2");
    EXPECT_EQ(again->GetText(F::Port), VUnicodeString(u"2222"));
    EXPECT_EQ(again->GetText(F::Username), VUnicodeString(u"admin"));
    // Another protocol of the same session has its own port.
    EXPECT_EQ(Page(u"SFTP")->GetText(F::Port), VUnicodeString(u"22"));
}

TEST_F(PageTest, SerialAndDialUpPagesKeepTheirLineAndNumber)
{
    config->Connect().SetProtocolName(u"Serial");
    auto serial = Page(u"Serial");
    EXPECT_EQ(serial->GetText(F::BaudRate), VUnicodeString(u"9600"));
    EXPECT_EQ(serial->GetText(F::Parity), VUnicodeString(u"None"));
    EXPECT_FALSE(CanConnectWith(*config, 3));
    serial->SetText(F::SerialPort, u"/dev/ttyUSB1");
    EXPECT_TRUE(CanConnectWith(*config, 3));
    EXPECT_EQ(ConnectionNameOf(*config, 3), VUnicodeString(u"Serial-ttyUSB1"));
    serial->SetText(F::BaudRate, u"115200");
    serial->SetText(F::Parity, u"Even");
    serial->SetText(F::StopBits, u"2");
    serial->SetText(F::DataBits, u"7");
    serial->SetFlag(F::FlowRtsCts, true);
    ASSERT_TRUE(serial->DataExchange(true));
    VSerialDeviceConfig& line = config->Serial();
    EXPECT_EQ(line.GetNumber(u"Baud Rate"), 115200u);
    EXPECT_EQ(line.GetNumber(u"Parity"), 2u);
    EXPECT_EQ(line.GetNumber(u"Stop Bits"), 2u);
    EXPECT_EQ(line.GetNumber(u"Data Bits"), 7u);
    EXPECT_TRUE(line.GetBool(u"CTS Flow"));
    EXPECT_EQ(line.GetNumber(u"RTS Flow Control"), 2u);
    EXPECT_FALSE(line.GetBool(u"DSR Flow"));
    EXPECT_EQ(Page(u"Serial")->GetText(F::Parity), VUnicodeString(u"Even"));

    config->Connect().SetProtocolName(u"TAPI");
    auto dial = Page(u"TAPI");
    dial->SetText(F::PhoneNumber, u"555 0100");
    EXPECT_TRUE(CanConnectWith(*config, 3));
    ASSERT_TRUE(dial->DataExchange(true));
    EXPECT_EQ(config->GetHostname(), VUnicodeString(u"555 0100"));

    config->Connect().SetProtocolName(u"Local Shell");
    EXPECT_TRUE(CanConnectWith(*config, 3));
    EXPECT_EQ(ConnectionNameOf(*config, 3), VUnicodeString(u"Local Shell"));
    // A transfer application reads the transfer side.
    EXPECT_FALSE(CanConnectWith(*config, 9));
    SetProtocolFor(*config, 9, u"FTP");
    EXPECT_EQ(GetProtocolFor(*config, 9), VUnicodeString(u"FTP"));
    EXPECT_EQ(config->GetProtocolName(), VUnicodeString(u"Local Shell"));
}

TEST_F(PageTest, ThePreConnectCommandIsASecretAndIsLeftAloneWhenItCannotBeRead)
{
    PassphraseScope passphrase;
    auto page = Page(u"Local Shell");
    EXPECT_FALSE(page->IsLocked(F::PreconnectCommand));
    page->SetText(F::PreconnectCommand, u"ssh-add -l");
    ASSERT_TRUE(page->DataExchange(true));
    VUnicodeString plaintext;
    ASSERT_TRUE(config->GetSecret(RemoteHostConfig::kLocalShellCommand, plaintext, nullptr));
    EXPECT_EQ(plaintext, VUnicodeString(u"ssh-add -l"));
    EXPECT_EQ(Page(u"Local Shell")->GetText(F::PreconnectCommand), VUnicodeString(u"ssh-add -l"));

    // Without the passphrase the field is locked, and saving keeps the value.
    SetConfigPassphraseDisabled(true);
    auto locked = Page(u"Local Shell");
    EXPECT_TRUE(locked->IsLocked(F::PreconnectCommand));
    locked->SetText(F::PreconnectCommand, u"rm -rf ~");
    EXPECT_TRUE(locked->GetText(F::PreconnectCommand).IsEmpty());
    EXPECT_TRUE(locked->DataExchange(true));
    SetConfigPassphraseDisabled(false);
    ASSERT_TRUE(config->GetSecret(RemoteHostConfig::kLocalShellCommand, plaintext, nullptr));
    EXPECT_EQ(plaintext, VUnicodeString(u"ssh-add -l"));
}

// The Qt page: its controls edit the rules' fields, and a refusal puts the
// focus on the field with the reason shown.
TEST_F(PageTest, TheQtPageBindsAControlToEachFieldAndFocusesARefusedOne)
{
    QWidget owner;
    const ConnectProtocolRow& row = Row(u"SSH2");
    ASSERT_TRUE(row.pageFactory);
    std::unique_ptr<ConnectProtocolPage> page(row.pageFactory(&owner, config.Get(), 3));
    page->DataExchange(false);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    auto* host = qobject_cast<QLineEdit*>(page->FieldControl(F::Hostname));
    auto* port = qobject_cast<QLineEdit*>(page->FieldControl(F::Port));
    auto* firewall = qobject_cast<QComboBox*>(page->FieldControl(F::Firewall));
    ASSERT_TRUE(host && port && firewall);
    EXPECT_EQ(port->text(), QStringLiteral("22"));
    EXPECT_EQ(firewall->currentText(), QStringLiteral("None"));
    EXPECT_EQ(page->FieldControl(F::SerialPort), nullptr);
    QTest::keyClicks(host, QStringLiteral("web01"));
    EXPECT_EQ(config->GetHostname(), VUnicodeString(u"web01"));
    port->selectAll();
    QTest::keyClicks(port, QStringLiteral("99999"));
    EXPECT_FALSE(page->DataExchange(true));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"The port must be a number from 1 to 65535.");
    EXPECT_TRUE(port->hasFocus());
    EXPECT_EQ(port->selectedText(), QStringLiteral("99999"));

    // The serial page offers its choices and check boxes.
    std::unique_ptr<ConnectProtocolPage> serial(Row(u"Serial").pageFactory(&owner, config.Get(), 3));
    serial->DataExchange(false);
    auto* parity = qobject_cast<QComboBox*>(serial->FieldControl(F::Parity));
    ASSERT_TRUE(parity);
    EXPECT_EQ(parity->count(), 5);
    parity->setCurrentIndex(parity->findText(QStringLiteral("Odd")));
    qobject_cast<QCheckBox*>(serial->FieldControl(F::FlowXonXoff))->setChecked(true);
    auto* line = qobject_cast<QComboBox*>(serial->FieldControl(F::SerialPort));
    ASSERT_TRUE(line && line->isEditable());
    line->setEditText(QStringLiteral("/dev/ttyS3"));
    ASSERT_TRUE(serial->DataExchange(true));
    EXPECT_EQ(config->Serial().GetNumber(u"Parity"), 1u);
    EXPECT_TRUE(config->Serial().GetBool(u"XON Flow"));
    EXPECT_EQ(config->Serial().GetText(u"Name Of Pipe"), VUnicodeString(u"/dev/ttyS3"));
}

} // namespace
