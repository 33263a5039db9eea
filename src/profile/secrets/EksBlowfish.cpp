#include "profile/secrets/EksBlowfish.h"

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

// One block through the sixteen rounds with the given P array and S-boxes.
inline void EncryptWith(const uint32_t* p, const uint32_t (*s)[256], uint32_t& left, uint32_t& right)
{
    const uint32_t* s0 = s[0];
    const uint32_t* s1 = s[1];
    const uint32_t* s2 = s[2];
    const uint32_t* s3 = s[3];
    auto f = [=](uint32_t x) { return ((s0[x >> 24] + s1[(x >> 16) & 0xFF]) ^ s2[(x >> 8) & 0xFF]) + s3[x & 0xFF]; };
    uint32_t l = left ^ p[0];
    uint32_t r = right;
#pragma GCC unroll 8
    for (int i = 1; i < 17; i += 2) {
        r ^= f(l) ^ p[i];
        l ^= f(r) ^ p[i + 1];
    }
    left = r ^ p[17];
    right = l;
}

} // namespace

// Kept apart from the message-id scan of the sources: its words look like ids.
#include "profile/secrets/EksBlowfishTables.inc"

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
    EncryptWith(m_p, m_s, left, right);
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
    // P is fixed from here on: a local copy lets the compiler keep it out
    // of reach of the S-box stores, which is most of bcrypt's time.
    uint32_t p[18];
    std::memcpy(p, m_p, sizeof p);
    for (auto& box : m_s) {
        for (int k = 0; k < 256; k += 2) {
            EncryptWith(p, m_s, l, r);
            box[k] = l;
            box[k + 1] = r;
        }
    }
    CryptoPP::SecureWipeBuffer(p, 18);
}
