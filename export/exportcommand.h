#pragma once

#include <QString>

class QWidget;

namespace library {
class LibraryStore;
}

namespace exporting {

// The export button: asks for a page, writes the current script into it, copies its related
// files beside it and opens the page with the user's program (or, when no program opens
// it, says where the page was written). `scriptId` is the decimal id of
// the current script, empty when none. Every failure ends in a message; nothing is half-done.
void RunExportCommand(QWidget* window, library::LibraryStore& store, const QString& scriptId);

// Shows why an export cannot be done, as the export button does.
struct ExportReport;
void ShowExportFailure(QWidget* window, const ExportReport& report);

// The file dialog's filter: one entry, HTML pages (.html and .htm).
QString exportFileFilter();

} // namespace exporting
