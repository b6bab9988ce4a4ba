#pragma once

#include "commandline.h"

namespace exporting::cli {

// `korvalis-export [--library FOLDER] SCRIPT_ID PAGE`: writes a script of the library into a
// page, the way the export button does.
Form exportForm();

// `korvalis-export [--library FOLDER] --diff SCRIPT_ID PAGE`: the unified diff of what that
// export would change in the page, written by nothing.
Form diffForm();

} // namespace exporting::cli
