#pragma once

#include <QList>

class QWidget;

namespace base {
struct ProgramPaths;
}
namespace library {
class LibraryStore;
}

namespace exporting {

// "Actualizar páginas…": asks for the folder of a site, finds its pages that hold the scripts
// (every script when `scriptIds` is empty), says how many and where and asks to go on, then
// updates them under a progress dialog that can be cancelled. One message ends it: the pages
// updated, up to date and refused, each refused page with its reason.
void RunSiteUpdateCommand(QWidget* window, library::LibraryStore& store,
                          const base::ProgramPaths& paths, const QList<qint64>& scriptIds);

} // namespace exporting
