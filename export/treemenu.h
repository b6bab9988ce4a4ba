#pragma once

#include "editing/transfercommands.h"

#include <QPoint>
#include <QString>
#include <functional>

class QWidget;

namespace base {
struct ProgramPaths;
}
namespace library {
class LibraryStore;
}

namespace exporting {

// The tree's context menu at `at` (screen pixels) for the node of `nodeKey`. A script has
// "Exportar a una página…" (as the export button, for that script), "Probar en mi página…",
// "Actualizar páginas…" and "Exportar a una biblioteca…"; the root has "Actualizar páginas…" for
// every script, "Importar biblioteca…" and "Exportar a una biblioteca…" for everything; a category
// has "Exportar a una biblioteca…" for itself and its subcategories. `libraryChanged` runs once an
// import has changed the library.
void OpenTreeMenu(QWidget* window, library::LibraryStore& store, const base::ProgramPaths& paths,
                  const QString& nodeKey, const QPoint& at,
                  const std::function<void()>& libraryChanged);

} // namespace exporting
