#include "platform/ModuleLoader.h"

#include <dlfcn.h>

#include <cerrno>
#include <cstring>

#include "core/UnicodeConversion.h"
#include "platform/PlatformError.h"

namespace {

void RecordLoaderError()
{
    const char* text = dlerror();
    std::u16string wide;
    if (text) {
        try {
            wide = Utf8ToUtf16(text);
        } catch (const std::exception&) {
            wide = u"the module could not be loaded";
        }
    }
    SetPlatformLastError(ENOENT, std::move(wide));
}

} // namespace

ModuleHandle LoadModule(std::u16string_view path)
{
    std::string narrow;
    try {
        narrow = Utf16ToUtf8(path);
    } catch (const std::exception&) {
        SetPlatformLastError(EINVAL);
        return nullptr;
    }
    SetPlatformLastError(0);
    void* handle = dlopen(narrow.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        RecordLoaderError();
    return handle;
}

void* GetModuleEntry(ModuleHandle module, const char* name)
{
    dlerror();
    void* entry = dlsym(module, name);
    if (!entry)
        RecordLoaderError();
    return entry;
}

void FreeModule(ModuleHandle module)
{
    if (module)
        dlclose(module);
}

std::u16string ModuleFolderOf(const void* address)
{
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname)
        return {};
    std::string file = info.dli_fname;
    const size_t slash = file.rfind('/');
    if (slash == std::string::npos)
        return u".";
    file.resize(slash == 0 ? 1 : slash);
    try {
        return Utf8ToUtf16(file);
    } catch (const std::exception&) {
        return {};
    }
}
