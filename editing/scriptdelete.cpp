#include "scriptdelete.h"

#include "library/librarystore.h"
#include "resourcefiles.h"
#include "sharedfiles.h"

#include <QDir>
#include <QFileInfo>

namespace editing {

DeleteOutcome deleteScriptWithFiles(library::LibraryStore& store, qint64 scriptId,
                                    const QString& resourcesPath)
{
    DeleteOutcome outcome;
    QStringList unshared;
    try {
        unshared = filesFreedByDeleting(store, scriptId);
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
