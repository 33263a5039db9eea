// Stored secret texts and decrypted records of any content. A "03:" text
// gets the fixed salt 00 01 .. 0f, so its key is derived once and then
// reused; "02:" texts have a key data of their own for the same reason.
// Whatever decrypts must encrypt and decrypt back to itself, and the shape
// check without a key must refuse exactly what decryption refuses for its
// shape.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "profile/secrets/VEncryptedString.h"
#include "profile/secrets/VEncryptedStringKeyData.h"

namespace {

constexpr char16_t kPassphrase[] = u"correct horse \u2713";
const uint8_t kSalt[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

VEncryptedStringKeyData& KeyFor(int version)
{
    static VEncryptedStringKeyData* v3 = VEncryptedStringKeyData::Create(kPassphrase);
    static VEncryptedStringKeyData* v2 = VEncryptedStringKeyData::Create(kPassphrase);
    return version == 2 ? *v2 : *v3;
}

void CheckRoundTrip(const VUnicodeString& plaintext)
{
    VEncryptedString again;
    again.EncryptWithSalt(plaintext, KeyFor(3), kSalt);
    VUnicodeString back;
    if (again.Decrypt(KeyFor(3), back) != VEncryptedString::Status::Ok || back != plaintext)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool record = data[0] & 1;
    ++data;
    --size;
    VUnicodeString plaintext;
    VEncryptedString::Status status;
    if (record) {
        status = VEncryptedString::DecodeRecord(data, size, plaintext);
    } else {
        std::u16string text(data, data + size);
        if (text.starts_with(u"03:") && text.size() >= 35) {
            static constexpr char16_t kDigits[] = u"0123456789abcdef";
            for (size_t i = 0; i < 16; ++i) {
                text[3 + 2 * i] = kDigits[kSalt[i] >> 4];
                text[4 + 2 * i] = kDigits[kSalt[i] & 0xF];
            }
        }
        status = VEncryptedString::DecryptText(text, KeyFor(text.starts_with(u"02:") ? 2 : 3), plaintext);
        const VEncryptedString::Status shape = VEncryptedString::CheckStoredForm(text);
        if (shape != VEncryptedString::Status::Ok && shape != status)
            std::abort();
    }
    if (status != VEncryptedString::Status::Ok) {
        if (VEncryptedString::MessageIdFor(status) == 0)
            std::abort();
        return 0;
    }
    CheckRoundTrip(plaintext);
    return 0;
}
