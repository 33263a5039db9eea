// Whole folders in and out: export and import of the library's exchange
// documents (JSON, or XML with --format xml). Everything is read and
// checked before the first write, and the writes of one command are one
// transaction.
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
#include "ToolArguments.h"
#include "ToolCommands.h"
#include "ToolImport.h"
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

SessionDatabase& Db()
{
    return *GetSessionDatabaseImpl();
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
    import.readAhead = true; // the readers below parse their file and nothing else
    const bool refused = RunToolImport(import, [&](IExchangeVisitor& visitor) {
        std::ifstream in(file, std::ios::binary);
        if (!in)
            throw ExchangeError(file, 0, "cannot be read");
        if (format == ExchangeFormat::Xml)
            ReadExchangeXml(in, file, visitor);
        else
            ReadExchangeJson(in, file, visitor);
    });
    return refused ? 1 : StatusOf(session);
}
