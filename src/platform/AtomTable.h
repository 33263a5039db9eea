#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/Export.h"

// Hands every process of the user the same number for a name, from 0xC000
// up, the way registered window messages work: names compare without regard
// to case, and a number once given stays given. The table is a file under
// $XDG_RUNTIME_DIR (or a private folder in /tmp when that is unset), locked
// with flock while it is read and extended.
class AtomTable {
public:
    static constexpr uint32_t kFirstAtom = 0xC000;
    static constexpr uint32_t kLastAtom = 0xFFFF;

    // The table of this user's session.
    static std::string DefaultPath();

    explicit AtomTable(std::string path) : m_path(std::move(path)) {}

    // The number for `name`, registering it if needed; 0 on failure (an
    // empty name, an unusable table file, or a full table), with the
    // platform's last error set.
    uint32_t Register(std::u16string_view name) const;

    // Reads a table's text: the number for `name` (0 if absent) and the
    // highest number given. Each line holds the number in hexadecimal, one
    // blank and the name in UTF-8; a line that does not read so (a torn
    // write) is skipped.
    static uint32_t Lookup(std::string_view table, std::u16string_view name, uint32_t& highest);

private:
    std::string m_path;
};
