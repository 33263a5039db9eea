// Message texts come from tables a host may supply; inserts from anywhere.
#include <cstdint>
#include <string>

#include "platform/MessageFormatter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::u16string pattern(reinterpret_cast<const char16_t*>(data), size / 2);
    const MessageArg args[] = {std::u16string_view(u"text"), int64_t{-42}, uint64_t{0xFFFFFFFFFFFFFFFFu},
                               std::u16string_view(pattern)};
    const std::u16string out = FormatMessageText(pattern, args);
    (void)out;
    return 0;
}
