#pragma once

#include "editing/libraryshare.h"

#include <QString>

class QWidget;

namespace library {
class LibraryStore;
}

// The window's side of bringing scripts in from another library and writing a part of this
// one out: each asks what it needs, calls the plain code, and shows what came of it.
namespace editing {

// Where the library open in the window lives.
struct LibraryPlace
{
    QString libraryPath;
    QString resourcesPath; // with a trailing "/"
};

// "Importar biblioteca…": asks for the library file of the other program folder (or a copy),
// checks it, says what would come in and asks to go on (No by default), then imports and shows
// the result. True when something was written, so that the tree is read again.
bool RunImportCommand(QWidget* window, library::LibraryStore& store, const LibraryPlace& place);

// "Exportar a una biblioteca…": asks for a new, empty folder and writes the selection there.
void RunShareCommand(QWidget* window, library::LibraryStore& store, const LibraryPlace& place,
                     const ShareSelection& selection);

} // namespace editing
