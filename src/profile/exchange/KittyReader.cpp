#include "profile/exchange/KittyReader.h"

#include "platform/VTextDecoder.h"
#include "profile/exchange/IniText.h"
#include "profile/exchange/PuttyReader.h"
#include "profile/policy/RegFile.h"

ForeignDocument KittyReader::ReadFolder(const std::string& folder,
                                        const std::vector<std::pair<std::string, std::string>>& files,
                                        const ForeignReadOptions& options)
{
    ForeignDocument all(folder);
    for (const auto& [name, text] : files) {
        ForeignDocument document(folder + "/" + name);
        ForeignSession session;
        session.name = ForeignText(PercentDecoded(name), document, 0);
        if (session.name == u"Default Settings")
            continue;
        session.protocol = u"ssh";
        const VStringArray lines = VTextDecoder::DecodeAll(
            std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
        int number = 0;
        for (const VUnicodeString& raw : lines) {
            ++number;
            const std::u16string& line = raw.str();
            if (TrimmedText(line).empty())
                continue;
            // "Name\value\": the value runs to the last backslash.
            const size_t split = line.find(u'\\');
            if (split == std::u16string::npos || split == 0 || line.back() != u'\\' || line.size() < split + 2)
                document.Fail(number, "the line is not Name\\value\\");
            const std::u16string key = line.substr(0, split);
            const std::u16string value = line.substr(split + 1, line.size() - split - 2);
            if (key == u"HostName")
                session.host = value;
            else if (key == u"UserName")
                session.user = value;
            else if (key == u"Protocol")
                session.protocol = value;
            else if (key == u"PortNumber")
                session.port = ForeignPort(ForeignUtf8(value), document, number);
            else if (key == u"Folder") {
                for (size_t from = 0; from <= value.size();) {
                    size_t end = value.find(u'\\', from);
                    if (end == std::u16string::npos)
                        end = value.size();
                    if (end > from)
                        session.folders.push_back(value.substr(from, end - from));
                    from = end + 1;
                }
            } else if (key == u"Password" && options.withPasswords && !value.empty())
                document.Note(number, session.name, "the password (KiTTY encrypts it in a form of its own)");
        }
        for (std::string& note : document.notes)
            all.notes.push_back(std::move(note));
        all.sessions.push_back(std::move(session));
    }
    return all;
}

ForeignDocument KittyReader::Read(std::string_view text, const std::string& file, const ForeignReadOptions& options)
{
    ForeignDocument document(file);
    const RegFile reg = PuttyReader::ParseExport(text, document);
    if (!reg.HasKey(kSessionsKey))
        document.Fail(0, "the export holds no KiTTY sessions (no key " + VUnicodeString(kSessionsKey).ToUtf8() + ")");
    PuttyReader::ReadSessions(reg, kSessionsKey, document, options, true);
    return document;
}
