#pragma once

#include <QString>

// The resources folder holds every related file once, by its bare name. These helpers are
// the only way the editing code touches that folder.
namespace editing {

struct FileResult
{
    bool ok = true;
    QString error; // the system's text when !ok
};

// Copies `source` into the resources folder as `name`, creating the folder when missing and
// replacing an existing file atomically, so that a failed copy leaves the old file whole.
FileResult copyIntoResources(const QString& source, const QString& resourcesPath,
                             const QString& name);

// Deletes `name` from the resources folder. A file that is not there is not an error.
FileResult deleteResource(const QString& resourcesPath, const QString& name);

} // namespace editing
