#include "platform/WindowClassRegistry.h"

#include <map>

#include "core/VUnicodeString.h"
#include "platform/PlatformError.h"

namespace {

std::map<std::u16string, WindowClassInfo, VNoCaseLess>& Classes()
{
    static std::map<std::u16string, WindowClassInfo, VNoCaseLess> classes;
    return classes;
}

} // namespace

uint32_t RegisterWindowClass(const WindowClassInfo& info)
{
    if (!Classes().emplace(info.name, info).second) {
        SetPlatformLastError(kErrorClassAlreadyExists);
        return kErrorClassAlreadyExists;
    }
    return 0;
}

const WindowClassInfo* FindWindowClass(std::u16string_view name)
{
    const auto it = Classes().find(name);
    return it == Classes().end() ? nullptr : &it->second;
}
