#pragma once

#include "commandline.h"

// `korvalis-export [--library FOLDER] --export-library TARGET [ID|CATEGORY...]`: writes the
// given scripts (ids) and categories (paths from the root, "Menús/Desplegables", names as the
// tree compares them), each with its subcategories, or the whole library when none is given,
// into the new library folder TARGET. Exit status 0 when written, 2 on a usage or library
// error.
namespace exporting::cli {

Form shareForm();

} // namespace exporting::cli
