#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "profile/exchange/ForeignSessions.h"

// Comma- (or semicolon-) separated records, read with libcsv in its strict
// mode: a quote that does not close fails the document. Rows are counted
// as records; a record's number is its line unless a quoted field spans lines.
struct CsvRow {
    std::vector<std::string> fields;
    int line = 0;
};

class CsvTable {
public:
    static std::vector<CsvRow> Parse(std::string_view text, char delimiter, const ForeignDocument& document);
    // ';' when the first line holds more of them than of ','.
    static char SniffDelimiter(std::string_view text);
    // The index of a column of the header, found without regard to case
    // under any of `names`; -1 when there is none.
    static int Column(const CsvRow& header, std::initializer_list<std::string_view> names);
    // A line that holds nothing at all.
    static bool IsBlank(const CsvRow& row) { return row.fields.size() == 1 && row.fields[0].empty(); }
    // The text of a row's column; empty for -1 or a column past the row's end.
    static std::u16string Field(const CsvRow& row, int column, const ForeignDocument& document);
};
