#include "trypagecommand.h"

#include "base/programpaths.h"
#include "exportcommand.h"
#include "pagetrial.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/waitcursor.h"
#include "trypagewindow.h"

namespace exporting {

void RunTryPageCommand(QWidget* window, library::LibraryStore& store,
                       const base::ProgramPaths& paths, const QString& scriptId)
{
    bool isNumber = false;
    const qint64 id = scriptId.toLongLong(&isNumber);
    if (scriptId.isEmpty() || !isNumber || id <= 0) {
        platform::inform(window, QMessageBox::NoIcon, QString(),
                         QStringLiteral("No ha selecionado un Script"));
        return;
    }
    platform::FileRequest request = exportFileRequest();
    request.title = QStringLiteral("Probar en mi página");
    request.acceptLabel = QStringLiteral("Probar");
    const QString page = platform::fileDialogs().openFileName(window, request);
    if (page.isEmpty())
        return;
    PageTrial trial;
    {
        WaitCursor wait;
        trial = preparePageTrial(store, id, page);
    }
    if (trial.prepared.report.status != ExportReport::Status::Done) {
        ShowExportFailure(window, trial.prepared.report);
        return;
    }
    auto* shown = new TryPageWindow(store, id, std::move(trial), paths.resourcesFolder, window);
    shown->show();
}

} // namespace exporting
