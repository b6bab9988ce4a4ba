// Opening a large library and filling the category tree: categories up to six levels deep
// and scripts spread over them. The window fills a large library's tree as it comes into
// view (the categories and the root's first level at start); the whole fill is what a
// search needs.
#include "bench/support/benchlibrary.h"
#include "browser/categorytree.h"
#include "library/librarystore.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <benchmark/benchmark.h>

namespace {

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
    int nodes = 0;
    for (QTreeWidgetItemIterator it(&tree); *it; ++it)
        ++nodes;
    state.counters["nodes"] = nodes;
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
