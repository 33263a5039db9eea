#include "platform/ReleaseDate.h"

#include <cstdio>
#include <string>

#include "core/VUnicodeString.h"

std::optional<ReleaseDate> ParseReleaseDate(std::string_view text)
{
    static constexpr const char16_t* kMonths[] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                                  u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
    const std::string terminated(text.substr(0, text.find('\0')));
    char month[4] = {};
    ReleaseDate date;
    // At most nine digits a number: a longer one would not fit an int.
    if (std::sscanf(terminated.c_str(), "%3s %9d %9d", month, &date.day, &date.year) != 3)
        return std::nullopt;
    VUnicodeString name;
    try {
        name = VUnicodeString::FromUtf8(month);
    } catch (const std::exception&) {
        return std::nullopt; // three bytes of a longer character
    }
    for (int i = 0; i < 12; ++i)
        if (name.EqualsNoCase(kMonths[i]))
            date.month = i + 1;
    if (date.month == 0 || date.day < 1 || date.day > 31 || date.year < 1901)
        return std::nullopt;
    return date;
}
