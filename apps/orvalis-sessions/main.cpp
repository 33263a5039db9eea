// orvalis-sessions: the session database from a shell. A thin layer over
// the library: every rule it applies is the library's own.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "ToolArguments.h"
#include "ToolCommands.h"
#include "ToolSession.h"
#include "ToolText.h"
#include "core/Exceptions.h"

namespace {

constexpr char kUsage[] =
    R"(usage: orvalis-sessions [--db FILE|URI] [--passphrase-file FILE] [--app N] COMMAND ...

Session paths take \ or / between names; the top folder is "". Options may
stand anywhere after the command; "--" ends them. COMMAND --help shows
the command's own lines.
  tree [FOLDER] [--sort alpha|logical|manual] [--filter TEXT]
  ls [FOLDER] [--sort alpha|logical|manual]
  find TEXT [--name] [--host] [--description] [--folder] [--match-case]
  mkdir PATH
  add PATH [--protocol NAME] [--transfer-protocol NAME] [--host H] [--user U]
           [--description TEXT] [--unique]
  rename PATH NEWNAME
  move PATH FOLDER [--before NAME | --after NAME]
  copy PATH FOLDER [--before NAME | --after NAME]
                              (NAME: an item of FOLDER; only when arranged by hand)
  delete PATH...
  duplicate PATH NAME [--host HOST]
  arrange [alphabetical|logical|manual]
  expand FOLDER | collapse FOLDER
  show PATH
  get PATH NAME
  set PATH NAME=VALUE... [--raw KIND]
                              (a secret only as its stored form, with --raw secret)
  secret set PATH NAME        (the plaintext is read from standard input)
  secret get PATH NAME
  login-script show PATH      (one step a line: FLAG<TAB>TEXT<TAB>TEXT<TAB>TEXT)
  login-script set PATH       (the steps are read from standard input)
  encrypt | decrypt           (standard input to standard output, line by line)
  passphrase where            (keyring, file, or given with --passphrase-file)
  passphrase change [--new-passphrase-file FILE] [--keep-unreadable]
  export [PATH] [--format json|xml]
  import FILE [--folder F] [--format json|xml]
  import-from PROGRAM [FILE|FOLDER] [--folder F] [--dry-run] [--on-conflict skip|rename|replace]
              [--with-passwords] [--master-password-file FILE]
                              (PROGRAM: openssh|putty|kitty|winscp|filezilla|mremoteng|
                               remmina|mobaxterm|csv; FILE left out: the usual place)
  import-ssh-config [FILE] [--folder F]   (import-from openssh)
  keymap check FILE | keymap default
  menu check FILE
  commands ls [FOLDER]
  commands add FOLDER FUNCTION [--argument A] [--argument2 B] [--label L]
  check                       (the full check of the database file)
)";

struct Command {
    const char* name;
    int (*run)(ToolSession&, const CommandArgs&);
    bool usesDatabase = true; // the others never open (or make) a database file
};

constexpr Command kCommands[] = {
    {"tree", CommandTree},
    {"ls", CommandLs},
    {"find", CommandFind},
    {"mkdir", CommandMkdir},
    {"add", CommandAdd},
    {"rename", CommandRename},
    {"move", CommandMove},
    {"copy", CommandCopy},
    {"delete", CommandDelete},
    {"arrange", CommandArrange},
    {"expand", CommandExpand},
    {"collapse", CommandCollapse},
    {"duplicate", CommandDuplicate},
    {"show", CommandShow},
    {"get", CommandGet},
    {"set", CommandSet},
    {"secret", CommandSecret},
    {"login-script", CommandLoginScript},
    {"passphrase", CommandPassphrase},
    {"encrypt", CommandEncrypt, false},
    {"decrypt", CommandDecrypt, false},
    {"export", CommandExport},
    {"import", CommandImport},
    {"import-ssh-config", CommandImportSshConfig},
    {"import-from", CommandImportFrom},
    {"keymap", CommandKeymap, false},
    {"menu", CommandMenu, false},
    {"commands", CommandCommands},
    {"check", CommandCheck},
};

// A command's own lines of the usage: those that begin with its name (or
// its name's first word), with the lines that continue them.
std::string CommandUsage(const std::string& name)
{
    std::string out = "usage: orvalis-sessions [--db FILE] [--passphrase-file FILE] [--app N] COMMAND ...\n";
    bool inCommand = false;
    size_t from = 0;
    const std::string usage = kUsage;
    while (from < usage.size()) {
        size_t end = usage.find('\n', from);
        if (end == std::string::npos)
            end = usage.size();
        const std::string line = usage.substr(from, end - from);
        from = end + 1;
        if (line.rfind("  ", 0) != 0) {
            inCommand = false;
            continue;
        }
        const bool continues = line.rfind("   ", 0) == 0;
        if (!continues) {
            const std::string words = line.substr(2);
            inCommand = words == name || words.rfind(name + " ", 0) == 0 || words.find("| " + name) != std::string::npos;
        }
        if (inCommand)
            out += line + "\n";
    }
    return out;
}

void PrintError(const std::string& message)
{
    const std::string line = "orvalis-sessions: " + message + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

int Run(int argc, char** argv)
{
    GlobalOptions global;
    int at = 1;
    // The global options come before the command.
    for (; at < argc && std::strncmp(argv[at], "--", 2) == 0; ++at) {
        const std::string arg = argv[at];
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        std::string value;
        if (name != "--db" && name != "--passphrase-file" && name != "--app")
            throw UsageError("unknown option " + name);
        if (equals != std::string::npos)
            value = arg.substr(equals + 1);
        else if (at + 1 < argc)
            value = argv[++at];
        else
            throw UsageError(name + " needs a value");
        if (name == "--db")
            global.database = value;
        else if (name == "--passphrase-file")
            global.passphraseFile = value;
        else
            global.application = static_cast<int>(ParseWholeNumber(value, 0, 0x7FFFFFFF, "--app"));
    }
    if (at >= argc)
        throw UsageError("no command given");
    const std::string name = argv[at];
    const std::vector<std::string> args(argv + at + 1, argv + argc);
    for (const Command& command : kCommands) {
        if (name != command.name)
            continue;
        for (const std::string& arg : args) {
            if (arg == "--")
                break;
            if (arg == "--help") {
                std::fputs(CommandUsage(name).c_str(), stdout);
                return 0;
            }
        }
        ToolSession session(global, command.usesDatabase);
        const int status = command.run(session, args);
        std::fflush(stdout);
        return status;
    }
    throw UsageError("unknown command \"" + name + "\"");
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return Run(argc, argv);
    } catch (const UsageError& error) {
        PrintError(error.what());
        std::fputs(kUsage, stderr);
        return 2;
    } catch (const ToolFailure& error) {
        PrintError(error.what());
        return 1;
    } catch (const VException& error) {
        PrintError(std::string("malformed data: ") + error.what());
        return 1;
    } catch (const std::exception& error) {
        PrintError(error.what());
        return 1;
    }
}
