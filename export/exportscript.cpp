#include "exportscript.h"

#include "app/module1.h"
#include "copyrelatedfiles.h"
#include "library/librarystore.h"
#include "pagefile.h"

#include <QFileInfo>

namespace exporting {

namespace {

ExportReport refusedWith(ExportReport report, ExportReport::Status status, const QString& message)
{
    report.status = status;
    report.message = message;
    return report;
}

} // namespace

ExportReport readScriptToExport(library::LibraryStore& store, qint64 scriptId,
                                ScriptToExport* script)
{
    ExportReport report;
    try {
        const std::optional<library::Script> row = store.script(scriptId);
        if (!row)
            return refusedWith(
                report, ExportReport::Status::LibraryError,
                QStringLiteral("El script %1 no está en la biblioteca.").arg(scriptId));
        script->parts = PageScript{scriptId, row->scriptHead, row->scriptBody, row->scriptHtml};
        for (const library::RelatedFile& file : store.relatedFiles(scriptId))
            script->files.append(file.nombre);
    } catch (const library::DatabaseError& e) {
        return refusedWith(
            report, ExportReport::Status::LibraryError,
            QStringLiteral("No se puede leer el script de la biblioteca: %1").arg(e.message()));
    }
    for (const QString& name : script->files) {
        if (!Module1::IsBareFileName(name))
            return refusedWith(
                report, ExportReport::Status::Refused,
                QStringLiteral("El fichero relacionado «%1» no tiene un nombre válido; "
                               "no se ha exportado nada.")
                    .arg(name));
    }
    return report;
}

ExportReport exportScript(library::LibraryStore& store, qint64 scriptId, const QString& pagePath)
{
    ScriptToExport script;
    ExportReport report = readScriptToExport(store, scriptId, &script);
    report.page = QFileInfo(pagePath).absoluteFilePath();
    if (report.status != ExportReport::Status::Done)
        return report;
    // The files go first: when a copy fails the page is left as it was, never pointing at
    // files that are not there.
    const auto copyFiles = [&](const PreparedPage&) {
        const CopyResult copy =
            copyRelatedFiles(script.files, QFileInfo(report.page).absolutePath());
        report.filesSkipped = copy.skipped;
        report.filesCopied = copy.copied;
        report.filesMissing = copy.missing;
        report.resourcesFolder = copy.targetFolder;
        return copy.ok ? QString()
                       : copy.message + QStringLiteral("\nLa página no se ha modificado.");
    };
    const PageFileResult page = editPageFile(
        report.page, [&script](const QByteArray& p) { return editPage(p, script.parts); },
        copyFiles);
    if (!page.ok) {
        report.pageProblem = page.problem;
        return refusedWith(report, ExportReport::Status::Refused,
                           page.problem == PageProblem::ChangedMeanwhile
                               ? QStringLiteral("No se ha exportado el script: la página «%1» "
                                                "cambió mientras se actualizaba, porque otro "
                                                "programa la guardó. Se ha dejado como la guardó "
                                                "ese programa; vuelva a exportar el script.")
                                     .arg(report.page)
                               : page.message);
    }
    report.pageCreated = page.created;
    report.pageWritten = true;
    return report;
}

QString summary(const ExportReport& report)
{
    if (report.status != ExportReport::Status::Done)
        return report.message;
    QString line =
        QStringLiteral("Script exportado a %1%2")
            .arg(report.page, report.pageCreated ? QStringLiteral(" (página nueva)") : QString());
    if (report.filesSkipped)
        line +=
            QStringLiteral("; los ficheros relacionados ya están en la carpeta de la biblioteca");
    else
        line += QStringLiteral("; %1 ficheros copiados a %2")
                    .arg(report.filesCopied)
                    .arg(report.resourcesFolder);
    if (report.filesMissing > 0)
        line += QStringLiteral(" (%1 no están en la biblioteca)").arg(report.filesMissing);
    return line + QLatin1Char('.');
}

} // namespace exporting
