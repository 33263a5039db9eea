#include "profile/values/VProfileExplorerFrameState.h"

#include <climits>

#include "platform/MessageFormatter.h"

namespace {

bool ScanInt(std::u16string_view text, size_t& i, int32_t& out)
{
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    const size_t start = i;
    int64_t v = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        v = std::min<int64_t>(v * 10 + (text[i] - u'0'), int64_t{1} << 32);
    if (i == start)
        return false;
    out = static_cast<int32_t>(std::clamp<int64_t>(negative ? -v : v, INT32_MIN, INT32_MAX));
    return true;
}

} // namespace

VProfileExplorerFrameState::State VProfileExplorerFrameState::Read() const
{
    const std::u16string_view text = Get();
    size_t i = 0;
    int32_t a = 0, b = 0, c = 0;
    if (!ScanInt(text, i, a) || i >= text.size() || text[i++] != u',' || !ScanInt(text, i, b) ||
        i >= text.size() || text[i++] != u',' || !ScanInt(text, i, c))
        return State();
    return {a != 0, b, c};
}

void VProfileExplorerFrameState::Write(const State& state)
{
    const MessageArg args[] = {int64_t{state.flag ? 1 : 0}, int64_t{state.second}, int64_t{state.third}};
    Set(VUnicodeString(FormatMessageText(u"%1!d!,%2!d!,%3!d!", args)));
}

void VProfileExplorerFrameState::SetFlag1(bool value)
{
    State s = Read();
    s.flag = value;
    Write(s);
}

void VProfileExplorerFrameState::SetValue2(int32_t value)
{
    State s = Read();
    s.second = value;
    Write(s);
}

void VProfileExplorerFrameState::SetValue3(int32_t value)
{
    State s = Read();
    s.third = value;
    Write(s);
}
