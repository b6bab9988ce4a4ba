#pragma once

#include "base/result.h"
#include "editing/librarysnapshot.h"

#include <QString>
#include <vector>

namespace library {
class Database;
}

// Bringing the scripts of another library into this one. A script is never overwritten: one
// that is already here (same category path, same name, same code and files) is left; one with
// the name of another script of its category comes in under a free name; one whose related
// file would replace another file of the same name is refused, and nothing of it comes in.
namespace editing {

struct ImportLine
{
    enum class Outcome { Imported, AlreadyThere, Renamed, Refused };
    Outcome outcome = Outcome::Imported;
    QString categoryPath; // "Relojes/Digitales", as in the source
    QString nombre;       // as in the source
    QString newName;      // when Renamed
    QString reason;       // when Refused
};

struct ImportReport
{
    std::vector<ImportLine> lines; // in the order of the source's ids
    int newCategories = 0;
    int copiedFiles = 0;
    int count(ImportLine::Outcome outcome) const;
};

// "Relojes/Reloj digital: importado como «Reloj digital (2)»", and the like.
QString LineText(const ImportLine& line);
// The closing line of the command and of the window's last message.
QString SummaryText(const ImportReport& report);
// What the window asks before importing.
QString QuestionText(const ImportReport& report);

// What importing `source` into the library open on `target` (its related files in
// `targetResources`) would do; nothing is written. Throws library::DatabaseError.
ImportReport PreviewImport(library::Database& target, const QString& targetResources,
                           const LibrarySnapshot& source);

// Imports: every row in one transaction; the new related files are copied before it commits
// and removed again when anything fails, so the library and its folder hold all of the import
// or none of it. `report` says what became of each script.
base::Result ImportLibrary(library::Database& target, const QString& targetResources,
                           const LibrarySnapshot& source, ImportReport* report);

} // namespace editing
