#pragma once

#include "library/librarystore.h"

#include <QString>
#include <memory>

namespace exporting {

// The library of the command-line companion's --library folder, opened with the program-wide
// values pointing at that folder; null with a Spanish reason when there is none or it cannot
// be opened.
std::unique_ptr<library::LibraryStore> OpenCommandLibrary(const QString& folder, QString* problem);

} // namespace exporting
