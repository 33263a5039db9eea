#pragma once

#include <string_view>
#include <vector>

// The levels of a relative key path: backslash-separated, empty levels
// (doubled, leading or trailing backslashes) dropped.
inline std::vector<std::u16string_view> SplitKeyPath(std::u16string_view path)
{
    std::vector<std::u16string_view> parts;
    while (!path.empty()) {
        const size_t slash = path.find(u'\\');
        const std::u16string_view part = path.substr(0, slash);
        if (!part.empty())
            parts.push_back(part);
        if (slash == std::u16string_view::npos)
            break;
        path.remove_prefix(slash + 1);
    }
    return parts;
}
