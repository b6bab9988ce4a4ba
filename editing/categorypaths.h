#pragma once

#include <QString>
#include <vector>

namespace library {
struct CategoryListing;
}

namespace editing {

// A category as the editor's list shows it: the names from the top of the tree down to it.
struct CategoryPath
{
    qint64 id = 0;
    QString path;          // "Utilidades / Seguridad"
    bool reachable = true; // the tree shows it: its parents lead up to the top
};

// Between the names of a path.
inline const QString PathSeparator = QStringLiteral(" / ");

// Every category with its path, in the order of the tree: depth first, each parent's children in
// the order given (the library's name order). A category the tree cannot reach (its parent is
// missing, or its parents form a loop) comes after them, by path, its path as far up as its
// parents go, so that a script filed there can still be edited and keep its place.
std::vector<CategoryPath> CategoryPaths(const std::vector<library::CategoryListing>& categories);

} // namespace editing
