#include "platform/TerminalTypes.h"

#include "platform/Products.h"

namespace {

constexpr const char16_t* kTypes[] = {u"VT100", u"VT102",          u"VT220",  u"VT320",  u"ANSI",
                                      u"SCOANSI", u"Linux",        u"Xterm",  u"Xterm-256color",
                                      u"WYSE50", u"WYSE60",        u"TVI910", u"TVI925", u"Dumb",
                                      u"TN3270"};
constexpr const char16_t* kTn3270Models[] = {u"IBM-3278-2", u"IBM-3278-3", u"IBM-3278-4", u"IBM-3278-5"};

} // namespace

VStringArray GetTerminalTypes()
{
    VStringArray types;
    for (const char16_t* type : kTypes)
        types.Add(type);
    if (HasHarlinEmulation())
        types.Add(u"Harlin");
    return types;
}

std::span<const char16_t* const> GetTn3270Models()
{
    return kTn3270Models;
}
