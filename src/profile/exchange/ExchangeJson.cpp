#include "profile/exchange/ExchangeJson.h"

#include <stdexcept>

#include "core/Exceptions.h"
#include "core/UnicodeConversion.h"

// The reader's own consistency checks become errors, never undefined behaviour.
#define RAPIDJSON_ASSERT(x) ((x) ? static_cast<void>(0) : throw std::logic_error("JSON reader: " #x))
#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace {

// An input stream for the reader that counts lines as it goes, so that
// every event and error can name its line. Reads in blocks.
class LineCountingStream {
public:
    using Ch = char;
    explicit LineCountingStream(std::istream& in) : m_in(in) {}

    Ch Peek()
    {
        if (m_pos == m_end)
            Fill();
        return m_pos < m_end ? m_buffer[m_pos] : '\0';
    }
    Ch Take()
    {
        const Ch c = Peek();
        if (m_pos < m_end) {
            ++m_pos;
            ++m_count;
            if (c == '\n')
                ++m_line;
        }
        return c;
    }
    size_t Tell() const { return m_count; }
    int Line() const { return m_line; }
    bool Failed() const { return m_in.bad(); }

    // Never written to.
    Ch* PutBegin() { return nullptr; }
    void Put(Ch) {}
    void Flush() {}
    size_t PutEnd(Ch*) { return 0; }

private:
    void Fill()
    {
        if (!m_in)
            return;
        m_in.read(m_buffer, sizeof m_buffer);
        m_end = static_cast<size_t>(m_in.gcount());
        m_pos = 0;
    }

    std::istream& m_in;
    char m_buffer[1 << 16];
    size_t m_pos = 0;
    size_t m_end = 0;
    size_t m_count = 0;
    int m_line = 1;
};

// Where the reader stands in the document.
enum class Frame {
    Document, // before the top object
    Top,      // the top object
    Folders,  // an array of folders
    Folder,
    Sessions, // an array of sessions
    Session,
    Values,   // a session's values
    Value,
    Elements, // the strings of a list value
    Done,
};

// A value's members, kept until its object ends (they may come in any order).
struct PendingValue {
    bool hasName = false;
    bool hasKind = false;
    bool hasValue = false;
    bool utf16 = false;
    std::u16string name;
    std::string kind;
    enum class Given { Bool, Integer, String, Array } given = Given::String;
    bool boolean = false;
    int64_t integer = 0;
    std::u16string text;
    std::vector<std::u16string> elements;
    int line = 0;
    int valueLine = 0;
};

class Handler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, Handler> {
public:
    Handler(const std::string& file, IExchangeVisitor& visitor, LineCountingStream& stream)
        : m_checks(file), m_visitor(visitor), m_stream(stream)
    {
    }

    bool StartObject()
    {
        const int line = Line();
        switch (Expecting()) {
        case Frame::Document: Push(Frame::Top, line); return true;
        case Frame::Folders:
            if (m_folderDepth >= kExchangeMaximumDepth)
                Fail(line, "folders are nested too deeply");
            ++m_folderDepth;
            Push(Frame::Folder, line);
            m_folder = ExchangeFolder{};
            m_folder.line = line;
            m_folderHasName = false;
            return true;
        case Frame::Sessions:
            Push(Frame::Session, line);
            m_session = ExchangeSession{};
            m_session.line = line;
            m_sessionHasName = false;
            return true;
        case Frame::Values:
            Push(Frame::Value, line);
            m_value = PendingValue{};
            m_value.line = line;
            return true;
        default: return Unexpected("an object");
        }
    }

    bool Key(const char* text, rapidjson::SizeType length, bool)
    {
        const std::string_view key(text, length);
        Level& level = m_levels.back();
        static constexpr std::string_view top[] = {"format", "version", "folders", "sessions"};
        static constexpr std::string_view folder[] = {"name", "expanded", "folders", "sessions"};
        static constexpr std::string_view session[] = {"name", "values", "", ""};
        static constexpr std::string_view value[] = {"name", "kind", "value", "encoding"};
        const std::string_view* allowed = level.frame == Frame::Top      ? top
                                          : level.frame == Frame::Folder ? folder
                                          : level.frame == Frame::Session ? session
                                                                          : value;
        unsigned index = 0;
        while (index < 4 && (allowed[index].empty() || allowed[index] != key))
            ++index;
        if (index == 4)
            Fail(Line(), "unknown member \"" + std::string(key) + "\"");
        if (level.keys & (1u << index))
            Fail(Line(), "the member \"" + std::string(key) + "\" is given twice");
        level.keys |= 1u << index;
        m_key = key;
        if (level.frame == Frame::Top && (key == "folders" || key == "sessions") && !m_formatSeen)
            Fail(Line(), "this is no orvalis-sessions export (\"format\" must come first)");
        return true;
    }

    bool String(const char* text, rapidjson::SizeType length, bool)
    {
        const int line = Line();
        const std::u16string value = Text(std::string_view(text, length), line);
        switch (Expecting()) {
        case Frame::Top:
            if (m_key == "format") {
                if (value != kExchangeFormatName)
                    Fail(line, "this is no orvalis-sessions export (\"format\" is not \"orvalis-sessions\")");
                m_formatSeen = true;
                return true;
            }
            break;
        case Frame::Folder:
            if (m_key == "name") {
                if (m_levels.back().opened)
                    Fail(line, "a folder's \"name\" must come before its folders and sessions");
                m_folder.name = VUnicodeString(value);
                m_folderHasName = true;
                return true;
            }
            break;
        case Frame::Session:
            if (m_key == "name") {
                m_session.name = VUnicodeString(value);
                m_sessionHasName = true;
                return true;
            }
            break;
        case Frame::Value:
            if (m_key == "name") {
                m_value.hasName = true;
                m_value.name = value;
                return true;
            }
            if (m_key == "kind") {
                m_value.hasKind = true;
                m_value.kind = std::string(text, length);
                return true;
            }
            if (m_key == "encoding") {
                if (value != u"utf16")
                    Fail(line, "the only encoding of a value is \"utf16\"");
                m_value.utf16 = true;
                return true;
            }
            if (m_key == "value") {
                GivenValue(line, PendingValue::Given::String);
                m_value.text = value;
                return true;
            }
            break;
        case Frame::Elements: m_value.elements.push_back(value); return true;
        default: break;
        }
        return Unexpected("a string");
    }

    bool Bool(bool value)
    {
        const int line = Line();
        if (Expecting() == Frame::Folder && m_key == "expanded") {
            if (m_levels.back().opened)
                Fail(line, "a folder's \"expanded\" must come before its folders and sessions");
            m_folder.expanded = value;
            return true;
        }
        if (Expecting() == Frame::Value && m_key == "value") {
            GivenValue(line, PendingValue::Given::Bool);
            m_value.boolean = value;
            return true;
        }
        return Unexpected("true or false");
    }

    bool Int(int value) { return Integer(value); }
    bool Uint(unsigned value) { return Integer(value); }
    bool Int64(int64_t value) { return Integer(value); }
    bool Uint64(uint64_t value)
    {
        if (value > static_cast<uint64_t>(INT64_MAX))
            Fail(Line(), "the number is too large");
        return Integer(static_cast<int64_t>(value));
    }
    bool Double(double) { return Unexpected("a number with a fraction or an exponent"); }
    bool Null() { return Unexpected("null"); }

    bool StartArray()
    {
        if (m_levels.empty())
            return Unexpected("an array");
        const Level& level = m_levels.back();
        const int line = Line();
        if ((level.frame == Frame::Top || level.frame == Frame::Folder) && (m_key == "folders" || m_key == "sessions")) {
            if (level.frame == Frame::Folder)
                OpenFolder();
            Push(m_key == "folders" ? Frame::Folders : Frame::Sessions, line);
            return true;
        }
        if (level.frame == Frame::Session && m_key == "values") {
            Push(Frame::Values, line);
            return true;
        }
        if (level.frame == Frame::Value && m_key == "value") {
            GivenValue(line, PendingValue::Given::Array);
            Push(Frame::Elements, line);
            return true;
        }
        return Unexpected("an array");
    }

    bool EndArray(rapidjson::SizeType)
    {
        m_levels.pop_back();
        return true;
    }

    bool EndObject(rapidjson::SizeType)
    {
        const Level level = m_levels.back();
        m_levels.pop_back();
        switch (level.frame) {
        case Frame::Top:
            if (!m_formatSeen)
                Fail(level.line, "this is no orvalis-sessions export (it lacks \"format\")");
            if (!m_versionSeen)
                Fail(level.line, "the document lacks \"version\"");
            m_levels.push_back(Level{Frame::Done, level.line, 0, false});
            break;
        case Frame::Folder:
            m_levels.push_back(level);
            OpenFolder();
            m_levels.pop_back();
            m_checks.LeaveFolder();
            m_visitor.EndFolder();
            --m_folderDepth;
            break;
        case Frame::Session:
            if (!m_sessionHasName)
                Fail(level.line, "the session lacks \"name\"");
            m_checks.CheckItemName(m_session.name, m_session.line);
            m_checks.CheckValueNames(m_session);
            m_visitor.Session(m_session);
            break;
        case Frame::Value: m_session.values.push_back(FinishValue()); break;
        default: break;
        }
        return true;
    }

    void Finish() const
    {
        if (m_levels.empty() || m_levels.back().frame != Frame::Done)
            Fail(Line(), "the document is empty");
    }

    int Line() const { return m_stream.Line(); }

private:
    struct Level {
        Frame frame;
        int line;
        unsigned keys = 0;   // the members given so far, by their place in the allowed list
        bool opened = false; // a folder handed on to the visitor
    };

    [[noreturn]] void Fail(int line, const std::string& message) const { m_checks.Fail(line, message); }

    bool Unexpected(const std::string& what) const
    {
        const Frame frame = m_levels.empty() ? Frame::Document : m_levels.back().frame;
        std::string where;
        switch (frame) {
        case Frame::Document: where = "the document must be an object"; break;
        case Frame::Folders: where = "\"folders\" holds folder objects"; break;
        case Frame::Sessions: where = "\"sessions\" holds session objects"; break;
        case Frame::Values: where = "\"values\" holds value objects"; break;
        case Frame::Elements: where = "a list value holds strings"; break;
        default: where = "\"" + m_key + "\" cannot be " + what; break;
        }
        Fail(Line(), frame == Frame::Done ? "text after the end of the document" : where + ", not " + what);
    }

    Frame Expecting() const { return m_levels.empty() ? Frame::Document : m_levels.back().frame; }

    void Push(Frame frame, int line) { m_levels.push_back(Level{frame, line, 0, false}); }

    std::u16string Text(std::string_view utf8, int line) const
    {
        try {
            return ExchangeTextOf(utf8);
        } catch (const IllegalSequence&) {
            Fail(line, "the text is not valid Unicode (write it with \"encoding\": \"utf16\")");
        }
    }

    bool Integer(int64_t value)
    {
        const int line = Line();
        if (Expecting() == Frame::Top && m_key == "version") {
            if (value != kExchangeFormatVersion)
                Fail(line, "documents of version " + std::to_string(kExchangeFormatVersion) + " are read, not this one");
            m_versionSeen = true;
            return true;
        }
        if (Expecting() == Frame::Value && m_key == "value") {
            GivenValue(line, PendingValue::Given::Integer);
            m_value.integer = value;
            return true;
        }
        return Unexpected("a number");
    }

    void GivenValue(int line, PendingValue::Given given)
    {
        m_value.hasValue = true;
        m_value.given = given;
        m_value.valueLine = line;
    }

    // The folder is handed on when its contents begin (or it ends).
    void OpenFolder()
    {
        if (m_levels.back().opened)
            return;
        if (!m_folderHasName)
            Fail(m_folder.line, "the folder lacks \"name\" (it must come before its folders and sessions)");
        m_checks.CheckItemName(m_folder.name, m_folder.line);
        m_checks.EnterFolder();
        m_visitor.BeginFolder(m_folder);
        m_levels.back().opened = true;
    }

    std::u16string Decoded(const std::u16string& text) const
    {
        if (!m_value.utf16)
            return text;
        std::u16string decoded;
        if (!TextOfUtf16Hex(text, decoded))
            Fail(m_value.valueLine, "a \"utf16\" text is written as groups of four hex digits");
        return decoded;
    }

    ExchangeNamedValue FinishValue()
    {
        const PendingValue& v = m_value;
        for (const auto& [has, what] : {std::pair{v.hasName, "name"}, {v.hasKind, "kind"}, {v.hasValue, "value"}})
            if (!has)
                Fail(v.line, std::string("the value lacks \"") + what + "\"");
        ExchangeNamedValue named;
        named.name = VUnicodeString(v.name);
        named.line = v.line;
        const std::optional<ValueKind> kind = KindFromName(v.kind);
        if (!kind)
            Fail(v.line, "unknown kind of value \"" + v.kind + "\"");
        ExchangeValue& value = named.value;
        value.kind = *kind;
        using Given = PendingValue::Given;
        const int line = v.valueLine;
        switch (value.kind) {
        case ValueKind::Flag:
            if (v.given != Given::Bool)
                Fail(line, "a flag is true or false");
            value.number = v.boolean ? 1 : 0;
            break;
        case ValueKind::Number:
        case ValueKind::TriState:
            if (v.given != Given::Integer)
                Fail(line, "a number is written as a whole number");
            value.number = v.integer;
            break;
        case ValueKind::Text:
        case ValueKind::Path:
        case ValueKind::Secret:
            if (v.given != Given::String)
                Fail(line, "the value must be a string");
            value.text = VUnicodeString(Decoded(v.text));
            break;
        case ValueKind::List:
        case ValueKind::Lines:
            if (v.given != Given::Array)
                Fail(line, "the value must be an array of strings");
            for (const std::u16string& element : v.elements)
                value.list.Add(VUnicodeString(Decoded(element)));
            break;
        case ValueKind::Binary:
            if (v.given != Given::String || !BytesOfHex(v.text, value.bytes))
                Fail(line, "a binary value is a string of hex digit pairs");
            break;
        }
        return named;
    }

    ExchangeChecks m_checks;
    IExchangeVisitor& m_visitor;
    LineCountingStream& m_stream;
    std::vector<Level> m_levels;
    std::string m_key;
    bool m_formatSeen = false;
    bool m_versionSeen = false;
    int m_folderDepth = 0;
    ExchangeFolder m_folder;
    bool m_folderHasName = false;
    ExchangeSession m_session;
    bool m_sessionHasName = false;
    PendingValue m_value;
};

} // namespace

void ReadExchangeJson(std::istream& in, const std::string& file, IExchangeVisitor& visitor)
{
    LineCountingStream stream(in);
    if (stream.Peek() == '\xEF') {
        stream.Take();
        if (stream.Take() == '\xBB' && stream.Take() == '\xBF')
            throw ExchangeError(file, 1, "the document begins with a byte-order mark");
        throw ExchangeError(file, 1, "the document is not UTF-8 JSON");
    }
    Handler handler(file, visitor, stream);
    rapidjson::Reader reader;
    const rapidjson::ParseResult result =
        reader.Parse<rapidjson::kParseValidateEncodingFlag | rapidjson::kParseIterativeFlag>(stream, handler);
    if (stream.Failed())
        throw ExchangeError(file, 0, "cannot be read");
    if (result.IsError())
        throw ExchangeError(file, stream.Line(), rapidjson::GetParseError_En(result.Code()));
    handler.Finish();
}

// --- Writing

void JsonExchangeWriter::Break(size_t depth)
{
    m_out.put('\n');
    for (size_t i = 0; i < depth; ++i)
        m_out.write("  ", 2);
}

void JsonExchangeWriter::BeforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_levels.empty())
        return;
    Level& level = m_levels.back();
    if (!level.empty)
        m_out.put(',');
    if (level.compact) {
        if (!level.empty)
            m_out.put(' ');
    } else {
        Break(m_levels.size());
    }
    level.empty = false;
}

void JsonExchangeWriter::Open(char bracket, bool compact)
{
    BeforeValue();
    m_out.put(bracket);
    // Inside a compact container everything is compact.
    m_levels.push_back(Level{compact || (!m_levels.empty() && m_levels.back().compact)});
}

void JsonExchangeWriter::Close(char bracket)
{
    const Level level = m_levels.back();
    m_levels.pop_back();
    if (!level.empty && !level.compact)
        Break(m_levels.size());
    m_out.put(bracket);
}

void JsonExchangeWriter::BeginObject(bool compact)
{
    Open('{', compact);
}

void JsonExchangeWriter::EndObject()
{
    Close('}');
}

void JsonExchangeWriter::BeginArray(bool compact)
{
    Open('[', compact);
}

void JsonExchangeWriter::EndArray()
{
    Close(']');
}

void JsonExchangeWriter::Key(std::u16string_view key)
{
    BeforeValue();
    WriteString(key);
    m_out.write(": ", 2);
    m_afterKey = true;
}

void JsonExchangeWriter::String(std::u16string_view text)
{
    BeforeValue();
    WriteString(text);
}

void JsonExchangeWriter::Integer(int64_t value)
{
    BeforeValue();
    m_out << value;
}

void JsonExchangeWriter::Bool(bool value)
{
    BeforeValue();
    m_out << (value ? "true" : "false");
}

// The library's own writer escapes and encodes each string; the layout
// around them is ours (one value of a session a line).
void JsonExchangeWriter::WriteString(std::u16string_view text)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer, rapidjson::UTF16<char16_t>, rapidjson::UTF8<>, rapidjson::CrtAllocator,
                      rapidjson::kWriteValidateEncodingFlag>
        writer(buffer);
    if (!writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size())))
        throw std::logic_error("an unpaired surrogate goes as a \"utf16\" value");
    m_out.write(buffer.GetString(), static_cast<std::streamsize>(buffer.GetSize()));
}

void JsonExchangeWriter::BeginDocument()
{
    BeginObject();
    Key(u"format");
    String(kExchangeFormatName);
    Key(u"version");
    Integer(kExchangeFormatVersion);
    m_folders.push_back(Folder{});
}

void JsonExchangeWriter::OpenList(bool sessions)
{
    Folder& folder = m_folders.back();
    if (sessions) {
        if (folder.inSessions)
            return;
        if (!folder.inFolders) {
            Key(u"folders");
            BeginArray();
        }
        EndArray();
        folder.inFolders = false;
        Key(u"sessions");
        BeginArray();
        folder.inSessions = true;
    } else {
        if (folder.inSessions)
            throw std::logic_error("the folders of a folder are written before its sessions");
        if (folder.inFolders)
            return;
        Key(u"folders");
        BeginArray();
        folder.inFolders = true;
    }
}

// Both lists are written, empty or not.
void JsonExchangeWriter::CloseLists()
{
    OpenList(true);
    EndArray();
    m_folders.pop_back();
}

void JsonExchangeWriter::EndDocument()
{
    CloseLists();
    EndObject();
    m_out.put('\n');
    m_out.flush();
}

void JsonExchangeWriter::BeginFolder(const ExchangeFolder& folder)
{
    OpenList(false);
    BeginObject();
    Key(u"name");
    String(folder.name.str());
    if (folder.expanded) {
        Key(u"expanded");
        Bool(*folder.expanded);
    }
    m_folders.push_back(Folder{});
}

void JsonExchangeWriter::EndFolder()
{
    CloseLists();
    EndObject();
}

void JsonExchangeWriter::Session(const ExchangeSession& session)
{
    OpenList(true);
    BeginObject();
    Key(u"name");
    String(session.name.str());
    Key(u"values");
    BeginArray();
    for (const ExchangeNamedValue& named : session.values) {
        const ExchangeValue& value = named.value;
        bool utf16 = NeedsUtf16Hex(value.text.str(), ExchangeFormat::Json);
        for (const VUnicodeString& element : value.list)
            utf16 = utf16 || NeedsUtf16Hex(element.str(), ExchangeFormat::Json);
        const auto text = [&](const VUnicodeString& t) {
            if (!utf16) {
                String(t.str());
                return;
            }
            const std::string hex = Utf16Hex(t.str());
            String(std::u16string(hex.begin(), hex.end()));
        };
        BeginObject(true);
        Key(u"name");
        String(named.name.str());
        Key(u"kind");
        const std::string kind = KindName(value.kind);
        String(std::u16string(kind.begin(), kind.end()));
        if (utf16) {
            Key(u"encoding");
            String(u"utf16");
        }
        Key(u"value");
        switch (value.kind) {
        case ValueKind::Flag: Bool(value.number != 0); break;
        case ValueKind::Number:
        case ValueKind::TriState: Integer(value.number); break;
        case ValueKind::Text:
        case ValueKind::Path:
        case ValueKind::Secret: text(value.text); break;
        case ValueKind::List:
        case ValueKind::Lines:
            BeginArray(true);
            for (const VUnicodeString& element : value.list)
                text(element);
            EndArray();
            break;
        case ValueKind::Binary: {
            const std::string hex = HexOf(value.bytes);
            String(std::u16string(hex.begin(), hex.end()));
            break;
        }
        }
        EndObject();
    }
    EndArray();
    EndObject();
}
