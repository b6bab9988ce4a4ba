#include "sitepages.h"

#include "base/systemerror.h"
#include "pageedit.h"
#include "pagefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtConcurrent>
#include <algorithm>
#include <filesystem>
#include <vector>

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

// What looking into one page found.
struct PageLook
{
    bool read = false;
    QString problem; // when not read
    QList<qint64> ids;
};

PageLook look(const QFileInfo& entry)
{
    PageLook result;
    if (entry.size() > MaxPageBytes) {
        result.problem = QStringLiteral("La página es demasiado grande (%1 MB); no se ha leído.")
                             .arg(entry.size() / (1024 * 1024));
        return result;
    }
    QFile file(entry.filePath());
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        result.problem = QStringLiteral("No se puede leer la página: %1")
                             .arg(syserror::FromFileText(file.errorString()));
        return result;
    }
    result.read = true;
    result.ids = markedScriptIds(bytes);
    return result;
}

// The folders are listed in order on the calling thread; the pages are then looked into on
// every core, and their findings taken in the listing's order.
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
            found_.push_back(Found{folder, {}, syserror::FromErrorCode(error)});
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
                found_.push_back(Found{entry.filePath(), entry, {}});
        }
    }

    void lookIntoPages()
    {
        const std::vector<PageLook> looks =
            QtConcurrent::blockingMapped<std::vector<PageLook>>(found_, [](const Found& f) {
                return f.folderProblem.isEmpty() ? look(f.entry) : PageLook{};
            });
        for (size_t i = 0; i < found_.size(); ++i) {
            const QString& path = found_[i].path;
            if (!found_[i].folderProblem.isEmpty()) {
                scan_.unreadable.append(SiteProblem{path, found_[i].folderProblem, true});
            } else if (!looks[i].read) {
                scan_.unreadable.append(SiteProblem{path, looks[i].problem});
            } else {
                ++scan_.pagesRead;
                if (holdsWanted(looks[i].ids, wanted_))
                    scan_.pages.append(SitePage{path, looks[i].ids});
            }
        }
    }

private:
    // A page to look into, or a folder that could not be listed.
    struct Found
    {
        QString path;
        QFileInfo entry;
        QString folderProblem;
    };

    SiteScan& scan_;
    const QList<qint64>& wanted_;
    std::vector<Found> found_;
};

} // namespace

int SiteScan::count(bool folders) const
{
    return int(std::count_if(unreadable.begin(), unreadable.end(),
                             [folders](const SiteProblem& p) { return p.folder == folders; }));
}

SiteScan findSitePages(const QString& folder, const QList<qint64>& wanted)
{
    SiteScan scan;
    scan.folder = QDir(folder).absolutePath();
    if (!QFileInfo(scan.folder).isDir()) {
        scan.unreadable.append(
            SiteProblem{scan.folder, QStringLiteral("no es una carpeta."), true});
        return scan;
    }
    PageFinder finder(scan, wanted);
    finder.walk(scan.folder);
    finder.lookIntoPages();
    return scan;
}

} // namespace exporting
