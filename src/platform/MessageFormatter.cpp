#include "platform/MessageFormatter.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>

namespace {

// Widths and precisions beyond this are taken as this: no message needs
// more, and a stored text must not make us allocate without bound.
constexpr int kMaxWidth = 4096;

struct Conversion {
    std::string flags;
    int width = -1;
    int precision = -1;
    char type = 's';
    bool wide = false; // "I64", "ll", "q", "j": 64 bits; otherwise 32 as in C
};

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Parses a printf conversion such as "-20s", "08x", "I64u" or "lu".
bool ParseConversion(std::u16string_view conversion, Conversion& conv)
{
    size_t i = 0;
    while (i < conversion.size() && std::u16string_view(u"-+ #0").find(conversion[i]) != std::u16string_view::npos)
        conv.flags += static_cast<char>(conversion[i++]);
    auto readNumber = [&](int& out) {
        if (i >= conversion.size() || !IsDigit(conversion[i]))
            return;
        out = 0;
        while (i < conversion.size() && IsDigit(conversion[i]))
            out = std::min(kMaxWidth, out * 10 + (conversion[i++] - u'0'));
    };
    readNumber(conv.width);
    if (i < conversion.size() && conversion[i] == u'.') {
        ++i;
        conv.precision = 0;
        readNumber(conv.precision);
    }
    // Only the 64-bit modifiers matter: without one a negative number
    // prints through %u and %x as its 32-bit pattern.
    while (i < conversion.size() && std::u16string_view(u"hlLqjztwI").find(conversion[i]) != std::u16string_view::npos) {
        if (conversion[i] == u'I' && conversion.substr(i).starts_with(u"I64")) {
            conv.wide = true;
            i += 3;
        } else if (conversion[i] == u'I' && conversion.substr(i).starts_with(u"I32")) {
            i += 3;
        } else {
            if (conversion.substr(i).starts_with(u"ll") || conversion[i] == u'q' || conversion[i] == u'j')
                conv.wide = true;
            ++i;
        }
    }
    if (i + 1 != conversion.size())
        return false;
    const char16_t t = conversion[i];
    if (std::u16string_view(u"diouxXcsS").find(t) == std::u16string_view::npos)
        return false;
    conv.type = t == u'S' ? 's' : static_cast<char>(t);
    return true;
}

bool ParseInteger(std::u16string_view text, int64_t& value)
{
    std::string narrow;
    for (char16_t c : text) {
        if (c > 0x7F)
            return false;
        narrow += static_cast<char>(c);
    }
    const char* first = narrow.data();
    const char* last = first + narrow.size();
    if (first != last && *first == '+')
        ++first;
    int base = 10;
    if (last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X')) {
        first += 2;
        base = 16;
    }
    if (first == last)
        return false;
    uint64_t magnitude = 0;
    bool negative = false;
    if (base == 10 && *first == '-') {
        negative = true;
        ++first;
    }
    auto [end, ec] = std::from_chars(first, last, magnitude, base);
    if (ec != std::errc() || end != last || first == last)
        return false;
    value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

void Pad(std::u16string& out, std::u16string_view text, const Conversion& conv)
{
    if (conv.precision >= 0 && text.size() > static_cast<size_t>(conv.precision))
        text = text.substr(0, static_cast<size_t>(conv.precision));
    const size_t width = conv.width > 0 ? static_cast<size_t>(conv.width) : 0;
    const size_t fill = width > text.size() ? width - text.size() : 0;
    const bool left = conv.flags.find('-') != std::string::npos;
    if (!left)
        out.append(fill, u' ');
    out.append(text);
    if (left)
        out.append(fill, u' ');
}

void FormatNumber(std::u16string& out, int64_t value, bool isUnsigned, const Conversion& conv)
{
    std::string format = "%" + conv.flags;
    if (conv.width >= 0)
        format += std::to_string(conv.width);
    if (conv.precision >= 0) {
        format += '.'; // not "." + string: GCC 12 warns falsely about that at -O3
        format += std::to_string(conv.precision);
    }
    char buffer[kMaxWidth + 64];
    int n = 0;
    if (conv.type == 'c') {
        Pad(out, std::u16string(1, static_cast<char16_t>(value)), conv);
        return;
    }
    if (conv.type == 'd' || conv.type == 'i') {
        if (isUnsigned) {
            format += "llu";
            n = std::snprintf(buffer, sizeof buffer, format.c_str(), static_cast<unsigned long long>(value));
        } else {
            format += "lld";
            n = std::snprintf(buffer, sizeof buffer, format.c_str(), static_cast<long long>(value));
        }
    } else {
        format += "ll";
        format += conv.type;
        const bool narrow = !conv.wide && !isUnsigned && value < 0 && value >= INT32_MIN;
        const unsigned long long bits =
            narrow ? static_cast<uint32_t>(static_cast<int32_t>(value)) : static_cast<unsigned long long>(value);
        n = std::snprintf(buffer, sizeof buffer, format.c_str(), bits);
    }
    if (n > 0)
        out.append(buffer, buffer + std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1));
}

void FormatArg(std::u16string& out, const MessageArg& arg, const Conversion& conv)
{
    const bool numeric = conv.type != 's';
    if (const auto* text = std::get_if<std::u16string_view>(&arg)) {
        int64_t value = 0;
        if (numeric && ParseInteger(*text, value))
            FormatNumber(out, value, false, conv);
        else
            Pad(out, *text, conv);
        return;
    }
    const bool isUnsigned = std::holds_alternative<uint64_t>(arg);
    const int64_t value = isUnsigned ? static_cast<int64_t>(std::get<uint64_t>(arg)) : std::get<int64_t>(arg);
    if (numeric) {
        FormatNumber(out, value, isUnsigned, conv);
        return;
    }
    const std::string digits = isUnsigned ? std::to_string(std::get<uint64_t>(arg)) : std::to_string(value);
    Pad(out, std::u16string(digits.begin(), digits.end()), conv);
}

} // namespace

std::u16string FormatMessageText(std::u16string_view pattern, std::span<const MessageArg> args)
{
    std::u16string out;
    out.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char16_t c = pattern[i];
        if (c != u'%' || i + 1 == pattern.size()) {
            out += c;
            continue;
        }
        const char16_t next = pattern[i + 1];
        if (next >= u'1' && next <= u'9') {
            size_t j = i + 2;
            size_t number = static_cast<size_t>(next - u'0');
            if (j < pattern.size() && IsDigit(pattern[j]))
                number = number * 10 + static_cast<size_t>(pattern[j++] - u'0');
            Conversion conv;
            size_t end = j;
            if (j < pattern.size() && pattern[j] == u'!') {
                const size_t close = pattern.find(u'!', j + 1);
                if (close != std::u16string_view::npos && ParseConversion(pattern.substr(j + 1, close - j - 1), conv))
                    end = close + 1;
            }
            if (number > args.size()) {
                out.append(pattern.substr(i, end - i)); // no such argument: the insert stays as written
            } else {
                FormatArg(out, args[number - 1], conv);
            }
            i = end - 1;
            continue;
        }
        ++i;
        switch (next) {
        case u'0': return out;
        case u'n': out += u"\r\n"; break;
        case u'r': out += u'\r'; break;
        case u't': out += u'\t'; break;
        case u'%': case u'.': case u'!': case u' ': out += next; break;
        default: out += c; out += next; break;
        }
    }
    return out;
}

std::u16string FormatInsert(std::u16string_view pattern, MessageArg arg)
{
    return FormatMessageText(pattern, std::span<const MessageArg>(&arg, 1));
}
