#pragma once

#include <string>
#include <string_view>

#include "sessiontree/FilterPattern.h"

// The filter's wildcard rule done the slow, obvious way: every run of the
// text, at every length allowed, against the whole pattern.
namespace reference {

inline bool Glob(std::u32string_view p, std::u32string_view t)
{
    if (p.empty())
        return t.empty();
    if (p[0] == U'*')
        for (size_t k = 0; k <= t.size(); ++k)
            if (Glob(p.substr(1), t.substr(k)))
                return true;
    if (t.empty())
        return false;
    return (p[0] == U'?' || p[0] == t[0]) && Glob(p.substr(1), t.substr(1));
}

inline bool FilterMatch(std::u16string_view pattern, std::u16string_view text)
{
    std::u32string p;
    std::u32string t;
    FoldForMatch(pattern, p);
    FoldForMatch(text, t);
    if (p.empty())
        return false;
    if (p.find_first_of(U"*?") == std::u32string::npos)
        return t.find(p) != std::u32string::npos;
    size_t fixed = 0;
    for (char32_t c : p)
        fixed += c != U'*';
    const bool hasStar = fixed != p.size();
    for (size_t start = 0; start < t.size(); ++start) {
        if (t[start] == U'.' && p[0] != U'.')
            continue;
        for (size_t length = fixed; start + length <= t.size(); ++length) {
            if (Glob(p, t.substr(start, length)))
                return true;
            if (!hasStar)
                break;
        }
    }
    return false;
}

} // namespace reference
