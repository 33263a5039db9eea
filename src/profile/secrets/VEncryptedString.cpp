#include "profile/secrets/VEncryptedString.h"

#include <cryptopp/aes.h>
#include <cryptopp/misc.h>
#include <cryptopp/modes.h>
#include <cryptopp/secblock.h>
#include <cryptopp/sha.h>

#include <cstring>
#include <string>

#include "core/Exceptions.h"
#include "core/HexDigit.h"
#include "platform/PlatformError.h"
#include "platform/RandomSource.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/secrets/VEncryptedStringKeyData.h"

namespace {

constexpr char16_t kPrefix3[] = u"03:";
constexpr char16_t kPrefix2[] = u"02:";
constexpr size_t kPrefixLength = 3;

bool HexDecode(std::u16string_view digits, CryptoPP::SecByteBlock& out)
{
    if (digits.size() % 2 != 0)
        return false;
    out.New(digits.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) {
        const int high = HexDigitValue(digits[2 * i]);
        const int low = HexDigitValue(digits[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        out[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return true;
}

void HexAppend(std::u16string& text, const uint8_t* data, size_t size)
{
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    for (size_t i = 0; i < size; ++i) {
        text.push_back(kDigits[data[i] >> 4]);
        text.push_back(kDigits[data[i] & 0xF]);
    }
}

} // namespace

VEncryptedString::Status VEncryptedString::DecryptText(std::u16string_view text, VEncryptedStringKeyData& keyData,
                                                       VUnicodeString& plaintext)
{
    if (text.empty()) {
        plaintext = VUnicodeString();
        return Status::Ok;
    }
    if (text.size() <= kPrefixLength)
        return Status::BadLength;
    int version = 0;
    if (text.starts_with(kPrefix3))
        version = 3;
    else if (text.starts_with(kPrefix2))
        version = 2;
    else
        return Status::BadPrefix;

    CryptoPP::SecByteBlock body;
    if (!HexDecode(text.substr(kPrefixLength), body))
        return Status::BadHex;
    const size_t saltSize = version == 3 ? VEncryptedStringKeyData::kSaltSize : 0;
    if (body.size() < saltSize)
        return Status::BadCiphertextLength;
    const size_t cipherSize = body.size() - saltSize;
    // Checked before the key is derived: a malformed text costs no derivation.
    if (cipherSize % kBlockSize != 0 || cipherSize < kMinRecordSize)
        return Status::BadCiphertextLength;

    keyData.Prepare(version, version == 3 ? body.data() : nullptr);
    CryptoPP::SecByteBlock record(cipherSize);
    CryptoPP::CBC_Mode<CryptoPP::AES>::Decryption aes;
    aes.SetKeyWithIV(keyData.Key(), VEncryptedStringKeyData::kKeySize, keyData.Iv(),
                     VEncryptedStringKeyData::kIvSize);
    aes.ProcessData(record.data(), body.data() + saltSize, cipherSize);
    return DecodeRecord(record.data(), record.size(), plaintext);
}

VEncryptedString::Status VEncryptedString::CheckStoredForm(std::u16string_view text)
{
    if (text.empty())
        return Status::Ok;
    if (text.size() <= kPrefixLength)
        return Status::BadLength;
    const bool version3 = text.starts_with(kPrefix3);
    if (!version3 && !text.starts_with(kPrefix2))
        return Status::BadPrefix;
    const std::u16string_view digits = text.substr(kPrefixLength);
    if (digits.size() % 2 != 0)
        return Status::BadHex;
    for (char16_t c : digits)
        if (HexDigitValue(c) < 0)
            return Status::BadHex;
    const size_t saltSize = version3 ? VEncryptedStringKeyData::kSaltSize : 0;
    const size_t bytes = digits.size() / 2;
    if (bytes < saltSize || (bytes - saltSize) % kBlockSize != 0 || bytes - saltSize < kMinRecordSize)
        return Status::BadCiphertextLength;
    return Status::Ok;
}

VEncryptedString::Status VEncryptedString::DecodeRecord(const uint8_t* record, size_t size, VUnicodeString& plaintext)
{
    if (size < kMinRecordSize)
        return Status::BadCiphertextLength;
    const uint32_t length = uint32_t(record[0]) | uint32_t(record[1]) << 8 | uint32_t(record[2]) << 16 |
                            uint32_t(record[3]) << 24;
    if (length > size - kMinRecordSize)
        return Status::BadRecordLength;
    const uint8_t* text = record + 4;
    uint8_t digest[kDigestSize];
    CryptoPP::SHA256().CalculateDigest(digest, text, length);
    if (!CryptoPP::VerifyBufsEqual(digest, text + length, kDigestSize))
        return Status::DigestMismatch;
    try {
        plaintext = VUnicodeString::FromUtf8(std::string_view(reinterpret_cast<const char*>(text), length));
    } catch (const IllegalSequence&) {
        return Status::BadText;
    }
    return Status::Ok;
}

void VEncryptedString::EncryptWithSalt(const VUnicodeString& plaintext, VEncryptedStringKeyData& keyData,
                                       const uint8_t* salt)
{
    std::string utf8 = plaintext.ToUtf8();
    const size_t length = utf8.size();
    const size_t recordSize = (kMinRecordSize + length + kBlockSize - 1) / kBlockSize * kBlockSize;
    CryptoPP::SecByteBlock record(recordSize); // zero padding
    std::memset(record.data(), 0, recordSize);
    for (size_t b = 0; b < 4; ++b)
        record[b] = static_cast<uint8_t>(length >> (8 * b));
    std::memcpy(record.data() + 4, utf8.data(), length);
    CryptoPP::SecureWipeBuffer(utf8.data(), utf8.size());
    CryptoPP::SHA256().CalculateDigest(record.data() + 4 + length, record.data() + 4, length);

    keyData.Prepare(3, salt);
    CryptoPP::SecByteBlock cipher(recordSize);
    CryptoPP::CBC_Mode<CryptoPP::AES>::Encryption aes;
    aes.SetKeyWithIV(keyData.Key(), VEncryptedStringKeyData::kKeySize, keyData.Iv(),
                     VEncryptedStringKeyData::kIvSize);
    aes.ProcessData(cipher.data(), record.data(), recordSize);

    std::u16string text = kPrefix3;
    text.reserve(kPrefixLength + 2 * (VEncryptedStringKeyData::kSaltSize + recordSize));
    HexAppend(text, salt, VEncryptedStringKeyData::kSaltSize);
    HexAppend(text, cipher.data(), recordSize);
    str() = std::move(text);
}

bool VEncryptedString::Encrypt(const VUnicodeString& plaintext, VEncryptedStringKeyData& keyData,
                               IReportMessageParams* report)
{
    uint8_t salt[VEncryptedStringKeyData::kSaltSize];
    if (!GetRandomSource().GetBytes(salt, sizeof salt))
        return Report(report, kMsgRandomBytesUnavailable, VUnicodeString(PlatformErrorText(GetPlatformLastError())));
    EncryptWithSalt(plaintext, keyData, salt);
    return true;
}

uint32_t VEncryptedString::MessageIdFor(Status status)
{
    switch (status) {
    case Status::Ok: return 0;
    case Status::BadRecordLength:
    case Status::DigestMismatch: return kMsgEncryptedValueWrongPassphrase;
    default: return kMsgEncryptedValueDamaged;
    }
}
