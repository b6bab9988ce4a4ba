#pragma once

#include "base/programpaths.h"

#include <QByteArray>
#include <QString>

namespace library {

// The library file in the program folder and the key it is protected with.
using base::LibraryFileName;
inline const QByteArray LibraryPassword = QByteArrayLiteral("(morvintale)");

inline QString LibraryPathIn(const QString& programFolder)
{
    return base::ProgramPaths::in(programFolder).libraryFile;
}

} // namespace library
