#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/VUnicodeString.h"
#include "profile/exchange/SessionValues.h"

// The exchange model: folders (their order and expanded state) and
// sessions (every value with its kind, secrets in their stored "03:" form),
// as the export and import of both front ends carry them, whatever the
// encoding. Documents are walked, never held: a reader hands each folder
// and session to a visitor as it meets them, and a writer is a visitor.

// One value of a session in a document.
struct ExchangeNamedValue {
    VUnicodeString name;
    ExchangeValue value;
    int line = 0; // where the document gave it; 0 when made here
};

struct ExchangeSession {
    VUnicodeString name;
    std::vector<ExchangeNamedValue> values;
    int line = 0;
};

struct ExchangeFolder {
    VUnicodeString name;
    std::optional<bool> expanded;
    int line = 0;
};

// Receives a document's items in document order: a folder's contents come
// between its BeginFolder and EndFolder.
class IExchangeVisitor {
public:
    virtual ~IExchangeVisitor() = default;
    virtual void BeginFolder(const ExchangeFolder& folder) = 0;
    virtual void EndFolder() = 0;
    virtual void Session(const ExchangeSession& session) = 0;
};

// Runs `read` on a thread of its own, a bounded number of items ahead of
// `out`, which gets them on the calling thread in document order: parsing
// goes on while the caller works. What `read` throws is thrown here after
// the items read before it; what `out` throws stops the reading. For
// readers that touch nothing but their own input.
void ReadAhead(const std::function<void(IExchangeVisitor&)>& read, IExchangeVisitor& out);

// A writer of one encoding: a visitor that also opens and closes the document.
class IExchangeWriter : public IExchangeVisitor {
public:
    virtual void BeginDocument() = 0;
    virtual void EndDocument() = 0;
};

// What is wrong with a document or its import, and where: "FILE line N:
// message" (without the line when it is 0).
class ExchangeError : public std::runtime_error {
public:
    ExchangeError(const std::string& file, int line, const std::string& message);
    int Line() const { return m_line; }
    const std::string& Message() const { return m_message; }

private:
    int m_line;
    std::string m_message;
};

// The two encodings.
enum class ExchangeFormat { Json, Xml };

// The name and version both encodings carry, so a foreign document is
// known as such.
inline constexpr char16_t kExchangeFormatName[] = u"orvalis-sessions";
inline constexpr int kExchangeFormatVersion = 1;
// Nesting past this is refused: a document is never a reason to run out of
// stack.
inline constexpr int kExchangeMaximumDepth = 200;

// Whether a text holds code units that a document cannot carry as text
// (XML: control characters other than tab, line feed and carriage return,
// and U+FFFE/U+FFFF; both: unpaired surrogates). Such values are written as
// hex of their UTF-16 code units.
bool NeedsUtf16Hex(std::u16string_view text, ExchangeFormat format);
std::string Utf16Hex(std::u16string_view text);
// False for an odd count of code units or a non-hex digit.
bool TextOfUtf16Hex(std::u16string_view hex, std::u16string& text);

// A reader's text as UTF-16; ASCII is widened as it is. IllegalSequence
// for what is not UTF-8.
std::u16string ExchangeTextOf(std::string_view utf8);

// The checks every reader makes on what it hands on; ExchangeError when one fails.
class ExchangeChecks {
public:
    explicit ExchangeChecks(std::string file) : m_file(std::move(file)) {}
    [[noreturn]] void Fail(int line, const std::string& message) const;
    // A valid session or folder name, named once in its folder.
    void CheckItemName(const VUnicodeString& name, int line);
    void EnterFolder();
    void LeaveFolder();
    // Values named once in a session.
    void CheckValueNames(const ExchangeSession& session) const;
    const std::string& File() const { return m_file; }

private:
    std::string m_file;
    // The names met so far in each open folder, with their lines.
    std::vector<std::unordered_map<std::u16string, int>> m_names{1};
};
