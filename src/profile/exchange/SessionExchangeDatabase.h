#pragma once

#include <functional>
#include <set>
#include <string>

#include "core/VStringArray.h"
#include "profile/exchange/SessionExchange.h"

class SessionDatabase;

// Export: walks the session database and hands its folders and sessions
// to a visitor (a writer), in the stored (manual) order. Every value of a
// session goes with its kind: the schema's settings, the login script,
// then the values the schema does not know, as stored.
class SessionExchangeExport {
public:
    explicit SessionExchangeExport(SessionDatabase& database) : m_database(database) {}
    // Called after each session handed on (for progress).
    std::function<void()> onSession;

    // The contents of `folder` become the document's top level.
    void FolderContents(const VUnicodeString& folder, IExchangeVisitor& out);
    // The selected items, whole folders with everything below them,
    // relative to the deepest folder that holds them all: a session
    // selected in a subfolder of it goes inside that subfolder (which
    // then holds only what was selected). An item below a selected
    // folder goes with that folder, once.
    void Items(const VStringArray& paths, IExchangeVisitor& out);
    // How many sessions Items or FolderContents will hand on.
    size_t CountSessions(const VUnicodeString& folder);
    size_t CountItems(const VStringArray& paths);

    ExchangeSession SessionOf(const VUnicodeString& path, const VUnicodeString& name);

private:
    struct Selection {
        std::set<std::u16string> items;   // the selected paths, none below another
        std::set<std::u16string> holders; // the folders above them
    };
    void Folder(const VUnicodeString& path, const VUnicodeString& name, IExchangeVisitor& out);
    void Selected(const VUnicodeString& folder, const Selection& chosen, IExchangeVisitor& out);

    SessionDatabase& m_database;
};

// What an import did with each session of the document.
struct SessionImportItem {
    VUnicodeString path;
    bool added; // false: a session of that path existed and was left alone
};

// Import: reads a document into a folder of the database. The document is
// read twice, by `read` (which hands it to the visitor it is given, from
// the start each time): first everything is checked, against the format
// and against the database (values against the schema, names taken by an
// item of the other kind), then it is written, session by session, in one
// transaction. A document that fails its check writes nothing. Existing
// sessions are skipped. Throws ExchangeError naming `file` and the line.
class SessionExchangeImport {
public:
    SessionExchangeImport(SessionDatabase& database, VUnicodeString folder, std::string file)
        : m_database(database), m_folder(std::move(folder)), m_file(std::move(file))
    {
    }
    // After the check: how many sessions the document holds.
    std::function<void(size_t sessions)> onChecked;
    // After each session of the document, in document order.
    std::function<void(const SessionImportItem&)> onSession;
    // A value a policy held back (the session is imported without it).
    std::function<void(const std::string& text)> onRefusal;

    void Run(const std::function<void(IExchangeVisitor&)>& read);

private:
    SessionDatabase& m_database;
    VUnicodeString m_folder;
    std::string m_file;
};
