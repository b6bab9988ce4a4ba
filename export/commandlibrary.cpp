#include "commandlibrary.h"

#include "app/module1.h"
#include "library/libraryfile.h"

#include <QDir>
#include <QFileInfo>

namespace exporting {

base::Result OpenCommandLibrary(const QString& folder,
                                std::unique_ptr<library::LibraryStore>& store)
{
    const QString absolute = QDir(folder).absolutePath();
    const QString libraryFile = library::LibraryPathIn(absolute);
    if (!QFileInfo(libraryFile).isFile())
        return base::Result::failure(QStringLiteral("No hay biblioteca en %1").arg(libraryFile));
    Module1::SetProgramValues(absolute);
    try {
        store = library::LibraryStore::open(libraryFile);
        return base::Result::success();
    } catch (const library::DatabaseError& e) {
        return base::Result::failure(
            QStringLiteral("No se puede abrir la biblioteca %1: %2").arg(libraryFile, e.message()));
    }
}

} // namespace exporting
