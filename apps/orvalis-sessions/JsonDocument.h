#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

// A JSON value (RFC 8259) as the export and import documents use it.
// Strings are UTF-16, so a text that holds an unpaired surrogate survives
// a round trip (written as a \u escape); numbers keep their literal text.
class JsonValue {
public:
    struct Null {
        bool operator==(const Null&) const = default;
    };
    struct Number {
        std::string literal;
        bool operator==(const Number&) const = default;
    };
    using Array = std::vector<JsonValue>;
    using Member = std::pair<std::u16string, JsonValue>;
    using Object = std::vector<Member>; // in document order

    JsonValue() = default;
    JsonValue(bool value) : m_value(value) {}                       // NOLINT: a JSON literal
    JsonValue(Number value) : m_value(std::move(value)) {}          // NOLINT
    JsonValue(std::u16string value) : m_value(std::move(value)) {}  // NOLINT
    JsonValue(const char16_t* text) : m_value(std::u16string(text)) {} // NOLINT: never taken as a bool
    JsonValue(const char*) = delete;
    JsonValue(Array value) : m_value(std::move(value)) {}           // NOLINT
    JsonValue(Object value) : m_value(std::move(value)) {}          // NOLINT
    static JsonValue Integer(int64_t value) { return Number{std::to_string(value)}; }

    bool IsNull() const { return std::holds_alternative<Null>(m_value); }
    const bool* AsBool() const { return std::get_if<bool>(&m_value); }
    const Number* AsNumber() const { return std::get_if<Number>(&m_value); }
    const std::u16string* AsString() const { return std::get_if<std::u16string>(&m_value); }
    const Array* AsArray() const { return std::get_if<Array>(&m_value); }
    const Object* AsObject() const { return std::get_if<Object>(&m_value); }
    Array* AsArray() { return std::get_if<Array>(&m_value); }
    Object* AsObject() { return std::get_if<Object>(&m_value); }
    // A number without fraction or exponent that fits 64 bits.
    std::optional<int64_t> AsInteger() const;
    // The member of an object with that key; null when there is none.
    const JsonValue* Find(std::u16string_view key) const;

    // The line of the document the value began on (1 for a value made here).
    int Line() const { return m_line; }
    void SetLine(int line) { m_line = line; }
    // Written on one line, whatever its size.
    bool IsCompact() const { return m_compact; }
    void SetCompact(bool compact) { m_compact = compact; }

    // Equal values; lines and layout are not compared.
    bool operator==(const JsonValue& other) const { return m_value == other.m_value; }

private:
    std::variant<Null, bool, Number, std::u16string, Array, Object> m_value;
    int m_line = 1;
    bool m_compact = false;
};

// What is wrong with a document, and on which line.
struct JsonError {
    int line;
    std::string message;
    // "line N: message"
    std::string Describe() const { return "line " + std::to_string(line) + ": " + message; }
};

// Reads a whole document: UTF-8 without a byte-order mark, one value and
// nothing after it but white space. Strict: no comments, no trailing
// commas, no duplicate keys, no control characters in strings, nesting
// at most kMaximumDepth deep. Throws JsonError.
JsonValue ParseJson(std::string_view text);
inline constexpr int kJsonMaximumDepth = 200;

// Writes a document piece by piece, so that a large one never has to be
// held whole: two blanks of indent a level, one member or element a line,
// except inside compact containers, which take one line. The writer
// places commas and breaks; the caller calls in document order.
class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : m_out(out) {}
    void BeginObject(bool compact = false);
    void EndObject();
    void BeginArray(bool compact = false);
    void EndArray();
    void Key(std::u16string_view key);
    void String(std::u16string_view text);
    void Integer(int64_t value);
    void NumberLiteral(std::string_view literal);
    void Bool(bool value);
    void Null();
    // A whole value, with the layout its containers ask for.
    void Value(const JsonValue& value);
    // Ends the document with a line break.
    void Finish();

private:
    struct Level {
        bool compact;
        bool empty = true;
    };
    void BeforeValue();
    void Open(char bracket, bool compact);
    void Close(char bracket);
    void Break(size_t depth);
    void WriteString(std::u16string_view text);

    std::ostream& m_out;
    std::vector<Level> m_levels;
    bool m_afterKey = false;
};

// The whole value as a document.
std::string WriteJson(const JsonValue& value);
