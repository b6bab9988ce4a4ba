#include "exportcli.h"

#include "commandlibrary.h"
#include "exitcodes.h"
#include "exportscript.h"

namespace exporting::cli {

namespace {

int runExport(const Invocation& call)
{
    if (call.arguments.size() != 2)
        return call.usageError(QStringLiteral("Se esperan un id de script y una página."));
    qint64 scriptId = 0;
    if (const base::Result id = parseScriptId(call.arguments[0], &scriptId); !id)
        return call.usageError(id.message());
    std::unique_ptr<library::LibraryStore> store;
    if (const base::Result opened = OpenCommandLibrary(call.libraryFolder, store); !opened)
        return fail(opened.message());
    const ExportReport report = exportScript(*store, scriptId, call.arguments[1]);
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

} // namespace exporting::cli
