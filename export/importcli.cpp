#include "importcli.h"

#include "commandlibrary.h"
#include "editing/libraryimport.h"
#include "exitcodes.h"
#include "library/backup.h"
#include "library/scriptindex.h"

namespace exporting::cli {

namespace {

int runImport(const Invocation& call)
{
    if (!call.arguments.isEmpty())
        return call.usageError(QStringLiteral("Argumento inesperado: %1").arg(call.arguments[0]));
    const base::ProgramPaths paths = CommandPaths(call.libraryFolder);
    // The source is read whole and checked before the library is even opened.
    editing::LibrarySnapshot snapshot;
    if (const base::Result read =
            editing::ReadSourceLibrary(call.value, paths.libraryFile, &snapshot);
        !read)
        return fail(read.message());
    std::unique_ptr<library::LibraryStore> store;
    if (const base::Result opened = OpenCommandLibrary(paths, store); !opened)
        return fail(opened.message());
    if (const base::Result copy = library::BackupLibrary(store->database(), paths.libraryFile);
        !copy)
        printLine(stderr, copy.message() + QStringLiteral(" La importación sigue sin esa copia."));

    editing::ImportReport report;
    const base::Result done =
        editing::ImportLibrary(store->database(), paths.resourcesFolder, snapshot, &report);
    if (!done)
        return fail(done.message());
    // The search index is completed before the command ends, in a transaction of its own: the
    // scripts are in whatever happens to it, and the next opening completes what it could not.
    try {
        const library::LargeCache cache(store->database());
        library::EnsureScriptIndex(store->database());
    } catch (const library::DatabaseError&) {
    }
    for (const editing::ImportLine& line : report.lines)
        printLine(stdout, editing::LineText(line));
    printLine(stdout, editing::SummaryText(report));
    return report.count(editing::ImportLine::Outcome::Refused) > 0 ? ScriptRefused : NothingRefused;
}

} // namespace

Form importForm()
{
    Form form;
    form.option = QStringLiteral("import");
    form.valueName = QStringLiteral("ORIGEN");
    form.valueText = QStringLiteral("la biblioteca que importar");
    form.help = {
        QStringLiteral(
            "Trae los scripts de otra biblioteca (una carpeta del programa, una carpeta"),
        QStringLiteral(
            "con scripts.mdb y resources/, o un fichero de biblioteca como una copia de"),
        QStringLiteral("«copias») tras copiar la biblioteca a «copias»: una línea por script"),
        QStringLiteral("(«importado», «ya estaba», «importado como «…»», «rechazado: …») y un"),
        QStringLiteral("resumen. Sale con 0 si no rechazó ninguno, 1 si rechazó alguno y 2 ante"),
        QStringLiteral("un error de uso o de la biblioteca.")};
    form.run = runImport;
    return form;
}

} // namespace exporting::cli
