#pragma once

#include <QString>

namespace base {

// The library file's name in the program folder.
inline const QString LibraryFileName = QStringLiteral("scripts.mdb");
// The folder made beside an exported page for its related files, and the prefix of the
// relative links to them.
inline const QString ResourcesFolderName = QStringLiteral("resources");
inline const QString ResourcesUrlPrefix = QStringLiteral("resources/");

// Where the program's own files are. Made once when the program starts (or by the
// command-line companion for its --library folder) and passed to whatever reads or writes
// them. Paths use "/".
struct ProgramPaths
{
    QString programFolder;   // the executable's folder, without a trailing "/"
    QString libraryFile;     // the library in that folder
    QString resourcesFolder; // every related file, with a trailing "/"

    // A file of the program folder: "licencia.rtf", "js.htm", "logo.png"...
    QString file(const QString& name) const;
    // A related file in the resources folder; `name` must have passed IsBareFileName.
    QString resource(const QString& name) const;

    static ProgramPaths in(const QString& programFolder);
};

} // namespace base
