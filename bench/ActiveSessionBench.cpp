// The Active Sessions tree with the real widget: a host announcing, changing
// and closing many sessions, against a bare tree widget given the same rows.
// Run with QT_QPA_PLATFORM=offscreen where there is no display.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <string>
#include <vector>

#include <QApplication>
#include <QTreeWidget>

#include "commands/qt/ActiveSessionTree.h"
#include "platform/qt/IconStatusArray.h"

namespace {

std::vector<VUnicodeString> Names(int count)
{
    std::vector<VUnicodeString> names;
    for (int i = 0; i < count; ++i)
        names.push_back(VUnicodeString::FromUtf8("session " + std::to_string(i)));
    return names;
}

// Open, change the state of, rename and close `count` sessions in two groups.
void HostRun(ActiveSessionTree& tree, const std::vector<VUnicodeString>& names)
{
    const int count = static_cast<int>(names.size());
    for (int i = 0; i < count; ++i)
        tree.OnEvent(1, i % 2, names[static_cast<size_t>(i)], 0, static_cast<ActiveSessionId>(i));
    for (int i = 0; i < count; ++i)
        tree.OnEvent(4, i % 2, VUnicodeString(), 1, static_cast<ActiveSessionId>(i));
    for (int i = 0; i < count; ++i)
        tree.OnEvent(3, i % 2, names[static_cast<size_t>(count - 1 - i)], 0, static_cast<ActiveSessionId>(i));
    for (int i = 0; i < count; ++i)
        tree.OnEvent(2, i % 2, VUnicodeString(), 0, static_cast<ActiveSessionId>(i));
}

// The same rows, images and order of changes on a bare widget: the floor.
void BareRun(QTreeWidget& tree, const std::vector<VUnicodeString>& names)
{
    const int count = static_cast<int>(names.size());
    QTreeWidgetItem* groups[2] = {new QTreeWidgetItem(QStringList(QStringLiteral("Active"))),
                                  new QTreeWidgetItem(QStringList(QStringLiteral("Editors")))};
    tree.addTopLevelItems({groups[0], groups[1]});
    for (int i = 0; i < count; ++i) {
        auto* item = new QTreeWidgetItem(
            QStringList(QString::fromStdU16String(std::u16string(names[static_cast<size_t>(i)].str()))));
        item->setIcon(0, StatusIcon(0));
        groups[i % 2]->addChild(item);
    }
    for (int i = 0; i < count; ++i)
        groups[i % 2]->child(i / 2)->setIcon(0, StatusIcon(1));
    for (int i = 0; i < count; ++i)
        groups[i % 2]->child(i / 2)->setText(
            0, QString::fromStdU16String(std::u16string(names[static_cast<size_t>(count - 1 - i)].str())));
    for (int i = 0; i < count; ++i)
        delete groups[i % 2]->takeChild(0);
    tree.clear();
}

void BM_HostRun(benchmark::State& state)
{
    const auto names = Names(static_cast<int>(state.range(0)));
    ActiveSessionTree tree(nullptr);
    for (auto _ : state)
        HostRun(tree, names);
    state.SetItemsProcessed(state.iterations() * state.range(0) * 4);
}
BENCHMARK(BM_HostRun)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_FilterApply(benchmark::State& state)
{
    const auto names = Names(static_cast<int>(state.range(0)));
    ActiveSessionTree tree(nullptr);
    for (size_t i = 0; i < names.size(); ++i)
        tree.OnEvent(1, static_cast<int>(i % 2), names[i], 0, i);
    for (auto _ : state) {
        tree.ApplyFilter(VUnicodeString(u"7"));
        tree.ApplyFilter(VUnicodeString());
    }
}
BENCHMARK(BM_FilterApply)->Arg(1000)->Unit(benchmark::kMillisecond);

template <class F>
double MedianSeconds(F run)
{
    std::vector<double> times;
    for (int r = 0; r < 5; ++r) {
        // Processor time: the machine may be busy with other work.
        const std::clock_t start = std::clock();
        run();
        times.push_back(static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
    }
    std::sort(times.begin(), times.end());
    return times[2];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    // What the rules cost over the widget's own work, for 1000 sessions.
    const auto names = Names(1000);
    ActiveSessionTree tree(nullptr);
    QTreeWidget bare;
    const double ours = MedianSeconds([&] { HostRun(tree, names); });
    const double floor = MedianSeconds([&] { BareRun(bare, names); });
    std::printf("RATIO active_sessions_host_run_vs_bare_widget %.2f\n", ours / floor);
    return 0;
}
