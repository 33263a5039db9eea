// Export documents are written by this tool, then kept, edited and handed
// back. Any text is read or refused with a line number, never a crash; a
// document that reads is written out and reads back as the same value, and
// writing it again gives the same text.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "JsonDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    JsonValue value;
    try {
        value = ParseJson(text);
    } catch (const JsonError& error) {
        if (error.line < 1 || error.message.empty())
            std::abort();
        return 0;
    }
    const std::string written = WriteJson(value);
    JsonValue back;
    try {
        back = ParseJson(written);
    } catch (const JsonError&) {
        std::abort();
    }
    if (!(back == value) || WriteJson(back) != written)
        std::abort();
    return 0;
}
