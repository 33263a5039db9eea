#include "profile/store/SqliteProfileBackend.h"

#include <fcntl.h>
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
#include "profile/store/ProfileKeyPath.h"
#include "profile/reports/ReportRouting.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

constexpr int64_t kRootId = 1;
constexpr int kBusyTimeoutMs = 15000;

// Value kinds keep the registry's type numbers.
enum Kind : int { kString = 1, kBinary = 3, kDword = 4, kMultiString = 7 };

constexpr uint32_t kMsgDatabaseMovedAside = 0xE1620030;
constexpr uint32_t kMsgDatabaseCannotOpen = 0xE1620031;
constexpr uint32_t kMsgDatabaseBusy = 0xE1620032;
constexpr uint32_t kMsgDatabaseNotSaved = 0xE1620033;

const char* const kSchema = R"(
CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY,
  parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,
  name BLOB NOT NULL,
  folded BLOB NOT NULL,
  hasvals INTEGER NOT NULL DEFAULT 0,
  UNIQUE(parent, folded));
CREATE TABLE IF NOT EXISTS vals(
  key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
  folded BLOB NOT NULL,
  name BLOB NOT NULL,
  kind INTEGER NOT NULL,
  data,
  PRIMARY KEY(key, folded)) WITHOUT ROWID;
INSERT OR IGNORE INTO keys(id, parent, name, folded) VALUES(1, NULL, x'', x'');
)";

// Files made before keys were marked as holding values get the mark, with
// its value, once. From then on the first write through a key's handle
// marks it (values are never deleted one by one, so the mark only ever
// goes from 0 to 1), and listing a folder of thousands of sessions need not
// look into the values of each.
const char* const kAddValuesMark = R"(
ALTER TABLE keys ADD COLUMN hasvals INTEGER NOT NULL DEFAULT 0;
UPDATE keys SET hasvals=EXISTS(SELECT 1 FROM vals WHERE vals.key=keys.id);
)";

std::u16string_view BlobText(sqlite3_stmt* statement, int column)
{
    const void* data = sqlite3_column_blob(statement, column);
    const int bytes = sqlite3_column_bytes(statement, column);
    return {static_cast<const char16_t*>(data), static_cast<size_t>(bytes) / 2};
}

void BindText(sqlite3_stmt* statement, int index, std::u16string_view text)
{
    sqlite3_bind_blob(statement, index, text.data(), static_cast<int>(text.size() * 2), SQLITE_TRANSIENT);
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
    explicit Database(std::string path) : m_path(std::move(path)) { Open(); }
    ~Database()
    {
        for (auto& [sql, statement] : m_statements)
            sqlite3_finalize(statement);
        if (m_db)
            sqlite3_close(m_db);
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
    void KeysDeleted() { ++m_deletes; }

    // False when the outermost store could not take the write lock: its
    // operations then refuse rather than run without a transaction.
    bool BeginStore()
    {
        if (m_depth++ > 0)
            return m_began;
        if (!m_db)
            return false;
        ++m_generation;
        m_valueVersions.clear();
        m_began = Exec("BEGIN IMMEDIATE");
        if (!m_began)
            RouteDatabaseReport(kMsgDatabaseBusy, m_path, sqlite3_errmsg(m_db), {});
        return m_began;
    }
    void EndStore()
    {
        if (--m_depth > 0 || !m_db || !m_began)
            return;
        m_began = false;
        if (!Exec("COMMIT")) {
            RouteDatabaseReport(kMsgDatabaseNotSaved, m_path, sqlite3_errmsg(m_db), {});
            Exec("ROLLBACK");
        }
        ++m_generation; // other processes may write from now on
    }

    // A cached statement, reset and cleared when the use ends.
    class Use {
    public:
        Use(Database& db, const char* sql) : m_statement(db.Prepare(sql)) { ++db.m_statementsRun; }
        ~Use()
        {
            if (m_statement) {
                sqlite3_reset(m_statement);
                sqlite3_clear_bindings(m_statement);
            }
        }
        explicit operator bool() const { return m_statement != nullptr; }
        sqlite3_stmt* operator*() const { return m_statement; }
        bool Step() { return m_statement && sqlite3_step(m_statement) == SQLITE_ROW; }
        bool Run() { return m_statement && sqlite3_step(m_statement) == SQLITE_DONE; }

    private:
        sqlite3_stmt* m_statement;
    };

    std::optional<int64_t> Child(int64_t parent, std::u16string_view name)
    {
        Use q(*this, "SELECT id FROM keys WHERE parent=?1 AND folded=?2");
        if (!q)
            return std::nullopt;
        sqlite3_bind_int64(*q, 1, parent);
        BindText(*q, 2, VUnicodeString::FoldCase(name));
        if (!q.Step())
            return std::nullopt;
        return sqlite3_column_int64(*q, 0);
    }
    std::optional<int64_t> AddChild(int64_t parent, std::u16string_view name)
    {
        Use q(*this, "INSERT INTO keys(parent, name, folded) VALUES(?1, ?2, ?3)");
        if (!q)
            return std::nullopt;
        sqlite3_bind_int64(*q, 1, parent);
        BindText(*q, 2, name);
        BindText(*q, 3, VUnicodeString::FoldCase(name));
        if (!q.Run())
            return std::nullopt;
        return sqlite3_last_insert_rowid(m_db);
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

    sqlite3* Handle() const { return m_db; }

private:
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
    bool Exec(const char* sql) { return m_db && sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

    // Opens the file, checks it, and moves a damaged one aside. Only a file
    // that SQLite itself finds not to be a database, or damaged, is moved:
    // a busy, read-only or full file system is reported and left alone.
    void Open()
    {
        if (!EnsureFolder(m_path)) {
            RouteDatabaseReport(kMsgDatabaseCannotOpen, m_path, std::strerror(errno), {});
            return;
        }
        std::string problem;
        const Outcome outcome = TryOpen(problem);
        if (outcome == Outcome::Sound)
            return;
        if (outcome == Outcome::Unusable) {
            RouteDatabaseReport(kMsgDatabaseCannotOpen, m_path, problem, {});
            return;
        }
        const std::string aside = MoveAside();
        if (aside.empty()) {
            RouteDatabaseReport(kMsgDatabaseCannotOpen, m_path, problem, {});
            return;
        }
        RouteDatabaseReport(kMsgDatabaseMovedAside, m_path, problem, aside);
        std::string again;
        if (TryOpen(again) != Outcome::Sound)
            RouteDatabaseReport(kMsgDatabaseCannotOpen, m_path, again, {});
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
    static bool IsDamage(int code)
    {
        code &= 0xFF;
        return code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
    }

    // `problem` says what is wrong when the result is not Sound.
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
        std::string check;
        if (!QueryText("PRAGMA quick_check", check)) {
            outcome = IsDamage(sqlite3_errcode(db)) ? Outcome::Damaged : Outcome::Unusable;
            problem = sqlite3_errmsg(db);
        } else if (check != "ok") {
            outcome = Outcome::Damaged;
            problem = check;
        } else {
            for (const char* step : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL", "PRAGMA foreign_keys=ON", kSchema}) {
                if (!Exec(step)) {
                    outcome = IsDamage(sqlite3_errcode(db)) ? Outcome::Damaged : Outcome::Unusable;
                    problem = sqlite3_errmsg(db);
                    break;
                }
            }
            if (outcome == Outcome::Sound && !AddValuesMark()) {
                outcome = IsDamage(sqlite3_errcode(db)) ? Outcome::Damaged : Outcome::Unusable;
                problem = sqlite3_errmsg(db);
            }
        }
        if (outcome != Outcome::Sound) {
            sqlite3_close(db);
            m_db = nullptr;
        }
        return outcome;
    }
    bool HasValuesMark()
    {
        sqlite3_stmt* probe = nullptr;
        const bool marked = sqlite3_prepare_v2(m_db, "SELECT hasvals FROM keys", -1, &probe, nullptr) == SQLITE_OK;
        sqlite3_finalize(probe);
        return marked;
    }
    bool AddValuesMark()
    {
        if (HasValuesMark())
            return true;
        if (!Exec("BEGIN IMMEDIATE")) // the other application may be opening the file too
            return false;
        if (!HasValuesMark() && !Exec(kAddValuesMark)) {
            Exec("ROLLBACK");
            return false;
        }
        return Exec("COMMIT");
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

    std::string m_path;
    sqlite3* m_db = nullptr;
    std::unordered_map<const char*, sqlite3_stmt*> m_statements;
    int m_depth = 0;
    bool m_began = false;
    uint64_t m_generation = 1;
    std::unordered_map<int64_t, uint64_t> m_valueVersions;
    uint64_t m_deletes = 0;
    uint64_t m_statementsRun = 0;
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
    SqliteChildIterator(sqlite3* db, int64_t parent)
    {
        if (db && sqlite3_prepare_v2(db, "SELECT name, hasvals FROM keys WHERE parent=?1 ORDER BY folded", -1,
                                     &m_statement, nullptr) == SQLITE_OK)
            sqlite3_bind_int64(m_statement, 1, parent);
    }
    ~SqliteChildIterator() override { sqlite3_finalize(m_statement); }
    bool Next(VUnicodeString& name, uint32_t& extra) override
    {
        if (!m_statement || sqlite3_step(m_statement) != SQLITE_ROW) {
            sqlite3_finalize(m_statement); // done: nothing stays open
            m_statement = nullptr;
            return false;
        }
        name.str().assign(BlobText(m_statement, 0));
        extra = sqlite3_column_int(m_statement, 1) ? kChildKindWithValues : kChildKindWithoutValues;
        return true;
    }
    bool Next(VUnicodeString& name) override
    {
        uint32_t extra = 0;
        return Next(name, extra);
    }

private:
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
        if (!id)
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
        std::optional<int64_t> parent = m_db.Resolve(m_id, parentPath, false);
        if (parent) {
            const std::optional<int64_t> clash = m_db.Child(*parent, newParts.back());
            if (clash && *clash != *id)
                return false;
        } else {
            parent = m_db.Resolve(m_id, parentPath, true);
            if (!parent)
                return false;
        }
        Database::Use q(m_db, "UPDATE keys SET parent=?1, name=?2, folded=?3 WHERE id=?4");
        if (!q)
            return false;
        sqlite3_bind_int64(*q, 1, *parent);
        BindText(*q, 2, newParts.back());
        BindText(*q, 3, VUnicodeString::FoldCase(newParts.back()));
        sqlite3_bind_int64(*q, 4, *id);
        return q.Run() && sqlite3_changes(m_db.Handle()) == 1;
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
            return new SqliteChildIterator(m_db.Handle(), m_id);
        auto* it = new SqliteIterator();
        if (kind == kEnumerateValues) {
            // From the values the key reads in one query anyway: looking at
            // what a session holds and loading it is one query, not two.
            Load();
            std::vector<const std::pair<const std::u16string, Cached>*> values;
            values.reserve(m_values.size());
            for (const auto& entry : m_values)
                values.push_back(&entry);
            std::sort(values.begin(), values.end(), [](const auto* a, const auto* b) { return a->first < b->first; });
            for (const auto* entry : values)
                it->Add(entry->second.name, static_cast<uint32_t>(entry->second.kind));
        }
        return it;
    }

private:
    struct Cached {
        int kind = 0;
        uint32_t number = 0;
        std::string data;
        std::u16string name; // as first written
    };

    // All values of the key come in one query, kept while this process
    // holds the transaction (nobody else can change them meanwhile) and
    // no other handle has written.
    void Load()
    {
        if (CacheIsCurrent())
            return;
        m_values.clear();
        m_values.reserve(512);
        Database::Use q(m_db, "SELECT folded, kind, data, name FROM vals WHERE key=?1");
        if (q) {
            sqlite3_bind_int64(*q, 1, m_id);
            while (q.Step()) {
                Cached c;
                c.name = BlobText(*q, 3);
                c.kind = sqlite3_column_int(*q, 1);
                if (c.kind == kDword) {
                    c.number = static_cast<uint32_t>(sqlite3_column_int64(*q, 2));
                } else {
                    const void* blob = sqlite3_column_blob(*q, 2);
                    c.data.assign(static_cast<const char*>(blob), static_cast<size_t>(sqlite3_column_bytes(*q, 2)));
                }
                m_values.emplace(std::u16string(BlobText(*q, 0)), std::move(c));
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
        // The first-written case of a name stays.
        Database::Use q(m_db, "INSERT INTO vals(key, folded, name, kind, data) VALUES(?1, ?2, ?3, ?4, ?5) "
                              "ON CONFLICT(key, folded) DO UPDATE SET kind=excluded.kind, data=excluded.data");
        if (!q)
            return false;
        std::u16string folded = VUnicodeString::FoldCase(name);
        sqlite3_bind_int64(*q, 1, m_id);
        BindText(*q, 2, folded);
        BindText(*q, 3, name);
        sqlite3_bind_int(*q, 4, kind);
        if (kind == kDword)
            sqlite3_bind_int64(*q, 5, number);
        else
            sqlite3_bind_blob(*q, 5, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
        const bool current = CacheIsCurrent();
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
            Cached& cached = m_values[std::move(folded)];
            if (cached.name.empty())
                cached.name = name.str();
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
    std::unordered_map<std::u16string, Cached> m_values;
    VUnicodeString m_recordedName;
};

class SqliteStore final : public IProfileBackendStore {
public:
    explicit SqliteStore(Database& db) : m_db(db), m_usable(m_db.BeginStore()) {}
    ~SqliteStore() override { m_db.EndStore(); }
    IProfileBackendKey* OpenRootKey(int) override { return m_usable ? new SqliteKey(m_db, kRootId) : nullptr; }

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
    return m_db->IsOpen() ? new SqliteStore(*m_db) : nullptr;
}

std::string SqliteProfileFactory::DefaultPath()
{
    if (const char* named = std::getenv("ORV_CONFIG_DB"); named && *named)
        return named;
    const std::string folder = Narrow(GetOrvConfigPathSub());
    return (folder.empty() ? std::string(".") : folder) + "/config.db";
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

VProfileStoreFactory* GetDefaultProfileStoreFactory()
{
    static SqliteProfileFactory factory;
    return &factory;
}
