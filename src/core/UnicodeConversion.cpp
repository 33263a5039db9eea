#include "core/UnicodeConversion.h"

#include <unicode/ustring.h>

#include <climits>

#include "core/Exceptions.h"

std::u16string Utf8ToUtf16(std::string_view utf8)
{
    if (utf8.size() > INT32_MAX)
        throw InvalidParameter("text too long");
    std::u16string out(utf8.size(), u'\0'); // never more units than bytes
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &length,
                  utf8.data(), static_cast<int32_t>(utf8.size()), &status);
    if (U_FAILURE(status))
        throw IllegalSequence();
    out.resize(static_cast<size_t>(length));
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16)
{
    if (utf16.size() > INT32_MAX / 3)
        throw InvalidParameter("text too long");
    std::string out(utf16.size() * 3, '\0'); // a unit gives at most three bytes
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &length,
                reinterpret_cast<const UChar*>(utf16.data()), static_cast<int32_t>(utf16.size()), &status);
    if (U_FAILURE(status))
        throw IllegalSequence();
    out.resize(static_cast<size_t>(length));
    return out;
}
