#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "profile/exchange/SessionExchange.h"

// The JSON encoding of the exchange model:
//   {"format": "orvalis-sessions", "version": 1,
//    "folders": [{"name": N, "expanded": B, "folders": [...], "sessions": [...]}],
//    "sessions": [{"name": N, "values": [{"name": N, "kind": K, "value": V}]}]}
// A value whose texts a document cannot carry adds "encoding": "utf16" and
// gives each text as hex of its UTF-16 code units. A folder's "name" and
// "expanded" come before its contents, so it can be handed on as soon as
// they begin.

// Reads a document from `in` with a streaming (SAX) reader, handing each
// folder and session to `visitor` as it is read. Strict JSON (UTF-8, no
// comments, nothing after the document); errors name `file` and the line.
void ReadExchangeJson(std::istream& in, const std::string& file, IExchangeVisitor& visitor);

// Writes a document piece by piece: two blanks of indent a level, each value
// of a session on one line.
class JsonExchangeWriter : public IExchangeWriter {
public:
    explicit JsonExchangeWriter(std::ostream& out) : m_out(out) {}
    void BeginDocument() override;
    void EndDocument() override;
    void BeginFolder(const ExchangeFolder& folder) override;
    void EndFolder() override;
    void Session(const ExchangeSession& session) override;

private:
    struct Level {
        bool compact;
        bool empty = true;
    };
    // The "sessions" array of the folder being written is open.
    struct Folder {
        bool inSessions = false;
        bool inFolders = false;
    };
    void BeginObject(bool compact = false);
    void EndObject();
    void BeginArray(bool compact = false);
    void EndArray();
    void Key(std::u16string_view key);
    void String(std::u16string_view text);
    void Integer(int64_t value);
    void Bool(bool value);
    void BeforeValue();
    void Open(char bracket, bool compact);
    void Close(char bracket);
    void Break(size_t depth);
    void WriteString(std::u16string_view text);
    void OpenList(bool sessions);
    void CloseLists();

    std::ostream& m_out;
    std::vector<Level> m_levels;
    std::vector<Folder> m_folders;
    bool m_afterKey = false;
};
