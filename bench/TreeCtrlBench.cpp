// The session tree control over a folder of 10,000 sessions: opening the
// folder, drawing the rows on screen and walking every row. Run with
// QT_QPA_PLATFORM=offscreen where there is no display.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include <QApplication>
#include <QTreeView>

#include "platform/GlobalConfig.h"
#include "profile/store/MemoryProfileBackend.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"
#include "sessiontree/qt/SessionTreeCtrl.h"

namespace {

constexpr int kSessions = 10000;

MemoryProfileFactory* g_factory = nullptr;
VProfileStoreFactory* Factory()
{
    return g_factory;
}

class Owner final : public ISessionTreeOwner {
public:
    int GetHostKind() const override { return 3; }
    VUnicodeString GetDatabaseIdentity() const override { return u"bench"; }
    void OnSessionDatabaseChanged(int, int) override {}
    void OnSessionDatabaseViewChanged() override {}
};

void MakeDatabase()
{
    static MemoryProfileFactory factory;
    g_factory = &factory;
    SetProfileStoreFactoryGetter(&Factory);
    SessionDatabase& database = *GetSessionDatabaseImpl();
    database.CreateFolder(u"", u"Big", {}, false, nullptr);
    VProfileStore store;
    for (int i = 0; i < kSessions; ++i) {
        VProfileKey key(*store.GetRootKey(),
                        SessionDatabase::KeyPathFromSessionPath(VUnicodeString::FromUtf8("Big\\host" + std::to_string(i))), 1);
        key.WriteString(u"Protocol Name", i % 3 ? u"SSH2" : u"Telnet");
        key.WriteString(u"Hostname", VUnicodeString::FromUtf8("host" + std::to_string(i) + ".example"));
    }
}

// Fill, open the big folder and draw what shows.
void BM_OpenBigFolder(benchmark::State& state)
{
    Owner owner;
    for (auto _ : state) {
        GetSessionDatabaseImpl()->DropCachedListings();
        SessionTreeCtrl tree(&owner);
        tree.resize(300, 600);
        tree.Initialize();
        tree.ExpandItem(tree.FindItem(u"Big"), true);
        benchmark::DoNotOptimize(tree.grab());
    }
}
BENCHMARK(BM_OpenBigFolder)->Unit(benchmark::kMillisecond);

// Scrolling to the end draws only the last page of rows.
void BM_ScrollToEnd(benchmark::State& state)
{
    Owner owner;
    SessionTreeCtrl tree(&owner);
    tree.resize(300, 600);
    tree.Initialize();
    tree.ExpandItem(tree.FindItem(u"Big"), true);
    for (auto _ : state) {
        tree.scrollToTop();
        tree.scrollToBottom();
        benchmark::DoNotOptimize(tree.grab());
    }
}
BENCHMARK(BM_ScrollToEnd)->Unit(benchmark::kMillisecond);

// What the tree logic does on every insert position and paste: walk a
// folder's rows.
void BM_WalkSiblings(benchmark::State& state)
{
    Owner owner;
    SessionTreeCtrl tree(&owner);
    tree.Initialize();
    const TreeItem big = tree.FindItem(u"Big");
    tree.ExpandItem(big, true);
    for (auto _ : state) {
        int rows = 0;
        for (TreeItem item = tree.GetChildItem(big); item; item = tree.GetNextSiblingItem(item))
            ++rows;
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK(BM_WalkSiblings)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MakeDatabase();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
