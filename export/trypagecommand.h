#pragma once

#include <QString>

class QWidget;

namespace base {
struct ProgramPaths;
}
namespace library {
class LibraryStore;
}

namespace exporting {

// "Probar en mi página…": asks for a page as the export does and shows, in a window of its
// own, that page as the export of the script would write it; nothing is written. A page the
// export would refuse gets the export's own message, and no window. `scriptId` is the decimal
// id of the script, empty when none.
void RunTryPageCommand(QWidget* window, library::LibraryStore& store,
                       const base::ProgramPaths& paths, const QString& scriptId);

} // namespace exporting
