#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/Export.h"
#include "core/IString.h"

// The wide string of the whole library: UTF-16 code units.
class ORV_EXPORT VUnicodeString {
public:
    static constexpr size_t npos = std::u16string::npos;

    VUnicodeString() = default;
    VUnicodeString(const char16_t* text) : m_s(text ? text : u"") {} // NOLINT: implicit by design
    VUnicodeString(const char16_t* text, size_t length) : m_s(text, length) {}
    VUnicodeString(std::u16string text) : m_s(std::move(text)) {} // NOLINT
    explicit VUnicodeString(std::u16string_view text) : m_s(text) {}
    VUnicodeString(const VUnicodeString&) = default;
    VUnicodeString(VUnicodeString&&) noexcept = default;
    VUnicodeString& operator=(const VUnicodeString&) = default;
    VUnicodeString& operator=(VUnicodeString&&) noexcept = default;
    ~VUnicodeString() = default;

    // Raise IllegalSequence on malformed input.
    static VUnicodeString FromUtf8(std::string_view utf8);
    std::string ToUtf8() const;

    size_t Length() const noexcept { return m_s.size(); }
    bool IsEmpty() const noexcept { return m_s.empty(); }
    const char16_t* c_str() const noexcept { return m_s.c_str(); }
    const std::u16string& str() const noexcept { return m_s; }
    std::u16string& str() noexcept { return m_s; }
    operator std::u16string_view() const noexcept { return m_s; } // NOLINT
    char16_t At(size_t i) const; // OutOfRange past the end

    // Exact: code-unit order.
    int Compare(std::u16string_view other) const noexcept { return CompareExact(m_s, other); }
    // Without regard to case: simple case folding, code point by code point.
    int CompareNoCase(std::u16string_view other) const noexcept { return CompareNoCase(m_s, other); }
    // Natural order: numbers at the same position compared by value.
    int CompareLogical(std::u16string_view other) const noexcept { return CompareLogical(m_s, other); }
    bool EqualsNoCase(std::u16string_view other) const noexcept { return CompareNoCase(m_s, other) == 0; }

    static int CompareExact(std::u16string_view a, std::u16string_view b) noexcept;
    static int CompareNoCase(std::u16string_view a, std::u16string_view b) noexcept;
    static int CompareLogical(std::u16string_view a, std::u16string_view b) noexcept;
    // The simple case folding of every code point: equal for names that
    // CompareNoCase finds equal.
    static std::u16string FoldCase(std::u16string_view s);
    // A hash consistent with CompareNoCase.
    static size_t HashNoCase(std::u16string_view s) noexcept;

    VUnicodeString Left(size_t count) const { return VUnicodeString(m_s.substr(0, count)); }
    VUnicodeString Mid(size_t from, size_t count = npos) const;
    VUnicodeString Right(size_t count) const;
    size_t Find(char16_t c, size_t from = 0) const noexcept { return m_s.find(c, from); }
    size_t Find(std::u16string_view s, size_t from = 0) const noexcept { return m_s.find(s, from); }
    size_t ReverseFind(char16_t c) const noexcept { return m_s.rfind(c); }
    bool StartsWith(std::u16string_view s) const noexcept { return m_s.starts_with(s); }
    bool EndsWith(std::u16string_view s) const noexcept { return m_s.ends_with(s); }

    // Returns how many occurrences were replaced.
    size_t Replace(std::u16string_view from, std::u16string_view to);
    VUnicodeString& Trim();
    VUnicodeString& TrimLeft();
    VUnicodeString& TrimRight();
    VUnicodeString& MakeUpper();
    VUnicodeString& MakeLower();

    static VUnicodeString FromNumber(int64_t value);
    static VUnicodeString FromUnsigned(uint64_t value);

    VUnicodeString& operator+=(std::u16string_view s)
    {
        m_s.append(s);
        return *this;
    }
    VUnicodeString& operator+=(char16_t c)
    {
        m_s.push_back(c);
        return *this;
    }
    friend VUnicodeString operator+(VUnicodeString a, std::u16string_view b)
    {
        a += b;
        return a;
    }

    friend bool operator==(const VUnicodeString& a, const VUnicodeString& b) noexcept { return a.m_s == b.m_s; }
    friend bool operator==(const VUnicodeString& a, const char16_t* b) noexcept { return a.m_s == (b ? b : u""); }
    friend std::strong_ordering operator<=>(const VUnicodeString& a, const VUnicodeString& b) noexcept
    {
        return a.m_s <=> b.m_s;
    }

private:
    std::u16string m_s;
};

// Lets a callee fill a VUnicodeString through the IString interface.
class VUnicodeStringSink final : public IString {
public:
    explicit VUnicodeStringSink(VUnicodeString& target) : m_target(target) {}
    void Assign(const char16_t* text, size_t length) override
    {
        if (!text)
            m_target.str().clear();
        else if (length == 0)
            m_target.str().assign(text);
        else
            m_target.str().assign(text, length);
    }
    const char16_t* GetBuffer() const override { return m_target.c_str(); }
    size_t GetLength() const override { return m_target.Length(); }

private:
    VUnicodeString& m_target;
};

template <>
struct std::hash<VUnicodeString> {
    size_t operator()(const VUnicodeString& s) const noexcept { return std::hash<std::u16string>()(s.str()); }
};

// Orders and hashes without regard to case, for maps keyed by names.
struct VNoCaseLess {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const noexcept
    {
        return VUnicodeString::CompareNoCase(a, b) < 0;
    }
};
struct VNoCaseHash {
    using is_transparent = void;
    size_t operator()(std::u16string_view s) const noexcept { return VUnicodeString::HashNoCase(s); }
};
struct VNoCaseEqual {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const noexcept
    {
        return VUnicodeString::CompareNoCase(a, b) == 0;
    }
};
