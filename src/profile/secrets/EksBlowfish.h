#pragma once

#include <cstddef>
#include <cstdint>

// Blowfish with the salted, repeatable key schedule that bcrypt needs. A
// packaged Blowfish cipher keys itself once from a fresh state and hides
// that state, so the expansion is done here.
class EksBlowfish {
public:
    EksBlowfish() { Reset(); }
    ~EksBlowfish();
    EksBlowfish(const EksBlowfish&) = delete;
    EksBlowfish& operator=(const EksBlowfish&) = delete;

    // Back to the initial state (the digits of pi).
    void Reset();
    // Keys the state with `key` while mixing `salt` into every chained
    // encryption. Both are read as repeating streams of big-endian words.
    void ExpandState(const uint8_t* salt, size_t saltSize, const uint8_t* key, size_t keySize);
    // Keys the state with `key` alone; on a fresh state this is Blowfish's
    // own key schedule.
    void Expand0State(const uint8_t* key, size_t keySize);
    // Encrypts one 64-bit block held as two words.
    void Encrypt(uint32_t& left, uint32_t& right) const;

    static const uint32_t kInitialP[18];
    static const uint32_t kInitialS[4][256];

private:
    uint32_t Feistel(uint32_t x) const
    {
        return ((m_s[0][x >> 24] + m_s[1][(x >> 16) & 0xFF]) ^ m_s[2][(x >> 8) & 0xFF]) + m_s[3][x & 0xFF];
    }

    uint32_t m_p[18];
    uint32_t m_s[4][256];
};
