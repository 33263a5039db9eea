#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/Export.h"

// A table of message texts by id: what a module's message resource is on
// the platform the library was first written for.
class IMessageTable {
public:
    virtual ~IMessageTable() = default;
    // False when the table lacks the id; the platform's last error then says
    // why (kErrorMessageNotFound, or kErrorResourceLanguageNotFound).
    virtual bool Find(uint32_t id, uint16_t language, std::u16string& text) const = 0;
};

// Language 0 means "the default language": the only one a table holds.
inline constexpr uint16_t kLanguageNeutral = 0;
inline constexpr uint16_t kLanguageEnglish = 0x0409;

// A table read from its text form, one message a line:
//     0xE1090006<TAB or blanks>text with \r \n \t \\ escapes
// Blank lines and lines beginning with '#' are ignored.
class MessageTable final : public IMessageTable {
public:
    // Nullopt on malformed text; `error` names the line and the fault.
    static std::optional<MessageTable> Parse(std::string_view text, std::string* error = nullptr);

    // The library's own table (resources/messages.txt, compiled in).
    static const MessageTable& Library();
    // The host program's table: the text returned by the function
    // `OrvalisHostMessageTable` when the host executable exports one; else null.
    static const IMessageTable* HostProgram();

    bool Find(uint32_t id, uint16_t language, std::u16string& text) const override;
    bool Contains(uint32_t id) const { return m_texts.contains(id); }
    size_t Size() const { return m_texts.size(); }
    const std::unordered_map<uint32_t, std::u16string>& Entries() const { return m_texts; }

private:
    std::unordered_map<uint32_t, std::u16string> m_texts;
};
