#include "scriptdelete.h"

#include "base/module1.h"
#include "library/librarystore.h"
#include "resourcefiles.h"

#include <QDir>
#include <QFileInfo>

namespace editing {

DeleteOutcome deleteScriptWithFiles(library::LibraryStore& store, qint64 scriptId,
                                    const QString& resourcesPath)
{
    DeleteOutcome outcome;
    QStringList unshared;
    try {
        for (const auto& file : store.relatedFiles(scriptId)) {
            if (!unshared.contains(file.nombre) && Module1::IsBareFileName(file.nombre) &&
                !store.isFileUsedByOtherScript(file.nombre, scriptId))
                unshared.append(file.nombre);
        }
        store.deleteScript(scriptId);
    } catch (const library::DatabaseError& e) {
        outcome.error = e.message();
        return outcome;
    }
    outcome.ok = true;
    for (const QString& name : unshared) {
        if (!QFileInfo::exists(QDir(resourcesPath).filePath(name)))
            continue;
        const FileResult removed = deleteResource(resourcesPath, name);
        if (removed.ok)
            outcome.deletedFiles.append(name);
        else
            outcome.filesKept.append(name + QStringLiteral(": ") + removed.error);
    }
    return outcome;
}

} // namespace editing
