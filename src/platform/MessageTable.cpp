#include "platform/MessageTable.h"

#include <dlfcn.h>

#include <cstdio>

#include "core/Exceptions.h"
#include "core/HexDigit.h"
#include "core/UnicodeConversion.h"
#include "platform/PlatformError.h"

extern const unsigned char orv_message_table_text[];
extern const unsigned long orv_message_table_text_size;

namespace {

bool Fail(std::string* error, size_t line, const char* what)
{
    if (error)
        *error = "line " + std::to_string(line) + ": " + what;
    return false;
}

bool ParseLine(std::string_view line, size_t number, std::unordered_map<uint32_t, std::u16string>& out,
               std::string* error)
{
    if (line.size() < 10 || line[0] != '0' || (line[1] != 'x' && line[1] != 'X'))
        return Fail(error, number, "expected a message id of the form 0xXXXXXXXX");
    uint32_t id = 0;
    for (size_t i = 2; i < 10; ++i) {
        const int v = HexDigitValue(line[i]);
        if (v < 0)
            return Fail(error, number, "the message id needs eight hexadecimal digits");
        id = id << 4 | static_cast<uint32_t>(v);
    }
    size_t i = 10;
    if (i < line.size() && line[i] != '\t' && line[i] != ' ')
        return Fail(error, number, "expected blanks between the id and its text");
    while (i < line.size() && (line[i] == '\t' || line[i] == ' '))
        ++i;
    std::string text;
    for (; i < line.size(); ++i) {
        if (line[i] != '\\') {
            text += line[i];
            continue;
        }
        if (++i == line.size())
            return Fail(error, number, "a backslash ends the line");
        switch (line[i]) {
        case 'r': text += '\r'; break;
        case 'n': text += '\n'; break;
        case 't': text += '\t'; break;
        case '\\': text += '\\'; break;
        default: return Fail(error, number, "unknown escape (use \\r, \\n, \\t or \\\\)");
        }
    }
    std::u16string wide;
    try {
        wide = Utf8ToUtf16(text);
    } catch (const IllegalSequence&) {
        return Fail(error, number, "the text is not valid UTF-8");
    }
    if (!out.emplace(id, std::move(wide)).second)
        return Fail(error, number, "the message id is defined twice");
    return true;
}

} // namespace

std::optional<MessageTable> MessageTable::Parse(std::string_view text, std::string* error)
{
    MessageTable table;
    size_t number = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line[0] == '#')
            continue;
        if (!ParseLine(line, number, table.m_texts, error))
            return std::nullopt;
    }
    return table;
}

const MessageTable& MessageTable::Library()
{
    static const MessageTable table = [] {
        std::string error;
        auto parsed = Parse(std::string_view(reinterpret_cast<const char*>(orv_message_table_text),
                                             orv_message_table_text_size),
                            &error);
        if (!parsed) {
            // The build checks the table, so this is a corrupted binary.
            std::fprintf(stderr, "connectdialog: built-in message table: %s\n", error.c_str());
            return MessageTable();
        }
        return std::move(*parsed);
    }();
    return table;
}

const IMessageTable* MessageTable::HostProgram()
{
    static const std::optional<MessageTable> table = []() -> std::optional<MessageTable> {
        void* program = dlopen(nullptr, RTLD_NOW | RTLD_NOLOAD);
        if (!program)
            return std::nullopt;
        using Getter = const char* (*)();
        auto getter = reinterpret_cast<Getter>(dlsym(program, "OrvalisHostMessageTable"));
        dlclose(program);
        const char* text = getter ? getter() : nullptr;
        if (!text)
            return std::nullopt;
        std::string error;
        auto parsed = Parse(text, &error);
        if (!parsed)
            std::fprintf(stderr, "connectdialog: host message table ignored: %s\n", error.c_str());
        return parsed;
    }();
    return table ? &*table : nullptr;
}

bool MessageTable::Find(uint32_t id, uint16_t language, std::u16string& text) const
{
    if (language != kLanguageNeutral && (language & 0x3FF) != (kLanguageEnglish & 0x3FF)) {
        SetPlatformLastError(kErrorResourceLanguageNotFound);
        return false;
    }
    const auto it = m_texts.find(id);
    if (it == m_texts.end()) {
        SetPlatformLastError(kErrorMessageNotFound);
        return false;
    }
    text = it->second;
    return true;
}
