#include "pagefile.h"

#include "app/files.h"
#include "app/module1.h"

#include <QFile>
#include <QFileInfo>

namespace exporting {

namespace {

PageFileResult failed(const QString& message, PageProblem problem = PageProblem::None)
{
    PageFileResult result;
    result.problem = problem;
    result.message = message;
    return result;
}

QString readFailure(const QString& path, const QString& reason)
{
    return QStringLiteral("No se puede leer la página «%1»: %2").arg(path, reason);
}

QString writeFailure(const QString& path, const QString& reason)
{
    return QStringLiteral("No se puede escribir la página «%1»: %2\nLa página no se ha modificado.")
        .arg(path, reason);
}

} // namespace

PageFileResult insertScriptIntoPageFile(const QString& path, const PageScript& script)
{
    return editPageFile(path, [&script](const QByteArray& page) { return editPage(page, script); });
}

PageFileResult editPageFile(const QString& path, const PageEditor& editor)
{
    const QFileInfo info(path);
    if (info.isDir())
        return failed(readFailure(path, QStringLiteral("es una carpeta.")));
    const bool existed = info.exists();
    QByteArray page = newPageBytes();
    if (existed) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return failed(readFailure(path, file.errorString()));
        page = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return failed(readFailure(path, file.errorString()));
    }
    const PageEdit edit = editor(page);
    if (!edit.ok())
        return failed(edit.message, edit.problem);
    PageFileResult result;
    result.ok = true;
    result.created = !existed;
    if (existed && edit.page == page)
        return result;
    // Replacing the file by rename would slip past its read-only permission.
    if (existed && (Module1::IsReadOnly(path) || !info.isWritable()))
        return failed(writeFailure(path, QStringLiteral("es de sólo lectura.")));
    QString error;
    if (!files::WriteWhole(path, edit.page, &error))
        return failed(writeFailure(path, error));
    result.changed = true;
    return result;
}

} // namespace exporting
