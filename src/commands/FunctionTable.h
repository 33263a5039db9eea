#pragma once

#include <span>
#include <string_view>

#include "core/Export.h"

// The functions a button, a command or a key can perform. Numbers are
// stored in every saved form, so the table never changes order.
struct FunctionTableRow {
    int number;
    const char16_t* name;
};

inline constexpr int kFunctionNone = 0;
inline constexpr int kFunctionSend = 1;
inline constexpr int kFunctionSendToCommandWindow = 2;
inline constexpr int kFunctionRun = 3;
inline constexpr int kFunctionLaunch = 4;
inline constexpr int kFunctionCredentials = 5;
inline constexpr int kFunctionSetButtonBar = 288;
inline constexpr int kFunctionUnknown = -1;
inline constexpr size_t kFunctionCount = 291;

// Every row in number order, followed by the terminating row (0, "").
ORV_EXPORT std::span<const FunctionTableRow> GetFunctionTable();

// The table name of `number`, or the empty string when it has none.
ORV_EXPORT std::u16string_view GetFunctionName(int number);

// Reads a stored function name, case included: older names first, then the
// table, then the VT names of F15 and F16; -1 for anything else. Older
// names are only ever read; writers use GetFunctionName.
ORV_EXPORT int GetFunctionNumber(std::u16string_view name);
