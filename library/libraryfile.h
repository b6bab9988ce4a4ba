#pragma once

#include <QByteArray>
#include <QString>

namespace library {

// The library file in the program folder and the key it is protected with.
inline const QString LibraryFileName = QStringLiteral("scripts.mdb");
inline const QByteArray LibraryPassword = QByteArrayLiteral("(morvintale)");

inline QString LibraryPathIn(const QString& programFolder)
{
    return programFolder + QLatin1Char('/') + LibraryFileName;
}

} // namespace library
