#include "exportscript.h"

#include "base/counted.h"
#include "base/module1.h"
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
        script->name = row->nombre;
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

PreparedExport prepareExport(library::LibraryStore& store, qint64 scriptId, const QString& pagePath)
{
    PreparedExport prepared;
    prepared.report = readScriptToExport(store, scriptId, &prepared.script);
    prepared.report.page = QFileInfo(pagePath).absoluteFilePath();
    if (prepared.report.status != ExportReport::Status::Done)
        return prepared;
    prepared.page = preparePageFile(prepared.report.page, prepared.script.parts);
    if (!prepared.page.result) {
        prepared.report.pageProblem = prepared.page.problem;
        prepared.report = refusedWith(prepared.report, ExportReport::Status::Refused,
                                      prepared.page.result.message());
    }
    return prepared;
}

ExportReport writeExport(const PreparedExport& prepared, const QString& resourcesFolder)
{
    ExportReport report = prepared.report;
    if (report.status != ExportReport::Status::Done)
        return report;
    // The files go first: when a copy fails the page is left as it was, never pointing at
    // files that are not there.
    const CopyResult copy = copyRelatedFiles(prepared.script.files, resourcesFolder,
                                             QFileInfo(report.page).absolutePath());
    report.filesSkipped = copy.skipped;
    report.filesCopied = copy.copied;
    report.filesMissing = copy.missing;
    report.resourcesFolder = copy.targetFolder;
    if (!copy.ok)
        return refusedWith(report, ExportReport::Status::Refused,
                           copy.message + QStringLiteral("\nLa página no se ha modificado."));
    PageProblem problem = PageProblem::None;
    if (const base::Result written = writePreparedPage(prepared.page, &problem); !written) {
        if (problem != PageProblem::ChangedMeanwhile)
            return refusedWith(report, ExportReport::Status::Refused, written.message());
        report.pageProblem = problem;
        return refusedWith(report, ExportReport::Status::Refused,
                           QStringLiteral("No se ha exportado el script: la página «%1» "
                                          "cambió mientras se actualizaba, porque otro "
                                          "programa la guardó. Se ha dejado como la guardó "
                                          "ese programa; vuelva a exportar el script.")
                               .arg(report.page));
    }
    report.pageCreated = prepared.page.created;
    report.pageWritten = true;
    return report;
}

ExportReport exportScript(library::LibraryStore& store, const base::ProgramPaths& paths,
                          qint64 scriptId, const QString& pagePath)
{
    const ExportReport report =
        writeExport(prepareExport(store, scriptId, pagePath), paths.resourcesFolder);
    if (report.pageProblem != PageProblem::ChangedMeanwhile)
        return report;
    // Another program saved the page between its reading and its replacement: the script goes
    // into the bytes it saved, once; a second change refuses the page.
    return writeExport(prepareExport(store, scriptId, pagePath), paths.resourcesFolder);
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
        line += QStringLiteral("; %1 a %2")
                    .arg(counted::Counted(report.filesCopied, QStringLiteral("fichero copiado"),
                                          QStringLiteral("ficheros copiados")),
                         report.resourcesFolder);
    if (report.filesMissing > 0)
        line += QStringLiteral(" (%1)").arg(
            counted::Counted(report.filesMissing, QStringLiteral("no está en la biblioteca"),
                             QStringLiteral("no están en la biblioteca")));
    return line + QLatin1Char('.');
}

} // namespace exporting
