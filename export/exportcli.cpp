#include "exportcli.h"

#include "commandlibrary.h"
#include "exitcodes.h"
#include "exportscript.h"
#include "unifieddiff.h"

#include <QFile>
#include <optional>

namespace exporting::cli {

namespace {

// The script and the page an export is given, and the library: the exit status when they are
// not all there.
struct Target
{
    qint64 scriptId = 0;
    QString page;
    base::ProgramPaths paths;
    std::unique_ptr<library::LibraryStore> store;
};

std::optional<int> openTarget(const Invocation& call, Target& target)
{
    if (call.arguments.size() != 2)
        return call.usageError(QStringLiteral("Se esperan un id de script y una página."));
    if (const base::Result id = parseScriptId(call.arguments[0], &target.scriptId); !id)
        return call.usageError(id.message());
    target.page = call.arguments[1];
    target.paths = CommandPaths(call.libraryFolder);
    if (const base::Result opened = OpenCommandLibrary(target.paths, target.store); !opened)
        return fail(opened.message());
    return std::nullopt;
}

int runExport(const Invocation& call)
{
    Target target;
    if (const std::optional<int> status = openTarget(call, target))
        return *status;
    const ExportReport report =
        exportScript(*target.store, target.paths, target.scriptId, target.page);
    switch (report.status) {
    case ExportReport::Status::Done:
        printLine(stdout, summary(report));
        return Exported;
    case ExportReport::Status::Refused:
        printLine(stderr, report.message);
        return Refused;
    case ExportReport::Status::LibraryError:
        break;
    }
    return fail(report.message);
}

// The export worked out in memory and shown as a diff of the page; nothing is written.
int runDiff(const Invocation& call)
{
    Target target;
    if (const std::optional<int> status = openTarget(call, target))
        return *status;
    const PreparedExport prepared = prepareExport(*target.store, target.scriptId, target.page);
    if (prepared.report.status != ExportReport::Status::Done)
        return fail(prepared.report.message);
    if (!prepared.page.changed)
        return PageUnchanged;
    const QByteArray diff =
        unifiedDiff(prepared.page.original, prepared.page.bytes, QFile::encodeName(target.page));
    writeBytes(stdout, diff);
    return PageWouldChange;
}

} // namespace

Form exportForm()
{
    Form form;
    form.arguments = QStringLiteral("ID_SCRIPT PAGINA");
    form.help = {
        QStringLiteral("Escribe el script en la página, como el botón de exportar, y copia sus"),
        QStringLiteral("ficheros relacionados a la carpeta resources junto a ella."),
        QStringLiteral("Sale con 0 si la escribió, 1 si rechazó la página (que queda como"),
        QStringLiteral("estaba) y 2 ante un error de uso o de la biblioteca.")};
    form.run = runExport;
    return form;
}

Form diffForm()
{
    Form form;
    form.option = QStringLiteral("diff");
    form.arguments = QStringLiteral("ID_SCRIPT PAGINA");
    form.help = {
        QStringLiteral("Muestra, como «diff -u», lo que la exportación cambiaría en la página,"),
        QStringLiteral("sin escribir nada. Sale con 0 si la página quedaría igual, 1 si"),
        QStringLiteral("cambiaría y 2 si la exportación la rechazaría o ante un error de uso o"),
        QStringLiteral("de la biblioteca.")};
    form.run = runDiff;
    return form;
}

} // namespace exporting::cli
