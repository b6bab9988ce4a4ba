#include "pagefile.h"

#include "base/files.h"
#include "base/module1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

namespace exporting {

namespace {

const QString Unchanged = QStringLiteral("\nLa página no se ha modificado.");

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
std::optional<QByteArray> readPage(const QString& path, const QFileInfo& info, QString* message)
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
    if (!file.open(QIODevice::ReadOnly)) {
        *message = readFailure(path, file.errorString());
        return std::nullopt;
    }
    QByteArray page = file.read(MaxPageBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        *message = readFailure(path, file.errorString());
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
    QByteArray page = newPageBytes();
    if (existed) {
        QString message;
        std::optional<QByteArray> read = readPage(path, info, &message);
        if (!read)
            return failed(message);
        page = std::move(*read);
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
    return prepared;
}

base::Result writePreparedPage(const PreparedPage& page)
{
    if (!page.result || !page.changed)
        return page.result;
    QString error;
    if (!files::WriteWhole(page.path, page.bytes, &error))
        return base::Result::failure(writeFailure(page.path, error));
    return base::Result::success();
}

base::Result insertScriptIntoPageFile(const QString& path, const PageScript& script)
{
    return writePreparedPage(preparePageFile(path, script));
}

} // namespace exporting
