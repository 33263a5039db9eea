#pragma once

#include <optional>
#include <string>
#include <vector>

class ToolSession;

// The commands of the tool. Each returns the exit status (0 or 1) and
// throws UsageError or ToolFailure for what it cannot do.
using CommandArgs = std::vector<std::string>;

// Session tree: run through the tree's own rules.
int CommandTree(ToolSession& session, const CommandArgs& args);
int CommandLs(ToolSession& session, const CommandArgs& args);
int CommandFind(ToolSession& session, const CommandArgs& args);
int CommandMkdir(ToolSession& session, const CommandArgs& args);
int CommandAdd(ToolSession& session, const CommandArgs& args);
int CommandRename(ToolSession& session, const CommandArgs& args);
int CommandMove(ToolSession& session, const CommandArgs& args);
int CommandCopy(ToolSession& session, const CommandArgs& args);
int CommandDelete(ToolSession& session, const CommandArgs& args);
int CommandArrange(ToolSession& session, const CommandArgs& args);
int CommandExpand(ToolSession& session, const CommandArgs& args);
int CommandCollapse(ToolSession& session, const CommandArgs& args);
int CommandDuplicate(ToolSession& session, const CommandArgs& args);

// Values and secrets of one session.
int CommandShow(ToolSession& session, const CommandArgs& args);
int CommandGet(ToolSession& session, const CommandArgs& args);
int CommandSet(ToolSession& session, const CommandArgs& args);
int CommandSecret(ToolSession& session, const CommandArgs& args);
int CommandLoginScript(ToolSession& session, const CommandArgs& args);
int CommandPassphrase(ToolSession& session, const CommandArgs& args);
int CommandEncrypt(ToolSession& session, const CommandArgs& args);
int CommandDecrypt(ToolSession& session, const CommandArgs& args);

// Whole folders in and out.
int CommandExport(ToolSession& session, const CommandArgs& args);
int CommandImport(ToolSession& session, const CommandArgs& args);
int CommandImportSshConfig(ToolSession& session, const CommandArgs& args);
int CommandImportFrom(ToolSession& session, const CommandArgs& args);

// Keymaps, menu files and the Command Manager's commands.
int CommandKeymap(ToolSession& session, const CommandArgs& args);
int CommandMenu(ToolSession& session, const CommandArgs& args);
int CommandCommands(ToolSession& session, const CommandArgs& args);

// SQLite's full check of the database file.
int CommandCheck(ToolSession& session, const CommandArgs& args);

// 1 when the library showed a warning or an error during the command.
int StatusOf(ToolSession& session);
// "alpha", "logical" or "manual" as the tree's arrangement number.
std::optional<int> SortModeArgument(const std::optional<std::string>& text);
