#include <gtest/gtest.h>

#include <cryptopp/blowfish.h>

#include <string>
#include <vector>

#include "SecretFakes.h"
#include "profile/secrets/BcryptPbkdf.h"
#include "profile/secrets/EksBlowfish.h"
#include "profile/secrets/VEncryptedStringKeyData.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s)
{
    return {s.begin(), s.end()};
}

std::string Derive(const std::string& passphrase, const std::string& salt, unsigned rounds, size_t size)
{
    std::vector<uint8_t> key(size, 0xEE);
    const bool ok = BcryptPbkdf(reinterpret_cast<const uint8_t*>(passphrase.data()), passphrase.size(),
                                reinterpret_cast<const uint8_t*>(salt.data()), salt.size(), key.data(), key.size(),
                                rounds);
    return ok ? ToHex(key) : "refused";
}

// OpenBSD's bcrypt_pbkdf regression vectors, as published with the
// RustCrypto bcrypt-pbkdf crate (tests/test_vectors.rs). They cover keys
// of one, two and three 32-byte blocks, so the output striding too.
TEST(BcryptPbkdf, MatchesThePublishedVectors)
{
    using namespace std::string_literals;
    struct Vector {
        std::string passphrase, salt;
        unsigned rounds;
        std::string key;
    };
    const Vector vectors[] = {
        {"password", "salt", 4, "5bbf0cc293587f1c3635555c27796598d47e579071bf427e9d8fbe842aba34d9"},
        {"password", "\0"s, 4, "c12b566235eee04c212598970a579a67"},
        {"\0"s, "salt", 4, "6051be18c2f4f82cbf0efee5471b4bb9"},
        {"password\0"s, "salt\0"s, 4, "7410e44cf4fa07bfaac8a928b1727fac001375e7bf7384370f48efd121743050"},
        {"pass\0wor"s, "sa\0l"s, 4, "c2bffd9db38f6569efef4372f4de83c0"},
        {"pass\0word"s, "sa\0lt"s, 4, "4ba4ac3925c0e8d7f0cdb6bb1684a56f"},
        {"password", "salt", 8,
         "e1367ec5151a33faac4cc1c144cd23fa15d5548493ecc99b9b5d9c0d3b27bec76227ea66088b849b20ab7aa478010246e74bba51"
         "723fefa9f9474d6508845e8d"},
        {"password", "salt", 42, "833cf0dcf56db65608e8f0dc0ce882bd"},
        {"Lorem ipsum dolor sit amet, consectetur adipisicing elit, sed do eiusmod tempor incididunt ut labore et "
         "dolore magna aliqua. Ut enim ad minim veniam, quis nostrud exercitation ullamco laboris nisi ut aliquip ex "
         "ea commodo consequat. Duis aute irure dolor in reprehenderit in voluptate velit esse cillum dolore eu "
         "fugiat nulla pariatur. Excepteur sint occaecat cupidatat non proident, sunt in culpa qui officia deserunt "
         "mollit anim id est laborum.",
         "salis\0"s, 8, "10978b07253df57f71a162eb0e8ad30a"},
    };
    for (const Vector& v : vectors)
        EXPECT_EQ(Derive(v.passphrase, v.salt, v.rounds, v.key.size() / 2), v.key) << v.rounds << " " << v.key;
}

// Our parameters (16 rounds, 16-byte salt, 48 bytes), as OpenSSH's own
// implementation in python3-bcrypt derives them.
TEST(BcryptPbkdf, MatchesOpenSshAtTheStoredStringParameters)
{
    std::string salt;
    for (char c = 0; c < 16; ++c)
        salt.push_back(c);
    EXPECT_EQ(Derive("correct horse \xE2\x9C\x93", salt, 16, 48),
              "ebde9f4b78da29dd484a17b7004fc0735ff6c71305c46af60e36915894b656498128ad9114b54f6dc229a0ba5f670082");
}

TEST(BcryptPbkdf, RefusesWhatOpenSshRefuses)
{
    EXPECT_EQ(Derive("pw", "salt", 0, 16), "refused");
    EXPECT_EQ(Derive("pw", "", 4, 16), "refused");
    EXPECT_EQ(Derive("pw", "salt", 4, 0), "refused");
    EXPECT_EQ(Derive("pw", "salt", 4, 1025), "refused");
    EXPECT_NE(Derive("pw", "salt", 1, 1024), "refused");
}

// On a fresh state, keying with Expand0State is Blowfish's own key
// schedule: the result must encrypt as Crypto++'s Blowfish does. This
// checks the pi tables and the round function.
TEST(EksBlowfish, KeyedFromFreshStateEncryptsAsBlowfish)
{
    for (size_t keySize : {4u, 7u, 16u, 56u}) {
        std::vector<uint8_t> key(keySize);
        for (size_t i = 0; i < keySize; ++i)
            key[i] = static_cast<uint8_t>(i * 37 + keySize);
        EksBlowfish ours;
        ours.Expand0State(key.data(), key.size());
        CryptoPP::Blowfish::Encryption theirs(key.data(), key.size());
        for (uint32_t n = 0; n < 4; ++n) {
            uint32_t left = 0x01234567u * (n + 1);
            uint32_t right = 0x89ABCDEFu ^ n;
            uint8_t block[8];
            for (int b = 0; b < 4; ++b) {
                block[b] = static_cast<uint8_t>(left >> (24 - 8 * b));
                block[4 + b] = static_cast<uint8_t>(right >> (24 - 8 * b));
            }
            theirs.ProcessBlock(block);
            ours.Encrypt(left, right);
            const uint32_t expectedLeft = uint32_t(block[0]) << 24 | uint32_t(block[1]) << 16 | uint32_t(block[2]) << 8 | block[3];
            const uint32_t expectedRight = uint32_t(block[4]) << 24 | uint32_t(block[5]) << 16 | uint32_t(block[6]) << 8 | block[7];
            EXPECT_EQ(left, expectedLeft) << keySize;
            EXPECT_EQ(right, expectedRight) << keySize;
        }
    }
}

TEST(KeyData, DerivesOnlyForANewVersionOrSalt)
{
    VUnknownPointer<VEncryptedStringKeyData> keyData(VEncryptedStringKeyData::Create(u"correct horse \u2713"));
    uint8_t salt[16];
    for (uint8_t i = 0; i < 16; ++i)
        salt[i] = i;
    const uint64_t before = VEncryptedStringKeyData::DerivationCount();
    ASSERT_TRUE(keyData->Prepare(3, salt));
    EXPECT_EQ(ToHex({keyData->Key(), keyData->Key() + 48}),
              "ebde9f4b78da29dd484a17b7004fc0735ff6c71305c46af60e36915894b656498128ad9114b54f6dc229a0ba5f670082");
    EXPECT_TRUE(keyData->Prepare(3, salt));
    EXPECT_EQ(VEncryptedStringKeyData::DerivationCount(), before + 1);

    // Version 2: SHA-256 of the passphrase, then half of SHA-256 of that
    // (values from Python's hashlib).
    ASSERT_TRUE(keyData->Prepare(2, nullptr));
    EXPECT_EQ(ToHex({keyData->Key(), keyData->Key() + 32}),
              "4218a2da112647e641abf31a53062ddd5ca56f91b8585db61dc94a260ed85046");
    EXPECT_EQ(ToHex({keyData->Iv(), keyData->Iv() + 16}), "91ba678b7135448c5fecdaf611d82737");
    EXPECT_TRUE(keyData->Prepare(2, nullptr));
    EXPECT_EQ(VEncryptedStringKeyData::DerivationCount(), before + 2);

    salt[15] ^= 1;
    EXPECT_TRUE(keyData->Prepare(3, salt));
    EXPECT_FALSE(keyData->Prepare(4, salt));
    EXPECT_EQ(VEncryptedStringKeyData::DerivationCount(), before + 3);

    keyData->Forget();
    EXPECT_FALSE(keyData->HasKey());
    EXPECT_EQ(ToHex({keyData->Key(), keyData->Key() + 48}), std::string(96, '0'));
    EXPECT_TRUE(keyData->Prepare(3, salt));
    EXPECT_EQ(VEncryptedStringKeyData::DerivationCount(), before + 4);
    EXPECT_TRUE(keyData->HasPassphrase(u"correct horse \u2713"));
    EXPECT_FALSE(keyData->HasPassphrase(u"correct horse"));
}

} // namespace
