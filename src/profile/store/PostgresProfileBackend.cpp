#include "profile/store/PostgresProfileBackend.h"

#include <libpq-fe.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <thread>
#include <unordered_map>
#include <vector>

#include "core/UnicodeConversion.h"
#include "profile/reports/ReportRouting.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/store/ProfileKeyPath.h"
#include "profile/store/SqliteProfileBackend.h"

namespace {

constexpr int64_t kRootId = 1;
// "ORVL", as in the SQLite file's application id.
constexpr int64_t kApplicationId = 0x4F52564C;
constexpr int kSchemaVersion = 2;
constexpr int kDefaultBusyTimeoutMs = 15000;

enum Kind : int { kString = 1, kBinary = 3, kDword = 4, kMultiString = 7 };

constexpr uint32_t kMsgDatabaseCannotOpen = 0xE1620031;
constexpr uint32_t kMsgDatabaseBusy = 0xE1620032;
constexpr uint32_t kMsgDatabaseNotSaved = 0xE1620033;
constexpr uint32_t kMsgDatabaseReadOnly = 0xE1620034;

// The shape of the SQLite file's second version. Folded names compare and
// sort byte by byte, so that listings come in the same order on both.
const char* const kSchemaTables = R"(
CREATE TABLE profile_schema(
  application bigint NOT NULL,
  version integer NOT NULL,
  revision bigint NOT NULL);
CREATE TABLE keys(
  id bigserial PRIMARY KEY,
  parent bigint REFERENCES keys(id) ON DELETE CASCADE,
  name text NOT NULL,
  folded text COLLATE "C" NOT NULL,
  hasvals boolean NOT NULL DEFAULT false,
  UNIQUE(parent, folded));
CREATE INDEX keys_listed ON keys(parent, folded) INCLUDE (name, hasvals);
CREATE TABLE names(
  id bigserial PRIMARY KEY,
  folded text COLLATE "C" NOT NULL UNIQUE,
  name text NOT NULL);
CREATE TABLE vals(
  key bigint NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
  name bigint NOT NULL REFERENCES names(id),
  kind integer NOT NULL,
  num bigint,
  txt text,
  bin bytea,
  spelling text,
  PRIMARY KEY(key, name));
INSERT INTO keys(id, parent, name, folded) VALUES(1, NULL, '', '');
SELECT setval(pg_get_serial_sequence('keys', 'id'), 1);
INSERT INTO profile_schema VALUES(1330796108, 2, 0);
)";
static_assert(kApplicationId == 1330796108);

// The channel a committed write announces itself on.
const char* const kChannel = "orvalis_profile";
// Past this many keys changed, an announcement names none (refreshing
// everything costs less than finding each).
constexpr size_t kMostTouchedNamed = 200;
// Value writes sent before their answers are taken: few enough that
// neither side's buffers fill while the other waits.
constexpr int kWritesPerSync = 256;

bool IsWellFormed(std::u16string_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == 0)
            return false; // a text column holds no NUL
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

// Names travel as UTF-8; one that is not text cannot be stored.
std::optional<std::string> Utf8(std::u16string_view s)
{
    if (!IsWellFormed(s))
        return std::nullopt;
    try {
        return VUnicodeString(s).ToUtf8();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::u16string Utf16(const char* data, int length)
{
    try {
        return VUnicodeString::FromUtf8(std::string_view(data, static_cast<size_t>(length))).str();
    } catch (const std::exception&) {
        return u"?";
    }
}

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

bool DecodeArray(const std::string& data, VStringArray& out)
{
    VStringArray array;
    size_t at = 0;
    while (at < data.size()) {
        uint32_t n = 0;
        if (data.size() - at < 4)
            return false;
        std::memcpy(&n, data.data() + at, 4);
        at += 4;
        if (n > (data.size() - at) / 2)
            return false;
        std::u16string s(n, u'\0');
        std::memcpy(s.data(), data.data() + at, n * 2);
        at += n * 2;
        array.Add(VUnicodeString(std::move(s)));
    }
    out = std::move(array);
    return true;
}

void RouteDatabaseReport(uint32_t id, const std::string& where, const std::string& detail)
{
    auto* report = VReportMessageParams::Create(id);
    report->AddParameter(VUnicodeString(Utf16(where.data(), static_cast<int>(where.size()))));
    if (!detail.empty() || id != kMsgDatabaseReadOnly)
        report->AddParameter(VUnicodeString(Utf16(detail.data(), static_cast<int>(detail.size()))));
    RouteReport(report);
}

// The URI as shown in reports: without a password.
std::string Shown(const std::string& uri)
{
    const size_t scheme = uri.find("://");
    const size_t at = uri.find('@');
    if (scheme == std::string::npos || at == std::string::npos || at < scheme)
        return uri;
    const size_t colon = uri.find(':', scheme + 3);
    if (colon == std::string::npos || colon > at)
        return uri;
    return uri.substr(0, colon) + uri.substr(at);
}

// One statement's parameters: texts and numbers as text, bytes as binary.
class Params {
public:
    Params& Text(std::string s)
    {
        m_values.push_back(std::move(s));
        m_formats.push_back(0);
        m_null.push_back(false);
        return *this;
    }
    Params& Int(int64_t n) { return Text(std::to_string(n)); }
    Params& Bytes(std::string b)
    {
        Text(std::move(b));
        m_formats.back() = 1;
        return *this;
    }
    Params& Null()
    {
        Text({});
        m_null.back() = true;
        return *this;
    }
    int Count() const { return static_cast<int>(m_values.size()); }
    void Fill(std::vector<const char*>& values, std::vector<int>& lengths) const
    {
        for (size_t i = 0; i < m_values.size(); ++i) {
            values.push_back(m_null[i] ? nullptr : m_values[i].data());
            lengths.push_back(static_cast<int>(m_values[i].size()));
        }
    }
    const int* Formats() const { return m_formats.data(); }

private:
    std::vector<std::string> m_values;
    std::vector<int> m_formats;
    std::vector<bool> m_null;
};

// A result in binary form; numbers come in network order.
class Result {
public:
    Result() = default;
    explicit Result(PGresult* r) : m_r(r) {}
    Result(Result&& other) noexcept : m_r(other.m_r) { other.m_r = nullptr; }
    Result& operator=(Result&& other) noexcept
    {
        std::swap(m_r, other.m_r);
        return *this;
    }
    ~Result() { PQclear(m_r); }

    bool Ok() const
    {
        const ExecStatusType s = m_r ? PQresultStatus(m_r) : PGRES_FATAL_ERROR;
        return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
    }
    int Rows() const { return m_r ? PQntuples(m_r) : 0; }
    int Changed() const { return Ok() ? std::atoi(PQcmdTuples(m_r)) : -1; }
    bool IsNull(int row, int column) const { return PQgetisnull(m_r, row, column) != 0; }
    int64_t Int(int row, int column) const
    {
        if (PQfformat(m_r, column) == 0) { // a result of PQexec comes as text
            const char* text = PQgetvalue(m_r, row, column);
            return *text == 't' ? 1 : *text == 'f' ? 0 : std::strtoll(text, nullptr, 10);
        }
        const auto* p = reinterpret_cast<const unsigned char*>(PQgetvalue(m_r, row, column));
        const int n = PQgetlength(m_r, row, column);
        uint64_t v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | p[i];
        if (n == 4)
            return static_cast<int32_t>(v);
        return static_cast<int64_t>(v);
    }
    std::string_view Bytes(int row, int column) const
    {
        return {PQgetvalue(m_r, row, column), static_cast<size_t>(PQgetlength(m_r, row, column))};
    }
    std::u16string Text(int row, int column) const
    {
        return Utf16(PQgetvalue(m_r, row, column), PQgetlength(m_r, row, column));
    }
    std::string State() const
    {
        const char* s = m_r ? PQresultErrorField(m_r, PG_DIAG_SQLSTATE) : nullptr;
        return s ? s : "";
    }
    std::string Message() const
    {
        const char* s = m_r ? PQresultErrorField(m_r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        return s ? s : "no answer from the server";
    }

private:
    PGresult* m_r = nullptr;
};

bool IsConflict(const std::string& state)
{
    // serialization failure, deadlock, lock wait timed out
    return state == "40001" || state == "40P01" || state == "55P03";
}

bool IsPermission(const std::string& state)
{
    // insufficient privilege, read-only transaction or server
    return state == "42501" || state == "25006";
}

} // namespace

// The connection, its prepared statements and the transaction of the
// outermost store.
class PostgresProfileFactory::Connection {
public:
    explicit Connection(std::string uri) : m_uri(std::move(uri)) { Open(); }
    ~Connection()
    {
        StopListening();
        Close();
    }

    const std::string& Uri() const { return m_uri; }
    bool IsOpen() const { return m_conn != nullptr; }
    bool IsReadOnly() const { return m_readOnly; }
    bool InTransaction() const { return m_depth > 0 && m_began; }
    uint64_t Generation() const { return m_generation; }
    uint64_t StatementsRun() const { return m_statementsRun; }
    void SetBusyTimeout(int ms) { m_busyTimeoutMs = ms; }

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
    void KeysMoved() { m_children.clear(); }
    uint64_t Deletes() const { return m_deletes; }
    // The keys whose values or children this transaction changed: its
    // announcement names them, so that others refresh those folders only.
    void Touched(int64_t id)
    {
        if (m_touched.size() <= kMostTouchedNamed)
            m_touched.insert(id);
    }

    // A lost or refused connection is made again by the next store.
    bool Reopen()
    {
        if (m_conn && PQstatus(m_conn) == CONNECTION_OK)
            return true;
        Close();
        return Open();
    }

    bool BeginStore()
    {
        if (m_depth++ > 0)
            return m_began;
        if (!m_conn)
            return false;
        ++m_generation;
        m_valueVersions.clear();
        m_touched.clear();
        m_writing = m_abandoned = m_refused = false;
        m_began = BeginReading();
        if (!m_began)
            Lost("the store could not begin");
        // Every write transaction moves the revision on: while it stands
        // where this connection last saw it, the keys looked up before are
        // still where they were, and a walk over many folders resolves each
        // path level once across operations.
        if (!m_began || m_snapshotRevision != m_knownRevision)
            StartOver();
        return m_began;
    }
    void EndStore()
    {
        if (--m_depth > 0 || !m_conn)
            return;
        if (!m_began) {
            if (PQstatus(m_conn) != CONNECTION_OK)
                Close();
            return;
        }
        TakeWriteAnswers();
        m_began = false;
        const bool writing = m_writing;
        const int64_t known = writing ? m_writeRevision : m_snapshotRevision;
        m_knownRevision = -1;
        m_writing = false;
        if (m_abandoned || m_refused) {
            Exec("ROLLBACK");
            ForgetNamesMadeSinceCommit();
        } else if (PQtransactionStatus(m_conn) == PQTRANS_INERROR) {
            // A statement failed and the server dropped the transaction.
            if (writing)
                RouteDatabaseReport(kMsgDatabaseNotSaved, Shown(m_uri), PQerrorMessage(m_conn));
            Exec("ROLLBACK");
            ForgetNamesMadeSinceCommit();
        } else if (!writing && PQsendQuery(m_conn, "COMMIT")) {
            // A reader's end needs no answer: the next statement takes it,
            // and an operation that only reads waits for one round trip less.
            ++m_statementsRun;
            m_answerPending = true;
            m_knownRevision = known;
        } else {
            Result done = writing ? Exec(Announcement() + "; COMMIT") : Exec("COMMIT");
            if (!done.Ok()) {
                if (writing)
                    RouteDatabaseReport(kMsgDatabaseNotSaved, Shown(m_uri),
                                        PQstatus(m_conn) != CONNECTION_OK ? "the connection to the server was lost"
                                                                          : done.Message());
                Exec("ROLLBACK");
                ForgetNamesMadeSinceCommit();
            } else {
                m_namesMade.clear();
                m_knownRevision = known;
            }
        }
        if (m_knownRevision < 0)
            m_children.clear(); // keys made by a transaction undone are gone
        ++m_generation; // others may have written since
        if (PQstatus(m_conn) != CONNECTION_OK)
            Close();
    }
    void Abandon()
    {
        if (m_depth > 0)
            m_abandoned = true;
    }

    // The announcement names the schema (clients of other schemas in the
    // same database ignore it), then on lines of their own the paths of
    // the keys changed. Without them (too many, or a name that holds a line
    // break) a listener takes it that anything may have changed.
    std::string Announcement() const
    {
        std::string ids;
        for (const int64_t id : m_touched)
            ids += (ids.empty() ? "" : ",") + std::to_string(id);
        if (ids.empty() || m_touched.size() > kMostTouchedNamed)
            return std::string("SELECT pg_notify('") + kChannel + "', current_schema())";
        return std::string("WITH RECURSIVE up(next, path) AS (SELECT parent, name FROM keys WHERE id IN (") + ids +
               ") UNION ALL SELECT k.parent, k.name || E'\\\\' || up.path FROM up JOIN keys k ON k.id=up.next), "
               "named AS (SELECT ltrim(path, E'\\\\') AS path FROM up WHERE next IS NULL) "
               "SELECT pg_notify('" + kChannel + "', current_schema() || COALESCE((SELECT CASE WHEN "
               "sum(octet_length(path) + 1) < 7000 AND NOT bool_or(strpos(path, E'\\n') > 0) THEN "
               "string_agg(E'\\n' || path, '') END FROM named), ''))";
    }

    bool TakeOutsideChanges(VStringArray& paths)
    {
        if (!m_listener) {
            const auto now = std::chrono::steady_clock::now();
            if (!m_conn || now < m_nextListen)
                return false;
            m_nextListen = now + std::chrono::seconds(5);
            PGconn* listener = PQconnectdb(m_uri.c_str());
            Result listening(listener && PQstatus(listener) == CONNECTION_OK
                                 ? PQexec(listener, (std::string("LISTEN ") + kChannel + "; SELECT current_schema()").c_str())
                                 : nullptr);
            if (!listening.Ok() || listening.Rows() != 1 || listening.IsNull(0, 0)) {
                PQfinish(listener);
                return false;
            }
            PQsetNoticeProcessor(listener, [](void*, const char*) {}, nullptr);
            m_listener = listener;
            m_schema = std::string(listening.Bytes(0, 0));
            const bool missed = m_listenerLost;
            m_listenerLost = false;
            return missed;
        }
        if (!PQconsumeInput(m_listener) || PQstatus(m_listener) != CONNECTION_OK) {
            PQfinish(m_listener);
            m_listener = nullptr;
            m_listenerLost = true;
            m_nextListen = {};
            return true;
        }
        const int own = m_conn ? PQbackendPID(m_conn) : 0;
        bool changed = false;
        bool anything = false; // a change that named no keys
        std::set<std::u16string> named;
        while (PGnotify* notice = PQnotifies(m_listener)) {
            const std::string_view text(notice->extra);
            const size_t lines = text.find('\n');
            if (notice->be_pid != own && text.substr(0, lines) == m_schema) {
                changed = true;
                anything = anything || lines == std::string_view::npos;
                for (size_t from = lines; !anything && from != std::string_view::npos;) {
                    const size_t end = text.find('\n', from + 1);
                    try {
                        named.insert(Utf8ToUtf16(text.substr(from + 1, end - from - 1)));
                    } catch (const std::exception&) {
                        anything = true;
                    }
                    from = end;
                }
            }
            PQfreemem(notice);
        }
        if (changed && !anything)
            for (const std::u16string& path : named)
                paths.Add(VUnicodeString(path));
        return changed;
    }
    void TakePendingAnswer()
    {
        if (!m_answerPending)
            return;
        m_answerPending = false;
        while (PGresult* answer = PQgetResult(m_conn))
            PQclear(answer);
    }
    void StopListening()
    {
        PQfinish(m_listener);
        m_listener = nullptr;
    }

    // Called before every write. The read-only snapshot ends and a
    // serializable transaction takes the schema row, which makes writers
    // one at a time; when another writer committed since the snapshot, what
    // this store cached is dropped, as on SQLite. A conflict is tried again
    // until the busy timeout, then the store is refused (nothing it wrote
    // stays) and goes on reading.
    bool BeginWrite()
    {
        if (m_writing)
            return true;
        if (m_depth == 0 && m_conn) { // a key kept past its store writes on its own
            if (m_readOnly)
                return false;
            m_knownRevision = -1;
            Exec("UPDATE profile_schema SET revision=revision+1"); // others look again
            return true;
        }
        if (!m_began || m_refused || m_abandoned)
            return false;
        if (m_readOnly) { // refused once; the store goes on reading its snapshot
            m_refused = true;
            RouteDatabaseReport(kMsgDatabaseReadOnly, Shown(m_uri), {});
            return false;
        }
        Exec("ROLLBACK");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_busyTimeoutMs);
        std::string problem;
        uint32_t report = kMsgDatabaseBusy;
        for (int attempt = 0;; ++attempt) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            // A commit is reported done once it is on the server's disk,
            // whatever the server's default: a crash right after it loses
            // nothing the user was told is saved.
            Result began = Exec("BEGIN ISOLATION LEVEL SERIALIZABLE; SET LOCAL synchronous_commit=on; "
                                "SET LOCAL lock_timeout=" +
                                std::to_string(std::max<int64_t>(1, left.count())));
            Result taken = began.Ok() ? Run("UPDATE profile_schema SET revision=revision+1 RETURNING revision", Params())
                                      : std::move(began);
            if (taken.Ok() && taken.Rows() == 1) {
                m_writeRevision = taken.Int(0, 0);
                if (m_writeRevision != m_snapshotRevision + 1)
                    StartOver();
                m_writing = true;
                return true;
            }
            problem = taken.Message();
            const std::string state = taken.State();
            Exec("ROLLBACK");
            if (IsPermission(state)) {
                m_readOnly = true;
                report = kMsgDatabaseReadOnly;
                problem.clear();
                break;
            }
            if (!IsConflict(state) || PQstatus(m_conn) != CONNECTION_OK ||
                std::chrono::steady_clock::now() >= deadline)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(5 << std::min(attempt, 5), 100)));
        }
        if (PQstatus(m_conn) != CONNECTION_OK) {
            m_refused = true;
            Lost(problem);
            return false;
        }
        Refuse(report, problem);
        return false;
    }

    // Runs a prepared statement; statements are prepared once per
    // connection.
    Result Run(const char* sql, const Params& params)
    {
        TakeWriteAnswers(); // may close a connection that cannot go on
        if (!m_conn)
            return Result();
        TakePendingAnswer();
        ++m_statementsRun;
        Result made;
        const std::string* name = Prepared(sql, made);
        if (!name)
            return made;
        std::vector<const char*> values;
        std::vector<int> lengths;
        params.Fill(values, lengths);
        return Result(PQexecPrepared(m_conn, name->c_str(), params.Count(), values.data(), lengths.data(),
                                     params.Formats(), 1));
    }
    // The name `sql` is prepared under, prepared now if it is not yet;
    // null (with the server's answer in `failed`) when it cannot be.
    const std::string* Prepared(const char* sql, Result& failed)
    {
        auto it = m_prepared.find(sql);
        if (it == m_prepared.end()) {
            const std::string name = "s" + std::to_string(m_prepared.size());
            failed = Result(PQprepare(m_conn, name.c_str(), sql, 0, nullptr));
            if (!failed.Ok())
                return nullptr;
            it = m_prepared.emplace(sql, name).first;
        }
        return &it->second;
    }
    // A statement with parameters that is not kept.
    Result RunOnce(const std::string& sql, const Params& params)
    {
        TakeWriteAnswers(); // may close a connection that cannot go on
        if (!m_conn)
            return Result();
        TakePendingAnswer();
        ++m_statementsRun;
        std::vector<const char*> values;
        std::vector<int> lengths;
        params.Fill(values, lengths);
        return Result(PQexecParams(m_conn, sql.c_str(), params.Count(), nullptr, values.data(), lengths.data(),
                                   params.Formats(), 1));
    }
    Result Exec(const std::string& sql)
    {
        TakeWriteAnswers(); // may close a connection that cannot go on
        if (!m_conn)
            return Result();
        TakePendingAnswer();
        ++m_statementsRun;
        return Result(PQexec(m_conn, sql.c_str()));
    }

    // A value write that must change one row. Within a writing store, for a
    // key known to be there (`mayDefer`), it is sent without waiting for
    // its answer (libpq's pipeline), so that many values cost one round
    // trip a batch; anything else the connection does first takes the
    // answers, and a write that failed then refuses the store: nothing it
    // wrote stays.
    bool WriteValue(const char* sql, const Params& params, bool mayDefer)
    {
        if (!m_conn)
            return false;
        if (!mayDefer || !InTransaction() || !m_writing) {
            Result r = Run(sql, params);
            return r.Changed() == 1;
        }
        if (m_pipelined && !m_prepared.contains(sql) && !TakeWriteAnswers())
            return false; // a statement is prepared outside the pipeline
        Result failed;
        const std::string* name = m_pipelined ? &m_prepared.at(sql) : (TakePendingAnswer(), Prepared(sql, failed));
        if (!name)
            return false;
        if (!m_pipelined) {
            if (!PQenterPipelineMode(m_conn))
                return Run(sql, params).Changed() == 1;
            m_pipelined = true;
        }
        ++m_statementsRun;
        std::vector<const char*> values;
        std::vector<int> lengths;
        params.Fill(values, lengths);
        if (!PQsendQueryPrepared(m_conn, name->c_str(), params.Count(), values.data(), lengths.data(),
                                 params.Formats(), 1)) {
            m_writeFailure = PQerrorMessage(m_conn);
            TakeWriteAnswers();
            return false;
        }
        if (++m_writesSent >= kWritesPerSync)
            return TakeWriteAnswers();
        return true;
    }
    // The answers to the writes sent; false (and the store refused) when
    // one failed or changed nothing.
    bool TakeWriteAnswers()
    {
        if (!m_pipelined || !m_conn)
            return true;
        m_pipelined = false;
        std::string problem = std::move(m_writeFailure);
        m_writeFailure.clear();
        bool failed = !problem.empty() || PQpipelineSync(m_conn) != 1;
        // Each write's answer ends with a null; the sync's answer ends them all.
        for (int ends = 0; !failed || PQstatus(m_conn) == CONNECTION_OK;) {
            PGresult* answer = PQgetResult(m_conn);
            if (!answer) {
                if (++ends > m_writesSent + 1)
                    break;
                continue;
            }
            const ExecStatusType status = PQresultStatus(answer);
            if (status == PGRES_PIPELINE_SYNC) {
                PQclear(answer);
                break;
            }
            if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
                const char* message = PQresultErrorField(answer, PG_DIAG_MESSAGE_PRIMARY);
                if (problem.empty() && message)
                    problem = message;
                failed = true;
            } else if (std::atoi(PQcmdTuples(answer)) != 1) {
                failed = true;
            }
            PQclear(answer);
        }
        m_writesSent = 0;
        if (!PQexitPipelineMode(m_conn)) { // answers left unread: the connection cannot go on
            failed = true;
            Close();
        }
        if (!failed)
            return true;
        if (!m_conn || PQstatus(m_conn) != CONNECTION_OK) {
            m_refused = true;
            Lost(problem);
        } else {
            Refuse(kMsgDatabaseNotSaved, problem.empty() ? "a value's key is gone" : problem);
        }
        return false;
    }

    std::optional<int64_t> Child(int64_t parent, std::u16string_view name)
    {
        std::u16string folded = VUnicodeString::FoldCase(name);
        const bool keep = InTransaction();
        if (keep)
            if (const auto it = m_children.find({parent, folded}); it != m_children.end())
                return it->second;
        const std::optional<std::string> text = Utf8(folded);
        if (!text)
            return std::nullopt;
        Result r = Run("SELECT id FROM keys WHERE parent=$1 AND folded=$2", Params().Int(parent).Text(*text));
        if (r.Rows() != 1)
            return std::nullopt;
        const int64_t id = r.Int(0, 0);
        if (keep)
            m_children.emplace(ChildKey{parent, std::move(folded)}, id);
        return id;
    }
    std::optional<int64_t> AddChild(int64_t parent, std::u16string_view name)
    {
        const std::optional<std::string> spelled = Utf8(name);
        std::u16string folded = VUnicodeString::FoldCase(name);
        const std::optional<std::string> text = Utf8(folded);
        if (!spelled || !text || !BeginWrite())
            return std::nullopt;
        // A statement that fails ends the transaction: a parent deleted
        // meanwhile gets no child rather than an error.
        Result r = Run("INSERT INTO keys(parent, name, folded) SELECT $1, $2, $3 WHERE EXISTS(SELECT 1 FROM keys "
                       "WHERE id=$1) RETURNING id",
                       Params().Int(parent).Text(*spelled).Text(*text));
        if (r.Rows() != 1)
            return std::nullopt;
        const int64_t id = r.Int(0, 0);
        Touched(parent);
        if (InTransaction())
            m_children.emplace(ChildKey{parent, std::move(folded)}, id);
        return id;
    }
    std::optional<int64_t> Resolve(int64_t from, std::u16string_view path, bool create)
    {
        const std::vector<std::u16string_view> parts = SplitKeyPath(path);
        int64_t id = from;
        size_t at = 0;
        if (InTransaction()) // the levels looked up before cost nothing
            for (auto it = m_children.end(); at < parts.size(); ++at, id = it->second)
                if ((it = m_children.find({id, VUnicodeString::FoldCase(parts[at])})) == m_children.end())
                    break;
        if (parts.size() - at > 1)
            LookUpLevels(parts, at, id);
        for (; at < parts.size(); ++at) {
            std::optional<int64_t> next = Child(id, parts[at]);
            if (!next && create)
                next = AddChild(id, parts[at]);
            if (!next)
                return std::nullopt;
            id = *next;
        }
        return id;
    }
    // Follows `parts` from level `at` below `id` in one query, as far as the
    // keys are there, and moves `at` and `id` to the last one found: a path
    // several levels deep costs one round trip, not one a level.
    void LookUpLevels(const std::vector<std::u16string_view>& parts, size_t& at, int64_t& id)
    {
        std::vector<std::u16string> folded;
        std::string names = "{";
        for (size_t i = at; i < parts.size(); ++i) {
            folded.push_back(VUnicodeString::FoldCase(parts[i]));
            const std::optional<std::string> text = Utf8(folded.back());
            if (!text)
                return; // the levels are looked up one by one
            names += names.size() > 1 ? ",\"" : "\"";
            for (const char c : *text)
                (c == '"' || c == '\\' ? names += '\\' : names) += c;
            names += '"';
        }
        names += '}';
        Result r = Run("WITH RECURSIVE walk(depth, id) AS (SELECT 0, $1::bigint UNION ALL SELECT w.depth + 1, k.id "
                       "FROM walk w JOIN keys k ON k.parent=w.id AND k.folded=($2::text[])[w.depth + 1] "
                       "WHERE w.depth < cardinality($2::text[])) SELECT depth, id FROM walk WHERE depth > 0 ORDER BY depth",
                       Params().Int(id).Text(names));
        for (int row = 0; row < r.Rows() && r.Int(row, 0) == row + 1; ++row) {
            const int64_t child = r.Int(row, 1);
            if (InTransaction())
                m_children.emplace(ChildKey{id, std::move(folded[static_cast<size_t>(row)])}, child);
            id = child;
            ++at;
        }
    }
    bool KeyRowExists(int64_t id) { return Run("SELECT 1 FROM keys WHERE id=$1", Params().Int(id)).Rows() == 1; }
    bool IsAtOrBelow(int64_t id, int64_t ancestor)
    {
        Result r = Run("WITH RECURSIVE up(id) AS (SELECT $1::bigint UNION SELECT k.parent FROM keys k JOIN up ON "
                       "k.id=up.id WHERE k.parent IS NOT NULL) SELECT 1 FROM up WHERE id=$2",
                       Params().Int(id).Int(ancestor));
        return !r.Ok() || r.Rows() > 0;
    }

    // A value name's number and the spelling it was first written with.
    struct Name {
        int64_t id = 0;
        std::u16string folded;
        std::u16string spelling;
    };
    const Name* NameOf(std::u16string_view name, bool create)
    {
        std::u16string folded = VUnicodeString::FoldCase(name);
        if (const auto it = m_namesByFolded.find(folded); it != m_namesByFolded.end())
            return &m_names.at(it->second);
        const std::optional<std::string> text = Utf8(folded);
        const std::optional<std::string> spelled = Utf8(name);
        if (!text || !spelled)
            return nullptr;
        {
            Result r = Run("SELECT id, name FROM names WHERE folded=$1", Params().Text(*text));
            if (r.Rows() == 1)
                return &Remember(r.Int(0, 0), std::move(folded), r.Text(0, 1));
        }
        if (!create || !BeginWrite())
            return nullptr;
        Result r = Run("INSERT INTO names(folded, name) VALUES($1, $2) RETURNING id", Params().Text(*text).Text(*spelled));
        if (r.Rows() != 1)
            return nullptr;
        const int64_t id = r.Int(0, 0);
        m_namesMade.push_back(id);
        return &Remember(id, std::move(folded), std::u16string(name));
    }
    const Name& Remember(int64_t id, std::u16string folded, std::u16string spelling)
    {
        m_namesByFolded[folded] = id;
        Name& entry = m_names[id];
        entry.id = id;
        entry.folded = std::move(folded);
        entry.spelling = std::move(spelling);
        return entry;
    }

private:
    void StartOver()
    {
        ++m_generation;
        m_valueVersions.clear();
        m_children.clear();
    }
    bool BeginReading()
    {
        Result r = Exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY; SELECT revision FROM profile_schema");
        if (!r.Ok() || r.Rows() != 1) {
            Exec("ROLLBACK");
            return false;
        }
        m_snapshotRevision = r.Int(0, 0);
        return true;
    }
    // The store is refused: what it wrote goes when it ends, and it goes
    // on reading meanwhile.
    void Refuse(uint32_t report, const std::string& detail)
    {
        m_refused = true;
        RouteDatabaseReport(report, Shown(m_uri), detail);
        StartOver();
        Exec("ROLLBACK");
        if (!BeginReading())
            m_began = false;
    }
    void Lost(const std::string& detail)
    {
        RouteDatabaseReport(kMsgDatabaseCannotOpen, Shown(m_uri),
                            m_conn && PQstatus(m_conn) != CONNECTION_OK ? "the connection to the server was lost"
                                                                        : detail);
    }
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

    bool Open()
    {
        PGconn* conn = PQconnectdb(m_uri.c_str());
        if (!conn || PQstatus(conn) != CONNECTION_OK) {
            std::string problem = conn ? PQerrorMessage(conn) : "out of memory";
            while (!problem.empty() && (problem.back() == '\n' || problem.back() == ' '))
                problem.pop_back();
            PQfinish(conn);
            RouteDatabaseReport(kMsgDatabaseCannotOpen, Shown(m_uri), problem);
            return false;
        }
        PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
        m_conn = conn;
        std::string problem;
        if (!Prepare(problem)) {
            RouteDatabaseReport(kMsgDatabaseCannotOpen, Shown(m_uri), problem);
            Close();
            return false;
        }
        return true;
    }
    void Close()
    {
        m_prepared.clear();
        m_names.clear();
        m_namesByFolded.clear();
        m_namesMade.clear();
        m_children.clear();
        m_knownRevision = -1;
        PQfinish(m_conn);
        m_conn = nullptr;
        m_began = false;
        m_answerPending = false;
        m_pipelined = false;
        m_writesSent = 0;
    }

    // Makes the tables in an empty schema, under a lock so that two
    // clients starting at once make them once; a schema of another program
    // or version is left as it is.
    bool Prepare(std::string& problem)
    {
        for (int round = 0; round < 2; ++round) {
            // Short statements only: compiling one just in time costs more
            // than it saves.
            Result shape = Exec("SET jit=off; SELECT (SELECT count(*) FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON "
                                "n.oid=c.relnamespace WHERE n.nspname=current_schema() AND c.relkind IN "
                                "('r','v','m','p','f')), to_regclass('profile_schema') IS NOT NULL, current_schema()");
            if (!shape.Ok() || shape.Rows() != 1) {
                problem = shape.Message();
                return false;
            }
            if (shape.IsNull(0, 2)) {
                problem = "the connection has no schema to keep the tables in (see search_path)";
                return false;
            }
            if (shape.Int(0, 1) != 0) {
                Result mark = Exec("SELECT application, version FROM profile_schema");
                if (!mark.Ok() || mark.Rows() != 1) {
                    problem = mark.Ok() ? "the schema's version mark is missing" : mark.Message();
                    return false;
                }
                if (mark.Int(0, 0) != kApplicationId || mark.Int(0, 1) != kSchemaVersion) {
                    problem = "the schema holds a database of another program or of a newer version; it was left "
                              "as it is";
                    return false;
                }
                Result rights =
                    Exec("SELECT has_table_privilege('keys','INSERT,UPDATE,DELETE') AND "
                         "has_table_privilege('vals','INSERT,UPDATE,DELETE') AND has_table_privilege('names','INSERT') "
                         "AND has_table_privilege('profile_schema','UPDATE') AND "
                         "current_setting('transaction_read_only')='off'");
                m_readOnly = !rights.Ok() || rights.Rows() != 1 || rights.Int(0, 0) == 0;
                return true;
            }
            if (shape.Int(0, 0) != 0) {
                problem = "the schema holds tables of another program; they were left as they are";
                return false;
            }
            // Two clients starting at once: the second waits, then finds
            // the tables made.
            Result locked = Exec("BEGIN; SELECT pg_advisory_xact_lock(1330796108), to_regclass('profile_schema') IS NULL");
            Result made = locked.Ok() && locked.Rows() == 1 && locked.Int(0, 1) ? Exec(kSchemaTables) : std::move(locked);
            if (!made.Ok() || !(made = Exec("COMMIT")).Ok()) {
                problem = made.Message();
                Exec("ROLLBACK");
                return false;
            }
        }
        problem = "the tables could not be made";
        return false;
    }

    std::string m_uri;
    PGconn* m_conn = nullptr;
    bool m_answerPending = false; // a reader's COMMIT was sent, its answer not read
    PGconn* m_listener = nullptr; // LISTENs for other clients' commits
    std::string m_schema;
    bool m_listenerLost = false;
    std::chrono::steady_clock::time_point m_nextListen{};
    std::unordered_map<const char*, std::string> m_prepared;
    int m_busyTimeoutMs = kDefaultBusyTimeoutMs;
    int m_depth = 0;
    bool m_began = false;
    bool m_writing = false;
    bool m_abandoned = false;
    bool m_refused = false;
    bool m_readOnly = false;
    int64_t m_snapshotRevision = 0;
    int64_t m_writeRevision = 0;
    int64_t m_knownRevision = -1; // the revision the cached key lookups hold for
    uint64_t m_generation = 1;
    std::unordered_map<int64_t, uint64_t> m_valueVersions;
    uint64_t m_deletes = 0;
    std::set<int64_t> m_touched;
    bool m_pipelined = false; // value writes sent, their answers not taken
    int m_writesSent = 0;
    std::string m_writeFailure;
    uint64_t m_statementsRun = 0;
    std::unordered_map<int64_t, Name> m_names;
    std::unordered_map<std::u16string, int64_t> m_namesByFolded;
    std::vector<int64_t> m_namesMade;
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

using Connection = PostgresProfileFactory::Connection;

class PostgresIterator final : public IProfileBackendIterator {
public:
    void Add(std::u16string name, uint32_t extra) { m_entries.emplace_back(std::move(name), extra); }
    bool Next(VUnicodeString& name, uint32_t& extra) override
    {
        if (m_next >= m_entries.size())
            return false;
        name.str() = m_entries[m_next].first;
        extra = m_entries[m_next].second;
        ++m_next;
        return true;
    }
    bool Next(VUnicodeString& name) override
    {
        uint32_t extra = 0;
        return Next(name, extra);
    }

private:
    std::vector<std::pair<std::u16string, uint32_t>> m_entries;
    size_t m_next = 0;
};

class PostgresKey final : public IProfileBackendKey {
public:
    PostgresKey(Connection& db, int64_t id)
        : m_db(db), m_id(id), m_seenGeneration(db.Generation()), m_seenDeletes(db.Deletes())
    {
    }

    bool ValueExists(const VUnicodeString& name) override { return Find(name) != nullptr; }
    bool ReadStringArray(const VUnicodeString& name, VStringArray& value) override
    {
        const Cached* v = Find(name);
        return v && v->kind == kMultiString && DecodeArray(v->data, value);
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
        Result r = m_db.Run("DELETE FROM keys WHERE id=$1 RETURNING parent", Params().Int(*id));
        m_db.KeysDeleted();
        if (r.Ok() && r.Rows() == 1 && !r.IsNull(0, 0))
            m_db.Touched(r.Int(0, 0));
        return r.Ok();
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
            return false;
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
        // The root is never deleted: opening it again asks the server nothing.
        if (SplitKeyPath(path).empty() && m_id != kRootId && !m_db.KeyRowExists(m_id))
            return nullptr;
        const std::optional<int64_t> id = m_db.Resolve(m_id, path, create != 0);
        return id ? new PostgresKey(m_db, *id) : nullptr;
    }
    IProfileBackendIterator* Enumerate(int kind) override
    {
        auto* it = new PostgresIterator();
        if (kind == kEnumerateSubkeys) {
            Result r = m_db.Run("SELECT name, hasvals FROM keys WHERE parent=$1 ORDER BY folded", Params().Int(m_id));
            for (int row = 0; row < r.Rows(); ++row)
                it->Add(r.Text(row, 0), r.Int(row, 1) ? kChildKindWithValues : kChildKindWithoutValues);
        } else if (kind == kEnumerateValues) {
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
    bool QueryValuesBelow(const VStringArray& names, int depth, const FoundValueSink& sink) override
    {
        std::string ids;
        std::unordered_map<int64_t, size_t> asked;
        for (size_t i = 0; i < names.GetSize(); ++i) {
            if (const Connection::Name* name = m_db.NameOf(names[i], false)) {
                asked.emplace(name->id, i);
                ids += (ids.empty() ? "{" : ",") + std::to_string(name->id);
            }
        }
        if (ids.empty())
            return true;
        ids += "}";
        // One level (a folder's sessions) is a plain join the planner
        // estimates well; deeper walks take each key's values by the primary
        // key (OFFSET 0 keeps the planner from scanning the whole table on
        // the recursion's guess of its size).
        Result r = depth == 1
                       ? m_db.Run("SELECT k.name, v.name, v.kind, v.num, v.txt, v.bin FROM keys k JOIN vals v ON "
                                  "v.key=k.id AND v.name = ANY($2::bigint[]) WHERE k.parent=$1",
                                  Params().Int(m_id).Text(ids))
                       : m_db.Run("WITH RECURSIVE below(id, path, depth) AS (SELECT id, name, 1 FROM keys WHERE "
                                  "parent=$1 UNION ALL SELECT k.id, below.path || '\\' || k.name, below.depth + 1 "
                                  "FROM keys k JOIN below ON k.parent=below.id WHERE below.depth < $2) "
                                  "SELECT below.path, v.name, v.kind, v.num, v.txt, v.bin FROM below CROSS JOIN "
                                  "LATERAL (SELECT * FROM vals WHERE vals.key=below.id AND vals.name = "
                                  "ANY($3::bigint[]) OFFSET 0) v",
                                  Params().Int(m_id).Int(depth > 0 ? depth : 1 << 30).Text(ids));
        if (!r.Ok())
            return false;
        std::u16string path;
        std::u16string text;
        for (int row = 0; row < r.Rows(); ++row) {
            const auto which = asked.find(r.Int(row, 1));
            if (which == asked.end())
                continue;
            path = r.Text(row, 0);
            FoundValue found{path, names[which->second], static_cast<uint32_t>(r.Int(row, 2)), 0, {}};
            Cached value = Decode(r, row, 2);
            if (found.kind == kDword) {
                found.number = value.number;
            } else if (found.kind == kString) {
                text.assign(reinterpret_cast<const char16_t*>(value.data.data()), value.data.size() / 2);
                found.text = text;
            } else if (found.kind == kMultiString) {
                VStringArray lines;
                DecodeArray(value.data, lines);
                text.clear();
                for (size_t i = 0; i < lines.GetSize(); ++i)
                    (text += i ? u"\r\n" : u"") += lines[i].str();
                found.text = text;
            }
            sink(found);
        }
        return true;
    }

private:
    struct Cached {
        int kind = 0;
        uint32_t number = 0;
        std::string data; // strings as UTF-16 units
        std::u16string name;
    };

    // A value from the columns (kind, num, txt, bin) starting at `at`.
    static Cached Decode(const Result& r, int row, int at)
    {
        Cached c;
        c.kind = static_cast<int>(r.Int(row, at));
        if (c.kind == kDword) {
            c.number = r.IsNull(row, at + 1) ? 0 : static_cast<uint32_t>(r.Int(row, at + 1));
        } else if (c.kind == kString && !r.IsNull(row, at + 2)) {
            const std::u16string text = r.Text(row, at + 2);
            c.data.assign(reinterpret_cast<const char*>(text.data()), text.size() * 2);
        } else if (!r.IsNull(row, at + 3)) {
            c.data.assign(r.Bytes(row, at + 3));
        }
        return c;
    }

    bool Place(int64_t id, int64_t parent, std::u16string_view name)
    {
        const std::optional<int64_t> clash = m_db.Child(parent, name);
        const std::optional<std::string> spelled = Utf8(name);
        const std::optional<std::string> folded = Utf8(VUnicodeString::FoldCase(name));
        if ((clash && *clash != id) || !spelled || !folded || !m_db.BeginWrite())
            return false;
        Result r = m_db.Run("UPDATE keys k SET parent=$1, name=$2, folded=$3 FROM keys was WHERE k.id=$4 AND "
                            "was.id=$4 AND EXISTS(SELECT 1 FROM keys WHERE id=$1) RETURNING was.parent",
                            Params().Int(parent).Text(*spelled).Text(*folded).Int(id));
        m_db.KeysMoved();
        if (r.Rows() != 1)
            return false;
        m_db.Touched(parent);
        if (!r.IsNull(0, 0))
            m_db.Touched(r.Int(0, 0));
        return true;
    }

    void Load()
    {
        if (CacheIsCurrent())
            return;
        m_values.clear();
        Result r = m_db.Run("SELECT v.name, n.folded, n.name, v.kind, v.num, v.txt, v.bin, v.spelling FROM vals v "
                            "JOIN names n ON n.id=v.name WHERE v.key=$1",
                            Params().Int(m_id));
        for (int row = 0; row < r.Rows(); ++row) {
            const Connection::Name& name = m_db.Remember(r.Int(row, 0), r.Text(row, 1), r.Text(row, 2));
            Cached c = Decode(r, row, 3);
            c.name = r.IsNull(row, 7) ? name.spelling : r.Text(row, 7);
            m_values.emplace(name.folded, std::move(c));
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
        const Connection::Name* interned = m_db.NameOf(name, true);
        if (!interned)
            return false;
        Params params;
        params.Int(m_id).Int(interned->id).Int(kind);
        const std::u16string_view units(reinterpret_cast<const char16_t*>(data.data()), data.size() / 2);
        if (kind == kDword)
            params.Int(number).Null().Null();
        else if (kind == kString && IsWellFormed(units))
            params.Null().Text(*Utf8(units)).Null();
        else
            params.Null().Null().Bytes(data);
        const std::optional<std::string> spelled = Utf8(name.str());
        if (!spelled)
            return false;
        if (name.str() != interned->spelling)
            params.Text(*spelled);
        else
            params.Null();
        // The first-written case of a name stays; the key is marked as
        // holding values in the same statement.
        // The key is there when this transaction found or made it and has
        // deleted nothing since (no one else writes meanwhile): its write
        // cannot miss and need not be waited for.
        const bool there = m_seenGeneration == m_db.Generation() && m_seenDeletes == m_db.Deletes();
        // Once this transaction has marked the key as holding values
        // through this handle, a value is a plain insert.
        const bool marked = there && m_markedGeneration == m_db.Generation();
        const bool written =
            marked ? m_db.WriteValue("INSERT INTO vals(key, name, kind, num, txt, bin, spelling) "
                                     "VALUES($1, $2, $3, $4, $5, $6, $7) ON CONFLICT(key, name) DO UPDATE SET "
                                     "kind=excluded.kind, num=excluded.num, txt=excluded.txt, bin=excluded.bin",
                                     params, true)
                   : m_db.WriteValue("WITH marked AS (UPDATE keys SET hasvals=true WHERE id=$1 AND NOT hasvals) "
                                     "INSERT INTO vals(key, name, kind, num, txt, bin, spelling) "
                                     "SELECT $1, $2, $3, $4, $5, $6, $7 WHERE EXISTS(SELECT 1 FROM keys WHERE id=$1) "
                                     "ON CONFLICT(key, name) DO UPDATE SET "
                                     "kind=excluded.kind, num=excluded.num, txt=excluded.txt, bin=excluded.bin",
                                     params, there);
        m_db.ValuesChanged(m_id);
        if (!written)
            return false;
        m_seenGeneration = m_markedGeneration = m_db.Generation();
        m_seenDeletes = m_db.Deletes();
        m_db.Touched(m_id);
        if (current) {
            Cached& cached = m_values[interned->folded];
            if (cached.name.empty())
                cached.name = name.str();
            cached.kind = kind;
            cached.number = number;
            cached.data = std::move(data);
            m_loadedVersion = m_db.ValuesVersion(m_id);
        }
        return true;
    }

    Connection& m_db;
    int64_t m_id;
    uint64_t m_seenGeneration; // when this key was last known to be there
    uint64_t m_seenDeletes;
    uint64_t m_markedGeneration = 0; // when this handle last marked it as holding values
    bool m_loaded = false;
    uint64_t m_loadedGeneration = 0;
    uint64_t m_loadedVersion = 0;
    std::unordered_map<std::u16string, Cached> m_values;
    VUnicodeString m_recordedName;
};

class PostgresStore final : public IProfileBackendStore {
public:
    explicit PostgresStore(Connection& db) : m_db(db), m_usable(m_db.BeginStore()) {}
    ~PostgresStore() override { m_db.EndStore(); }
    IProfileBackendKey* OpenRootKey(int) override { return m_usable ? new PostgresKey(m_db, kRootId) : nullptr; }
    void Abandon() override { m_db.Abandon(); }

private:
    Connection& m_db;
    bool m_usable;
};

} // namespace

PostgresProfileFactory::PostgresProfileFactory(std::string uri) : m_db(std::make_unique<Connection>(std::move(uri))) {}

PostgresProfileFactory::~PostgresProfileFactory() = default;

IProfileBackendStore* PostgresProfileFactory::CreateStore()
{
    return m_db->Reopen() ? new PostgresStore(*m_db) : nullptr;
}

const std::string& PostgresProfileFactory::Uri() const
{
    return m_db->Uri();
}

bool PostgresProfileFactory::IsOpen() const
{
    return m_db->IsOpen();
}

bool PostgresProfileFactory::IsReadOnly() const
{
    return m_db->IsReadOnly();
}

bool PostgresProfileFactory::TakeOutsideChanges(VStringArray& folders)
{
    return m_db->TakeOutsideChanges(folders);
}

uint64_t PostgresProfileFactory::StatementsRun() const
{
    return m_db->StatementsRun();
}

void PostgresProfileFactory::SetBusyTimeout(int milliseconds)
{
    m_db->SetBusyTimeout(milliseconds);
}

bool IsPostgresUri(std::string_view location)
{
    return location.starts_with("postgresql://") || location.starts_with("postgres://");
}

std::unique_ptr<VProfileStoreFactory> MakeProfileStoreFactory(const std::string& location)
{
    if (IsPostgresUri(location))
        return std::make_unique<PostgresProfileFactory>(location);
    return std::make_unique<SqliteProfileFactory>(location);
}
