#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The shortcut keys the host's main window has unless the user changes
// them: rows of (set, number, key code with the keymap's modifier bits).
// Set 0 holds the main window's functions, numbered as in the function
// table.
struct DefaultAcceleratorRow {
    int set;
    int number;
    uint32_t key;
};

inline constexpr int kAcceleratorSetMainWindow = 0;

std::span<const DefaultAcceleratorRow> GetDefaultAcceleratorTable();
// Every key of the rows of (set, number), in table order.
std::vector<uint32_t> GetDefaultAcceleratorKeys(int set, int number);
