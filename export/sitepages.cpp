#include "sitepages.h"

#include "pageedit.h"
#include "pagefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <filesystem>

namespace exporting {

namespace {

bool isPageFileName(const QString& name)
{
    return name.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive) ||
           name.endsWith(QLatin1String(".html"), Qt::CaseInsensitive);
}

bool holdsWanted(const QList<qint64>& ids, const QList<qint64>& wanted)
{
    if (wanted.isEmpty())
        return !ids.isEmpty();
    return std::any_of(ids.begin(), ids.end(),
                       [&wanted](qint64 id) { return wanted.contains(id); });
}

class PageFinder
{
public:
    PageFinder(SiteScan& scan, const QList<qint64>& wanted) : scan_(scan), wanted_(wanted) {}

    void walk(const QString& folder)
    {
        // Listed with std::filesystem because QDir gives an empty list for a folder it could
        // not read, and a second look may succeed where the first failed.
        namespace fs = std::filesystem;
        std::error_code error;
        QFileInfoList entries;
        for (fs::directory_iterator it(fs::path(folder.toStdU16String()), error), end;
             !error && it != end; it.increment(error)) {
            const QString name = QString::fromStdU16String(it->path().filename().u16string());
            if (!name.startsWith(QLatin1Char('.')))
                entries.append(QFileInfo(QDir(folder).filePath(name)));
        }
        if (error) {
            scan_.unreadable.append(
                SiteProblem{folder, QStringLiteral("No se puede leer la carpeta.")});
            return;
        }
        std::sort(entries.begin(), entries.end(), [](const QFileInfo& a, const QFileInfo& b) {
            return a.fileName() < b.fileName();
        });
        for (const QFileInfo& entry : entries) {
            if (entry.isSymLink())
                continue;
            if (entry.isDir())
                walk(entry.filePath());
            else if (entry.isFile() && isPageFileName(entry.fileName()))
                look(entry);
        }
    }

private:
    void look(const QFileInfo& entry)
    {
        const QString path = entry.filePath();
        if (entry.size() > MaxPageBytes) {
            scan_.unreadable.append(SiteProblem{
                path, QStringLiteral("La página es demasiado grande (%1 MB); no se ha leído.")
                          .arg(entry.size() / (1024 * 1024))});
            return;
        }
        QFile file(path);
        QByteArray bytes;
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
        if (!file.isOpen() || file.error() != QFileDevice::NoError) {
            scan_.unreadable.append(SiteProblem{
                path, QStringLiteral("No se puede leer la página: %1").arg(file.errorString())});
            return;
        }
        ++scan_.pagesRead;
        const QList<qint64> ids = markedScriptIds(bytes);
        if (holdsWanted(ids, wanted_))
            scan_.pages.append(SitePage{path, ids});
    }

    SiteScan& scan_;
    const QList<qint64>& wanted_;
};

} // namespace

SiteScan findSitePages(const QString& folder, const QList<qint64>& wanted)
{
    SiteScan scan;
    scan.folder = QDir(folder).absolutePath();
    if (!QFileInfo(scan.folder).isDir()) {
        scan.unreadable.append(SiteProblem{scan.folder, QStringLiteral("No es una carpeta.")});
        return scan;
    }
    PageFinder(scan, wanted).walk(scan.folder);
    return scan;
}

} // namespace exporting
