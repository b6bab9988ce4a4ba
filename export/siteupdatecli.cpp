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

    const SiteScan scan = findSitePages(call.value, scriptIds);
    SiteUpdater updater(*store, paths, scriptIds, call.isSet(DryRun));
    const SiteReport report = updateSite(updater, scan);
    for (const PageOutcome& page : report.pages)
        printLine(stdout, outcomeLine(page, scan.folder));
    printLine(stdout, siteSummary(report));
    return report.count(PageOutcome::Status::Refused) > 0 ? SomeRefused : NoneRefused;
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
        QStringLiteral("ninguna página, 1 si rechazó alguna y 2 ante un error de uso o de la"),
        QStringLiteral("biblioteca.")};
    form.run = runSiteUpdate;
    return form;
}

} // namespace exporting::cli
