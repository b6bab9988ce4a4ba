#pragma once

#include <QPoint>
#include <QString>

class QWidget;

namespace library {
class LibraryStore;
}

namespace exporting {

// The tree's context menu at `at` (screen pixels) for the node of `nodeKey`. A script has
// "Exportar a una página…" (as the export button, for that script), "Probar en mi página…"
// and "Actualizar páginas…";
// the root has "Actualizar páginas…" for every script; a category has no menu.
void OpenTreeMenu(QWidget* window, library::LibraryStore& store, const QString& nodeKey,
                  const QPoint& at);

} // namespace exporting
