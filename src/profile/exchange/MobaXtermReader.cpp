#include "profile/exchange/MobaXtermReader.h"

#include "profile/exchange/CsvReader.h"
#include "profile/exchange/IniText.h"

namespace {

std::u16string ProtocolOf(std::u16string_view type)
{
    static constexpr const char16_t* kNames[] = {u"ssh",  u"telnet", u"rsh",   u"xdmcp", u"rdp",
                                                 u"vnc",  u"ftp",    u"sftp",  u"serial", u"file",
                                                 u"shell", u"browser", u"mosh", u"s3",    u"wsl"};
    if (!type.empty() && type.size() <= 2) {
        int number = 0;
        bool digits = true;
        for (char16_t c : type) {
            digits = digits && c >= u'0' && c <= u'9';
            number = number * 10 + (c - u'0');
        }
        if (digits && number < static_cast<int>(std::size(kNames)))
            return kNames[number];
    }
    return u"mobaxterm type " + std::u16string(type);
}

std::vector<std::u16string> Split(std::u16string_view text, char16_t separator)
{
    std::vector<std::u16string> parts;
    size_t from = 0;
    for (;;) {
        const size_t end = text.find(separator, from);
        parts.emplace_back(text.substr(from, end == std::u16string_view::npos ? std::u16string_view::npos : end - from));
        if (end == std::u16string_view::npos)
            return parts;
        from = end + 1;
    }
}

} // namespace

ForeignDocument MobaXtermReader::Read(std::span<const uint8_t> bytes, const std::string& file, const ForeignReadOptions&)
{
    ForeignDocument document(file);
    const std::vector<IniEntry> entries = IniText::Parse(bytes, document);
    bool any = false;
    std::u16string folder;
    for (const IniEntry& entry : entries) {
        const std::u16string_view section = entry.section;
        if (VUnicodeString::CompareNoCase(section.substr(0, 9), u"Bookmarks") != 0 ||
            (section.size() > 9 && section[9] != u'_'))
            continue;
        any = true;
        if (VUnicodeString::CompareNoCase(entry.name, u"SubRep") == 0) {
            folder = entry.value;
            continue;
        }
        if (VUnicodeString::CompareNoCase(entry.name, u"ImgNum") == 0)
            continue;
        const std::vector<std::u16string> groups = Split(entry.value, u'#');
        if (groups.size() < 3 || !groups[0].empty())
            document.Fail(entry.line, "the session is not #ICON#SETTINGS#...");
        const std::vector<std::u16string> settings = Split(groups[2], u'%');
        ForeignSession session;
        session.line = entry.line;
        session.folders = FolderPath(folder);
        session.name = entry.name;
        session.protocol = ProtocolOf(settings[0]);
        if (session.protocol == u"serial" || session.protocol == u"shell" || session.protocol == u"wsl" ||
            session.protocol == u"file") {
            if (settings.size() > 1 && !settings[1].empty())
                document.Note(entry.line, session.name, "the setting \"" + ForeignUtf8(settings[1]) + "\"");
        } else {
            if (settings.size() > 1)
                session.host = settings[1];
            if (settings.size() > 2)
                session.port = ForeignPort(ForeignUtf8(settings[2]), document, entry.line);
            if (settings.size() > 3)
                session.user = settings[3];
        }
        // The comment comes after the terminal settings and the start mode.
        if (groups.size() > 5)
            session.description = TrimmedText(groups[5]);
        document.sessions.push_back(std::move(session));
    }
    if (!any)
        document.Fail(0, "no [Bookmarks] section: not a MobaXterm sessions file");
    return document;
}
