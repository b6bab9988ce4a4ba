#pragma once

#include "commandline.h"

// `korvalis-export [--library FOLDER] --list [WORDS...]`: the scripts that hold every word,
// one a line as "id<TAB>category path<TAB>name", in the order of a search in the window.
// Exit status 0 when something matched, 1 when nothing did, 2 on a usage or library error.
namespace exporting::cli {

Form listForm();

} // namespace exporting::cli
