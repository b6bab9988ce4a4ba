#pragma once

#include "pageedit.h"

#include <QString>

namespace exporting {

struct PageFileResult
{
    PageProblem problem = PageProblem::None; // why the page was refused, if it was
    bool ok = false;
    bool created = false; // the file did not exist and was written anew
    bool changed = false; // the file's bytes changed
    QString message;      // Spanish, when not ok
};

// Writes the script into the page file, or into a new page when the file does not exist.
// The file is replaced atomically: on any failure it stays exactly as it was.
PageFileResult insertScriptIntoPageFile(const QString& path, const PageScript& script);

} // namespace exporting
