#include "commands/ProfileKeymap.h"

#include "profile/reports/VReportMessageParams.h"

namespace {

constexpr char16_t kKeymapV4[] = u"Keymap v4";
constexpr char16_t kKeymapV3[] = u"Keymap v3";

} // namespace

ProfileKeymap::ProfileKeymap(const VProfileKey* key, IReportMessageParams* report)
    : VProfile2(nullptr, kValueName, nullptr)
{
    // Loaded here rather than by the base, so that reading parses the lines.
    m_report = report;
    if (report)
        report->SetMessageId(0);
    VProfile2::Load(key, nullptr);
    m_report = nullptr;
}

bool ProfileKeymap::ReadCurrent(const VProfileKey* key)
{
    m_foundName = VUnicodeString();
    m_bindings.clear();
    if (!key)
        return false;

    // The newest form first. The two binary forms between "Keymap v4" and
    // "Keymap v3" ("Keymap v2", "Keymap") have no decoder here: they are
    // passed over, so the older text form behind them is still found.
    VStringArray lines;
    for (const char16_t* name : {kValueName, kKeymapV4, kKeymapV3}) {
        if (key->ReadStringArray(name, lines)) {
            m_foundName = name;
            break;
        }
    }
    if (m_foundName.IsEmpty())
        return false;
    Current() = std::move(lines);
    ParseCurrent();
    return true;
}

void ProfileKeymap::ParseCurrent()
{
    m_bindings.clear();
    std::span<const VUnicodeString> bindingLines(Get().begin(), Get().end());
    int firstLineNumber = 1;
    if (!bindingLines.empty() && bindingLines[0].StartsWith(u"Version = ")) {
        bindingLines = bindingLines.subspan(1);
        firstLineNumber = 2;
    }
    const ParseProblems problems = ParseBindings(bindingLines, firstLineNumber, IsVersionUnknown(), IsVersionOld());
    if (problems.errors > 0)
        Report(m_report, problems.errors >= kMaximumErrors ? kMsgKeymapCannotBeUsed : kMsgKeymapLinesIgnored,
               m_foundName, problems.texts);
}

void ProfileKeymap::Set(const VStringArray& lines)
{
    Lines::Set(lines);
    ParseCurrent();
}

void ProfileKeymap::Revert()
{
    VProfile2::Revert();
    ParseCurrent();
}

bool ProfileKeymap::Save(const VProfileKey* key)
{
    Lines::Set(FormatBindings());
    return VProfile2::Save(key);
}

bool ProfileKeymap::IsVersionOld() const
{
    return !m_foundName.IsEmpty() && m_foundName != kValueName;
}

bool ProfileKeymap::IsVersionUnknown() const
{
    return m_foundName == kKeymapV3;
}
