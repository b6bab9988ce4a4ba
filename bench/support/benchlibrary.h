#pragma once

#include <QString>

namespace bench {

// Writes a keyed library at `path` with the program's schema, `categories` categories up to
// six levels deep and `scripts` scripts spread over them, each with a few lines of code,
// comments and an HTML fragment in Spanish as the shipped ones are; no search index. Always
// the same for the same sizes.
// The first category by name sits under the root, has no subcategories and holds scripts, so
// a script two rows below the root can be clicked.
void BuildLibrary(const QString& path, int categories, int scripts);

} // namespace bench
