#include "platform/PlatformError.h"

#include <cstring>


namespace {
// Everything runs on the host's user-interface thread. A thread_local with
// a destructor would keep the library loaded after the host unloads it.
PlatformError t_lastError;
}

const PlatformError& GetPlatformLastError()
{
    return t_lastError;
}

void SetPlatformLastError(uint32_t code, std::u16string text)
{
    t_lastError.code = code;
    t_lastError.text = std::move(text);
}

std::u16string SystemErrorText(uint32_t code)
{
    // Only errno values have system texts; glibc names unknown ones
    // "Unknown error N", which is no text at all.
    if (code == 0 || code > 4095)
        return {};
    const char* text = strerrordesc_np(static_cast<int>(code));
    if (!text)
        return {};
    std::u16string out(text, text + std::strlen(text)); // glibc's texts are ASCII
    out += u'.';
    return out;
}

std::u16string PlatformErrorText(const PlatformError& error)
{
    return error.text.empty() ? SystemErrorText(error.code) : error.text;
}
