#pragma once

class QTreeWidgetItem;

// The order of the category tree, kept when a node is added or moved while the program
// runs: under each node its categories first, then its scripts, each by name in the
// library's collation, equal names by id (the order in which the tree is loaded).
namespace treeorder {

// True when `a` comes before `b` among the children of one node.
bool Precedes(const QTreeWidgetItem* a, const QTreeWidgetItem* b);

// Files `node` under `parent` at its place, taking it from wherever it was.
void PlaceInOrder(QTreeWidgetItem* parent, QTreeWidgetItem* node);

} // namespace treeorder
