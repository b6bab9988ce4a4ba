#include "files.h"

#include "systemerror.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

namespace files {

namespace {

bool fail(const QString& reason, QString* error)
{
    if (error)
        *error = reason;
    return false;
}

bool fail(const QFileDevice& file, QString* error)
{
    return fail(syserror::FromFileText(file.errorString()), error);
}

// The data must be on disk before the rename makes it the file: a full disk or a failing
// device may only say so here. commit() syncs too, but ignores what the sync reports.
bool syncToDisk(QSaveFile& out, QString* error)
{
#ifdef Q_OS_UNIX
    if (::fsync(out.handle()) != 0)
        return fail(syserror::FromErrno(errno), error);
#else
    Q_UNUSED(out);
    Q_UNUSED(error);
#endif
    return true;
}

// Unbuffered: in a buffered QSaveFile a failing flush of its buffer goes unnoticed, and
// commit() would still put the short file in place of the old one.
bool openUnbuffered(QSaveFile& out, QString* error)
{
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(out, error);
    return true;
}

// On any failure before the commit the destructor discards the temporary file.
bool finish(QSaveFile& out, QString* error, const BeforeReplace& beforeReplace = {})
{
    if (!syncToDisk(out, error))
        return false;
    if (beforeReplace && !beforeReplace())
        return false;
    if (!out.commit())
        return fail(out, error);
    return true;
}

} // namespace

bool WriteWhole(const QString& path, const QByteArray& bytes, QString* error,
                const BeforeReplace& beforeReplace)
{
    QSaveFile out(path);
    if (!openUnbuffered(out, error))
        return false;
    if (out.write(bytes) != bytes.size())
        return fail(out, error);
    return finish(out, error, beforeReplace);
}

bool CopyWhole(const QString& from, const QString& to, QString* error)
{
    // A FIFO or a device would block the copy or never end it.
    if (!QFileInfo(from).isFile())
        return fail(QStringLiteral("«%1» no es un fichero normal.").arg(from), error);
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return fail(in, error);
    QSaveFile out(to);
    if (!openUnbuffered(out, error))
        return false;
    char buffer[64 * 1024];
    for (qint64 n; (n = in.read(buffer, sizeof buffer)) != 0;) {
        if (n < 0)
            return fail(in, error);
        if (out.write(buffer, n) != n)
            return fail(out, error);
    }
    return finish(out, error);
}

bool IsSameFile(const QString& a, const QString& b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

} // namespace files
