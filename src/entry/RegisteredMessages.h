#pragma once

#include <array>
#include <cstdint>

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
// that cannot be registered keeps the number 0.
void RegisterLibraryMessages(const AtomTable& table);
const std::array<uint32_t, 9>& GetRegisteredMessageNumbers();
