#pragma once

#include <QString>
#include <QStringList>

namespace library {
class LibraryStore;
}

namespace editing {

struct DeleteOutcome
{
    bool ok = false;
    QString error;            // the engine's text when the rows could not be deleted
    QStringList deletedFiles; // removed from the resources folder
    QStringList filesKept;    // "name: reason" for each file that could not be deleted
};

// Deletes the script's rows in one transaction and then, only once they are gone, the
// related files on disk that no other script uses. A file that cannot be deleted is
// reported in the outcome; the rows stay deleted.
DeleteOutcome deleteScriptWithFiles(library::LibraryStore& store, qint64 scriptId,
                                    const QString& resourcesPath);

} // namespace editing
