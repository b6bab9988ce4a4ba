// Opening a large library and filling the category tree: categories up to six levels deep
// and scripts spread over them. The window fills a large library's tree as it comes into
// view (the categories and the root's first level at start); the whole fill is what a
// search needs.
#include "bench/support/benchclock.h"
#include "bench/support/benchlibrary.h"
#include "browser/categorytree.h"
#include "browser/searchbox.h"
#include "library/librarystore.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>

namespace {

using bench::Clock;
using bench::cpuMilliseconds;
using bench::median;
using bench::millisecondsSince;

int nodeCount(QTreeWidget& tree)
{
    int nodes = 0;
    for (QTreeWidgetItemIterator it(&tree); *it; ++it)
        ++nodes;
    return nodes;
}

// state.range(2): 1 fills the whole tree, 0 loads it as the window opens a large library.
void BM_OpenAndFillTree(benchmark::State& state)
{
    const bool whole = state.range(2) != 0;
    const int scripts = int(state.range(0));
    const int categories = int(state.range(1));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("scripts.mdb"));
    bench::BuildLibrary(path, categories, scripts);
    // The first opening builds the search index; the fill is measured on later ones.
    library::LibraryStore::open(path);
    QTreeWidget tree;
    for (auto _ : state) {
        state.PauseTiming();
        tree.clear();
        state.ResumeTiming();
        auto store = library::LibraryStore::open(path);
        CategoryTree filler(&tree, *store);
        QTreeWidgetItem* last = whole ? filler.Load() : filler.LoadCategories();
        tree.topLevelItem(0)->setExpanded(true);
        benchmark::DoNotOptimize(last);
    }
    state.counters["nodes"] = nodeCount(tree);
}
BENCHMARK(BM_OpenAndFillTree)
    ->ArgNames({"scripts", "categories", "whole"})
    ->Args({30000, 1000, 0})
    ->Args({30000, 1000, 1})
    ->Args({100000, 3000, 0})
    ->Args({100000, 3000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// The whole fill a first search needs, from an open library to a node for every script: the
// categories as the window loads them, then the scripts of every category, in the window's
// tree under its search box. The library is opened anew before each run, outside the time,
// so that the scripts are read from the file as at a first search. The reference, on a
// fresh connection too: reading every script's listing alone, which the fill cannot beat.
void BM_FillWholeTree(benchmark::State& state)
{
    const int scripts = int(state.range(0));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("scripts.mdb"));
    bench::BuildLibrary(path, int(state.range(1)), scripts);
    library::LibraryStore::open(path);
    std::vector<double> fills;
    std::vector<double> fillsCpu;
    std::vector<double> reads;
    std::vector<double> opens;
    int nodes = 0;
    for (auto _ : state) {
        {
            Clock::time_point t = Clock::now();
            auto store = library::LibraryStore::open(path);
            opens.push_back(millisecondsSince(t));
            t = Clock::now();
            benchmark::DoNotOptimize(store->scriptsByCategory());
            reads.push_back(millisecondsSince(t));
        }
        auto store = library::LibraryStore::open(path);
        QWidget panel;
        auto* tree = new QTreeWidget(&panel);
        CategoryTree::SetUpView(tree);
        CategoryTree categories(tree, *store);
        SearchBox box(
            &panel, tree, [&store] { return store.get(); }, [&categories] { return &categories; });
        const Clock::time_point t = Clock::now();
        const double cpu = cpuMilliseconds();
        categories.LoadCategories();
        tree->topLevelItem(0)->setExpanded(true);
        categories.FillAll();
        fillsCpu.push_back(cpuMilliseconds() - cpu);
        fills.push_back(millisecondsSince(t));
        state.SetIterationTime(fills.back() / 1000);
        nodes = nodeCount(*tree);
    }
    state.counters["fill_median_ms"] = median(fills);
    state.counters["fill_cpu_median_ms"] = median(fillsCpu);
    state.counters["read_median_ms"] = median(reads);
    state.counters["fill_to_read"] = median(fills) / median(reads);
    state.counters["open_median_ms"] = median(opens);
    state.counters["nodes"] = nodes;
}
BENCHMARK(BM_FillWholeTree)
    ->ArgNames({"scripts", "categories"})
    ->Args({30000, 1000})
    ->Args({100000, 3000})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(7);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
