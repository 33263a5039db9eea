// The shared database against the embedded one at 100,000 full sessions
// (100 folders of 10 folders of 100 sessions): the same operations through
// the library on PostgreSQL (the private server of scripts/with-postgres.sh,
// over its Unix socket) and on an SQLite file, in one run. Each pair ends
// with a line "RATIO <name>_pg_vs_sqlite <postgresql/sqlite>".
#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "LargeDatabaseShape.h"
#include "RatioReporter.h"
#include "profile/exchange/ExchangeJson.h"
#include "profile/exchange/SessionExchangeDatabase.h"
#include "profile/sessions/ProfileFolderData.h"
#include "profile/sessions/SessionConfig.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/PostgresProfileBackend.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/SqliteProfileBackend.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

extern char** environ;

namespace {

using namespace large_db;

std::string g_program;
std::string g_sqlitePath; // kept under build-bench/
std::string g_serverUri;  // the server, as scripts/with-postgres.sh names it
std::string g_pgUri;      // its schema that holds the 100,000 sessions
VProfileStoreFactory* g_factory = nullptr;
VProfileStoreFactory* Factory()
{
    return g_factory;
}

// The library's store made of `factory` for as long as it lives.
struct Using {
    explicit Using(VProfileStoreFactory& factory)
    {
        g_factory = &factory;
        SetProfileStoreFactoryGetter(&Factory);
    }
    ~Using()
    {
        SetProfileStoreFactoryGetter(nullptr);
        g_factory = nullptr;
    }
};

std::unique_ptr<VProfileStoreFactory> Open(const std::string& location)
{
    return MakeProfileStoreFactory(location);
}

void SaveTemplate(VProfileStoreFactory& factory)
{
    const Using in(factory);
    SaveTemplateSession();
}

void WriteOrderLists(VProfileStoreFactory& factory)
{
    const Using in(factory);
    large_db::WriteOrderLists();
}

bool Sql(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The same tree as on the server, with set-wise statements in one
// transaction.
bool BuildSqlite(const std::string& path)
{
    std::filesystem::remove(path);
    {
        SqliteProfileFactory factory(path);
        SaveTemplate(factory);
    }
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    const bool ok =
        Sql(db, "PRAGMA foreign_keys=ON; BEGIN IMMEDIATE;"
                "CREATE TEMP TABLE base AS SELECT (SELECT id FROM keys WHERE parent=1 AND folded='sessions') AS top,"
                " (SELECT id FROM keys WHERE folded='template') AS tmpl,"
                " (SELECT id FROM names WHERE folded='hostname') AS host;"
                "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM n WHERE i<99)"
                " INSERT INTO keys(parent,name,folded,hasvals) SELECT (SELECT top FROM base), printf('F%03d',i),"
                " printf('f%03d',i), 0 FROM n;"
                "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM n WHERE i<9)"
                " INSERT INTO keys(parent,name,folded,hasvals) SELECT f.id, 'G'||i, 'g'||i, 0 FROM keys f, n"
                " WHERE f.parent=(SELECT top FROM base) AND f.folded GLOB 'f[0-9]*';"
                "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM n WHERE i<99)"
                " INSERT INTO keys(parent,name,folded,hasvals) SELECT g.id,"
                " printf('s%06d', CAST(substr(f.name,2) AS INTEGER)*1000 + CAST(substr(g.name,2) AS INTEGER)*100 + i),"
                " printf('s%06d', CAST(substr(f.name,2) AS INTEGER)*1000 + CAST(substr(g.name,2) AS INTEGER)*100 + i), 1"
                " FROM keys f JOIN keys g ON g.parent=f.id, n WHERE f.parent=(SELECT top FROM base)"
                " AND f.folded GLOB 'f[0-9]*';"
                "INSERT INTO vals(key,name,kind,data,spelling) SELECT k.id, v.name, v.kind,"
                " CASE WHEN v.name=(SELECT host FROM base) THEN 'web'||substr(k.name,2)||'.example.org' ELSE v.data END,"
                " v.spelling FROM keys k JOIN vals v ON v.key=(SELECT tmpl FROM base)"
                " WHERE k.hasvals AND k.folded GLOB 's[0-9]*';"
                "COMMIT; ANALYZE;");
    if (!ok)
        std::fprintf(stderr, "sqlite build: %s\n", sqlite3_errmsg(db));
    sqlite3_close(db);
    if (!ok)
        return false;
    SqliteProfileFactory factory(path);
    WriteOrderLists(factory);
    return true;
}

bool Pg(PGconn* conn, const std::string& sql)
{
    PGresult* r = PQexec(conn, sql.c_str());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
    if (!ok)
        std::fprintf(stderr, "postgresql: %s\n", PQresultErrorMessage(r));
    PQclear(r);
    return ok;
}

std::string SchemaUri(const std::string& schema)
{
    return g_serverUri + (g_serverUri.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + schema;
}

bool MakeSchema(const std::string& schema)
{
    PGconn* conn = PQconnectdb(g_serverUri.c_str());
    PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
    const bool ok = Pg(conn, "DROP SCHEMA IF EXISTS " + schema + " CASCADE; CREATE SCHEMA " + schema);
    PQfinish(conn);
    return ok;
}

bool BuildPostgres()
{
    if (!MakeSchema("orv_bench"))
        return false;
    g_pgUri = SchemaUri("orv_bench");
    {
        PostgresProfileFactory factory(g_pgUri);
        SaveTemplate(factory);
    }
    PGconn* conn = PQconnectdb(g_pgUri.c_str());
    PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
    // The copies need no foreign-key checks (a superuser may skip them; the
    // private server's user is one).
    PQclear(PQexec(conn, "SET session_replication_role=replica"));
    const bool ok = Pg(
        conn,
        "BEGIN;"
        "CREATE TEMP TABLE base AS SELECT (SELECT id FROM keys WHERE parent=1 AND folded='sessions') AS top,"
        " (SELECT id FROM keys WHERE folded='template') AS tmpl, (SELECT id FROM names WHERE folded='hostname') AS host;"
        "INSERT INTO keys(parent,name,folded,hasvals) SELECT (SELECT top FROM base), 'F'||lpad(i::text,3,'0'),"
        " 'f'||lpad(i::text,3,'0'), false FROM generate_series(0,99) i;"
        "INSERT INTO keys(parent,name,folded,hasvals) SELECT f.id, 'G'||i, 'g'||i, false FROM keys f,"
        " generate_series(0,9) i WHERE f.parent=(SELECT top FROM base) AND f.folded ~ '^f[0-9]';"
        "INSERT INTO keys(parent,name,folded,hasvals) SELECT g.id, 's'||lpad(n::text,6,'0'), 's'||lpad(n::text,6,'0'),"
        " true FROM keys f JOIN keys g ON g.parent=f.id, generate_series(0,99) i,"
        " LATERAL (SELECT substr(f.name,2)::int*1000 + substr(g.name,2)::int*100 + i AS n) x"
        " WHERE f.parent=(SELECT top FROM base) AND f.folded ~ '^f[0-9]';"
        "INSERT INTO vals(key,name,kind,num,txt,bin,spelling) SELECT k.id, v.name, v.kind, v.num,"
        " CASE WHEN v.name=(SELECT host FROM base) THEN 'web'||substr(k.name,2)||'.example.org' ELSE v.txt END,"
        " v.bin, v.spelling FROM keys k JOIN vals v ON v.key=(SELECT tmpl FROM base)"
        " WHERE k.hasvals AND k.folded ~ '^s[0-9]';"
        "COMMIT; ANALYZE;");
    PQfinish(conn);
    if (!ok)
        return false;
    PostgresProfileFactory factory(g_pgUri);
    WriteOrderLists(factory);
    return true;
}

// Runs this program again with `args`; its exit status.
int RunFresh(const std::vector<std::string>& args)
{
    return RunAgain(g_program, args);
}

// A fresh process opens the database and loads one session.
int FreshOpen(const std::string& location)
{
    const std::unique_ptr<VProfileStoreFactory> factory = Open(location);
    const Using in(*factory);
    SessionDatabase db;
    const SessionConfigPtr config = db.LoadSession(SessionPath(kSessions / 2));
    return config && config->GetHostname() == HostOf(kSessions / 2) ? 0 : 1;
}

const std::string& Location(bool postgres)
{
    return postgres ? g_pgUri : g_sqlitePath;
}

void BM_open(benchmark::State& state, bool postgres)
{
    for (auto _ : state)
        if (RunFresh({"--fresh-open", Location(postgres)}) != 0)
            state.SkipWithError("the fresh process failed");
}

// The statements a back end ran: where its time goes is in round trips.
uint64_t StatementsRun(VProfileStoreFactory& factory)
{
    if (const auto* pg = dynamic_cast<PostgresProfileFactory*>(&factory))
        return pg->StatementsRun();
    if (const auto* sqlite = dynamic_cast<SqliteProfileFactory*>(&factory))
        return sqlite->StatementsRun();
    return 0;
}

void CountStatements(benchmark::State& state, VProfileStoreFactory& factory, uint64_t before)
{
    state.counters["statements"] = benchmark::Counter(static_cast<double>(StatementsRun(factory) - before),
                                                      benchmark::Counter::kAvgIterations);
}

void BM_list_folder_100(benchmark::State& state, bool postgres)
{
    const std::unique_ptr<VProfileStoreFactory> factory = Open(Location(postgres));
    const Using in(*factory);
    SessionDatabase db;
    size_t listed = 0;
    int n = 0;
    const uint64_t before = StatementsRun(*factory);
    for (auto _ : state) {
        db.DropCachedListings();
        const VProfileStore snapshot;
        listed = db.GetListing(FolderPath(n % kTop, n % kSub), 0).sessions.GetSize();
        ++n;
    }
    CountStatements(state, *factory, before);
    if (listed != kPerFolder)
        state.SkipWithError("wrong number of sessions");
}

bool Contains(std::u16string_view text, std::u16string_view part)
{
    return VUnicodeString::FoldCase(text).find(part) != std::u16string::npos;
}

// Find's walk over every session's host name (a folder's read in one query).
void BM_find_host(benchmark::State& state, bool postgres)
{
    const std::unique_ptr<VProfileStoreFactory> factory = Open(Location(postgres));
    const Using in(*factory);
    std::vector<VUnicodeString> paths;
    for (int n = 0; n < kSessions; ++n)
        paths.push_back(SessionPath(n));
    SessionDatabase db;
    size_t hits = 0;
    for (auto _ : state) {
        db.DropCachedListings();
        const VProfileStore snapshot;
        hits = 0;
        VUnicodeString host;
        VUnicodeString description;
        for (const VUnicodeString& path : paths)
            if (db.GetFindTexts(path, host, description) && Contains(host.str(), u"web0500"))
                ++hits;
    }
    if (hits != 100)
        state.SkipWithError("wrong number of hits");
}

// 10,000 full sessions (ten top folders, exported once from the SQLite
// database) imported into an empty database in one transaction.
std::string g_document;

bool ExportDocument()
{
    g_document = std::filesystem::path(g_sqlitePath).parent_path() / "shared-import-10k.json";
    if (std::filesystem::exists(g_document))
        return true;
    SqliteProfileFactory factory(g_sqlitePath);
    const Using in(factory);
    SessionDatabase db;
    const VProfileStore snapshot;
    VStringArray folders;
    for (int top = 0; top < 10; ++top)
        folders.Add(Number(u"F", top, 3));
    std::ofstream out(g_document + ".part");
    JsonExchangeWriter json(out);
    SessionExchangeExport exporter(db);
    json.BeginDocument();
    exporter.Items(folders, json);
    json.EndDocument();
    out.close();
    std::filesystem::rename(g_document + ".part", g_document);
    return true;
}

void BM_import_10k(benchmark::State& state, bool postgres)
{
    int round = 0;
    size_t added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string location;
        if (postgres) {
            const std::string schema = "orv_bench_import";
            MakeSchema(schema);
            location = SchemaUri(schema);
        } else {
            location = g_sqlitePath + ".import-" + std::to_string(++round);
            std::filesystem::remove(location);
        }
        state.ResumeTiming();
        {
            const std::unique_ptr<VProfileStoreFactory> factory = Open(location);
            const Using in(*factory);
            SessionDatabase db;
            SessionExchangeImport import(db, {}, g_document);
            added = 0;
            import.onSession = [&](const SessionImportItem& item) { added += item.added; };
            import.Run([](IExchangeVisitor& visitor) {
                std::ifstream in(g_document, std::ios::binary);
                ReadExchangeJson(in, g_document, visitor);
            });
        }
        state.PauseTiming();
        if (!postgres)
            std::filesystem::remove(location);
        state.ResumeTiming();
    }
    if (added != 10000)
        state.SkipWithError("the import did not add every session");
}

// A folder of 1,000 sessions (in ten folders) moved into its neighbour and
// back, one move per iteration.
void BM_move_folder_1k(benchmark::State& state, bool postgres)
{
    const std::unique_ptr<VProfileStoreFactory> factory = Open(Location(postgres));
    const Using in(*factory);
    SessionDatabase db;
    bool there = false;
    const uint64_t before = StatementsRun(*factory);
    for (auto _ : state) {
        VUnicodeString moved;
        if (!db.MoveItem(there ? u"F008\\F007" : u"F007", there ? u"" : u"F008", {}, false, moved, nullptr, nullptr))
            state.SkipWithError("the move failed");
        there = !there;
    }
    CountStatements(state, *factory, before);
    if (there) {
        VUnicodeString moved;
        db.MoveItem(u"F008\\F007", u"", {}, false, moved, nullptr, nullptr);
    }
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main(int argc, char** argv)
{
    g_program = std::filesystem::read_symlink("/proc/self/exe").string();
    if (argc == 3 && std::strcmp(argv[1], "--fresh-open") == 0)
        return FreshOpen(argv[2]);
    const char* server = std::getenv("ORV_TEST_POSTGRES_URI");
    if (!server || !*server) {
        // The private server the tests use, started for this run.
        const std::string script = std::string(ORV_SOURCE_DIR) + "/scripts/with-postgres.sh";
        if (!std::getenv("ORV_BENCH_NO_SERVER") && std::filesystem::exists(script)) {
            setenv("ORV_BENCH_NO_SERVER", "1", 1);
            std::vector<char*> args{const_cast<char*>("bash"), const_cast<char*>(script.c_str())};
            for (int i = 0; i < argc; ++i)
                args.push_back(argv[i]);
            args.push_back(nullptr);
            execvp("bash", args.data());
        }
        std::printf("shared_database_bench: skipped: no PostgreSQL server (scripts/with-postgres.sh found none "
                    "installed)\n");
        return 0;
    }
    g_serverUri = server;
    const std::string folder = std::string(ORV_SOURCE_DIR) + "/build-bench";
    std::filesystem::create_directories(folder);
    g_sqlitePath = folder + "/shared-100k.db";
    auto start = std::chrono::steady_clock::now();
    if (!std::filesystem::exists(g_sqlitePath)) {
        if (!BuildSqlite(g_sqlitePath + ".part"))
            return 1;
        std::filesystem::rename(g_sqlitePath + ".part", g_sqlitePath);
        std::fprintf(stderr, "made the SQLite database in %.1f s\n", Seconds(start));
    }
    start = std::chrono::steady_clock::now();
    if (!BuildPostgres())
        return 1;
    std::fprintf(stderr, "made the PostgreSQL database in %.1f s\n", Seconds(start));
    if (!ExportDocument())
        return 1;

    for (const bool postgres : {false, true}) {
        const std::string side = postgres ? "_pg" : "_sqlite";
        benchmark::RegisterBenchmark(("BM_open" + side).c_str(), BM_open, postgres)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(20);
        benchmark::RegisterBenchmark(("BM_list_folder_100" + side).c_str(), BM_list_folder_100, postgres)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(200);
        benchmark::RegisterBenchmark(("BM_find_host" + side).c_str(), BM_find_host, postgres)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
        benchmark::RegisterBenchmark(("BM_import_10k" + side).c_str(), BM_import_10k, postgres)
            ->Unit(benchmark::kSecond)
            ->Iterations(1);
        benchmark::RegisterBenchmark(("BM_move_folder_1k" + side).c_str(), BM_move_folder_1k, postgres)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(10);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* name : {"open", "list_folder_100", "find_host", "import_10k", "move_folder_1k"}) {
        const std::string base = std::string("BM_") + name;
        reporter.PrintRatio(std::string(name) + "_pg_vs_sqlite", base + "_pg", base + "_sqlite");
    }
    benchmark::Shutdown();
    return 0;
}
