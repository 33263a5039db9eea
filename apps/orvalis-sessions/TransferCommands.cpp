// Whole folders in and out: export and import of the library's exchange
// documents (JSON, or XML with --format xml), and the sessions made from an
// OpenSSH client configuration. Everything is read and checked before the
// first write, and the writes of one command are one transaction.
#include <glob.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <unordered_set>
#include <iostream>
#include <sstream>

#include "Progress.h"
#include "profile/exchange/ExchangeJson.h"
#include "profile/exchange/ExchangeXml.h"
#include "profile/exchange/SessionExchangeDatabase.h"
#include "SshClientConfig.h"
#include "ToolArguments.h"
#include "ToolCommands.h"
#include "ToolSession.h"
#include "ToolText.h"
#include "platform/ProtocolTable.h"
#include "platform/SessionNameValidator.h"
#include "profile/sessions/ProfileFolderData.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/VProfileStore.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

// Above this many sessions an export is long work.
constexpr size_t kLongExport = 1000;
// The value outside the schema that keeps an SSH2 session's port: the
// schema has none, the protocol engine reads it.
constexpr char16_t kSsh2PortValue[] = u"SSH2 Port";

SessionDatabase& Db()
{
    return *GetSessionDatabaseImpl();
}

std::string ReportText(IReportMessageParams& report)
{
    return OneLine(report.GetText().str());
}

// Why a name cannot name a session or folder, in the library's words;
// empty when it can.
std::string NameProblem(const VUnicodeString& name)
{
    const uint32_t problem = SessionNameProblem(name.str());
    if (!problem)
        return {};
    VReportPtr report = NewReport(problem);
    report->AddParameter(name);
    return ReportText(*report);
}

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return text.str();
}

ExchangeFormat FormatArgument(const ToolArguments& args)
{
    const std::optional<std::string> format = args.Value("format");
    if (!format || *format == "json")
        return ExchangeFormat::Json;
    if (*format == "xml")
        return ExchangeFormat::Xml;
    throw UsageError("--format takes json or xml, not " + *format);
}

// Without --format, a document that begins with '<' is taken as XML.
ExchangeFormat SniffFormat(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    char c = 0;
    while (in.get(c))
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return c == '<' ? ExchangeFormat::Xml : ExchangeFormat::Json;
    return ExchangeFormat::Json;
}

VUnicodeString TargetFolder(const ToolArguments& args)
{
    const VUnicodeString folder = args.Has("folder") ? SessionPathArgument(*args.Value("folder")) : VUnicodeString();
    if (!Db().IsFolder(folder))
        throw ToolFailure("no folder \"" + DisplayPath(folder) + "\"");
    return folder;
}

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (!home || !*home)
        throw ToolFailure("HOME is not set, so ~/.ssh cannot be found");
    return home;
}

std::vector<std::string> GlobFiles(const std::string& pattern)
{
    glob_t found{};
    std::vector<std::string> paths;
    if (glob(pattern.c_str(), 0, nullptr, &found) == 0)
        for (size_t i = 0; i < found.gl_pathc; ++i)
            paths.emplace_back(found.gl_pathv[i]);
    globfree(&found);
    return paths;
}

} // namespace

int CommandExport(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {{"format", true}}, 0, 1);
    const ExchangeFormat format = FormatArgument(a);
    const VUnicodeString folder = a.Count() ? SessionPathArgument(a.At(0)) : VUnicodeString();
    // One transaction: what is written is the database at one moment.
    const VProfileStore snapshot;
    if (!Db().IsFolder(folder))
        throw ToolFailure(Db().IsSession(folder) ? "\"" + DisplayPath(folder) + "\" is a session, not a folder"
                                                 : "no folder \"" + DisplayPath(folder) + "\"");
    SessionExchangeExport exporter(Db());
    Progress progress("exporting", exporter.CountSessions(folder), kLongExport);
    exporter.onSession = [&] { progress.Step(); };
    JsonExchangeWriter json(std::cout);
    XmlExchangeWriter xml(std::cout);
    IExchangeWriter& out = format == ExchangeFormat::Xml ? static_cast<IExchangeWriter&>(xml) : json;
    try {
        out.BeginDocument();
        exporter.FolderContents(folder, out);
        out.EndDocument();
    } catch (const ExchangeError& error) {
        throw ToolFailure(error.what());
    }
    std::cout.flush();
    if (!std::cout)
        throw ToolFailure("cannot write the document to standard output");
    return StatusOf(session);
}

int CommandImport(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {{"folder", true}, {"format", true}}, 1, 1);
    const std::string& file = a.At(0);
    const ExchangeFormat format = a.Has("format") ? FormatArgument(a) : SniffFormat(file);
    if (!std::ifstream(file, std::ios::binary))
        throw ToolFailure("cannot read " + file);
    const VUnicodeString folder = a.Has("folder") ? SessionPathArgument(*a.Value("folder")) : VUnicodeString();
    SessionExchangeImport import(Db(), folder, file);
    std::optional<Progress> progress;
    import.onChecked = [&](size_t sessions) { progress.emplace("importing", sessions, 0); };
    import.onSession = [&](const SessionImportItem& item) {
        PrintLine((item.added ? "added\t" : "skipped\t") + DisplayPath(item.path));
        progress->Step();
    };
    bool refused = false;
    import.onRefusal = [&](const std::string& text) {
        if (!refused) // said once; the import ends with 1
            std::cerr << "orvalis-sessions: " << text << "\n";
        refused = true;
    };
    try {
        import.Run([&](IExchangeVisitor& visitor) {
            std::ifstream in(file, std::ios::binary);
            if (!in)
                throw ExchangeError(file, 0, "cannot be read");
            if (format == ExchangeFormat::Xml)
                ReadExchangeXml(in, file, visitor);
            else
                ReadExchangeJson(in, file, visitor);
        });
    } catch (const ExchangeError& error) {
        throw ToolFailure(error.what());
    }
    return refused ? 1 : StatusOf(session);
}

int CommandImportSshConfig(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {{"folder", true}}, 0, 1);
    const std::string home = HomeFolder();
    const std::string file = a.Count() ? a.At(0) : home + "/.ssh/config";
    SshClientConfig config(ReadWholeFile, GlobFiles, home);
    std::vector<SshHostEntry> hosts;
    try {
        config.ReadFile(file);
        hosts = config.Hosts();
    } catch (const SshConfigError& error) {
        throw ToolFailure(error.line > 0 ? error.Describe() : error.file + ": " + error.message);
    }
    // Every name is checked before the first session is made.
    for (const SshHostEntry& host : hosts)
        if (const std::string problem = NameProblem(VUnicodeString(host.alias)); !problem.empty())
            throw ToolFailure(host.file + " line " + std::to_string(host.line) + ": " + problem);

    const VProfileStore transaction;
    const VUnicodeString folder = TargetFolder(a);
    for (const SshHostEntry& host : hosts) {
        const VUnicodeString path = SessionDatabase::JoinSessionPath(folder, VUnicodeString(host.alias));
        if (Db().SessionExists(path) && !Db().IsSession(path))
            throw ToolFailure(host.file + " line " + std::to_string(host.line) + ": \"" + DisplayPath(path) +
                              "\" is a folder in the database, not a session");
    }
    Progress progress("importing", hosts.size(), 0);
    for (const SshHostEntry& host : hosts) {
        const VUnicodeString name(host.alias);
        const VUnicodeString path = SessionDatabase::JoinSessionPath(folder, name);
        progress.Step();
        if (Db().IsSession(path)) {
            PrintLine("skipped\t" + DisplayPath(path));
            continue;
        }
        VReportPtr report = NewReport();
        VUnicodeString made;
        if (!Db().CreateSession(folder, name, u"SSH2", {}, false, &made, report.Get()))
            throw ToolFailure(host.file + " line " + std::to_string(host.line) + ": " + ReportText(*report));
        SessionConfigPtr config = Db().LoadSession(made);
        if (!config)
            throw ToolFailure("the session \"" + DisplayPath(made) + "\" cannot be read back");
        config->RemoteHost().SetHostname(VUnicodeString(host.hostName));
        if (!host.user.empty())
            config->RemoteHost().SetUsername(VUnicodeString(host.user));
        config->SetDescription(VUnicodeString::FromUtf8("Imported from " + host.file + " line " +
                                                        std::to_string(host.line) + " (Host ") +
                               host.alias + u")");
        bool saved = Db().SaveSession(*config, report.Get());
        if (saved && host.port)
            saved = Db().WriteValuesOutsideSchema(
                made, {StoredValue{kSsh2PortValue, kValueKindDword, static_cast<uint32_t>(*host.port)}}, report.Get());
        if (!saved)
            throw ToolFailure("cannot save session \"" + DisplayPath(made) + "\": " + ReportText(*report));
        PrintLine("added\t" + DisplayPath(made));
    }
    return StatusOf(session);
}
