#pragma once

#include "commandline.h"

// `korvalis-export [--library FOLDER] SCRIPT_ID PAGE`: writes a script of the library into a
// page, the way the export button does.
namespace exporting::cli {

Form exportForm();

} // namespace exporting::cli
