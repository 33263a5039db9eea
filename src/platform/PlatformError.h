#pragma once

#include <cstdint>
#include <string>

#include "core/Export.h"

// What stands in for the platform's per-thread "last error": a code and,
// where the platform gives one (module loading does), its own text.
// Codes are errno values, except the message-lookup codes below, which keep
// the numbers that report texts depend on.
struct PlatformError {
    uint32_t code = 0;
    std::u16string text; // empty: derive it from the code
};

inline constexpr uint32_t kErrorMessageNotFound = 317;           // id not in the table
inline constexpr uint32_t kErrorResourceTypeNotFound = 1813;     // module has no table
inline constexpr uint32_t kErrorResourceLanguageNotFound = 15100; // table lacks the language
inline constexpr uint32_t kErrorClassAlreadyExists = 1410;       // window class registered twice
inline constexpr uint32_t kErrorAlreadyExists = 183;             // a session or folder name already taken

const PlatformError& GetPlatformLastError();
void SetPlatformLastError(uint32_t code, std::u16string text = {});

// The system's text for an errno value, or empty when it has none.
std::u16string SystemErrorText(uint32_t code);
// The recorded error's own text if it has one, else the system's.
std::u16string PlatformErrorText(const PlatformError& error);
