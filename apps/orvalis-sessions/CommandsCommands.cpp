// Keymap and menu files, checked by the library's own readers, and the
// Command Manager's commands in the command database.
#include <cstdio>

#include "profile/exchange/SessionValues.h"
#include "ToolArguments.h"
#include "ToolCommands.h"
#include "ToolSession.h"
#include "ToolText.h"
#include "commands/CommandDatabaseImpl.h"
#include "commands/FunctionTable.h"
#include "commands/Keymap.h"
#include "commands/VMenuToolbarTextRep.h"
#include "commands/qt/VDecodedMenuToolbarRep.h"
#include "platform/Products.h"
#include "profile/store/VProfileStore.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

// Every line of a text, without its break; empty lines left out.
std::vector<std::u16string> LinesOf(std::u16string_view text)
{
    std::vector<std::u16string> lines;
    size_t from = 0;
    while (from <= text.size()) {
        size_t end = text.find_first_of(u"\r\n", from);
        if (end == std::u16string_view::npos)
            end = text.size();
        if (end > from)
            lines.emplace_back(text.substr(from, end - from));
        from = end + 1;
    }
    return lines;
}

void PrintError(std::u16string_view line)
{
    const std::string text = "orvalis-sessions: " + ToUtf8Lossy(line) + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
}

// A check's result: on success the warnings are its output; on failure
// the errors go to standard error.
int ReportCheck(bool loaded, IReportMessageParams& report, const std::vector<VUnicodeString>& warnings)
{
    if (!loaded) {
        for (const std::u16string& line : LinesOf(report.GetText().str()))
            PrintError(line);
        return 1;
    }
    for (const VUnicodeString& warning : warnings)
        for (const std::u16string& line : LinesOf(warning.str()))
            PrintLine(line);
    return 0;
}

VUnicodeString CommandFolderArgument(const std::string& text)
{
    VUnicodeString folder = FromUtf8Argument(text, "the command folder");
    folder.Replace(u"\\", u"/");
    return folder;
}

} // namespace

int CommandKeymap(ToolSession&, const CommandArgs& args)
{
    if (args.empty())
        throw UsageError("keymap takes check FILE or default");
    const std::string& action = args[0];
    const CommandArgs rest(args.begin() + 1, args.end());
    if (action == "default") {
        const ToolArguments a(rest, {}, 0, 0);
        Keymap keymap;
        keymap.SetDefaultBindings();
        PrintLine(std::u16string_view(kKeymapVersion2));
        for (const VUnicodeString& line : keymap.FormatBindings())
            PrintLine(line.str());
        return 0;
    }
    if (action != "check")
        throw UsageError("keymap takes check FILE or default, not \"" + action + "\"");
    const ToolArguments a(rest, {}, 1, 1);
    Keymap keymap;
    VReportPtr report = NewReport();
    const bool loaded = keymap.Load(FromUtf8Argument(a.At(0), "the file name"), report.Get());
    std::vector<VUnicodeString> warnings;
    if (loaded && !report->IsEmpty())
        warnings.push_back(report->GetText());
    return ReportCheck(loaded, *report, warnings);
}

int CommandMenu(ToolSession&, const CommandArgs& args)
{
    if (args.empty() || args[0] != "check")
        throw UsageError("menu takes check FILE");
    const ToolArguments a(CommandArgs(args.begin() + 1, args.end()), {}, 1, 1);
    VDecodedMenuToolbarRep menus; // the toolbar images are decoded as a host would
    VReportPtr report = NewReport();
    const bool loaded = menus.Load(FromUtf8Argument(a.At(0), "the file name"), report.Get());
    std::vector<VUnicodeString> warnings;
    for (const VMenuToolbarTextRep::Problem& problem : menus.GetProblems())
        warnings.push_back(problem.text);
    return ReportCheck(loaded, *report, warnings);
}

int CommandCommands(ToolSession& session, const CommandArgs& args)
{
    if (args.empty())
        throw UsageError("commands takes ls or add");
    const std::string& action = args[0];
    const CommandArgs rest(args.begin() + 1, args.end());
    CommandDatabaseImpl& database = *GetCommandDatabaseImpl();

    if (action == "ls") {
        const ToolArguments a(rest, {}, 0, 1);
        const VUnicodeString folder = a.Count() ? CommandFolderArgument(a.At(0)) : VUnicodeString();
        if (!database.FolderExists(folder))
            throw ToolFailure("no command folder \"" + ToUtf8Lossy(folder.str()) + "\"");
        for (const VUnicodeString& name : database.GetSubfolders(folder))
            PrintLine(ToUtf8Lossy(name.str()) + "/");
        VUnknownPointer<ProfileUserButtonMap> commands(database.LoadCommands(folder));
        for (const ProfileUserButtonMap::Item& item : commands->GetItems())
            PrintLine(FormatValue(ExchangeValue{ValueKind::Text, 0, ProfileUserButtonMap::GetDisplayText(item)}));
        return StatusOf(session);
    }
    if (action != "add")
        throw UsageError("commands takes ls or add, not \"" + action + "\"");

    const ToolArguments a(rest, {{"argument", true}, {"argument2", true}, {"label", true}}, 2, 2);
    const VUnicodeString folder = CommandFolderArgument(a.At(0));
    const VUnicodeString functionName = FromUtf8Argument(a.At(1), "the function name");
    const int function = GetFunctionNumber(functionName.str());
    if (function == kFunctionUnknown || function == kFunctionNone)
        throw ToolFailure("\"" + a.At(1) + "\" is no function a command can perform");
    ProfileUserButtonMap::Item item;
    item.Function = function;
    item.FunctionName = VUnicodeString(GetFunctionName(function));
    try {
        // The text to send may hold line breaks: \r for Enter.
        if (const auto argument = a.Value("argument"))
            item.SetArgument(ParseValue(ValueKind::Text, FromUtf8Argument(*argument, "--argument").str()).text);
    } catch (const ValueError& error) {
        throw ToolFailure("--argument: " + error.reason);
    }
    if (const auto argument2 = a.Value("argument2"))
        item.Argument2 = FromUtf8Argument(*argument2, "--argument2");
    if (const auto label = a.Value("label"))
        item.Label = FromUtf8Argument(*label, "--label");
    if (!IsKestruneInstalled())
        throw ToolFailure("commands are kept only where the terminal product is installed, and it is not "
                          "(give --app 3, or install it)");

    // Folders along the path are made as the Command Manager makes them,
    // in the same transaction as the list.
    const VProfileStore transaction;
    VUnicodeString parent;
    for (std::u16string_view rest16 = folder.str(); !rest16.empty();) {
        const size_t slash = rest16.find(u'/');
        const VUnicodeString name(rest16.substr(0, slash));
        rest16 = slash == std::u16string_view::npos ? std::u16string_view() : rest16.substr(slash + 1);
        if (name.IsEmpty())
            continue;
        const VUnicodeString path = parent.IsEmpty() ? name : parent + u"/" + name.str();
        if (!database.FolderExists(path) && !database.CreateFolder(parent, name))
            throw ToolFailure("cannot make the command folder \"" + ToUtf8Lossy(path.str()) + "\"");
        parent = path;
    }
    VUnknownPointer<ProfileUserButtonMap> commands(database.LoadCommands(parent));
    commands->Insert(commands->GetCount(), item);
    if (!database.SaveCommands(parent, *commands))
        throw ToolFailure("cannot save the commands of \"" + ToUtf8Lossy(parent.str()) + "\"");
    return StatusOf(session);
}
