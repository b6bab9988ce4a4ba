#pragma once

#include "commandline.h"

// `korvalis-export [--library FOLDER] --import SOURCE`: brings the scripts of another library
// (a program folder, a folder with a scripts.mdb and its resources/, or a library file such as
// a copy in "copias") into the library, after a copy of it. One line per script ("importado",
// "ya estaba", "importado como «…»", "rechazado: …"), then a summary. Exit status 0 when
// nothing was refused, 1 when something was, 2 on a usage or library error.
namespace exporting::cli {

Form importForm();

} // namespace exporting::cli
