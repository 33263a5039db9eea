#include "profile/secrets/VEncryptedStringKeyData.h"

#include <cryptopp/misc.h>
#include <cryptopp/sha.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "profile/secrets/BcryptPbkdf.h"

namespace {
std::atomic<uint64_t> g_derivations{0};
} // namespace

VEncryptedStringKeyData* VEncryptedStringKeyData::Create(const VUnicodeString& passphrase)
{
    return new VEncryptedStringKeyData(passphrase);
}

VEncryptedStringKeyData* VEncryptedStringKeyData::CreateSibling() const
{
    auto* sibling = new VEncryptedStringKeyData(VUnicodeString());
    sibling->m_passphrase = m_passphrase;
    return sibling;
}

VEncryptedStringKeyData::VEncryptedStringKeyData(const VUnicodeString& passphrase)
{
    std::string utf8 = passphrase.ToUtf8();
    m_passphrase.Assign(reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size());
    CryptoPP::SecureWipeBuffer(utf8.data(), utf8.size());
    Forget();
}

VEncryptedStringKeyData::~VEncryptedStringKeyData()
{
    // The secure blocks zero themselves too; this keeps the order explicit.
    Forget();
}

void VEncryptedStringKeyData::Forget()
{
    CryptoPP::SecureWipeBuffer(m_derived.data(), m_derived.size());
    CryptoPP::SecureWipeBuffer(m_salt.data(), m_salt.size());
    m_version = 0;
}

bool VEncryptedStringKeyData::HasPassphrase(const VUnicodeString& passphrase) const
{
    std::string utf8 = passphrase.ToUtf8();
    const bool same = utf8.size() == m_passphrase.size() &&
                      CryptoPP::VerifyBufsEqual(reinterpret_cast<const uint8_t*>(utf8.data()),
                                                m_passphrase.data(), utf8.size());
    CryptoPP::SecureWipeBuffer(utf8.data(), utf8.size());
    return same;
}

bool VEncryptedStringKeyData::Prepare(int version, const uint8_t* salt)
{
    if (version == 3) {
        if (m_version == 3 && std::memcmp(m_salt.data(), salt, kSaltSize) == 0)
            return true;
        Forget();
        BcryptPbkdf(m_passphrase.data(), m_passphrase.size(), salt, kSaltSize, m_derived.data(), m_derived.size(),
                    kPbkdfRounds);
        std::copy(salt, salt + kSaltSize, m_salt.data());
    } else if (version == 2) {
        if (m_version == 2)
            return true;
        Forget();
        // Key: SHA-256 of the passphrase; IV: the first half of SHA-256 of the key.
        CryptoPP::SHA256 sha;
        sha.CalculateDigest(m_derived.data(), m_passphrase.data(), m_passphrase.size());
        CryptoPP::FixedSizeSecBlock<uint8_t, CryptoPP::SHA256::DIGESTSIZE> second;
        sha.CalculateDigest(second.data(), m_derived.data(), kKeySize);
        std::copy(second.data(), second.data() + kIvSize, m_derived.data() + kKeySize);
    } else {
        return false;
    }
    m_version = version;
    g_derivations.fetch_add(1, std::memory_order_relaxed);
    return true;
}

uint64_t VEncryptedStringKeyData::DerivationCount()
{
    return g_derivations.load(std::memory_order_relaxed);
}
