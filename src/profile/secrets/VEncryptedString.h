#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/Export.h"
#include "core/VUnicodeString.h"

class IReportMessageParams;
class VEncryptedStringKeyData;

inline constexpr uint32_t kMsgEncryptedValueDamaged = 0xE1620050;
inline constexpr uint32_t kMsgEncryptedValueWrongPassphrase = 0xE1620051;
inline constexpr uint32_t kMsgConfigPassphraseDisabled = 0xE1620052;
inline constexpr uint32_t kMsgPassphraseFileExposed = 0xE1620053;
inline constexpr uint32_t kMsgPassphraseFileUnusable = 0xE1620054;
inline constexpr uint32_t kMsgRandomBytesUnavailable = 0xE1620055;
inline constexpr uint32_t kMsgConfigPassphraseInvalid = 0xE1620056;

// The stored text of a secret: "03:" and lower-case hex of a 16-byte salt
// and the AES-256-CBC ciphertext of the plaintext record (32-bit
// little-endian length, UTF-8 text, SHA-256 of the text, padding to the
// block). "02:" texts, whose key needs no salt, are still read. The
// plaintext exists only while a caller holds it.
class ORV_EXPORT VEncryptedString : public VUnicodeString {
public:
    enum class Status {
        Ok,
        BadLength,           // one to three characters
        BadPrefix,           // neither "03:" nor "02:"
        BadHex,              // odd digit count or a character that is no hex digit
        BadCiphertextLength, // not whole blocks, or too short for a record
        BadRecordLength,     // the length field runs past the decrypted data
        DigestMismatch,      // wrong passphrase or damaged value
        BadText,             // the text is not UTF-8
    };
    static constexpr size_t kBlockSize = 16;
    static constexpr size_t kDigestSize = 32;
    static constexpr size_t kMinRecordSize = 4 + kDigestSize;

    VEncryptedString() = default;
    VEncryptedString(const VUnicodeString& stored) : VUnicodeString(stored) {} // NOLINT: a stored text is one
    VEncryptedString(const char16_t* stored) : VUnicodeString(stored) {}      // NOLINT

    uint32_t GetFlags() const { return m_flags; }
    void SetFlags(uint32_t flags) { m_flags = flags; }

    // The plaintext of this stored text. An empty text is an empty secret.
    Status Decrypt(VEncryptedStringKeyData& keyData, VUnicodeString& plaintext) const
    {
        return DecryptText(*this, keyData, plaintext);
    }
    // Replaces the stored text with the encryption of `plaintext` under a
    // fresh random salt. False with a report when no random bytes can be
    // had; the stored text is then unchanged. Raises IllegalSequence when
    // the plaintext is not valid UTF-16.
    bool Encrypt(const VUnicodeString& plaintext, VEncryptedStringKeyData& keyData, IReportMessageParams* report);
    // The same with a given salt: for tests and fuzzing, which must not
    // derive a key per run.
    void EncryptWithSalt(const VUnicodeString& plaintext, VEncryptedStringKeyData& keyData, const uint8_t* salt);

    static Status DecryptText(std::u16string_view text, VEncryptedStringKeyData& keyData, VUnicodeString& plaintext);
    // Whether `text` has the shape of a stored text ("03:" or "02:", hex
    // digits, whole blocks of a record), without a key: what can be taken
    // as a stored form from outside. An empty text is an empty secret.
    static Status CheckStoredForm(std::u16string_view text);
    // Checks and reads a decrypted plaintext record.
    static Status DecodeRecord(const uint8_t* record, size_t size, VUnicodeString& plaintext);
    // The report id for a failed decryption.
    static uint32_t MessageIdFor(Status status);

private:
    uint32_t m_flags = 0;
};
