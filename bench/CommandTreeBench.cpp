// The Command Manager's tree reads every folder and command again after
// each change, which keeps every command's list position right. These
// measure what that costs as the commands grow: a whole fill, and the
// rename of a folder (one transaction, then the refill), over an SQLite
// file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "MemoryCommandTree.h"
#include "commands/CommandDatabaseImpl.h"
#include "platform/Products.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/SqliteProfileBackend.h"
#include "profile/store/VProfileStore.h"

namespace {

constexpr int kFolders = 50;

std::string g_folder;
std::map<int, std::unique_ptr<SqliteProfileFactory>> g_databases;
SqliteProfileFactory* g_current = nullptr;
VProfileStoreFactory* Factory()
{
    return g_current;
}

// `total` commands spread over 50 folders, made once per size.
void UseDatabase(int total)
{
    if (g_folder.empty()) {
        g_folder = (std::filesystem::temp_directory_path() / ("orv-command-bench-" + std::to_string(getpid()))).string();
        std::filesystem::create_directories(g_folder);
        setenv("ORV_INSTALLED_PRODUCTS", "kestrune", 1);
        ResetProductQueries();
        SetProfileStoreFactoryGetter(&Factory);
    }
    auto& database = g_databases[total];
    const bool fresh = !database;
    if (fresh)
        database = std::make_unique<SqliteProfileFactory>(g_folder + "/commands-" + std::to_string(total) + ".db");
    g_current = database.get();
    if (!fresh)
        return;
    CommandDatabaseImpl& commands = *GetCommandDatabaseImpl();
    for (int f = 0; f < kFolders; ++f) {
        std::vector<ProfileUserButtonMap::Item> items;
        for (int i = f; i < total; i += kFolders) {
            ProfileUserButtonMap::Item item;
            item.Function = kFunctionSend;
            item.SetArgument(VUnicodeString(u"echo ") + VUnicodeString::FromNumber(i).str() + u"\r\n");
            items.push_back(item);
        }
        commands.CreateFolderWithCommands(u"", VUnicodeString(u"Folder ") + VUnicodeString::FromNumber(f).str(),
                                          items);
    }
}

void BM_FillCommandTree(benchmark::State& state)
{
    UseDatabase(static_cast<int>(state.range(0)));
    MemoryCommandTree tree(nullptr);
    for (auto _ : state) {
        tree.Fill();
        benchmark::DoNotOptimize(tree.GetRootItem());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FillCommandTree)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_RenameFolderAndRefill(benchmark::State& state)
{
    UseDatabase(static_cast<int>(state.range(0)));
    MemoryCommandTree tree(nullptr);
    tree.Fill();
    bool renamed = false;
    for (auto _ : state) {
        tree.SelectItem(tree.FindFolder(renamed ? u"Folder 7b" : u"Folder 7"));
        tree.Rename();
        tree.FinishEdit(renamed ? u"Folder 7" : u"Folder 7b");
        renamed = !renamed;
    }
    if (tree.FindFolder(renamed ? u"Folder 7b" : u"Folder 7") == kNoTreeItem)
        state.SkipWithError("the folder was not renamed");
}
BENCHMARK(BM_RenameFolderAndRefill)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_databases.clear();
    SetProfileStoreFactoryGetter(nullptr);
    if (!g_folder.empty())
        std::filesystem::remove_all(g_folder);
    return 0;
}
