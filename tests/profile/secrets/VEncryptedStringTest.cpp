#include <gtest/gtest.h>

#include <cryptopp/aes.h>
#include <cryptopp/modes.h>
#include <cryptopp/sha.h>

#include <string>
#include <vector>

#include "SecretFakes.h"
#include "core/Exceptions.h"
#include "profile/secrets/VEncryptedString.h"
#include "profile/secrets/VEncryptedStringKeyData.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

using Status = VEncryptedString::Status;
using KeyDataPtr = VUnknownPointer<VEncryptedStringKeyData>;

constexpr char16_t kPassphrase[] = u"correct horse \u2713";
const uint8_t kSalt[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

// Made with OpenSSH's bcrypt_pbkdf (python3-bcrypt), OpenSSL's AES-CBC and
// hashlib's SHA-256, from kPassphrase: an independent writer of the form.
constexpr char16_t kThirdPartyV3[] =
    u"03:000102030405060708090a0b0c0d0e0f9579dc8cc58950efb232893606ce46516005036cd6077ecf8d6134096f74b2b5a6e6d761"
    u"8267d9449d662d4b9310ad4a8a6d9e0097881364b4db4c6a1e023324";
constexpr char16_t kThirdPartyV3Plaintext[] = u"Gr\u00fc\u00dfe, \u4e16\u754c \U0001F511";
constexpr char16_t kThirdPartyV2[] =
    u"02:750af9de1a5b9fd20127962915cb6d24f99d0bdfd17626c47316cb5f77e9e41e553b4b7897b5e95938f9f064725d8bd5";

class EncryptedStrings : public ::testing::Test {
protected:
    KeyDataPtr keyData{VEncryptedStringKeyData::Create(kPassphrase)};

    // "03:" + salt + AES-256-CBC(record) under kSalt, for hand-made records.
    std::u16string WithRecord(const std::vector<uint8_t>& record)
    {
        keyData->Prepare(3, kSalt);
        std::vector<uint8_t> body(kSalt, kSalt + 16);
        body.resize(16 + record.size());
        CryptoPP::CBC_Mode<CryptoPP::AES>::Encryption aes;
        aes.SetKeyWithIV(keyData->Key(), 32, keyData->Iv(), 16);
        aes.ProcessData(body.data() + 16, record.data(), record.size());
        std::u16string text = u"03:";
        for (char c : ToHex(body))
            text.push_back(static_cast<char16_t>(c));
        return text;
    }

    static std::vector<uint8_t> Record(const std::string& text, uint32_t length, size_t size)
    {
        std::vector<uint8_t> record(size, 0);
        for (int b = 0; b < 4; ++b)
            record[b] = static_cast<uint8_t>(length >> (8 * b));
        std::copy(text.begin(), text.end(), record.begin() + 4);
        CryptoPP::SHA256().CalculateDigest(record.data() + 4 + text.size(),
                                           reinterpret_cast<const uint8_t*>(text.data()), text.size());
        return record;
    }

    Status Decrypt(std::u16string_view text, VUnicodeString& plaintext)
    {
        return VEncryptedString::DecryptText(text, *keyData, plaintext);
    }
};

TEST_F(EncryptedStrings, MalformedTextsFailBeforeAnyDerivation)
{
    const std::u16string salt(32, u'0');
    const struct {
        std::u16string text;
        Status status;
    } cases[] = {
        {u"0", Status::BadLength},
        {u"03", Status::BadLength},
        {u"03:", Status::BadLength},
        {u"04:00", Status::BadPrefix},
        {u"3:0000", Status::BadPrefix},
        {u"03:abc", Status::BadHex},
        {u"03:" + salt + std::u16string(96, u'0') + u"0", Status::BadHex},
        {u"03:" + salt + u"zz" + std::u16string(94, u'0'), Status::BadHex},
        {u"03:" + salt.substr(0, 30), Status::BadCiphertextLength},         // salt cut short
        {u"03:" + salt + std::u16string(64, u'0'), Status::BadCiphertextLength}, // 32 bytes: under 36
        {u"03:" + salt + std::u16string(100, u'0'), Status::BadCiphertextLength}, // not whole blocks
        {u"02:" + std::u16string(64, u'0'), Status::BadCiphertextLength},
    };
    const uint64_t before = VEncryptedStringKeyData::DerivationCount();
    for (const auto& c : cases) {
        VUnicodeString plaintext(u"untouched");
        EXPECT_EQ(Decrypt(c.text, plaintext), c.status) << VUnicodeString(c.text).ToUtf8();
    }
    EXPECT_EQ(VEncryptedStringKeyData::DerivationCount(), before);

    VUnicodeString plaintext(u"x");
    EXPECT_EQ(Decrypt(u"", plaintext), Status::Ok);
    EXPECT_TRUE(plaintext.IsEmpty());
}

TEST_F(EncryptedStrings, ReadsTextsMadeByAnotherImplementationInEitherCase)
{
    VUnicodeString plaintext;
    EXPECT_EQ(Decrypt(kThirdPartyV3, plaintext), Status::Ok);
    EXPECT_EQ(plaintext, VUnicodeString(kThirdPartyV3Plaintext));

    VEncryptedString upper(kThirdPartyV3);
    upper.MakeUpper();
    plaintext = VUnicodeString();
    EXPECT_EQ(upper.Decrypt(*keyData, plaintext), Status::Ok);
    EXPECT_EQ(plaintext, VUnicodeString(kThirdPartyV3Plaintext));

    EXPECT_EQ(Decrypt(kThirdPartyV2, plaintext), Status::Ok);
    EXPECT_EQ(plaintext, VUnicodeString(u"hunter2"));

    KeyDataPtr wrong(VEncryptedStringKeyData::Create(u"correct horse"));
    const Status status = VEncryptedString::DecryptText(kThirdPartyV3, *wrong, plaintext);
    EXPECT_TRUE(status == Status::DigestMismatch || status == Status::BadRecordLength);
    EXPECT_EQ(VEncryptedString::MessageIdFor(status), kMsgEncryptedValueWrongPassphrase);
}

TEST_F(EncryptedStrings, WritesTheSameFormAsAnotherImplementation)
{
    VEncryptedString text;
    text.EncryptWithSalt(kThirdPartyV3Plaintext, *keyData, kSalt);
    EXPECT_EQ(text, VUnicodeString(kThirdPartyV3)); // zero padding, lower-case hex
}

TEST_F(EncryptedStrings, RoundTripsAnyText)
{
    const std::u16string texts[] = {u"", u"a", u"p\u00e4ssw\u00f6rd \u20ac", u"\u65e5\u672c\u8a9e \U0001F511",
                                    std::u16string(11, u'x'), std::u16string(12, u'x'), std::u16string(1000, u'\u00e9')};
    for (const std::u16string& text : texts) {
        VEncryptedString stored;
        stored.EncryptWithSalt(text, *keyData, kSalt);
        const size_t utf8 = VUnicodeString(text).ToUtf8().size();
        EXPECT_EQ(stored.Length(), 3 + 2 * (16 + (36 + utf8 + 15) / 16 * 16));
        EXPECT_TRUE(stored.StartsWith(u"03:000102030405060708090a0b0c0d0e0f"));
        VUnicodeString plaintext;
        EXPECT_EQ(stored.Decrypt(*keyData, plaintext), Status::Ok);
        EXPECT_EQ(plaintext, VUnicodeString(text));
    }
}

TEST_F(EncryptedStrings, EachEncryptionTakesAFreshSalt)
{
    FakeRandomSource random;
    VEncryptedString first;
    VEncryptedString second;
    ASSERT_TRUE(first.Encrypt(u"same", *keyData, nullptr));
    ASSERT_TRUE(second.Encrypt(u"same", *keyData, nullptr));
    EXPECT_EQ(random.requests, 2u);
    EXPECT_NE(first, second);
    EXPECT_TRUE(first.StartsWith(u"03:000102030405060708090a0b0c0d0e0f"));
    EXPECT_TRUE(second.StartsWith(u"03:101112131415161718191a1b1c1d1e1f"));
    for (const VEncryptedString* stored : {&first, &second}) {
        VUnicodeString plaintext;
        EXPECT_EQ(stored->Decrypt(*keyData, plaintext), Status::Ok);
        EXPECT_EQ(plaintext, VUnicodeString(u"same"));
    }
}

TEST_F(EncryptedStrings, AKeyIsDerivedOnceForTheSameSalt)
{
    VEncryptedString a;
    VEncryptedString b;
    a.EncryptWithSalt(u"one", *keyData, kSalt);
    uint8_t other[16] = {9};
    b.EncryptWithSalt(u"two", *keyData, other);
    const uint64_t before = VEncryptedStringKeyData::DerivationCount();
    VUnicodeString plaintext;
    b.Decrypt(*keyData, plaintext); // the key of b is held
    a.Decrypt(*keyData, plaintext);
    a.Decrypt(*keyData, plaintext);
    EXPECT_EQ(plaintext, VUnicodeString(u"one"));
    EXPECT_EQ(VEncryptedStringKeyData::DerivationCount(), before + 1);
}

TEST_F(EncryptedStrings, RecordChecks)
{
    VUnicodeString plaintext;
    // The length may reach the decrypted size minus 36, not beyond.
    EXPECT_EQ(Decrypt(WithRecord(Record("abcdefghijkl", 12, 48)), plaintext), Status::Ok);
    EXPECT_EQ(plaintext, VUnicodeString(u"abcdefghijkl"));
    EXPECT_EQ(Decrypt(WithRecord(Record("abcdefghijkl", 13, 48)), plaintext), Status::BadRecordLength);
    EXPECT_EQ(Decrypt(WithRecord(Record("abc", 0xFFFFFFF0u, 48)), plaintext), Status::BadRecordLength);

    std::vector<uint8_t> damaged = Record("secret", 6, 48);
    damaged[5] ^= 0x20;
    EXPECT_EQ(Decrypt(WithRecord(damaged), plaintext), Status::DigestMismatch);

    EXPECT_EQ(Decrypt(WithRecord(Record("\xC3\x28", 2, 48)), plaintext), Status::BadText);
    EXPECT_EQ(VEncryptedString::MessageIdFor(Status::BadText), kMsgEncryptedValueDamaged);
    EXPECT_EQ(VEncryptedString::MessageIdFor(Status::BadHex), kMsgEncryptedValueDamaged);
}

TEST_F(EncryptedStrings, NoRandomBytesLeavesTheTextAndReports)
{
    FakeRandomSource random;
    random.fail = true;
    VEncryptedString text(u"03:kept");
    text.SetFlags(5);
    VReportPtr report = NewReport();
    EXPECT_FALSE(text.Encrypt(u"new", *keyData, report.Get()));
    EXPECT_EQ(report->GetMessageId(), kMsgRandomBytesUnavailable);
    EXPECT_EQ(text, VUnicodeString(u"03:kept"));
    EXPECT_EQ(VEncryptedString(text).GetFlags(), 5u);
    EXPECT_THROW(text.EncryptWithSalt(std::u16string(1, char16_t(0xD800)), *keyData, kSalt), IllegalSequence);
}

} // namespace
