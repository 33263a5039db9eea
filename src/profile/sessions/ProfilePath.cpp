#include "profile/sessions/ProfilePath.h"

#include <algorithm>

#include "platform/BaseFolders.h"

ProfilePath::Folders ProfilePath::CurrentFolders()
{
    return {GetOrvConfigPathSub(), GetOrvInstallPathSub(), GetOrvUserDataPathSub(), GetOrvSshDataPathSub()};
}

const VUnicodeString& ProfilePath::GetFolder(int variable) const
{
    static const VUnicodeString kNone;
    return variable >= 1 && variable <= 4 ? m_folders[static_cast<size_t>(variable - 1)] : kNone;
}

bool ProfilePath::Collapse(int variable)
{
    const VUnicodeString& folder = GetFolder(variable);
    if (folder.IsEmpty() || !Get().StartsWith(folder))
        return false;
    Set(VUnicodeString(kVariables[variable - 1]) + std::u16string_view(Get()).substr(folder.Length()));
    return true;
}

bool ProfilePath::Collapse()
{
    std::array<int, 4> order{1, 2, 3, 4};
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return GetFolder(a).Length() > GetFolder(b).Length(); });
    return std::any_of(order.begin(), order.end(), [this](int variable) { return Collapse(variable); });
}

VUnicodeString ProfilePath::Expand(const VUnicodeString& path, const Folders& folders)
{
    for (size_t i = 0; i < folders.size(); ++i)
        if (path.StartsWith(kVariables[i]))
            return folders[i] + std::u16string_view(path).substr(std::u16string_view(kVariables[i]).size());
    return path;
}

VUnicodeString ProfilePath::Expand() const
{
    return Expand(Get(), m_folders);
}
