#include "profile/values/VProfileDword.h"

#include <algorithm>
#include <climits>

int32_t ParseSigned32(std::u16string_view text, int radix)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    const bool hexPrefix = i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X');
    if (radix == 0)
        radix = hexPrefix ? 16 : (i < text.size() && text[i] == u'0') ? 8 : 10;
    if (radix == 16 && hexPrefix)
        i += 2;
    if (radix < 2 || radix > 36)
        return 0;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i];
        int digit = 36;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'z')
            digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'Z')
            digit = c - u'A' + 10;
        if (digit >= radix)
            break;
        value = std::min<int64_t>(value * radix + digit, int64_t{INT32_MAX} + 1);
    }
    if (negative)
        value = -value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}
