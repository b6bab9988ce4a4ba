#include "treefilter.h"

#include "categorytree.h"
#include "library/nodekey.h"

#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

using library::NodeKind;

TreeFilter::TreeFilter(QTreeWidget* tree) : tree_(tree) {}

void TreeFilter::indexNodes()
{
    if (indexed_)
        return;
    scripts_.clear();
    categories_.clear();
    hidden_.clear();
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        if (filtering_ && (*it)->isHidden())
            hidden_.insert(*it);
        const QString key = CategoryTree::KeyOf(*it);
        if (library::nodeKindOfKey(key) == NodeKind::Script)
            scripts_.insert(library::idOfKey(key), *it);
        else
            categories_.push_back(*it);
    }
    indexed_ = true;
}

QTreeWidgetItem* TreeFilter::ScriptNode(qint64 scriptId)
{
    indexNodes();
    return scripts_.value(scriptId);
}

void TreeFilter::ShowOnly(const std::vector<qint64>& scriptIds)
{
    indexNodes();
    if (!filtering_) {
        expandedBefore_.clear();
        for (QTreeWidgetItem* c : categories_) {
            if (c->isExpanded())
                expandedBefore_.insert(CategoryTree::KeyOf(c));
        }
        filtering_ = true;
    }
    // Each found script and the categories above it.
    QSet<QTreeWidgetItem*> shown;
    shown.reserve(qsizetype(scriptIds.size()) * 2);
    for (qint64 id : scriptIds) {
        for (QTreeWidgetItem* n = scripts_.value(id); n && !shown.contains(n); n = n->parent())
            shown.insert(n);
    }
    deferLayout();
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = tree_->topLevelItem(i);
        top->setExpanded(true);
        applyTo(top, shown);
    }
}

void TreeFilter::deferLayout()
{
    // Showing a row asks the view to lay itself out later, once; until then unfolding a
    // category only records it, rather than laying out and measuring every row in view
    // (the column takes its contents' width) at each of thousands of categories.
    if (QTreeWidgetItem* top = tree_->topLevelItem(0))
        top->setHidden(false);
}

void TreeFilter::applyTo(QTreeWidgetItem* parent, const QSet<QTreeWidgetItem*>& shown)
{
    for (int i = 0; i < parent->childCount(); ++i) {
        QTreeWidgetItem* child = parent->child(i);
        const bool show = shown.contains(child);
        setHidden(child, !show);
        // A hidden node's children stay as they are until it is shown again.
        if (show && child->childCount() > 0) {
            child->setExpanded(true);
            applyTo(child, shown);
        }
    }
}

void TreeFilter::setHidden(QTreeWidgetItem* node, bool hide)
{
    if (hidden_.contains(node) == hide)
        return;
    node->setHidden(hide);
    if (hide)
        hidden_.insert(node);
    else
        hidden_.remove(node);
}

void TreeFilter::ShowAll()
{
    if (!filtering_)
        return;
    indexNodes();
    deferLayout();
    for (QTreeWidgetItem* node : std::as_const(hidden_))
        node->setHidden(false);
    hidden_.clear();
    for (QTreeWidgetItem* c : categories_)
        c->setExpanded(expandedBefore_.contains(CategoryTree::KeyOf(c)));
    filtering_ = false;
    if (QTreeWidgetItem* current = tree_->currentItem()) {
        for (QTreeWidgetItem* p = current->parent(); p; p = p->parent())
            p->setExpanded(true);
        tree_->scrollToItem(current);
    }
}
