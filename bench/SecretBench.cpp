// Encrypted configuration strings. decrypt_cached compares our decryption
// of a stored text whose key is held with the same steps done directly
// with Crypto++ in the same program ("RATIO decrypt_cached <ours/raw>").
// The key derivation is compared with OpenSSH's by
// bench/kdf_bcrypt_pbkdf.py, which runs BM_kdf_bcrypt_pbkdf; with
// `--derive PASSHEX SALTHEX ROUNDS SIZE` this program prints one derived
// key in hex for that script to check against.
#include <benchmark/benchmark.h>
#include <cryptopp/aes.h>
#include <cryptopp/filters.h>
#include <cryptopp/hex.h>
#include <cryptopp/modes.h>
#include <cryptopp/sha.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "profile/secrets/BcryptPbkdf.h"
#include "profile/secrets/VEncryptedString.h"
#include "profile/secrets/VEncryptedStringKeyData.h"

namespace {

constexpr char kPassphrase[] = "a configuration passphrase";
const uint8_t kSalt[16] = {0x3a, 0x91, 0x5c, 0x07, 0xe2, 0x44, 0x18, 0xbd, 0x60, 0x2f, 0xc9, 0x73, 0x0e, 0xa5, 0x5b, 0xd1};
constexpr char16_t kSecret[] = u"Tr0ub4dor&3 p\u00e4ss"; // a typical password

void BM_kdf_bcrypt_pbkdf(benchmark::State& state)
{
    uint8_t key[48];
    for (auto _ : state) {
        BcryptPbkdf(reinterpret_cast<const uint8_t*>(kPassphrase), std::strlen(kPassphrase), kSalt, sizeof kSalt, key,
                    sizeof key, 16);
        benchmark::DoNotOptimize(key);
    }
}

struct Cached {
    VUnknownPointer<VEncryptedStringKeyData> keyData{VEncryptedStringKeyData::Create(u"a configuration passphrase")};
    VEncryptedString text;
    Cached()
    {
        text.EncryptWithSalt(kSecret, *keyData, kSalt);
    }
};

Cached& Shared()
{
    static Cached cached;
    return cached;
}

void BM_decrypt_cached_ours(benchmark::State& state)
{
    Cached& c = Shared();
    VUnicodeString plaintext;
    for (auto _ : state) {
        c.text.Decrypt(*c.keyData, plaintext);
        benchmark::DoNotOptimize(plaintext);
    }
    if (plaintext != VUnicodeString(kSecret))
        state.SkipWithError("wrong plaintext");
}

// The same steps straight through Crypto++: hex decoding, AES-256-CBC with
// the held key, SHA-256 check, and the UTF-8 text out.
void BM_decrypt_cached_raw(benchmark::State& state)
{
    Cached& c = Shared();
    const std::string hex = c.text.Mid(3).ToUtf8();
    std::string text;
    for (auto _ : state) {
        std::string body;
        CryptoPP::StringSource(hex, true, new CryptoPP::HexDecoder(new CryptoPP::StringSink(body)));
        const auto* bytes = reinterpret_cast<const uint8_t*>(body.data());
        std::vector<uint8_t> record(body.size() - 16);
        CryptoPP::CBC_Mode<CryptoPP::AES>::Decryption aes;
        aes.SetKeyWithIV(c.keyData->Key(), 32, c.keyData->Iv(), 16);
        aes.ProcessData(record.data(), bytes + 16, record.size());
        uint32_t length;
        std::memcpy(&length, record.data(), 4);
        const bool ok = CryptoPP::SHA256().VerifyDigest(record.data() + 4 + length, record.data() + 4, length);
        text.assign(reinterpret_cast<const char*>(record.data() + 4), ok ? length : 0);
        benchmark::DoNotOptimize(text);
    }
}

BENCHMARK(BM_kdf_bcrypt_pbkdf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_decrypt_cached_ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_decrypt_cached_raw)->Unit(benchmark::kMicrosecond);

std::vector<uint8_t> FromHex(const std::string& hex)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

int Derive(char** argv)
{
    const std::vector<uint8_t> passphrase = FromHex(argv[2]);
    const std::vector<uint8_t> salt = FromHex(argv[3]);
    std::vector<uint8_t> key(std::stoul(argv[5]));
    if (!BcryptPbkdf(passphrase.data(), passphrase.size(), salt.data(), salt.size(), key.data(), key.size(),
                     static_cast<unsigned>(std::stoul(argv[4]))))
        return 1;
    for (uint8_t b : key)
        std::printf("%02x", b);
    std::printf("\n");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 6 && std::strcmp(argv[1], "--derive") == 0)
        return Derive(argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("decrypt_cached", "BM_decrypt_cached_ours", "BM_decrypt_cached_raw");
    benchmark::Shutdown();
    return 0;
}
