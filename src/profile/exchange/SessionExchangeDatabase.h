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

// What an import does with a session whose path is taken.
enum class ImportConflict {
    Skip,    // the existing session stays, the document's is left out
    Rename,  // the document's is added as "name (n)"
    Replace, // the existing session is deleted and the document's added
};

// What an import did with each session of the document.
struct SessionImportItem {
    enum class Outcome { Added, Skipped, Renamed, Replaced };
    VUnicodeString path; // where the document put it; for Renamed, where it went
    bool added;          // false: a session of that path existed and was left alone
    Outcome outcome = Outcome::Added;
    VUnicodeString wanted; // for Renamed: the path the document asked for
};

// Import: reads a document into a folder of the database. The document is
// read twice, by `read` (which hands it to the visitor it is given, from
// the start each time): first everything is checked, against the format
// and against the database (values against the schema, names taken by an
// item of the other kind), then it is written, session by session, in one
// transaction. A document that fails its check writes nothing. Existing
// sessions are skipped, renamed or replaced as `conflict` says. A dry run
// makes every write and undoes them at the end: what it reports is what
// the import would do. Throws ExchangeError naming `file` and the line.
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
    ImportConflict conflict = ImportConflict::Skip;
    bool dryRun = false;
    // The reader touches nothing but its own input: it may run on a thread
    // of its own, parsing ahead of the checks and the writes.
    bool readAhead = false;

    void Run(const std::function<void(IExchangeVisitor&)>& read);

private:
    SessionDatabase& m_database;
    VUnicodeString m_folder;
    std::string m_file;
};
