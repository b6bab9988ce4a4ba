#pragma once

#include "pageedit.h"

#include <QString>
#include <functional>

namespace exporting {

// Pages larger than this are refused: far above any real page, and small enough that the
// page and its edited copy fit in memory together.
constexpr qint64 MaxPageBytes = qint64(256) * 1024 * 1024;

struct PageFileResult
{
    PageProblem problem = PageProblem::None; // why the page was refused, if it was
    bool ok = false;
    bool created = false; // the file did not exist and was written anew
    bool changed = false; // the file's bytes changed
    QString message;      // Spanish, when not ok
};

// A page read and edited in memory, not written yet.
struct PreparedPage
{
    PageFileResult result; // ok when the page can be written; `changed` when it must be
    QString path;
    QByteArray bytes; // the edited page
};

// Reads the page (a new page when the file does not exist) and writes the script into it in
// memory. Only a regular file up to MaxPageBytes is read; a page that could not be replaced
// (read-only, no folder) is refused here already.
PreparedPage preparePageFile(const QString& path, const PageScript& script);

// Replaces the file with the prepared page, atomically: on any failure it stays exactly as
// it was.
PageFileResult writePreparedPage(const PreparedPage& page);

// Both steps at once.
PageFileResult insertScriptIntoPageFile(const QString& path, const PageScript& script);

// The same with any change of the page's bytes: the page is read once, `edit` is given its
// bytes (a new page's when the file does not exist) and the result is written once, and only
// when the bytes changed.
using PageEditor = std::function<PageEdit(const QByteArray& page)>;
PageFileResult editPageFile(const QString& path, const PageEditor& edit);

} // namespace exporting
