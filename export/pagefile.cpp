#include "pagefile.h"

#include "base/files.h"
#include "base/module1.h"
#include "base/systemerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <ctime>
#include <optional>
#include <sys/stat.h>

namespace exporting {

namespace {

const QString Unchanged = QStringLiteral("\nLa página no se ha modificado.");

// Coarser than any file system's timestamps (FAT keeps two seconds).
constexpr qint64 TimestampGrainNs = qint64(2) * 1000 * 1000 * 1000;

std::function<void(const QString&)>& beforeReplaceHook()
{
    static std::function<void(const QString&)> hook;
    return hook;
}

qint64 nanoseconds(const struct timespec& t)
{
    return qint64(t.tv_sec) * 1000 * 1000 * 1000 + t.tv_nsec;
}

void stampFrom(const struct stat& st, PageStamp* stamp)
{
    stamp->existed = true;
    stamp->device = qint64(st.st_dev);
    stamp->inode = qint64(st.st_ino);
    stamp->size = qint64(st.st_size);
    stamp->modifiedNs = nanoseconds(st.st_mtim);
}

qint64 nowNs()
{
    struct timespec now = {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

// Whether the file at `path` is still the one read: the same file, neither replaced nor
// written over since.
bool stillAsRead(const QString& path, const PageStamp& read)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return !read.existed && errno == ENOENT;
    PageStamp now;
    stampFrom(st, &now);
    if (!read.existed || now.device != read.device || now.inode != read.inode ||
        now.size != read.size || now.modifiedNs != read.modifiedNs)
        return false;
    if (!read.recent)
        return true;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(read.size + 1) == read.bytes;
}

QString changedMessage(const QString& path)
{
    return QStringLiteral("La página «%1» cambió mientras se actualizaba: otro programa la ha "
                          "guardado. Se ha dejado como la guardó ese programa.")
        .arg(path);
}

PreparedPage failed(const QString& message, PageProblem problem = PageProblem::None)
{
    PreparedPage page;
    page.problem = problem;
    page.result = base::Result::failure(message);
    return page;
}

QString readFailure(const QString& path, const QString& reason)
{
    return QStringLiteral("No se puede leer la página «%1»: %2").arg(path, reason) + Unchanged;
}

QString writeFailure(const QString& path, const QString& reason)
{
    return QStringLiteral("No se puede escribir la página «%1»: %2").arg(path, reason) + Unchanged;
}

// The page's bytes, or a message. A FIFO would block the read and a device or a huge file
// would exhaust memory, so only a regular file under the limit is read, and never more
// than the limit even if it grows meanwhile.
std::optional<QByteArray> readPage(const QString& path, const QFileInfo& info, PageStamp* stamp,
                                   QString* message)
{
    if (!info.isFile()) {
        *message = readFailure(path, QStringLiteral("no es un fichero normal."));
        return std::nullopt;
    }
    const QString tooBig =
        readFailure(path, QStringLiteral("ocupa más de %1 MB, el tamaño máximo de una página.")
                              .arg(MaxPageBytes / (1024 * 1024)));
    if (info.size() > MaxPageBytes) {
        *message = tooBig;
        return std::nullopt;
    }
    QFile file(path);
    struct stat st = {};
    if (!file.open(QIODevice::ReadOnly) || ::fstat(file.handle(), &st) != 0) {
        *message = readFailure(path, syserror::FromFileText(file.errorString()));
        return std::nullopt;
    }
    // Taken before the bytes: a write during the read leaves a later time than this one.
    stampFrom(st, stamp);
    stamp->recent = nowNs() - stamp->modifiedNs < TimestampGrainNs;
    QByteArray page = file.read(MaxPageBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        *message = readFailure(path, syserror::FromFileText(file.errorString()));
        return std::nullopt;
    }
    if (page.size() > MaxPageBytes) {
        *message = tooBig;
        return std::nullopt;
    }
    return page;
}

} // namespace

PreparedPage preparePageFile(const QString& path, const PageScript& script)
{
    return preparePageEdit(path,
                           [&script](const QByteArray& page) { return editPage(page, script); });
}

PreparedPage preparePageEdit(const QString& path, const PageEditor& editor)
{
    const QFileInfo info(path);
    if (info.isDir())
        return failed(readFailure(path, QStringLiteral("es una carpeta.")));
    // A dangling symbolic link does not "exist", but it is not a name to write a page under.
    const bool existed = info.exists() || info.isSymLink();
    PageStamp stamp;
    QByteArray page = newPageBytes();
    if (existed) {
        QString message;
        std::optional<QByteArray> read = readPage(path, info, &stamp, &message);
        if (!read)
            return failed(message);
        page = std::move(*read);
        if (stamp.recent)
            stamp.bytes = page;
    } else if (!info.dir().exists()) {
        return failed(writeFailure(path, QStringLiteral("la carpeta no existe.")));
    }
    const PageEdit edit = editor(page);
    if (!edit.ok())
        return failed(edit.message, edit.problem);
    PreparedPage prepared;
    prepared.path = path;
    prepared.result = base::Result::success();
    prepared.created = !existed;
    prepared.changed = !existed || edit.page != page;
    // Replacing the file by rename would slip past its read-only permission.
    if (prepared.changed && existed && (Module1::IsReadOnly(path) || !info.isWritable()))
        return failed(writeFailure(path, QStringLiteral("es de sólo lectura.")));
    prepared.original = existed ? page : QByteArray();
    prepared.bytes = edit.page;
    prepared.read = std::move(stamp);
    return prepared;
}

base::Result writePreparedPage(const PreparedPage& page, PageProblem* problem)
{
    if (!page.result || !page.changed)
        return page.result;
    QString error;
    bool changedMeanwhile = false;
    const auto stillTheFileRead = [&page, &changedMeanwhile] {
        if (beforeReplaceHook())
            beforeReplaceHook()(page.path);
        changedMeanwhile = !stillAsRead(page.path, page.read);
        return !changedMeanwhile;
    };
    if (files::WriteWhole(page.path, page.bytes, &error, stillTheFileRead))
        return base::Result::success();
    if (!changedMeanwhile)
        return base::Result::failure(writeFailure(page.path, error));
    if (problem)
        *problem = PageProblem::ChangedMeanwhile;
    return base::Result::failure(changedMessage(page.path));
}

PreparedPage editPageFile(const QString& path, const PageEditor& edit,
                          const BeforePageWrite& beforeWrite)
{
    PreparedPage prepared;
    for (int attempt = 0; attempt < 2; ++attempt) {
        prepared = preparePageEdit(path, edit);
        if (!prepared.result)
            return prepared;
        if (beforeWrite) {
            if (base::Result accepted = beforeWrite(prepared); !accepted) {
                prepared.result = std::move(accepted);
                return prepared;
            }
        }
        prepared.result = writePreparedPage(prepared, &prepared.problem);
        if (prepared.problem != PageProblem::ChangedMeanwhile)
            return prepared;
    }
    return prepared;
}

base::Result insertScriptIntoPageFile(const QString& path, const PageScript& script)
{
    return editPageFile(path, [&script](const QByteArray& page) { return editPage(page, script); })
        .result;
}

void setBeforePageReplaceHook(std::function<void(const QString& path)> hook)
{
    beforeReplaceHook() = std::move(hook);
}

} // namespace exporting
