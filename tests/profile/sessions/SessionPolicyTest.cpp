// The administrator's switches applied by every save of a session or a
// firewall, older secrets seen before they are converted, named firewalls.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "SecretFakes.h"
#include "StoreFixtures.h"
#include "platform/Products.h"
#include "profile/policy/VRegistryKey.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/secrets/ConfigPassphrase.h"
#include "profile/secrets/VEncryptedStringKeyData.h"
#include "profile/sessions/FirewallConfig.h"
#include "profile/sessions/SessionConfig.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/sessions/SessionSavePolicy.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

class SavePolicies : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        SetConfigPassphrase(u"host secret", nullptr);
        SetApplicationNumber(kApplicationTerminal);
    }
    void TearDown() override
    {
        PolicySource::SetCurrent(nullptr);
        StoreTest::TearDown();
    }
    // The policy files from now on: per-user values, and machine-wide ones
    // (trusted as if root owned them).
    void Policies(const std::string& user, const std::string& machine = {})
    {
        const std::string header = "Windows Registry Editor Version 5.00\n\n";
        std::ofstream(userFile) << header << "[HKEY_CURRENT_USER\\Software\\Policies\\Orvalis]\n" << user;
        std::ofstream(machineFile) << header << machine;
        chmod(machineFile.c_str(), 0644);
        source = std::make_unique<PolicySource>(machineFile, userFile, getuid());
        PolicySource::SetCurrent(source.get());
    }
    // A saved session holding a password, a user name and a login script.
    void MakeSession()
    {
        SessionDatabase& db = *GetSessionDatabaseImpl();
        db.DropCachedListings();
        ASSERT_TRUE(db.CreateFolder({}, u"Lab", {}, false, nullptr));
        VUnicodeString path;
        ASSERT_TRUE(db.CreateSession(u"Lab", u"web01", u"SSH2", {}, false, &path, nullptr));
        SessionConfigPtr config = db.LoadSession(u"Lab\\web01");
        ASSERT_TRUE(config);
        config->RemoteHost().SetUsername(u"ann");
        ASSERT_TRUE(config->SetSecret(u"Monitor Password V2", u"first", nullptr));
        ASSERT_TRUE(config->LoginScript().SetSteps({{true, u"login:", u"ann", u""}}, nullptr));
        VReportPtr report = NewReport();
        ASSERT_TRUE(db.SaveSession(*config, report.Get()));
        ASSERT_EQ(report->GetMessageId(), 0u);
        stored = Stored();
    }
    std::vector<StoredValue> Stored()
    {
        const VProfileStore store;
        return ReadStoredValues(VProfileKey(*store.GetRootKey(), u"Sessions\\Lab\\web01", 0));
    }
    static const StoredValue* Find(const std::vector<StoredValue>& values, const char16_t* name)
    {
        for (const StoredValue& value : values)
            if (value.name.EqualsNoCase(name))
                return &value;
        return nullptr;
    }
    // Changes the password, the user name, the login script and the rows,
    // and saves through the session database as every front end does.
    VReportPtr ChangeAndSave()
    {
        SessionConfigPtr config = GetSessionDatabaseImpl()->LoadSession(u"Lab\\web01");
        EXPECT_TRUE(config->SetSecret(u"Monitor Password V2", u"second", nullptr));
        config->RemoteHost().SetUsername(u"bob");
        EXPECT_TRUE(config->LoginScript().SetSteps({{false, u"x", u"y", u"z"}}, nullptr));
        config->Terminal().SetNumber(u"Rows", 50);
        VReportPtr report = NewReport();
        EXPECT_TRUE(GetSessionDatabaseImpl()->SaveSession(*config, report.Get()));
        // The refused values stay in memory for this connection.
        EXPECT_EQ(config->GetUsername(), VUnicodeString(u"bob"));
        return report;
    }
    void ExpectSame(const std::vector<StoredValue>& now, const char16_t* name)
    {
        ASSERT_NE(Find(now, name), nullptr) << VUnicodeString(name).ToUtf8();
        EXPECT_EQ(*Find(now, name), *Find(stored, name)) << VUnicodeString(name).ToUtf8();
    }

    std::string userFile = dir.str() + "/user.reg";
    std::string machineFile = dir.str() + "/machine.reg";
    std::unique_ptr<PolicySource> source;
    PassphraseScope passphrase;
    std::vector<StoredValue> stored;
};

TEST_P(SavePolicies, EachSwitchHoldsBackItsValuesAndKeepsWhatWasStored)
{
    MakeSession();
    const VUnicodeString reportPrefix;
    struct Case {
        std::string user;
        std::string machine;
        uint32_t id;
        const char16_t* by;
    };
    const Case cases[] = {
        {"\"Disable Passwords\"=dword:00000001\n", "", kMsgPolicyRefusesSecret, u"Disable Passwords"},
        {"\"Save Passwords\"=dword:00000000\n", "", kMsgPolicyRefusesSecret, u"Save Passwords"},
        // Only under the older product name, machine-wide.
        {"", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvalis\\Morrowfetch\\Global]\n\"Disable Passwords\"=dword:00000001\n",
         kMsgPolicyRefusesSecret, u"Disable Passwords"},
        {"\"Save Usernames\"=dword:00000000\n", "", kMsgPolicyRefusesUsername, u"Save Usernames"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user + c.machine);
        Policies(c.user, c.machine);
        const VReportPtr report = ChangeAndSave();
        EXPECT_EQ(report->GetMessageId(), c.id);
        EXPECT_NE(report->GetText().str().find(c.by), std::u16string::npos) << report->GetText().ToUtf8();
        const std::vector<StoredValue> now = Stored();
        EXPECT_EQ(Find(now, u"Rows")->number, 50u); // the rest was saved
        if (c.id == kMsgPolicyRefusesSecret) {
            ExpectSame(now, u"Monitor Password V2");
            ExpectSame(now, u"Login Script V4");
            EXPECT_EQ(Find(now, u"Username")->text, VUnicodeString(u"bob"));
        } else {
            ExpectSame(now, u"Username");
            EXPECT_NE(*Find(now, u"Monitor Password V2"), *Find(stored, u"Monitor Password V2"));
        }
        // Put the session back as it was for the next switch.
        PolicySource::SetCurrent(nullptr);
        const VProfileStore store;
        WriteStoredValues(VProfileKey(*store.GetRootKey(), u"Sessions\\Lab\\web01", 0), stored);
    }

    // Nothing set: every value is written.
    Policies("");
    EXPECT_EQ(ChangeAndSave()->GetMessageId(), 0u);
    const std::vector<StoredValue> now = Stored();
    EXPECT_EQ(Find(now, u"Username")->text, VUnicodeString(u"bob"));
    EXPECT_NE(*Find(now, u"Monitor Password V2"), *Find(stored, u"Monitor Password V2"));
}

TEST_P(SavePolicies, NewSessionsAndFirewallsFollowTheSwitchesToo)
{
    Policies("\"Disable Passwords\"=dword:00000001\n\"Save Usernames\"=dword:00000000\n");
    SessionDatabase& db = *GetSessionDatabaseImpl();
    db.DropCachedListings();
    // A new session with empty defaults: nothing worth a word, nothing written.
    SessionConfigPtr fresh(new SessionConfig(nullptr, u"x"));
    VReportPtr report = NewReport();
    ASSERT_TRUE(db.SaveNewSession(*fresh, {}, u"plain", {}, false, report.Get()));
    EXPECT_EQ(report->GetMessageId(), 0u);
    const VProfileStore store;
    const VProfileKey plain(*store.GetRootKey(), u"Sessions\\plain", 0);
    EXPECT_FALSE(plain.ValueExists(u"Username"));
    EXPECT_FALSE(plain.ValueExists(u"Monitor Password V2"));
    EXPECT_TRUE(plain.ValueExists(u"Hostname"));

    // A named firewall's user and password.
    std::unique_ptr<FirewallConfig> firewall = FirewallConfig::New();
    firewall->SetText(FirewallConfig::kAddress, u"gw.example");
    firewall->SetText(FirewallConfig::kUser, u"proxyuser");
    ASSERT_TRUE(firewall->SetSecret(FirewallConfig::kPassword, u"proxypw", nullptr));
    ASSERT_TRUE(firewall->SaveAs(u"Office", report.Get()));
    EXPECT_EQ(report->GetMessageId(), kMsgPolicyRefusesUsername); // the first value refused: the user
    const VProfileKey office(*store.GetRootKey(), u"Firewalls\\Office", 0);
    EXPECT_TRUE(office.ValueExists(FirewallConfig::kAddress));
    EXPECT_FALSE(office.ValueExists(FirewallConfig::kUser));
    EXPECT_FALSE(office.ValueExists(FirewallConfig::kPassword));
}

ORV_BOTH_BACKENDS(SavePolicies);

class OlderSecretsAndFirewalls : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        SetConfigPassphrase(u"host secret", nullptr);
        SessionConfigPart::ResetOlderSecretNotice();
    }
    PassphraseScope passphrase;
    const TwoLayerStringKeys keys = TestTwoLayerKeys();
};

TEST_P(OlderSecretsAndFirewalls, OlderSecretsArePresentAndShownBeforeTheyAreConverted)
{
    VProfileStore store;
    const VProfileKey key(*store.GetRootKey(), u"Sessions\\old", 1);
    const std::u16string older = EncryptTwoLayerString(u"pw", keys, 2);
    key.WriteString(u"Monitor Password", older);
    key.WriteString(u"Login Script V2", EncryptTwoLayerString(u"1\x1fuser:\x1f" u"bob", keys, 2));

    const uint64_t derived = VEncryptedStringKeyData::DerivationCount();
    SessionConfigPtr config(new SessionConfig(&key, u"old"));
    EXPECT_TRUE(config->HasSecret(u"Monitor Password V2"));
    EXPECT_TRUE(config->HasSecret(u"Login Script V4"));
    EXPECT_FALSE(config->HasSecret(u"PGP Upload Command V2"));
    VUnicodeString name;
    VUnicodeString text;
    ASSERT_TRUE(config->GetPendingOlder(u"Monitor Password V2", name, text));
    EXPECT_EQ(name, VUnicodeString(u"Monitor Password"));
    EXPECT_EQ(text, VUnicodeString(older));
    ASSERT_TRUE(config->GetPendingOlder(u"Login Script V4", name, text));
    EXPECT_EQ(name, VUnicodeString(u"Login Script V2"));
    EXPECT_EQ(VEncryptedStringKeyData::DerivationCount(), derived);

    // Without the keys: kept, and the user told once however often it is saved.
    ASSERT_TRUE(config->Save(&key));
    ASSERT_TRUE(SessionConfigPtr(new SessionConfig(&key, u"old"))->Save(&key));
    EXPECT_FALSE(key.ValueExists(u"Monitor Password V2"));
    EXPECT_FALSE(key.ValueExists(u"Login Script V4"));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_NE(box.shown[0].text.find(u"Monitor Password"), std::u16string::npos);

    // With them: the save converts, writes the current names and keeps the older.
    ASSERT_TRUE(SetTwoLayerStringKeys(&keys));
    SessionConfigPtr later(new SessionConfig(&key, u"old"));
    ASSERT_TRUE(later->Save(&key));
    EXPECT_FALSE(later->GetPendingOlder(u"Monitor Password V2", name, text));
    SessionConfigPtr reread(new SessionConfig(&key, u"old"));
    VUnicodeString plaintext;
    ASSERT_TRUE(reread->GetSecret(u"Monitor Password V2", plaintext, nullptr));
    EXPECT_EQ(plaintext, VUnicodeString(u"pw"));
    EXPECT_EQ(reread->LoginScript().GetSteps(), (std::vector<ExpectSendStep>{{true, u"user:", u"bob", u""}}));
    EXPECT_TRUE(key.ValueExists(u"Monitor Password"));
    EXPECT_TRUE(key.ValueExists(u"Login Script V2"));
}

TEST_P(OlderSecretsAndFirewalls, NamedFirewallsLoadSaveConvertAndAreListed)
{
    {
        VProfileStore store;
        const VProfileKey older(*store.GetRootKey(), u"Firewalls\\Lab Proxy", 1);
        older.WriteString(FirewallConfig::kAddress, u"10.0.0.9");
        older.WriteString(u"Firewall Password", EncryptTwoLayerString(u"fwpw", keys, 2));
    }
    EXPECT_EQ(FirewallConfig::Load(u"Nowhere"), nullptr);
    std::unique_ptr<FirewallConfig> loaded = FirewallConfig::Load(u"Lab Proxy");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->GetText(FirewallConfig::kAddress), VUnicodeString(u"10.0.0.9"));
    EXPECT_TRUE(loaded->HasSecret(FirewallConfig::kPassword));
    EXPECT_EQ(loaded->PendingOlderSecrets(), 1u);

    ASSERT_TRUE(SetTwoLayerStringKeys(&keys));
    VUnicodeString plaintext;
    ASSERT_TRUE(loaded->GetSecret(FirewallConfig::kPassword, plaintext, nullptr));
    EXPECT_EQ(plaintext, VUnicodeString(u"fwpw"));
    ASSERT_TRUE(loaded->SaveAs(u"Lab Proxy", nullptr));

    std::unique_ptr<FirewallConfig> made = FirewallConfig::New();
    made->SetNumber(u"Firewall Port", 3128);
    ASSERT_TRUE(made->SaveAs(u"Office", nullptr));
    EXPECT_FALSE(made->SaveAs(u"a\\b", nullptr));

    std::unique_ptr<FirewallConfig> reread = FirewallConfig::Load(u"Lab Proxy");
    EXPECT_EQ(reread->PendingOlderSecrets(), 0u);
    ASSERT_TRUE(reread->GetSecret(FirewallConfig::kPassword, plaintext, nullptr));
    EXPECT_EQ(plaintext, VUnicodeString(u"fwpw"));
    EXPECT_EQ(FirewallConfig::Load(u"Office")->GetNumber(u"Firewall Port"), 3128u);

    // What the firewall combos of a session offer.
    SessionConfigPtr session(new SessionConfig(nullptr, u"s"));
    VStringArray names = session->GetFirewallNames();
    std::sort(names.begin(), names.end(), [](const VUnicodeString& a, const VUnicodeString& b) { return a < b; });
    EXPECT_EQ(names, (VStringArray{u"Lab Proxy", u"Office"}));
}

ORV_BOTH_BACKENDS(OlderSecretsAndFirewalls);

} // namespace
