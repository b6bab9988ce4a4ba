#pragma once

#include "editing/transfercommands.h"

#include <QPoint>
#include <QString>
#include <functional>

class QWidget;

namespace library {
class LibraryStore;
}

namespace exporting {

// What the tree's menu needs of the window for the library-wide items: where the library
// is, and what to do once an import has changed it.
struct TreeMenuContext
{
    editing::LibraryPlace place;
    std::function<void()> libraryChanged;
};

// The tree's context menu at `at` (screen pixels) for the node of `nodeKey`. A script has
// "Exportar a una página…" (as the export button, for that script), "Actualizar páginas…" and
// "Exportar a una biblioteca…"; the root has "Actualizar páginas…" for every script,
// "Importar biblioteca…" and "Exportar a una biblioteca…" for everything; a category has
// "Exportar a una biblioteca…" for itself and its subcategories.
void OpenTreeMenu(QWidget* window, library::LibraryStore& store, const QString& nodeKey,
                  const QPoint& at, const TreeMenuContext& context);

} // namespace exporting
