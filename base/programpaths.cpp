#include "programpaths.h"

namespace base {

QString ProgramPaths::file(const QString& name) const
{
    return programFolder + QLatin1Char('/') + name;
}

QString ProgramPaths::resource(const QString& name) const
{
    return resourcesFolder + name;
}

ProgramPaths ProgramPaths::in(const QString& programFolder)
{
    QString folder = programFolder;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    ProgramPaths paths;
    paths.programFolder = folder;
    paths.libraryFile = paths.file(LibraryFileName);
    paths.resourcesFolder = paths.file(ResourcesFolderName) + QLatin1Char('/');
    return paths;
}

} // namespace base
