#include "commands/PathVariables.h"

#include <utility>

#include "platform/BaseFolders.h"

namespace {

bool CollapseWith(VUnicodeString& path, const VUnicodeString& folder, const char16_t* variable)
{
    if (folder.IsEmpty() || !path.StartsWith(folder))
        return false;
    path = VUnicodeString(variable) + std::u16string_view(path.str()).substr(folder.Length());
    return true;
}

} // namespace

VUnicodeString ExpandUtilityPath(const VUnicodeString& path)
{
    const std::pair<const char16_t*, VUnicodeString (*)()> variables[] = {
        {kConfigPathVariable, &GetOrvConfigPathSub},
        {kInstallPathVariable, &GetOrvInstallPathSub},
        {kUserDataPathVariable, &GetOrvUserDataPathSub},
        {kSshDataPathVariable, &GetOrvSshDataPathSub},
    };
    for (const auto& [variable, folder] : variables)
        if (path.StartsWith(variable))
            return folder() + std::u16string_view(path.str()).substr(std::u16string_view(variable).size());
    return path;
}

VUnicodeString CollapseProgramPath(const VUnicodeString& path)
{
    VUnicodeString collapsed = path;
    if (!CollapseWith(collapsed, GetOrvConfigPathSub(), kConfigPathVariable))
        CollapseWith(collapsed, GetOrvUserDataPathSub(), kUserDataPathVariable);
    return collapsed;
}
