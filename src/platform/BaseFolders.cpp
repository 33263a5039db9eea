#include "platform/BaseFolders.h"

#include <cstdlib>
#include <string>

#include "platform/ModuleLoader.h"

namespace {

VUnicodeString FromEnvironmentPath(const char* value)
{
    try {
        std::string path = value;
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        return VUnicodeString::FromUtf8(path);
    } catch (const std::exception&) {
        return {};
    }
}

// An absolute path from `variable`, else nothing: relative values are
// ignored, as the XDG rules say.
VUnicodeString FromVariable(const char* variable)
{
    const char* value = std::getenv(variable);
    if (!value || value[0] != '/')
        return {};
    return FromEnvironmentPath(value);
}

VUnicodeString XdgFolder(const char* variable, const char16_t* fallbackBelowHome)
{
    VUnicodeString base = FromVariable(variable);
    if (base.IsEmpty()) {
        base = FromVariable("HOME");
        if (base.IsEmpty())
            return {};
        if (base != u"/")
            base += u"/";
        base += fallbackBelowHome;
    }
    if (base != u"/")
        base += u"/";
    return base + u"orvalis";
}

} // namespace

VUnicodeString GetOrvConfigPathSub()
{
    VUnicodeString path = FromVariable("ORV_CONFIG_PATH");
    return path.IsEmpty() ? XdgFolder("XDG_CONFIG_HOME", u".config") : path;
}

VUnicodeString GetOrvInstallPathSub()
{
    VUnicodeString path = FromVariable("ORV_INSTALL_PATH");
    return path.IsEmpty() ? VUnicodeString(ModuleFolderOf(reinterpret_cast<const void*>(&GetOrvInstallPathSub)))
                          : path;
}

VUnicodeString GetOrvUserDataPathSub()
{
    VUnicodeString path = FromVariable("ORV_USER_DATA_PATH");
    return path.IsEmpty() ? XdgFolder("XDG_DATA_HOME", u".local/share") : path;
}

VUnicodeString GetOrvSshDataPathSub()
{
    VUnicodeString path = FromVariable("ORV_SSH_DATA_PATH");
    if (!path.IsEmpty())
        return path;
    VUnicodeString data = GetOrvUserDataPathSub();
    return data.IsEmpty() ? data : data + u"/ssh";
}
