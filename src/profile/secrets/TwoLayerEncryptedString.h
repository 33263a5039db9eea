#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/Export.h"
#include "core/VUnicodeString.h"

// The two fixed Blowfish keys of the older two-layer form. The host
// supplies them (SetTwoLayerStringKeys); without them such values cannot
// be read and count as absent.
struct TwoLayerStringKeys {
    static constexpr size_t kMinKeySize = 4;
    static constexpr size_t kMaxKeySize = 56;
    std::vector<uint8_t> first;
    std::vector<uint8_t> second;
    bool IsUsable() const;
};

// Reads a value of the older two-layer form: an optional unit prefix ("u"
// UTF-16, "l" 32-bit units of which the low 16 bits count, none: UTF-8, the
// system code page here), then hex of at least 8 bytes in whole 8-byte
// blocks. The bytes are decrypted by the first cipher as a whole, then
// bytes 4 to n-5 by the second (both CBC with a zero IV); the text ends at
// its first zero unit. False, with an empty plaintext, when the text is not
// of that form or the keys are not usable.
ORV_EXPORT bool DecryptTwoLayerString(std::u16string_view text, const TwoLayerStringKeys& keys,
                                      VUnicodeString& plaintext);
