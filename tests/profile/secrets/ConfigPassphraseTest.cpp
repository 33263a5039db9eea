// Where the per-user passphrase lives (keyring or file, through a fake
// Secret Service), and changing it over every secret of the store.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "SecretFakes.h"
#include "StoreFixtures.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/secrets/ConfigPassphrase.h"
#include "profile/secrets/CredentialDatabase.h"
#include "profile/secrets/PassphraseChange.h"
#include "profile/secrets/VEncryptedString.h"
#include "profile/secrets/VEncryptedStringKeyData.h"
#include "profile/store/StoredValue.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

using Result = ISecretService::Result;

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// Asks for the passphrase as every reader does: made on first use.
bool Acquire()
{
    VEncryptedStringKeyData* keyData = nullptr;
    if (!GetConfigPassphraseKeyData(&keyData, nullptr))
        return false;
    keyData->Release();
    return true;
}

bool Holds(const VUnicodeString& passphrase)
{
    VEncryptedStringKeyData* keyData = nullptr;
    if (!GetConfigPassphraseKeyData(&keyData, nullptr))
        return false;
    const bool same = keyData->HasPassphrase(passphrase);
    keyData->Release();
    return same;
}

class PassphrasePlaces : public ::testing::Test {
protected:
    void Reopen() { ResetConfigPassphrase(); }
    std::string Kept() const
    {
        const auto it = scope.keyring.secrets.find(ConfigPassphraseKeyringAttributes());
        return it == scope.keyring.secrets.end() ? std::string() : it->second;
    }
    PassphraseScope scope;
};

TEST_F(PassphrasePlaces, AFileMovesIntoTheKeyringAndIsRemoved)
{
    std::ofstream(scope.PassphraseFile()) << "from the file\n";
    std::filesystem::permissions(scope.PassphraseFile(), std::filesystem::perms::owner_read |
                                                             std::filesystem::perms::owner_write);
    scope.keyring.state = Result::Done;
    EXPECT_TRUE(Holds(u"from the file"));
    EXPECT_EQ(GetConfigPassphraseSource(), ConfigPassphraseSource::Keyring);
    EXPECT_EQ(Kept(), "from the file");
    EXPECT_FALSE(std::filesystem::exists(scope.PassphraseFile()));
    EXPECT_EQ(ConfigPassphraseKeyringAttributes().at("application"), "orvalis");

    Reopen(); // the next process finds it there
    EXPECT_TRUE(Holds(u"from the file"));
    EXPECT_FALSE(std::filesystem::exists(scope.PassphraseFile()));
}

TEST_F(PassphrasePlaces, WithoutAKeyringOrWhenItKeepsNothingTheFileServes)
{
    ASSERT_TRUE(Acquire());
    EXPECT_EQ(GetConfigPassphraseSource(), ConfigPassphraseSource::File);
    const std::string made = ReadFile(scope.PassphraseFile());
    EXPECT_EQ(made.size(), 64u);
    EXPECT_TRUE(Holds(VUnicodeString::FromUtf8(made)));

    Reopen();
    scope.keyring.state = Result::Done;
    scope.keyring.refuseStore = true;
    EXPECT_TRUE(Holds(VUnicodeString::FromUtf8(made)));
    EXPECT_EQ(GetConfigPassphraseSource(), ConfigPassphraseSource::File);
    EXPECT_TRUE(std::filesystem::exists(scope.PassphraseFile())); // never removed unkept
}

TEST_F(PassphrasePlaces, ANewPassphraseGoesStraightIntoTheKeyringAndAnErrorMakesNothing)
{
    scope.keyring.state = Result::Done;
    ASSERT_TRUE(Acquire());
    EXPECT_EQ(Kept().size(), 64u);
    EXPECT_TRUE(Holds(VUnicodeString::FromUtf8(Kept())));
    EXPECT_FALSE(std::filesystem::exists(scope.PassphraseFile()));

    // Out of reach later, or locked with nothing found: refused and told,
    // never a second passphrase in a new file.
    for (const Result state : {Result::Unavailable, Result::Failed}) {
        Reopen();
        if (state == Result::Failed)
            scope.keyring.secrets.clear();
        scope.keyring.state = state;
        VReportPtr report = NewReport();
        VEncryptedStringKeyData* keyData = nullptr;
        EXPECT_FALSE(GetConfigPassphraseKeyData(&keyData, report.Get()));
        EXPECT_EQ(report->GetMessageId(), kMsgKeyringFailed);
        EXPECT_FALSE(std::filesystem::exists(scope.PassphraseFile()));
    }
}

class PassphraseChanges : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        oldKey = VUnknownPointer<VEncryptedStringKeyData>(VEncryptedStringKeyData::Create(u"old"));
        newKey = VUnknownPointer<VEncryptedStringKeyData>(VEncryptedStringKeyData::Create(u"new"));
    }
    VUnicodeString Under(VEncryptedStringKeyData& keyData, const VUnicodeString& plaintext)
    {
        VEncryptedString text;
        EXPECT_TRUE(text.Encrypt(plaintext, keyData, nullptr));
        return text;
    }
    static VUnicodeString Read(VEncryptedStringKeyData& keyData, const VUnicodeString& text)
    {
        VUnicodeString plaintext;
        return VEncryptedString::DecryptText(text, keyData, plaintext) == VEncryptedString::Status::Ok
                   ? plaintext
                   : VUnicodeString(u"<unreadable>");
    }
    // Secrets in every place they are kept, and a text that only looks like one.
    void Fill()
    {
        VProfileStore store;
        const VProfileKey& root = *store.GetRootKey();
        VProfileKey(root, u"Sessions\\a", 1).WriteString(u"Monitor Password V2", Under(*oldKey, u"one"));
        VProfileKey(root, u"Sessions\\a", 1)
            .WriteStringArray(u"Login Script V4", {Under(*oldKey, u"step 1"), Under(*oldKey, u"step 2")});
        VProfileKey(root, u"Sessions\\a", 1).WriteString(u"Hostname", u"03:not hex");
        VProfileKey(root, u"Firewalls\\gw", 1).WriteString(u"Firewall Password V2", Under(*oldKey, u"fw"));
        VProfileKey(root, u"Global\\Anything", 1).WriteString(u"Token", Under(*oldKey, u"other"));
    }
    std::vector<VUnicodeString> Secrets(VEncryptedStringKeyData& keyData)
    {
        VProfileStore store;
        const VProfileKey& root = *store.GetRootKey();
        VUnicodeString text;
        VStringArray list;
        std::vector<VUnicodeString> out;
        VProfileKey(root, u"Sessions\\a", 0).ReadString(u"Monitor Password V2", text);
        out.push_back(Read(keyData, text));
        VProfileKey(root, u"Sessions\\a", 0).ReadStringArray(u"Login Script V4", list);
        for (const VUnicodeString& element : list)
            out.push_back(Read(keyData, element));
        VProfileKey(root, u"Firewalls\\gw", 0).ReadString(u"Firewall Password V2", text);
        out.push_back(Read(keyData, text));
        VProfileKey(root, u"Global\\Anything", 0).ReadString(u"Token", text);
        out.push_back(Read(keyData, text));
        return out;
    }
    PassphraseScope scope;
    VUnknownPointer<VEncryptedStringKeyData> oldKey;
    VUnknownPointer<VEncryptedStringKeyData> newKey;
    const std::vector<VUnicodeString> plaintexts{u"one", u"step 1", u"step 2", u"fw", u"other"};
};

TEST_P(PassphraseChanges, EverySecretMovesToTheNewPassphraseAndTheFileFollows)
{
    std::ofstream(scope.PassphraseFile()) << "old\n";
    std::filesystem::permissions(scope.PassphraseFile(), std::filesystem::perms::owner_read |
                                                             std::filesystem::perms::owner_write);
    Fill();
    PassphraseChangeOptions options;
    size_t lastDone = 0;
    options.progress = [&](size_t done, size_t total) {
        EXPECT_EQ(total, plaintexts.size());
        lastDone = done;
    };
    PassphraseChangeResult result;
    VReportPtr report = NewReport();
    ASSERT_TRUE(ChangeConfigPassphrase(u"new", options, result, report.Get())) << report->GetText().ToUtf8();
    EXPECT_EQ(result.secrets, plaintexts.size());
    EXPECT_EQ(lastDone, plaintexts.size());
    EXPECT_EQ(Secrets(*newKey), plaintexts);
    EXPECT_EQ(ReadFile(scope.PassphraseFile()), "new");
    EXPECT_FALSE(std::filesystem::exists(scope.PassphraseFile() + ".new"));
    EXPECT_TRUE(Holds(u"new"));
    VProfileStore store;
    VUnicodeString text;
    VProfileKey(*store.GetRootKey(), u"Sessions\\a", 0).ReadString(u"Hostname", text);
    EXPECT_EQ(text, VUnicodeString(u"03:not hex")); // no secret: untouched
}

TEST_P(PassphraseChanges, AWrongPassphraseRewritesNothing)
{
    Fill();
    SetConfigPassphrase(u"wrong", nullptr);
    PassphraseChangeResult result;
    VReportPtr report = NewReport();
    const int writes = recorder->TotalWrites();
    EXPECT_FALSE(ChangeConfigPassphrase(u"new", {}, result, report.Get()));
    EXPECT_EQ(report->GetMessageId(), kMsgPassphraseChangeUnreadable);
    EXPECT_EQ(recorder->TotalWrites(), writes);
    EXPECT_EQ(Secrets(*oldKey), plaintexts);

    // One damaged value among good ones: kept as it is only when asked to.
    SetConfigPassphrase(u"old", nullptr);
    {
        VProfileStore store;
        VProfileKey(*store.GetRootKey(), u"Global\\Anything", 0).WriteString(u"Token", Under(*newKey, u"foreign"));
    }
    EXPECT_FALSE(ChangeConfigPassphrase(u"new", {}, result, report.Get()));
    PassphraseChangeOptions keep;
    keep.keepUnreadable = true;
    keep.threads = 1;
    ASSERT_TRUE(ChangeConfigPassphrase(u"new", keep, result, report.Get()));
    EXPECT_EQ(result.unreadable, 1u);
    EXPECT_EQ(result.firstUnreadable, VUnicodeString(u"Global\\Anything\\Token"));
    EXPECT_EQ(Secrets(*newKey), (std::vector<VUnicodeString>{u"one", u"step 1", u"step 2", u"fw", u"foreign"}));
}

TEST_P(PassphraseChanges, SavedCredentialsMoveWithTheSessions)
{
    std::ofstream(scope.PassphraseFile()) << "old\n";
    std::filesystem::permissions(scope.PassphraseFile(), std::filesystem::perms::owner_read |
                                                             std::filesystem::perms::owner_write);
    CredentialDatabase credentials;
    VReportPtr report = NewReport();
    ASSERT_TRUE(credentials.SetCredential(u"deploy", u"ops", u"kept secret", report.Get()))
        << report->GetText().ToUtf8();
    {
        VProfileStore store;
        VProfileKey(*store.GetRootKey(), u"Sessions\\a", 1).WriteString(u"Monitor Password V2", Under(*oldKey, u"one"));
    }
    PassphraseChangeResult result;
    ASSERT_TRUE(ChangeConfigPassphrase(u"new", {}, result, report.Get())) << report->GetText().ToUtf8();
    EXPECT_EQ(result.secrets, 2u);
    VUnicodeString text;
    {
        VProfileStore store;
        VProfileKey(*store.GetRootKey(), VUnicodeString(CredentialDatabase::kCredentialsKey) + u"\\deploy", 0)
            .ReadString(CredentialDatabase::kPasswordValue, text);
    }
    EXPECT_EQ(Read(*newKey, text), VUnicodeString(u"kept secret"));
    VUnicodeString password;
    ASSERT_TRUE(credentials.GetPassword(u"deploy", password, report.Get())) << report->GetText().ToUtf8();
    EXPECT_EQ(password, VUnicodeString(u"kept secret"));
}

TEST_P(PassphraseChanges, AStagedPassphraseIsTakenOnlyWhenTheStoreHoldsItsProof)
{
    scope.keyring.state = Result::Done;
    scope.keyring.secrets[ConfigPassphraseKeyringAttributes()] = "old";
    ASSERT_TRUE(Holds(u"old"));
    const VUnicodeString proof = Under(*newKey, kPassphraseCheckText);
    ASSERT_TRUE(StageConfigPassphrase(u"new", proof, nullptr));

    // Killed before the transaction: the old one stays, the staged one waits.
    ResetConfigPassphrase();
    EXPECT_TRUE(Holds(u"old"));
    EXPECT_EQ(scope.keyring.secrets.size(), 2u);

    // Killed after it: the store holds the proof, so the new one is taken.
    {
        VProfileStore store;
        VProfileKey(*store.GetRootKey(), kPassphraseCheckKey, 1).WriteString(kPassphraseCheckValue, proof);
    }
    ResetConfigPassphrase();
    EXPECT_TRUE(Holds(u"new"));
    EXPECT_EQ(scope.keyring.secrets.size(), 1u);
    EXPECT_EQ(scope.keyring.secrets[ConfigPassphraseKeyringAttributes()], "new");
}

ORV_BOTH_BACKENDS(PassphraseChanges);

} // namespace
