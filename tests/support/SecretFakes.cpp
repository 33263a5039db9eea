#include "SecretFakes.h"

#include <cryptopp/blowfish.h>
#include <cryptopp/modes.h>

#include <cerrno>

#include "platform/PlatformError.h"
#include "profile/secrets/ConfigPassphrase.h"

bool FakeRandomSource::GetBytes(void* buffer, size_t size)
{
    ++requests;
    if (fail) {
        SetPlatformLastError(EIO);
        return false;
    }
    auto* out = static_cast<uint8_t*>(buffer);
    for (size_t i = 0; i < size; ++i)
        out[i] = next++;
    return true;
}

ISecretService::Result FakeSecretService::Lookup(const Attributes& attributes, std::string& secret,
                                                 std::string& error)
{
    ++calls;
    if (state != Result::Done) {
        error = "no keyring here";
        return state;
    }
    const auto it = secrets.find(attributes);
    if (it == secrets.end())
        return Result::NotFound;
    secret = it->second;
    return Result::Done;
}

ISecretService::Result FakeSecretService::Store(const Attributes& attributes, const std::string&,
                                                const std::string& secret, std::string& error)
{
    ++calls;
    if (state != Result::Done || refuseStore) {
        error = "no keyring here";
        return refuseStore ? Result::Failed : state;
    }
    secrets[attributes] = secret;
    return Result::Done;
}

ISecretService::Result FakeSecretService::Clear(const Attributes& attributes, std::string& error)
{
    ++calls;
    if (state != Result::Done) {
        error = "no keyring here";
        return state;
    }
    return secrets.erase(attributes) ? Result::Done : Result::NotFound;
}

PassphraseScope::PassphraseScope() : m_data("ORV_USER_DATA_PATH", dir.str().c_str())
{
    keyring.state = ISecretService::Result::Unavailable;
    SetSecretService(&keyring);
    ResetConfigPassphrase();
}

PassphraseScope::~PassphraseScope()
{
    ResetConfigPassphrase();
    SetSecretService(nullptr);
}

TwoLayerStringKeys TestTwoLayerKeys()
{
    TwoLayerStringKeys keys;
    for (uint8_t i = 0; i < 16; ++i) {
        keys.first.push_back(static_cast<uint8_t>(0x11 * i + 3));
        keys.second.push_back(static_cast<uint8_t>(0xA5 ^ (7 * i)));
    }
    return keys;
}

namespace {
void BlowfishCbcEncrypt(const std::vector<uint8_t>& key, uint8_t* data, size_t size)
{
    if (size == 0)
        return;
    const uint8_t iv[8] = {};
    CryptoPP::CBC_Mode<CryptoPP::Blowfish>::Encryption cipher;
    cipher.SetKeyWithIV(key.data(), key.size(), iv, sizeof iv);
    cipher.ProcessData(data, data, size);
}
} // namespace

std::u16string EncryptTwoLayerString(const std::u16string& plaintext, const TwoLayerStringKeys& keys, size_t unit)
{
    std::vector<uint8_t> bytes;
    if (unit == 1) {
        const std::string utf8 = VUnicodeString(plaintext).ToUtf8();
        bytes.assign(utf8.begin(), utf8.end());
    } else {
        for (char16_t c : plaintext) {
            bytes.push_back(static_cast<uint8_t>(c));
            bytes.push_back(static_cast<uint8_t>(c >> 8));
            if (unit == 4) {
                bytes.push_back(0xAB); // high bits the reader ignores
                bytes.push_back(0);
            }
        }
    }
    // A terminating zero unit, then whole blocks.
    bytes.resize(bytes.size() + unit, 0);
    bytes.resize((bytes.size() + 7) / 8 * 8, 0);
    BlowfishCbcEncrypt(keys.second, bytes.data() + 4, bytes.size() - 8);
    BlowfishCbcEncrypt(keys.first, bytes.data(), bytes.size());
    std::u16string text = unit == 2 ? u"u" : unit == 4 ? u"l" : u"";
    for (char c : ToHex(bytes))
        text.push_back(static_cast<char16_t>(c));
    return text;
}

std::string ToHex(const std::vector<uint8_t>& bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t b : bytes) {
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 0xF]);
    }
    return hex;
}

std::vector<uint8_t> FromHex(const std::string& hex)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}
