// Opening a large library and filling the category tree: 1,000 categories up to six levels
// deep and 30,000 scripts.
#include "benchlibrary.h"
#include "browser/categorytree.h"
#include "library/libraryfile.h"
#include "library/librarystore.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

namespace {

void BM_OpenAndFillTree(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = BuildBenchLibrary(dir);
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
    state.counters["nodes"] = double(1 + 1000 + 30000);
}
BENCHMARK(BM_OpenAndFillTree)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
