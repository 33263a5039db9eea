#include "profile/exchange/CsvReader.h"

#include "profile/exchange/CsvTable.h"

std::vector<std::u16string> FolderPath(std::u16string_view path)
{
    std::vector<std::u16string> folders;
    size_t from = 0;
    while (from <= path.size()) {
        size_t end = path.find_first_of(u"/\\", from);
        if (end == std::u16string_view::npos)
            end = path.size();
        if (end > from)
            folders.emplace_back(path.substr(from, end - from));
        from = end + 1;
    }
    return folders;
}

ForeignDocument CsvReader::Read(std::string_view text, const std::string& file, const ForeignReadOptions& options)
{
    ForeignDocument document(file);
    const std::vector<CsvRow> rows = CsvTable::Parse(text, CsvTable::SniffDelimiter(text), document);
    if (rows.empty())
        document.Fail(1, "the file has no header line");
    const CsvRow& header = rows.front();
    const int name = CsvTable::Column(header, {"name", "session"});
    const int host = CsvTable::Column(header, {"host", "hostname", "host name"});
    if (name < 0 && host < 0)
        document.Fail(1, "the header names neither a name nor a host column");
    const int folder = CsvTable::Column(header, {"folder", "group", "path"});
    const int protocol = CsvTable::Column(header, {"protocol"});
    const int port = CsvTable::Column(header, {"port"});
    const int user = CsvTable::Column(header, {"user", "username", "user name", "login"});
    const int description = CsvTable::Column(header, {"description", "comment", "notes"});
    const int password = CsvTable::Column(header, {"password"});
    for (size_t i = 0; i < header.fields.size(); ++i) {
        const int column = static_cast<int>(i);
        if (column != name && column != host && column != folder && column != protocol && column != port &&
            column != user && column != description && column != password)
            document.Note(1, u"", "the column \"" + header.fields[i] + "\"");
    }
    for (size_t r = 1; r < rows.size(); ++r) {
        const CsvRow& row = rows[r];
        if (CsvTable::IsBlank(row))
            continue; // a blank line
        auto field = [&](int column) { return CsvTable::Field(row, column, document); };
        ForeignSession session;
        session.line = row.line;
        session.name = field(name);
        session.host = field(host);
        session.folders = FolderPath(field(folder));
        session.protocol = protocol >= 0 ? field(protocol) : u"ssh";
        if (session.protocol.empty())
            session.protocol = u"ssh";
        session.user = field(user);
        session.description = field(description);
        if (port >= 0 && static_cast<size_t>(port) < row.fields.size())
            session.port = ForeignPort(row.fields[static_cast<size_t>(port)], document, row.line);
        if (options.withPasswords && !field(password).empty())
            session.password = field(password);
        document.sessions.push_back(std::move(session));
    }
    return document;
}
