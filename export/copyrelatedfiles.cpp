#include "copyrelatedfiles.h"

#include "base/files.h"
#include "base/module1.h"
#include "base/programpaths.h"
#include "base/systemerror.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>

namespace exporting {

namespace {

QString canonical(const QString& path)
{
    return QFileInfo(path).canonicalFilePath();
}

bool copyOne(const QString& name, const QString& resourcesFolder, const QString& target,
             CopyResult& result)
{
    if (!Module1::IsBareFileName(name)) {
        result.ok = false;
        result.message =
            QStringLiteral("El fichero relacionado «%1» no tiene un nombre válido.").arg(name);
        return false;
    }
    const QString source = resourcesFolder + name;
    if (!QFileInfo(source).isFile()) {
        ++result.missing;
        return true;
    }
    const QString destination = target + QLatin1Char('/') + name;
    if (files::IsSameFile(destination, source)) {
        ++result.copied;
        return true;
    }
    QString error;
    if (Module1::IsReadOnly(destination) && !Module1::ClearReadOnlyAttribute(destination))
        error = QStringLiteral("es de sólo lectura.");
    else if (files::CopyWhole(source, destination, &error)) {
        ++result.copied;
        return true;
    }
    result.ok = false;
    result.message =
        QStringLiteral("No se puede copiar «%1» a «%2»: %3").arg(source, destination, error);
    return false;
}

// Makes the folder unless it is there; why not, in Spanish, when it cannot be made.
QString makeFolder(const QString& path)
{
    if (QFileInfo(path).isDir())
        return QString();
    std::error_code error;
    std::filesystem::create_directory(std::filesystem::path(path.toStdU16String()), error);
    if (error)
        return syserror::FromErrorCode(error) + QLatin1Char('.');
    if (!QFileInfo(path).isDir())
        return syserror::Sentence(syserror::Problem::AlreadyExists) + QLatin1Char('.');
    return QString();
}

} // namespace

CopyResult copyRelatedFiles(const QStringList& names, const QString& resourcesFolder,
                            const QString& pageFolder)
{
    CopyResult result;
    QString folder = pageFolder;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    result.targetFolder = folder + QLatin1Char('/') + base::ResourcesFolderName;
    // Copying there would copy each library file onto itself.
    const QString library = canonical(resourcesFolder);
    if (!library.isEmpty() &&
        (canonical(folder) == library || canonical(result.targetFolder) == library)) {
        result.skipped = true;
        return result;
    }
    if (const QString problem = makeFolder(result.targetFolder); !problem.isEmpty()) {
        result.ok = false;
        result.message = QStringLiteral("No se puede crear la carpeta «%1»: %2")
                             .arg(result.targetFolder, problem);
        return result;
    }
    for (const QString& name : names) {
        if (!copyOne(name, resourcesFolder, result.targetFolder, result))
            return result;
    }
    return result;
}

} // namespace exporting
