#pragma once

#include "base/programpaths.h"
#include "base/result.h"
#include "library/librarystore.h"

#include <QString>
#include <memory>

namespace exporting {

// The paths of the command-line companion's --library folder.
base::ProgramPaths CommandPaths(const QString& folder);

// Opens the library of those paths into `store`; a failure says in Spanish that there is none
// or why it cannot be opened.
base::Result OpenCommandLibrary(const base::ProgramPaths& paths,
                                std::unique_ptr<library::LibraryStore>& store);

} // namespace exporting
