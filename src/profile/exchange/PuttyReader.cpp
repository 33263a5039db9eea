#include "profile/exchange/PuttyReader.h"

#include "profile/exchange/IniText.h"
#include "profile/policy/RegFile.h"

namespace {

// PuTTY's numbers of its protocols, as older versions stored them.
std::u16string ProtocolOf(const RegFile::Value* value)
{
    if (!value)
        return u"ssh"; // PuTTY's default
    if (value->text)
        return value->text->str();
    return u"ssh";
}

std::u16string TextOf(const RegFile::Values& values, std::u16string_view name)
{
    const auto it = values.find(std::u16string(name));
    return it != values.end() && it->second.text ? it->second.text->str() : std::u16string();
}

} // namespace

RegFile PuttyReader::ParseExport(std::string_view text, const ForeignDocument& document)
{
    std::vector<RegFile::Problem> problems;
    RegFile reg = RegFile::Parse(text, &problems);
    if (!problems.empty())
        document.Fail(static_cast<int>(problems.front().line), problems.front().what);
    return reg;
}

void PuttyReader::ReadSessions(const RegFile& reg, std::u16string_view key, ForeignDocument& document,
                               const ForeignReadOptions& options, bool kitty)
{
    for (const std::u16string& escaped : reg.SubkeyNames(key)) {
        const RegFile::Values* values = reg.Key(std::u16string(key) + u"\\" + escaped);
        ForeignSession session;
        session.name = ForeignText(PercentDecoded(ForeignUtf8(escaped)), document, 0);
        if (session.name == u"Default Settings")
            continue;
        session.protocol = ProtocolOf(values->contains(u"Protocol") ? &values->at(u"Protocol") : nullptr);
        session.host = TextOf(*values, u"HostName");
        session.user = TextOf(*values, u"UserName");
        const auto port = values->find(u"PortNumber");
        if (port != values->end() && port->second.dword && *port->second.dword > 0 && *port->second.dword <= 65535)
            session.port = static_cast<int>(*port->second.dword);
        if (session.protocol == u"serial") {
            const std::u16string line = TextOf(*values, u"SerialLine");
            if (!line.empty())
                document.Note(0, session.name, "the serial line " + ForeignUtf8(line));
        }
        if (kitty) {
            std::u16string folder = TextOf(*values, u"Folder");
            for (size_t from = 0; !folder.empty() && from <= folder.size();) {
                size_t end = folder.find(u'\\', from);
                if (end == std::u16string::npos)
                    end = folder.size();
                if (end > from)
                    session.folders.push_back(folder.substr(from, end - from));
                from = end + 1;
            }
            if (options.withPasswords && !TextOf(*values, u"Password").empty())
                document.Note(0, session.name, "the password (KiTTY encrypts it in a form of its own)");
        }
        document.sessions.push_back(std::move(session));
    }
}

ForeignDocument PuttyReader::Read(std::string_view text, const std::string& file, const ForeignReadOptions& options)
{
    ForeignDocument document(file);
    const RegFile reg = ParseExport(text, document);
    if (!reg.HasKey(kSessionsKey))
        document.Fail(0, "the export holds no PuTTY sessions (no key " + VUnicodeString(kSessionsKey).ToUtf8() + ")");
    ReadSessions(reg, kSessionsKey, document, options, false);
    return document;
}

ForeignDocument PuttyReader::ReadFolder(const std::string& folder,
                                        const std::vector<std::pair<std::string, std::string>>& files,
                                        const ForeignReadOptions&)
{
    ForeignDocument all(folder);
    for (const auto& [name, text] : files) {
        const ForeignDocument one(folder + "/" + name);
        ForeignSession session;
        session.name = ForeignText(PercentDecoded(name), one, 0);
        if (session.name == u"Default Settings")
            continue;
        session.protocol = u"ssh";
        for (const IniEntry& entry :
             IniText::Parse(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), one)) {
            if (entry.name == u"HostName")
                session.host = entry.value;
            else if (entry.name == u"UserName")
                session.user = entry.value;
            else if (entry.name == u"Protocol")
                session.protocol = entry.value;
            else if (entry.name == u"PortNumber")
                session.port = ForeignPort(ForeignUtf8(entry.value), one, entry.line);
        }
        all.sessions.push_back(std::move(session));
    }
    return all;
}
