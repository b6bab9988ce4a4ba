// Bringing a whole library into another and copying one: 30,000 scripts in 300 categories on
// each side. Goals on the reference machine: the import under 5 s, one backup under 1 s. Each
// run also reports its time as a ratio to copying the library file byte for byte in the same
// process ("vs_file_copy"), and to its goal ("vs_goal", under 1 meets it).

#include "bench/support/benchlibrary.h"
#include "editing/libraryimport.h"
#include "editing/librarysnapshot.h"
#include "library/backup.h"
#include "library/libraryfile.h"
#include "library/librarystore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int Scripts = 30000;
constexpr int Categories = 300;

struct Libraries
{
    QTemporaryDir dir;
    QString target;  // the library imported into, with its search index
    QString same;    // a copy of it: every script is already there
    QString changed; // every script with other code: each comes in under a new name
    double fileCopySeconds = 0;

    Libraries()
    {
        const QString model = dir.filePath(QStringLiteral("modelo.mdb"));
        bench::BuildLibrary(model, Categories, Scripts);
        library::LibraryStore::open(model); // builds the search index, as the program does
        for (const char* name : {"destino", "igual", "cambiada"}) {
            const QString folder = dir.filePath(QString::fromLatin1(name));
            QDir().mkpath(folder + QStringLiteral("/resources"));
            QFile::copy(model, library::LibraryPathIn(folder));
        }
        target = dir.filePath(QStringLiteral("destino"));
        same = dir.filePath(QStringLiteral("igual"));
        changed = dir.filePath(QStringLiteral("cambiada"));
        library::Database db =
            library::Database::open(library::LibraryPathIn(changed), library::LibraryPassword);
        db.execute("UPDATE scripts SET script_head = script_head || ' '");

        QElapsedTimer timer;
        timer.start();
        const QString copy = dir.filePath(QStringLiteral("copia.mdb"));
        QFile::copy(model, copy);
        fileCopySeconds = timer.nsecsElapsed() / 1e9;
        QFile::remove(copy);
    }

    // A fresh target for each run.
    QString freshTarget()
    {
        const QString folder = dir.filePath(QStringLiteral("cada"));
        QDir(folder).removeRecursively();
        QDir().mkpath(folder + QStringLiteral("/resources"));
        QFile::copy(library::LibraryPathIn(target), library::LibraryPathIn(folder));
        return folder;
    }
};

Libraries& libraries()
{
    static Libraries l;
    return l;
}

void report(benchmark::State& state, double seconds, double goal)
{
    const double runs = double(state.iterations());
    state.counters["vs_file_copy"] = seconds / runs / libraries().fileCopySeconds;
    state.counters["vs_goal"] = seconds / runs / goal;
}

void runImport(benchmark::State& state, const QString& source, editing::ImportLine::Outcome each)
{
    Libraries& l = libraries();
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString folder = l.freshTarget();
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        const QString file = library::LibraryPathIn(folder);
        editing::LibrarySnapshot snapshot;
        editing::ImportReport result;
        library::Database db = library::Database::open(file, library::LibraryPassword);
        if (!editing::ReadSourceLibrary(source, file, &snapshot) ||
            !editing::ImportLibrary(db, folder + QStringLiteral("/resources/"), snapshot,
                                    &result) ||
            result.count(each) != Scripts)
            state.SkipWithError("unexpected outcome");
        seconds += timer.nsecsElapsed() / 1e9;
    }
    report(state, seconds, 5.0);
}

void BM_ImportEveryScriptUnderANewName(benchmark::State& state)
{
    runImport(state, libraries().changed, editing::ImportLine::Outcome::Renamed);
}

void BM_ImportEveryScriptAlreadyThere(benchmark::State& state)
{
    runImport(state, libraries().same, editing::ImportLine::Outcome::AlreadyThere);
}

void BM_Backup(benchmark::State& state)
{
    Libraries& l = libraries();
    const QString file = library::LibraryPathIn(l.target);
    library::Database db = library::Database::open(file, library::LibraryPassword);
    double seconds = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        if (!library::BackupLibrary(db, file))
            state.SkipWithError("no copy");
        seconds += timer.nsecsElapsed() / 1e9;
        state.PauseTiming();
        QDir(library::BackupFolderOf(file)).removeRecursively();
        state.ResumeTiming();
    }
    report(state, seconds, 1.0);
}

} // namespace

BENCHMARK(BM_ImportEveryScriptUnderANewName)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportEveryScriptAlreadyThere)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Backup)->Unit(benchmark::kMillisecond)->Iterations(5);
