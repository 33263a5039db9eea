#pragma once

#include <cryptopp/secblock.h>

#include <cstddef>
#include <cstdint>

#include "core/Export.h"
#include "core/VUnicodeString.h"
#include "core/VUnknown.h"

// The key material behind encrypted configuration strings: the passphrase
// and the key and IV last derived from it, with the version and salt they
// were derived for. A value with the same version and salt reuses the key;
// anything else derives again. Everything derived is overwritten with
// zeros when it is dropped. Not shared between threads.
class ORV_EXPORT VEncryptedStringKeyData final : public VUnknown<IVUnknown> {
public:
    static constexpr size_t kSaltSize = 16;
    static constexpr size_t kKeySize = 32;
    static constexpr size_t kIvSize = 16;
    static constexpr unsigned kPbkdfRounds = 16;

    // A new key data with one reference.
    static VEncryptedStringKeyData* Create(const VUnicodeString& passphrase);
    // A new key data (one reference) of the same passphrase with nothing
    // derived: one for each thread that derives keys at once.
    VEncryptedStringKeyData* CreateSibling() const;

    // Makes Key() and Iv() those of `version` (2 or 3) and, for version 3,
    // the 16-byte `salt`, deriving them only when the held ones differ.
    // False for an unknown version.
    bool Prepare(int version, const uint8_t* salt);
    const uint8_t* Key() const { return m_derived.data(); }
    const uint8_t* Iv() const { return m_derived.data() + kKeySize; }
    bool HasKey() const { return m_version != 0; }
    int Version() const { return m_version; }

    bool HasPassphrase(const VUnicodeString& passphrase) const;
    // Drops the derived key (zeroed); the next Prepare derives again.
    void Forget();

    // How many keys have been derived in this process, of either version:
    // lets callers prove that an operation derived none.
    static uint64_t DerivationCount();

private:
    explicit VEncryptedStringKeyData(const VUnicodeString& passphrase);
    ~VEncryptedStringKeyData() override;

    CryptoPP::SecByteBlock m_passphrase; // UTF-8
    CryptoPP::FixedSizeSecBlock<uint8_t, kKeySize + kIvSize> m_derived;
    CryptoPP::FixedSizeSecBlock<uint8_t, kSaltSize> m_salt;
    int m_version = 0; // 0: nothing derived
};
