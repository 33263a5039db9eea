#include "profile/exchange/ForeignSessions.h"

#include <map>
#include <set>

#include <cryptopp/base64.h>
#include <cryptopp/filters.h>

#include "core/Exceptions.h"
#include "core/HexDigit.h"
#include "core/UnicodeConversion.h"
#include "platform/SessionNameValidator.h"

namespace {

struct ProtocolWord {
    const char16_t* word;
    ForeignProtocol protocol;
};

// The words the programs use, lower case; those we lack go to the
// protocol a user of them would reach for instead.
constexpr ProtocolWord kWords[] = {
    {u"ssh", {u"SSH2", u"None", true}},
    {u"ssh2", {u"SSH2", u"None", true}},
    {u"ssh1", {u"SSH1", u"None", true}},
    {u"telnet", {u"Telnet", u"None", true}},
    {u"telnet/ssl", {u"Telnet/SSL", u"None", true}},
    {u"telnets", {u"Telnet/SSL", u"None", true}},
    {u"rlogin", {u"RLogin", u"None", true}},
    {u"raw", {u"Raw", u"None", true}},
    {u"serial", {u"Serial", u"None", true}},
    {u"rdp", {u"RDP", u"None", true}},
    {u"local shell", {u"Local Shell", u"None", true}},
    {u"shell", {u"Local Shell", u"None", true}},
    {u"sftp", {u"SSH2", u"SFTP", true}},
    {u"scp", {u"SSH2", u"SCP", true}},
    {u"ftp", {u"None", u"FTP", true}},
    {u"ftps", {u"None", u"FTP/SSL (implicit)", true}},
    {u"ftpes", {u"None", u"FTP/SSL (explicit)", true}},
    {u"http", {u"None", u"HTTP", true}},
    {u"https", {u"None", u"HTTPS", true}},
    {u"s3", {u"None", u"HTTPS (S3)", true}},
    // The closest we have.
    {u"mosh", {u"SSH2", u"None", false}},
    {u"rsh", {u"RLogin", u"None", false}},
    {u"vnc", {u"RDP", u"None", false}},
    {u"spice", {u"RDP", u"None", false}},
    {u"xdmcp", {u"RDP", u"None", false}},
    {u"x2go", {u"RDP", u"None", false}},
    {u"nx", {u"RDP", u"None", false}},
    {u"ica", {u"RDP", u"None", false}},
    {u"webdav", {u"None", u"HTTPS", false}},
    {u"powershell", {u"Local Shell", u"None", false}},
    {u"intapp", {u"Local Shell", u"None", false}},
    {u"wsl", {u"Local Shell", u"None", false}},
};

// The protocols whose sessions keep a port of their own.
constexpr const char16_t* kWithPort[] = {u"SSH2",  u"SSH1",  u"Telnet",         u"Telnet/SSL",
                                         u"Raw",   u"RDP",   u"SFTP",           u"FTP",
                                         u"FTP/SSL (implicit)", u"FTP/SSL (explicit)", u"HTTP",
                                         u"HTTPS", u"HTTPS (S3)", u"SCP"};

std::string Shown(std::u16string_view text)
{
    return ForeignUtf8(text);
}

// A name our tree can hold, or empty.
std::u16string Holdable(std::u16string_view raw)
{
    std::u16string name;
    for (char16_t c : raw) {
        if (c == u'\\' || c == u'/')
            name += u'-';
        else if (c >= 0x20 && c != 0x7F)
            name += c;
    }
    const size_t first = name.find_first_not_of(u" \t");
    if (first == std::u16string::npos)
        return {};
    name = name.substr(first, name.find_last_not_of(u" \t") - first + 1);
    if (name[0] == u'.')
        name[0] = u'_';
    if (name.size() > kMaxSessionNameLength)
        name.resize(kMaxSessionNameLength);
    if (name.starts_with(u"__") && name.ends_with(u"__"))
        name.insert(0, u"_ ");
    return SessionNameProblem(name) ? std::u16string() : name;
}

struct FolderNode {
    std::u16string name;
    std::vector<size_t> folders; // indexes into the node list
    std::vector<size_t> sessions;
    std::map<std::u16string, size_t, VNoCaseLess> byName;
};

ExchangeValue Text(std::u16string_view text)
{
    ExchangeValue value;
    value.kind = ValueKind::Text;
    value.text = VUnicodeString(std::u16string(text));
    return value;
}

} // namespace

void ForeignDocument::Note(int line, std::u16string_view session, const std::string& what)
{
    std::string place = m_file;
    if (line > 0)
        place += " line " + std::to_string(line);
    notes.push_back(place + ": " + (session.empty() ? std::string() : Shown(session) + ": ") + what);
}

void ForeignDocument::Fail(int line, const std::string& message) const
{
    throw ExchangeError(m_file, line, message);
}

ForeignProtocol MapForeignProtocol(std::u16string_view word)
{
    for (const ProtocolWord& known : kWords)
        if (VUnicodeString::CompareNoCase(known.word, word) == 0)
            return known.protocol;
    return {u"SSH2", u"None", false};
}

VUnicodeString ForeignPortValueName(std::u16string_view protocol)
{
    for (const char16_t* name : kWithPort)
        if (VUnicodeString::CompareNoCase(name, protocol) == 0)
            return VUnicodeString(name) + u" Port";
    return {};
}

std::u16string ForeignText(std::string_view utf8, const ForeignDocument& document, int line)
{
    try {
        return Utf8ToUtf16(utf8);
    } catch (const IllegalSequence&) {
        document.Fail(line, "the text is not valid UTF-8");
    }
}

std::string ForeignUtf8(std::u16string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            out += Utf16ToUtf8(text.substr(i, 2));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out += "\xEF\xBF\xBD";
        } else {
            out += Utf16ToUtf8(text.substr(i, 1));
        }
    }
    return out;
}

std::u16string ForeignLossy16(std::string_view utf8)
{
    std::u16string text;
    if (TryUtf16(utf8, text))
        return text;
    text.clear();
    for (char c : utf8)
        text += static_cast<unsigned char>(c) < 0x80 ? static_cast<char16_t>(c) : u'\uFFFD';
    return text;
}

bool TryUtf16(std::string_view utf8, std::u16string& text)
{
    try {
        text = Utf8ToUtf16(utf8);
        return true;
    } catch (const IllegalSequence&) {
        return false;
    }
}

std::string PercentDecoded(std::string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 && HexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<int> ForeignPort(std::string_view text, const ForeignDocument& document, int line)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    if (text.empty())
        return std::nullopt;
    int port = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || port > 65535)
            document.Fail(line, "\"" + std::string(text) + "\" is no port number");
        port = port * 10 + (c - '0');
    }
    if (port > 65535)
        document.Fail(line, "\"" + std::string(text) + "\" is no port number");
    if (port == 0)
        return std::nullopt; // the program's "not set"
    return port;
}

std::string Base64Decoded(std::string_view text, bool& ok)
{
    // Crypto++'s decoder skips what is no base64 digit; a text is taken
    // only when it is digits and padding alone.
    ok = text.size() % 4 == 0;
    for (size_t i = 0; ok && i < text.size(); ++i) {
        const char c = text[i];
        const bool digit = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
                           c == '/';
        ok = digit || (c == '=' && i + 2 >= text.size() && (i + 1 == text.size() || text[i + 1] == '='));
    }
    if (!ok)
        return {};
    std::string out;
    CryptoPP::StringSource source(reinterpret_cast<const CryptoPP::byte*>(text.data()), text.size(), true,
                                  new CryptoPP::Base64Decoder(new CryptoPP::StringSink(out)));
    return out;
}

void WalkForeignDocument(ForeignDocument& document, IExchangeVisitor& out, const PasswordSealer& seal)
{
    std::vector<FolderNode> nodes(1);
    std::vector<std::u16string> sessionNames(document.sessions.size());
    for (size_t i = 0; i < document.sessions.size(); ++i) {
        const ForeignSession& session = document.sessions[i];
        if (session.folders.size() > static_cast<size_t>(kExchangeMaximumDepth))
            document.Fail(session.line, "folders are nested more than " + std::to_string(kExchangeMaximumDepth) +
                                            " deep");
        size_t at = 0;
        for (const std::u16string& raw : session.folders) {
            std::u16string name = Holdable(raw);
            if (name.empty())
                continue; // an empty level: its contents go one up
            if (name != raw)
                document.Note(session.line, session.name, "the folder \"" + Shown(raw) + "\" is named \"" +
                                                              Shown(name) + "\" here");
            auto known = nodes[at].byName.find(name);
            if (known != nodes[at].byName.end() && known->second == SIZE_MAX) {
                // A session took the name first: the folder goes by another.
                const std::u16string taken = name;
                name += u" (folder)";
                for (int n = 1; nodes[at].byName.contains(name) && nodes[at].byName.at(name) == SIZE_MAX; ++n)
                    name = taken + u" (folder " + Utf8ToUtf16(std::to_string(n)) + u")";
                document.Note(session.line, session.name, "the folder \"" + Shown(taken) + "\" is named \"" +
                                                              Shown(name) + "\" here: a session has its name");
                known = nodes[at].byName.find(name);
            }
            if (known != nodes[at].byName.end()) {
                at = known->second;
                continue;
            }
            nodes.push_back(FolderNode{name, {}, {}, {}});
            const size_t made = nodes.size() - 1;
            nodes[at].folders.push_back(made);
            nodes[at].byName.emplace(name, made);
            at = made;
        }
        std::u16string name = Holdable(session.name);
        if (name.empty())
            name = Holdable(session.host);
        if (name.empty())
            name = u"Session";
        if (name != session.name)
            document.Note(session.line, session.name, "named \"" + Shown(name) + "\" here");
        if (nodes[at].byName.contains(name)) {
            std::u16string unique;
            for (int n = 1; unique.empty() || nodes[at].byName.contains(unique); ++n)
                unique = name + u" (" + Utf8ToUtf16(std::to_string(n)) + u")";
            document.Note(session.line, session.name, "named \"" + Shown(unique) + "\" here: the name is taken");
            name = unique;
        }
        nodes[at].byName.emplace(name, SIZE_MAX);
        nodes[at].sessions.push_back(i);
        sessionNames[i] = name;
    }

    auto sessionOf = [&](size_t i) {
        const ForeignSession& found = document.sessions[i];
        ExchangeSession session;
        session.name = VUnicodeString(sessionNames[i]);
        session.line = found.line;
        const ForeignProtocol protocol = MapForeignProtocol(found.protocol);
        session.values.push_back({VUnicodeString(u"Protocol Name"), Text(protocol.terminal), found.line});
        session.values.push_back({VUnicodeString(u"Transfer Protocol Name"), Text(protocol.transfer), found.line});
        if (!found.host.empty())
            session.values.push_back({VUnicodeString(u"Hostname"), Text(found.host), found.line});
        if (!found.user.empty())
            session.values.push_back({VUnicodeString(u"Username"), Text(found.user), found.line});
        ExchangeValue description;
        description.kind = ValueKind::Lines;
        std::u16string line;
        for (char16_t c : found.description) {
            if (c == u'\n') {
                description.list.Add(VUnicodeString(line));
                line.clear();
            } else if (c != u'\r') {
                line += c;
            }
        }
        if (!line.empty())
            description.list.Add(VUnicodeString(line));
        if (!protocol.exact) {
            const std::u16string word = found.protocol.empty() ? u"(none)" : found.protocol;
            description.list.Add(VUnicodeString(u"Imported from a session of protocol " + word));
            document.Note(found.line, found.name,
                          "the protocol \"" + Shown(word) + "\" is not offered here; the session uses " +
                              Shown(protocol.terminal == std::u16string_view(u"None") ? protocol.transfer
                                                                                      : protocol.terminal));
        }
        if (description.list.GetSize())
            session.values.push_back({VUnicodeString(u"Description"), description, found.line});
        if (found.port) {
            bool kept = false;
            for (const char16_t* side : {protocol.terminal, protocol.transfer}) {
                const VUnicodeString valueName = ForeignPortValueName(side);
                if (valueName.IsEmpty())
                    continue;
                ExchangeValue port;
                port.kind = ValueKind::Number;
                port.number = *found.port;
                session.values.push_back({valueName, port, found.line});
                kept = true;
            }
            if (!kept)
                document.Note(found.line, found.name, "the port " + std::to_string(*found.port) + " (its protocol has none)");
        }
        if (found.password && !found.password->empty()) {
            std::string why;
            const std::optional<VUnicodeString> sealed = seal ? seal(*found.password, why) : std::nullopt;
            if (sealed) {
                ExchangeValue secret;
                secret.kind = ValueKind::Secret;
                secret.text = *sealed;
                session.values.push_back({VUnicodeString(kImportedPasswordValue), secret, found.line});
            } else {
                document.Note(found.line, found.name, "the password (" + (why.empty() ? "it cannot be encrypted" : why) + ")");
            }
        }
        return session;
    };

    auto walk = [&](auto& self, size_t at) -> void {
        for (size_t child : nodes[at].folders) {
            out.BeginFolder(ExchangeFolder{VUnicodeString(nodes[child].name), std::nullopt, 0});
            self(self, child);
            out.EndFolder();
        }
        for (size_t i : nodes[at].sessions)
            out.Session(sessionOf(i));
    };
    walk(walk, 0);
}

void RecordedExchange::Replay(IExchangeVisitor& out) const
{
    for (const Event& event : m_events) {
        if (event.folder)
            out.BeginFolder(*event.folder);
        else if (event.session)
            out.Session(*event.session);
        else
            out.EndFolder();
    }
}
