#pragma once

#include "commandline.h"

// `korvalis-export [--library FOLDER] --update SITE_FOLDER [SCRIPT_ID...]`: brings every page
// of the site up to date with the given scripts, or with every script it holds when none is
// given. One line per page, then a summary. Exit status 0 when no page was refused, 1 when one
// was, 2 on a usage or library error.
namespace exporting::cli {

Form siteUpdateForm();

} // namespace exporting::cli
