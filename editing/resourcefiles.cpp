#include "resourcefiles.h"

#include "base/files.h"
#include "base/module1.h"
#include "base/systemerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace editing {

namespace {

FileResult failure(const QString& text)
{
    return FileResult{false, text};
}

} // namespace

FileResult copyIntoResources(const QString& source, const QString& resourcesPath,
                             const QString& name)
{
    if (!Module1::IsBareFileName(name))
        return failure(QStringLiteral("Nombre de fichero no válido: %1").arg(name));
    if (!QDir().mkpath(resourcesPath))
        return failure(QStringLiteral("No se puede crear la carpeta %1").arg(resourcesPath));
    const QString target = QDir(resourcesPath).filePath(name);
    if (files::IsSameFile(source, target))
        return {}; // copying a file onto itself would only truncate it

    if (Module1::IsReadOnly(target))
        Module1::ClearReadOnlyAttribute(target);
    QString error;
    if (!files::CopyWhole(source, target, &error))
        return failure(error);
    return {};
}

FileResult deleteResource(const QString& resourcesPath, const QString& name)
{
    if (!Module1::IsBareFileName(name))
        return failure(QStringLiteral("Nombre de fichero no válido: %1").arg(name));
    QFile file(QDir(resourcesPath).filePath(name));
    if (!file.exists())
        return {};
    if (!file.remove())
        return failure(syserror::FromFileText(file.errorString()));
    return {};
}

} // namespace editing
