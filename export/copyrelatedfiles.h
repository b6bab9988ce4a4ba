#pragma once

#include <QString>
#include <QStringList>

namespace exporting {

struct CopyResult
{
    bool ok = true;
    bool skipped = false; // the target is the library's own resources folder
    int copied = 0;
    int missing = 0;      // names whose file is not in the library's resources folder
    QString targetFolder; // without trailing "/"
    QString message;      // Spanish, when not ok
};

// Copies the named files from the library's resources folder `resourcesFolder` into the
// folder base::ResourcesFolderName beside the page, created when missing; copies over
// read-only files there. Names must have passed Module1::IsBareFileName.
CopyResult copyRelatedFiles(const QStringList& names, const QString& resourcesFolder,
                            const QString& pageFolder);

} // namespace exporting
