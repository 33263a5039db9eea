#include "profile/EksBlowfish.h"

#include <cryptopp/misc.h>

#include <cstring>

namespace {

// The next big-endian word of `data`, wrapping round at its end.
inline uint32_t StreamWord(const uint8_t* data, size_t size, size_t& pos)
{
    uint32_t word = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos >= size)
            pos = 0;
        word = (word << 8) | data[pos++];
    }
    return word;
}

} // namespace

// Kept apart from the message-id scan of the sources: its words look like ids.
#include "profile/EksBlowfishTables.inc"

EksBlowfish::~EksBlowfish()
{
    // The state is derived from secret material.
    CryptoPP::SecureWipeBuffer(m_p, 18);
    CryptoPP::SecureWipeBuffer(&m_s[0][0], 4 * 256);
}

void EksBlowfish::Reset()
{
    std::memcpy(m_p, kInitialP, sizeof m_p);
    std::memcpy(m_s, kInitialS, sizeof m_s);
}

void EksBlowfish::Encrypt(uint32_t& left, uint32_t& right) const
{
    uint32_t l = left ^ m_p[0];
    uint32_t r = right;
    for (int i = 1; i < 17; i += 2) {
        r ^= Feistel(l) ^ m_p[i];
        l ^= Feistel(r) ^ m_p[i + 1];
    }
    left = r ^ m_p[17];
    right = l;
}

void EksBlowfish::ExpandState(const uint8_t* salt, size_t saltSize, const uint8_t* key, size_t keySize)
{
    size_t pos = 0;
    for (uint32_t& p : m_p)
        p ^= StreamWord(key, keySize, pos);

    pos = 0;
    uint32_t l = 0;
    uint32_t r = 0;
    for (int i = 0; i < 18; i += 2) {
        l ^= StreamWord(salt, saltSize, pos);
        r ^= StreamWord(salt, saltSize, pos);
        Encrypt(l, r);
        m_p[i] = l;
        m_p[i + 1] = r;
    }
    for (auto& box : m_s) {
        for (int k = 0; k < 256; k += 2) {
            l ^= StreamWord(salt, saltSize, pos);
            r ^= StreamWord(salt, saltSize, pos);
            Encrypt(l, r);
            box[k] = l;
            box[k + 1] = r;
        }
    }
}

void EksBlowfish::Expand0State(const uint8_t* key, size_t keySize)
{
    size_t pos = 0;
    for (uint32_t& p : m_p)
        p ^= StreamWord(key, keySize, pos);

    uint32_t l = 0;
    uint32_t r = 0;
    for (int i = 0; i < 18; i += 2) {
        Encrypt(l, r);
        m_p[i] = l;
        m_p[i + 1] = r;
    }
    for (auto& box : m_s) {
        for (int k = 0; k < 256; k += 2) {
            Encrypt(l, r);
            box[k] = l;
            box[k + 1] = r;
        }
    }
}
