#include "JsonDocument.h"

#include <charconv>
#include <sstream>

#include "core/Exceptions.h"
#include "core/UnicodeConversion.h"

namespace {

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

class Parser {
public:
    explicit Parser(std::string_view text) : m_text(text) {}

    JsonValue Document()
    {
        if (m_text.starts_with("\xEF\xBB\xBF"))
            Fail("the document begins with a byte-order mark");
        SkipBlanks();
        if (AtEnd())
            Fail("the document is empty");
        JsonValue value = Value(0);
        SkipBlanks();
        if (!AtEnd())
            Fail("text after the end of the document");
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& message) const { throw JsonError{m_line, message}; }

    bool AtEnd() const { return m_at >= m_text.size(); }
    char Peek() const { return m_text[m_at]; }

    std::string Describe(char c) const
    {
        if (c >= 0x21 && c < 0x7F)
            return std::string("'") + c + "'";
        char code[8];
        const auto [end, error] = std::to_chars(code, code + sizeof code, static_cast<unsigned char>(c), 16);
        (void)error;
        return "the byte 0x" + std::string(code, end);
    }

    void SkipBlanks()
    {
        while (!AtEnd()) {
            const char c = Peek();
            if (c == '\n')
                ++m_line;
            else if (c != ' ' && c != '\t' && c != '\r')
                return;
            ++m_at;
        }
    }

    void Expect(char c, const char* what)
    {
        SkipBlanks();
        if (AtEnd())
            Fail(std::string("the document ends where ") + what + " was expected");
        if (Peek() != c)
            Fail(std::string("expected ") + what + ", found " + Describe(Peek()));
        ++m_at;
    }

    void Literal(std::string_view word)
    {
        if (m_text.substr(m_at, word.size()) != word)
            Fail("expected a value, found " + Describe(Peek()));
        m_at += word.size();
    }

    JsonValue Value(int depth)
    {
        SkipBlanks();
        if (AtEnd())
            Fail("the document ends where a value was expected");
        const int line = m_line;
        JsonValue value;
        switch (Peek()) {
        case '{': value = ObjectValue(depth); break;
        case '[': value = ArrayValue(depth); break;
        case '"': value = StringValue(); break;
        case 't': Literal("true"), value = JsonValue(true); break;
        case 'f': Literal("false"), value = JsonValue(false); break;
        case 'n': Literal("null"), value = JsonValue(); break;
        default:
            if (Peek() == '-' || (Peek() >= '0' && Peek() <= '9'))
                value = NumberValue();
            else
                Fail("expected a value, found " + Describe(Peek()));
        }
        value.SetLine(line);
        return value;
    }

    JsonValue ObjectValue(int depth)
    {
        if (depth >= kJsonMaximumDepth)
            Fail("the document nests deeper than " + std::to_string(kJsonMaximumDepth) + " levels");
        ++m_at; // '{'
        JsonValue::Object members;
        SkipBlanks();
        if (!AtEnd() && Peek() == '}') {
            ++m_at;
            return members;
        }
        for (;;) {
            SkipBlanks();
            if (AtEnd() || Peek() != '"')
                Fail(AtEnd() ? "the document ends inside an object" : "expected a key, found " + Describe(Peek()));
            const int keyLine = m_line;
            std::u16string key = StringValue();
            for (const JsonValue::Member& member : members)
                if (member.first == key)
                    throw JsonError{keyLine, "the key \"" + Printable(key) + "\" is given twice"};
            Expect(':', "':'");
            JsonValue value = Value(depth + 1);
            members.emplace_back(std::move(key), std::move(value));
            SkipBlanks();
            if (AtEnd())
                Fail("the document ends inside an object");
            if (Peek() == '}') {
                ++m_at;
                return members;
            }
            if (Peek() != ',')
                Fail("expected ',' or '}', found " + Describe(Peek()));
            ++m_at;
        }
    }

    JsonValue ArrayValue(int depth)
    {
        if (depth >= kJsonMaximumDepth)
            Fail("the document nests deeper than " + std::to_string(kJsonMaximumDepth) + " levels");
        ++m_at; // '['
        JsonValue::Array elements;
        SkipBlanks();
        if (!AtEnd() && Peek() == ']') {
            ++m_at;
            return elements;
        }
        for (;;) {
            elements.push_back(Value(depth + 1));
            SkipBlanks();
            if (AtEnd())
                Fail("the document ends inside an array");
            if (Peek() == ']') {
                ++m_at;
                return elements;
            }
            if (Peek() != ',')
                Fail("expected ',' or ']', found " + Describe(Peek()));
            ++m_at;
        }
    }

    static std::string Printable(std::u16string_view text)
    {
        std::string out;
        for (char16_t c : text)
            out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
        return out;
    }

    unsigned HexUnit()
    {
        unsigned unit = 0;
        for (int i = 0; i < 4; ++i, ++m_at) {
            if (AtEnd())
                Fail("the document ends inside a \\u escape");
            const char c = Peek();
            unit <<= 4;
            if (c >= '0' && c <= '9')
                unit |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                unit |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                unit |= static_cast<unsigned>(c - 'A' + 10);
            else
                Fail("a \\u escape takes four hex digits, found " + Describe(c));
        }
        return unit;
    }

    // Plain text between escapes, checked and turned into UTF-16.
    void Flush(std::u16string& out, size_t from)
    {
        if (from == m_at)
            return;
        try {
            out += Utf8ToUtf16(m_text.substr(from, m_at - from));
        } catch (const IllegalSequence&) {
            Fail("a string is not valid UTF-8");
        }
    }

    std::u16string StringValue()
    {
        ++m_at; // '"'
        std::u16string out;
        size_t run = m_at;
        for (;;) {
            if (AtEnd())
                Fail("the document ends inside a string");
            const char c = Peek();
            if (c == '"') {
                Flush(out, run);
                ++m_at;
                return out;
            }
            if (static_cast<unsigned char>(c) < 0x20)
                Fail(c == '\n' ? "a string runs past the end of its line" : "a control character in a string");
            if (c != '\\') {
                ++m_at;
                continue;
            }
            Flush(out, run);
            ++m_at;
            if (AtEnd())
                Fail("the document ends inside a string");
            const char escape = Peek();
            ++m_at;
            switch (escape) {
            case '"': out += u'"'; break;
            case '\\': out += u'\\'; break;
            case '/': out += u'/'; break;
            case 'b': out += u'\b'; break;
            case 'f': out += u'\f'; break;
            case 'n': out += u'\n'; break;
            case 'r': out += u'\r'; break;
            case 't': out += u'\t'; break;
            case 'u': out += static_cast<char16_t>(HexUnit()); break;
            default: Fail("unknown escape \\" + std::string(1, escape >= 0x21 && escape < 0x7F ? escape : '?'));
            }
            run = m_at;
        }
    }

    JsonValue NumberValue()
    {
        const size_t from = m_at;
        const auto digits = [this] {
            const size_t start = m_at;
            while (!AtEnd() && Peek() >= '0' && Peek() <= '9')
                ++m_at;
            return m_at - start;
        };
        if (Peek() == '-')
            ++m_at;
        if (!AtEnd() && Peek() == '0') {
            ++m_at;
            if (!AtEnd() && Peek() >= '0' && Peek() <= '9')
                Fail("a number begins with a needless 0");
        } else if (digits() == 0) {
            Fail("a number needs a digit after its sign");
        }
        if (!AtEnd() && Peek() == '.') {
            ++m_at;
            if (digits() == 0)
                Fail("a number needs a digit after its decimal point");
        }
        if (!AtEnd() && (Peek() == 'e' || Peek() == 'E')) {
            ++m_at;
            if (!AtEnd() && (Peek() == '+' || Peek() == '-'))
                ++m_at;
            if (digits() == 0)
                Fail("a number needs a digit in its exponent");
        }
        return JsonValue::Number{std::string(m_text.substr(from, m_at - from))};
    }

    std::string_view m_text;
    size_t m_at = 0;
    int m_line = 1;
};

} // namespace

std::optional<int64_t> JsonValue::AsInteger() const
{
    const Number* number = AsNumber();
    if (!number)
        return std::nullopt;
    int64_t value = 0;
    const std::string& literal = number->literal;
    const char* end = literal.data() + literal.size();
    const auto [at, error] = std::from_chars(literal.data(), end, value);
    if (error != std::errc() || at != end)
        return std::nullopt;
    return value;
}

const JsonValue* JsonValue::Find(std::u16string_view key) const
{
    if (const Object* members = AsObject())
        for (const Member& member : *members)
            if (member.first == key)
                return &member.second;
    return nullptr;
}

JsonValue ParseJson(std::string_view text)
{
    return Parser(text).Document();
}

// --- Writing

void JsonWriter::Break(size_t depth)
{
    m_out.put('\n');
    for (size_t i = 0; i < depth; ++i)
        m_out.write("  ", 2);
}

void JsonWriter::BeforeValue()
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

void JsonWriter::Open(char bracket, bool compact)
{
    BeforeValue();
    m_out.put(bracket);
    // Inside a compact container everything is compact.
    m_levels.push_back(Level{compact || (!m_levels.empty() && m_levels.back().compact)});
}

void JsonWriter::Close(char bracket)
{
    const Level level = m_levels.back();
    m_levels.pop_back();
    if (!level.empty && !level.compact)
        Break(m_levels.size());
    m_out.put(bracket);
}

void JsonWriter::BeginObject(bool compact)
{
    Open('{', compact);
}

void JsonWriter::EndObject()
{
    Close('}');
}

void JsonWriter::BeginArray(bool compact)
{
    Open('[', compact);
}

void JsonWriter::EndArray()
{
    Close(']');
}

void JsonWriter::Key(std::u16string_view key)
{
    BeforeValue();
    WriteString(key);
    m_out.write(": ", 2);
    m_afterKey = true;
}

void JsonWriter::String(std::u16string_view text)
{
    BeforeValue();
    WriteString(text);
}

void JsonWriter::Integer(int64_t value)
{
    NumberLiteral(std::to_string(value));
}

void JsonWriter::NumberLiteral(std::string_view literal)
{
    BeforeValue();
    m_out.write(literal.data(), static_cast<std::streamsize>(literal.size()));
}

void JsonWriter::Bool(bool value)
{
    BeforeValue();
    m_out << (value ? "true" : "false");
}

void JsonWriter::Null()
{
    BeforeValue();
    m_out << "null";
}

void JsonWriter::Finish()
{
    m_out.put('\n');
}

void JsonWriter::WriteString(std::u16string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    const auto escapeUnit = [this](char16_t c) {
        const char escaped[] = {'\\', 'u', kHex[(c >> 12) & 0xF], kHex[(c >> 8) & 0xF], kHex[(c >> 4) & 0xF],
                                kHex[c & 0xF]};
        m_out.write(escaped, sizeof escaped);
    };
    m_out.put('"');
    size_t run = 0; // the start of text written as it is, in UTF-8
    const auto flush = [&](size_t end) {
        if (end > run) {
            const std::string utf8 = Utf16ToUtf8(text.substr(run, end - run));
            m_out.write(utf8.data(), static_cast<std::streamsize>(utf8.size()));
        }
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            ++i;
            continue;
        }
        const char* escape = nullptr;
        switch (c) {
        case u'"': escape = "\\\""; break;
        case u'\\': escape = "\\\\"; break;
        case u'\n': escape = "\\n"; break;
        case u'\r': escape = "\\r"; break;
        case u'\t': escape = "\\t"; break;
        case u'\b': escape = "\\b"; break;
        case u'\f': escape = "\\f"; break;
        default: break;
        }
        const bool unpaired = IsHighSurrogate(c) || IsLowSurrogate(c);
        if (!escape && !unpaired && c >= 0x20)
            continue;
        flush(i);
        if (escape)
            m_out << escape;
        else
            escapeUnit(c);
        run = i + 1;
    }
    flush(text.size());
    m_out.put('"');
}

void JsonWriter::Value(const JsonValue& value)
{
    if (const auto* b = value.AsBool()) {
        Bool(*b);
    } else if (const auto* number = value.AsNumber()) {
        NumberLiteral(number->literal);
    } else if (const auto* text = value.AsString()) {
        String(*text);
    } else if (const auto* elements = value.AsArray()) {
        BeginArray(value.IsCompact());
        for (const JsonValue& element : *elements)
            Value(element);
        EndArray();
    } else if (const auto* members = value.AsObject()) {
        BeginObject(value.IsCompact());
        for (const JsonValue::Member& member : *members) {
            Key(member.first);
            Value(member.second);
        }
        EndObject();
    } else {
        Null();
    }
}

std::string WriteJson(const JsonValue& value)
{
    std::ostringstream out;
    JsonWriter writer(out);
    writer.Value(value);
    writer.Finish();
    return out.str();
}
