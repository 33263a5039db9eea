#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "profile/exchange/ForeignSessions.h"

// The programs whose session files are read, and where they keep them.
enum class ForeignProgram { OpenSsh, Putty, Kitty, WinScp, FileZilla, MRemoteNg, Remmina, MobaXterm, Csv };

struct ForeignProgramInfo {
    ForeignProgram program;
    const char* name;        // on the command line
    const char16_t* title;   // shown to the user
    const char* whatToGive;  // what FILE is for it
};

std::span<const ForeignProgramInfo> ForeignPrograms();
const ForeignProgramInfo* ForeignProgramNamed(std::string_view name);
const ForeignProgramInfo& ForeignProgramOf(ForeignProgram program);

// Where the program keeps its sessions on this system for the user whose
// home is `home` (a Windows program's under the usual Wine prefix); empty
// when there is no usual place (an export the user makes).
std::string DefaultForeignLocation(ForeignProgram program, const std::string& home);

// Reads the file or folder at `path` as the program's; ExchangeError
// naming the place that does not read.
ForeignDocument ReadForeignSessions(ForeignProgram program, const std::string& path, const ForeignReadOptions& options,
                                    const std::string& home);

// Seals passwords with the configuration passphrase's key, in the
// current "03:" form.
PasswordSealer ConfigPassphraseSealer();
