#include "profile/store/SqliteProfileBackend.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <stdio.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

#include "core/UnicodeConversion.h"
#include "platform/BaseFolders.h"
#include "profile/store/PostgresProfileBackend.h"
#include "profile/store/ProfileKeyPath.h"
#include "profile/reports/ReportRouting.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

constexpr int64_t kRootId = 1;
constexpr int kBusyTimeoutMs = 15000;

// "ORVL": the file is ours whatever its name.
constexpr int64_t kApplicationId = 0x4F52564C;
constexpr int kSchemaVersion = 3;

// Value kinds keep the registry's type numbers.
enum Kind : int { kString = 1, kBinary = 3, kDword = 4, kMultiString = 7 };

constexpr uint32_t kMsgDatabaseMovedAside = 0xE1620030;
constexpr uint32_t kMsgDatabaseCannotOpen = 0xE1620031;
constexpr uint32_t kMsgDatabaseBusy = 0xE1620032;
constexpr uint32_t kMsgDatabaseNotSaved = 0xE1620033;

// Listing a key's children reads one index, names and kinds included.
// Names are UTF-8 text; a value name is kept once in `names` and each value
// row refers to it by number (its own spelling only when it differs in
// case from the first one written). Strings are text, or UTF-16 in a blob
// when they hold a unit that is no character.
const char* const kSchemaTables = R"(
CREATE TABLE keys(
  id INTEGER PRIMARY KEY,
  parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,
  name TEXT NOT NULL,
  folded TEXT NOT NULL,
  hasvals INTEGER NOT NULL DEFAULT 0,
  stamp INTEGER NOT NULL DEFAULT 0,
  UNIQUE(parent, folded));
CREATE INDEX keys_listed ON keys(parent, folded, name, hasvals);
CREATE TABLE names(
  id INTEGER PRIMARY KEY,
  folded TEXT NOT NULL UNIQUE,
  name TEXT NOT NULL);
CREATE TABLE vals(
  key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
  name INTEGER NOT NULL REFERENCES names(id),
  kind INTEGER NOT NULL,
  data,
  spelling TEXT,
  PRIMARY KEY(key, name)) WITHOUT ROWID;
)";
// A key's stamp counts the changes of its set of children (and of which
// of them hold values), so that folder order lists are looked over again
// only after such a change, whoever made it.
const char* const kChildStamps = R"(
CREATE TRIGGER keys_added AFTER INSERT ON keys BEGIN
  UPDATE keys SET stamp=stamp+1 WHERE id=NEW.parent; END;
CREATE TRIGGER keys_removed AFTER DELETE ON keys BEGIN
  UPDATE keys SET stamp=stamp+1 WHERE id=OLD.parent; END;
CREATE TRIGGER keys_moved AFTER UPDATE OF parent, name ON keys BEGIN
  UPDATE keys SET stamp=stamp+1 WHERE id IN (OLD.parent, NEW.parent); END;
CREATE TRIGGER keys_marked AFTER UPDATE OF hasvals ON keys WHEN OLD.hasvals<>NEW.hasvals BEGIN
  UPDATE keys SET stamp=stamp+1 WHERE id=NEW.parent; END;
)";
// Version 2 lacked the stamps only.
const char* const kFromVersion2 = "ALTER TABLE keys ADD COLUMN stamp INTEGER NOT NULL DEFAULT 0;";
const char* const kSchemaMarks = "PRAGMA application_id=1330796108; PRAGMA user_version=3;";
static_assert(kApplicationId == 1330796108);

bool IsDamage(int code)
{
    code &= 0xFF;
    return code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
}

// Whether every surrogate is paired, so that the text survives UTF-8.
bool IsWellFormed(std::u16string_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                return false;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

std::u16string_view ColumnText(sqlite3_stmt* statement, int column)
{
    const void* data = sqlite3_column_text16(statement, column);
    const int bytes = sqlite3_column_bytes16(statement, column);
    return data ? std::u16string_view(static_cast<const char16_t*>(data), static_cast<size_t>(bytes) / 2)
                : std::u16string_view();
}

void BindText(sqlite3_stmt* statement, int index, std::u16string_view text)
{
    sqlite3_bind_text16(statement, index, text.data(), static_cast<int>(text.size() * 2), SQLITE_TRANSIENT);
}

// A string array as (32-bit length, units) pairs: any unit may occur.
std::string EncodeArray(const VStringArray& array)
{
    std::string out;
    for (const VUnicodeString& s : array) {
        const uint32_t n = static_cast<uint32_t>(s.Length());
        out.append(reinterpret_cast<const char*>(&n), 4);
        out.append(reinterpret_cast<const char*>(s.c_str()), n * 2);
    }
    return out;
}

bool DecodeArray(const void* data, size_t size, VStringArray& out)
{
    // Counted first, so that a list of thousands of names grows once.
    size_t count = 0;
    for (size_t at = 0; at + 4 <= size; ++count) {
        uint32_t n = 0;
        std::memcpy(&n, static_cast<const char*>(data) + at, 4);
        at += 4 + static_cast<size_t>(n) * 2;
    }
    VStringArray array;
    array.Reserve(count);
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        uint32_t n = 0;
        if (size < 4)
            return false;
        std::memcpy(&n, p, 4);
        p += 4, size -= 4;
        if (n > size / 2)
            return false;
        std::u16string s(n, u'\0');
        std::memcpy(s.data(), p, n * 2);
        p += n * 2, size -= n * 2;
        array.Add(VUnicodeString(std::move(s)));
    }
    out = std::move(array);
    return true;
}

std::string Narrow(const VUnicodeString& s)
{
    try {
        return s.ToUtf8();
    } catch (const std::exception&) {
        return "?";
    }
}

VUnicodeString Wide(const std::string& s)
{
    try {
        return VUnicodeString::FromUtf8(s);
    } catch (const std::exception&) {
        return u"?";
    }
}

void RouteDatabaseReport(uint32_t id, const std::string& path, const std::string& detail, const std::string& moved)
{
    auto* report = VReportMessageParams::Create(id);
    report->AddParameter(Wide(path));
    report->AddParameter(Wide(detail));
    if (!moved.empty())
        report->AddParameter(Wide(moved));
    RouteReport(report);
}

bool EnsureFolder(const std::string& file)
{
    const size_t slash = file.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return true;
    const std::string folder = file.substr(0, slash);
    struct stat st {};
    if (stat(folder.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    if (!EnsureFolder(folder))
        return false;
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

} // namespace

// The connection, its cached statements and the transaction of the
// outermost store.
class SqliteProfileFactory::Database {
public:
    explicit Database(std::string path) : m_path(std::move(path))
    {
        if (Open())
            NoteOpen();
    }
    ~Database()
    {
        Close();
        EndOpenMark();
    }

    const std::string& Path() const { return m_path; }
    bool IsOpen() const { return m_db != nullptr; }
    bool InTransaction() const { return m_depth > 0 && m_began; }
    uint64_t Generation() const { return m_generation; }
    uint64_t StatementsRun() const { return m_statementsRun; }

    // Grows whenever a key's values may have changed, so that every other
    // handle on the same key drops what it cached; a delete may take any
    // key's values with it.
    uint64_t ValuesVersion(int64_t id) const
    {
        const auto it = m_valueVersions.find(id);
        return m_deletes + (it == m_valueVersions.end() ? 0 : it->second);
    }
    void ValuesChanged(int64_t id) { ++m_valueVersions[id]; }
    void KeysDeleted()
    {
        ++m_deletes;
        m_children.clear();
    }

    // A store that could not open the file tries again: a file that was
    // busy or missing a moment ago may be there now.
    bool Reopen()
    {
        if (IsOpen())
            return true;
        if (!Open())
            return false;
        NoteOpen();
        return true;
    }
    bool CheckedAtOpen() const { return m_checkedAtOpen; }

    // The outermost store reads in a deferred transaction: over WAL it sees
    // one snapshot and never waits for a writer.
    bool BeginStore()
    {
        if (m_depth++ > 0)
            return m_began;
        if (!m_db)
            return false;
        ++m_generation;
        m_valueVersions.clear();
        m_children.clear();
        m_writing = m_abandoned = m_refused = m_damaged = false;
        m_began = Exec("BEGIN");
        if (!m_began)
            RouteDatabaseReport(kMsgDatabaseCannotOpen, m_path, sqlite3_errmsg(m_db), {});
        return m_began;
    }
    void EndStore()
    {
        if (--m_depth > 0 || !m_db || !m_began)
            return;
        m_began = false;
        m_children.clear();
        const bool writing = m_writing;
        m_writing = false;
        if (m_abandoned || m_refused || m_damaged) {
            Exec("ROLLBACK");
            ForgetNamesMadeSinceCommit();
        } else if (!Exec("COMMIT")) {
            if (writing)
                RouteDatabaseReport(kMsgDatabaseNotSaved, m_path, sqlite3_errmsg(m_db), {});
            Exec("ROLLBACK");
            ForgetNamesMadeSinceCommit();
        } else {
            m_namesMade.clear();
        }
        ++m_generation; // other processes may have written since
        if (m_damaged)
            CheckAfterDamage();
    }
    void Abandon()
    {
        if (m_depth > 0)
            m_abandoned = true;
    }

    // Called before every write: the read transaction becomes the writer.
    // When the other application holds the lock, or wrote since this
    // snapshot was taken, the transaction starts again as a writer and waits
    // for the lock up to the busy timeout; past it the store is refused
    // (nothing it wrote stays) and a report says so.
    bool BeginWrite()
    {
        if (m_writing || (m_depth == 0 && m_db))
            return true; // a key kept past its store writes on its own
        if (!m_began || m_refused || m_abandoned)
            return false;
        int rc = SQLITE_OK;
        {
            Use take(*this, "UPDATE keys SET hasvals=hasvals WHERE id=0");
            rc = take.StepCode();
        }
        if (rc == SQLITE_DONE) {
            m_writing = true;
            return true;
        }
        if ((rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED) {
            Exec("ROLLBACK");
            ForgetNamesMadeSinceCommit();
            ++m_generation;
            m_valueVersions.clear();
            m_children.clear();
            if (Exec("BEGIN IMMEDIATE")) {
                m_writing = true;
                return true;
            }
        }
        m_refused = true;
        RouteDatabaseReport(kMsgDatabaseBusy, m_path, sqlite3_errmsg(m_db), {});
        if (!sqlite3_get_autocommit(m_db) || Exec("BEGIN")) // the store goes on reading
            return false;
        m_began = false;
        return false;
    }

    // A cached statement, reset and cleared when the use ends.
    class Use {
    public:
        Use(Database& db, const char* sql) : m_db(db), m_statement(db.Prepare(sql)) { ++db.m_statementsRun; }
        ~Use()
        {
            if (m_statement) {
                sqlite3_reset(m_statement);
                sqlite3_clear_bindings(m_statement);
            }
        }
        explicit operator bool() const { return m_statement != nullptr; }
        sqlite3_stmt* operator*() const { return m_statement; }
        int StepCode()
        {
            if (!m_statement)
                return SQLITE_ERROR;
            const int rc = sqlite3_step(m_statement);
            if (IsDamage(rc))
                m_db.m_damaged = true;
            return rc;
        }
        bool Step() { return StepCode() == SQLITE_ROW; }
        bool Run() { return StepCode() == SQLITE_DONE; }

    private:
        Database& m_db;
        sqlite3_stmt* m_statement;
    };

    // A statement made from text built at run time, kept by that text (a
    // walk over every folder runs the same few of them).
    class Query {
    public:
        Query(Database& db, const std::string& sql) : m_statement(db.PrepareText(sql)) { ++db.m_statementsRun; }
        ~Query()
        {
            if (m_statement) {
                sqlite3_reset(m_statement);
                sqlite3_clear_bindings(m_statement);
            }
        }
        sqlite3_stmt* operator*() const { return m_statement; }

    private:
        sqlite3_stmt* m_statement;
    };
    sqlite3_stmt* PrepareText(const std::string& sql)
    {
        if (!m_db)
            return nullptr;
        if (const auto it = m_texts.find(sql); it != m_texts.end())
            return it->second;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(m_db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK)
            return nullptr;
        if (m_texts.size() >= 32) { // a few kinds are in use at a time
            for (auto& [text, kept] : m_texts)
                sqlite3_finalize(kept);
            m_texts.clear();
        }
        m_texts.emplace(sql, statement);
        return statement;
    }

    // Within a transaction the tree cannot change under this process, so
    // the keys it has looked up are kept until it changes them itself: a
    // walk over many folders resolves each path level once.
    std::optional<int64_t> Child(int64_t parent, std::u16string_view name)
    {
        ChildKey key{parent, VUnicodeString::FoldCase(name)};
        const bool keep = m_depth > 0 && m_began;
        if (keep)
            if (const auto it = m_children.find(key); it != m_children.end())
                return it->second;
        Use q(*this, "SELECT id FROM keys WHERE parent=?1 AND folded=?2");
        if (!q)
            return std::nullopt;
        sqlite3_bind_int64(*q, 1, parent);
        BindText(*q, 2, key.folded);
        if (!q.Step())
            return std::nullopt;
        const int64_t id = sqlite3_column_int64(*q, 0);
        if (keep)
            m_children.emplace(std::move(key), id);
        return id;
    }
    void KeysMoved() { m_children.clear(); }
    std::optional<int64_t> AddChild(int64_t parent, std::u16string_view name)
    {
        if (!BeginWrite())
            return std::nullopt;
        Use q(*this, "INSERT INTO keys(parent, name, folded) VALUES(?1, ?2, ?3)");
        if (!q)
            return std::nullopt;
        sqlite3_bind_int64(*q, 1, parent);
        BindText(*q, 2, name);
        BindText(*q, 3, VUnicodeString::FoldCase(name));
        if (!q.Run())
            return std::nullopt;
        const int64_t id = sqlite3_last_insert_rowid(m_db);
        if (m_depth > 0 && m_began)
            m_children.emplace(ChildKey{parent, VUnicodeString::FoldCase(name)}, id);
        return id;
    }
    std::optional<int64_t> Resolve(int64_t from, std::u16string_view path, bool create)
    {
        int64_t id = from;
        for (std::u16string_view part : SplitKeyPath(path)) {
            std::optional<int64_t> next = Child(id, part);
            if (!next && create)
                next = AddChild(id, part);
            if (!next)
                return std::nullopt;
            id = *next;
        }
        return id;
    }
    bool KeyRowExists(int64_t id)
    {
        Use q(*this, "SELECT 1 FROM keys WHERE id=?1");
        if (!q)
            return false;
        sqlite3_bind_int64(*q, 1, id);
        return q.Step();
    }
    // Whether `id` is `ancestor` or lies below it.
    bool IsAtOrBelow(int64_t id, int64_t ancestor)
    {
        for (int guard = 0; guard < 10000; ++guard) {
            if (id == ancestor)
                return true;
            Use q(*this, "SELECT parent FROM keys WHERE id=?1");
            if (!q)
                return false;
            sqlite3_bind_int64(*q, 1, id);
            if (!q.Step() || sqlite3_column_type(*q, 0) == SQLITE_NULL)
                return false;
            id = sqlite3_column_int64(*q, 0);
        }
        return true;
    }

    // A value name's number, and the spelling it was first written with.
    struct Name {
        int64_t id = 0;
        std::u16string folded;
        std::u16string spelling;
    };
    const Name* NameOf(std::u16string_view name, bool create)
    {
        if (const auto it = m_namesByFolded.find(name); it != m_namesByFolded.end())
            return &m_names.at(it->second);
        std::u16string folded = VUnicodeString::FoldCase(name);
        {
            Use q(*this, "SELECT id, name FROM names WHERE folded=?1");
            if (!q)
                return nullptr;
            BindText(*q, 1, folded);
            if (q.Step())
                return &Remember(sqlite3_column_int64(*q, 0), std::move(folded), ColumnText(*q, 1));
        }
        if (!create || !BeginWrite())
            return nullptr;
        Use add(*this, "INSERT INTO names(folded, name) VALUES(?1, ?2)");
        if (!add)
            return nullptr;
        BindText(*add, 1, folded);
        BindText(*add, 2, name);
        if (!add.Run())
            return nullptr;
        const int64_t id = sqlite3_last_insert_rowid(m_db);
        m_namesMade.push_back(id);
        return &Remember(id, std::move(folded), name);
    }
    const Name* NameById(int64_t id)
    {
        if (const auto it = m_names.find(id); it != m_names.end())
            return &it->second;
        Use q(*this, "SELECT folded, name FROM names WHERE id=?1");
        if (!q)
            return nullptr;
        sqlite3_bind_int64(*q, 1, id);
        if (!q.Step())
            return nullptr;
        return &Remember(id, std::u16string(ColumnText(*q, 0)), ColumnText(*q, 1));
    }

    // The statement that walks a key's children, kept for the next walk
    // when this one ends (a folder walk may nest inside another).
    sqlite3_stmt* TakeChildWalk()
    {
        ++m_statementsRun;
        if (!m_freeWalks.empty()) {
            sqlite3_stmt* statement = m_freeWalks.back();
            m_freeWalks.pop_back();
            return statement;
        }
        sqlite3_stmt* statement = nullptr;
        if (m_db && sqlite3_prepare_v3(m_db, "SELECT name, hasvals FROM keys WHERE parent=?1 ORDER BY folded", -1,
                                       SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK)
            return nullptr;
        return statement;
    }
    void GiveBackChildWalk(sqlite3_stmt* statement)
    {
        if (!statement)
            return;
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
        if (m_db && sqlite3_db_handle(statement) == m_db && m_freeWalks.size() < 8)
            m_freeWalks.push_back(statement);
        else
            sqlite3_finalize(statement);
    }

    sqlite3* Handle() const { return m_db; }
    void NoteDamage(int code)
    {
        if (IsDamage(code))
            m_damaged = true;
    }

    // The full check, on demand: "ok" or what is wrong.
    bool Check(std::string& detail)
    {
        if (!m_db) {
            detail = "not open";
            return false;
        }
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, "PRAGMA integrity_check", -1, &statement, nullptr) != SQLITE_OK) {
            detail = sqlite3_errmsg(m_db);
            return false;
        }
        detail.clear();
        while (sqlite3_step(statement) == SQLITE_ROW) {
            if (!detail.empty())
                detail += '\n';
            if (const unsigned char* text = sqlite3_column_text(statement, 0))
                detail += reinterpret_cast<const char*>(text);
        }
        const int rc = sqlite3_finalize(statement);
        if (rc != SQLITE_OK && detail.empty())
            detail = sqlite3_errmsg(m_db);
        return detail == "ok";
    }

    // SQLite moves data_version on when another connection commits; the
    // connection's own commits leave it alone.
    bool TakeOutsideChanges()
    {
        int64_t version = 0;
        if (!m_db || m_depth > 0 || !QueryInt("PRAGMA data_version", version))
            return false;
        const bool changed = m_watched == m_db && version != m_dataVersion;
        m_watched = m_db;
        m_dataVersion = version;
        return changed;
    }

private:
    const Name& Remember(int64_t id, std::u16string folded, std::u16string_view spelling)
    {
        m_namesByFolded[folded] = id;
        Name& entry = m_names[id];
        entry.id = id;
        entry.folded = std::move(folded);
        entry.spelling.assign(spelling);
        return entry;
    }
    // Names made by a transaction that did not commit are gone again.
    void ForgetNamesMadeSinceCommit()
    {
        for (const int64_t id : m_namesMade) {
            if (const auto it = m_names.find(id); it != m_names.end()) {
                m_namesByFolded.erase(it->second.folded);
                m_names.erase(it);
            }
        }
        m_namesMade.clear();
    }

    sqlite3_stmt* Prepare(const char* sql)
    {
        if (!m_db)
            return nullptr;
        auto it = m_statements.find(sql);
        if (it != m_statements.end())
            return it->second;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK)
            return nullptr;
        m_statements.emplace(sql, statement);
        return statement;
    }
    bool Exec(const char* sql)
    {
        if (!m_db)
            return false;
        const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
        NoteDamage(rc);
        return rc == SQLITE_OK;
    }
    // Leaving the rollback journal takes the file alone, and SQLite does
    // not wait for that lock: two processes making one new file would
    // refuse each other. It is asked again until the busy timeout.
    bool SwitchToWal()
    {
        for (int waitedMs = 0;; waitedMs += 5) {
            if (Exec("PRAGMA journal_mode=WAL"))
                return true;
            if ((sqlite3_errcode(m_db) & 0xFF) != SQLITE_BUSY || waitedMs >= kBusyTimeoutMs)
                return false;
            usleep(5000);
        }
    }
    void Close()
    {
        for (auto& [sql, statement] : m_statements)
            sqlite3_finalize(statement);
        m_statements.clear();
        for (auto& [sql, statement] : m_texts)
            sqlite3_finalize(statement);
        m_texts.clear();
        for (sqlite3_stmt* statement : m_freeWalks)
            sqlite3_finalize(statement);
        m_freeWalks.clear();
        m_names.clear();
        m_namesByFolded.clear();
        m_namesMade.clear();
        m_children.clear();
        if (m_db)
            sqlite3_close_v2(m_db);
        m_db = nullptr;
    }

    // While a process has the file open it holds a lock on a mark file of
    // its own next to it, removed when it closes the file. A mark whose lock
    // can be taken is one a process left when it ended without closing (it
    // crashed or was killed): then the whole file is checked, once, at open.
    void NoteOpen()
    {
        if (m_openMark >= 0)
            return;
        const size_t slash = m_path.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : m_path.substr(0, slash);
        const std::string prefix = m_path.substr(slash == std::string::npos ? 0 : slash + 1) + "-open-";
        bool unclean = false;
        if (DIR* dir = opendir(folder.c_str())) {
            while (const dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (!name.starts_with(prefix) || name.ends_with(".new"))
                    continue;
                const std::string mark = folder + "/" + name;
                const int fd = open(mark.c_str(), O_RDWR | O_CLOEXEC);
                if (fd < 0)
                    continue;
                if (flock(fd, LOCK_EX | LOCK_NB) == 0) { // its owner is gone
                    unclean = true;
                    unlink(mark.c_str());
                }
                close(fd);
            }
            closedir(dir);
        }
        // Made under another name and locked before it shows, so that no
        // other process takes a mark being made for one left behind.
        static int made = 0;
        const std::string mark = m_path + "-open-" + std::to_string(getpid()) + "-" + std::to_string(++made);
        const std::string draft = mark + ".new";
        const int fd = open(draft.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 && rename(draft.c_str(), mark.c_str()) == 0) {
            m_openMark = fd;
            m_openMarkPath = mark;
        } else if (fd >= 0) {
            close(fd);
            unlink(draft.c_str());
        }
        if (unclean) {
            m_checkedAtOpen = true;
            CheckAfterDamage();
        }
    }
    void EndOpenMark()
    {
        if (m_openMark < 0)
            return;
        unlink(m_openMarkPath.c_str());
        close(m_openMark);
        m_openMark = -1;
    }

    // SQLite met damage while a store ran: the store was rolled back; the
    // full check decides whether the file is moved aside.
    void CheckAfterDamage()
    {
        m_damaged = false;
        std::string detail;
        if (Check(detail))
            return;
        Close();
        const std::string aside = MoveAside();
        if (aside.empty()) {
            RouteDatabaseReport(kMsgDatabaseCannotOpen, m_path, detail, {});
            return;
        }
        RouteDatabaseReport(kMsgDatabaseMovedAside, m_path, detail, aside);
        std::string again;
        if (TryOpen(again) != Outcome::Sound)
            RouteDatabaseReport(kMsgDatabaseCannotOpen, m_path, again, {});
    }

    // Opens the file, and moves a damaged one aside. Only a file that
    // SQLite itself finds not to be a database, or damaged, is moved: a
    // busy, read-only or full file system, or a database of another
    // program, is reported and left alone.
    bool Open()
    {
        if (m_path.empty()) {
            RouteDatabaseReport(kMsgDatabaseCannotOpen, m_path,
                                "there is no configuration folder: set XDG_CONFIG_HOME or HOME, or name the file "
                                "with ORV_CONFIG_DB",
                                {});
            return false;
        }
        if (!EnsureFolder(m_path)) {
            RouteDatabaseReport(kMsgDatabaseCannotOpen, m_path, std::strerror(errno), {});
            return false;
        }
        std::string problem;
        const Outcome outcome = TryOpen(problem);
        if (outcome == Outcome::Sound)
            return true;
        if (outcome == Outcome::Unusable) {
            RouteDatabaseReport(kMsgDatabaseCannotOpen, m_path, problem, {});
            return false;
        }
        const std::string aside = MoveAside();
        if (aside.empty()) {
            RouteDatabaseReport(kMsgDatabaseCannotOpen, m_path, problem, {});
            return false;
        }
        RouteDatabaseReport(kMsgDatabaseMovedAside, m_path, problem, aside);
        std::string again;
        if (TryOpen(again) != Outcome::Sound) {
            RouteDatabaseReport(kMsgDatabaseCannotOpen, m_path, again, {});
            return false;
        }
        return true;
    }

    // Renames the file to a dated name that no other file has, never
    // replacing one; empty when it could not be moved.
    std::string MoveAside()
    {
        char stamp[32];
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string aside = m_path + ".corrupt-" + stamp;
            if (attempt > 0)
                aside += "-" + std::to_string(attempt);
            int rc = renameat2(AT_FDCWD, m_path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE);
            if (rc != 0 && errno == EINVAL) // a file system without it: a hard link refuses to replace too
                rc = link(m_path.c_str(), aside.c_str()) == 0 ? unlink(m_path.c_str()) : -1;
            if (rc == 0) {
                for (const char* suffix : {"-wal", "-shm"}) // they belong to the bad file
                    std::rename((m_path + suffix).c_str(), (aside + suffix).c_str());
                return aside;
            }
            if (errno != EEXIST)
                return {};
        }
        return {};
    }

    enum class Outcome { Sound, Damaged, Unusable };
    Outcome Failed(std::string& problem)
    {
        problem = sqlite3_errmsg(m_db);
        return IsDamage(sqlite3_errcode(m_db)) ? Outcome::Damaged : Outcome::Unusable;
    }

    // `problem` says what is wrong when the result is not Sound. Opening a
    // database of this version reads its header and nothing else: no lock
    // is taken and the cost does not grow with the file.
    Outcome TryOpen(std::string& problem)
    {
        const int fd = open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            problem = std::strerror(errno);
            return Outcome::Unusable;
        }
        struct stat st {};
        if (fstat(fd, &st) == 0 && (st.st_mode & 077) != 0)
            fchmod(fd, st.st_mode & 0700); // settings and secrets are the user's alone
        close(fd);
        sqlite3* db = nullptr;
        if (const int rc = sqlite3_open_v2(m_path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
            rc != SQLITE_OK) {
            problem = db ? sqlite3_errmsg(db) : "out of memory";
            sqlite3_close(db);
            return IsDamage(rc) ? Outcome::Damaged : Outcome::Unusable;
        }
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        sqlite3_extended_result_codes(db, 1);
        m_db = db;
        Outcome outcome = Outcome::Sound;
        // A walk over every session reads many pages: they are mapped rather
        // than copied, and more of them stay cached.
        for (const char* step : {"PRAGMA synchronous=FULL", "PRAGMA foreign_keys=ON", "PRAGMA mmap_size=1073741824",
                                 "PRAGMA cache_size=-32768"})
            if (!Exec(step))
                outcome = Failed(problem);
        for (int round = 0; outcome == Outcome::Sound && round < 3; ++round) {
            const Shape shape = ShapeOf();
            if (shape == Shape::Unreadable) {
                outcome = Failed(problem);
            } else if (shape == Shape::Current) {
                std::string mode;
                if (!QueryText("PRAGMA journal_mode", mode))
                    outcome = Failed(problem);
                else if (mode != "wal" && !SwitchToWal())
                    outcome = Failed(problem);
                break;
            } else if (shape == Shape::Foreign) {
                problem = "the file is a database of another program or of a newer version; it was left as it is";
                outcome = Outcome::Unusable;
            } else if (!Build(shape, problem)) {
                outcome = IsDamage(sqlite3_errcode(m_db)) ? Outcome::Damaged : Outcome::Unusable;
            }
            // Built or migrated (by this process or the other one): look again.
        }
        if (outcome != Outcome::Sound)
            Close();
        return outcome;
    }

    enum class Shape { Unreadable, Empty, Version1, Version2, Current, Foreign };
    Shape ShapeOf()
    {
        int64_t application = 0;
        int64_t version = 0;
        int64_t tables = 0;
        if (!QueryInt("PRAGMA application_id", application) || !QueryInt("PRAGMA user_version", version) ||
            !QueryInt("SELECT count(*) FROM sqlite_master", tables))
            return Shape::Unreadable;
        if (application == kApplicationId)
            return version == kSchemaVersion ? Shape::Current : version == 2 ? Shape::Version2 : Shape::Foreign;
        if (application != 0 || version != 0)
            return Shape::Foreign;
        if (tables == 0)
            return Shape::Empty;
        int64_t older = 0;
        if (QueryInt("SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN ('keys','vals')", older) &&
            older == 2 && HasColumn("vals", "folded") && HasColumn("keys", "folded"))
            return Shape::Version1;
        return Shape::Foreign;
    }
    bool HasColumn(const char* table, const char* column)
    {
        sqlite3_stmt* q = nullptr;
        bool found = false;
        if (sqlite3_prepare_v2(m_db, "SELECT 1 FROM pragma_table_info(?1) WHERE name=?2", -1, &q, nullptr) == SQLITE_OK) {
            sqlite3_bind_text(q, 1, table, -1, SQLITE_STATIC);
            sqlite3_bind_text(q, 2, column, -1, SQLITE_STATIC);
            found = sqlite3_step(q) == SQLITE_ROW;
        }
        sqlite3_finalize(q);
        return found;
    }

    // Makes the tables of an empty file, or migrates a file of an older
    // version, in one transaction: a process killed meanwhile leaves the
    // file as it was. True also when the other application did it first.
    bool Build(Shape from, std::string& problem)
    {
        if (from == Shape::Empty && !SwitchToWal())
            return Failed(problem), false;
        Exec("PRAGMA foreign_keys=OFF"); // the tables are renamed and copied, not their rows cascaded
        bool ok = Exec("BEGIN IMMEDIATE");
        if (ok) {
            if (ShapeOf() == from) {
                if (from == Shape::Version1)
                    ok = MigrateVersion1();
                else if (from == Shape::Version2)
                    ok = Exec(kFromVersion2);
                else
                    ok = Exec(kSchemaTables) && Exec("INSERT INTO keys(id, parent, name, folded) VALUES(1, NULL, '', '')");
                ok = ok && Exec(kChildStamps) && Exec(kSchemaMarks);
            }
            if (!ok)
                problem = sqlite3_errmsg(m_db);
            ok = ok ? Exec("COMMIT") : (Exec("ROLLBACK"), false);
            if (!ok && problem.empty())
                problem = sqlite3_errmsg(m_db);
        } else {
            problem = sqlite3_errmsg(m_db);
        }
        Exec("PRAGMA foreign_keys=ON");
        if (ok && from == Shape::Version1)
            ok = SwitchToWal();
        m_names.clear();
        m_namesByFolded.clear();
        m_namesMade.clear();
        return ok;
    }

    // Version 1 kept names and strings as UTF-16 blobs, every value's name
    // twice in each row.
    bool MigrateVersion1()
    {
        const bool marked = HasColumn("keys", "hasvals");
        if (!Exec("ALTER TABLE vals RENAME TO vals_v1") || !Exec("ALTER TABLE keys RENAME TO keys_v1") ||
            !Exec(kSchemaTables))
            return false;
        auto units = [](sqlite3_stmt* q, int column) {
            const void* data = sqlite3_column_blob(q, column);
            return std::u16string(static_cast<const char16_t*>(data), static_cast<size_t>(sqlite3_column_bytes(q, column)) / 2);
        };
        sqlite3_stmt* read = nullptr;
        sqlite3_stmt* write = nullptr;
        bool ok = sqlite3_prepare_v2(m_db,
                                     marked ? "SELECT id, parent, name, hasvals FROM keys_v1 ORDER BY id"
                                            : "SELECT id, parent, name, EXISTS(SELECT 1 FROM vals_v1 WHERE "
                                              "vals_v1.key=keys_v1.id) FROM keys_v1 ORDER BY id",
                                     -1, &read, nullptr) == SQLITE_OK &&
                  sqlite3_prepare_v2(m_db, "INSERT INTO keys(id, parent, name, folded, hasvals) VALUES(?1,?2,?3,?4,?5)",
                                     -1, &write, nullptr) == SQLITE_OK;
        while (ok && sqlite3_step(read) == SQLITE_ROW) {
            const std::u16string name = units(read, 2);
            sqlite3_bind_int64(write, 1, sqlite3_column_int64(read, 0));
            if (sqlite3_column_type(read, 1) == SQLITE_NULL)
                sqlite3_bind_null(write, 2);
            else
                sqlite3_bind_int64(write, 2, sqlite3_column_int64(read, 1));
            BindText(write, 3, name);
            BindText(write, 4, VUnicodeString::FoldCase(name));
            sqlite3_bind_int(write, 5, sqlite3_column_int(read, 3));
            ok = sqlite3_step(write) == SQLITE_DONE;
            sqlite3_reset(write);
        }
        sqlite3_finalize(read);
        sqlite3_finalize(write);
        read = write = nullptr;
        sqlite3_stmt* findName = nullptr;
        sqlite3_stmt* addName = nullptr;
        ok = ok &&
             sqlite3_prepare_v2(m_db, "SELECT key, name, kind, data FROM vals_v1", -1, &read, nullptr) == SQLITE_OK &&
             sqlite3_prepare_v2(m_db, "INSERT INTO vals(key, name, kind, data, spelling) VALUES(?1,?2,?3,?4,?5)", -1,
                                &write, nullptr) == SQLITE_OK &&
             sqlite3_prepare_v2(m_db, "INSERT INTO names(folded, name) VALUES(?1, ?2)", -1, &addName, nullptr) ==
                 SQLITE_OK;
        std::unordered_map<std::u16string, std::pair<int64_t, std::u16string>> names;
        while (ok && sqlite3_step(read) == SQLITE_ROW) {
            const std::u16string name = units(read, 1);
            std::u16string folded = VUnicodeString::FoldCase(name);
            auto it = names.find(folded);
            if (it == names.end()) {
                BindText(addName, 1, folded);
                BindText(addName, 2, name);
                ok = sqlite3_step(addName) == SQLITE_DONE;
                sqlite3_reset(addName);
                it = names.emplace(std::move(folded), std::make_pair(sqlite3_last_insert_rowid(m_db), name)).first;
            }
            const int kind = sqlite3_column_int(read, 2);
            sqlite3_bind_int64(write, 1, sqlite3_column_int64(read, 0));
            sqlite3_bind_int64(write, 2, it->second.first);
            sqlite3_bind_int(write, 3, kind);
            if (kind == kDword) {
                sqlite3_bind_int64(write, 4, sqlite3_column_int64(read, 3));
            } else if (kind == kString && IsWellFormed(units(read, 3))) {
                BindText(write, 4, units(read, 3));
            } else {
                const void* blob = sqlite3_column_blob(read, 3);
                sqlite3_bind_blob(write, 4, blob ? blob : "", sqlite3_column_bytes(read, 3), SQLITE_TRANSIENT);
            }
            if (name != it->second.second)
                BindText(write, 5, name);
            else
                sqlite3_bind_null(write, 5);
            ok = ok && sqlite3_step(write) == SQLITE_DONE;
            sqlite3_reset(write);
            sqlite3_clear_bindings(write);
        }
        sqlite3_finalize(read);
        sqlite3_finalize(write);
        sqlite3_finalize(addName);
        sqlite3_finalize(findName);
        return ok && Exec("DROP TABLE vals_v1") && Exec("DROP TABLE keys_v1");
    }

    bool QueryText(const char* sql, std::string& out)
    {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK)
            return false;
        const bool row = sqlite3_step(statement) == SQLITE_ROW;
        if (row && sqlite3_column_text(statement, 0))
            out = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        sqlite3_finalize(statement);
        return row;
    }
    bool QueryInt(const char* sql, int64_t& out)
    {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK)
            return false;
        const bool row = sqlite3_step(statement) == SQLITE_ROW;
        if (row)
            out = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
        return row;
    }

    std::string m_path;
    sqlite3* m_db = nullptr;
    int m_openMark = -1; // the lock on this process's mark file
    std::string m_openMarkPath;
    bool m_checkedAtOpen = false;
    sqlite3* m_watched = nullptr; // the connection m_dataVersion was read on
    int64_t m_dataVersion = 0;
    std::unordered_map<const char*, sqlite3_stmt*> m_statements;
    std::unordered_map<std::string, sqlite3_stmt*> m_texts;
    std::vector<sqlite3_stmt*> m_freeWalks;
    int m_depth = 0;
    bool m_began = false;
    bool m_writing = false;
    bool m_abandoned = false;
    bool m_refused = false;
    bool m_damaged = false;
    uint64_t m_generation = 1;
    std::unordered_map<int64_t, uint64_t> m_valueVersions;
    uint64_t m_deletes = 0;
    uint64_t m_statementsRun = 0;
    std::unordered_map<int64_t, Name> m_names;
    // Keyed by the folded name, found by any case of it without folding.
    std::unordered_map<std::u16string, int64_t, VNoCaseHash, VNoCaseEqual> m_namesByFolded;
    std::vector<int64_t> m_namesMade; // by the transaction under way
    struct ChildKey {
        int64_t parent;
        std::u16string folded;
        bool operator==(const ChildKey&) const = default;
    };
    struct ChildKeyHash {
        size_t operator()(const ChildKey& k) const
        {
            return std::hash<std::u16string>()(k.folded) ^ (std::hash<int64_t>()(k.parent) * 31);
        }
    };
    std::unordered_map<ChildKey, int64_t, ChildKeyHash> m_children;
};

namespace {

using Database = SqliteProfileFactory::Database;

// The names of one walk, kept in one buffer.
class SqliteIterator final : public IProfileBackendIterator {
public:
    void Add(std::u16string_view name, uint32_t extra)
    {
        m_entries.push_back({m_names.size(), name.size(), extra});
        m_names.append(name);
    }
    bool Next(VUnicodeString& name, uint32_t& extra) override
    {
        if (m_next >= m_entries.size())
            return false;
        const Entry& entry = m_entries[m_next++];
        name.str().assign(m_names, entry.offset, entry.length);
        extra = entry.extra;
        return true;
    }
    bool Next(VUnicodeString& name) override
    {
        uint32_t extra = 0;
        return Next(name, extra);
    }

private:
    struct Entry {
        size_t offset;
        size_t length;
        uint32_t extra;
    };
    std::u16string m_names;
    std::vector<Entry> m_entries;
    size_t m_next = 0;
};

// The subkeys of one key, read from the table as the walk goes: listing a
// folder of thousands of sessions holds no copy of all their names.
class SqliteChildIterator final : public IProfileBackendIterator {
public:
    SqliteChildIterator(Database& db, int64_t parent) : m_db(db), m_statement(db.TakeChildWalk())
    {
        if (m_statement)
            sqlite3_bind_int64(m_statement, 1, parent);
    }
    ~SqliteChildIterator() override { m_db.GiveBackChildWalk(m_statement); }
    bool Next(VUnicodeString& name, uint32_t& extra) override
    {
        if (!m_statement)
            return false;
        const int rc = sqlite3_step(m_statement);
        if (rc != SQLITE_ROW) {
            m_db.NoteDamage(rc);
            m_db.GiveBackChildWalk(m_statement); // done: nothing stays open
            m_statement = nullptr;
            return false;
        }
        name.str().assign(ColumnText(m_statement, 0));
        extra = sqlite3_column_int(m_statement, 1) ? kChildKindWithValues : kChildKindWithoutValues;
        return true;
    }
    bool Next(VUnicodeString& name) override
    {
        uint32_t extra = 0;
        return Next(name, extra);
    }

private:
    Database& m_db;
    sqlite3_stmt* m_statement = nullptr;
};

class SqliteKey final : public IProfileBackendKey {
public:
    SqliteKey(Database& db, int64_t id) : m_db(db), m_id(id) {}

    bool ValueExists(const VUnicodeString& name) override { return Find(name) != nullptr; }
    bool ReadStringArray(const VUnicodeString& name, VStringArray& value) override
    {
        const Cached* v = Find(name);
        return v && v->kind == kMultiString && DecodeArray(v->data.data(), v->data.size(), value);
    }
    bool ReadBinary(const VUnicodeString& name, void* buffer, uint32_t& size) override
    {
        const Cached* v = Find(name);
        if (!v || v->kind != kBinary)
            return false;
        const uint32_t capacity = size;
        size = static_cast<uint32_t>(v->data.size());
        if (v->data.size() > capacity)
            return false;
        if (!v->data.empty())
            std::memcpy(buffer, v->data.data(), v->data.size());
        return true;
    }
    bool ReadString(const VUnicodeString& name, VUnicodeString& value) override
    {
        const Cached* v = Find(name);
        if (!v || v->kind != kString)
            return false;
        value = VUnicodeString(std::u16string_view(reinterpret_cast<const char16_t*>(v->data.data()), v->data.size() / 2));
        return true;
    }
    bool ReadDword(const VUnicodeString& name, uint32_t& value) override
    {
        const Cached* v = Find(name);
        if (!v || v->kind != kDword)
            return false;
        value = v->number;
        return true;
    }
    bool WriteStringArray(const VUnicodeString& name, const VStringArray& value) override
    {
        return Write(name, kMultiString, 0, EncodeArray(value));
    }
    bool WriteBinary(const VUnicodeString& name, const void* data, uint32_t size) override
    {
        return Write(name, kBinary, 0, std::string(static_cast<const char*>(data), size));
    }
    bool WriteString(const VUnicodeString& name, const VUnicodeString& value) override
    {
        return Write(name, kString, 0, std::string(reinterpret_cast<const char*>(value.c_str()), value.Length() * 2));
    }
    bool WriteUnsigned(const VUnicodeString& name, uint32_t value) override { return Write(name, kDword, value, {}); }
    bool WriteSigned(const VUnicodeString& name, int32_t value) override
    {
        return Write(name, kDword, static_cast<uint32_t>(value), {});
    }
    bool WriteBool(const VUnicodeString& name, bool value) override { return Write(name, kDword, value ? 1 : 0, {}); }

    bool DeleteKey(const VUnicodeString& path) override
    {
        if (SplitKeyPath(path).empty())
            return false;
        const std::optional<int64_t> id = m_db.Resolve(m_id, path, false);
        if (!id || !m_db.BeginWrite())
            return false;
        Database::Use q(m_db, "DELETE FROM keys WHERE id=?1");
        if (!q)
            return false;
        sqlite3_bind_int64(*q, 1, *id);
        const bool done = q.Run();
        m_db.KeysDeleted();
        return done;
    }
    bool RenameKey(const VUnicodeString& oldPath, const VUnicodeString& newPath) override
    {
        const auto oldParts = SplitKeyPath(oldPath);
        const auto newParts = SplitKeyPath(newPath);
        if (oldParts.empty() || newParts.empty())
            return false;
        bool below = newParts.size() > oldParts.size();
        for (size_t i = 0; below && i < oldParts.size(); ++i)
            below = VUnicodeString::CompareNoCase(oldParts[i], newParts[i]) == 0;
        if (below)
            return false; // a key cannot move below itself
        const std::optional<int64_t> id = m_db.Resolve(m_id, oldPath, false);
        if (!id)
            return false;
        std::u16string parentPath;
        for (size_t i = 0; i + 1 < newParts.size(); ++i)
            (parentPath += newParts[i]) += u'\\';
        const std::optional<int64_t> parent = m_db.Resolve(m_id, parentPath, true);
        return parent && Place(*id, *parent, newParts.back());
    }
    bool CanMoveKeys() override { return true; }
    bool MoveKey(const VUnicodeString& path, const VUnicodeString& newParentPath, const VUnicodeString& newName) override
    {
        if (SplitKeyPath(path).empty() || SplitKeyPath(newName).size() != 1)
            return false;
        const std::optional<int64_t> id = m_db.Resolve(m_id, path, false);
        const std::optional<int64_t> parent = m_db.Resolve(m_id, newParentPath, false);
        if (!id || !parent || m_db.IsAtOrBelow(*parent, *id))
            return false;
        return Place(*id, *parent, newName);
    }
    bool KeyExists(const VUnicodeString& path) override { return m_db.Resolve(m_id, path, false).has_value(); }
    uint32_t GetKeyNumber() override { return static_cast<uint32_t>(m_id); }
    void* GetKeyHandle() override { return this; }
    void SetKeyName(const VUnicodeString& name) override { m_recordedName = name; }
    IProfileBackendKey* OpenKey(const VUnicodeString& path, int, int create) override
    {
        if (SplitKeyPath(path).empty() && !m_db.KeyRowExists(m_id))
            return nullptr;
        const std::optional<int64_t> id = m_db.Resolve(m_id, path, create != 0);
        return id ? new SqliteKey(m_db, *id) : nullptr;
    }
    IProfileBackendIterator* Enumerate(int kind) override
    {
        if (kind == kEnumerateSubkeys)
            return new SqliteChildIterator(m_db, m_id);
        auto* it = new SqliteIterator();
        if (kind == kEnumerateValues) {
            // From the values the key reads in one query anyway: looking at
            // what a session holds and loading it is one query, not two.
            Load();
            std::vector<const std::pair<const std::u16string_view, Cached>*> values;
            values.reserve(m_values.size());
            for (const auto& entry : m_values)
                values.push_back(&entry);
            std::sort(values.begin(), values.end(), [](const auto* a, const auto* b) { return a->first < b->first; });
            for (const auto* entry : values)
                it->Add(entry->second.Name(), static_cast<uint32_t>(entry->second.kind));
        }
        return it;
    }
    bool QueryValuesBelow(const VStringArray& names, int depth, const FoundValueSink& sink) override
    {
        // The numbers of the names asked; one never written is held by no key.
        std::string ids;
        std::unordered_map<int64_t, size_t> asked;
        for (size_t i = 0; i < names.GetSize(); ++i) {
            if (const Database::Name* name = m_db.NameOf(names[i], false)) {
                asked.emplace(name->id, i);
                ids += (ids.empty() ? "" : ",") + std::to_string(name->id);
            }
        }
        if (ids.empty())
            return true;
        // The children alone (a folder's sessions, as Find reads them) need
        // no recursion; only keys that hold values are looked into.
        const std::string sql =
            depth == 1 ? "SELECT k.name, v.name, v.kind, v.data FROM keys k JOIN vals v ON v.key=k.id AND v.name IN (" +
                             ids + ") WHERE k.parent=?1 AND k.hasvals"
                       : "WITH RECURSIVE below(id, path, depth) AS (SELECT id, name, 1 FROM keys WHERE parent=?1 "
                         "UNION ALL SELECT k.id, below.path || '\\' || k.name, below.depth + 1 FROM keys k JOIN below "
                         "ON k.parent=below.id WHERE below.depth < ?2) "
                         "SELECT below.path, v.name, v.kind, v.data FROM below JOIN vals v ON v.key=below.id AND "
                         "v.name IN (" +
                             ids + ")";
        Database::Query query(m_db, sql);
        sqlite3_stmt* q = *query;
        if (!q)
            return false;
        sqlite3_bind_int64(q, 1, m_id);
        if (depth != 1)
            sqlite3_bind_int(q, 2, depth > 0 ? depth : 1 << 30);
        int rc = SQLITE_OK;
        std::u16string path;
        std::u16string text;
        while ((rc = sqlite3_step(q)) == SQLITE_ROW) {
            const auto which = asked.find(sqlite3_column_int64(q, 1));
            if (which == asked.end())
                continue;
            path.assign(ColumnText(q, 0));
            FoundValue found{path, names[which->second], static_cast<uint32_t>(sqlite3_column_int(q, 2)), 0, {}};
            if (found.kind == kDword) {
                found.number = static_cast<uint32_t>(sqlite3_column_int64(q, 3));
            } else if (found.kind == kString) {
                if (sqlite3_column_type(q, 3) == SQLITE_TEXT) {
                    found.text = ColumnText(q, 3);
                } else {
                    const void* blob = sqlite3_column_blob(q, 3);
                    text.assign(static_cast<const char16_t*>(blob), static_cast<size_t>(sqlite3_column_bytes(q, 3)) / 2);
                    found.text = text;
                }
            } else if (found.kind == kMultiString) {
                VStringArray lines;
                DecodeArray(sqlite3_column_blob(q, 3), static_cast<size_t>(sqlite3_column_bytes(q, 3)), lines);
                text.clear();
                for (size_t i = 0; i < lines.GetSize(); ++i)
                    (text += i ? u"\r\n" : u"") += lines[i].str();
                found.text = text;
            }
            sink(found);
        }
        m_db.NoteDamage(rc);
        return rc == SQLITE_DONE;
    }

    bool GetChildrenMark(VUnicodeString& mark) override
    {
        Database::Use q(m_db, "SELECT stamp FROM keys WHERE id=?1");
        if (!q)
            return false;
        sqlite3_bind_int64(*q, 1, m_id);
        if (!q.Step())
            return false;
        // The key's number too: a key made anew starts counting again.
        mark = VUnicodeString::FromUtf8(std::to_string(m_id) + ":" + std::to_string(sqlite3_column_int64(*q, 0)));
        return true;
    }

private:
    struct Cached {
        int kind = 0;
        uint32_t number = 0;
        std::string data;
        const Database::Name* interned = nullptr;
        std::u16string ownName; // as first written here, when it differs from the interned spelling
        std::u16string_view Name() const { return ownName.empty() ? std::u16string_view(interned->spelling) : ownName; }
    };

    // Puts key `id` below `parent` as `name`; another key of that name
    // there refuses.
    bool Place(int64_t id, int64_t parent, std::u16string_view name)
    {
        const std::optional<int64_t> clash = m_db.Child(parent, name);
        if ((clash && *clash != id) || !m_db.BeginWrite())
            return false;
        Database::Use q(m_db, "UPDATE keys SET parent=?1, name=?2, folded=?3 WHERE id=?4");
        if (!q)
            return false;
        sqlite3_bind_int64(*q, 1, parent);
        BindText(*q, 2, name);
        BindText(*q, 3, VUnicodeString::FoldCase(name));
        sqlite3_bind_int64(*q, 4, id);
        m_db.KeysMoved();
        return q.Run() && sqlite3_changes(m_db.Handle()) == 1;
    }

    // All values of the key come in one query, kept while this store's
    // snapshot lasts and no other handle has written.
    void Load()
    {
        if (CacheIsCurrent())
            return;
        m_values.clear();
        m_values.reserve(512);
        Database::Use q(m_db, "SELECT name, kind, data, spelling FROM vals WHERE key=?1");
        if (q) {
            sqlite3_bind_int64(*q, 1, m_id);
            while (q.Step()) {
                const Database::Name* name = m_db.NameById(sqlite3_column_int64(*q, 0));
                if (!name)
                    continue;
                Cached c;
                c.interned = name;
                if (sqlite3_column_type(*q, 3) != SQLITE_NULL)
                    c.ownName = ColumnText(*q, 3);
                c.kind = sqlite3_column_int(*q, 1);
                if (c.kind == kDword) {
                    c.number = static_cast<uint32_t>(sqlite3_column_int64(*q, 2));
                } else if (c.kind == kString && sqlite3_column_type(*q, 2) == SQLITE_TEXT) {
                    const std::u16string_view text = ColumnText(*q, 2);
                    c.data.assign(reinterpret_cast<const char*>(text.data()), text.size() * 2);
                } else {
                    const void* blob = sqlite3_column_blob(*q, 2);
                    c.data.assign(static_cast<const char*>(blob), static_cast<size_t>(sqlite3_column_bytes(*q, 2)));
                }
                m_values.emplace(std::u16string_view(name->folded), std::move(c));
            }
        }
        m_loaded = true;
        m_loadedGeneration = m_db.Generation();
        m_loadedVersion = m_db.ValuesVersion(m_id);
    }
    bool CacheIsCurrent() const
    {
        return m_loaded && m_db.InTransaction() && m_loadedGeneration == m_db.Generation() &&
               m_loadedVersion == m_db.ValuesVersion(m_id);
    }
    const Cached* Find(const VUnicodeString& name)
    {
        Load();
        const auto it = m_values.find(VUnicodeString::FoldCase(name));
        return it == m_values.end() ? nullptr : &it->second;
    }
    bool Write(const VUnicodeString& name, int kind, uint32_t number, std::string data)
    {
        if (!m_db.BeginWrite())
            return false;
        const bool current = CacheIsCurrent();
        const Database::Name* interned = m_db.NameOf(name, true);
        if (!interned)
            return false;
        // The first-written case of a name stays.
        Database::Use q(m_db, "INSERT INTO vals(key, name, kind, data, spelling) VALUES(?1, ?2, ?3, ?4, ?5) "
                              "ON CONFLICT(key, name) DO UPDATE SET kind=excluded.kind, data=excluded.data");
        if (!q)
            return false;
        sqlite3_bind_int64(*q, 1, m_id);
        sqlite3_bind_int64(*q, 2, interned->id);
        sqlite3_bind_int(*q, 3, kind);
        const std::u16string_view units(reinterpret_cast<const char16_t*>(data.data()), data.size() / 2);
        if (kind == kDword)
            sqlite3_bind_int64(*q, 4, number);
        else if (kind == kString && IsWellFormed(units))
            sqlite3_bind_text16(*q, 4, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
        else
            sqlite3_bind_blob(*q, 4, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
        if (name.str() != interned->spelling)
            BindText(*q, 5, name.str());
        bool done = q.Run();
        m_db.ValuesChanged(m_id);
        if (done && !m_marked) {
            Database::Use mark(m_db, "UPDATE keys SET hasvals=1 WHERE id=?1 AND hasvals=0");
            if (mark)
                sqlite3_bind_int64(*mark, 1, m_id);
            done = mark.Run();
            m_marked = done;
        }
        if (!done)
            return false;
        if (current) { // keep the cache: this handle knows what it wrote
            Cached& cached = m_values[std::u16string_view(interned->folded)];
            if (!cached.interned) {
                cached.interned = interned;
                if (name.str() != interned->spelling)
                    cached.ownName = name.str();
            }
            cached.kind = kind;
            cached.number = number;
            cached.data = std::move(data);
            m_loadedVersion = m_db.ValuesVersion(m_id);
        }
        return true;
    }

    Database& m_db;
    int64_t m_id;
    bool m_loaded = false;
    uint64_t m_loadedGeneration = 0;
    uint64_t m_loadedVersion = 0;
    bool m_marked = false; // this key is known to be marked as holding values
    // Keyed by the interned folded names, which outlive the cache: names
    // are forgotten only with a rollback, after which the cache is reloaded
    // before any use.
    std::unordered_map<std::u16string_view, Cached> m_values;
    VUnicodeString m_recordedName;
};

class SqliteStore final : public IProfileBackendStore {
public:
    explicit SqliteStore(Database& db) : m_db(db), m_usable(m_db.BeginStore()) {}
    ~SqliteStore() override { m_db.EndStore(); }
    IProfileBackendKey* OpenRootKey(int) override { return m_usable ? new SqliteKey(m_db, kRootId) : nullptr; }
    void Abandon() override { m_db.Abandon(); }

private:
    Database& m_db;
    bool m_usable;
};

} // namespace

SqliteProfileFactory::SqliteProfileFactory(std::string path)
    : m_db(std::make_unique<Database>(path.empty() ? DefaultPath() : std::move(path)))
{
}

SqliteProfileFactory::~SqliteProfileFactory() = default;

IProfileBackendStore* SqliteProfileFactory::CreateStore()
{
    return m_db->Reopen() ? new SqliteStore(*m_db) : nullptr;
}

std::string SqliteProfileFactory::DefaultPath()
{
    if (const char* named = std::getenv("ORV_CONFIG_DB"); named && *named)
        return named;
    const std::string folder = Narrow(GetOrvConfigPathSub());
    return folder.empty() ? std::string() : folder + "/config.db";
}

const std::string& SqliteProfileFactory::Path() const
{
    return m_db->Path();
}

bool SqliteProfileFactory::IsOpen() const
{
    return m_db->IsOpen();
}

uint64_t SqliteProfileFactory::StatementsRun() const
{
    return m_db->StatementsRun();
}

bool SqliteProfileFactory::CheckedAtOpen() const
{
    return m_db->CheckedAtOpen();
}

bool SqliteProfileFactory::TakeOutsideChanges(VStringArray&)
{
    return m_db->TakeOutsideChanges();
}

bool SqliteProfileFactory::CheckIntegrity(std::string& detail)
{
    return m_db->Check(detail);
}

VProfileStoreFactory* GetDefaultProfileStoreFactory()
{
    // ORV_CONFIG_DB may name a shared database rather than a file.
    static const std::unique_ptr<VProfileStoreFactory> factory = MakeProfileStoreFactory(SqliteProfileFactory::DefaultPath());
    return factory.get();
}
