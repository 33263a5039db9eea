// Sessions from the programs users come from: the library reads the
// program's file into the exchange model and its importer writes it, as
// every other import does.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>

#include "ToolArguments.h"
#include "ToolCommands.h"
#include "ToolImport.h"
#include "ToolSession.h"
#include "ToolText.h"
#include "core/UnicodeConversion.h"
#include "profile/exchange/ForeignImport.h"
#include "profile/exchange/SessionExchangeDatabase.h"
#include "profile/sessions/SessionDatabase.h"

namespace {

std::string Programs()
{
    std::string names;
    for (const ForeignProgramInfo& info : ForeignPrograms())
        names += (names.empty() ? "" : "|") + std::string(info.name);
    return names;
}

ImportConflict ConflictArgument(const ToolArguments& args)
{
    const std::optional<std::string> policy = args.Value("on-conflict");
    if (!policy || *policy == "skip")
        return ImportConflict::Skip;
    if (*policy == "rename")
        return ImportConflict::Rename;
    if (*policy == "replace")
        return ImportConflict::Replace;
    throw UsageError("--on-conflict takes skip, rename or replace, not " + *policy);
}

std::string Home()
{
    const char* home = std::getenv("HOME");
    if (!home || !*home)
        throw ToolFailure("HOME is not set, so the usual places cannot be found");
    return home;
}

// The first line of a file: a key kept out of the command line.
std::u16string KeyFromFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line))
        throw ToolFailure("cannot read the master password from " + path);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    try {
        return Utf8ToUtf16(line);
    } catch (const std::exception&) {
        throw ToolFailure(path + ": the master password is not valid UTF-8");
    }
}

} // namespace

int CommandImportFrom(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args,
                          {{"folder", true},
                           {"dry-run", false},
                           {"on-conflict", true},
                           {"with-passwords", false},
                           {"master-password-file", true}},
                          1, 2);
    const ForeignProgramInfo* program = ForeignProgramNamed(a.At(0));
    if (!program)
        throw UsageError("import-from takes " + Programs() + ", not " + a.At(0));
    const std::string home = Home();
    std::string path = a.Count() > 1 ? a.At(1) : DefaultForeignLocation(program->program, home);
    if (path.empty())
        throw UsageError(std::string("import-from ") + program->name + " needs FILE: " + program->whatToGive);
    ForeignReadOptions options;
    options.withPasswords = a.Has("with-passwords");
    if (a.Has("master-password-file"))
        options.masterPassword = KeyFromFile(*a.Value("master-password-file"));
    SessionExchangeImport import(*GetSessionDatabaseImpl(), a.Has("folder") ? SessionPathArgument(*a.Value("folder")) : VUnicodeString(),
                                 path);
    import.conflict = ConflictArgument(a);
    import.dryRun = a.Has("dry-run");

    std::optional<ForeignDocument> document;
    RecordedExchange recorded;
    try {
        document.emplace(ReadForeignSessions(program->program, path, options, home));
        WalkForeignDocument(*document, recorded, ConfigPassphraseSealer());
    } catch (const ExchangeError& error) {
        throw ToolFailure(error.what());
    }
    const bool refused = RunToolImport(import, [&](IExchangeVisitor& visitor) { recorded.Replay(visitor); });
    std::fflush(stdout); // the list first, then what goes with it
    for (const std::string& note : document->notes)
        std::cerr << "not carried over: " << note << "\n";
    if (import.dryRun)
        std::cerr << "orvalis-sessions: a dry run: nothing was written\n";
    return refused ? 1 : StatusOf(session);
}

int CommandImportSshConfig(ToolSession& session, const CommandArgs& args)
{
    CommandArgs withProgram{"openssh"};
    withProgram.insert(withProgram.end(), args.begin(), args.end());
    return CommandImportFrom(session, withProgram);
}
