#include "sessiontree/FilterPattern.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>

namespace {
// The code point at `i`, simply case-folded; `i` moves past it.
inline char32_t NextFoldedForMatch(std::u16string_view s, size_t& i)
{
    char32_t c = s[i++];
    if (c < 0x80) // names are mostly ASCII: no table needed
        return c >= U'A' && c <= U'Z' ? c + 32 : c;
    if (U16_IS_LEAD(c) && i < s.size() && U16_IS_TRAIL(s[i]))
        c = U16_GET_SUPPLEMENTARY(c, s[i++]);
    return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}
} // namespace

void FoldForMatch(std::u16string_view s, std::u32string& out)
{
    out.resize(s.size()); // no more code points than units
    char32_t* to = out.data();
    for (size_t i = 0; i < s.size();)
        *to++ = NextFoldedForMatch(s, i);
    out.resize(static_cast<size_t>(to - out.data()));
}

namespace {
// Matching runs once per name of a large tree: keep the folded text in a
// buffer that is reused instead of allocated per call.
std::u32string& Scratch(int which)
{
    // Only the user-interface thread matches; a thread_local here would
    // keep the library loaded after the host unloads it.
    static std::u32string buffers[2];
    return buffers[which];
}
} // namespace

bool Contains(std::u16string_view text, std::u16string_view part, bool matchCase)
{
    if (matchCase)
        return text.find(part) != std::u16string_view::npos;
    return ContainsNoCase(text, part);
}

bool ContainsNoCase(std::u16string_view text, std::u16string_view part)
{
    std::u32string& t = Scratch(0);
    std::u32string& p = Scratch(1);
    FoldForMatch(text, t);
    FoldForMatch(part, p);
    return t.find(p) != std::u32string::npos;
}

FilterPattern::FilterPattern(std::u16string_view pattern)
{
    m_empty = pattern.empty();
    std::u32string folded;
    FoldForMatch(pattern, folded);
    for (char32_t c : folded) {
        if (c == U'*') {
            m_wildcard = true;
            if (m_tokens.empty() || m_tokens.back() != kAnyRun)
                m_tokens.push_back(kAnyRun);
        } else if (c == U'?') {
            m_wildcard = true;
            m_tokens.push_back(kAnyOne);
        } else {
            m_tokens.push_back(c);
        }
    }
    m_leadingDot = !folded.empty() && folded.front() == U'.';
    // Every match holds each run of plain characters as it stands: the
    // longest of them rules out most texts before the walk.
    for (size_t from = 0; m_wildcard && from < m_tokens.size();) {
        size_t to = from;
        while (to < m_tokens.size() && m_tokens[to] != kAnyRun && m_tokens[to] != kAnyOne)
            ++to;
        if (to - from > m_required.size())
            m_required = m_tokens.substr(from, to - from);
        from = to + 1;
    }
    if (!m_wildcard || m_tokens.size() > 63)
        return;
    for (size_t j = 0; j < m_tokens.size(); ++j) {
        const uint64_t bit = uint64_t{1} << j;
        const char32_t t = m_tokens[j];
        if (t == kAnyRun)
            m_starMask |= bit;
        else if (t == kAnyOne)
            m_anyMask |= bit;
        else if (t < 128)
            m_asciiMask[t] |= bit;
        else {
            auto it = std::find_if(m_otherMasks.begin(), m_otherMasks.end(),
                                   [t](const auto& entry) { return entry.first == t; });
            if (it == m_otherMasks.end())
                m_otherMasks.emplace_back(t, bit);
            else
                it->second |= bit;
        }
    }
}

uint64_t FilterPattern::CharMask(char32_t c) const
{
    uint64_t mask = m_anyMask;
    if (c < 128)
        return mask | m_asciiMask[c];
    for (const auto& [ch, bits] : m_otherMasks)
        if (ch == c)
            mask |= bits;
    return mask;
}

bool FilterPattern::Matches(std::u16string_view text) const
{
    if (m_empty)
        return false;
    std::u32string& t = Scratch(0);
    FoldForMatch(text, t);
    if (!m_wildcard)
        return t.find(m_tokens) != std::u32string::npos;
    if (t.find(m_required) == std::u32string::npos)
        return false;
    return m_tokens.size() > 63 ? MatchesWildcardLong(t) : MatchesWildcard(t);
}

// A run of the text matches when the pattern, followed by anything, matches
// from the run's start. One pass over the text keeps, as bits, how many
// pattern tokens each live start has matched so far; bit j set means the
// first j tokens are matched, and a '*' token keeps its bit while it eats
// characters.
bool FilterPattern::MatchesWildcard(std::u32string_view text) const
{
    const uint64_t accept = uint64_t{1} << m_tokens.size();
    auto closeStars = [this](uint64_t bits) { return bits | ((bits & m_starMask) << 1); };
    uint64_t live = 0;
    for (char32_t c : text) {
        if (m_leadingDot || c != U'.')
            live |= closeStars(1);
        if (live & accept)
            return true;
        live = closeStars(((live & CharMask(c)) << 1) | (live & m_starMask));
    }
    return (live & accept) != 0;
}

// The same walk for patterns too long for one machine word.
bool FilterPattern::MatchesWildcardLong(std::u32string_view text) const
{
    const size_t m = m_tokens.size();
    std::vector<uint8_t> live(m + 1, 0);
    std::vector<uint8_t> next(m + 1, 0);
    auto closeStars = [&](std::vector<uint8_t>& bits) {
        for (size_t j = 0; j < m; ++j)
            if (bits[j] && m_tokens[j] == kAnyRun)
                bits[j + 1] = 1;
    };
    for (char32_t c : text) {
        if (m_leadingDot || c != U'.') {
            live[0] = 1;
            closeStars(live);
        }
        if (live[m])
            return true;
        std::fill(next.begin(), next.end(), 0);
        for (size_t j = 0; j < m; ++j) {
            if (!live[j])
                continue;
            const char32_t t = m_tokens[j];
            if (t == kAnyRun)
                next[j] = 1;
            else if (t == kAnyOne || t == c)
                next[j + 1] = 1;
        }
        closeStars(next);
        live.swap(next);
    }
    return live[m] != 0;
}
