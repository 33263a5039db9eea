#pragma once

#include <string>
#include <string_view>

#include "profile/exchange/ForeignSessions.h"

// A plain CSV with a header naming its columns, in any order and case:
// folder ('/' or '\' between the names), name, protocol, host, port, user,
// description, and password. Columns of other names are not carried over
// and said once. Fields are separated by ',' (or ';' when the header
// holds more of them).
class CsvReader {
public:
    static ForeignDocument Read(std::string_view text, const std::string& file, const ForeignReadOptions& options);
};

// Splits a folder path at '/' and '\'.
std::vector<std::u16string> FolderPath(std::u16string_view path);
