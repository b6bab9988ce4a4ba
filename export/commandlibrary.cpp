#include "commandlibrary.h"

#include <QDir>
#include <QFileInfo>

namespace exporting {

base::ProgramPaths CommandPaths(const QString& folder)
{
    return base::ProgramPaths::in(QDir(folder).absolutePath());
}

base::Result OpenCommandLibrary(const base::ProgramPaths& paths,
                                std::unique_ptr<library::LibraryStore>& store)
{
    const QString& libraryFile = paths.libraryFile;
    if (!QFileInfo(libraryFile).isFile())
        return base::Result::failure(QStringLiteral("No hay biblioteca en %1").arg(libraryFile));
    try {
        store = library::LibraryStore::open(libraryFile);
        return base::Result::success();
    } catch (const library::DatabaseError& e) {
        return base::Result::failure(
            QStringLiteral("No se puede abrir la biblioteca %1: %2").arg(libraryFile, e.message()));
    }
}

} // namespace exporting
