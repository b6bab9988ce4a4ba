// Bringing a site up to date: 2,000 pages of 100 KB (200 MB) in 20 folders, one page in ten
// holding an old copy of the script. Goals on the reference machine: under 3 s for the full
// update, under 1 s for a second run that finds nothing to change. The counters "find_s" and
// "edit_s" split each run between finding the pages and editing them.
//
// Then every page outdated, against a copy of the whole site made in the same run: the
// update should take at most twice the copy ("vs_copy" at most 2).

#include "base/programpaths.h"
#include "export/pageedit.h"
#include "export/sitepages.h"
#include "export/siteupdate.h"
#include "library/libraryfile.h"
#include "library/librarystore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <filesystem>

namespace {

constexpr int Pages = 2000;
constexpr int PagesPerFolder = 100;
constexpr int MarkedEvery = 10;
constexpr qsizetype PageSize = 100 * 1024;
constexpr qint64 ScriptId = 1;

const QByteArray NewHead = "<script>function reloj(){ return 2; }</script>";

QByteArray pageBytes(int n, bool marked)
{
    QByteArray p =
        "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n<title>Página " +
        QByteArray::number(n) + "</title>\r\n</head>\r\n";
    if (marked)
        p += "\r\n" + exporting::headBeginMarker(ScriptId) +
             "\r\n<script>function reloj(){ return 1; }</script>\r\n" +
             exporting::headEndMarker(ScriptId) + "\r\n";
    p += "<body class=\"pagina\">\r\n<!-- contenido -->\r\n";
    const QByteArray para = "<p class=\"texto\">Un párrafo con <a href=\"otra.html\">un enlace</a> "
                            "y <b>negrita</b>.</p>\r\n";
    while (p.size() < PageSize)
        p += para;
    return p + "</body>\r\n</html>\r\n";
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// The program folder with its library, and the site; built once.
struct Site
{
    QTemporaryDir program;
    QTemporaryDir site;
    std::unique_ptr<library::LibraryStore> store;
    QStringList marked;
    int markedEvery;

    explicit Site(int every) : markedEvery(every)
    {
        const QString libraryPath = program.filePath(library::LibraryFileName);
        {
            library::Database db = library::Database::create(libraryPath, library::LibraryPassword);
            QFile schema(QStringLiteral(KORVALIS_SOURCE_DIR "/data/schema.sql"));
            schema.open(QIODevice::ReadOnly);
            db.execute(schema.readAll());
            db.execute("INSERT INTO categorias (id, id_padre, nombre) VALUES (1, 0, 'Relojes');"
                       "INSERT INTO tipos (id, nombre) VALUES (1, 'Efecto');"
                       "INSERT INTO ficheros (id_script, nombre) VALUES (1, 'reloj.gif');");
            auto s = db.prepare("INSERT INTO scripts (id, id_categoria, id_tipo, nombre, "
                                "script_head, script_body, script_html) VALUES (1, 1, 1, 'Reloj', "
                                "?1, 'onload=\"reloj()\"', '<div id=\"reloj\"></div>')");
            s.bind(1, QString::fromUtf8(NewHead));
            s.run();
        }
        QDir(program.path()).mkdir(QStringLiteral("resources"));
        write(program.filePath(QStringLiteral("resources/reloj.gif")), QByteArray(4096, 'g'));
        store = library::LibraryStore::open(libraryPath);
        for (int n = 0; n < Pages; ++n) {
            const QString folder =
                site.filePath(QStringLiteral("seccion%1").arg(n / PagesPerFolder));
            QDir().mkpath(folder);
            const QString path = folder + QStringLiteral("/pagina%1.html").arg(n);
            const bool isMarked = n % markedEvery == 0;
            write(path, pageBytes(n, isMarked));
            if (isMarked)
                marked.append(path);
        }
    }

    // Gives the marked pages their old copy of the script again.
    void makeOutdated()
    {
        for (int i = 0; i < marked.size(); ++i)
            write(marked[i], pageBytes(i * markedEvery, true));
    }
};

Site& theSite()
{
    static Site site(MarkedEvery);
    return site;
}

void runUpdate(benchmark::State& state, bool outdated)
{
    Site& site = theSite();
    double find = 0;
    double edit = 0;
    for (auto _ : state) {
        if (outdated) {
            state.PauseTiming();
            site.makeOutdated();
            state.ResumeTiming();
        }
        QElapsedTimer timer;
        timer.start();
        const exporting::SiteScan scan = exporting::findSitePages(site.site.path(), {ScriptId});
        find += timer.nsecsElapsed() / 1e9;
        timer.restart();
        exporting::SiteUpdater updater(*site.store, base::ProgramPaths::in(site.program.path()),
                                       {ScriptId});
        const exporting::SiteReport report = exporting::updateSite(updater, scan);
        edit += timer.nsecsElapsed() / 1e9;
        const int expected = outdated ? 0 : Pages / MarkedEvery;
        if (scan.pages.size() != Pages / MarkedEvery ||
            report.count(exporting::PageOutcome::Status::UpToDate) != expected)
            state.SkipWithError("unexpected outcome");
    }
    state.counters["find_s"] = benchmark::Counter(find, benchmark::Counter::kAvgIterations);
    state.counters["edit_s"] = benchmark::Counter(edit, benchmark::Counter::kAvgIterations);
    state.SetBytesProcessed(state.iterations() * qint64(Pages) * PageSize);
}

void BM_SiteUpdateFull(benchmark::State& state)
{
    runUpdate(state, true);
}

void BM_SiteUpdateNothingToChange(benchmark::State& state)
{
    runUpdate(state, false);
}

// Every page outdated; each run also copies the whole site to a new folder, as the reference.
void BM_SiteUpdateAllOutdatedVsCopy(benchmark::State& state)
{
    static Site site(1);
    double update = 0;
    double copy = 0;
    for (auto _ : state) {
        state.PauseTiming();
        site.makeOutdated();
        QElapsedTimer timer;
        {
            QTemporaryDir target;
            timer.start();
            std::filesystem::copy(site.site.path().toStdString(),
                                  (target.path() + QStringLiteral("/copia")).toStdString(),
                                  std::filesystem::copy_options::recursive);
            copy += timer.nsecsElapsed() / 1e9;
        }
        state.ResumeTiming();
        timer.restart();
        const exporting::SiteScan scan = exporting::findSitePages(site.site.path(), {ScriptId});
        exporting::SiteUpdater updater(*site.store, base::ProgramPaths::in(site.program.path()),
                                       {ScriptId});
        const exporting::SiteReport report = exporting::updateSite(updater, scan);
        update += timer.nsecsElapsed() / 1e9;
        if (report.count(exporting::PageOutcome::Status::Updated) != Pages)
            state.SkipWithError("unexpected outcome");
    }
    state.counters["update_s"] = benchmark::Counter(update, benchmark::Counter::kAvgIterations);
    state.counters["copy_s"] = benchmark::Counter(copy, benchmark::Counter::kAvgIterations);
    state.counters["vs_copy"] = update / copy;
    state.SetBytesProcessed(state.iterations() * qint64(Pages) * PageSize);
}

} // namespace

BENCHMARK(BM_SiteUpdateAllOutdatedVsCopy)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SiteUpdateFull)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SiteUpdateNothingToChange)->Unit(benchmark::kMillisecond)->Iterations(3);
