#include "commandlibrary.h"

#include "base/module1.h"
#include "library/libraryfile.h"

#include <QDir>
#include <QFileInfo>

namespace exporting {

std::unique_ptr<library::LibraryStore> OpenCommandLibrary(const QString& folder, QString* problem)
{
    const QString absolute = QDir(folder).absolutePath();
    const QString libraryFile = library::LibraryPathIn(absolute);
    if (!QFileInfo(libraryFile).isFile()) {
        *problem = QStringLiteral("No hay biblioteca en %1").arg(libraryFile);
        return nullptr;
    }
    Module1::SetProgramValues(absolute);
    try {
        return library::LibraryStore::open(libraryFile);
    } catch (const library::DatabaseError& e) {
        *problem =
            QStringLiteral("No se puede abrir la biblioteca %1: %2").arg(libraryFile, e.message());
    }
    return nullptr;
}

} // namespace exporting
