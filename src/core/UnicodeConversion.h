#pragma once

#include <string>
#include <string_view>

#include "core/Export.h"

// UTF-8 <-> UTF-16. Malformed input (bad bytes, overlong forms, unpaired
// surrogates) raises IllegalSequence; nothing is replaced silently.
ORV_EXPORT std::u16string Utf8ToUtf16(std::string_view utf8);
ORV_EXPORT std::string Utf16ToUtf8(std::u16string_view utf16);
