#pragma once

#include <span>
#include <string>
#include <vector>

#include "profile/exchange/ForeignSessions.h"

// INI text as several session managers write it: "[Section]" lines,
// "Name=Value" lines, blank lines and lines that start with ';' or '#'.
// Values are taken whole, without inline comments or a length limit:
// Debian's inih is built with a 200-character line limit and ';' inline
// comments, which would cut the long session lines these files hold.
struct IniEntry {
    std::u16string section;
    std::u16string name;
    std::u16string value;
    int line = 0;
};

class IniText {
public:
    // The bytes in UTF-8, UTF-16 with its mark, or Windows-1252; a line
    // that is none of the above fails the document with its line.
    static std::vector<IniEntry> Parse(std::span<const uint8_t> bytes, const ForeignDocument& document);
};

// Trimmed of blanks at both ends.
std::u16string TrimmedText(std::u16string_view text);
