#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Export.h"

// One name or folder pattern of the tree filter, prepared once when the
// filter is applied so that testing each of many thousands of names costs
// time linear in the name, whatever the pattern.
//
// Without '*' and '?' the pattern matches a text that contains it, without
// regard to case. With them it matches when some run of the text matches the
// whole pattern ('*' any run of characters, '?' one character), again
// without regard to case; a run that starts with '.' only matches a pattern
// that starts with '.', so that hidden-looking names need an explicit dot.
// An empty pattern matches nothing. Characters are code points.
class ORV_EXPORT FilterPattern {
public:
    FilterPattern() = default;
    explicit FilterPattern(std::u16string_view pattern);

    bool IsEmpty() const noexcept { return m_empty; }
    bool IsWildcard() const noexcept { return m_wildcard; }
    bool Matches(std::u16string_view text) const;

private:
    static constexpr char32_t kAnyRun = 0xFFFFFFFFu; // '*'
    static constexpr char32_t kAnyOne = 0xFFFFFFFEu; // '?'

    bool MatchesWildcard(std::u32string_view text) const;
    bool MatchesWildcardLong(std::u32string_view text) const;
    uint64_t CharMask(char32_t c) const;

    bool m_empty = true;
    bool m_wildcard = false;
    bool m_leadingDot = false;
    std::u32string m_tokens; // folded; runs of '*' collapsed into one
    std::u32string m_required; // the longest run of plain tokens: every match holds it
    // Bit-parallel tables for patterns of up to 63 tokens.
    uint64_t m_starMask = 0;
    uint64_t m_anyMask = 0;
    uint64_t m_asciiMask[128] = {};
    std::vector<std::pair<char32_t, uint64_t>> m_otherMasks;
};

// Plain substring test without regard to case; an empty part is contained.
ORV_EXPORT bool ContainsNoCase(std::u16string_view text, std::u16string_view part);
// Plain substring test, exact or without regard to case.
ORV_EXPORT bool Contains(std::u16string_view text, std::u16string_view part, bool matchCase);

// The code points of `s`, simply case-folded, into `out` (cleared first).
ORV_EXPORT void FoldForMatch(std::u16string_view s, std::u32string& out);
