#pragma once

#include "platform/filedialog.h"

#include <QString>

class QWidget;

namespace base {
struct ProgramPaths;
}
namespace library {
class LibraryStore;
}

namespace exporting {

// The export button: asks for a page, writes the current script into it, copies its related
// files beside it and opens the page with the user's program (or, when no program opens
// it, says where the page was written). `scriptId` is the decimal id of
// the current script, empty when none. Every failure ends in a message; nothing is half-done.
void RunExportCommand(QWidget* window, library::LibraryStore& store,
                      const base::ProgramPaths& paths, const QString& scriptId);

// What the file dialog asks: its title, its accept button, and its filters, HTML pages
// (.html and .htm) first, then every file.
platform::FileRequest exportFileRequest();

// Shows why an export cannot be done, as the export button does.
struct ExportReport;
void ShowExportFailure(QWidget* window, const ExportReport& report);

} // namespace exporting
