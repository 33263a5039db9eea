#include "platform/SessionNameValidator.h"

#include <array>

#include "core/VUnicodeString.h"
#include "platform/MessageBox.h"
#include "platform/MessageFormatter.h"
#include "platform/MessageTable.h"
#include "platform/Products.h"

namespace {

bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\u00A0' || c == u'\u3000';
}

} // namespace

uint32_t SessionNameProblem(std::u16string_view name)
{
    if (name.empty())
        return kSessionNameEmpty;
    if (name.size() > kMaxSessionNameLength)
        return kSessionNameTooLong;
    for (char16_t c : name) {
        if (c == u'\\' || c == u'/')
            return kSessionNameSeparator;
        if (c < 0x20 || c == 0x7F)
            return kSessionNameControl;
    }
    if (IsBlank(name.front()) || IsBlank(name.back()))
        return kSessionNameBlankEnds;
    if (name.front() == u'.')
        return kSessionNameLeadingDot;
    const VUnicodeString folded = VUnicodeString(name).MakeUpper();
    if (folded.Find(u"__FOLDERDATA__") != VUnicodeString::npos || folded == u"__COMMANDS__" ||
        (name.size() > 4 && name.starts_with(u"__") && name.ends_with(u"__")))
        return kSessionNameReserved;
    return 0;
}

bool ValidateSessionName(std::u16string_view, std::u16string_view, std::u16string_view newName, bool tellUser,
                         QWidget* parent)
{
    const uint32_t problem = SessionNameProblem(newName);
    if (problem == 0)
        return true;
    if (tellUser) {
        std::u16string pattern;
        MessageTable::Library().Find(problem, kLanguageNeutral, pattern);
        const std::array<MessageArg, 1> args{std::u16string_view(newName)};
        GetMessageBox().Show(parent, FormatMessageText(pattern, args), VGetAppName(), kMbOk | kMbIconExclamation);
    }
    return false;
}
