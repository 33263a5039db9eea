#include "ToolText.h"

#include <cstdio>

#include "core/Exceptions.h"
#include "core/UnicodeConversion.h"
#include "profile/sessions/SessionDatabase.h"

namespace {

bool IsHigh(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

std::string ToUtf8Lossy(std::u16string_view text)
{
    std::string out;
    size_t runStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (IsHigh(c) && i + 1 < text.size() && IsLow(text[i + 1])) {
            ++i;
            continue;
        }
        if (!IsHigh(c) && !IsLow(c))
            continue;
        out += Utf16ToUtf8(text.substr(runStart, i - runStart));
        out += "\xEF\xBF\xBD";
        runStart = i + 1;
    }
    out += Utf16ToUtf8(text.substr(runStart));
    return out;
}

VUnicodeString FromUtf8Argument(std::string_view utf8, std::string_view what)
{
    try {
        return VUnicodeString(Utf8ToUtf16(utf8));
    } catch (const IllegalSequence&) {
        throw UsageError(std::string(what) + " is not valid UTF-8");
    }
}

std::string OneLine(std::u16string_view text)
{
    std::u16string line;
    bool pendingBlank = false;
    for (char16_t c : text) {
        if (c == u'\r' || c == u'\n') {
            pendingBlank = !line.empty();
            continue;
        }
        if (pendingBlank && c != u' ' && line.back() != u' ')
            line += u' ';
        pendingBlank = false;
        line += c;
    }
    while (!line.empty() && line.back() == u' ')
        line.pop_back();
    return ToUtf8Lossy(line);
}

std::string DisplayPath(const VUnicodeString& path)
{
    VUnicodeString slashes = path;
    slashes.Replace(u"\\", u"/");
    return ToUtf8Lossy(slashes.str());
}

VUnicodeString SessionPathArgument(std::string_view utf8)
{
    return SessionDatabase::NormalizeSessionPath(FromUtf8Argument(utf8, "the session path"));
}

void PrintLine(std::string_view line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

void PrintLine(std::u16string_view line)
{
    PrintLine(std::string_view(ToUtf8Lossy(line)));
}
