#pragma once

#include <span>

#include "core/VStringArray.h"

// The terminal types a session can ask for, in the order they are offered:
// "Harlin" only where the terminal product has that emulation.
VStringArray GetTerminalTypes();
// The models offered with "TN3270".
std::span<const char16_t* const> GetTn3270Models();
