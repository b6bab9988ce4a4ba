#include "siteupdatecli.h"

#include "commandlibrary.h"
#include "exitcodes.h"
#include "library/librarystore.h"
#include "siteupdate.h"

#include <QFileInfo>
#include <memory>

namespace exporting::cli {

namespace {

const QString DryRun = QStringLiteral("dry-run");

// The ids asked for must all be scripts of the library.
base::Result checkScripts(library::LibraryStore& store, const QList<qint64>& ids)
{
    try {
        for (const qint64 id : ids) {
            if (!store.script(id))
                return base::Result::failure(
                    QStringLiteral("El script %1 no está en la biblioteca.").arg(id));
        }
    } catch (const library::DatabaseError& e) {
        return base::Result::failure(
            QStringLiteral("No se puede leer la biblioteca: %1").arg(e.message()));
    }
    return base::Result::success();
}

int runSiteUpdate(const Invocation& call)
{
    QList<qint64> scriptIds;
    for (const QString& word : call.arguments) {
        qint64 id = 0;
        if (const base::Result parsed = parseScriptId(word, &id); !parsed)
            return call.usageError(parsed.message());
        if (!scriptIds.contains(id))
            scriptIds.append(id);
    }
    if (!QFileInfo(call.value).isDir())
        return fail(QStringLiteral("«%1» no es una carpeta.").arg(call.value));
    const base::ProgramPaths paths = CommandPaths(call.libraryFolder);
    std::unique_ptr<library::LibraryStore> store;
    if (const base::Result opened = OpenCommandLibrary(paths, store); !opened)
        return fail(opened.message());
    if (const base::Result known = checkScripts(*store, scriptIds); !known)
        return fail(known.message());

    // A script named here that leaves no markers has pages no update can find: it is refused,
    // and the others named go on.
    const QList<ScriptName> unfollowed = scriptsWithoutMarkers(*store, scriptIds);
    const bool named = !scriptIds.isEmpty();
    QList<qint64> ids = scriptIds;
    if (named) {
        for (const ScriptName& script : unfollowed) {
            printLine(stdout, cannotFollowMessage(script));
            ids.removeAll(script.id);
        }
        if (ids.isEmpty())
            return SomeRefused;
    }
    const SiteScan scan = findSitePages(call.value, ids);
    SiteUpdater updater(*store, paths, ids, call.isSet(DryRun));
    SiteReport report = updateSite(updater, scan);
    if (!named)
        report.withoutMarkers = unfollowed;
    for (const PageOutcome& page : report.pages)
        printLine(stdout, outcomeLine(page, scan.folder));
    printLine(stdout, siteSummary(report));
    // A folder not read may hold pages that were not brought up to date.
    const bool refused = report.count(PageOutcome::Status::Refused) > 0 ||
                         report.count(PageOutcome::Status::FolderUnread) > 0;
    return refused || (named && !unfollowed.isEmpty()) ? SomeRefused : NoneRefused;
}

} // namespace

Form siteUpdateForm()
{
    Form form;
    form.option = QStringLiteral("update");
    form.valueName = QStringLiteral("CARPETA_DEL_SITIO");
    form.valueText = QStringLiteral("la carpeta");
    form.switches = {DryRun};
    form.arguments = QStringLiteral("[ID_SCRIPT...]");
    form.help = {
        QStringLiteral("Actualiza las páginas del sitio (y de sus subcarpetas) que tienen las"),
        QStringLiteral("marcas de los scripts dados, o de cualquier script sin ninguno: una línea"),
        QStringLiteral("por página («actualizada», «al día», «rechazada: …») y un resumen."),
        QStringLiteral("Con --dry-run sólo dice qué haría («se actualizaría», «al día»,"),
        QStringLiteral("«rechazada: …»), sin escribir ni copiar nada. Sale con 0 si no rechazó"),
        QStringLiteral(
            "ninguna página, 1 si rechazó alguna o no pudo leer una carpeta y 2 ante un"),
        QStringLiteral("error de uso o de la biblioteca.")};
    form.run = runSiteUpdate;
    return form;
}

} // namespace exporting::cli
