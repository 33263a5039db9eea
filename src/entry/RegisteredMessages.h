#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Export.h"

class AtomTable;

// The suite's cross-process message names, in the order of their getters.
inline constexpr std::array<const char16_t*, 9> kRegisteredMessageNames = {
    u"Orvalis_Software_Can_Exit_Application",
    u"Orvalis_Software_Trayvell_Show_Selection",
    u"Orvalis_Software_Glimmond_Terminate",
    u"Orvalis_Software_Create_New_Tab",
    u"Orvalis_Software_Global_Config_Change",
    u"Orvalis_Software_Process_Command_Line",
    u"Orvalis_Software_Retrieve_App_Information",
    u"Orvalis_Software_KestruneAppWindow_Command_Line",
    u"Orvalis_Software_Session Database_Change",
};

// Registers the nine names and keeps their numbers for the getters. A name
// that cannot be registered keeps the number 0; false when one could not.
bool RegisterLibraryMessages(const AtomTable& table);
const std::array<uint32_t, 9>& GetRegisteredMessageNumbers();

// The tables tried in turn: the user's session table under
// $XDG_RUNTIME_DIR, then private folders of the user's own (one per user
// in /tmp, the user's cache folder).
std::vector<std::string> RegisteredMessageTablePaths();

// Registers the names in the first table of `tablePaths` that takes all
// nine, else in a table of a fresh private folder (in $TMPDIR, else /tmp),
// else numbers them for
// this process alone: the getters never answer 0. When the first table
// could not be used, a report saying so waits for the host's router (see
// RoutePendingRegistrationReport). Returns the table used (empty: none).
std::string RegisterLibraryMessagesWithFallback(const std::vector<std::string>& tablePaths);
// Routes that report, once; later calls do nothing.
void RoutePendingRegistrationReport();
