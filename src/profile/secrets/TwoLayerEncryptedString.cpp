#include "profile/secrets/TwoLayerEncryptedString.h"

#include <cryptopp/blowfish.h>
#include <cryptopp/modes.h>
#include <cryptopp/secblock.h>

#include "core/Exceptions.h"
#include "core/HexDigit.h"

namespace {

void BlowfishCbcDecrypt(const std::vector<uint8_t>& key, uint8_t* data, size_t size)
{
    if (size == 0)
        return;
    const uint8_t iv[CryptoPP::Blowfish::BLOCKSIZE] = {};
    CryptoPP::CBC_Mode<CryptoPP::Blowfish>::Decryption cipher;
    cipher.SetKeyWithIV(key.data(), key.size(), iv, sizeof iv);
    cipher.ProcessData(data, data, size);
}

bool UsableKey(const std::vector<uint8_t>& key)
{
    return key.size() >= TwoLayerStringKeys::kMinKeySize && key.size() <= TwoLayerStringKeys::kMaxKeySize;
}

} // namespace

bool TwoLayerStringKeys::IsUsable() const
{
    return UsableKey(first) && UsableKey(second);
}

bool DecryptTwoLayerString(std::u16string_view text, const TwoLayerStringKeys& keys, VUnicodeString& plaintext)
{
    plaintext = VUnicodeString();
    if (!keys.IsUsable())
        return false;
    size_t unit = 1;
    if (!text.empty() && text[0] == u'u') {
        unit = 2;
        text.remove_prefix(1);
    } else if (!text.empty() && text[0] == u'l') {
        unit = 4;
        text.remove_prefix(1);
    }
    if (text.size() % 2 != 0)
        return false;
    const size_t size = text.size() / 2;
    if (size < 8 || size % 8 != 0)
        return false;
    CryptoPP::SecByteBlock bytes(size);
    for (size_t i = 0; i < size; ++i) {
        const int high = HexDigitValue(text[2 * i]);
        const int low = HexDigitValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i] = static_cast<uint8_t>(high << 4 | low);
    }

    BlowfishCbcDecrypt(keys.first, bytes.data(), size);
    BlowfishCbcDecrypt(keys.second, bytes.data() + 4, size - 8);

    if (unit == 1) {
        size_t length = 0;
        while (length < size && bytes[length] != 0)
            ++length;
        try {
            plaintext = VUnicodeString::FromUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), length));
        } catch (const IllegalSequence&) {
            return false;
        }
        return true;
    }
    std::u16string units;
    for (size_t at = 0; at + unit <= size; at += unit) {
        const char16_t c = static_cast<char16_t>(bytes[at] | bytes[at + 1] << 8);
        if (c == 0)
            break;
        units.push_back(c);
    }
    plaintext = VUnicodeString(std::move(units));
    return true;
}
