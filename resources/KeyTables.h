#pragma once

#include <cstdint>
#include <span>

// One entry of a key table: a virtual-key code with its modifiers, and
// the command it runs. Key codes and modifier bits keep the values of the
// accelerator tables the keymap format also uses.
struct AcceleratorEntry {
    uint8_t modifiers;
    uint16_t key;
    unsigned command;
};

inline constexpr uint8_t kAccelVirtKey = 0x01;
inline constexpr uint8_t kAccelShift = 0x04;
inline constexpr uint8_t kAccelControl = 0x08;
inline constexpr uint8_t kAccelAlt = 0x10;

inline constexpr uint16_t kVkReturn = 0x0D;
inline constexpr uint16_t kVkDelete = 0x2E;
inline constexpr uint16_t kVkF2 = 0x71;
inline constexpr uint16_t kVkF3 = 0x72;

enum class KeyTable { SessionTree = 1, SessionManager = 2, CommandTree = 3, ActiveSessions = 4 };

std::span<const AcceleratorEntry> GetKeyTable(KeyTable table);
