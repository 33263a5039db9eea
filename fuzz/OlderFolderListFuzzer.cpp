// The older one-string folder and session lists: any text splits into
// names without colons that join back into the text (less one trailing
// colon).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "profile/sessions/ProfileFolderData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::u16string text(size / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    const VStringArray names = ProfileFolderData::SplitOlderList(text);
    std::u16string joined;
    for (size_t i = 0; i < names.GetSize(); ++i) {
        if (names[i].Find(u':') != VUnicodeString::npos)
            std::abort();
        if (i)
            joined += u':';
        joined += names[i].str();
    }
    std::u16string expected = text;
    if (!expected.empty() && expected.back() == u':')
        expected.pop_back();
    if (joined != expected || (expected.empty() != names.IsEmpty()))
        std::abort();
    return 0;
}
