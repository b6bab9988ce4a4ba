// Searching the large library of bench_tree: the time from a keystroke in the search box to
// the filtered tree laid out and painted, the time to build the index of a library without
// one, and what the index adds to saving a script.
#include "bench/support/benchclock.h"
#include "bench/support/benchlibrary.h"
#include "browser/categorytree.h"
#include "browser/searchbox.h"
#include "library/libraryfile.h"
#include "library/librarystore.h"

#include <QApplication>
#include <QFile>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>

namespace {

using bench::Clock;
using bench::cpuMilliseconds;
using bench::median;
using bench::millisecondsSince;

// One library without an index and one copy that has it, built once for every measurement.
struct Libraries
{
    QTemporaryDir dir;
    QString plain;
    QString indexed;
    int copies = 0;

    Libraries()
    {
        plain = dir.filePath(QStringLiteral("sin-indice.mdb"));
        bench::BuildLibrary(plain, 1000, 30000);
        indexed = Copy();
        library::LibraryStore::open(indexed);
    }
    QString Copy()
    {
        const QString path = dir.filePath(QStringLiteral("copia%1.mdb").arg(++copies));
        QFile::copy(plain, path);
        return path;
    }
};

Libraries& libraries()
{
    static Libraries l;
    return l;
}

void BM_BuildIndex(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = libraries().Copy();
        {
            library::Database db = library::Database::open(path, library::LibraryPassword);
            state.ResumeTiming();
            benchmark::DoNotOptimize(library::EnsureScriptIndex(db));
            state.PauseTiming();
        }
        QFile::remove(path);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BuildIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

// Counts the paint events a widget gets while it lives.
struct PaintCount : QObject
{
    QWidget* widget;
    int count = 0;
    explicit PaintCount(QWidget* w) : widget(w) { widget->installEventFilter(this); }
    ~PaintCount() override { widget->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

// The browse panel's column: the search box over the filled tree, shown offscreen.
struct Panel
{
    std::unique_ptr<library::LibraryStore> store;
    QWidget widget;
    QTreeWidget* tree = new QTreeWidget(&widget);
    CategoryTree categories{tree, *store};
    SearchBox box{&widget, tree, [this] { return store.get(); }, [this] { return &categories; }};
    // What the window does once, when the tree is whole: the names and the tree's shape read.
    double prepareMs = 0;

    explicit Panel(const QString& path = libraries().indexed)
        : store(library::LibraryStore::open(path, library::LibraryStore::IndexBuild::InBackground))
    {
        CategoryTree::SetUpView(tree);
        widget.resize(300, 800);
        tree->setGeometry(0, 40, 300, 760);
        box.Place(QRect(0, 0, 4500, 450), QRect(3000, 0, 1500, 450));
        // As the window loads it: the categories first, then every script and what the first
        // search reads while the window waits for its first keystroke.
        categories.LoadCategories();
        tree->topLevelItem(0)->setExpanded(true);
        categories.FillAll();
        const Clock::time_point t = Clock::now();
        box.PrepareSearch();
        prepareMs = millisecondsSince(t);
        widget.show();
        settle();
    }
    // Lays out and paints what stands in the tree's place now (the tree or the results), as
    // the next frame would: once, by the events pending, or here when they did not paint it.
    void settle()
    {
        QWidget* shown = (box.IsSearching() ? box.Tree_resultados() : tree)->viewport();
        PaintCount painted(shown);
        QCoreApplication::processEvents();
        if (painted.count == 0)
            shown->repaint();
    }
    void key(int key, const QString& text)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(box.Text_buscar(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(box.Text_buscar(), &release);
        settle();
    }
};

// Types the query a key at a time, then Escape; every keystroke is timed to the painted tree.
void BM_TypeQuery(benchmark::State& state, const QString& query)
{
    Panel panel;
    std::vector<double> keystrokes;
    std::vector<double> keystrokesCpu;
    std::vector<double> restores;
    int found = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        for (const QChar c : query) {
            const Clock::time_point t = Clock::now();
            const double cpu = cpuMilliseconds();
            panel.key(c == QLatin1Char(' ') ? Qt::Key_Space : Qt::Key_A, QString(c));
            keystrokes.push_back(millisecondsSince(t));
            keystrokesCpu.push_back(cpuMilliseconds() - cpu);
        }
        found = panel.box.Label_encontrados()->text().section(QLatin1Char(' '), 0, 0).toInt();
        const Clock::time_point t = Clock::now();
        panel.key(Qt::Key_Escape, QString());
        restores.push_back(millisecondsSince(t));
        state.SetIterationTime(millisecondsSince(start) / 1000);
    }
    state.counters["keystroke_median_ms"] = median(keystrokes);
    state.counters["keystroke_worst_ms"] = *std::max_element(keystrokes.begin(), keystrokes.end());
    state.counters["cpu_median_ms"] = median(keystrokesCpu);
    state.counters["cpu_worst_ms"] = *std::max_element(keystrokesCpu.begin(), keystrokesCpu.end());
    state.counters["escape_median_ms"] = median(restores);
    state.counters["prepare_ms"] = panel.prepareMs;
    state.counters["found"] = found;
}
BENCHMARK_CAPTURE(BM_TypeQuery, one_word, QStringLiteral("menu"))
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10);
BENCHMARK_CAPTURE(BM_TypeQuery, two_words, QStringLiteral("reloj digital"))
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10);
BENCHMARK_CAPTURE(BM_TypeQuery, three_words, QStringLiteral("contraseña emergente visible"))
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10);

// A script saved, then the box clicked and a first letter typed, as a person searches after
// an edit: the keystroke, and the click that readies the search again. The reference: the
// library's query for the same letter alone, after the same save, which no keystroke can beat.
void BM_KeystrokeAfterSave(benchmark::State& state)
{
    Panel panel;
    library::Script s = *panel.store->script(1234);
    std::vector<double> keystrokes;
    std::vector<double> keystrokesCpu;
    std::vector<double> focusing;
    std::vector<double> queries;
    for (auto _ : state) {
        s.scriptAyuda = QStringLiteral("Comentario cambiado %1 veces.").arg(keystrokes.size());
        panel.store->saveScript(s, {});
        panel.widget.setFocus();
        Clock::time_point t = Clock::now();
        QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(panel.box.Text_buscar(), &focusIn);
        focusing.push_back(millisecondsSince(t));
        t = Clock::now();
        const double cpu = cpuMilliseconds();
        panel.key(Qt::Key_A, QStringLiteral("c"));
        keystrokesCpu.push_back(cpuMilliseconds() - cpu);
        keystrokes.push_back(millisecondsSince(t));
        state.SetIterationTime((focusing.back() + keystrokes.back()) / 1000);
        panel.key(Qt::Key_Escape, QString());
        panel.store->saveScript(s, {});
        panel.store->readSearchAhead();
        t = Clock::now();
        benchmark::DoNotOptimize(panel.store->searchScripts({QStringLiteral("c")}));
        queries.push_back(millisecondsSince(t));
    }
    state.counters["keystroke_median_ms"] = median(keystrokes);
    state.counters["query_median_ms"] = median(queries);
    state.counters["keystroke_to_query"] = median(keystrokes) / median(queries);
    state.counters["keystroke_worst_ms"] = *std::max_element(keystrokes.begin(), keystrokes.end());
    state.counters["cpu_median_ms"] = median(keystrokesCpu);
    state.counters["focus_median_ms"] = median(focusing);
}
BENCHMARK(BM_KeystrokeAfterSave)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(30);

// A library without its index opened as the window opens it, the index built in the
// background: the opening (the store and the categories) against the same with the index,
// and the time until the box searches, with what it finds then.
void BM_OpenWithoutIndex(benchmark::State& state)
{
    const QString word = QStringLiteral("reloj");
    std::vector<double> ratios;
    double readyMs = 0;
    int found = 0;
    int foundIndexed = 0;
    for (auto _ : state) {
        const QString path = libraries().Copy();
        Clock::time_point t = Clock::now();
        double withIndexMs = 0;
        {
            Panel indexed;
            withIndexMs = millisecondsSince(t);
            indexed.box.Text_buscar()->setText(word);
            foundIndexed =
                indexed.box.Label_encontrados()->text().section(QLatin1Char(' '), 0, 0).toInt();
        }
        t = Clock::now();
        auto panel = std::make_unique<Panel>(path);
        const double withoutMs = millisecondsSince(t);
        ratios.push_back(withoutMs / withIndexMs);
        panel->box.Text_buscar()->setText(word);
        while (panel->box.Text_buscar()->placeholderText() == SearchBox::PreparingText)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        readyMs = millisecondsSince(t);
        found = panel->box.Label_encontrados()->text().section(QLatin1Char(' '), 0, 0).toInt();
        state.SetIterationTime(withoutMs / 1000);
        panel.reset();
        QFile::remove(path);
    }
    state.counters["open_ratio_to_indexed"] = median(ratios);
    state.counters["search_ready_ms"] = readyMs;
    state.counters["found"] = found;
    state.counters["found_with_index"] = foundIndexed;
}
BENCHMARK(BM_OpenWithoutIndex)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The library's part of a keystroke alone: the query and the ranking, for each prefix typed.
void BM_SearchOnly(benchmark::State& state, const QString& query)
{
    auto store = library::LibraryStore::open(libraries().indexed);
    std::vector<double> keystrokes;
    for (auto _ : state) {
        for (int n = 1; n <= query.size(); ++n) {
            const Clock::time_point t = Clock::now();
            benchmark::DoNotOptimize(store->searchScripts(library::SearchWords(query.left(n))));
            keystrokes.push_back(millisecondsSince(t));
        }
    }
    state.counters["keystroke_median_ms"] = median(keystrokes);
    state.counters["keystroke_worst_ms"] = *std::max_element(keystrokes.begin(), keystrokes.end());
}
BENCHMARK_CAPTURE(BM_SearchOnly, one_word, QStringLiteral("menu"))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK_CAPTURE(BM_SearchOnly, three_words, QStringLiteral("contraseña emergente visible"))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// Saving one script, edited each time; state.range(0) tells whether the library has the index.
// Long enough for the steady cost: the first saves after opening a fresh copy also read and
// decrypt the pages they touch, with or without the index.
void BM_SaveScript(benchmark::State& state)
{
    const QString path = libraries().Copy();
    std::unique_ptr<library::LibraryStore> store =
        state.range(0) ? library::LibraryStore::open(path)
                       : std::make_unique<library::LibraryStore>(
                             library::Database::open(path, library::LibraryPassword));
    library::Script s = *store->script(1234);
    int edits = 0;
    for (auto _ : state) {
        s.scriptAyuda = QStringLiteral("Comentario cambiado %1 veces.").arg(++edits);
        benchmark::DoNotOptimize(store->saveScript(s, {}));
    }
    store.reset();
    QFile::remove(path);
}
BENCHMARK(BM_SaveScript)
    ->ArgName("indice")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3);

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
