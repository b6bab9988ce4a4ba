#pragma once

#include "base/result.h"
#include "library/records.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace library {
class Database;
}

// A whole library read into memory: what an import reads from its source and a share picks
// from, so that nothing of the other file is read while the target is being written.
namespace editing {

struct LibrarySnapshot
{
    std::vector<library::Category> categories;
    std::vector<library::ScriptType> types;
    std::vector<library::Script> scripts;
    // Related-file names of each script id, in the order of their rows.
    QHash<qint64, QStringList> files;
    // The folder of the related files, with a trailing "/"; it may not exist.
    QString resourcesPath;
};

// Reads every row in one consistent view. Throws library::DatabaseError.
LibrarySnapshot ReadLibrary(library::Database& db);

// The library an import reads from: `source` is a program folder (or any folder holding a
// scripts.mdb and its resources/), or a library file itself, such as a copy in "copias".
// The file is opened read-only and checked whole before anything is read; it must not be the
// file at `targetLibraryPath`. A source that is not a sound library of this program gives a
// Spanish reason and nothing else.
base::Result ReadSourceLibrary(const QString& source, const QString& targetLibraryPath,
                               LibrarySnapshot* snapshot);

} // namespace editing
