#pragma once

#include "base/programpaths.h"
#include "pagefile.h"

#include <QString>
#include <QStringList>

namespace library {
class LibraryStore;
}

namespace exporting {

struct ExportReport
{
    enum class Status {
        Done,
        Refused,     // the page or the related files could not be written; page unchanged
        LibraryError // the script could not be read from the library
    };
    Status status = Status::Done;
    PageProblem pageProblem = PageProblem::None;
    QString message; // Spanish, when not done
    QString page;
    bool pageCreated = false;
    bool pageWritten = false;
    bool filesSkipped = false; // the page lies where the library's own files are
    int filesCopied = 0;
    int filesMissing = 0;
    QString resourcesFolder;
};

// A script as an export writes it: its texts and the names of its related files.
struct ScriptToExport
{
    QString name;
    PageScript parts;
    QStringList files;
};

// Reads the script from the library; a report that is not Done says why it cannot be exported.
ExportReport readScriptToExport(library::LibraryStore& store, qint64 scriptId,
                                ScriptToExport* script);

// An export worked out in memory: the page as the export would write it, and the files it
// would copy beside it.
struct PreparedExport
{
    ExportReport report; // not Done: why the export cannot be done
    ScriptToExport script;
    PreparedPage page;
};

// Reads the script and the page and writes the script into the page in memory; nothing is
// written or copied.
PreparedExport prepareExport(library::LibraryStore& store, qint64 scriptId,
                             const QString& pagePath);

// Copies the related files of a prepared export from `resourcesFolder` beside the page, then
// writes the prepared bytes. Nothing is copied, and no folder made, unless the page was accepted;
// the page is written only after every file was copied.
ExportReport writeExport(const PreparedExport& prepared, const QString& resourcesFolder);

// Both steps at once: writes the script into the page and copies its related files from the
// program's resources folder beside it.
ExportReport exportScript(library::LibraryStore& store, const base::ProgramPaths& paths,
                          qint64 scriptId, const QString& pagePath);

// One Spanish line that says what an export did.
QString summary(const ExportReport& report);

} // namespace exporting
