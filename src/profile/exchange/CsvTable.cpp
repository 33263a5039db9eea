#include "profile/exchange/CsvTable.h"

#include <algorithm>
#include <csv.h>

namespace {

struct Collector {
    std::vector<CsvRow> rows;
    CsvRow row;
};

void OnField(void* field, size_t size, void* data)
{
    auto* collector = static_cast<Collector*>(data);
    collector->row.fields.emplace_back(static_cast<const char*>(field), size);
}

void OnRow(int, void* data)
{
    auto* collector = static_cast<Collector*>(data);
    collector->row.line = static_cast<int>(collector->rows.size()) + 1;
    collector->rows.push_back(std::move(collector->row));
    collector->row = {};
}

bool SameNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

} // namespace

std::vector<CsvRow> CsvTable::Parse(std::string_view text, char delimiter, const ForeignDocument& document)
{
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0)
        document.Fail(0, "the CSV reader cannot start");
    csv_set_delim(&parser, static_cast<unsigned char>(delimiter));
    Collector collector;
    const size_t read = csv_parse(&parser, text.data(), text.size(), OnField, OnRow, &collector);
    const bool failed = read != text.size() || csv_fini(&parser, OnField, OnRow, &collector) != 0;
    const std::string why = failed ? csv_strerror(csv_error(&parser)) : std::string();
    csv_free(&parser);
    if (failed)
        document.Fail(static_cast<int>(collector.rows.size()) + 1, why);
    return std::move(collector.rows);
}

char CsvTable::SniffDelimiter(std::string_view text)
{
    const std::string_view first = text.substr(0, text.find('\n'));
    return std::count(first.begin(), first.end(), ';') > std::count(first.begin(), first.end(), ',') ? ';' : ',';
}

int CsvTable::Column(const CsvRow& header, std::initializer_list<std::string_view> names)
{
    for (size_t i = 0; i < header.fields.size(); ++i) {
        std::string_view field = header.fields[i];
        while (!field.empty() && field.front() == ' ')
            field.remove_prefix(1);
        while (!field.empty() && (field.back() == ' ' || field.back() == '\r'))
            field.remove_suffix(1);
        for (std::string_view name : names)
            if (SameNoCase(field, name))
                return static_cast<int>(i);
    }
    return -1;
}

std::u16string CsvTable::Field(const CsvRow& row, int column, const ForeignDocument& document)
{
    return column >= 0 && static_cast<size_t>(column) < row.fields.size()
               ? ForeignText(row.fields[static_cast<size_t>(column)], document, row.line)
               : std::u16string();
}
