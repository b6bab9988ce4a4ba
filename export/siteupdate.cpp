#include "siteupdate.h"

#include "base/counted.h"
#include "copyrelatedfiles.h"
#include "library/librarystore.h"
#include "pagefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>
#include <QtConcurrent>
#include <algorithm>
#include <vector>

namespace exporting {

namespace {

// A page refused because of one of its scripts, named as the library names it (by its id only
// when it could not be read).
PageEdit refusedFor(qint64 id, const QString& name, PageProblem problem, const QString& message)
{
    PageEdit edit;
    edit.problem = problem;
    const QString script = name.isEmpty() ? QString::number(id) : QStringLiteral("«%1»").arg(name);
    edit.message = QStringLiteral("Script %1: %2").arg(script, message);
    return edit;
}

PageOutcome refusedOutcome(const QString& path, const QString& reason)
{
    PageOutcome outcome;
    outcome.status = PageOutcome::Status::Refused;
    outcome.path = path;
    outcome.reason = reason;
    return outcome;
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether the copy beside the page already holds the library file's bytes; copying it again
// would change nothing but its modification time.
bool alreadyCopied(const QString& source, const QString& copy)
{
    const QFileInfo a(source);
    const QFileInfo b(copy);
    return a.isFile() && b.isFile() && !b.isSymLink() && a.size() == b.size() &&
           contentOf(source) == contentOf(copy);
}

} // namespace

QList<ScriptName> scriptsWithoutMarkers(library::LibraryStore& store, const QList<qint64>& wanted)
{
    QList<ScriptName> found;
    try {
        if (wanted.isEmpty()) {
            for (const library::ScriptListing& s : store.scriptsWithoutBlocks())
                found.append(ScriptName{s.id, s.nombre});
        }
        for (const qint64 id : wanted) {
            const std::optional<library::Script> s = store.script(id);
            if (s && !writesMarkers(PageScript{id, s->scriptHead, s->scriptBody, s->scriptHtml}))
                found.append(ScriptName{id, s->nombre});
        }
    } catch (const library::DatabaseError&) {
        return {};
    }
    return found;
}

QString cannotFollowMessage(const ScriptName& script)
{
    return QStringLiteral("Script %1 «%2»: este script no deja marcas en la página; actualícela "
                          "con Exportar Script.")
        .arg(script.id)
        .arg(script.name);
}

int SiteReport::count(PageOutcome::Status status) const
{
    return int(std::count_if(pages.begin(), pages.end(),
                             [status](const PageOutcome& p) { return p.status == status; }));
}

SiteUpdater::SiteUpdater(library::LibraryStore& store, const base::ProgramPaths& paths,
                         const QList<qint64>& wanted, bool dryRun)
    : store_(store), paths_(paths), wanted_(wanted), dryRun_(dryRun)
{
}

const SiteUpdater::LibraryScript& SiteUpdater::script(qint64 id)
{
    auto found = scripts_.find(id);
    if (found != scripts_.end())
        return found->second;
    LibraryScript entry;
    try {
        entry.inLibrary = store_.script(id).has_value();
    } catch (const library::DatabaseError&) {
        // Reading it for the export below reports the error.
        entry.inLibrary = true;
    }
    if (entry.inLibrary)
        entry.read = readScriptToExport(store_, id, &entry.script);
    return scripts_.emplace(id, entry).first->second;
}

PageEdit SiteUpdater::editForSite(const QByteArray& page, const ScriptLookup& lookup,
                                  Step* step) const
{
    QList<qint64>* applied = &step->applied;
    QList<qint64>* unknown = &step->unknown;
    PageEdit edit;
    edit.page = page;
    for (const qint64 id : markedScriptIds(page)) {
        if (!wanted_.isEmpty() && !wanted_.contains(id))
            continue;
        const LibraryScript* s = lookup(id);
        if (!s) {
            step->needsLibrary = true;
            return refusedFor(id, QString(), PageProblem::ScriptUnusable, QString());
        }
        if (!s->inLibrary) {
            unknown->append(id);
            continue;
        }
        if (s->read.status != ExportReport::Status::Done)
            return refusedFor(id, s->script.name, PageProblem::ScriptUnusable, s->read.message);
        const PageEdit next = editPage(edit.page, s->script.parts);
        if (!next.ok())
            return refusedFor(id, s->script.name, next.problem, next.message);
        edit.page = next.page;
        applied->append(id);
    }
    if (applied->isEmpty() && unknown->isEmpty()) {
        edit.problem = PageProblem::NotMarked;
        edit.message = QStringLiteral("La página ya no tiene las marcas del script.");
    }
    return edit;
}

QString SiteUpdater::copyFilesBeside(const QString& pagePath, const QList<qint64>& scripts)
{
    const QString folder = QFileInfo(pagePath).absolutePath();
    const QString target = folder + QLatin1Char('/') + base::ResourcesFolderName;
    for (const qint64 id : scripts) {
        const QString done = target + QLatin1Char('\n') + QString::number(id);
        if (copied_.contains(done))
            continue;
        QStringList names;
        for (const QString& name : script(id).script.files) {
            if (!alreadyCopied(paths_.resource(name), target + QLatin1Char('/') + name))
                names.append(name);
        }
        const CopyResult copy = copyRelatedFiles(names, paths_.resourcesFolder, folder);
        if (!copy.ok)
            return copy.message;
        copied_.insert(done);
    }
    return QString();
}

void SiteUpdater::readScripts(const QList<SitePage>& pages)
{
    for (const SitePage& page : pages) {
        for (const qint64 id : page.scriptIds) {
            if (wanted_.isEmpty() || wanted_.contains(id))
                readBefore_.emplace(id, script(id));
        }
    }
}

SiteUpdater::Step SiteUpdater::prepareWith(const QString& pagePath,
                                           const ScriptLookup& lookup) const
{
    Step step;
    // A page that went away since it was found is not made anew.
    if (!QFileInfo(pagePath).isFile()) {
        step.refused = refusedOutcome(pagePath, QStringLiteral("La página ya no existe."));
        return step;
    }
    step.prepared = preparePageEdit(pagePath, [&](const QByteArray& page) {
        step.applied.clear();
        step.unknown.clear();
        return editForSite(page, lookup, &step);
    });
    if (!step.prepared.result)
        step.refused = refusedOutcome(pagePath, step.prepared.result.message());
    return step;
}

SiteUpdater::Step SiteUpdater::prepare(const QString& pagePath) const
{
    return prepareWith(pagePath, [this](qint64 id) -> const LibraryScript* {
        const auto found = readBefore_.find(id);
        return found == readBefore_.end() ? nullptr : &found->second;
    });
}

std::optional<PageOutcome> SiteUpdater::plannedOutcome(const Step& step) const
{
    if (step.refused)
        return step.refused;
    if (!dryRun_)
        return std::nullopt;
    PageOutcome outcome;
    outcome.path = step.prepared.path;
    outcome.unknownIds = step.unknown;
    outcome.status =
        step.prepared.changed ? PageOutcome::Status::WouldUpdate : PageOutcome::Status::UpToDate;
    return outcome;
}

std::optional<PageOutcome> SiteUpdater::copyFilesFor(const Step& step)
{
    if (std::optional<PageOutcome> planned = plannedOutcome(step))
        return planned;
    // The files go first, as in a single export: a page never points at files that failed to
    // arrive beside it.
    const QString copyProblem = copyFilesBeside(step.prepared.path, step.applied);
    if (!copyProblem.isEmpty())
        return refusedOutcome(step.prepared.path,
                              copyProblem + QStringLiteral("\nLa página no se ha modificado."));
    return std::nullopt;
}

PageOutcome SiteUpdater::write(const Step& step) const
{
    PageProblem problem = PageProblem::None;
    base::Result written = writePreparedPage(step.prepared, &problem);
    const Step* done = &step;
    Step again;
    if (problem == PageProblem::ChangedMeanwhile) {
        // Another program saved the page between its reading and its replacement: the update
        // starts again once on the bytes it saved, when the files it needs are already beside
        // it; a second change, or one that needs other files, refuses the page.
        again = prepare(step.prepared.path);
        const bool sameFiles =
            std::all_of(again.applied.begin(), again.applied.end(),
                        [&step](qint64 id) { return step.applied.contains(id); });
        problem = PageProblem::None;
        if (!again.refused && !again.needsLibrary && sameFiles) {
            written = writePreparedPage(again.prepared, &problem);
            done = &again;
        } else {
            problem = PageProblem::ChangedMeanwhile;
        }
    }
    if (problem == PageProblem::ChangedMeanwhile)
        return refusedOutcome(step.prepared.path,
                              QStringLiteral("la página cambió mientras se actualizaba; se ha "
                                             "dejado como la guardó el otro programa."));
    if (!written)
        return refusedOutcome(step.prepared.path, written.message());
    PageOutcome outcome;
    outcome.path = done->prepared.path;
    outcome.unknownIds = done->unknown;
    outcome.status =
        done->prepared.changed ? PageOutcome::Status::Updated : PageOutcome::Status::UpToDate;
    return outcome;
}

PageOutcome SiteUpdater::update(const QString& pagePath)
{
    const Step step =
        prepareWith(pagePath, [this](qint64 id) -> const LibraryScript* { return &script(id); });
    if (const std::optional<PageOutcome> refused = copyFilesFor(step))
        return *refused;
    return write(step);
}

SiteReport updateSite(SiteUpdater& updater, const SiteScan& scan, const SiteProgress& progress)
{
    SiteReport report;
    report.folder = scan.folder;
    report.dryRun = updater.dryRun();
    for (const SiteProblem& problem : scan.unreadable) {
        PageOutcome outcome = refusedOutcome(problem.path, problem.reason);
        if (problem.folder)
            outcome.status = PageOutcome::Status::FolderUnread;
        report.pages.append(outcome);
    }
    updater.readScripts(scan.pages);
    const int n = int(scan.pages.size());
    if (n == 1) {
        // One page: nothing to overlap, so no other thread is started.
        report.pages.append(updater.update(scan.pages[0].path));
        if (progress)
            progress(1, report.pages.constLast());
        return report;
    }
    // Pages read ahead, and pages written but not reported yet, are kept few: a cancel
    // leaves every page after them as it was.
    QThreadPool pool;
    const int ahead = 2 * qMax(2, QThread::idealThreadCount());
    std::vector<QFuture<SiteUpdater::Step>> prepared(static_cast<size_t>(n));
    std::vector<QFuture<PageOutcome>> written(static_cast<size_t>(n));
    int nextToPrepare = 0;
    int nextToWrite = 0; // pages below it are being written, or were refused
    int reported = 0;
    bool stopped = false;
    const auto reportNext = [&] {
        report.pages.append(written[size_t(reported)].result());
        ++reported;
        if (!stopped && progress && !progress(reported, report.pages.constLast()))
            stopped = true;
    };
    while (reported < n) {
        while (nextToPrepare < n && nextToPrepare < reported + 2 * ahead) {
            const QString path = scan.pages[nextToPrepare].path;
            prepared[size_t(nextToPrepare++)] =
                QtConcurrent::run(&pool, [&updater, path] { return updater.prepare(path); });
        }
        if (!stopped && nextToWrite < n && nextToWrite < reported + ahead) {
            const int i = nextToWrite++;
            const SiteUpdater::Step step = prepared[size_t(i)].result();
            if (step.needsLibrary) {
                // The page changed since the scan: the whole update here, with the library.
                written[size_t(i)] = QtFuture::makeReadyFuture(updater.update(scan.pages[i].path));
            } else if (const std::optional<PageOutcome> refused = updater.copyFilesFor(step)) {
                written[size_t(i)] = QtFuture::makeReadyFuture(*refused);
            } else {
                written[size_t(i)] =
                    QtConcurrent::run(&pool, [&updater, step] { return updater.write(step); });
            }
            if (!written[size_t(reported)].isFinished())
                continue;
        }
        if (reported < nextToWrite)
            reportNext();
        else
            break; // stopped: nothing more is written
    }
    report.notReached = n - reported;
    pool.waitForDone();
    return report;
}

QString outcomeLine(const PageOutcome& outcome, const QString& siteFolder)
{
    QString line = QDir(siteFolder).relativeFilePath(outcome.path) + QStringLiteral(": ");
    switch (outcome.status) {
    case PageOutcome::Status::Updated:
        line += QStringLiteral("actualizada");
        break;
    case PageOutcome::Status::WouldUpdate:
        line += QStringLiteral("se actualizaría");
        break;
    case PageOutcome::Status::UpToDate:
        line += QStringLiteral("al día");
        break;
    case PageOutcome::Status::Refused:
        line += QStringLiteral("rechazada: ") + outcome.reason.simplified();
        break;
    case PageOutcome::Status::FolderUnread:
        line += QStringLiteral("carpeta sin leer: ") + outcome.reason.simplified();
        break;
    }
    if (!outcome.unknownIds.isEmpty()) {
        QStringList ids;
        for (const qint64 id : outcome.unknownIds)
            ids.append(QString::number(id));
        line += QStringLiteral(" (marcas de scripts que no están en la biblioteca, sin tocar: %1)")
                    .arg(ids.join(QStringLiteral(", ")));
    }
    return line;
}

QString withoutMarkersSentence(const QList<ScriptName>& scripts)
{
    QStringList names;
    for (const ScriptName& s : scripts)
        names.append(QStringLiteral("%1 «%2»").arg(s.id).arg(s.name));
    const bool one = names.size() == 1;
    return QStringLiteral("%1 %2 %3 marcas en la página; actualice sus páginas con Exportar "
                          "Script.")
        .arg(one ? QStringLiteral("El script") : QStringLiteral("Los scripts"),
             names.join(QStringLiteral(", ")),
             one ? QStringLiteral("no deja") : QStringLiteral("no dejan"));
}

QString siteSummary(const SiteReport& report)
{
    QString text =
        QStringLiteral("%1, %2, %3.")
            .arg(report.dryRun
                     ? counted::Counted(report.count(PageOutcome::Status::WouldUpdate),
                                        "página se actualizaría", "páginas se actualizarían")
                     : counted::Counted(report.count(PageOutcome::Status::Updated),
                                        "página actualizada", "páginas actualizadas"),
                 counted::Counted(report.count(PageOutcome::Status::UpToDate), "página al día",
                                  "páginas al día"),
                 counted::Counted(report.count(PageOutcome::Status::Refused), "página rechazada",
                                  "páginas rechazadas"));
    if (const int folders = report.count(PageOutcome::Status::FolderUnread); folders > 0)
        text += QLatin1Char(' ') +
                counted::Counted(folders, QStringLiteral("carpeta no se ha podido leer."),
                                 QStringLiteral("carpetas no se han podido leer."));
    if (report.notReached > 0)
        text += QStringLiteral(" Cancelado: %1 sin tocar.")
                    .arg(counted::Counted(report.notReached, "página", "páginas"));
    if (!report.withoutMarkers.isEmpty())
        text += QLatin1Char(' ') + withoutMarkersSentence(report.withoutMarkers);
    return text;
}

} // namespace exporting
