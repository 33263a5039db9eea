#include "profile/values/VProfileListViewState.h"

#include <array>
#include <climits>
#include <vector>

#include "platform/MessageFormatter.h"

namespace {

bool IsSpace(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// One "%d" (or "%u") of the C library's scanner: blanks, a sign, digits.
bool ScanNumber(std::u16string_view text, size_t& i, int64_t& value)
{
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    const size_t start = i;
    int64_t v = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        v = std::min<int64_t>(v * 10 + (text[i] - u'0'), int64_t{1} << 33);
    if (i == start)
        return false;
    value = negative ? -v : v;
    return true;
}

bool ScanLiteral(std::u16string_view text, size_t& i, char16_t c)
{
    if (i >= text.size() || text[i] != c)
        return false;
    ++i;
    return true;
}

// A token read as an integer from its start (0 when it holds none).
int32_t TokenValue(std::u16string_view token)
{
    size_t i = 0;
    int64_t v = 0;
    if (!ScanNumber(token, i, v))
        return 0;
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

VProfileListViewState::Layout VProfileListViewState::Parse(std::u16string_view text)
{
    Layout layout;
    std::array<int64_t, 5> header{};
    size_t i = 0;
    for (size_t field = 0; field < header.size(); ++field) {
        if (!ScanNumber(text, i, header[field]) || !ScanLiteral(text, i, u','))
            return Layout();
    }
    // "%s": blanks skipped, then at least one character up to a blank.
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    const size_t tailStart = i;
    while (i < text.size() && !IsSpace(text[i]))
        ++i;
    if (i == tailStart)
        return Layout();
    const std::u16string_view tail = text.substr(tailStart, i - tailStart);

    std::vector<std::u16string_view> tokens;
    for (size_t from = 0;;) {
        const size_t comma = tail.find(u',', from);
        tokens.push_back(tail.substr(from, comma == std::u16string_view::npos ? comma : comma - from));
        if (comma == std::u16string_view::npos)
            break;
        from = comma + 1;
    }
    const int64_t count = static_cast<int32_t>(header[4]);
    if (count <= 0)
        return Layout();
    const auto columnCount = static_cast<size_t>(count);
    if (tokens.size() == columnCount) {
        for (size_t c = 0; c < columnCount; ++c)
            layout.columns.Add({TokenValue(tokens[c]), true, static_cast<int32_t>(c)});
    } else if (tokens.size() == columnCount * 3) {
        for (size_t c = 0; c < columnCount; ++c)
            layout.columns.Add(
                {TokenValue(tokens[3 * c]), TokenValue(tokens[3 * c + 1]) != 0, TokenValue(tokens[3 * c + 2])});
    } else {
        return Layout();
    }
    layout.header1 = header[0] != 0;
    layout.header2 = static_cast<int32_t>(header[1]);
    layout.header3 = static_cast<uint32_t>(header[2]);
    layout.header4 = static_cast<int32_t>(header[3]);
    return layout;
}

VUnicodeString VProfileListViewState::Format(const Layout& layout)
{
    const MessageArg header[] = {int64_t{layout.header1 ? 1 : 0}, int64_t{layout.header2},
                                 uint64_t{layout.header3}, int64_t{layout.header4},
                                 int64_t{static_cast<int64_t>(layout.columns.GetSize())}};
    VUnicodeString text(FormatMessageText(u"%1!d!,%2!d!,%3!lu!,%4!d!,%5!d!", header));
    for (const Column& column : layout.columns) {
        text += u",";
        text += FormatInsert(u"%1!d!,", int64_t{column.width});
        text += FormatInsert(u"%1!d!,", int64_t{column.visible ? 1 : 0});
        text += FormatInsert(u"%1!d!", int64_t{column.order});
    }
    return text;
}
