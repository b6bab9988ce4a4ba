#include "searchresults.h"

#include <QTreeWidget>
#include <algorithm>

void SearchResults::Show(const std::vector<QTreeWidgetItem*>& scripts)
{
    beginResetModel();
    rows_.assign(1, Row{});
    // The categories above the scripts come in too; growing a vector of thousands of rows
    // moves them all.
    rows_.reserve(scripts.size() + scripts.size() / 4 + 64);
    categoryRows_.clear();
    categoryRows_.reserve(qsizetype(scripts.size() / 4 + 64));
    for (QTreeWidgetItem* script : scripts)
        addRow(script, categoryRow(script->parent()));
    orderChildren();
    endResetModel();
}

void SearchResults::Clear()
{
    if (rows_.size() <= 1)
        return;
    beginResetModel();
    rows_.assign(1, Row{});
    categoryRows_.clear();
    endResetModel();
}

int SearchResults::categoryRow(QTreeWidgetItem* category)
{
    if (!category)
        return 0;
    if (const auto found = categoryRows_.constFind(category); found != categoryRows_.constEnd())
        return *found;
    const int r = addRow(category, categoryRow(category->parent()));
    categoryRows_.insert(category, r);
    return r;
}

int SearchResults::addRow(QTreeWidgetItem* node, int parentRow)
{
    QTreeWidgetItem* above = node->parent();
    Row row;
    row.node = node;
    row.parent = parentRow;
    row.treePlace =
        above ? above->indexOfChild(node) : node->treeWidget()->indexOfTopLevelItem(node);
    const int r = int(rows_.size());
    rows_.push_back(std::move(row));
    rows_[size_t(parentRow)].children.push_back(r);
    return r;
}

void SearchResults::orderChildren()
{
    for (Row& r : rows_) {
        std::sort(r.children.begin(), r.children.end(), [this](int a, int b) {
            return rows_[size_t(a)].treePlace < rows_[size_t(b)].treePlace;
        });
        for (size_t i = 0; i < r.children.size(); ++i)
            rows_[size_t(r.children[i])].place = int(i);
    }
}

QTreeWidgetItem* SearchResults::NodeAt(const QModelIndex& index) const
{
    return index.isValid() ? rows_[size_t(index.internalId())].node : nullptr;
}

QModelIndex SearchResults::IndexOf(QTreeWidgetItem* node) const
{
    int r = categoryRows_.value(node, 0);
    for (size_t i = 1; r == 0 && node && i < rows_.size(); ++i) {
        if (rows_[i].node == node)
            r = int(i);
    }
    return r > 0 ? createIndex(rows_[size_t(r)].place, 0, quintptr(r)) : QModelIndex();
}

QModelIndex SearchResults::index(int row, int column, const QModelIndex& parent) const
{
    const size_t above = parent.isValid() ? size_t(parent.internalId()) : 0;
    if (rows_.empty() || column != 0 || row < 0 || size_t(row) >= rows_[above].children.size())
        return {};
    return createIndex(row, 0, quintptr(rows_[above].children[size_t(row)]));
}

QModelIndex SearchResults::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return {};
    const int above = rows_[size_t(child.internalId())].parent;
    return above > 0 ? createIndex(rows_[size_t(above)].place, 0, quintptr(above)) : QModelIndex();
}

int SearchResults::rowCount(const QModelIndex& parent) const
{
    if (rows_.empty() || parent.column() > 0)
        return 0;
    return int(rows_[parent.isValid() ? size_t(parent.internalId()) : 0].children.size());
}

int SearchResults::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant SearchResults::data(const QModelIndex& index, int role) const
{
    const QTreeWidgetItem* node = NodeAt(index);
    return node ? node->data(0, role) : QVariant();
}

Qt::ItemFlags SearchResults::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Spares the view asking whether each script row is expanded.
    const Qt::ItemFlags leaf = rows_[size_t(index.internalId())].children.empty()
                                   ? Qt::ItemNeverHasChildren
                                   : Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | leaf;
}
