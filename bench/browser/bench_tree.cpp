// Opening a large library and filling the category tree: categories up to six levels deep
// and scripts spread over them.
#include "bench/support/benchlibrary.h"
#include "browser/categorytree.h"
#include "library/librarystore.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

namespace {

void BM_OpenAndFillTree(benchmark::State& state)
{
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
        QTreeWidgetItem* last = CategoryTree(&tree, *store).Load();
        benchmark::DoNotOptimize(last);
    }
    state.counters["nodes"] = double(1 + categories + scripts);
}
BENCHMARK(BM_OpenAndFillTree)
    ->ArgNames({"scripts", "categories"})
    ->Args({30000, 1000})
    ->Args({100000, 3000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
