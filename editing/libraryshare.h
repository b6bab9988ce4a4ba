#pragma once

#include "base/result.h"

#include <QString>
#include <vector>

namespace library {
class Database;
}

// A part of the library written out as a library of its own, for another computer or a
// colleague: a new folder with a scripts.mdb (same key and tables, every type) and a
// resources/ holding only the files its scripts name. Importing it gives the same categories,
// scripts and files back.
namespace editing {

struct ShareSelection
{
    bool everything = false;
    std::vector<qint64> categoryIds; // each with its subcategories and their scripts
    std::vector<qint64> scriptIds;
};

struct ShareReport
{
    int categories = 0;
    int scripts = 0;
    int copiedFiles = 0;
    int missingFiles = 0; // named by a script but not in the library's resources folder
};

// Writes the selection of the library open on `db` (its related files in `resources`) into
// `targetFolder`, which must not exist or be empty. On failure nothing is left behind.
base::Result ShareLibrary(library::Database& db, const QString& resources,
                          const ShareSelection& selection, const QString& targetFolder,
                          ShareReport* report);

QString ShareSummary(const ShareReport& report, const QString& targetFolder);

} // namespace editing
