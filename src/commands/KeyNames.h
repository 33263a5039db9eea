#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/VUnicodeString.h"

// A key code: the key in the low bits, four modifier bits above it.
inline constexpr uint32_t kKeyExtended = 0x02000000; // E: the second key of a pair (cursor block, not keypad)
inline constexpr uint32_t kKeyControl = 0x04000000;  // C
inline constexpr uint32_t kKeyShift = 0x08000000;    // S
inline constexpr uint32_t kKeyAlt = 0x10000000;      // A
inline constexpr uint32_t kKeyModifierMask = kKeyExtended | kKeyControl | kKeyShift | kKeyAlt;
// A key named by the character it types: this bit plus the character.
inline constexpr uint32_t kKeyCharacter = 0x80000000;
// What reading a name that no table holds gives.
inline constexpr uint32_t kKeyUnknownName = 0xFFFFFFFF;

struct KeyNameRow {
    std::u16string_view name;
    uint32_t code;
};

// The Windows virtual-key names (108 rows) and the extended names of
// character keys and of keys without a character (223 rows). Both are
// sorted by name, letters compared as lower case, so that '_' and ' '
// sort before letters.
std::span<const KeyNameRow> GetVirtualKeyNames();
std::span<const KeyNameRow> GetExtendedKeyNames();

// The name of a key (modifier bits are ignored): the virtual-key table
// first, then the extended one, else the hexadecimal form "0x1F".
VUnicodeString KeyCodeToName(uint32_t key);
// The code of a name: a name that begins with a digit is a number ("0x1F"
// reads back); other names are looked up as given (callers upper-case
// them). kKeyUnknownName when no table holds it.
uint32_t KeyNameToCode(std::u16string_view name);
