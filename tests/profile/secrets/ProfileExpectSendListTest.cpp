#include <gtest/gtest.h>

#include "SecretFakes.h"
#include "StoreFixtures.h"
#include "profile/secrets/ConfigPassphrase.h"
#include "profile/secrets/ProfileExpectSendList.h"
#include "profile/secrets/VEncryptedString.h"
#include "profile/secrets/VEncryptedStringKeyData.h"
#include "profile/store/VProfileStore.h"
#include "profile/reports/VReportMessageParams.h"

void PrintTo(const ExpectSendStep& step, std::ostream* out)
{
    *out << "{" << step.flag << ", \"" << step.first.ToUtf8() << "\", \"" << step.second.ToUtf8() << "\", \""
         << step.third.ToUtf8() << "\"}";
}

namespace {

using Steps = std::vector<ExpectSendStep>;
constexpr char16_t kUs = 31;

class LoginScripts : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        SetConfigPassphrase(u"host secret", nullptr);
        keyData = VUnknownPointer<VEncryptedStringKeyData>(VEncryptedStringKeyData::Create(u"host secret"));
    }
    VUnicodeString Decrypt(const VUnicodeString& text)
    {
        VUnicodeString plaintext;
        EXPECT_EQ(VEncryptedString::DecryptText(text, *keyData, plaintext), VEncryptedString::Status::Ok);
        return plaintext;
    }
    VUnicodeString Encrypt(const VUnicodeString& plaintext)
    {
        VEncryptedString text;
        const uint8_t salt[16] = {7};
        text.EncryptWithSalt(plaintext, *keyData, salt);
        return text;
    }
    PassphraseScope passphrase;
    FakeRandomSource random;
    VUnknownPointer<VEncryptedStringKeyData> keyData;
};

TEST_P(LoginScripts, EachStepIsOneEncryptedElementInTheExactLayout)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"Sessions\\web01", 1);
    ProfileExpectSendList list(&key);
    EXPECT_TRUE(list.GetSteps().empty());
    const Steps steps{{true, u"x", u"y", u""}, {false, u"Passwort:", u"gr\u00fc\u00df \U0001F511", u"3rd"}};
    ASSERT_TRUE(list.SetSteps(steps, nullptr));
    ASSERT_TRUE(list.Save(&key));

    VStringArray stored;
    ASSERT_TRUE(key.ReadStringArray(u"Login Script V4", stored));
    ASSERT_EQ(stored.GetSize(), 2u);
    EXPECT_TRUE(stored[0].StartsWith(u"03:"));
    EXPECT_EQ(Decrypt(stored[0]), VUnicodeString(std::u16string{u'1', kUs, u'x', kUs, u'y', kUs, kUs}));
    EXPECT_EQ(Decrypt(stored[1]),
              VUnicodeString(u"0\x1fPasswort:\x1fgr\u00fc\u00df \U0001F511\x1f" u"3rd\x1f"));

    const uint64_t derivations = VEncryptedStringKeyData::DerivationCount();
    ProfileExpectSendList reread(&key);
    EXPECT_EQ(VEncryptedStringKeyData::DerivationCount(), derivations); // nothing decrypted yet
    EXPECT_EQ(reread.GetSteps(), steps);
    EXPECT_EQ(VEncryptedStringKeyData::DerivationCount(), derivations + 2);
    reread.GetSteps();
    EXPECT_EQ(VEncryptedStringKeyData::DerivationCount(), derivations + 2);
    EXPECT_FALSE(reread.IsDirty());
    EXPECT_TRUE(reread.Save(&key));
    EXPECT_EQ(recorder->Writes(u"Login Script V4"), 1);
}

TEST_P(LoginScripts, AVersion3ListIsConvertedOnFirstReadAndWrittenByTheSave)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"S", 1);
    key.WriteString(u"Login Script V3", Encrypt(u"1\x1fogin:\x1f" u"ann\x1f" u"0\x1fword:\x1f\u00e9t\u00e9\x1f"));
    const uint64_t derivations = VEncryptedStringKeyData::DerivationCount();
    ProfileExpectSendList list(&key);
    EXPECT_EQ(VEncryptedStringKeyData::DerivationCount(), derivations); // loading derives nothing
    EXPECT_TRUE(list.IsPresent());
    EXPECT_EQ(list.PendingOlderName(), VUnicodeString(u"Login Script V3"));
    const Steps expected{{true, u"ogin:", u"ann", u""}, {false, u"word:", u"\u00e9t\u00e9", u""}};
    EXPECT_EQ(list.GetSteps(), expected);
    EXPECT_FALSE(list.HasPendingOlder());
    EXPECT_EQ(recorder->Writes(u"Login Script V4"), 0);
    EXPECT_TRUE(list.IsDirty());

    ASSERT_TRUE(list.Save(&key));
    EXPECT_EQ(recorder->Writes(u"Login Script V4"), 1);
    EXPECT_TRUE(key.ValueExists(u"Login Script V3"));
    ProfileExpectSendList again(&key);
    EXPECT_EQ(again.GetSteps(), expected);
    EXPECT_EQ(recorder->Writes(u"Login Script V4"), 1);
}

TEST_P(LoginScripts, AVersion2ListNeedsTheFixedKeys)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"S", 1);
    const TwoLayerStringKeys keys = TestTwoLayerKeys();
    key.WriteString(u"Login Script V2", EncryptTwoLayerString(u"1\x1fuser:\x1f" u"bob", keys, 2));

    ProfileExpectSendList without(&key);
    EXPECT_TRUE(without.GetSteps().empty());
    EXPECT_TRUE(without.Save(&key)); // no empty V4 over a list that may be read later
    EXPECT_FALSE(key.ValueExists(u"Login Script V4"));

    VReportPtr report = NewReport();
    without.GetSteps(report.Get());
    EXPECT_EQ(report->GetMessageId(), kMsgOlderFormNeedsKeys);

    ASSERT_TRUE(SetTwoLayerStringKeys(&keys));
    ProfileExpectSendList list(&key);
    EXPECT_EQ(list.GetSteps(), (Steps{{true, u"user:", u"bob", u""}}));
    ASSERT_TRUE(list.Save(&key));
    EXPECT_EQ(recorder->Writes(u"Login Script V4"), 1);
    EXPECT_TRUE(key.ValueExists(u"Login Script V2"));
}

TEST_P(LoginScripts, WithThePassphraseDisabledNothingIsReadOrWritten)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"S", 1);
    {
        ProfileExpectSendList list(&key);
        ASSERT_TRUE(list.SetSteps({{true, u"a", u"b", u"c"}}, nullptr));
        ASSERT_TRUE(list.Save(&key));
    }
    VProfileKey older(*store.GetRootKey(), u"Older", 1);
    older.WriteString(u"Login Script V3", Encrypt(u"1\x1f" u"a\x1f" u"b"));
    VStringArray before;
    key.ReadStringArray(u"Login Script V4", before);
    const int writes = recorder->TotalWrites();
    const uint64_t derivations = VEncryptedStringKeyData::DerivationCount();

    SetConfigPassphraseDisabled(true);
    ProfileExpectSendList list(&key);
    EXPECT_TRUE(list.GetSteps().empty());
    VReportPtr report = NewReport();
    EXPECT_FALSE(list.SetSteps({{false, u"x", u"y", u"z"}}, report.Get()));
    EXPECT_EQ(report->GetMessageId(), kMsgConfigPassphraseDisabled);
    EXPECT_TRUE(list.Save(&key));
    ProfileExpectSendList unconverted(&older);
    EXPECT_TRUE(unconverted.Save(&older));
    EXPECT_EQ(recorder->TotalWrites(), writes);
    EXPECT_EQ(VEncryptedStringKeyData::DerivationCount(), derivations);
    VStringArray after;
    key.ReadStringArray(u"Login Script V4", after);
    EXPECT_EQ(after, before);
    EXPECT_FALSE(older.ValueExists(u"Login Script V4"));
}

TEST_P(LoginScripts, ElementsThatCannotBeDecryptedAreKept)
{
    VProfileStore store;
    VProfileKey key(*store.GetRootKey(), u"S", 1);
    const VStringArray stored{Encrypt(u"1\x1fok\x1f\x1f\x1f"), u"03:damaged", VUnicodeString()};
    key.WriteStringArray(u"Login Script V4", stored);
    key.WriteString(u"Login Script V3", u"03:never read");
    VReportPtr report = NewReport();
    ProfileExpectSendList list;
    EXPECT_TRUE(list.Load(&key, report.Get()));
    EXPECT_EQ(list.GetSteps(report.Get()), (Steps{{true, u"ok", u"", u""}})); // the empty element gives no step
    EXPECT_EQ(report->GetMessageId(), kMsgEncryptedValueDamaged);
    EXPECT_EQ(list.UndecryptableCount(), 1u);
    const int writes = recorder->TotalWrites();
    EXPECT_TRUE(list.Save(&key));
    EXPECT_EQ(recorder->TotalWrites(), writes);

    // A V3 list that cannot be decrypted is not shadowed by an empty V4.
    VProfileKey older(*store.GetRootKey(), u"Older", 1);
    older.WriteString(u"Login Script V3", u"03:" + std::u16string(128, u'a'));
    ProfileExpectSendList unconverted;
    EXPECT_TRUE(unconverted.Load(&older, report.Get())); // nothing decrypted while loading
    report->SetMessageId(0);
    EXPECT_TRUE(unconverted.GetSteps(report.Get()).empty());
    EXPECT_EQ(report->GetMessageId(), kMsgEncryptedValueWrongPassphrase);
    EXPECT_TRUE(unconverted.HasPendingOlder());
    EXPECT_TRUE(unconverted.Save(&older));
    EXPECT_FALSE(older.ValueExists(u"Login Script V4"));
}

ORV_BOTH_BACKENDS(LoginScripts);

TEST(LoginScriptText, OlderPlaintextsSplitThreeFieldsAStep)
{
    using L = ProfileExpectSendList;
    EXPECT_TRUE(L::SplitOlderPlaintext(u"").empty());
    EXPECT_TRUE(L::SplitOlderPlaintext(u"1\x1fonly two").empty());
    EXPECT_EQ(L::SplitOlderPlaintext(u"1\x1f" u"a\x1f" u"b"), (Steps{{true, u"a", u"b", u""}}));
    EXPECT_EQ(L::SplitOlderPlaintext(u"0\x1f" u"a\x1f" u"b\x1f"), (Steps{{false, u"a", u"b", u""}}));
    EXPECT_EQ(L::SplitOlderPlaintext(u"0\x1f" u"a\x1f" u"b\x1f" u"1\x1f" u"c"),
              (Steps{{false, u"a", u"b", u""}, {true, u"c", u"", u""}}));
    // Any flag field not starting with "0" is set.
    EXPECT_EQ(L::SplitOlderPlaintext(u"\x1f\x1f"), (Steps{{true, u"", u"", u""}}));
    EXPECT_EQ(L::SplitOlderPlaintext(u"01\x1f\x1f"), (Steps{{false, u"", u"", u""}}));

    ExpectSendStep step;
    EXPECT_FALSE(L::ParseStep(u"", step));
    ASSERT_TRUE(L::ParseStep(u"yes", step));
    EXPECT_EQ(step, (ExpectSendStep{true, u"", u"", u""}));
    const ExpectSendStep full{false, u"a b", u"\u00e9", u"\U0001F511"};
    ASSERT_TRUE(L::ParseStep(L::StepPlaintext(full), step));
    EXPECT_EQ(step, full);
}

} // namespace
