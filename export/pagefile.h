#pragma once

#include "base/result.h"
#include "pageedit.h"

#include <QString>
#include <functional>

namespace exporting {

// Pages larger than this are refused: far above any real page, and small enough that the
// page and its edited copy fit in memory together.
constexpr qint64 MaxPageBytes = qint64(256) * 1024 * 1024;

// A page read and edited in memory, not written yet.
struct PreparedPage
{
    // Success when the page can be written; a failure says why not, the page unchanged.
    base::Result result = base::Result::failure(QString());
    PageProblem problem = PageProblem::None; // why the page was refused, if it was
    bool created = false;                    // the file does not exist and is written anew
    bool changed = false;                    // the page's bytes change, so it must be written
    QString path;
    QByteArray original; // the page as read; empty when it is created
    QByteArray bytes;    // the edited page
};

// Any change of a page's bytes: `edit` is given the page's bytes (a new page's when the file
// does not exist).
using PageEditor = std::function<PageEdit(const QByteArray& page)>;

// Reads the page (a new page when the file does not exist) and edits it in memory. Only a
// regular file up to MaxPageBytes is read; a page that could not be replaced (read-only, no
// folder) is refused here already.
PreparedPage preparePageEdit(const QString& path, const PageEditor& edit);
// The same, writing the script into the page.
PreparedPage preparePageFile(const QString& path, const PageScript& script);

// Replaces the file with the prepared page, atomically and only when its bytes changed: on any
// failure it stays exactly as it was.
base::Result writePreparedPage(const PreparedPage& page);

// Both steps at once: the page is read once and written at most once.
base::Result insertScriptIntoPageFile(const QString& path, const PageScript& script);

} // namespace exporting
