#pragma once

#include <string_view>

#include "core/Export.h"
#include "platform/ModuleLoader.h"
#include "platform/PlatformError.h"

class IReportMessageParams;

// One entry to find in a module: where to store it, its name, whether the
// walk may go on without it, and whether a slot that is already filled is
// left alone. A row with a null slot ends the table.
struct EntryPointRow {
    void* slot; // address of a function-pointer variable
    const char* name;
    bool optional;
    bool keepIfSet;
};

struct EntryPointOutcome {
    ModuleHandle module = nullptr;
    PlatformError error;
};

// Loads the module at `path` and fills the rows' slots from its entries.
// False when the module cannot be loaded and some row is required, or when
// a required entry is missing (the walk stops there).
bool LoadModuleEntryPoints(std::u16string_view path, const EntryPointRow* rows,
                                      EntryPointOutcome& outcome);

// The report for an outcome: empty on success; on failure 0xE104003E (the
// module cannot be loaded) or 0xE104003F (an entry is missing) with the
// path and the platform's text. A failed load is unloaded, and the slots it
// filled are cleared again so that none points into it.
void ReportEntryPointOutcome(std::u16string_view path, const EntryPointRow* rows, bool succeeded,
                                        EntryPointOutcome& outcome, IReportMessageParams* report);

inline constexpr uint32_t kMsgModuleCannotLoad = 0xE104003E;
inline constexpr uint32_t kMsgModuleEntryMissing = 0xE104003F;
