#include "files.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace files {

namespace {
bool fail(const QFileDevice& file, QString* error)
{
    if (error)
        *error = file.errorString();
    return false;
}
} // namespace

bool WriteWhole(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return fail(out, error);
    if (out.write(bytes) != bytes.size() || !out.commit())
        return fail(out, error);
    return true;
}

bool CopyWhole(const QString& from, const QString& to, QString* error)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return fail(in, error);
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly))
        return fail(out, error);
    char buffer[64 * 1024];
    for (qint64 n; (n = in.read(buffer, sizeof buffer)) != 0;) {
        if (n < 0)
            return fail(in, error);
        if (out.write(buffer, n) != n)
            return fail(out, error);
    }
    if (!out.commit())
        return fail(out, error);
    return true;
}

bool IsSameFile(const QString& a, const QString& b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

} // namespace files
