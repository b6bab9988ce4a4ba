// Opening a large library and filling the category tree: 1,000 categories up to six levels
// deep and 30,000 scripts.
#include "browser/categorytree.h"
#include "library/libraryfile.h"
#include "library/librarystore.h"

#include <QApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

namespace {

QString buildLibrary(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("scripts.mdb"));
    library::Database db = library::Database::create(path, library::LibraryPassword);
    QFile schema(QStringLiteral(KORVALIS_SOURCE_DIR "/data/schema.sql"));
    schema.open(QIODevice::ReadOnly);
    db.execute(schema.readAll());
    QRandomGenerator random(42);
    library::Transaction t(db);
    db.execute("INSERT INTO tipos (nombre) VALUES ('Efecto')");
    auto category = db.prepare(
        "INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (?1, ?2, ?3, '')");
    std::vector<int> depth(1001, 0);
    for (int id = 1; id <= 1000; ++id) {
        // Parents are earlier categories not yet six levels deep, or the root.
        int parent = 0;
        if (id > 10) {
            do {
                parent = int(random.bounded(id - 1)) + 1;
            } while (depth[parent] >= 5);
            depth[id] = depth[parent] + 1;
        }
        category.reset();
        category.bind(1, qint64(id)).bind(2, qint64(parent));
        category.bind(3, QStringLiteral("Categoría %1").arg(random.bounded(100000)));
        category.run();
    }
    auto script = db.prepare("INSERT INTO scripts (id_categoria, id_tipo, nombre, script_head) "
                             "VALUES (?1, 1, ?2, 'function f(){}')");
    for (int i = 0; i < 30000; ++i) {
        script.reset();
        script.bind(1, qint64(random.bounded(1000) + 1));
        script.bind(2, QStringLiteral("Script %1").arg(random.bounded(1000000)));
        script.run();
    }
    t.commit();
    return path;
}

void BM_OpenAndFillTree(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = buildLibrary(dir);
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
