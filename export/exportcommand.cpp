#include "exportcommand.h"

#include "exportscript.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/shell.h"

#include <QApplication>
#include <QDir>
#include <QUrl>

namespace exporting {

namespace {

void showMessage(QWidget* window, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    platform::Message message;
    message.icon = icon;
    message.title = title;
    message.text = text;
    message.buttons = QMessageBox::Ok;
    platform::showMessage(window, message);
}

} // namespace

void ShowExportFailure(QWidget* window, const ExportReport& report)
{
    // A page without a body start tag gets the plain message the program always gave.
    if (report.pageProblem == PageProblem::NoBodyTag)
        showMessage(window, QMessageBox::NoIcon, QString(), report.message);
    else if (report.status == ExportReport::Status::LibraryError)
        showMessage(window, QMessageBox::Critical, QStringLiteral("Error"), report.message);
    else
        showMessage(window, QMessageBox::Warning, QStringLiteral("Error"), report.message);
}

platform::FileRequest exportFileRequest()
{
    return platform::FileRequest{
        QStringLiteral("Exportar Script"),
        QStringLiteral("Páginas HTML (*.html *.htm);;Todos los ficheros (*)"),
        QStringLiteral("Exportar")};
}

void RunExportCommand(QWidget* window, library::LibraryStore& store,
                      const base::ProgramPaths& paths, const QString& scriptId)
{
    bool isNumber = false;
    const qint64 id = scriptId.toLongLong(&isNumber);
    if (scriptId.isEmpty() || !isNumber || id <= 0) {
        showMessage(window, QMessageBox::NoIcon, QString(),
                    QStringLiteral("No ha selecionado un Script"));
        return;
    }
    const QString page = platform::fileDialogs().openFileName(window, exportFileRequest());
    if (page.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ExportReport report = exportScript(store, paths, id, page);
    QApplication::restoreOverrideCursor();
    if (report.status != ExportReport::Status::Done) {
        ShowExportFailure(window, report);
        return;
    }
    if (!platform::shell().open(QUrl::fromLocalFile(report.page))) {
        showMessage(window, QMessageBox::Information, QStringLiteral("Exportar Script"),
                    QStringLiteral("El Script se ha exportado, pero no hay ningún programa que "
                                   "abra la página.\nLa página está en:\n%1")
                        .arg(QDir::toNativeSeparators(report.page)));
    }
}

} // namespace exporting
