#include "core/VUnicodeString.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <climits>

#include "core/Exceptions.h"
#include "core/UnicodeConversion.h"

namespace {

UChar32 NextFolded(std::u16string_view s, size_t& i) noexcept
{
    UChar32 c = s[i++];
    if (c < 0x80) // the common case needs no table
        return c >= u'A' && c <= u'Z' ? c + 32 : c;
    if (U16_IS_LEAD(c) && i < s.size() && U16_IS_TRAIL(s[i]))
        c = U16_GET_SUPPLEMENTARY(c, s[i++]);
    return u_foldCase(c, U_FOLD_CASE_DEFAULT);
}

bool IsBlank(char16_t c) noexcept
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Reads an unsigned decimal number starting at `from` the way the C
// library's string-to-unsigned reader does (leading blanks, an optional
// sign), but fails where the natural order wants no number: nothing read, a
// value above 4,294,967,295, or a minus sign inside the read text.
bool ReadNumber(std::u16string_view s, size_t from, uint32_t& value) noexcept
{
    size_t i = from;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        if (s[i] == u'-')
            return false;
        ++i;
    }
    uint64_t v = 0;
    size_t digits = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i, ++digits) {
        v = v * 10 + static_cast<uint64_t>(s[i] - u'0');
        if (v > UINT32_MAX)
            return false;
    }
    if (digits == 0)
        return false;
    value = static_cast<uint32_t>(v);
    return true;
}

int Sign(int64_t d) noexcept
{
    return d < 0 ? -1 : d > 0 ? 1 : 0;
}

} // namespace

VUnicodeString VUnicodeString::FromUtf8(std::string_view utf8)
{
    return VUnicodeString(Utf8ToUtf16(utf8));
}

std::string VUnicodeString::ToUtf8() const
{
    return Utf16ToUtf8(m_s);
}

char16_t VUnicodeString::At(size_t i) const
{
    if (i >= m_s.size())
        throw OutOfRange();
    return m_s[i];
}

int VUnicodeString::CompareExact(std::u16string_view a, std::u16string_view b) noexcept
{
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int VUnicodeString::CompareNoCase(std::u16string_view a, std::u16string_view b) noexcept
{
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const UChar32 ca = NextFolded(a, i);
        const UChar32 cb = NextFolded(b, j);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return Sign(static_cast<int64_t>(a.size() - i) - static_cast<int64_t>(b.size() - j));
}

std::u16string VUnicodeString::FoldCase(std::u16string_view s)
{
    std::u16string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const UChar32 c = NextFolded(s, i);
        if (U_IS_BMP(c)) {
            out += static_cast<char16_t>(c);
        } else {
            out += static_cast<char16_t>(U16_LEAD(c));
            out += static_cast<char16_t>(U16_TRAIL(c));
        }
    }
    return out;
}

size_t VUnicodeString::HashNoCase(std::u16string_view s) noexcept
{
    uint64_t h = 1469598103934665603ull; // FNV-1a over folded code points
    for (size_t i = 0; i < s.size();) {
        h ^= static_cast<uint64_t>(NextFolded(s, i));
        h *= 1099511628211ull;
    }
    return static_cast<size_t>(h);
}

int VUnicodeString::CompareLogical(std::u16string_view a, std::u16string_view b) noexcept
{
    if (a.size() == b.size() && CompareNoCase(a, b) == 0)
        return 0;
    size_t i = 0;
    for (; i < a.size() && i < b.size(); ++i) {
        uint32_t va = 0;
        uint32_t vb = 0;
        if (ReadNumber(a, i, va) && ReadNumber(b, i, vb) && va != vb)
            return va < vb ? -1 : 1;
        const UChar32 ca = u_foldCase(a[i], U_FOLD_CASE_DEFAULT);
        const UChar32 cb = u_foldCase(b[i], U_FOLD_CASE_DEFAULT);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return Sign(static_cast<int64_t>(a.size() - i) - static_cast<int64_t>(b.size() - i));
}

VUnicodeString VUnicodeString::Mid(size_t from, size_t count) const
{
    if (from >= m_s.size())
        return {};
    return VUnicodeString(m_s.substr(from, count));
}

VUnicodeString VUnicodeString::Right(size_t count) const
{
    if (count >= m_s.size())
        return *this;
    return VUnicodeString(m_s.substr(m_s.size() - count));
}

size_t VUnicodeString::Replace(std::u16string_view from, std::u16string_view to)
{
    if (from.empty())
        return 0;
    size_t count = 0;
    std::u16string out;
    size_t start = 0;
    for (size_t hit; (hit = m_s.find(from, start)) != npos; start = hit + from.size(), ++count) {
        out.append(m_s, start, hit - start);
        out.append(to);
    }
    if (count) {
        out.append(m_s, start);
        m_s = std::move(out);
    }
    return count;
}

VUnicodeString& VUnicodeString::TrimLeft()
{
    size_t i = 0;
    while (i < m_s.size() && u_isUWhiteSpace(m_s[i]))
        ++i;
    m_s.erase(0, i);
    return *this;
}

VUnicodeString& VUnicodeString::TrimRight()
{
    size_t n = m_s.size();
    while (n > 0 && u_isUWhiteSpace(m_s[n - 1]))
        --n;
    m_s.resize(n);
    return *this;
}

VUnicodeString& VUnicodeString::Trim()
{
    return TrimRight().TrimLeft();
}

namespace {

template <class Convert>
void ConvertCase(std::u16string& s, Convert convert)
{
    if (s.empty() || s.size() > INT32_MAX / 3)
        return;
    std::u16string out(s.size() * 3, u'\0'); // case mappings expand at most threefold
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = convert(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                              reinterpret_cast<const UChar*>(s.data()), static_cast<int32_t>(s.size()), "", &status);
    if (U_SUCCESS(status)) {
        out.resize(static_cast<size_t>(n));
        s = std::move(out);
    }
}

} // namespace

VUnicodeString& VUnicodeString::MakeUpper()
{
    ConvertCase(m_s, u_strToUpper);
    return *this;
}

VUnicodeString& VUnicodeString::MakeLower()
{
    ConvertCase(m_s, u_strToLower);
    return *this;
}

VUnicodeString VUnicodeString::FromNumber(int64_t value)
{
    const std::string s = std::to_string(value);
    return VUnicodeString(std::u16string(s.begin(), s.end()));
}

VUnicodeString VUnicodeString::FromUnsigned(uint64_t value)
{
    const std::string s = std::to_string(value);
    return VUnicodeString(std::u16string(s.begin(), s.end()));
}
