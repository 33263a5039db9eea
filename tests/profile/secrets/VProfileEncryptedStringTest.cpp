#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "SecretFakes.h"
#include "StoreFixtures.h"
#include "profile/secrets/ConfigPassphrase.h"
#include "profile/secrets/EncryptedStringServices.h"
#include "profile/secrets/VProfileEncryptedString.h"
#include "profile/store/VProfileStore.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

// Written by another implementation under "correct horse \u2713".
constexpr char16_t kForeignText[] =
    u"03:000102030405060708090a0b0c0d0e0f9579dc8cc58950efb232893606ce46516005036cd6077ecf8d6134096f74b2b5a6e6d761"
    u"8267d9449d662d4b9310ad4a8a6d9e0097881364b4db4c6a1e023324";
constexpr char16_t kSecret[] = u"p\u00e4ssw\u00f6rd \U0001F511 \u65e5\u672c";

class SecretValues : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        SetConfigPassphrase(u"host secret \u2713", nullptr);
    }
    // A new handle on the same data: for SQLite a new connection to the file.
    void Reopen()
    {
        if (!IsSqlite())
            return;
        StoreTest::TearDown();
        backend.reset();
        StoreTest::SetUp();
    }
    PassphraseScope passphrase;
    FakeRandomSource random;
};

TEST_P(SecretValues, AWrittenSecretReadsBackAfterTheStoreIsReopened)
{
    {
        VProfileStore store;
        VProfileKey key(*store.GetRootKey(), u"Sessions\\web01", 1);
        VProfileEncryptedString value(&key, u"Firewall Password V2", nullptr);
        ASSERT_TRUE(UpdateProfileEncryptedString(value, kSecret, nullptr));
        EXPECT_TRUE(value.IsChanged());
        ASSERT_TRUE(value.Save(&key));
        VUnicodeString raw;
        ASSERT_TRUE(key.ReadString(u"Firewall Password V2", raw));
        EXPECT_TRUE(raw.StartsWith(u"03:000102030405060708090a0b0c0d0e0f"));
        EXPECT_EQ(raw.Find(u"p\u00e4ss"), VUnicodeString::npos);
    }
    Reopen();
    // A key data made afresh: nothing of the writer's is reused.
    ResetConfigPassphrase();
    SetConfigPassphrase(u"host secret \u2713", nullptr);
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"Sessions\\web01", 0);
    VProfileEncryptedString value(&key, u"Firewall Password V2", nullptr);
    EXPECT_FALSE(value.IsDirty());
    VUnicodeString plaintext;
    EXPECT_TRUE(GetProfileEncryptedPlaintextString(value, plaintext, nullptr));
    EXPECT_EQ(plaintext, VUnicodeString(kSecret));
}

TEST_P(SecretValues, AValueThatCannotBeDecryptedIsReportedAndKept)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"K", 1);
    key.WriteString(u"Monitor Password V2", kForeignText);
    key.WriteString(u"PGP Upload Command V2", u"03:00zz");
    const int writesBefore = recorder->TotalWrites();

    VProfileEncryptedString wrong(&key, u"Monitor Password V2", nullptr);
    VProfileEncryptedString damaged(&key, u"PGP Upload Command V2", nullptr);
    VReportPtr report = NewReport();
    VUnicodeString plaintext(u"stale");
    EXPECT_FALSE(GetProfileEncryptedPlaintextString(wrong, plaintext, report.Get()));
    EXPECT_TRUE(plaintext.IsEmpty());
    EXPECT_EQ(report->GetMessageId(), kMsgEncryptedValueWrongPassphrase);
    ASSERT_EQ(report->GetParameters().GetSize(), 1u);
    EXPECT_EQ(report->GetParameters()[0], VUnicodeString(u"Monitor Password V2"));
    EXPECT_FALSE(GetProfileEncryptedPlaintextString(damaged, plaintext, report.Get()));
    EXPECT_EQ(report->GetMessageId(), kMsgEncryptedValueDamaged);

    EXPECT_TRUE(wrong.Save(&key));
    EXPECT_TRUE(damaged.Save(&key));
    EXPECT_EQ(recorder->TotalWrites(), writesBefore);
    VUnicodeString stored;
    key.ReadString(u"Monitor Password V2", stored);
    EXPECT_EQ(stored, VUnicodeString(kForeignText));

    // With the right passphrase the same text reads.
    SetConfigPassphrase(u"correct horse \u2713", nullptr);
    EXPECT_TRUE(GetProfileEncryptedPlaintextString(wrong, plaintext, nullptr));
    EXPECT_EQ(plaintext, VUnicodeString(u"Gr\u00fc\u00dfe, \u4e16\u754c \U0001F511"));
}

TEST_P(SecretValues, LoadingComparingCopyingAndSavingDeriveNoKey)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"K", 1);
    key.WriteString(u"Monitor Password V2", kForeignText);
    const uint64_t before = VEncryptedStringKeyData::DerivationCount();
    VProfileEncryptedString value(&key, u"Monitor Password V2", nullptr);
    VProfileEncryptedString copy(value);
    VProfileEncryptedString other(&key, u"Firewall Password V2", nullptr);
    other.Assign(value);
    EXPECT_TRUE(other.IsChanged());
    EXPECT_FALSE(copy.IsChanged());
    EXPECT_TRUE(other.Save(&key));
    value.Accept();
    EXPECT_TRUE(value.Save(&key));
    VUnicodeString empty;
    VProfileEncryptedString absent(&key, u"Absent V2", nullptr);
    EXPECT_TRUE(GetProfileEncryptedPlaintextString(absent, empty, nullptr));
    EXPECT_EQ(VEncryptedStringKeyData::DerivationCount(), before);
}

TEST_P(SecretValues, ADisabledPassphraseChangesNothing)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"K", 1);
    key.WriteString(u"Monitor Password V2", kForeignText);
    VProfileEncryptedString value(&key, u"Monitor Password V2", nullptr);
    SetConfigPassphraseDisabled(true);
    EXPECT_TRUE(IsConfigPassphraseDisabled());
    VReportPtr report = NewReport();
    EXPECT_FALSE(UpdateProfileEncryptedString(value, u"new", report.Get()));
    EXPECT_EQ(report->GetMessageId(), kMsgConfigPassphraseDisabled);
    EXPECT_FALSE(value.IsChanged());
    VUnicodeString plaintext;
    EXPECT_FALSE(GetProfileEncryptedPlaintextString(value, plaintext, nullptr));

    // A value given its own key data does not depend on the passphrase.
    VUnknownPointer<VEncryptedStringKeyData> own(VEncryptedStringKeyData::Create(u"correct horse \u2713"));
    value.SetKeyData(own.Get());
    EXPECT_TRUE(GetProfileEncryptedPlaintextString(value, plaintext, nullptr));
    EXPECT_TRUE(UpdateProfileEncryptedString(value, u"new", nullptr));
    EXPECT_TRUE(GetProfileEncryptedPlaintextString(VProfileEncryptedString(value), plaintext, nullptr));
    EXPECT_EQ(plaintext, VUnicodeString(u"new"));
}

TEST_P(SecretValues, TheOlderTwoLayerFormIsConvertedUnderTheNewName)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"K", 1);
    const TwoLayerStringKeys keys = TestTwoLayerKeys();
    key.WriteString(u"Monitor Password", EncryptTwoLayerString(u"old \u00e9t\u00e9", keys, 2));
    key.WriteString(u"Firewall Password", u"u0123"); // not whole blocks

    VProfileEncryptedString value(&key, u"Monitor Password V2", nullptr);
    EXPECT_FALSE(value.LoadOlder(&key, u"Monitor Password", nullptr)); // no keys: absent
    EXPECT_TRUE(value.Get().IsEmpty());

    ASSERT_TRUE(SetTwoLayerStringKeys(&keys));
    ASSERT_TRUE(value.LoadOlder(&key, u"Monitor Password", nullptr));
    EXPECT_TRUE(value.IsDirty());
    EXPECT_TRUE(value.Get().StartsWith(u"03:"));
    ASSERT_TRUE(value.Save(&key));
    EXPECT_EQ(recorder->Writes(u"Monitor Password V2"), 1);
    EXPECT_TRUE(key.ValueExists(u"Monitor Password"));

    VProfileEncryptedString reread(&key, u"Monitor Password V2", nullptr);
    VUnicodeString plaintext;
    EXPECT_TRUE(GetProfileEncryptedPlaintextString(reread, plaintext, nullptr));
    EXPECT_EQ(plaintext, VUnicodeString(u"old \u00e9t\u00e9"));

    VProfileEncryptedString damaged(&key, u"Firewall Password V2", nullptr);
    VReportPtr report = NewReport();
    EXPECT_FALSE(damaged.LoadOlder(&key, u"Firewall Password", report.Get()));
    EXPECT_EQ(report->GetMessageId(), kMsgEncryptedValueDamaged);
    EXPECT_FALSE(damaged.LoadOlder(&key, u"Missing", nullptr));
    EXPECT_TRUE(damaged.Get().IsEmpty());
}

TEST_P(SecretValues, LoadReadAndWrite)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"K", 1);
    const VEncryptedString fallback(u"03:default");
    VProfileEncryptedString value;
    value.Load(&key, u"PGP Download Command V2", &fallback);
    EXPECT_EQ(value.Get(), fallback);
    EXPECT_TRUE(value.IsDirty());
    EXPECT_FALSE(value.Read(&key));
    EXPECT_TRUE(value.Write(&key));
    EXPECT_TRUE(value.Write(&key)); // written even though unchanged
    EXPECT_EQ(recorder->Writes(u"PGP Download Command V2"), 2);
    key.WriteString(u"PGP Download Command V2", u"03:other");
    EXPECT_TRUE(value.Read(&key));
    EXPECT_EQ(value.Get(), VUnicodeString(u"03:other"));
    EXPECT_FALSE(value.IsDirty());
    EXPECT_FALSE(value.IsChanged());
}

ORV_BOTH_BACKENDS(SecretValues);

TEST(ConfigPassphrase, APerUserFileIsMadePrivateOnFirstUseAndKept)
{
    PassphraseScope scope;
    ScopedEnv nested("ORV_USER_DATA_PATH", (scope.dir.str() + "/a/b").c_str());
    const std::string path = scope.dir.str() + "/a/b/config-passphrase";
    EXPECT_EQ(GetConfigPassphrasePath(), VUnicodeString::FromUtf8(path));

    VEncryptedStringKeyData* keyData = nullptr;
    ASSERT_TRUE(GetConfigPassphraseKeyData(&keyData, nullptr));
    VUnknownPointer<VEncryptedStringKeyData> held(keyData);
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    ASSERT_EQ(stat((scope.dir.str() + "/a").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    VEncryptedString text;
    const uint8_t salt[16] = {};
    text.EncryptWithSalt(u"kept", *held, salt);
    // Dropped and read again from the file: the same passphrase.
    ResetConfigPassphrase();
    VEncryptedStringKeyData* again = nullptr;
    ASSERT_TRUE(GetConfigPassphraseKeyData(&again, nullptr));
    VUnknownPointer<VEncryptedStringKeyData> reread(again);
    EXPECT_NE(reread.Get(), held.Get());
    VUnicodeString plaintext;
    EXPECT_EQ(text.Decrypt(*reread, plaintext), VEncryptedString::Status::Ok);
    EXPECT_EQ(plaintext, VUnicodeString(u"kept"));

    // A second request shares the held key data.
    VEncryptedStringKeyData* shared = nullptr;
    ASSERT_TRUE(GetConfigPassphraseKeyData(&shared, nullptr));
    EXPECT_EQ(shared, reread.Get());
    shared->Release();
}

TEST(ConfigPassphrase, AFileOthersCanReadIsRefused)
{
    PassphraseScope scope;
    VEncryptedStringKeyData* keyData = nullptr;
    ASSERT_TRUE(GetConfigPassphraseKeyData(&keyData, nullptr));
    keyData->Release();
    for (mode_t mode : {0644, 0640, 0604, 0620}) {
        ResetConfigPassphrase();
        ASSERT_EQ(chmod(scope.PassphraseFile().c_str(), mode), 0);
        VReportPtr report = NewReport();
        keyData = reinterpret_cast<VEncryptedStringKeyData*>(1);
        EXPECT_FALSE(GetConfigPassphraseKeyData(&keyData, report.Get())) << mode;
        EXPECT_EQ(keyData, nullptr);
        EXPECT_EQ(report->GetMessageId(), kMsgPassphraseFileExposed);
        EXPECT_NE(report->GetText().Find(VUnicodeString::FromUtf8(scope.PassphraseFile())), VUnicodeString::npos);
    }
}

TEST(ConfigPassphrase, TheHostsPassphraseComesFirst)
{
    PassphraseScope scope;
    ASSERT_TRUE(SetConfigPassphrase(u"from the host", nullptr));
    VEncryptedStringKeyData* keyData = nullptr;
    ASSERT_TRUE(GetConfigPassphraseKeyData(&keyData, nullptr));
    EXPECT_TRUE(keyData->HasPassphrase(u"from the host"));
    keyData->Release();
    EXPECT_FALSE(std::filesystem::exists(scope.PassphraseFile()));

    VReportPtr report = NewReport();
    const char16_t lone[] = {u'a', char16_t(0xDC00), 0};
    EXPECT_FALSE(SetConfigPassphrase(lone, report.Get()));
    EXPECT_EQ(report->GetMessageId(), kMsgConfigPassphraseInvalid);

    ASSERT_TRUE(SetConfigPassphrase(nullptr, nullptr)); // back to the file
    ASSERT_TRUE(GetConfigPassphraseKeyData(&keyData, nullptr));
    EXPECT_FALSE(keyData->HasPassphrase(u"from the host"));
    keyData->Release();
    EXPECT_TRUE(std::filesystem::exists(scope.PassphraseFile()));
}

TEST(ConfigPassphrase, AnEmptyFileOrNoRandomBytesIsReported)
{
    PassphraseScope scope;
    {
        FakeRandomSource random;
        random.fail = true;
        VReportPtr report = NewReport();
        VEncryptedStringKeyData* keyData = nullptr;
        EXPECT_FALSE(GetConfigPassphraseKeyData(&keyData, report.Get()));
        EXPECT_EQ(report->GetMessageId(), kMsgRandomBytesUnavailable);
        EXPECT_FALSE(std::filesystem::exists(scope.PassphraseFile()));
    }
    const int fd = open(scope.PassphraseFile().c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "\n", 1), 1);
    close(fd);
    VReportPtr report = NewReport();
    VEncryptedStringKeyData* keyData = nullptr;
    EXPECT_FALSE(GetConfigPassphraseKeyData(&keyData, report.Get()));
    EXPECT_EQ(report->GetMessageId(), kMsgPassphraseFileUnusable);
    EXPECT_EQ(report->GetParameters()[1], VUnicodeString(u"it is empty"));
}

TEST(TwoLayerStrings, ReadsEachUnitFormAndRefusesMalformedOnes)
{
    const TwoLayerStringKeys keys = TestTwoLayerKeys();
    const std::u16string text = u"Gr\u00fc\u00dfe \u20ac";
    for (size_t unit : {1u, 2u, 4u}) {
        VUnicodeString plaintext;
        EXPECT_TRUE(DecryptTwoLayerString(EncryptTwoLayerString(text, keys, unit), keys, plaintext)) << unit;
        EXPECT_EQ(plaintext, VUnicodeString(text)) << unit;
    }
    const std::u16string good = EncryptTwoLayerString(u"x", keys, 2);
    VUnicodeString plaintext;
    EXPECT_FALSE(DecryptTwoLayerString(good.substr(0, good.size() - 1), keys, plaintext)); // odd digits
    EXPECT_FALSE(DecryptTwoLayerString(good.substr(0, good.size() - 2), keys, plaintext)); // 7 more bytes
    EXPECT_FALSE(DecryptTwoLayerString(u"u00000000000000", keys, plaintext));             // 7 bytes
    EXPECT_FALSE(DecryptTwoLayerString(u"u" + std::u16string(15, u'0') + u"g", keys, plaintext));
    EXPECT_TRUE(plaintext.IsEmpty());

    TwoLayerStringKeys shortKey = keys;
    shortKey.first.resize(3);
    EXPECT_FALSE(SetTwoLayerStringKeys(&shortKey));
    EXPECT_FALSE(DecryptTwoLayerString(good, shortKey, plaintext));
    EXPECT_EQ(GetTwoLayerStringKeys(), nullptr);
}

} // namespace
