#include <gtest/gtest.h>

#include <set>

#include "SecretFakes.h"
#include "StoreFixtures.h"
#include "profile/secrets/ConfigPassphrase.h"
#include "profile/secrets/EncryptedStringServices.h"
#include "profile/secrets/VEncryptedString.h"
#include "profile/secrets/VEncryptedStringKeyData.h"
#include "profile/sessions/FirewallConfig.h"
#include "profile/store/ProfileBackend.h"
#include "profile/sessions/ProfilePath.h"
#include "profile/sessions/SessionConfig.h"
#include "profile/values/VProfileBinary.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

using SessionSettings = StoreTest;

std::set<std::u16string> StoredNames(const VProfileKey& key)
{
    std::set<std::u16string> names;
    const std::unique_ptr<IProfileBackendIterator> it(key.Enumerate(kEnumerateValues));
    VUnicodeString name;
    while (it && it->Next(name))
        names.insert(name.str());
    return names;
}

std::set<std::u16string> SchemaNames(SessionConfig& config)
{
    std::set<std::u16string> names;
    config.Iterate([&names](VProfileData& value) { names.insert(value.GetName().str()); });
    return names;
}

TEST_P(SessionSettings, AnEmptyKeyLoadsEveryDefaultAndSavingWritesEveryValue)
{
    VProfileStore store;
    const VProfileKey key(*store.GetRootKey(), u"Sessions\\empty", 1);
    const SessionConfigPtr config(new SessionConfig(&key, u"empty"));

    const SessionConfigPart& common = config->Common();
    EXPECT_EQ(common.GetText(u"Monitor Listen Address"), VUnicodeString(u"0.0.0.0:22"));
    EXPECT_EQ(common.GetText(u"ZModem Receive Command"), VUnicodeString(u"rz\r"));
    EXPECT_EQ(common.GetText(u"Keyword Set"), VUnicodeString(u"<None>"));
    EXPECT_EQ(common.GetNumber(u"Idle Timeout"), 300u);
    EXPECT_EQ(common.GetNumber(u"Glimmond Trace Level"), 1u);
    EXPECT_EQ(common.GetNumber(u"Auto Reconnect"), 2u); // tri-state not set
    EXPECT_TRUE(common.GetBool(u"Preserve Timestamp"));
    EXPECT_FALSE(common.GetBool(u"Is Session"));
    EXPECT_EQ(config->Terminal().GetText(u"Output Transformer Name"), VUnicodeString(u"UTF-8"));
    EXPECT_EQ(config->Terminal().GetUserButtonBarName(), VUnicodeString(u"Default"));
    EXPECT_EQ(config->RemoteHost().GetFirewallName(), VUnicodeString(u"None"));
    EXPECT_EQ(config->GetTransferProtocolName(), VUnicodeString(u"None"));
    const auto* font = dynamic_cast<const VProfileLogFont*>(config->Printer().Find(u"Printer Font v2"));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(std::u16string(font->Get().faceName.data()), u"Courier New");
    EXPECT_TRUE(config->IsDirty());

    EXPECT_TRUE(config->Save(&key));
    const std::set<std::u16string> schema = SchemaNames(*config);
    EXPECT_GT(schema.size(), 200u);
    EXPECT_EQ(StoredNames(key), schema);
    EXPECT_FALSE(config->IsDirty());

    // Loaded again: everything is stored and unchanged, so nothing is written.
    const int written = recorder->TotalWrites();
    const SessionConfigPtr again(new SessionConfig(&key, u"empty"));
    EXPECT_FALSE(again->IsDirty());
    EXPECT_TRUE(again->Save(&key));
    EXPECT_EQ(recorder->TotalWrites(), written);
}

TEST_P(SessionSettings, FirewallNameFallsBackToTheOlderFlag)
{
    VProfileStore store;
    const VProfileKey& root = *store.GetRootKey();
    VProfileKey withFlag(root, u"Sessions\\a", 1);
    withFlag.WriteUnsigned(u"Use Firewall", 1);
    VProfileKey flagOff(root, u"Sessions\\b", 1);
    flagOff.WriteUnsigned(u"Use Firewall", 0);
    VProfileKey named(root, u"Sessions\\c", 1);
    named.WriteUnsigned(u"Use Firewall", 1);
    named.WriteString(u"Firewall Name", u"Office");

    const SessionConfigPtr a(new SessionConfig(&withFlag, u"a"));
    EXPECT_EQ(a->RemoteHost().GetFirewallName(), VUnicodeString(u"DefaultTerminalFirewall"));
    EXPECT_TRUE(a->RemoteHost().Find(u"Firewall Name")->IsDirty());
    a->Save(&withFlag);
    VUnicodeString stored;
    EXPECT_TRUE(withFlag.ReadString(u"Firewall Name", stored));
    EXPECT_EQ(stored, VUnicodeString(u"DefaultTerminalFirewall"));
    EXPECT_EQ(SessionConfigPtr(new SessionConfig(&flagOff, u"b"))->RemoteHost().GetFirewallName(),
              VUnicodeString(u"None"));
    const SessionConfigPtr c(new SessionConfig(&named, u"c"));
    EXPECT_EQ(c->RemoteHost().GetFirewallName(), VUnicodeString(u"Office"));
    EXPECT_FALSE(c->RemoteHost().Find(u"Firewall Name")->IsDirty());
}

TEST_P(SessionSettings, ChangesAcceptRevertAndUnknownValuesStay)
{
    VProfileStore store;
    const VProfileKey key(*store.GetRootKey(), u"Sessions\\web", 1);
    key.WriteString(u"Hostname", u"web.example");
    key.WriteString(u"Some Future Setting", u"kept");
    SessionConfigPtr config(new SessionConfig(&key, u"web"));
    config->Save(&key);
    EXPECT_FALSE(config->IsChanged());

    config->RemoteHost().SetHostname(u"other.example");
    config->Terminal().SetNumber(TerminalConfig::kRows, 50);
    EXPECT_TRUE(config->IsChanged());
    config->Revert();
    EXPECT_FALSE(config->IsChanged());
    EXPECT_EQ(config->GetHostname(), VUnicodeString(u"web.example"));

    config->Terminal().SetNumber(TerminalConfig::kRows, 50);
    config->Accept();
    EXPECT_FALSE(config->IsChanged());
    EXPECT_TRUE(config->IsDirty());
    const int before = recorder->TotalWrites();
    config->Save(&key);
    EXPECT_EQ(recorder->TotalWrites(), before + 1); // only the accepted change
    uint32_t rows = 0;
    EXPECT_TRUE(key.ReadDword(u"Rows", rows));
    EXPECT_EQ(rows, 50u);
    VUnicodeString future;
    EXPECT_TRUE(key.ReadString(u"Some Future Setting", future));
    EXPECT_EQ(future, VUnicodeString(u"kept"));
}

TEST_P(SessionSettings, QueriesAndCopies)
{
    VProfileStore store;
    const VProfileKey key(*store.GetRootKey(), u"Sessions\\Lab\\web", 1);
    key.WriteString(u"Hostname", u"web.example");
    key.WriteString(u"Username", u"ann");
    key.WriteString(u"Protocol Name", u"None");
    key.WriteString(u"Transfer Protocol Name", u"SFTP");
    key.WriteStringArray(u"Description", VStringArray{u"first line", u"second"});
    const SessionConfigPtr config(new SessionConfig(&key, u"Lab\\web"));
    EXPECT_EQ(config->GetSessionName(), VUnicodeString(u"web"));
    EXPECT_EQ(config->GetSessionPath(), VUnicodeString(u"Lab\\web"));
    EXPECT_FALSE(config->HasTerminalProtocol());
    EXPECT_TRUE(config->HasTransferProtocol());
    EXPECT_EQ(config->GetConnectionTarget(), VUnicodeString(u"ann@web.example"));
    EXPECT_EQ(config->GetDescription(), VUnicodeString(u"first line\r\nsecond"));
    EXPECT_EQ(config->FindValue(u"hostname"), config->RemoteHost().Find(u"Hostname"));
    EXPECT_EQ(config->FindValue(u"No Such Setting"), nullptr);

    VUnknownPointer<ISessionConfig> copy(config->Copy());
    VUnknownPointer<IRemoteHostConfig> host(copy->GetRemoteHostConfig());
    host->SetUsername(u"");
    EXPECT_EQ(copy->GetConnectionTarget(), VUnicodeString(u"web.example"));
    EXPECT_EQ(config->GetConnectionTarget(), VUnicodeString(u"ann@web.example")); // the original stays
    EXPECT_EQ(copy->GetDescription(), config->GetDescription());
    EXPECT_EQ(copy->GetSessionPath(), config->GetSessionPath());
    EXPECT_FALSE(static_cast<SessionConfig*>(copy.Get())->Connect().IsChanged());

    VProfileKey(*store.GetRootKey(), u"Firewalls\\Office", 1).WriteString(u"Firewall Address", u"fw");
    EXPECT_EQ(config->GetFirewallNames(), VStringArray{u"Office"});
}

TEST_P(SessionSettings, DefaultKeysInheritWhatTheGivenKeyHolds)
{
    VProfileStore store;
    const VProfileKey base(*store.GetRootKey(), u"Sessions\\Default", 1);
    base.WriteString(u"Username", u"ann");
    base.WriteUnsigned(u"Rows", 40);
    base.WriteString(u"Protocol Name", u"Telnet");
    const SessionConfigPtr shell(new SessionConfig(nullptr, {}));
    shell->CreateDefaultKey(&base, SessionConfig::kDefaultLocalShellSession);
    EXPECT_EQ(shell->GetSessionPath(), VUnicodeString(u"Default_LocalShell"));
    EXPECT_EQ(shell->GetUsername(), VUnicodeString(u"ann"));
    EXPECT_EQ(shell->Terminal().GetNumber(TerminalConfig::kRows), 40u);
    EXPECT_TRUE(shell->Terminal().Find(TerminalConfig::kRows)->IsDirty());
    EXPECT_EQ(shell->Terminal().GetNumber(TerminalConfig::kCols), 80u); // not in the key: the default
    EXPECT_EQ(shell->GetProtocolName(), VUnicodeString(u"Local Shell"));
    EXPECT_EQ(shell->GetTransferProtocolName(), VUnicodeString(u"None"));

    EXPECT_EQ(SessionConfig::DefaultSessionNameFor(u"Local Shell"), VUnicodeString(u"Default_LocalShell"));
    EXPECT_EQ(SessionConfig::DefaultSessionNameFor(u"RDP"), VUnicodeString(u"Default_RDP"));
    EXPECT_EQ(SessionConfig::DefaultSessionNameFor(u"SSH2"), VUnicodeString(u"Default"));
}

class SessionSecrets : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        SetConfigPassphrase(u"host secret", nullptr);
    }
    VUnicodeString Stored(const VProfileKey& key, const char16_t* name)
    {
        VUnicodeString text;
        key.ReadString(name, text);
        return text;
    }
    PassphraseScope passphrase;
    FakeRandomSource random;
    const TwoLayerStringKeys keys = TestTwoLayerKeys();
};

TEST_P(SessionSecrets, OlderSecretsAreConvertedWhenNeededNeverWhileLoading)
{
    VProfileStore store;
    const VProfileKey key(*store.GetRootKey(), u"Sessions\\old", 1);
    key.WriteString(u"Monitor Password", EncryptTwoLayerString(u"m\u00f6nitor", keys, 2));
    key.WriteString(u"Local Shell Command Pre-connect", u"ssh-add -l");
    key.WriteString(u"PGP Upload Command", u""); // empty: nothing to convert
    ASSERT_TRUE(SetTwoLayerStringKeys(&keys));

    const uint64_t derived = VEncryptedStringKeyData::DerivationCount();
    const SessionConfigPtr config(new SessionConfig(&key, u"old"));
    EXPECT_EQ(VEncryptedStringKeyData::DerivationCount(), derived);
    EXPECT_EQ(config->PendingOlderSecrets(), 2u);
    EXPECT_TRUE(config->IsDirty());
    const SessionConfigPtr copy(config->Clone()); // a copy keeps what is still to convert
    EXPECT_EQ(copy->PendingOlderSecrets(), 2u);
    EXPECT_EQ(VEncryptedStringKeyData::DerivationCount(), derived);

    VUnicodeString plaintext;
    ASSERT_TRUE(config->GetSecret(u"monitor password v2", plaintext, nullptr));
    EXPECT_EQ(plaintext, VUnicodeString(u"m\u00f6nitor"));
    ASSERT_TRUE(config->Save(&key));
    EXPECT_EQ(config->PendingOlderSecrets(), 0u);
    EXPECT_TRUE(Stored(key, u"Monitor Password V2").StartsWith(u"03:"));
    EXPECT_TRUE(Stored(key, u"Local Shell Command Pre-connect V2").StartsWith(u"03:"));
    EXPECT_EQ(Stored(key, u"Local Shell Command Pre-connect"), VUnicodeString(u"ssh-add -l")); // left in place

    const SessionConfigPtr again(new SessionConfig(&key, u"old"));
    EXPECT_EQ(again->PendingOlderSecrets(), 0u);
    ASSERT_TRUE(again->GetSecret(RemoteHostConfig::kLocalShellCommand, plaintext, nullptr));
    EXPECT_EQ(plaintext, VUnicodeString(u"ssh-add -l"));
    EXPECT_FALSE(again->GetSecret(u"Hostname", plaintext, nullptr)); // no secret
}

TEST_P(SessionSecrets, AnOlderSecretThatCannotBeReadYetIsNeverOverwritten)
{
    VProfileStore store;
    const VProfileKey key(*store.GetRootKey(), u"Sessions\\old", 1);
    key.WriteString(u"Monitor Password", EncryptTwoLayerString(u"kept", keys, 2));
    {
        const SessionConfigPtr config(new SessionConfig(&key, u"old")); // no fixed keys supplied
        VReportPtr report = NewReport();
        VUnicodeString plaintext;
        EXPECT_FALSE(config->GetSecret(u"Monitor Password V2", plaintext, report.Get()));
        EXPECT_EQ(report->GetMessageId(), kMsgOlderFormNeedsKeys);
        ASSERT_TRUE(config->Save(&key));
        EXPECT_FALSE(key.ValueExists(u"Monitor Password V2"));
        EXPECT_TRUE(key.ValueExists(u"Hostname")); // everything else was written
    }
    ASSERT_TRUE(SetTwoLayerStringKeys(&keys)); // the keys come later: it converts then
    const SessionConfigPtr later(new SessionConfig(&key, u"old"));
    VUnicodeString plaintext;
    ASSERT_TRUE(later->GetSecret(u"Monitor Password V2", plaintext, nullptr));
    EXPECT_EQ(plaintext, VUnicodeString(u"kept"));

    // A new secret replaces an older one that was never converted.
    const SessionConfigPtr fresh(new SessionConfig(&key, u"old"));
    ASSERT_TRUE(fresh->SetSecret(u"Monitor Password V2", u"new", nullptr));
    EXPECT_EQ(fresh->PendingOlderSecrets(), 0u);
    ASSERT_TRUE(fresh->Save(&key));
    ASSERT_TRUE(SessionConfigPtr(new SessionConfig(&key, u"old"))->GetSecret(u"Monitor Password V2", plaintext, nullptr));
    EXPECT_EQ(plaintext, VUnicodeString(u"new"));
}

TEST_P(SessionSecrets, SecretsAndLoginScriptsTravelEncryptedAndDeriveNothing)
{
    VProfileStore store;
    const VProfileKey key(*store.GetRootKey(), u"Sessions\\web", 1);
    {
        const SessionConfigPtr config(new SessionConfig(&key, u"web"));
        ASSERT_TRUE(config->SetSecret(u"PGP Download Command V2", u"gpg -d", nullptr));
        ASSERT_TRUE(config->LoginScript().SetSteps({{true, u"login:", u"ann", u""}}, nullptr));
        ASSERT_TRUE(config->Save(&key));
    }
    const VUnicodeString stored = Stored(key, u"PGP Download Command V2");
    const uint64_t derived = VEncryptedStringKeyData::DerivationCount();
    const SessionConfigPtr loaded(new SessionConfig(&key, u"web"));
    const SessionConfigPtr copy(loaded->Clone());
    EXPECT_FALSE(copy->IsChanged());
    EXPECT_EQ(loaded->FindValue(u"Login Script V4"), &loaded->LoginScript());
    const VProfileKey other(*store.GetRootKey(), u"Sessions\\copy", 1);
    ASSERT_TRUE(copy->Save(&other));
    EXPECT_EQ(VEncryptedStringKeyData::DerivationCount(), derived); // loading, copying, saving: no key
    EXPECT_EQ(Stored(other, u"PGP Download Command V2"), stored);

    const SessionConfigPtr reread(new SessionConfig(&other, u"copy"));
    ASSERT_EQ(reread->LoginScript().GetSteps().size(), 1u);
    EXPECT_EQ(reread->LoginScript().GetSteps()[0], (ExpectSendStep{true, u"login:", u"ann", u""}));
}

ORV_BOTH_BACKENDS(SessionSecrets);

TEST_P(SessionSettings, SettingsWalkInSchemaOrderWithTheirKinds)
{
    const SessionConfigPtr config(new SessionConfig(nullptr, u"walk"));
    std::vector<std::u16string> names;
    std::set<std::u16string> seen;
    config->ForEachSetting([&](const SessionValueDef& def, VProfileData& value) {
        EXPECT_EQ(value.GetName(), VUnicodeString(def.name));
        names.push_back(value.GetName().str());
        seen.insert(VUnicodeString::FoldCase(value.GetName()));
    });
    // Every setting once, in the children's order: protocol choice first,
    // the common settings last.
    EXPECT_EQ(seen.size(), names.size());
    // Every setting of the tables; the login-script list is no table's and
    // is left out of this walk.
    std::set<std::u16string> tables = SchemaNames(*config);
    tables.erase(u"Login Script V4");
    EXPECT_EQ(names.size(), tables.size());
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), ConnectConfig::kProtocolName);
    EXPECT_EQ(names.back(), u"Remote ListView State");

    const SessionValueDef* def = nullptr;
    VProfileData* rows = config->FindSetting(u"rows", &def);
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(rows, config->Terminal().Find(TerminalConfig::kRows));
    EXPECT_EQ(def->kind, SessionValueKind::Unsigned);
    ASSERT_NE(config->FindSetting(u"Description", &def), nullptr);
    EXPECT_EQ(def->kind, SessionValueKind::Lines);
    def = nullptr;
    EXPECT_EQ(config->FindSetting(u"Not A Setting", &def), nullptr);
    EXPECT_EQ(def, nullptr);
}

TEST(SessionOlderNames, AreTheNamesALoadConvertsAndNoOthers)
{
    // Each rule's older name, in any case.
    for (const char16_t* older : {u"Use Firewall", u"login script v3", u"Local Shell Command Pre-connect",
                                  u"Normal Font", u"Narrow Font"})
        EXPECT_TRUE(SessionConfig::IsOlderValueName(older)) << VUnicodeString(older).ToUtf8();
    // The settings themselves, the login script, and the host's own values.
    for (const char16_t* other : {u"Hostname", u"Firewall Name", u"Local Shell Command Pre-connect V2",
                                  u"Normal Font v2", u"Login Script V4", u"Port", u""})
        EXPECT_FALSE(SessionConfig::IsOlderValueName(other)) << VUnicodeString(other).ToUtf8();
}

TEST(SessionPaths, CollapseAndExpandWithTheFourFolders)
{
    ScopedEnv config("ORV_CONFIG_PATH", "/home/ann/.config/orvalis");
    ScopedEnv install("ORV_INSTALL_PATH", "/opt/orvalis");
    ScopedEnv data("ORV_USER_DATA_PATH", "/home/ann/.local/share/orvalis");
    ScopedEnv ssh("ORV_SSH_DATA_PATH", "/home/ann/.local/share/orvalis/ssh");
    const VUnicodeString start(u"/home/ann/.local/share/orvalis/ssh/known_hosts");
    ProfilePath path(nullptr, u"Log Filename V2", &start);

    EXPECT_FALSE(path.Collapse(1)); // not below the configuration folder: unchanged
    EXPECT_EQ(path.Get(), start);
    EXPECT_TRUE(path.Collapse()); // the longest folder wins
    EXPECT_EQ(path.Get(), VUnicodeString(u"${ORV_SSH_DATA_PATH}/known_hosts"));
    EXPECT_EQ(path.Expand(), start);

    path.Set(start);
    EXPECT_TRUE(path.Collapse(3));
    EXPECT_EQ(path.Get(), VUnicodeString(u"${ORV_USER_DATA_PATH}/ssh/known_hosts"));
    path.Set(u"/HOME/ann/.config/orvalis/x.log"); // the comparison is exact
    EXPECT_FALSE(path.Collapse());
    path.Set(u"/opt/orvalis/keymaps/vt.key");
    EXPECT_TRUE(path.Collapse(2));
    EXPECT_EQ(path.Get(), VUnicodeString(u"${ORV_INSTALL_PATH}/keymaps/vt.key"));
    EXPECT_EQ(ProfilePath::Expand(u"${ORV_CONFIG_PATH}/a", ProfilePath::CurrentFolders()),
              VUnicodeString(u"/home/ann/.config/orvalis/a"));
    EXPECT_EQ(ProfilePath::Expand(u"/x/${ORV_CONFIG_PATH}", ProfilePath::CurrentFolders()),
              VUnicodeString(u"/x/${ORV_CONFIG_PATH}")); // only a leading variable
}

TEST(SessionPaths, AnUnknownFolderNeverCollapses)
{
    ProfilePath::Folders folders{u"", u"/opt/orvalis", u"", u""};
    const VUnicodeString start(u"/var/log/x");
    ProfilePath path(nullptr, u"Log Filename V2", &start, 0, folders);
    EXPECT_FALSE(path.Collapse(1));
    EXPECT_FALSE(path.Collapse(5));
    EXPECT_FALSE(path.Collapse());
    EXPECT_EQ(path.Get(), start);
}

ORV_BOTH_BACKENDS(SessionSettings);

} // namespace
