#pragma once

#include "base/result.h"
#include "library/librarystore.h"

#include <QString>
#include <memory>

namespace exporting {

// Opens the library of the command-line companion's --library folder into `store`, with the
// program-wide values pointing at that folder; a failure says in Spanish that there is none
// or why it cannot be opened.
base::Result OpenCommandLibrary(const QString& folder,
                                std::unique_ptr<library::LibraryStore>& store);

} // namespace exporting
