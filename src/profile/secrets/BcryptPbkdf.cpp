#include "profile/secrets/BcryptPbkdf.h"

#include <cryptopp/misc.h>
#include <cryptopp/secblock.h>
#include <cryptopp/sha.h>

#include <algorithm>

#include "profile/secrets/EksBlowfish.h"

namespace {

constexpr size_t kHashSize = 32;
constexpr size_t kShaSize = CryptoPP::SHA512::DIGESTSIZE;
constexpr int kExpansions = 64;
constexpr int kEncryptions = 64;
// Encrypted by the hash: 32 bytes, read as eight big-endian words.
constexpr char kMagic[] = "OxychromaticBlowfishSwatDynamite";

void BcryptHash(EksBlowfish& state, const uint8_t* shaPass, const uint8_t* shaSalt, uint8_t* out)
{
    state.Reset();
    state.ExpandState(shaSalt, kShaSize, shaPass, kShaSize);
    for (int i = 0; i < kExpansions; ++i) {
        state.Expand0State(shaSalt, kShaSize);
        state.Expand0State(shaPass, kShaSize);
    }

    uint32_t words[8];
    for (size_t w = 0; w < 8; ++w) {
        const auto* p = reinterpret_cast<const uint8_t*>(kMagic) + 4 * w;
        words[w] = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
    }
    for (int i = 0; i < kEncryptions; ++i)
        for (size_t w = 0; w < 8; w += 2)
            state.Encrypt(words[w], words[w + 1]);

    // The words go out least significant byte first.
    for (size_t w = 0; w < 8; ++w)
        for (size_t b = 0; b < 4; ++b)
            out[4 * w + b] = static_cast<uint8_t>(words[w] >> (8 * b));
    CryptoPP::SecureWipeBuffer(words, 8);
}

} // namespace

bool BcryptPbkdf(const uint8_t* passphrase, size_t passphraseSize, const uint8_t* salt, size_t saltSize,
                 uint8_t* key, size_t keySize, unsigned rounds)
{
    if (rounds == 0 || saltSize == 0 || keySize == 0 || keySize > 1024)
        return false;

    const size_t stride = (keySize + kHashSize - 1) / kHashSize;
    const size_t perBlock = (keySize + stride - 1) / stride;

    CryptoPP::SecByteBlock shaPass(kShaSize);
    CryptoPP::SecByteBlock shaSalt(kShaSize);
    CryptoPP::SecByteBlock countSalt(saltSize + 4);
    CryptoPP::SecByteBlock hash(kHashSize);
    CryptoPP::SecByteBlock block(kHashSize);
    CryptoPP::SHA512 sha;
    sha.CalculateDigest(shaPass, passphrase, passphraseSize);
    std::copy(salt, salt + saltSize, countSalt.begin());
    EksBlowfish state;

    size_t left = keySize;
    for (uint32_t count = 1; left > 0; ++count) {
        countSalt[saltSize] = static_cast<uint8_t>(count >> 24);
        countSalt[saltSize + 1] = static_cast<uint8_t>(count >> 16);
        countSalt[saltSize + 2] = static_cast<uint8_t>(count >> 8);
        countSalt[saltSize + 3] = static_cast<uint8_t>(count);
        sha.CalculateDigest(shaSalt, countSalt, countSalt.size());
        BcryptHash(state, shaPass, shaSalt, hash);
        std::copy(hash.begin(), hash.end(), block.begin());
        for (unsigned r = 1; r < rounds; ++r) {
            sha.CalculateDigest(shaSalt, hash, hash.size());
            BcryptHash(state, shaPass, shaSalt, hash);
            for (size_t i = 0; i < kHashSize; ++i)
                block[i] ^= hash[i];
        }

        // Byte i of this block lands at i * stride + (count - 1): every
        // block contributes to the whole key.
        const size_t take = std::min(perBlock, left);
        size_t i = 0;
        for (; i < take; ++i) {
            const size_t dest = i * stride + (count - 1);
            if (dest >= keySize)
                break;
            key[dest] = block[i];
        }
        left -= i;
    }
    return true;
}
