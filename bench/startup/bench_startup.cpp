// The staged program started as a person starts it, under an Xvfb of the benchmark's own:
// process start to the terms window on screen, as a ratio to a bare Qt Widgets window started
// the same way just before it, and "Si acepto" to the main window on screen with its tree
// filled, for the shipped library and a library of 30,000 scripts. The memory
// figure is the proportional set size of the program and its web-engine processes together,
// with the large library open and a script page shown.
//
// As root the benchmark runs in a network namespace of its own with a dummy (or tun)
// interface: the program sees a network and runs its update check, and nothing leaves the
// machine.
#include "bench/support/benchlibrary.h"
#include "browser/layout.h"
#include "library/librarystore.h"
#include "tests/support/xsession.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <benchmark/benchmark.h>
#include <csignal>
#include <cstdlib>
#include <sched.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace {

using xsupport::Clock;

// Where the start window's "Si acepto" and the tree lie, in twips of their windows.
constexpr int SplashWidthTwips = 7185;
constexpr QPoint AcceptButtonTwips(2880 + 1455 / 2, 3180 + 405 / 2);
constexpr int MainWidthTwips = 9195;
// The tree stands below the search box.
constexpr QPoint TreeTwips(100 + 50, 50 + 150 + layout::SearchBoxHeight + layout::SearchBoxGap);
// A person reads the terms before accepting.
constexpr int ReadingMs = 1500;

double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Every process below `pid`, the program's web-engine helpers among them.
std::vector<int> descendantsOf(int pid)
{
    std::vector<std::pair<int, int>> parents;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const int child = entry.toInt(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(child));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            parents.emplace_back(child, fields[1].toInt());
    }
    std::vector<int> found{pid};
    for (size_t i = 0; i < found.size(); ++i) {
        for (const auto& [child, parent] : parents) {
            if (parent == found[i])
                found.push_back(child);
        }
    }
    return found;
}

struct Memory
{
    double pssMegabytes = 0;
    // The pages the processes hold, each counted once: their Pss on a machine where no other
    // process maps the same libraries (Pss falls while another program of the web engine runs).
    double ownMegabytes = 0;
    int processes = 0;
};

// The physical pages present in the processes' memory (root reads their page frame numbers).
void addPresentPages(int pid, std::unordered_set<quint64>& pages)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    QFile pagemap(QStringLiteral("/proc/%1/pagemap").arg(pid));
    if (!maps.open(QIODevice::ReadOnly) || !pagemap.open(QIODevice::ReadOnly))
        return;
    constexpr quint64 PageSize = 4096;
    std::vector<quint64> entries;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const QList<QByteArray> range = line.split(' ').first().split('-');
        if (range.size() != 2)
            continue;
        const quint64 from = range[0].toULongLong(nullptr, 16) / PageSize;
        const quint64 to = range[1].toULongLong(nullptr, 16) / PageSize;
        for (quint64 page = from; page < to; page += 65536) {
            const quint64 count = std::min<quint64>(65536, to - page);
            entries.resize(count);
            if (!pagemap.seek(qint64(page * 8)) ||
                pagemap.read(reinterpret_cast<char*>(entries.data()), qint64(count * 8)) !=
                    qint64(count * 8))
                break;
            for (quint64 entry : entries) {
                // Bit 63: present; bits 0-54: the frame, zero unless read as root.
                if ((entry >> 63) & 1 && (entry & ((quint64(1) << 55) - 1)))
                    pages.insert(entry & ((quint64(1) << 55) - 1));
            }
        }
    }
}

// The Pss of `pid` and every process below it; each one's share is written to stderr, so that
// a change shows where it saved.
Memory pssOf(int pid)
{
    Memory memory;
    std::unordered_set<quint64> pages;
    for (int p : descendantsOf(pid)) {
        addPresentPages(p, pages);
        QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(p));
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(p));
        if (!rollup.open(QIODevice::ReadOnly) || !cmdline.open(QIODevice::ReadOnly))
            continue;
        double kilobytes = 0;
        for (const QByteArray& line : rollup.readAll().split('\n')) {
            if (line.startsWith("Pss:"))
                kilobytes += line.mid(4).trimmed().split(' ').first().toDouble();
        }
        const QByteArray command = cmdline.readAll().replace('\0', ' ').left(100);
        std::fprintf(stderr, "  %7.1f MB  %s\n", kilobytes / 1024, command.constData());
        memory.pssMegabytes += kilobytes / 1024;
        ++memory.processes;
    }
    memory.ownMegabytes = double(pages.size()) * 4096 / (1024 * 1024);
    return memory;
}

// Where a person clicks on the first category and on its first script, inside the tree.
struct TreeRows
{
    QPoint category;
    QPoint script;
};

// The root of the tree, a category below it and a script below that, expanded as the
// program shows them, measured on a tree set up like the program's.
TreeRows treeRows()
{
    QTreeWidget tree;
    tree.setHeaderHidden(true);
    tree.setIndentation(16);
    tree.setRootIsDecorated(true);
    tree.setIconSize(QSize(16, 16));
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::darkYellow);
    auto* root = new QTreeWidgetItem(&tree, QStringList{QStringLiteral("Scripts")});
    auto* category = new QTreeWidgetItem(root, QStringList{QStringLiteral("Categoría")});
    auto* script = new QTreeWidgetItem(category, QStringList{QStringLiteral("Script")});
    for (QTreeWidgetItem* item : {root, category, script})
        item->setIcon(0, QIcon(pixmap));
    tree.expandAll();
    tree.resize(200, 300);
    tree.show();
    QApplication::processEvents();
    const auto onText = [&](QTreeWidgetItem* item) {
        const QRect row = tree.visualItemRect(item);
        return tree.viewport()->mapTo(&tree, QPoint(row.left() + 30, row.center().y()));
    };
    return TreeRows{onText(category), onText(script)};
}

class Program
{
public:
    Program(xsupport::XSession& x, const QString& folder) : x_(x), folder_(folder) {}
    ~Program() { stop(); }

    struct Figures
    {
        double termsMs = 0;
        double acceptMs = 0;
    };
    std::optional<Figures> startAndAccept();
    std::optional<Memory> showScriptPageAndMeasure(const TreeRows& rows);

private:
    void stop();

    xsupport::XSession& x_;
    QString folder_;
    int pid_ = -1;
    xsupport::XSession::Shown main_;
};

std::optional<Program::Figures> Program::startAndAccept()
{
    x_.reset();
    QFile::remove(folder_ + QStringLiteral("/js.htm"));
    const QByteArray executable = (folder_ + QStringLiteral("/korvalis")).toLocal8Bit();
    const Clock::time_point started = Clock::now();
    pid_ = fork();
    if (pid_ == 0) {
        execl(executable.constData(), executable.constData(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto splash = x_.waitForShown(QStringLiteral("Korvalis"), {}, 20000);
    if (!splash)
        return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(ReadingMs));
    const double scale = double(splash->geometry.width()) / SplashWidthTwips;
    const QPoint button = splash->geometry.topLeft() + AcceptButtonTwips * scale;
    const Clock::time_point accepted = x_.click(button);
    const auto main = x_.waitForShown(QStringLiteral("Korvalis"), {splash->window}, 20000);
    if (!main)
        return std::nullopt;
    main_ = *main;
    return Figures{millisecondsBetween(started, splash->at),
                   millisecondsBetween(accepted, main->at)};
}

std::optional<Memory> Program::showScriptPageAndMeasure(const TreeRows& rows)
{
    const double scale = double(main_.geometry.width()) / MainWidthTwips;
    const QPoint tree = main_.geometry.topLeft() + TreeTwips * scale;
    // The first category opens; its first row is a script.
    x_.click(tree + rows.category);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    x_.click(tree + rows.script);
    std::this_thread::sleep_for(std::chrono::milliseconds(4000));
    // The program writes the page of the script it shows.
    if (waitpid(pid_, nullptr, WNOHANG) != 0 || !QFile::exists(folder_ + QStringLiteral("/js.htm")))
        return std::nullopt;
    return pssOf(pid_);
}

// Process start to a bare Qt Widgets window on screen, the reference for the terms window.
std::optional<double> bareWindowMs(xsupport::XSession& x)
{
    x.reset();
    const char* executable = KORVALIS_BARE_WINDOW;
    const Clock::time_point started = Clock::now();
    const int pid = fork();
    if (pid == 0) {
        execl(executable, executable, static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto shown = x.waitForShown(QStringLiteral("Referencia"), {}, 20000);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    if (!shown)
        return std::nullopt;
    return millisecondsBetween(started, shown->at);
}

void Program::stop()
{
    if (pid_ <= 0)
        return;
    for (int p : descendantsOf(pid_))
        kill(p, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    // Let the helpers go before the next start.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

struct Setup
{
    std::unique_ptr<xsupport::XSession> x;
    QTemporaryDir dir;
    QString shipped;
    QString large;
    // The large library as another program leaves it, without its search index, and a
    // program folder it is copied into before each start.
    QString largeWithoutIndex;
    QString unindexed;
    TreeRows rows;
};
Setup* setup = nullptr;

enum class Library {
    Shipped,
    Large,
    LargeWithoutIndex,
};

void BM_Startup(benchmark::State& state, Library library)
{
    const QString folder = library == Library::Shipped ? setup->shipped
                           : library == Library::Large ? setup->large
                                                       : setup->unindexed;
    for (auto _ : state) {
        if (library == Library::LargeWithoutIndex) {
            // Each start builds the index in the background, and finds none again next time.
            const QString path = folder + QStringLiteral("/scripts.mdb");
            QFile::remove(path);
            if (!QFile::copy(setup->largeWithoutIndex, path)) {
                state.SkipWithError("the library could not be copied");
                break;
            }
        }
        const std::optional<double> bare = bareWindowMs(*setup->x);
        Program program(*setup->x, folder);
        const auto figures = program.startAndAccept();
        if (!figures || !bare) {
            state.SkipWithError("the program did not show its windows");
            break;
        }
        state.SetIterationTime(figures->acceptMs / 1000);
        state.counters["terms_ms"] = figures->termsMs;
        state.counters["bare_window_ms"] = *bare;
        // The goal is at most 2.
        state.counters["terms_to_bare"] = figures->termsMs / *bare;
        state.counters["accept_ms"] = figures->acceptMs;
    }
}
BENCHMARK_CAPTURE(BM_Startup, shipped_library, Library::Shipped)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Startup, scripts_30000, Library::Large)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
// Compare its accept_ms with scripts_30000's: the goal is at most 1.5 times.
BENCHMARK_CAPTURE(BM_Startup, scripts_30000_without_index, Library::LargeWithoutIndex)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

void BM_MemoryWithScriptPage(benchmark::State& state)
{
    for (auto _ : state) {
        Program program(*setup->x, setup->large);
        std::optional<Memory> memory;
        if (program.startAndAccept())
            memory = program.showScriptPageAndMeasure(setup->rows);
        if (!memory) {
            state.SkipWithError("the program did not show a script page");
            break;
        }
        state.SetIterationTime(0.001);
        // The goal is under 220.
        state.counters["pss_MB"] = memory->pssMegabytes;
        // Zero when not run as root.
        state.counters["own_MB"] = memory->ownMegabytes;
        state.counters["processes"] = memory->processes;
    }
}
BENCHMARK(BM_MemoryWithScriptPage)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// A network of its own that reaches nothing: the program sees an address other than
// loopback and runs its update check against a site it cannot reach.
void enterPrivateNetwork()
{
    if (geteuid() != 0 || unshare(CLONE_NEWNET) != 0) {
        std::fprintf(stderr, "Sin espacio de red propio: el programa ve la red de la máquina\n");
        return;
    }
    if (std::system("ip link set lo up && (ip link add d0 type dummy 2>/dev/null || "
                    "ip tuntap add dev d0 mode tun) && "
                    "ip addr add 10.9.9.9/24 dev d0 && ip link set d0 up") != 0)
        std::fprintf(stderr, "No se pudo preparar la interfaz d0\n");
}

// Takes this benchmark's own "--program=FOLDER" out of the arguments.
QString takeProgramFolder(int& argc, char** argv)
{
    QString staged = QStringLiteral(KORVALIS_PROGRAM_DIR);
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg.startsWith(QLatin1String("--program=")))
            staged = arg.mid(10);
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    return staged;
}

} // namespace

int main(int argc, char** argv)
{
    // The arguments first: --help and a bad flag end the process here, before it has
    // started a display or anything else that would outlive it.
    benchmark::Initialize(&argc, argv);
    // --program=FOLDER measures another staged program folder (an earlier build).
    const QString staged = takeProgramFolder(argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    enterPrivateNetwork();
    Setup s;
    s.x = std::make_unique<xsupport::XSession>();
    if (!s.x->ok()) {
        std::fprintf(stderr, "Xvfb could not be started\n");
        return 1;
    }
    qputenv("DISPLAY", s.x->display().toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    s.rows = treeRows();

    s.shipped = s.dir.filePath(QStringLiteral("shipped"));
    s.large = s.dir.filePath(QStringLiteral("large"));
    if (!xsupport::CopyProgramFolder(staged, s.shipped) ||
        !xsupport::CopyProgramFolder(staged, s.large)) {
        std::fprintf(stderr, "The staged program could not be copied\n");
        return 1;
    }
    s.unindexed = s.dir.filePath(QStringLiteral("unindexed"));
    s.largeWithoutIndex = s.dir.filePath(QStringLiteral("sin-indice.mdb"));
    if (!xsupport::CopyProgramFolder(staged, s.unindexed)) {
        std::fprintf(stderr, "The staged program could not be copied\n");
        return 1;
    }
    bench::BuildLibrary(s.largeWithoutIndex, 1000, 30000);
    QFile::remove(s.large + QStringLiteral("/scripts.mdb"));
    QFile::copy(s.largeWithoutIndex, s.large + QStringLiteral("/scripts.mdb"));
    // Its search index built now: the first start of all builds it once (about 1.5 s), which
    // is no part of a start.
    library::LibraryStore::open(s.large + QStringLiteral("/scripts.mdb"));
    setup = &s;
    benchmark::RunSpecifiedBenchmarks();
    setup = nullptr;
    return 0;
}
