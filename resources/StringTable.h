#pragma once

// The library's string table: for each toolbar command, its tooltip, a
// line feed and its label, in English. The windowing layer translates
// them in the context kStringTableContext (resources/translations).
inline constexpr char kStringTableContext[] = "StringTable";

// The English text of `command`; null when the table has none.
const char* CommandStringSource(unsigned command);
