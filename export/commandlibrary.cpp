#include "commandlibrary.h"

#include <QDir>
#include <QFileInfo>

namespace exporting {

base::ProgramPaths CommandPaths(const QString& folder)
{
    return base::ProgramPaths::in(QDir(folder).absolutePath());
}

std::unique_ptr<library::LibraryStore> OpenCommandLibrary(const base::ProgramPaths& paths,
                                                          QString* problem)
{
    const QString& libraryFile = paths.libraryFile;
    if (!QFileInfo(libraryFile).isFile()) {
        *problem = QStringLiteral("No hay biblioteca en %1").arg(libraryFile);
        return nullptr;
    }
    try {
        return library::LibraryStore::open(libraryFile);
    } catch (const library::DatabaseError& e) {
        *problem =
            QStringLiteral("No se puede abrir la biblioteca %1: %2").arg(libraryFile, e.message());
    }
    return nullptr;
}

} // namespace exporting
