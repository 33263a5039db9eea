// A stored command line comes from the configuration store, which other
// releases and other programs write. Whatever reads as an item must write
// and read back as the same item.
#include <cstdint>
#include <cstdlib>

#include "commands/ProfileUserButtonMap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::u16string text(reinterpret_cast<const char16_t*>(data), size / 2);
    ProfileUserButtonMap::Item item;
    if (!item.FromStoredLine(VUnicodeString(text)))
        return 0;
    // An unknown name is written back as it was read, unescaped: one that
    // held an escaped comma or backslash cannot come back the same.
    if (item.Function == kFunctionUnknown &&
        (item.FunctionName.Find(u',') != VUnicodeString::npos || item.FunctionName.Find(u'\\') != VUnicodeString::npos))
        return 0;
    ProfileUserButtonMap::Item back;
    if (!back.FromStoredLine(item.ToStoredLine()))
        std::abort();
    if (item.Function != kFunctionUnknown)
        back.FunctionName = item.FunctionName; // older names come back as table names
    if (!(back == item))
        std::abort();
    return 0;
}
