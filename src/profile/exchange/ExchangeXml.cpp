#include "profile/exchange/ExchangeXml.h"

#include <expat.h>

#include <cstring>
#include <exception>
#include <memory>
#include <optional>

#include "core/UnicodeConversion.h"

namespace {

constexpr char kRoot[] = "orvalis-sessions";

enum class Element { Root, Folder, Session, Value, Item };

struct Open {
    Element element;
    int line;
    bool folderHandedOn = false;
};

class XmlReader {
public:
    XmlReader(const std::string& file, IExchangeVisitor& visitor) : m_checks(file), m_visitor(visitor)
    {
        m_parser = XML_ParserCreate("UTF-8");
        if (!m_parser)
            throw std::bad_alloc();
        XML_SetUserData(m_parser, this);
        XML_SetElementHandler(m_parser, &XmlReader::OnStart, &XmlReader::OnEnd);
        XML_SetCharacterDataHandler(m_parser, &XmlReader::OnText);
        XML_SetStartDoctypeDeclHandler(m_parser, &XmlReader::OnDoctype);
    }
    ~XmlReader() { XML_ParserFree(m_parser); }
    XmlReader(const XmlReader&) = delete;
    XmlReader& operator=(const XmlReader&) = delete;

    void Read(std::istream& in)
    {
        std::unique_ptr<char[]> buffer(new char[1 << 16]);
        bool last = false;
        while (!last) {
            in.read(buffer.get(), 1 << 16);
            const std::streamsize count = in.gcount();
            if (in.bad())
                m_checks.Fail(0, "cannot be read");
            last = !in;
            if (XML_Parse(m_parser, buffer.get(), static_cast<int>(count), last) != XML_STATUS_OK) {
                if (m_failure)
                    std::rethrow_exception(m_failure);
                m_checks.Fail(static_cast<int>(XML_GetCurrentLineNumber(m_parser)),
                              XML_ErrorString(XML_GetErrorCode(m_parser)));
            }
        }
        if (!m_rootSeen)
            m_checks.Fail(1, "the document is empty");
    }

private:
    int Line() const { return static_cast<int>(XML_GetCurrentLineNumber(m_parser)); }
    [[noreturn]] void Fail(const std::string& message) const { m_checks.Fail(Line(), message); }

    // Expat is C: nothing may be thrown through it. A failure is kept, the
    // parser stopped, and the failure thrown once it has returned.
    template <class F>
    static void Guarded(void* self, F&& work)
    {
        auto* reader = static_cast<XmlReader*>(self);
        if (reader->m_failure)
            return;
        try {
            work(*reader);
        } catch (...) {
            reader->m_failure = std::current_exception();
            XML_StopParser(reader->m_parser, XML_FALSE);
        }
    }

    static void OnStart(void* self, const XML_Char* name, const XML_Char** attributes)
    {
        Guarded(self, [&](XmlReader& reader) { reader.Start(name, attributes); });
    }
    static void OnEnd(void* self, const XML_Char*)
    {
        Guarded(self, [&](XmlReader& reader) { reader.End(); });
    }
    static void OnText(void* self, const XML_Char* text, int length)
    {
        Guarded(self, [&](XmlReader& reader) { reader.Text(std::string_view(text, static_cast<size_t>(length))); });
    }
    static void OnDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int)
    {
        Guarded(self, [&](XmlReader& reader) { reader.Fail("a document type declaration is not taken"); });
    }

    std::u16string Utf16(std::string_view utf8) const { return ExchangeTextOf(utf8); }

    // The attributes of an element: only those allowed, each once (expat
    // refuses a repeated one itself).
    std::vector<std::pair<std::string, std::string>> Attributes(const XML_Char** attributes,
                                                                std::initializer_list<std::string_view> allowed) const
    {
        std::vector<std::pair<std::string, std::string>> found;
        for (const XML_Char** a = attributes; *a; a += 2) {
            if (std::find(allowed.begin(), allowed.end(), std::string_view(a[0])) == allowed.end())
                Fail(std::string("unknown attribute \"") + a[0] + "\"");
            found.emplace_back(a[0], a[1]);
        }
        return found;
    }
    static const std::string* Find(const std::vector<std::pair<std::string, std::string>>& attributes,
                                   std::string_view name)
    {
        for (const auto& attribute : attributes)
            if (attribute.first == name)
                return &attribute.second;
        return nullptr;
    }
    const std::string& Required(const std::vector<std::pair<std::string, std::string>>& attributes,
                                std::string_view name, const char* element) const
    {
        const std::string* value = Find(attributes, name);
        if (!value)
            Fail(std::string("the ") + element + " lacks the attribute \"" + std::string(name) + "\"");
        return *value;
    }

    // A folder is handed on when its first child begins, or when it ends.
    void HandOnFolder()
    {
        if (m_open.empty() || m_open.back().element != Element::Folder || m_open.back().folderHandedOn)
            return;
        m_checks.CheckItemName(m_folder.name, m_folder.line);
        m_checks.EnterFolder();
        m_visitor.BeginFolder(m_folder);
        m_open.back().folderHandedOn = true;
    }

    void Start(const char* name, const XML_Char** attributes)
    {
        const std::string_view element(name);
        const int line = Line();
        if (m_open.empty()) {
            if (m_rootSeen)
                Fail("text after the end of the document");
            if (element != kRoot)
                Fail("this is no orvalis-sessions export (the document is <" + std::string(element) + ">)");
            const auto found = Attributes(attributes, {"version"});
            if (Required(found, "version", "document") != std::to_string(kExchangeFormatVersion))
                Fail("documents of version " + std::to_string(kExchangeFormatVersion) + " are read, not this one");
            m_rootSeen = true;
            m_open.push_back(Open{Element::Root, line});
            return;
        }
        const Element parent = m_open.back().element;
        if (element == "folder" && (parent == Element::Root || parent == Element::Folder)) {
            HandOnFolder();
            if (m_folderDepth >= kExchangeMaximumDepth)
                Fail("folders are nested too deeply");
            const auto found = Attributes(attributes, {"name", "expanded"});
            m_folder = ExchangeFolder{VUnicodeString(Utf16(Required(found, "name", "folder"))), std::nullopt, line};
            if (const std::string* expanded = Find(found, "expanded")) {
                if (*expanded != "true" && *expanded != "false")
                    Fail("\"expanded\" is true or false");
                m_folder.expanded = *expanded == "true";
            }
            ++m_folderDepth;
            m_open.push_back(Open{Element::Folder, line});
        } else if (element == "session" && (parent == Element::Root || parent == Element::Folder)) {
            HandOnFolder();
            const auto found = Attributes(attributes, {"name"});
            m_session = ExchangeSession{VUnicodeString(Utf16(Required(found, "name", "session"))), {}, line};
            m_open.push_back(Open{Element::Session, line});
        } else if (element == "value" && parent == Element::Session) {
            const auto found = Attributes(attributes, {"name", "kind", "encoding"});
            m_valueName = Utf16(Required(found, "name", "value"));
            const std::string& kind = Required(found, "kind", "value");
            const std::optional<ValueKind> known = KindFromName(kind);
            if (!known)
                Fail("unknown kind of value \"" + kind + "\"");
            m_kind = *known;
            m_utf16 = false;
            if (const std::string* encoding = Find(found, "encoding")) {
                if (*encoding != "utf16")
                    Fail("the only encoding of a value is \"utf16\"");
                m_utf16 = true;
            }
            m_text.clear();
            m_items = VStringArray();
            m_open.push_back(Open{Element::Value, line});
        } else if (element == "item" && parent == Element::Value &&
                   (m_kind == ValueKind::List || m_kind == ValueKind::Lines)) {
            Attributes(attributes, {});
            m_text.clear();
            m_open.push_back(Open{Element::Item, line});
        } else {
            Fail("<" + std::string(element) + "> is not taken here");
        }
    }

    void Text(std::string_view text)
    {
        const Element at = m_open.empty() ? Element::Root : m_open.back().element;
        if (at == Element::Item || (at == Element::Value && m_kind != ValueKind::List && m_kind != ValueKind::Lines)) {
            m_text.append(text);
            return;
        }
        if (text.find_first_not_of(" \t\r\n") != std::string_view::npos)
            Fail("text is not taken here");
    }

    std::u16string Decoded(int line) const
    {
        std::u16string text = Utf16(m_text);
        if (!m_utf16)
            return text;
        std::u16string decoded;
        if (!TextOfUtf16Hex(text, decoded))
            m_checks.Fail(line, "a \"utf16\" text is written as groups of four hex digits");
        return decoded;
    }

    static std::optional<int64_t> Integer(std::string_view text)
    {
        if (text.empty() || text.size() > 15)
            return std::nullopt;
        size_t i = text[0] == '-' ? 1 : 0;
        if (i == text.size())
            return std::nullopt;
        int64_t value = 0;
        for (; i < text.size(); ++i) {
            if (text[i] < '0' || text[i] > '9')
                return std::nullopt;
            value = value * 10 + (text[i] - '0');
        }
        return text[0] == '-' ? -value : value;
    }

    void FinishValue(int line)
    {
        ExchangeNamedValue named;
        named.name = VUnicodeString(m_valueName);
        named.line = line;
        ExchangeValue& value = named.value;
        value.kind = m_kind;
        switch (m_kind) {
        case ValueKind::Flag:
            if (m_text != "true" && m_text != "false")
                m_checks.Fail(line, "a flag is true or false");
            value.number = m_text == "true" ? 1 : 0;
            break;
        case ValueKind::Number:
        case ValueKind::TriState: {
            const std::optional<int64_t> number = Integer(m_text);
            if (!number)
                m_checks.Fail(line, "a number is written as a whole number");
            value.number = *number;
            break;
        }
        case ValueKind::Text:
        case ValueKind::Path:
        case ValueKind::Secret: value.text = VUnicodeString(Decoded(line)); break;
        case ValueKind::List:
        case ValueKind::Lines: value.list = std::move(m_items); break;
        case ValueKind::Binary:
            if (!BytesOfHex(Utf16(m_text), value.bytes))
                m_checks.Fail(line, "a binary value is a string of hex digit pairs");
            break;
        }
        m_items = VStringArray();
        m_session.values.push_back(std::move(named));
    }

    void End()
    {
        const Open open = m_open.back();
        switch (open.element) {
        case Element::Root: break;
        case Element::Folder:
            HandOnFolder();
            m_checks.LeaveFolder();
            m_visitor.EndFolder();
            --m_folderDepth;
            break;
        case Element::Session:
            m_checks.CheckItemName(m_session.name, m_session.line);
            m_checks.CheckValueNames(m_session);
            m_visitor.Session(m_session);
            break;
        case Element::Value: FinishValue(open.line); break;
        case Element::Item: m_items.Add(VUnicodeString(Decoded(open.line))); break;
        }
        m_open.pop_back();
    }

    XML_Parser m_parser;
    ExchangeChecks m_checks;
    IExchangeVisitor& m_visitor;
    std::exception_ptr m_failure;
    std::vector<Open> m_open;
    bool m_rootSeen = false;
    int m_folderDepth = 0;
    ExchangeFolder m_folder;
    ExchangeSession m_session;
    std::u16string m_valueName;
    ValueKind m_kind = ValueKind::Text;
    bool m_utf16 = false;
    std::string m_text;
    VStringArray m_items;
};

} // namespace

void ReadExchangeXml(std::istream& in, const std::string& file, IExchangeVisitor& visitor)
{
    XmlReader reader(file, visitor);
    reader.Read(in);
}

// --- Writing

void XmlExchangeWriter::Indent()
{
    for (size_t i = 0; i < m_depth; ++i)
        m_out.write("  ", 2);
}

// Carriage returns and, in attributes, tabs and line feeds go as
// character references so that reading gives them back unchanged.
void XmlExchangeWriter::Escaped(std::u16string_view text, bool attribute)
{
    size_t run = 0;
    const auto flush = [&](size_t end) {
        if (end > run) {
            const std::string utf8 = Utf16ToUtf8(text.substr(run, end - run));
            m_out.write(utf8.data(), static_cast<std::streamsize>(utf8.size()));
        }
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char* escape = nullptr;
        switch (text[i]) {
        case u'&': escape = "&amp;"; break;
        case u'<': escape = "&lt;"; break;
        case u'>': escape = "&gt;"; break;
        case u'"': escape = attribute ? "&quot;" : nullptr; break;
        case u'\r': escape = "&#13;"; break;
        case u'\n': escape = attribute ? "&#10;" : nullptr; break;
        case u'\t': escape = attribute ? "&#9;" : nullptr; break;
        default: break;
        }
        if (!escape)
            continue;
        flush(i);
        m_out << escape;
        run = i + 1;
    }
    flush(text.size());
}

void XmlExchangeWriter::BeginDocument()
{
    m_out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" << kRoot << " version=\"" << kExchangeFormatVersion
          << "\">\n";
    m_depth = 1;
}

void XmlExchangeWriter::EndDocument()
{
    m_out << "</" << kRoot << ">\n";
    m_out.flush();
}

void XmlExchangeWriter::BeginFolder(const ExchangeFolder& folder)
{
    if (NeedsUtf16Hex(folder.name.str(), ExchangeFormat::Xml))
        throw std::logic_error("a folder name XML cannot carry");
    Indent();
    m_out << "<folder name=\"";
    Escaped(folder.name.str(), true);
    m_out << '"';
    if (folder.expanded)
        m_out << " expanded=\"" << (*folder.expanded ? "true" : "false") << '"';
    m_out << ">\n";
    ++m_depth;
}

void XmlExchangeWriter::EndFolder()
{
    --m_depth;
    Indent();
    m_out << "</folder>\n";
}

void XmlExchangeWriter::Session(const ExchangeSession& session)
{
    Indent();
    m_out << "<session name=\"";
    Escaped(session.name.str(), true);
    m_out << "\">\n";
    for (const ExchangeNamedValue& named : session.values) {
        const ExchangeValue& value = named.value;
        if (NeedsUtf16Hex(named.name.str(), ExchangeFormat::Xml))
            throw ExchangeError("", 0, "the value name \"" + Utf16Hex(named.name.str()) +
                                           "\" (UTF-16 hex) cannot be written as XML");
        bool utf16 = NeedsUtf16Hex(value.text.str(), ExchangeFormat::Xml);
        for (const VUnicodeString& element : value.list)
            utf16 = utf16 || NeedsUtf16Hex(element.str(), ExchangeFormat::Xml);
        const auto text = [&](const VUnicodeString& t) {
            if (utf16)
                m_out << Utf16Hex(t.str());
            else
                Escaped(t.str(), false);
        };
        m_out << "  ";
        Indent();
        m_out << "<value name=\"";
        Escaped(named.name.str(), true);
        m_out << "\" kind=\"" << KindName(value.kind) << '"';
        if (utf16)
            m_out << " encoding=\"utf16\"";
        m_out << '>';
        switch (value.kind) {
        case ValueKind::Flag: m_out << (value.number ? "true" : "false"); break;
        case ValueKind::Number:
        case ValueKind::TriState: m_out << value.number; break;
        case ValueKind::Text:
        case ValueKind::Path:
        case ValueKind::Secret: text(value.text); break;
        case ValueKind::List:
        case ValueKind::Lines:
            for (const VUnicodeString& element : value.list) {
                m_out << "<item>";
                text(element);
                m_out << "</item>";
            }
            break;
        case ValueKind::Binary: m_out << HexOf(value.bytes); break;
        }
        m_out << "</value>\n";
    }
    Indent();
    m_out << "</session>\n";
}
