#pragma once

#include "pageedit.h"

#include <QString>
#include <functional>

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

// The same with any change of the page's bytes: the page is read once, `edit` is given its
// bytes (a new page's when the file does not exist) and the result is written once, and only
// when the bytes changed.
using PageEditor = std::function<PageEdit(const QByteArray& page)>;
PageFileResult editPageFile(const QString& path, const PageEditor& edit);

} // namespace exporting
