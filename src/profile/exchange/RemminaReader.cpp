#include "profile/exchange/RemminaReader.h"

#include <map>

#include "profile/exchange/CsvReader.h"
#include "profile/exchange/IniText.h"

void RemminaReader::ReadFile(std::span<const uint8_t> bytes, ForeignDocument& document, const ForeignReadOptions& options)
{
    std::map<std::u16string, IniEntry, VNoCaseLess> values;
    for (IniEntry& entry : IniText::Parse(bytes, document))
        if (VUnicodeString::CompareNoCase(entry.section, u"remmina") == 0)
            values.emplace(entry.name, std::move(entry));
    if (values.empty())
        document.Fail(0, "no [remmina] group: not a Remmina profile");
    auto text = [&](std::u16string_view name) {
        const auto it = values.find(std::u16string(name));
        return it == values.end() ? std::u16string() : it->second.value;
    };
    ForeignSession session;
    session.line = values.begin()->second.line;
    session.name = text(u"name");
    session.folders = FolderPath(text(u"group"));
    session.protocol = text(u"protocol");
    session.user = text(u"username");
    std::u16string server = text(u"server");
    // "host:port", "[v6]:port", or a bare v6 address (more than one ':').
    const auto colon = server.rfind(u':');
    const int serverLine = values.contains(u"server") ? values.at(u"server").line : 0;
    if (!server.empty() && server[0] == u'[') {
        const size_t close = server.find(u']');
        if (close == std::u16string::npos)
            document.Fail(serverLine, "the server's address is not closed with ']'");
        if (close + 1 < server.size() && server[close + 1] == u':')
            session.port = ForeignPort(ForeignUtf8(server.substr(close + 2)), document, serverLine);
        server = server.substr(1, close - 1);
    } else if (colon != std::u16string::npos && server.find(u':') == colon) {
        session.port = ForeignPort(ForeignUtf8(server.substr(colon + 1)), document, serverLine);
        server.resize(colon);
    }
    session.host = server;
    if (options.withPasswords && !text(u"password").empty())
        document.Note(values.at(u"password").line, session.name,
                      "the password (Remmina encrypts it with a secret of its own)");
    document.sessions.push_back(std::move(session));
}

ForeignDocument RemminaReader::ReadFolder(const std::string& folder,
                                          const std::vector<std::pair<std::string, std::string>>& files,
                                          const ForeignReadOptions& options)
{
    ForeignDocument all(folder);
    for (const auto& [name, text] : files) {
        ForeignDocument one(folder + "/" + name);
        ReadFile(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), one, options);
        for (ForeignSession& session : one.sessions) {
            session.line = 0; // its line is in its own file
            if (session.name.empty())
                session.name = ForeignLossy16(name);
            all.sessions.push_back(std::move(session));
        }
        for (std::string& note : one.notes)
            all.notes.push_back(std::move(note));
    }
    return all;
}
