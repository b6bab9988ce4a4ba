#pragma once

#include <QList>
#include <QStringList>

namespace library {
class LibraryStore;
}

namespace editing {

// The one rule for a related file that several rows name: the file may leave the resources
// folder only when no row names it once the rows being removed are gone (a row of another
// script, or another row of the same script), and only when its name stays inside the folder.
// Deleting a script and taking one file off a script both ask here, before the rows go.

// The names of the rows `removedRowIds` of script `scriptId` that may then be deleted from the
// folder, each once, in the order of the rows. Reads only; throws library::DatabaseError.
QStringList filesFreedByRemoving(library::LibraryStore& store, qint64 scriptId,
                                 const QList<qint64>& removedRowIds);

// The same for every row of the script: what deleting the script frees.
QStringList filesFreedByDeleting(library::LibraryStore& store, qint64 scriptId);

} // namespace editing
