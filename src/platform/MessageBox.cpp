#include "platform/MessageBox.h"

#include <cstdio>
#include <string>

#include "core/UnicodeConversion.h"

namespace {

class StderrMessageBox final : public IMessageBox {
public:
    int Show(QWidget*, std::u16string_view text, std::u16string_view caption, unsigned style) override
    {
        std::string line;
        try {
            line = Utf16ToUtf8(caption) + ": " + Utf16ToUtf8(text);
        } catch (const std::exception&) {
            line = "(a message whose text is not valid UTF-16)";
        }
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        std::fprintf(stderr, "%s\n", line.c_str());
        switch (style & kMbButtonMask) {
        case kMbOk: return kIdOk;
        case kMbYesNo: return kIdNo;
        default: return kIdCancel;
        }
    }
};

StderrMessageBox g_default;
IMessageBox* g_box = &g_default;

} // namespace

IMessageBox& GetMessageBox()
{
    return *g_box;
}

void SetMessageBox(IMessageBox* box)
{
    g_box = box ? box : &g_default;
}

int ShowOptionalMessageBox(QWidget* parent, std::u16string_view title, std::u16string_view text, bool& option,
                           unsigned style, std::u16string_view optionText, std::u16string_view affirmativeText)
{
    if (affirmativeText.empty())
        return GetMessageBox().ShowWithOption(parent, text, title, style, optionText, option);
    return GetMessageBox().ShowOptional(parent, text, title, style, optionText, option, affirmativeText);
}
