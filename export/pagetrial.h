#pragma once

#include "exportscript.h"

#include <QByteArray>

namespace exporting {

// An export shown before it is written: the prepared export and the unified diff of the page.
struct PageTrial
{
    PreparedExport prepared;
    QByteArray diff; // empty when the page would not change
};

// Works out the export of the script into the page in memory, with its diff; nothing is
// written or copied.
PageTrial preparePageTrial(library::LibraryStore& store, qint64 scriptId, const QString& pagePath);

// Whether the page on disk is still what was read when the export was prepared: the same bytes,
// or still absent when the export creates it.
bool pageStillAsRead(const PreparedPage& page);

struct TrialWrite
{
    ExportReport report;
    bool pageChanged = false; // the page changed since it was read; nothing was written
};

// Writes exactly the prepared export (its related files, then its bytes), unless the page
// changed on disk since it was read.
TrialWrite writePageTrial(const PreparedExport& shown, const QString& resourcesFolder);

} // namespace exporting
