// The store at 100,000 full sessions (100 folders of 10 folders of 100
// sessions, every value saved as the Connect dialog saves them), against
// raw SQLite doing the same work in the same program. The database is made
// once and kept under build-bench/ in the source tree. Comparisons end with
// lines "RATIO <name> <ours/raw>".
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "LargeDatabaseShape.h"
#include "RatioReporter.h"
#include "profile/sessions/ProfileFolderData.h"
#include "profile/sessions/SessionConfig.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/SqliteProfileBackend.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

extern char** environ;

namespace {

using namespace large_db;

std::string g_path;     // the kept database
std::string g_program;  // this program, for the fresh processes
SqliteProfileFactory* g_factory = nullptr;
VProfileStoreFactory* Factory()
{
    return g_factory;
}

int64_t Query(sqlite3* db, const char* sql)
{
    sqlite3_stmt* q = nullptr;
    int64_t n = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &q, nullptr) == SQLITE_OK && sqlite3_step(q) == SQLITE_ROW)
        n = sqlite3_column_int64(q, 0);
    sqlite3_finalize(q);
    return n;
}

int64_t Child(sqlite3* db, int64_t parent, std::u16string_view name)
{
    const std::u16string folded = VUnicodeString::FoldCase(name);
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, "SELECT id FROM keys WHERE parent=?1 AND folded=?2", -1, &q, nullptr);
    sqlite3_bind_int64(q, 1, parent);
    sqlite3_bind_text16(q, 2, folded.data(), static_cast<int>(folded.size() * 2), SQLITE_STATIC);
    const int64_t id = sqlite3_step(q) == SQLITE_ROW ? sqlite3_column_int64(q, 0) : -1;
    sqlite3_finalize(q);
    return id;
}

int64_t NameId(sqlite3* db, const char16_t* name)
{
    const std::u16string folded = VUnicodeString::FoldCase(name);
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, "SELECT id FROM names WHERE folded=?1", -1, &q, nullptr);
    sqlite3_bind_text16(q, 1, folded.data(), static_cast<int>(folded.size() * 2), SQLITE_STATIC);
    const int64_t id = sqlite3_step(q) == SQLITE_ROW ? sqlite3_column_int64(q, 0) : -1;
    sqlite3_finalize(q);
    return id;
}

// One full session saved through the library; the rest are its copies,
// made with prepared statements in one transaction, each with its own host.
void Build(const std::string& path)
{
    std::filesystem::remove(path);
    {
        SqliteProfileFactory factory(path);
        g_factory = &factory;
        SetProfileStoreFactoryGetter(&Factory);
        SaveTemplateSession();
        SetProfileStoreFactoryGetter(nullptr);
        g_factory = nullptr;
    }
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "PRAGMA foreign_keys=ON; BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    const int64_t sessions = Child(db, 1, u"Sessions");
    const int64_t templateId = Child(db, sessions, u"Template");
    const int64_t hostName = NameId(db, u"Hostname");
    sqlite3_stmt* addKey = nullptr;
    sqlite3_stmt* copy = nullptr;
    sqlite3_stmt* host = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO keys(parent, name, folded, hasvals) VALUES(?1, ?2, lower(?2), ?3)", -1, &addKey,
                       nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO vals(key, name, kind, data, spelling) SELECT ?1, name, kind, data, spelling "
                           "FROM vals WHERE key=?2", -1, &copy, nullptr);
    sqlite3_prepare_v2(db, "UPDATE vals SET data=?3 WHERE key=?1 AND name=?2", -1, &host, nullptr);
    const auto add = [&](int64_t parent, const VUnicodeString& name, bool values) {
        sqlite3_bind_int64(addKey, 1, parent);
        sqlite3_bind_text16(addKey, 2, name.c_str(), static_cast<int>(name.Length() * 2), SQLITE_TRANSIENT);
        sqlite3_bind_int(addKey, 3, values ? 1 : 0);
        sqlite3_step(addKey);
        sqlite3_reset(addKey);
        return sqlite3_last_insert_rowid(db);
    };
    int n = 0;
    for (int top = 0; top < kTop; ++top) {
        const int64_t topId = add(sessions, Number(u"F", top, 3), false);
        for (int sub = 0; sub < kSub; ++sub) {
            const int64_t subId = add(topId, Number(u"G", sub, 1), false);
            for (int s = 0; s < kPerFolder; ++s, ++n) {
                const int64_t id = add(subId, Number(u"s", n, 6), true);
                sqlite3_bind_int64(copy, 1, id);
                sqlite3_bind_int64(copy, 2, templateId);
                sqlite3_step(copy);
                sqlite3_reset(copy);
                const VUnicodeString text = HostOf(n);
                sqlite3_bind_int64(host, 1, id);
                sqlite3_bind_int64(host, 2, hostName);
                sqlite3_bind_text16(host, 3, text.c_str(), static_cast<int>(text.Length() * 2), SQLITE_TRANSIENT);
                sqlite3_step(host);
                sqlite3_reset(host);
            }
        }
    }
    sqlite3_finalize(addKey);
    sqlite3_finalize(copy);
    sqlite3_finalize(host);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);

    // The folders' order lists, as the tree writes them on its first look.
    SqliteProfileFactory factory(path);
    g_factory = &factory;
    SetProfileStoreFactoryGetter(&Factory);
    WriteOrderLists();
    SetProfileStoreFactoryGetter(nullptr);
    g_factory = nullptr;
}

void EnsureDatabase()
{
    const std::string folder = std::string(ORV_SOURCE_DIR) + "/build-bench";
    std::filesystem::create_directories(folder);
    g_path = folder + "/sessions-100k-v2i.db";
    if (std::filesystem::exists(g_path))
        return;
    const std::string part = g_path + ".part";
    std::fprintf(stderr, "making %s (once)...\n", g_path.c_str());
    const auto start = std::chrono::steady_clock::now();
    Build(part);
    std::filesystem::rename(part, g_path);
    std::fprintf(stderr, "made in %.1f s\n",
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

// Runs this program again with `args`; its exit status.
int RunFresh(const std::vector<std::string>& args)
{
    return RunAgain(g_program, args);
}

// --- What a fresh process does (run through RunFresh)

int FreshOpenOurs()
{
    SqliteProfileFactory factory(g_path);
    g_factory = &factory;
    SetProfileStoreFactoryGetter(&Factory);
    SessionDatabase db;
    const SessionConfigPtr config = db.LoadSession(SessionPath(kSessions / 2));
    const bool ok = config && config->GetHostname() == HostOf(kSessions / 2);
    SetProfileStoreFactoryGetter(nullptr);
    return ok ? 0 : 1;
}

int FreshOpenRaw()
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(g_path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return 1;
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, "SELECT name, kind, data FROM vals WHERE key=?1", -1, &q, nullptr);
    sqlite3_bind_int64(q, 1, Query(db, "SELECT max(id) / 2 FROM keys"));
    int rows = 0;
    while (sqlite3_step(q) == SQLITE_ROW)
        rows += sqlite3_column_bytes(q, 2) >= 0;
    sqlite3_finalize(q);
    sqlite3_close(db);
    return rows > 0 ? 0 : 1;
}

void BM_open_100k_ours(benchmark::State& state)
{
    for (auto _ : state)
        if (RunFresh({"--fresh-open-ours", g_path}) != 0)
            state.SkipWithError("the fresh process failed");
}

void BM_open_100k_raw(benchmark::State& state)
{
    for (auto _ : state)
        if (RunFresh({"--fresh-open-raw", g_path}) != 0)
            state.SkipWithError("the fresh process failed");
}

// --- In this process

struct Opened {
    Opened() : factory(g_path)
    {
        g_factory = &factory;
        SetProfileStoreFactoryGetter(&Factory);
    }
    ~Opened()
    {
        SetProfileStoreFactoryGetter(nullptr);
        g_factory = nullptr;
    }
    SqliteProfileFactory factory;
};

bool Contains(std::u16string_view text, std::u16string_view part)
{
    return VUnicodeString::FoldCase(text).find(part) != std::u16string::npos;
}

const char16_t kSought[] = u"web0500"; // 100 hosts

void BM_find_host_100k_ours(benchmark::State& state)
{
    Opened opened;
    std::vector<VUnicodeString> paths;
    for (int n = 0; n < kSessions; ++n)
        paths.push_back(SessionPath(n));
    SessionDatabase db;
    size_t hits = 0;
    for (auto _ : state) {
        db.DropCachedListings();
        const VProfileStore snapshot; // one read transaction for the whole walk
        hits = 0;
        VUnicodeString host;
        VUnicodeString description;
        for (const VUnicodeString& path : paths)
            if (db.GetFindTexts(path, host, description) && Contains(host.str(), kSought))
                ++hits;
    }
    if (hits != 100)
        state.SkipWithError("wrong number of hits");
}

void BM_find_host_100k_raw(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(g_path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* q = nullptr;
    // Each session's row found by its key, as the primary key is laid out.
    sqlite3_prepare_v2(db, "SELECT k.id, v.data FROM keys k JOIN vals v ON v.key=k.id AND v.name=?1 WHERE k.hasvals",
                       -1, &q, nullptr);
    const int64_t hostName = NameId(db, u"Hostname");
    size_t hits = 0;
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_bind_int64(q, 1, hostName);
        hits = 0;
        while (sqlite3_step(q) == SQLITE_ROW) {
            const std::u16string_view text(static_cast<const char16_t*>(sqlite3_column_text16(q, 1)),
                                           static_cast<size_t>(sqlite3_column_bytes16(q, 1)) / 2);
            hits += Contains(text, kSought);
        }
        sqlite3_reset(q);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    sqlite3_finalize(q);
    sqlite3_close(db);
    if (hits != 100)
        state.SkipWithError("wrong number of hits");
}

// Every folder's listing, as the filter's first keystroke loads them.
size_t FillAll(SessionDatabase& db, const VUnicodeString& folder)
{
    const SessionDatabase::Listing& listing = db.GetListing(folder, 0);
    size_t count = listing.folders.GetSize() + listing.sessions.GetSize();
    const VStringArray folders = listing.folders;
    for (const VUnicodeString& child : folders)
        count += FillAll(db, SessionDatabase::JoinSessionPath(folder, child));
    return count;
}

void BM_fill_all_100k_ours(benchmark::State& state)
{
    Opened opened;
    SessionDatabase db;
    {
        // As the tree's first fill: order lists that need it are repaired
        // and marked (a database made by an older version, once).
        const VProfileStore snapshot;
        FillAll(db, {});
    }
    size_t count = 0;
    for (auto _ : state) {
        db.DropCachedListings();
        const VProfileStore snapshot; // one read transaction for every listing
        count = FillAll(db, {});
    }
    if (count != static_cast<size_t>(kSessions + kTop + kTop * kSub))
        state.SkipWithError("wrong number of items");
}

void BM_fill_all_100k_raw(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(g_path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, "SELECT parent, name FROM keys", -1, &q, nullptr);
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        std::vector<std::pair<int64_t, std::u16string>> names;
        while (sqlite3_step(q) == SQLITE_ROW)
            names.emplace_back(sqlite3_column_int64(q, 0),
                               std::u16string(static_cast<const char16_t*>(sqlite3_column_text16(q, 1)),
                                              static_cast<size_t>(sqlite3_column_bytes16(q, 1)) / 2));
        sqlite3_reset(q);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        benchmark::DoNotOptimize(names.size());
    }
    sqlite3_finalize(q);
    sqlite3_close(db);
}

// A folder of 1,000 sessions (in ten folders) moved into its neighbour and
// back, one move per iteration.
void BM_move_folder_1k_ours(benchmark::State& state)
{
    Opened opened;
    SessionDatabase db;
    bool there = false;
    for (auto _ : state) {
        VUnicodeString moved;
        if (!db.MoveItem(there ? u"F008\\F007" : u"F007", there ? u"" : u"F008", {}, false, moved, nullptr, nullptr))
            state.SkipWithError("the move failed");
        there = !there;
    }
    if (there) {
        VUnicodeString moved;
        db.MoveItem(u"F008\\F007", u"", {}, false, moved, nullptr, nullptr);
    }
}

void BM_move_folder_1k_raw(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(g_path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    const int64_t sessions = Child(db, 1, u"Sessions");
    const int64_t moved = Child(db, sessions, u"F007");
    const int64_t target = Child(db, sessions, u"F008");
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, "UPDATE keys SET parent=?1 WHERE id=?2", -1, &q, nullptr);
    bool there = false;
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_bind_int64(q, 1, there ? sessions : target);
        sqlite3_bind_int64(q, 2, moved);
        sqlite3_step(q);
        sqlite3_reset(q);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        there = !there;
    }
    if (there) {
        sqlite3_bind_int64(q, 1, sessions);
        sqlite3_bind_int64(q, 2, moved);
        sqlite3_step(q);
    }
    sqlite3_finalize(q);
    sqlite3_close(db);
}

// 10,000 full sessions (ten of the folders, as exported) imported by the
// tool into a new database: its time, and its peak memory as a counter.
std::string ImportDocument()
{
    const std::string doc = std::string(ORV_SOURCE_DIR) + "/build-bench/import-10k.json";
    if (std::filesystem::exists(doc))
        return doc;
    // Written piece by piece: this process's peak memory is counted in the
    // import's own (a spawned process starts from it).
    std::ofstream text(doc + ".part");
    text << "{\"format\": \"orvalis-sessions\", \"version\": 1, \"folders\": [\n";
    for (int top = 0; top < 10; ++top) {
        const std::string out = std::string(ORV_SOURCE_DIR) + "/build-bench/export.part";
        const std::string command = std::string(ORV_BINARY_DIR) + "/orvalis-sessions --db '" + g_path + "' export " +
                                    Number(u"F", top, 3).ToUtf8() + " > '" + out + "'";
        if (std::system(command.c_str()) != 0)
            return {};
        std::ifstream in(out);
        const std::string exported((std::istreambuf_iterator<char>(in)), {});
        const size_t from = exported.find("\"version\": 1,");
        const size_t to = exported.rfind('}');
        if (from == std::string::npos || to == std::string::npos)
            return {};
        text << (top ? ",\n{\"name\": \"" : "{\"name\": \"") << Number(u"F", top, 3).ToUtf8() << "\",";
        text.write(exported.data() + from + 13, static_cast<std::streamsize>(to - from - 13));
        text << "}";
        std::filesystem::remove(out);
    }
    text << "]}\n";
    text.close();
    std::filesystem::rename(doc + ".part", doc);
    return doc;
}

void BM_import_10k(benchmark::State& state)
{
    const std::string doc = ImportDocument();
    if (doc.empty()) {
        state.SkipWithError("the document could not be made");
        return;
    }
    char folder[] = "/tmp/orv-import-XXXXXX";
    const std::string home = mkdtemp(folder);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
    long peakKiB = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(home + "/import.db");
        state.ResumeTiming();
        const std::vector<std::string> args{"--db", home + "/import.db", "import", doc};
        std::vector<char*> argv{const_cast<char*>(ORV_BINARY_DIR "/orvalis-sessions")};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        const int fd = open("/dev/null", O_WRONLY);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fd, 1);
        pid_t child = 0;
        int status = -1;
        rusage usage{};
        if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0)
            wait4(child, &status, 0, &usage);
        posix_spawn_file_actions_destroy(&actions);
        close(fd);
        peakKiB = usage.ru_maxrss;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("the import failed");
    }
    state.counters["peak_rss_MB"] = static_cast<double>(peakKiB) / 1024.0;
    std::filesystem::remove_all(home);
}

BENCHMARK(BM_import_10k)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_open_100k_ours)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_open_100k_raw)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_find_host_100k_ours)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_find_host_100k_raw)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_fill_all_100k_ours)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_fill_all_100k_raw)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_move_folder_1k_ours)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_move_folder_1k_raw)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    g_program = std::filesystem::read_symlink("/proc/self/exe").string();
    if (argc == 3 && std::strcmp(argv[1], "--fresh-open-ours") == 0)
        return g_path = argv[2], FreshOpenOurs();
    if (argc == 3 && std::strcmp(argv[1], "--fresh-open-raw") == 0)
        return g_path = argv[2], FreshOpenRaw();
    EnsureDatabase();
    struct stat st {};
    if (stat(g_path.c_str(), &st) == 0)
        std::printf("db_bytes_per_session %lld\n", static_cast<long long>(st.st_size / kSessions));

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* name : {"open_100k", "find_host_100k", "fill_all_100k", "move_folder_1k"}) {
        const std::string base = std::string("BM_") + name;
        reporter.PrintRatio(std::string(name), base + "_ours", base + "_raw");
    }
    benchmark::Shutdown();
    return 0;
}
