// A host's release-date text: read as the update reminder reads it, and
// placed on the calendar when it reads.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/LocalTimeZone.h"
#include "platform/ReleaseDate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto date = ParseReleaseDate(text)) {
        if (date->month < 1 || date->month > 12 || date->day < 1 || date->day > 31 || date->year < 1901)
            __builtin_trap();
        int64_t fileTime = 0;
        LocalMidnightToFileTime(date->year, date->month, date->day, fileTime);
    }
    return 0;
}
