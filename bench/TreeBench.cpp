// The session tree over large databases: filling the root and opening a
// folder of 10,000 sessions, and one filter keystroke over every session
// against a bare loop that applies the same matcher to the same names in
// memory. Each database size is a benchmark argument, so the output shows
// how the time grows. Comparisons end with "RATIO <name> <ours/theirs>".
//
// With ORV_BENCH_PATHS=FILE the 100,000 session paths are also written to
// FILE (one a line) for scripts/bench-fzf.sh.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "FakeSessionTree.h"
#include "platform/GlobalConfig.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/SqliteProfileBackend.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"
#include "sessiontree/FilterPattern.h"

namespace {

constexpr int kFolders = 1000;
constexpr char16_t kFilterText[] = u"web1*7";
constexpr char16_t kFilterTextBefore[] = u"web1*"; // the same text one key earlier

class Owner final : public ISessionTreeOwner {
public:
    int GetHostKind() const override { return 3; }
    VUnicodeString GetDatabaseIdentity() const override { return u"bench"; }
    void OnSessionDatabaseChanged(int, int) override {}
    void OnSessionDatabaseViewChanged() override {}
};

std::string g_folder;
std::map<int, std::unique_ptr<SqliteProfileFactory>> g_databases;
SqliteProfileFactory* g_current = nullptr;
VProfileStoreFactory* Factory()
{
    return g_current;
}

VUnicodeString FolderName(int f)
{
    return VUnicodeString(u"Folder ") + VUnicodeString::FromNumber(f).str();
}

// `total` sessions in 1,000 folders; the first folder holds a tenth of
// them (10,000 of 100,000), the rest share the others. Names are what
// people use: a role, a number, a site.
std::vector<std::u16string> Seed(int total)
{
    static const char16_t* roles[] = {u"web", u"db", u"cache", u"mail", u"build", u"proxy"};
    std::vector<std::u16string> paths;
    VProfileStore store; // one transaction for the whole seeding
    const VProfileKey sessions(*store.GetRootKey(), u"Sessions", 1);
    const int big = total / 10;
    for (int i = 0; i < total; ++i) {
        const int folder = i < big ? 0 : 1 + (i - big) % (kFolders - 1);
        VUnicodeString name(roles[i % 6]);
        name += VUnicodeString::FromNumber(i).str();
        name += u".site";
        name += VUnicodeString::FromNumber(i % 17).str();
        const VUnicodeString path = FolderName(folder) + u"\\" + name.str();
        VProfileKey key(sessions, path, 1);
        key.WriteString(u"Protocol Name", u"SSH2");
        paths.push_back(path.str());
    }
    return paths;
}

std::vector<std::u16string>& Paths(int total)
{
    static std::map<int, std::vector<std::u16string>> paths;
    return paths[total];
}

void Use(int total)
{
    auto& db = g_databases[total];
    if (!db) {
        db = std::make_unique<SqliteProfileFactory>(g_folder + "/tree-" + std::to_string(total) + ".db");
        g_current = db.get();
        Paths(total) = Seed(total);
    }
    g_current = db.get();
    GetSessionDatabaseImpl()->DropCachedListings();
}

void BM_tree_fill(benchmark::State& state)
{
    const int total = static_cast<int>(state.range(0));
    Use(total);
    Owner owner;
    for (auto _ : state) {
        FakeSessionTree tree(&owner);
        tree.Fill(VDockTreeBase::kFillDropCache);
        tree.ExpandItem(tree.FindItem(FolderName(0)), true);
        benchmark::DoNotOptimize(tree.GetRootItem());
    }
    state.counters["per_session"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * (kFolders + total / 10),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// One keystroke once the folders are listed: the filter is applied to
// every session and the tree rebuilt with what it shows. The bare loop
// below applies the longer of the two texts.
void BM_filter_keystroke(benchmark::State& state)
{
    const int total = static_cast<int>(state.range(0));
    Use(total);
    Owner owner;
    FakeSessionTree tree(&owner);
    tree.Fill(VDockTreeBase::kFillDropCache);
    tree.ApplyFilter(kFilterText); // the listings are read once, as the first keystroke does
    bool longer = false;
    for (auto _ : state) { // typing and taking back the last key
        longer = !longer;
        tree.ApplyFilter(longer ? kFilterTextBefore : kFilterText);
    }
    state.counters["per_session"] = benchmark::Counter(static_cast<double>(state.iterations()) * total,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The same matcher over the same names, held in memory, nothing else.
void BM_filter_bare_loop(benchmark::State& state)
{
    const int total = static_cast<int>(state.range(0));
    Use(total);
    std::vector<std::u16string> names;
    for (const std::u16string& path : Paths(total))
        names.push_back(path.substr(path.rfind(u'\\') + 1));
    for (auto _ : state) {
        const FilterPattern pattern(kFilterText);
        size_t hits = 0;
        for (const std::u16string& name : names)
            hits += pattern.Matches(name);
        benchmark::DoNotOptimize(hits);
    }
    state.counters["per_session"] = benchmark::Counter(static_cast<double>(state.iterations()) * total,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_tree_fill)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_filter_keystroke)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_filter_bare_loop)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    char folder[] = "/tmp/orv-tree-bench-XXXXXX";
    g_folder = mkdtemp(folder);
    SetProfileStoreFactoryGetter(&Factory);
    GlobalConfig* config = nullptr;
    if (GetGlobalConfig(&config))
        config->sortMode = 1;
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const int total : {1000, 10000, 100000}) {
        const std::string suffix = "/" + std::to_string(total);
        reporter.PrintRatio("filter_keystroke_" + std::to_string(total / 1000) + "k", "BM_filter_keystroke" + suffix,
                            "BM_filter_bare_loop" + suffix);
    }
    if (const char* out = std::getenv("ORV_BENCH_PATHS"); out && *out) {
        Use(100000);
        std::ofstream file(out);
        for (const std::u16string& path : Paths(100000))
            file << VUnicodeString(path).ToUtf8() << '\n';
    }
    g_databases.clear();
    SetProfileStoreFactoryGetter(nullptr);
    std::filesystem::remove_all(g_folder);
    benchmark::Shutdown();
    return 0;
}
