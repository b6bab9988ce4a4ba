#include "transfercommands.h"

#include "editing/libraryimport.h"
#include "editing/librarysnapshot.h"
#include "library/librarystore.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/waitcursor.h"

namespace editing {

namespace {

const QString ImportTitle = QStringLiteral("Importar biblioteca");
const QString ShareTitle = QStringLiteral("Exportar a una biblioteca");
// Refused scripts listed in the closing message; the rest are counted.
constexpr int ListedRefusals = 15;

QString resultText(const ImportReport& report)
{
    QString text = SummaryText(report);
    int listed = 0;
    for (const ImportLine& line : report.lines) {
        if (line.outcome != ImportLine::Outcome::Refused)
            continue;
        if (listed++ == ListedRefusals) {
            text += QStringLiteral("\n…");
            break;
        }
        text += QLatin1Char('\n') + LineText(line);
    }
    return text;
}

} // namespace

bool RunImportCommand(QWidget* window, library::LibraryStore& store, const LibraryPlace& place)
{
    const QString source = platform::fileDialogs().openFileName(
        window, {QStringLiteral("Importar biblioteca: elija el fichero scripts.mdb de la otra "
                                "carpeta del programa, o una copia"),
                 QStringLiteral("Bibliotecas de scripts (*.mdb);;Todos los ficheros (*)"),
                 QStringLiteral("Importar")});
    if (source.isEmpty())
        return false;
    LibrarySnapshot snapshot;
    ImportReport preview;
    try {
        WaitCursor wait;
        const base::Result read = ReadSourceLibrary(source, place.libraryPath, &snapshot);
        if (!read) {
            platform::inform(window, QMessageBox::Warning, ImportTitle, read.message());
            return false;
        }
        preview = PreviewImport(store.database(), place.resourcesPath, snapshot);
    } catch (const library::DatabaseError& e) {
        platform::inform(window, QMessageBox::Critical, ImportTitle,
                         QStringLiteral("No se puede leer la biblioteca: %1").arg(e.message()));
        return false;
    }
    if (!platform::askYesNo(window, ImportTitle, QuestionText(preview), QMessageBox::No))
        return false;

    ImportReport report;
    base::Result done = base::Result::success();
    {
        WaitCursor wait;
        store.beforeChange();
        done = ImportLibrary(store.database(), place.resourcesPath, snapshot, &report);
    }
    if (!done) {
        platform::inform(window, QMessageBox::Critical, ImportTitle, done.message());
        return false;
    }
    store.completeIndexInBackground();
    platform::inform(window, QMessageBox::Information, ImportTitle, resultText(report));
    return true;
}

void RunShareCommand(QWidget* window, library::LibraryStore& store, const LibraryPlace& place,
                     const ShareSelection& selection)
{
    const QString folder = platform::fileDialogs().existingFolder(
        window, QStringLiteral("Exportar a una biblioteca: elija una carpeta nueva y vacía"));
    if (folder.isEmpty())
        return;
    ShareReport report;
    base::Result written = base::Result::success();
    {
        WaitCursor wait;
        written = ShareLibrary(store.database(), place.resourcesPath, selection, folder, &report);
    }
    if (!written)
        platform::inform(window, QMessageBox::Warning, ShareTitle, written.message());
    else
        platform::inform(window, QMessageBox::Information, ShareTitle,
                         ShareSummary(report, folder));
}

} // namespace editing
