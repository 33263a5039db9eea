// Values of the older two-layer form, of any content, under fixed keys.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "profile/secrets/TwoLayerEncryptedString.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const TwoLayerStringKeys keys = [] {
        TwoLayerStringKeys k;
        for (uint8_t i = 0; i < 16; ++i) {
            k.first.push_back(static_cast<uint8_t>(0x11 * i + 3));
            k.second.push_back(static_cast<uint8_t>(0xA5 ^ (7 * i)));
        }
        return k;
    }();
    const std::u16string text(data, data + size);
    VUnicodeString plaintext(u"stale");
    if (!DecryptTwoLayerString(text, keys, plaintext) && !plaintext.IsEmpty())
        std::abort();
    // The plaintext ends at the first zero unit and never outgrows the bytes.
    if (plaintext.Find(u'\0') != VUnicodeString::npos || plaintext.Length() > size / 2)
        std::abort();
    return 0;
}
