#include "sharedfiles.h"

#include "base/module1.h"
#include "library/librarystore.h"

namespace editing {

QStringList filesFreedByRemoving(library::LibraryStore& store, qint64 scriptId,
                                 const QList<qint64>& removedRowIds)
{
    QStringList removed;
    QStringList kept;
    for (const library::RelatedFile& row : store.relatedFiles(scriptId))
        (removedRowIds.contains(row.id) ? removed : kept).append(row.nombre);
    QStringList freed;
    for (const QString& name : removed) {
        if (freed.contains(name) || kept.contains(name) || !Module1::IsBareFileName(name))
            continue;
        if (!store.isFileUsedByOtherScript(name, scriptId))
            freed.append(name);
    }
    return freed;
}

QStringList filesFreedByDeleting(library::LibraryStore& store, qint64 scriptId)
{
    QList<qint64> rows;
    for (const library::RelatedFile& row : store.relatedFiles(scriptId))
        rows.append(row.id);
    return filesFreedByRemoving(store, scriptId, rows);
}

} // namespace editing
