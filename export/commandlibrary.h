#pragma once

#include "base/programpaths.h"
#include "library/librarystore.h"

#include <QString>
#include <memory>

namespace exporting {

// The paths of the command-line companion's --library folder.
base::ProgramPaths CommandPaths(const QString& folder);

// The library of those paths; null with a Spanish reason when there is none or it cannot be
// opened.
std::unique_ptr<library::LibraryStore> OpenCommandLibrary(const base::ProgramPaths& paths,
                                                          QString* problem);

} // namespace exporting
