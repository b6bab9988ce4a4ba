#include "siteupdate.h"

#include "copyrelatedfiles.h"
#include "library/librarystore.h"
#include "pagefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace exporting {

namespace {

PageEdit refusedFor(qint64 id, PageProblem problem, const QString& message)
{
    PageEdit edit;
    edit.problem = problem;
    edit.message = QStringLiteral("Script %1: %2").arg(id).arg(message);
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

QString pagesText(int n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(n == 1 ? one : many));
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

PageEdit SiteUpdater::editForSite(const QByteArray& page, QList<qint64>* applied,
                                  QList<qint64>* unknown)
{
    PageEdit edit;
    edit.page = page;
    for (const qint64 id : markedScriptIds(page)) {
        if (!wanted_.isEmpty() && !wanted_.contains(id))
            continue;
        const LibraryScript& s = script(id);
        if (!s.inLibrary) {
            unknown->append(id);
            continue;
        }
        if (s.read.status != ExportReport::Status::Done)
            return refusedFor(id, PageProblem::ScriptUnusable, s.read.message);
        const PageEdit next = editPage(edit.page, s.script.parts);
        if (!next.ok())
            return refusedFor(id, next.problem, next.message);
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

PageOutcome SiteUpdater::update(const QString& pagePath)
{
    // A page that went away since it was found is not made anew.
    if (!QFileInfo(pagePath).isFile())
        return refusedOutcome(pagePath, QStringLiteral("La página ya no existe."));
    QList<qint64> applied;
    QList<qint64> unknown;
    const auto edit = [&](const QByteArray& page) {
        applied.clear();
        unknown.clear();
        return editForSite(page, &applied, &unknown);
    };
    if (dryRun_) {
        const PreparedPage prepared = preparePageEdit(pagePath, edit);
        if (!prepared.result)
            return refusedOutcome(pagePath, prepared.result.message());
        PageOutcome outcome;
        outcome.path = pagePath;
        outcome.unknownIds = unknown;
        outcome.status =
            prepared.changed ? PageOutcome::Status::WouldUpdate : PageOutcome::Status::UpToDate;
        return outcome;
    }
    // The files go first, as in a single export: a page never points at files that failed to
    // arrive beside it.
    const auto copyFiles = [&](const PreparedPage&) {
        const QString problem = copyFilesBeside(pagePath, applied);
        return problem.isEmpty()
                   ? base::Result::success()
                   : base::Result::failure(problem +
                                           QStringLiteral("\nLa página no se ha modificado."));
    };
    const PreparedPage prepared = editPageFile(pagePath, edit, copyFiles);
    if (prepared.problem == PageProblem::ChangedMeanwhile)
        return refusedOutcome(pagePath, QStringLiteral("la página cambió mientras se actualizaba; "
                                                       "se ha dejado como la guardó el otro "
                                                       "programa."));
    if (!prepared.result)
        return refusedOutcome(pagePath, prepared.result.message());
    PageOutcome outcome;
    outcome.path = pagePath;
    outcome.unknownIds = unknown;
    outcome.status =
        prepared.changed ? PageOutcome::Status::Updated : PageOutcome::Status::UpToDate;
    return outcome;
}

SiteReport updateSite(SiteUpdater& updater, const SiteScan& scan, const SiteProgress& progress)
{
    SiteReport report;
    report.folder = scan.folder;
    report.dryRun = updater.dryRun();
    for (const SiteProblem& problem : scan.unreadable)
        report.pages.append(refusedOutcome(problem.path, problem.reason));
    for (int i = 0; i < scan.pages.size(); ++i) {
        report.pages.append(updater.update(scan.pages[i].path));
        if (progress && !progress(i + 1, report.pages.constLast())) {
            report.notReached = int(scan.pages.size()) - i - 1;
            break;
        }
    }
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
            .arg(report.dryRun ? pagesText(report.count(PageOutcome::Status::WouldUpdate),
                                           "página se actualizaría", "páginas se actualizarían")
                               : pagesText(report.count(PageOutcome::Status::Updated),
                                           "página actualizada", "páginas actualizadas"),
                 pagesText(report.count(PageOutcome::Status::UpToDate), "página al día",
                           "páginas al día"),
                 pagesText(report.count(PageOutcome::Status::Refused), "página rechazada",
                           "páginas rechazadas"));
    if (report.notReached > 0)
        text += QStringLiteral(" Cancelado: %1 sin tocar.")
                    .arg(pagesText(report.notReached, "página", "páginas"));
    if (!report.withoutMarkers.isEmpty())
        text += QLatin1Char(' ') + withoutMarkersSentence(report.withoutMarkers);
    return text;
}

} // namespace exporting
