#include "profile/exchange/FileZillaReader.h"

#include <algorithm>

#include <pugixml.hpp>

namespace {

std::u16string ProtocolOf(std::string_view number)
{
    static constexpr const char16_t* kNames[] = {u"ftp",   u"sftp", u"http", u"ftps", u"ftpes",
                                                 u"https", u"ftp",  u"s3",   nullptr, u"webdav"};
    if (number.size() == 1 && number[0] >= '0' && number[0] <= '9' && kNames[number[0] - '0'])
        return kNames[number[0] - '0'];
    return u"filezilla protocol " + ForeignLossy16(number);
}

class Walker {
public:
    Walker(std::string_view text, ForeignDocument& document, const ForeignReadOptions& options)
        : m_lines(text), m_document(document), m_options(options)
    {
    }

    void Children(const pugi::xml_node& parent, std::vector<std::u16string>& folders)
    {
        for (const pugi::xml_node& node : parent.children()) {
            if (std::string_view(node.name()) == "Server") {
                Server(node, folders);
            } else if (std::string_view(node.name()) == "Folder") {
                if (folders.size() >= static_cast<size_t>(kExchangeMaximumDepth))
                    m_document.Fail(Line(node), "folders are nested too deep");
                folders.push_back(OwnText(node));
                Children(node, folders);
                folders.pop_back();
            }
        }
    }

private:
    int Line(const pugi::xml_node& node) const
    {
        return m_lines.LineAt(node.offset_debug());
    }
    std::u16string Text(const pugi::xml_node& node) const
    {
        return ForeignText(node.child_value(), m_document, Line(node));
    }
    // A folder's name: its own text, before and between its children.
    std::u16string OwnText(const pugi::xml_node& node) const
    {
        std::string name;
        for (const pugi::xml_node& child : node.children())
            if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
                name += child.value();
        const size_t first = name.find_first_not_of(" \t\r\n");
        name = first == std::string::npos ? std::string() : name.substr(first, name.find_last_not_of(" \t\r\n") - first + 1);
        return ForeignText(name, m_document, Line(node));
    }

    void Server(const pugi::xml_node& node, const std::vector<std::u16string>& folders)
    {
        ForeignSession session;
        session.folders = folders;
        session.line = Line(node);
        session.host = Text(node.child("Host"));
        session.user = Text(node.child("User"));
        session.description = Text(node.child("Comments"));
        session.name = node.child("Name") ? Text(node.child("Name")) : OwnText(node);
        session.protocol = ProtocolOf(node.child_value("Protocol"));
        if (node.child("Port"))
            session.port = ForeignPort(node.child_value("Port"), m_document, Line(node.child("Port")));
        const pugi::xml_node pass = node.child("Pass");
        if (m_options.withPasswords && pass && *pass.child_value()) {
            const std::string_view encoding = pass.attribute("encoding").value();
            const int line = Line(pass);
            if (encoding == "crypt") {
                m_document.Note(line, session.name, "the password (it is encrypted with FileZilla's master password)");
            } else if (encoding.empty() || encoding == "base64") {
                bool ok = true;
                const std::string plain = encoding.empty() ? std::string(pass.child_value())
                                                           : Base64Decoded(pass.child_value(), ok);
                std::u16string text;
                if (ok && TryUtf16(plain, text))
                    session.password = text;
                else
                    m_document.Note(line, session.name, "the password (it is not valid base64 of UTF-8)");
            } else {
                m_document.Note(line, session.name, "the password (its encoding \"" + std::string(encoding) + "\" is unknown)");
            }
        }
        m_document.sessions.push_back(std::move(session));
    }

    LineIndex m_lines;
    ForeignDocument& m_document;
    const ForeignReadOptions& m_options;
};

} // namespace

LineIndex::LineIndex(std::string_view text)
{
    for (size_t at = text.find('\n'); at != std::string_view::npos; at = text.find('\n', at + 1))
        m_breaks.push_back(at);
}

int LineIndex::LineAt(ptrdiff_t offset) const
{
    if (offset < 0)
        return 0;
    return 1 + static_cast<int>(std::lower_bound(m_breaks.begin(), m_breaks.end(), static_cast<size_t>(offset)) -
                                m_breaks.begin());
}

int LineAt(std::string_view text, size_t offset)
{
    offset = std::min(offset, text.size());
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

ForeignDocument FileZillaReader::Read(std::string_view text, const std::string& file, const ForeignReadOptions& options)
{
    ForeignDocument document(file);
    pugi::xml_document xml;
    const pugi::xml_parse_result parsed = xml.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed)
        document.Fail(LineAt(text, static_cast<size_t>(parsed.offset)), parsed.description());
    const pugi::xml_node servers = xml.child("FileZilla3").child("Servers");
    if (!servers)
        document.Fail(0, "no <FileZilla3><Servers> element: not a FileZilla site manager file");
    std::vector<std::u16string> folders;
    Walker(text, document, options).Children(servers, folders);
    return document;
}
