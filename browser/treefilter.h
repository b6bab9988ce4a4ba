#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

// Narrows the category tree to some scripts, each under its category path (expanded), by
// hiding the other nodes; and shows the whole tree again as it was. Nodes are never added,
// removed or made current, so the current node and the pages are left alone.
class TreeFilter
{
public:
    explicit TreeFilter(QTreeWidget* tree);

    // Shows only these scripts (ids without a node are passed over).
    void ShowOnly(const std::vector<qint64>& scriptIds);
    // The whole tree, its categories expanded as before the first ShowOnly, with the current
    // node in view.
    void ShowAll();
    bool IsFiltering() const { return filtering_; }

    // The node of a script, or none.
    QTreeWidgetItem* ScriptNode(qint64 scriptId);
    // The tree gained or lost nodes: the nodes are looked up again before the next use.
    void Invalidate() { indexed_ = false; }

private:
    void indexNodes();
    void deferLayout();
    void applyTo(QTreeWidgetItem* parent, const QSet<QTreeWidgetItem*>& shown);
    void setHidden(QTreeWidgetItem* node, bool hide);

    QTreeWidget* tree_;
    bool indexed_ = false;
    bool filtering_ = false;
    QHash<qint64, QTreeWidgetItem*> scripts_;
    std::vector<QTreeWidgetItem*> categories_;
    // The nodes hidden now; asking each node is far slower than asking this set.
    QSet<QTreeWidgetItem*> hidden_;
    // Keys of the categories that were expanded before filtering began.
    QSet<QString> expandedBefore_;
};
