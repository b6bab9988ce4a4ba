#pragma once

#include <QAbstractItemModel>
#include <QHash>
#include <vector>

class QTreeWidgetItem;

// The matches of a search as a tree of their own: each script under its category path,
// in the category tree's order. Its rows stand for the category tree's own nodes and
// show what those show, so that a row picked is the node itself. Building it costs as
// much as the matches, whatever the size of the library, where hiding the other rows of
// the category tree costs as much as the library.
class SearchResults : public QAbstractItemModel
{
    Q_OBJECT

public:
    using QAbstractItemModel::QAbstractItemModel;

    // Shows these script nodes (none of them null) and the categories above them.
    void Show(const std::vector<QTreeWidgetItem*>& scripts);
    // No rows; the nodes may go away after this.
    void Clear();

    QTreeWidgetItem* NodeAt(const QModelIndex& index) const;
    QModelIndex IndexOf(QTreeWidgetItem* node) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Row
    {
        QTreeWidgetItem* node = nullptr;
        int parent = -1;
        // The place among its parent's rows, and the node's among the tree's siblings.
        int place = 0;
        int treePlace = 0;
        std::vector<int> children;
    };
    // Row 0 stands above the top-level rows, for no node.
    int categoryRow(QTreeWidgetItem* category);
    int addRow(QTreeWidgetItem* node, int parentRow);
    void orderChildren();

    std::vector<Row> rows_;
    // Only categories are looked up while building, and each script comes once.
    QHash<QTreeWidgetItem*, int> categoryRows_;
};
