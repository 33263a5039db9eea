#include "profile/exchange/IniText.h"

#include "platform/VTextDecoder.h"

std::u16string TrimmedText(std::u16string_view text)
{
    const size_t first = text.find_first_not_of(u" \t");
    if (first == std::u16string_view::npos)
        return {};
    return std::u16string(text.substr(first, text.find_last_not_of(u" \t") - first + 1));
}

std::vector<IniEntry> IniText::Parse(std::span<const uint8_t> bytes, const ForeignDocument& document)
{
    const VStringArray lines = VTextDecoder::DecodeAll(bytes);
    std::vector<IniEntry> entries;
    std::u16string section;
    int number = 0;
    for (const VUnicodeString& raw : lines) {
        ++number;
        const std::u16string line = TrimmedText(raw.str());
        if (line.empty() || line[0] == u';' || line[0] == u'#')
            continue;
        if (line[0] == u'[') {
            if (line.back() != u']')
                document.Fail(number, "the section name is not closed with ']'");
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const size_t equals = line.find(u'=');
        if (equals == std::u16string::npos || equals == 0)
            document.Fail(number, "the line is neither a [section] nor name=value");
        entries.push_back({section, TrimmedText(std::u16string_view(line).substr(0, equals)),
                           TrimmedText(std::u16string_view(line).substr(equals + 1)), number});
    }
    return entries;
}
