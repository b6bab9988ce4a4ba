// Bringing a whole library into another and copying one: 30,000 scripts in 300 categories on
// each side. Goals on the reference machine: the import under 5 s, one backup under 1 s. Each
// run also reports its time as a ratio to a reference measured in the same process: for the
// backup, copying the library file byte for byte ("vs_file_copy"); for an import, opening the
// source and reading every script row ("vs_plain_read"); and to its goal ("vs_goal", under 1
// meets it). The search index of the scripts an import added is completed afterwards (in the
// background in the window), timed apart: "index_after_s", seconds a run.

#include "bench/support/benchlibrary.h"
#include "editing/libraryimport.h"
#include "editing/librarysnapshot.h"
#include "library/backup.h"
#include "library/libraryfile.h"
#include "library/librarystore.h"
#include "library/scriptindex.h"

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
    double plainReadSeconds = 0;

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

        timer.restart();
        library::Database source = library::Database::openReadOnly(library::LibraryPathIn(changed),
                                                                   library::LibraryPassword);
        library::Statement rows = source.prepare("SELECT * FROM scripts");
        while (rows.next()) {
        }
        plainReadSeconds = timer.nsecsElapsed() / 1e9;
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

void report(benchmark::State& state, const char* reference, double referenceSeconds, double seconds,
            double goal)
{
    const double runs = double(state.iterations());
    state.counters[reference] = seconds / runs / referenceSeconds;
    state.counters["vs_goal"] = seconds / runs / goal;
}

void runImport(benchmark::State& state, const QString& source, editing::ImportLine::Outcome each)
{
    Libraries& l = libraries();
    double seconds = 0;
    double indexSeconds = 0;
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
        state.PauseTiming();
        timer.restart();
        {
            // As the command does it before it ends.
            const library::LargeCache cache(db);
            library::EnsureScriptIndex(db);
        }
        indexSeconds += timer.nsecsElapsed() / 1e9;
        state.ResumeTiming();
    }
    report(state, "vs_plain_read", l.plainReadSeconds, seconds, 5.0);
    state.counters["index_after_s"] = indexSeconds / double(state.iterations());
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
    report(state, "vs_file_copy", l.fileCopySeconds, seconds, 1.0);
}

} // namespace

BENCHMARK(BM_ImportEveryScriptUnderANewName)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportEveryScriptAlreadyThere)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Backup)->Unit(benchmark::kMillisecond)->Iterations(5);
