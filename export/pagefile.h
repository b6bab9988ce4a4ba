#pragma once

#include "base/result.h"
#include "pageedit.h"

#include <QString>
#include <functional>

namespace exporting {

// Pages larger than this are refused: far above any real page, and small enough that the
// page and its edited copy fit in memory together.
constexpr qint64 MaxPageBytes = qint64(256) * 1024 * 1024;

// What tells the file that was read from one that took its place or was written over since.
struct PageStamp
{
    bool existed = false;
    qint64 device = 0;
    qint64 inode = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    // Written so shortly before the read that a later write could keep its time: then the
    // bytes tell.
    bool recent = false;
    QByteArray bytes; // as read
};

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
    PageStamp read;      // the file as it was read
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

// Replaces the file with the prepared page, atomically and only when its bytes changed and it is
// still the file that was read: on any failure it stays exactly as it was. When another program
// saved it in between (or it cannot be told that none did), `problem` is set to
// PageProblem::ChangedMeanwhile.
base::Result writePreparedPage(const PreparedPage& page, PageProblem* problem = nullptr);

// Runs after each edit that succeeded, before the page is written (an export copies the related
// files there); a failure refuses the page, which stays as it was.
using BeforePageWrite = std::function<base::Result(const PreparedPage& page)>;

// Reads, edits and replaces the page; the result is in the page returned. When another program
// saved it between the read and the replacement, the edit starts again once on its new bytes;
// a second change refuses it with PageProblem::ChangedMeanwhile.
PreparedPage editPageFile(const QString& path, const PageEditor& edit,
                          const BeforePageWrite& beforeWrite = {});

// The same, writing the script into the page.
base::Result insertScriptIntoPageFile(const QString& path, const PageScript& script);

// For tests: called with the page's path when the new page is on disk, just before the check
// that the file is still the one read; a test saves the page there as another program would.
void setBeforePageReplaceHook(std::function<void(const QString& path)> hook);

// For tests: called with the page's path when the new page is on disk, just before the check
// that the file is still the one read; a test saves the page there as another program would.
void setBeforePageReplaceHook(std::function<void(const QString& path)> hook);

} // namespace exporting
