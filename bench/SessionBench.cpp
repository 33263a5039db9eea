// The session database against raw SQLite doing the same work in the same
// program: listing a folder of 10,000 sessions in each sort mode, loading a
// session's configuration, and moving a folder of 1,000 sessions. The
// comparisons end with lines "RATIO <name> <ours/raw>".
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "profile/sessions/ProfileFolderData.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/sessions/SessionConfig.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/SqliteProfileBackend.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

constexpr int kListed = 10000;
constexpr int kMoved = 1000;

std::string g_folder;
SqliteProfileFactory* g_factory = nullptr;
VProfileStoreFactory* Factory()
{
    return g_factory;
}

// Names as people give them: words, numbers at various places, mixed case.
VUnicodeString SessionName(int n, std::mt19937& random)
{
    static const char16_t* const kWords[] = {u"web", u"DB", u"mail", u"Build Agent", u"router", u"host"};
    VUnicodeString name = kWords[random() % 6];
    name += random() % 2 ? u" " : u"-";
    name += VUnicodeString::FromNumber(n).str();
    if (random() % 4 == 0)
        name += u" (backup)";
    return name;
}

void FillListedFolder()
{
    VProfileStore store;
    const VProfileKey& root = *store.GetRootKey();
    if (root.KeyExists(u"Sessions\\Big"))
        return;
    std::mt19937 random(42);
    for (int n = 0; n < kListed; ++n)
        VProfileKey(root, VUnicodeString(u"Sessions\\Big\\") + SessionName(n, random).str(), 1)
            .WriteString(u"Hostname", u"example.org");
    ProfileFolderData(&store, u"Big", ProfileFolderData::kSortManual); // the order lists are written once
}

sqlite3* OpenRaw()
{
    sqlite3* db = nullptr;
    sqlite3_open((g_folder + "/bench.db").c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL;", nullptr, nullptr, nullptr);
    return db;
}

int64_t KeyId(sqlite3* db, int64_t parent, const char16_t* name)
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

void BM_list_folder_10k_ours(benchmark::State& state)
{
    FillListedFolder();
    const int mode = static_cast<int>(state.range(0));
    for (auto _ : state) {
        VProfileStore store;
        const ProfileFolderData folder(&store, u"Big", mode);
        VStringArray names;
        folder.GetSessionList(names);
        benchmark::DoNotOptimize(names.GetSize());
    }
}

// The same names straight from the table, sorted by std::sort with the
// same comparison (mode 2 has none: the names as the query gives them).
void BM_list_folder_10k_raw(benchmark::State& state)
{
    FillListedFolder();
    const int mode = static_cast<int>(state.range(0));
    sqlite3* db = OpenRaw();
    const int64_t big = KeyId(db, KeyId(db, 1, u"Sessions"), u"Big");
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM keys WHERE parent=?1", -1, &q, nullptr);
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        std::vector<std::u16string> names;
        sqlite3_bind_int64(q, 1, big);
        while (sqlite3_step(q) == SQLITE_ROW)
            names.emplace_back(static_cast<const char16_t*>(sqlite3_column_text16(q, 0)),
                               static_cast<size_t>(sqlite3_column_bytes16(q, 0)) / 2);
        sqlite3_reset(q);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        if (mode == 0)
            std::sort(names.begin(), names.end(), [](const std::u16string& a, const std::u16string& b) {
                return VUnicodeString::CompareNoCase(a, b) < 0;
            });
        else if (mode == 1)
            std::sort(names.begin(), names.end(), [](const std::u16string& a, const std::u16string& b) {
                return VUnicodeString::CompareLogical(a, b) < 0;
            });
        benchmark::DoNotOptimize(names.size());
    }
    sqlite3_finalize(q);
    sqlite3_close(db);
}

// What the tree pays while the database keeps the listing.
void BM_list_folder_10k_kept(benchmark::State& state)
{
    FillListedFolder();
    SessionDatabase database;
    VStringArray names;
    database.GetSessionList(u"Big", 1, names);
    for (auto _ : state) {
        database.GetSessionList(u"Big", 1, names);
        benchmark::DoNotOptimize(names.GetSize());
    }
}

void SaveFullSession(const VProfileKey& root, const VUnicodeString& path)
{
    const VProfileKey key(root, VUnicodeString(u"Sessions\\") + path.str(), 1);
    const SessionConfigPtr config(new SessionConfig(&key, path));
    config->RemoteHost().SetHostname(u"web01.example.org");
    config->RemoteHost().SetUsername(u"operator");
    config->SetDescription(u"Production web server\r\nRack 4");
    config->Save(&key);
    for (int v = 0; v < 40; ++v) // settings of host features this library does not know
        key.WriteString(VUnicodeString(u"Host Setting ") + VUnicodeString::FromNumber(v).str(), u"value");
}

void BM_load_session_config_ours(benchmark::State& state)
{
    {
        VProfileStore store;
        if (!store.GetRootKey()->KeyExists(u"Sessions\\Full"))
            SaveFullSession(*store.GetRootKey(), u"Full");
    }
    for (auto _ : state) {
        VProfileStore store;
        const VProfileKey key(*store.GetRootKey(), u"Sessions\\Full", 0);
        const SessionConfigPtr config(new SessionConfig(&key, u"Full"));
        benchmark::DoNotOptimize(config->GetHostname().Length());
    }
}

// The key's rows read and turned into names and values, nothing more.
void BM_load_session_config_raw(benchmark::State& state)
{
    sqlite3* db = OpenRaw();
    const int64_t id = KeyId(db, KeyId(db, 1, u"Sessions"), u"Full");
    sqlite3_stmt* q = nullptr;
    // The names come with the rows, as the first schema gave them.
    sqlite3_prepare_v2(db, "SELECT n.name, v.kind, v.data FROM vals v JOIN names n ON n.id=v.name WHERE v.key=?1", -1,
                       &q, nullptr);
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        std::map<std::u16string, std::u16string> texts;
        std::map<std::u16string, int64_t> numbers;
        sqlite3_bind_int64(q, 1, id);
        while (sqlite3_step(q) == SQLITE_ROW) {
            std::u16string name(static_cast<const char16_t*>(sqlite3_column_text16(q, 0)),
                                static_cast<size_t>(sqlite3_column_bytes16(q, 0)) / 2);
            if (sqlite3_column_int(q, 1) == 4)
                numbers.emplace(std::move(name), sqlite3_column_int64(q, 2));
            else if (sqlite3_column_type(q, 2) == SQLITE_TEXT)
                texts.emplace(std::move(name), std::u16string(static_cast<const char16_t*>(sqlite3_column_text16(q, 2)),
                                                              static_cast<size_t>(sqlite3_column_bytes16(q, 2)) / 2));
            else
                texts.emplace(std::move(name), std::u16string(static_cast<const char16_t*>(sqlite3_column_blob(q, 2)),
                                                              static_cast<size_t>(sqlite3_column_bytes(q, 2)) / 2));
        }
        sqlite3_reset(q);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        benchmark::DoNotOptimize(texts.size() + numbers.size());
    }
    sqlite3_finalize(q);
    sqlite3_close(db);
}

void BM_move_folder_1k(benchmark::State& state)
{
    {
        VProfileStore store;
        const VProfileKey& root = *store.GetRootKey();
        if (!root.KeyExists(u"Sessions\\Left\\Moved")) {
            VProfileKey(root, u"Sessions\\Right", 1);
            for (int n = 0; n < kMoved; ++n)
                SaveFullSession(root, VUnicodeString(u"Left\\Moved\\s") + VUnicodeString::FromNumber(n).str());
        }
    }
    SessionDatabase database;
    bool left = true;
    for (auto _ : state) {
        VUnicodeString moved;
        if (!database.MoveItem(left ? u"Left\\Moved" : u"Right\\Moved", left ? u"Right" : u"Left", {}, false, moved,
                               nullptr, nullptr))
            state.SkipWithError("the move failed");
        left = !left;
    }
    state.counters["us_per_session"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kMoved,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_list_folder_10k_ours)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_list_folder_10k_raw)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Repetitions(5);
BENCHMARK(BM_list_folder_10k_kept)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_load_session_config_ours)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_load_session_config_raw)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_move_folder_1k)->Unit(benchmark::kMillisecond)->Iterations(4);

// Keeps each benchmark's time per iteration for the ratio lines: the
// median over the repetitions, since the machine may be shared.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration)
                continue;
            benchmark::BenchmarkName plain = run.run_name;
            plain.repetitions.clear();
            m_runs[plain.str()].push_back(run.GetAdjustedRealTime());
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> Medians() const
    {
        std::map<std::string, double> medians;
        for (auto [name, times] : m_runs) {
            std::sort(times.begin(), times.end());
            const size_t n = times.size();
            medians[name] = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
        }
        return medians;
    }

private:
    std::map<std::string, std::vector<double>> m_runs;
};

} // namespace

int main(int argc, char** argv)
{
    char folder[] = "/tmp/orv-session-bench-XXXXXX";
    g_folder = mkdtemp(folder);
    SqliteProfileFactory factory(g_folder + "/bench.db");
    g_factory = &factory;
    SetProfileStoreFactoryGetter(&Factory);

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::map<std::string, double> t = reporter.Medians();
    // Time per session, in microseconds (the benchmark reports milliseconds).
    if (const auto it = t.find("BM_move_folder_1k/iterations:4"); it != t.end())
        std::printf("move_folder_1k %.1f us per session\n", it->second * 1000.0 / kMoved);
    for (int mode = 0; mode <= 2; ++mode) {
        const std::string ours = "BM_list_folder_10k_ours/" + std::to_string(mode);
        const std::string raw = "BM_list_folder_10k_raw/" + std::to_string(mode);
        if (t.contains(ours) && t.contains(raw))
            std::printf("RATIO list_folder_10k_mode%d %.2f\n", mode, t[ours] / t[raw]);
    }
    if (t.contains("BM_load_session_config_ours") && t.contains("BM_load_session_config_raw"))
        std::printf("RATIO load_session_config %.2f\n",
                    t["BM_load_session_config_ours"] / t["BM_load_session_config_raw"]);
    SetProfileStoreFactoryGetter(nullptr);
    g_factory = nullptr;
    std::filesystem::remove_all(g_folder);
    benchmark::Shutdown();
    return 0;
}
