#pragma once

#include <string>
#include <string_view>

#include "core/Export.h"

// What stands in for loading a library by path and finding its entries.
using ModuleHandle = void*;

// Null on failure, with the platform's last error holding the loader's text.
ModuleHandle LoadModule(std::u16string_view path);
// Null when the module lacks the entry (last error set likewise).
void* GetModuleEntry(ModuleHandle module, const char* name);
void FreeModule(ModuleHandle module);
// The folder (without a trailing '/') of the loaded file that holds `address`.
std::u16string ModuleFolderOf(const void* address);
