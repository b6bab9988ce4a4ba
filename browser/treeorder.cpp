#include "treeorder.h"

#include "categorytree.h"
#include "library/collation.h"
#include "library/nodekey.h"

#include <QTreeWidgetItem>

namespace treeorder {

namespace {

int kindRank(const QString& key)
{
    return library::nodeKindOfKey(key) == library::NodeKind::Script ? 1 : 0;
}

} // namespace

bool Precedes(const QTreeWidgetItem* a, const QTreeWidgetItem* b)
{
    const QString keyA = CategoryTree::KeyOf(a);
    const QString keyB = CategoryTree::KeyOf(b);
    if (kindRank(keyA) != kindRank(keyB))
        return kindRank(keyA) < kindRank(keyB);
    const int byName = library::CompareNames(a->text(0), b->text(0));
    if (byName != 0)
        return byName < 0;
    return library::idOfKey(keyA) < library::idOfKey(keyB);
}

void PlaceInOrder(QTreeWidgetItem* parent, QTreeWidgetItem* node)
{
    if (QTreeWidgetItem* from = node->parent())
        from->removeChild(node);
    // The siblings are in order already: the node goes before the first that follows it.
    int index = 0;
    const int count = parent->childCount();
    while (index < count && !Precedes(node, parent->child(index)))
        ++index;
    parent->insertChild(index, node);
}

} // namespace treeorder
