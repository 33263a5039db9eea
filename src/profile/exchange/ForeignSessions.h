#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/VUnicodeString.h"
#include "profile/exchange/SessionExchange.h"

// What the readers of other programs' session files find, before it
// becomes the exchange model: the few things every session manager keeps
// (folders, name, protocol, host, port, user name, description and, when
// asked, the password). Foreign files are small and several formats must
// be read whole before a session is known (registry exports, INI files,
// attributes inherited from a folder), so a reader holds its sessions.

struct ForeignSession {
    std::vector<std::u16string> folders; // below the folder imported into
    std::u16string name;
    std::u16string protocol; // the program's own word for it, as written
    std::u16string host;
    std::optional<int> port;
    std::u16string user;
    std::u16string description;
    std::optional<std::u16string> password; // plaintext; only when asked
    int line = 0;
};

struct ForeignReadOptions {
    bool withPasswords = false;
    // The key a program encrypted its file's passwords with, when the
    // user gives one (mRemoteNG's master password).
    std::optional<std::u16string> masterPassword;
};

class ForeignDocument {
public:
    explicit ForeignDocument(std::string file) : m_file(std::move(file)) {}
    const std::string& File() const { return m_file; }

    std::vector<ForeignSession> sessions;
    // Every value that was not carried over, with its place: "FILE line N:
    // session: what".
    std::vector<std::string> notes;

    void Note(int line, std::u16string_view session, const std::string& what);
    [[noreturn]] void Fail(int line, const std::string& message) const;

private:
    std::string m_file;
};

// A protocol of the protocol table for a program's word for one.
struct ForeignProtocol {
    const char16_t* terminal; // "Protocol Name"
    const char16_t* transfer; // "Transfer Protocol Name"
    bool exact;               // false: the closest we have
};
// Case ignored; an unknown word gets SSH2, not exact.
ForeignProtocol MapForeignProtocol(std::u16string_view word);

// Where a port is kept: "<protocol> Port", outside the schema.
VUnicodeString ForeignPortValueName(std::u16string_view protocol);
// The value outside the schema that keeps an imported password.
inline constexpr char16_t kImportedPasswordValue[] = u"Password V2";

// Encrypts a password into its stored "03:" form; none (with the reason)
// when it cannot.
using PasswordSealer = std::function<std::optional<VUnicodeString>(const std::u16string& plaintext, std::string& why)>;

// Hands a foreign document to an exchange visitor: its folders in the
// order first met, then their sessions. A name our tree cannot hold is
// made one ('\' and '/' become '-', control characters and blanks at the
// ends go), a name met twice in a folder becomes "name (1)" (as the database names copies); each such
// change, an unknown protocol and a password that cannot be sealed are
// noted in the document.
void WalkForeignDocument(ForeignDocument& document, IExchangeVisitor& out, const PasswordSealer& seal);

// Text helpers the readers share.
std::u16string ForeignText(std::string_view utf8, const ForeignDocument& document, int line);
// Texts of a file in messages and numbers: what is not valid becomes U+FFFD.
std::string ForeignUtf8(std::u16string_view text);
std::u16string ForeignLossy16(std::string_view utf8);
// False when the text is not UTF-8.
bool TryUtf16(std::string_view utf8, std::u16string& text);
// "%20"-style escapes, as several programs write session names.
std::string PercentDecoded(std::string_view text);
// A port from text: none when empty, ExchangeError when no port.
std::optional<int> ForeignPort(std::string_view text, const ForeignDocument& document, int line);
std::string Base64Decoded(std::string_view text, bool& ok);

// A document made once and handed on as often as asked: the importer
// reads twice (check, then write), and passwords are sealed only once.
class RecordedExchange : public IExchangeVisitor {
public:
    void BeginFolder(const ExchangeFolder& folder) override { m_events.push_back({folder, std::nullopt}); }
    void EndFolder() override { m_events.push_back({}); }
    void Session(const ExchangeSession& session) override { m_events.push_back({std::nullopt, session}); }
    void Replay(IExchangeVisitor& out) const;

private:
    struct Event {
        std::optional<ExchangeFolder> folder;
        std::optional<ExchangeSession> session;
    };
    std::vector<Event> m_events;
};
