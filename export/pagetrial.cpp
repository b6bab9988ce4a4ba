#include "pagetrial.h"

#include "unifieddiff.h"

#include <QFile>
#include <QFileInfo>

namespace exporting {

PageTrial preparePageTrial(library::LibraryStore& store, qint64 scriptId, const QString& pagePath)
{
    PageTrial trial;
    trial.prepared = prepareExport(store, scriptId, pagePath);
    if (trial.prepared.report.status == ExportReport::Status::Done)
        trial.diff = unifiedDiff(trial.prepared.page.original, trial.prepared.page.bytes,
                                 QFile::encodeName(QFileInfo(pagePath).fileName()));
    return trial;
}

bool pageStillAsRead(const PreparedPage& page)
{
    const QFileInfo info(page.path);
    if (page.created)
        return !info.exists() && !info.isSymLink();
    // A page that grew past what was read is different, whatever its first bytes are.
    if (!info.isFile() || info.size() != page.original.size())
        return false;
    QFile file(page.path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray now = file.read(page.original.size() + 1);
    return file.error() == QFileDevice::NoError && now == page.original;
}

TrialWrite writePageTrial(const PreparedExport& shown, const QString& resourcesFolder)
{
    TrialWrite result;
    result.report = shown.report;
    if (shown.report.status == ExportReport::Status::Done && !pageStillAsRead(shown.page)) {
        result.pageChanged = true;
        result.report.status = ExportReport::Status::Refused;
        result.report.message =
            QStringLiteral("La página ha cambiado en el disco desde que se mostró; no se ha "
                           "escrito nada.");
        return result;
    }
    result.report = writeExport(shown, resourcesFolder);
    return result;
}

} // namespace exporting
