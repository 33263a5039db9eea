#include "commands/Keymap.h"

#include "commands/DefaultAcceleratorTable.h"
#include "commands/FunctionTable.h"
#include "commands/KeyNames.h"
#include "commands/PathVariables.h"
#include "commands/ProfileUserButtonMap.h"
#include "platform/BaseFolders.h"
#include "platform/MessageFormatter.h"
#include "platform/PlatformError.h"
#include "platform/VTextFile.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

constexpr std::u16string_view kVersionMarker = u"Version = ";
constexpr char16_t kKeymapsFolder[] = u"keymaps";

bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

// The next run of characters up to a blank or tab, after skipping blanks.
std::u16string_view NextField(std::u16string_view& rest)
{
    size_t i = 0;
    while (i < rest.size() && IsBlank(rest[i]))
        ++i;
    size_t end = i;
    while (end < rest.size() && !IsBlank(rest[end]))
        ++end;
    const std::u16string_view field = rest.substr(i, end - i);
    rest.remove_prefix(end);
    return field;
}

std::u16string_view TrimBlanks(std::u16string_view text)
{
    while (!text.empty() && (IsBlank(text.front()) || text.front() == u'\r' || text.front() == u'\n'))
        text.remove_prefix(1);
    while (!text.empty() && (IsBlank(text.back()) || text.back() == u'\r' || text.back() == u'\n'))
        text.remove_suffix(1);
    return text;
}

VUnicodeString Upper(std::u16string_view text)
{
    VUnicodeString upper(text);
    upper.MakeUpper();
    return upper;
}

// Modifier letters in the order the text form writes them.
VUnicodeString ModifierLetters(uint32_t key)
{
    VUnicodeString letters;
    if (key & kKeyAlt)
        letters += u'A';
    if (key & kKeyControl)
        letters += u'C';
    if (key & kKeyShift)
        letters += u'S';
    if (key & kKeyExtended)
        letters += u'E';
    if (letters.IsEmpty())
        letters += u'N';
    return letters;
}

// An argument is the text between `("` and the next `")`. Returns false
// when there is none after `from`; `from` moves past it.
bool NextArgument(std::u16string_view action, size_t& from, VUnicodeString& argument)
{
    const size_t open = action.find(u"(\"", from);
    if (open == std::u16string_view::npos)
        return false;
    const size_t close = action.find(u"\")", open + 2);
    if (close == std::u16string_view::npos)
        return false;
    argument = VUnicodeString(action.substr(open + 2, close - open - 2));
    from = close + 2;
    return true;
}

// Older keymaps held a LAUNCH command as one command line; the program
// ends with its quoted name, or with its ".exe" name, or at the first blank.
void SplitCommandLine(VUnicodeString& program, VUnicodeString& arguments)
{
    const std::u16string_view line = program.str();
    size_t end = std::u16string_view::npos;
    size_t argumentsFrom = std::u16string_view::npos;
    if (!line.empty() && line[0] == u'"') {
        end = line.find(u'"', 1);
        if (end != std::u16string_view::npos)
            argumentsFrom = end + 1;
    } else {
        const VUnicodeString folded(VUnicodeString::FoldCase(line));
        const size_t exe = folded.Find(u".exe");
        end = exe != VUnicodeString::npos ? exe + 4 : line.find_first_of(u" \t");
        argumentsFrom = end;
    }
    if (argumentsFrom == std::u16string_view::npos || argumentsFrom >= line.size())
        return;
    const std::u16string_view name = line[0] == u'"' ? line.substr(1, end - 1) : line.substr(0, end);
    arguments = VUnicodeString(TrimBlanks(line.substr(argumentsFrom)));
    program = VUnicodeString(name);
}

VUnicodeString LineMessage(uint32_t id, int lineNumber, const VUnicodeString& extra = {})
{
    VReportPtr report = NewReport(id);
    report->AddParameter(VUnicodeString::FromNumber(lineNumber));
    if (!extra.IsEmpty())
        report->AddParameter(extra);
    VUnicodeString text = report->GetText();
    text.TrimRight();
    return text;
}

class LineParser {
public:
    LineParser(Keymap::Bindings& bindings, bool versionUnknown, bool versionOld)
        : m_bindings(bindings), m_versionUnknown(versionUnknown), m_versionOld(versionOld)
    {
    }

    // False with the message text when the line is bad.
    bool Parse(std::u16string_view line, int lineNumber, VUnicodeString& error);

private:
    bool ParseAction(std::u16string_view action, int lineNumber, Keymap::KeyMapEntry& entry, VUnicodeString& error);

    Keymap::Bindings& m_bindings;
    bool m_versionUnknown;
    bool m_versionOld;
};

bool LineParser::Parse(std::u16string_view line, int lineNumber, VUnicodeString& error)
{
    line = TrimBlanks(line);
    if (line.empty() || line[0] == u';')
        return true;
    std::u16string_view rest = line;
    const std::u16string_view modifiers = NextField(rest);
    std::u16string_view keyName = NextField(rest);
    std::u16string_view action = TrimBlanks(rest);
    if (modifiers.empty() || keyName.empty() || action.empty())
        return true; // not a binding: skipped

    const VUnicodeString upperName = Upper(keyName);
    uint32_t key = KeyNameToCode(upperName.str());
    if (key == kKeyUnknownName) {
        // A few names hold a blank ("VK_LAUNCH 0"): try the name with the
        // next field before giving up.
        std::u16string_view afterName = rest;
        const std::u16string_view part = NextField(afterName);
        const uint32_t joined =
            part.empty() ? kKeyUnknownName : KeyNameToCode((upperName + u" " + Upper(part).str()).str());
        if (joined == kKeyUnknownName || TrimBlanks(afterName).empty()) {
            error = LineMessage(kMsgKeymapUnknownKey, lineNumber);
            return false;
        }
        key = joined;
        action = TrimBlanks(afterName);
    }

    const VUnicodeString letters = Upper(modifiers);
    for (const char16_t letter : letters.str()) {
        switch (letter) {
        case u'N': break;
        case u'E': key |= kKeyExtended; break;
        case u'C': key |= kKeyControl; break;
        case u'S': key |= kKeyShift; break;
        case u'A': key |= kKeyAlt; break;
        default:
            error = LineMessage(kMsgKeymapBadModifier, lineNumber, VUnicodeString(std::u16string(1, letter)));
            return false;
        }
    }

    Keymap::KeyMapEntry entry;
    if (!ParseAction(action, lineNumber, entry, error))
        return false;
    m_bindings[key] = std::move(entry);
    return true;
}

bool LineParser::ParseAction(std::u16string_view action, int lineNumber, Keymap::KeyMapEntry& entry,
                             VUnicodeString& error)
{
    if (action[0] == u'"') {
        const size_t close = action.rfind(u'"');
        if (close == 0) {
            error = LineMessage(kMsgKeymapUnterminatedQuote, lineNumber);
            return false;
        }
        entry.Function = kFunctionSend;
        entry.Argument = VUnicodeString(action.substr(1, close - 1));
        // Files without a version wrote \r\n meaning the two escapes; keep
        // them as text.
        if (m_versionUnknown)
            entry.Argument.Replace(u"\\r\\n", u"\\\\r\\\\n");
        return true;
    }

    struct Prefix {
        std::u16string_view name;
        int function;
        int arguments;
    };
    static constexpr Prefix kWithArguments[] = {
        {u"SEND_TO_COMMAND_WINDOW", kFunctionSendToCommandWindow, 1},
        {u"CREDENTIALS", kFunctionCredentials, 2},
        {u"RUN", kFunctionRun, 2},
        {u"LAUNCH", kFunctionLaunch, 2},
        {u"BB_SET_BUTTON_BAR", kFunctionSetButtonBar, 1},
        {u"SET_BUTTONBAR", kFunctionSetButtonBar, 1},
    };
    for (const Prefix& prefix : kWithArguments) {
        if (!action.starts_with(prefix.name))
            continue;
        size_t from = prefix.name.size();
        entry.Function = prefix.function;
        if (!NextArgument(action, from, entry.Argument)) {
            error = LineMessage(kMsgKeymapMissingArgument, lineNumber);
            return false;
        }
        if (prefix.arguments == 2)
            NextArgument(action, from, entry.Argument2);
        if (entry.Function == kFunctionLaunch && m_versionOld && entry.Argument2.IsEmpty())
            SplitCommandLine(entry.Argument, entry.Argument2);
        return true;
    }

    entry.Function = GetFunctionNumber(action);
    if (entry.Function == kFunctionUnknown || entry.Function == kFunctionNone || entry.Function == kFunctionSend) {
        error = LineMessage(kMsgKeymapUnknownFunction, lineNumber);
        return false;
    }
    return true;
}

} // namespace

const Keymap::KeyMapEntry* Keymap::Find(uint32_t key) const
{
    const auto it = m_bindings.find(key);
    return it == m_bindings.end() ? nullptr : &it->second;
}

int Keymap::GetFunction(uint32_t key) const
{
    if (const KeyMapEntry* entry = Find(key))
        return entry->Function;
    return m_fallback ? m_fallback->GetFunction(key) : 0;
}

VUnicodeString Keymap::GetArgument(uint32_t key) const
{
    if (const KeyMapEntry* entry = Find(key))
        return entry->Argument;
    return m_fallback ? m_fallback->GetArgument(key) : VUnicodeString();
}

VUnicodeString Keymap::GetArgument2(uint32_t key) const
{
    if (const KeyMapEntry* entry = Find(key))
        return entry->Argument2;
    return m_fallback ? m_fallback->GetArgument2(key) : VUnicodeString();
}

VUnicodeString Keymap::GetDescription(uint32_t key) const
{
    const KeyMapEntry* entry = Find(key);
    if (!entry)
        return m_fallback ? m_fallback->GetDescription(key) : VUnicodeString();
    ProfileUserButtonMap::Item item;
    item.Function = entry->Function;
    item.FunctionName = VUnicodeString(GetFunctionName(entry->Function));
    item.SetArgument(entry->Argument);
    item.Argument2 = entry->Argument2;
    return ProfileUserButtonMap::GetDisplayText(item);
}

void Keymap::SetFunction(uint32_t key, int function)
{
    if (function == kFunctionNone) {
        m_bindings.erase(key);
        return;
    }
    m_bindings[key].Function = function;
}

void Keymap::SetArgument(uint32_t key, const VUnicodeString& argument)
{
    if (const auto it = m_bindings.find(key); it != m_bindings.end())
        it->second.Argument = argument;
}

void Keymap::SetArgument2(uint32_t key, const VUnicodeString& argument)
{
    if (const auto it = m_bindings.find(key); it != m_bindings.end())
        it->second.Argument2 = argument;
}

bool Keymap::IsVersionUnknown() const
{
    return m_version != kKeymapVersion1 && m_version != kKeymapVersion2;
}

bool Keymap::IsVersionOld() const
{
    return m_version != kKeymapVersion2;
}

VUnicodeString Keymap::FormatBinding(uint32_t key, const KeyMapEntry& entry)
{
    const VUnicodeString modifiers = ModifierLetters(key);
    const VUnicodeString name = KeyCodeToName(key);
    const std::u16string_view function = GetFunctionName(entry.Function);
    std::vector<MessageArg> args{std::u16string_view(modifiers), std::u16string_view(name)};
    switch (entry.Function) {
    case kFunctionNone:
        return {};
    case kFunctionSend:
        args.emplace_back(std::u16string_view(entry.Argument));
        return VUnicodeString(FormatMessageText(u"%1\t%2!-20s!\t\"%3\"", args));
    case kFunctionSendToCommandWindow:
    case kFunctionSetButtonBar:
        args.emplace_back(function);
        args.emplace_back(std::u16string_view(entry.Argument));
        return VUnicodeString(FormatMessageText(u"%1\t%2!-20s!\t%3(\"%4\")", args));
    case kFunctionRun:
    case kFunctionLaunch:
    case kFunctionCredentials: {
        const VUnicodeString first =
            entry.Function == kFunctionRun ? CollapseProgramPath(entry.Argument) : entry.Argument;
        args.emplace_back(function);
        args.emplace_back(std::u16string_view(first));
        args.emplace_back(std::u16string_view(entry.Argument2));
        return VUnicodeString(FormatMessageText(u"%1\t%2!-20s!\t%3(\"%4\")(\"%5\")", args));
    }
    default:
        args.emplace_back(function);
        return VUnicodeString(FormatMessageText(u"%1\t%2!-20s!\t%3", args));
    }
}

VStringArray Keymap::FormatBindings() const
{
    VStringArray lines;
    for (const auto& [key, entry] : m_bindings) {
        VUnicodeString line = FormatBinding(key, entry);
        if (!line.IsEmpty())
            lines.Add(std::move(line));
    }
    return lines;
}

Keymap::ParseProblems Keymap::ParseBindings(std::span<const VUnicodeString> lines, int firstLineNumber,
                                            bool versionUnknown, bool versionOld)
{
    ParseProblems problems;
    LineParser parser(m_bindings, versionUnknown, versionOld);
    int lineNumber = firstLineNumber;
    for (const VUnicodeString& line : lines) {
        VUnicodeString error;
        if (!parser.Parse(line.str(), lineNumber++, error)) {
            if (!problems.texts.IsEmpty())
                problems.texts += u'\n';
            problems.texts += error.str();
            if (++problems.errors == kMaximumErrors)
                break;
        }
    }
    return problems;
}

bool Keymap::ReadText(std::span<const VUnicodeString> lines, const VUnicodeString& path, Keymap& into,
                      IReportMessageParams* report)
{
    into.m_version = VUnicodeString();
    int firstLineNumber = 1;
    if (!lines.empty() && lines[0].Find(kVersionMarker) != VUnicodeString::npos) {
        into.m_version = lines[0];
        lines = lines.subspan(1);
        firstLineNumber = 2;
    }
    const ParseProblems problems =
        into.ParseBindings(lines, firstLineNumber, into.IsVersionUnknown(), into.IsVersionOld());
    if (problems.errors >= kMaximumErrors)
        return Report(report, kMsgKeymapCannotBeUsed, path, problems.texts);
    if (problems.errors > 0)
        Report(report, kMsgKeymapLinesIgnored, path, problems.texts);
    return true;
}

bool Keymap::Load(const VUnicodeString& path, IReportMessageParams* report)
{
    if (report)
        report->SetMessageId(0);
    VStringArray lines;
    int error = 0;
    if (!VTextFile::ReadLines(path, lines, error)) {
        // A bare name is looked for among the user's keymaps too.
        const VUnicodeString config = GetOrvConfigPathSub();
        int fallbackError = 0;
        const std::u16string_view name = std::u16string_view(path.str()).substr(path.ReverseFind(u'/') + 1);
        const VUnicodeString inKeymaps = config + u"/" + kKeymapsFolder + u"/" + name;
        if (config.IsEmpty() || name.empty() || !VTextFile::ReadLines(inKeymaps, lines, fallbackError))
            return Report(report, kMsgKeymapCannotBeUsed, path, SystemErrorText(static_cast<uint32_t>(error)));
    }
    Keymap read;
    if (!ReadText({lines.begin(), lines.end()}, path, read, report))
        return false;
    m_bindings = std::move(read.m_bindings);
    m_version = std::move(read.m_version);
    return true;
}

bool Keymap::Save(const VUnicodeString& path)
{
    VStringArray lines;
    lines.Add(kKeymapVersion2);
    for (const VUnicodeString& line : FormatBindings())
        lines.Add(line);
    int error = 0;
    if (!VTextFile::WriteLines(path, lines, error)) {
        SetPlatformLastError(static_cast<uint32_t>(error));
        return false;
    }
    m_version = kKeymapVersion2;
    return true;
}

void Keymap::SetDefaultBindings()
{
    constexpr uint32_t C = kKeyControl, S = kKeyShift, E = kKeyExtended;
    constexpr uint32_t kBack = 0x08, kSpace = 0x20, kPrior = 0x21, kNext = 0x22, kEnd = 0x23, kLeft = 0x25,
                       kUp = 0x26, kRight = 0x27, kDown = 0x28, kDelete = 0x2E, kPause = 0x13, kF1 = 0x70,
                       kOemBackslash = 0xDC, kOemSlash = 0xBF, kOemMinus = 0xBD;
    const auto character = [](char16_t c) { return kKeyCharacter | c; };
    const auto send = [this](std::initializer_list<uint32_t> keys, const char16_t* text) {
        for (const uint32_t key : keys)
            m_bindings[key] = {kFunctionSend, text, {}};
    };
    const auto bind = [this](std::initializer_list<uint32_t> keys, std::u16string_view function) {
        for (const uint32_t key : keys)
            m_bindings[key] = {GetFunctionNumber(function), {}, {}};
    };

    m_bindings.clear();
    for (uint32_t i = 0; i < 4; ++i)
        m_bindings[kF1 + i] = {GetFunctionNumber(u"VT_PF1") + static_cast<int>(i), {}, {}};
    send({kBack, S | kBack}, u"\\010");
    send({C | kBack}, u"\\177");
    send({kDelete, S | kDelete, E | kDelete, S | E | kDelete}, u"\\177");
    send({C | kSpace, C | '2', C | S | '2', C | S | character(u'@')}, u"\\000");
    send({C | kOemBackslash, C | character(u'\\')}, u"\\034");
    send({C | '6', C | S | '6', C | S | character(u'^')}, u"\\036");
    send({C | kOemSlash, C | character(u'/'), C | S | kOemSlash, C | S | character(u'?'), C | S | kOemMinus,
          C | S | character(u'_')},
         u"\\037");
    bind({kPrior, E | kPrior}, u"SB_PAGE_UP");
    bind({kNext, E | kNext}, u"SB_PAGE_DOWN");
    bind({C | kPrior, C | E | kPrior}, u"SB_LINE_UP");
    bind({C | kNext, C | E | kNext}, u"SB_LINE_DOWN");
    bind({kEnd, E | kEnd}, u"SB_END");
    bind({kUp, E | kUp}, u"VT_CURSOR_UP");
    bind({kDown, E | kDown}, u"VT_CURSOR_DOWN");
    bind({kLeft, E | kLeft}, u"VT_CURSOR_LEFT");
    bind({kRight, E | kRight}, u"VT_CURSOR_RIGHT");
    bind({C | kPause}, u"TN_BREAK");

    // The main window's keys that a terminal must not swallow.
    static constexpr std::u16string_view kWindowFunctions[] = {
        u"MENU_TAB_NEXT",
        u"MENU_TAB_PREV",
        u"MENU_TAB_CLOSE",
        u"MENU_TOGGLE_FULL_SCREEN",
        u"MENU_TOGGLE_SEND_COMMANDS_TO_ALL_SESSIONS",
        u"MENU_SEND_COMMANDS_TO_ALL_SESSIONS",
        u"MENU_SEND_COMMANDS_TO_ACTIVE_SESSION",
        u"MENU_SEND_COMMANDS_TO_SELECTED_GROUPS",
        u"MENU_SEND_COMMANDS_TO_VISIBLE_SESSIONS",
        u"MENU_SHOW_COMMAND_WINDOW_TITLE_BAR",
        u"MENU_TOGGLE_SEND_CHARACTERS_IMMEDIATELY",
    };
    std::vector<int> functions;
    for (const std::u16string_view name : kWindowFunctions)
        functions.push_back(GetFunctionNumber(name));
    for (int tab = GetFunctionNumber(u"MENU_TAB_1"); tab <= GetFunctionNumber(u"MENU_TAB_10"); ++tab)
        functions.push_back(tab);
    for (const int function : functions)
        for (const uint32_t key : GetDefaultAcceleratorKeys(kAcceleratorSetMainWindow, function))
            m_bindings[key] = {function, {}, {}};
}
