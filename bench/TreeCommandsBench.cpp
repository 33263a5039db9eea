// The Session Manager over 100,000 sessions in 1,000 folders on the SQLite
// store, offscreen:
//
// context_menu_root_100k: with the root selected, the enable state of every
// item of the folder menu, against listing the root's folder once; both
// read the database afresh each time.
//
// filter_keystroke_qt_100k: one more character typed into the filter box
// until the tree shows the result (the first keystroke loaded the
// listings), against the bare matcher over the same 100,000 names.
//
// Comparisons end with "RATIO <name> <ours/theirs>", both run here.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <QApplication>
#include <QMenu>
#include <QVBoxLayout>

#include "RatioReporter.h"
#include "dialogs/qt/ConnectView.h"
#include "dialogs/qt/SessionTreeMenus.h"
#include "platform/GlobalConfig.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/SqliteProfileBackend.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"
#include "sessiontree/FilterPattern.h"
#include "sessiontree/qt/FilterEditBox.h"
#include "sessiontree/qt/SessionTreeCtrl.h"

namespace {

constexpr int kFolders = 1000;
constexpr int kSessions = 100000;
constexpr char16_t kTyped[] = u"web1*";
constexpr char16_t kOneMore[] = u"web1*7";

SqliteProfileFactory* g_factory = nullptr;
VProfileStoreFactory* Factory()
{
    return g_factory;
}
std::vector<std::u16string> g_names;

// A hundred sessions a folder, named as people name them.
void Seed()
{
    static const char16_t* roles[] = {u"web", u"db", u"cache", u"mail", u"build", u"proxy"};
    VProfileStore store; // one transaction
    const VProfileKey sessions(*store.GetRootKey(), u"Sessions", 1);
    for (int i = 0; i < kSessions; ++i) {
        VUnicodeString name(roles[i % 6]);
        name += VUnicodeString::FromNumber(i).str();
        name += u".site";
        name += VUnicodeString::FromNumber(i % 17).str();
        const VUnicodeString path =
            VUnicodeString(u"Folder ") + VUnicodeString::FromNumber(i % kFolders).str() + u"\\" + name.str();
        VProfileKey key(sessions, path, 1);
        key.WriteString(u"Protocol Name", u"SSH2");
        g_names.push_back(name.str());
    }
}

void BM_context_menu_root(benchmark::State& state)
{
    ConnectView pane(QStringLiteral("Session Manager"), false, false, 3, nullptr, nullptr);
    SessionTreeCtrl& tree = *pane.Tree();
    tree.SelectItem(tree.GetRootItem());
    QMenu menu;
    BuildSessionTreeMenu(menu, MenuKindFor(tree), MenuStateFor(tree, pane));
    std::vector<unsigned> commands;
    for (QAction* action : menu.actions())
        if (!action->isSeparator() && !action->menu())
            commands.push_back(action->data().toUInt());
    for (auto _ : state) {
        GetSessionDatabaseImpl()->DropCachedListings();
        int enabled = 0;
        for (unsigned command : commands)
            enabled += pane.IsCommandEnabled(command);
        benchmark::DoNotOptimize(enabled);
    }
    state.counters["items"] = static_cast<double>(commands.size());
}

void BM_list_root_once(benchmark::State& state)
{
    for (auto _ : state) {
        GetSessionDatabaseImpl()->DropCachedListings();
        benchmark::DoNotOptimize(GetSessionDatabaseImpl()->GetListing(VUnicodeString(), 1).folders.GetSize());
    }
}

void BM_filter_keystroke_qt(benchmark::State& state)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* box = new FilterEditBox(&window);
    ISessionTreeOwner* owner = nullptr;
    auto* tree = new SessionTreeCtrl(owner, &window);
    layout->addWidget(box);
    layout->addWidget(tree);
    box->SetTree(tree);
    window.resize(320, 700);
    window.show();
    tree->Initialize();
    const auto typeAndShow = [&](const char16_t* text) {
        box->setText(QString::fromUtf16(text));
        while (tree->IsFilterPending())
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        tree->repaint(); // drawn
    };
    typeAndShow(kTyped); // the first keystroke reads every listing
    bool longer = false;
    size_t shown = 0;
    for (auto _ : state) {
        longer = !longer;
        typeAndShow(longer ? kOneMore : kTyped); // one more key, or taking it back
        shown = static_cast<size_t>(tree->model()->rowCount(tree->IndexOf(tree->GetRootItem())));
    }
    state.counters["folders_shown"] = static_cast<double>(shown);
}

void BM_filter_bare_loop(benchmark::State& state)
{
    for (auto _ : state) {
        const FilterPattern pattern(kOneMore);
        size_t hits = 0;
        for (const std::u16string& name : g_names)
            hits += pattern.Matches(name);
        benchmark::DoNotOptimize(hits);
    }
}

BENCHMARK(BM_context_menu_root)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_list_root_once)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_filter_keystroke_qt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_filter_bare_loop)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    char folder[] = "/tmp/orv-commands-bench-XXXXXX";
    const std::string dir = mkdtemp(folder);
    {
        SqliteProfileFactory factory(dir + "/sessions.db");
        g_factory = &factory;
        SetProfileStoreFactoryGetter(&Factory);
        GlobalConfig* config = nullptr;
        if (GetGlobalConfig(&config)) {
            config->sortMode = 1;
            config->filterDelayMs = 0; // the keystroke itself, not the typing pause
        }
        Seed();
        benchmark::Initialize(&argc, argv);
        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        reporter.PrintRatio("context_menu_root_100k", "BM_context_menu_root", "BM_list_root_once");
        reporter.PrintRatio("filter_keystroke_qt_100k", "BM_filter_keystroke_qt", "BM_filter_bare_loop");
        GetSessionDatabaseImpl()->DropCachedListings();
        SetProfileStoreFactoryGetter(nullptr);
        g_factory = nullptr;
    }
    std::filesystem::remove_all(dir);
    benchmark::Shutdown();
    return 0;
}
