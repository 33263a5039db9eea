#include "profile/exchange/WinScpReader.h"

#include <algorithm>
#include <map>

#include "core/HexDigit.h"
#include "profile/exchange/IniText.h"

namespace {

constexpr char16_t kSessionsPrefix[] = u"Sessions\\";

std::u16string ProtocolOf(int fsProtocol, int ftps)
{
    switch (fsProtocol) {
    case 0: return u"scp";
    case 1:
    case 2: return u"sftp";
    case 5: return ftps == 0 ? u"ftp" : ftps == 1 ? u"ftps" : u"ftpes";
    case 6: return u"webdav";
    case 7: return u"s3";
    default: return u"winscp protocol " + VUnicodeString::FromUtf8(std::to_string(fsProtocol)).str();
    }
}

int NumberOf(const std::u16string& text, int fallback)
{
    if (text.empty() || text.size() > 6)
        return fallback;
    int number = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return fallback;
        number = number * 10 + (c - u'0');
    }
    return number;
}

// The scrambled form: each byte as two hex digits of (~b ^ 0xA3).
class Scrambled {
public:
    explicit Scrambled(std::string_view hex) : m_hex(hex) {}
    std::optional<int> Next()
    {
        if (m_at + 2 > m_hex.size())
            return std::nullopt;
        const int high = HexDigitValue(m_hex[m_at]);
        const int low = HexDigitValue(m_hex[m_at + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        m_at += 2;
        return ~(((high << 4) | low) ^ 0xA3) & 0xFF;
    }

private:
    std::string_view m_hex;
    size_t m_at = 0;
};

} // namespace

std::optional<std::string> WinScpReader::Unscramble(std::string_view hex, std::string_view user, std::string_view host)
{
    constexpr int kFlag = 0xFF;
    Scrambled in(hex);
    const std::optional<int> flag = in.Next();
    if (!flag)
        return std::nullopt;
    std::optional<int> length = flag;
    if (*flag == kFlag) {
        if (!in.Next()) // a version byte
            return std::nullopt;
        length = in.Next();
    }
    const std::optional<int> skip = length ? in.Next() : std::nullopt;
    if (!skip)
        return std::nullopt;
    for (int i = 0; i < *skip; ++i)
        if (!in.Next())
            return std::nullopt;
    std::string password;
    for (int i = 0; i < *length; ++i) {
        const std::optional<int> c = in.Next();
        if (!c)
            return std::nullopt;
        password += static_cast<char>(*c);
    }
    if (*flag == kFlag) {
        // The user and host names were scrambled in front of it.
        const std::string key = std::string(user) + std::string(host);
        if (!password.starts_with(key))
            return std::nullopt;
        password.erase(0, key.size());
    }
    return password;
}

ForeignDocument WinScpReader::Read(std::span<const uint8_t> bytes, const std::string& file,
                                   const ForeignReadOptions& options)
{
    ForeignDocument document(file);
    const std::vector<IniEntry> entries = IniText::Parse(bytes, document);
    bool masterPassword = false;
    // Sections in file order, each with its values.
    std::vector<std::u16string> order;
    std::map<std::u16string, std::map<std::u16string, IniEntry, VNoCaseLess>> sections;
    for (const IniEntry& entry : entries) {
        if (VUnicodeString::CompareNoCase(entry.section, u"Configuration\\Security") == 0 &&
            VUnicodeString::CompareNoCase(entry.name, u"UseMasterPassword") == 0)
            masterPassword = entry.value == u"1";
        if (entry.section.size() <= std::size(kSessionsPrefix) - 1 ||
            VUnicodeString::CompareNoCase(std::u16string_view(entry.section).substr(0, std::size(kSessionsPrefix) - 1),
                                          kSessionsPrefix) != 0)
            continue;
        auto [it, added] = sections.try_emplace(entry.section);
        if (added)
            order.push_back(entry.section);
        it->second.emplace(entry.name, entry);
    }
    for (const std::u16string& section : order) {
        const auto& values = sections[section];
        auto text = [&](std::u16string_view name) {
            const auto it = values.find(std::u16string(name));
            return it == values.end() ? std::u16string()
                                      : ForeignText(PercentDecoded(ForeignUtf8(it->second.value)), document,
                                                    it->second.line);
        };
        int line = values.begin()->second.line;
        for (const auto& [name, entry] : values)
            line = std::min(line, entry.line);
        --line; // the section's own line
        const std::u16string path =
            ForeignText(PercentDecoded(ForeignUtf8(section.substr(std::size(kSessionsPrefix) - 1))),
                        document, line);
        if (path == u"Default Settings")
            continue;
        ForeignSession session;
        session.line = line;
        size_t from = 0;
        for (size_t slash = path.find(u'/'); slash != std::u16string::npos; slash = path.find(u'/', from)) {
            session.folders.push_back(path.substr(from, slash - from));
            from = slash + 1;
        }
        session.name = path.substr(from);
        session.host = text(u"HostName");
        session.user = text(u"UserName");
        session.description = text(u"Note");
        const auto port = values.find(std::u16string(u"PortNumber"));
        if (port != values.end())
            session.port = ForeignPort(ForeignUtf8(port->second.value), document, port->second.line);
        const auto number = [&](std::u16string_view name, int fallback) {
            const auto it = values.find(std::u16string(name));
            return it == values.end() ? fallback : NumberOf(it->second.value, fallback);
        };
        session.protocol = ProtocolOf(number(u"FSProtocol", 2), number(u"Ftps", 0));
        const auto password = values.find(std::u16string(u"Password"));
        if (options.withPasswords && password != values.end() && !password->second.value.empty()) {
            if (masterPassword) {
                document.Note(password->second.line, session.name,
                              "the password (it is encrypted with WinSCP's master password)");
            } else {
                const std::optional<std::string> plain =
                    Unscramble(ForeignUtf8(password->second.value), ForeignUtf8(session.user),
                               ForeignUtf8(session.host));
                std::u16string text;
                if (plain && TryUtf16(*plain, text))
                    session.password = text;
                else
                    document.Note(password->second.line, session.name, "the password (it cannot be read)");
            }
        }
        document.sessions.push_back(std::move(session));
    }
    return document;
}
