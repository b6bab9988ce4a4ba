#pragma once

#include <QStringList>

// `korvalis-export [--library FOLDER] --list [WORDS...]`: the scripts that hold every word,
// one a line as "id<TAB>category path<TAB>name", in the order of a search in the window.
namespace exporting {

// Whether the arguments ask for a listing.
bool IsListCommand(const QStringList& args);

// Lists and returns the exit code: 0 something matched, 1 nothing did, 2 a usage or
// library error. defaultFolder is the library's folder when --library is not given.
int RunListCommand(const QStringList& args, const QString& defaultFolder);

} // namespace exporting
