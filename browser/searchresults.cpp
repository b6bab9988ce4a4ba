#include "searchresults.h"

#include <QTreeWidget>
#include <algorithm>

SearchResults::SearchResults(QTreeWidget* tree, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree), rows_(1)
{
    // Any node added, taken away or put elsewhere changes the shape.
    QAbstractItemModel* model = tree_->model();
    const auto stale = [this] { shapeStale_ = true; };
    connect(model, &QAbstractItemModel::rowsInserted, this, stale);
    connect(model, &QAbstractItemModel::rowsRemoved, this, stale);
    connect(model, &QAbstractItemModel::rowsMoved, this, stale);
    connect(model, &QAbstractItemModel::modelReset, this, stale);
    connect(model, &QAbstractItemModel::layoutChanged, this, stale);
}

void SearchResults::ReadShape()
{
    if (shapeStale_)
        readShape();
}

void SearchResults::readShape()
{
    shape_.clear();
    shapePlaces_.clear();
    std::vector<std::pair<QTreeWidgetItem*, int>> pending;
    for (int i = tree_->topLevelItemCount(); i-- > 0;)
        pending.emplace_back(tree_->topLevelItem(i), -1);
    while (!pending.empty()) {
        const auto [node, parent] = pending.back();
        pending.pop_back();
        const int place = int(shape_.size());
        shape_.push_back(ShapeNode{node, parent});
        for (int i = node->childCount(); i-- > 0;)
            pending.emplace_back(node->child(i), place);
    }
    shapePlaces_.reserve(qsizetype(shape_.size()));
    for (size_t i = 0; i < shape_.size(); ++i)
        shapePlaces_.insert(shape_[i].node, int(i));
    shapeStale_ = false;
    // The rows shown stand for the old shape; the next Show builds them again whatever it is
    // given.
    shown_.clear();
    rowOfPlace_.assign(shape_.size(), 0);
}

int SearchResults::shapePlaceOf(QTreeWidgetItem* node) const
{
    return shapePlaces_.value(node, -1);
}

bool SearchResults::Show(const std::vector<QTreeWidgetItem*>& scripts)
{
    ReadShape();
    std::vector<char> wanted(shape_.size(), 0);
    for (QTreeWidgetItem* script : scripts) {
        const int place = shapePlaceOf(script);
        if (place < 0)
            continue;
        wanted[size_t(place)] = 1;
        for (int p = shape_[size_t(place)].parent; p >= 0 && !wanted[size_t(p)];
             p = shape_[size_t(p)].parent)
            wanted[size_t(p)] = 1;
    }
    if (wanted == shown_)
        return false;
    beginResetModel();
    rows_.assign(1, Row{});
    rows_.reserve(size_t(std::count(wanted.begin(), wanted.end(), 1)) + 1);
    std::fill(rowOfPlace_.begin(), rowOfPlace_.end(), 0);
    // In the shape's order, which is the tree's: each row's parent row comes before it.
    for (size_t i = 0; i < shape_.size(); ++i) {
        if (!wanted[i])
            continue;
        const int parentRow = shape_[i].parent < 0 ? 0 : rowOfPlace_[size_t(shape_[i].parent)];
        const int r = int(rows_.size());
        Row& above = rows_[size_t(parentRow)];
        const int place = int(above.children.size());
        above.children.push_back(r);
        rows_.push_back(Row{shape_[i].node, parentRow, place, {}});
        rowOfPlace_[i] = r;
    }
    shown_ = std::move(wanted);
    endResetModel();
    return true;
}

void SearchResults::Clear()
{
    shown_.clear();
    if (rows_.size() <= 1)
        return;
    beginResetModel();
    rows_.assign(1, Row{});
    std::fill(rowOfPlace_.begin(), rowOfPlace_.end(), 0);
    endResetModel();
}

QTreeWidgetItem* SearchResults::NodeAt(const QModelIndex& index) const
{
    return index.isValid() ? rows_[size_t(index.internalId())].node : nullptr;
}

QModelIndex SearchResults::IndexOf(QTreeWidgetItem* node) const
{
    const int place = shapePlaceOf(node);
    const int r = place < 0 ? 0 : rowOfPlace_[size_t(place)];
    // A node made since the shape was read may have the address of one gone since.
    if (r <= 0 || rows_[size_t(r)].node != node)
        return {};
    return createIndex(rows_[size_t(r)].place, 0, quintptr(r));
}

QModelIndex SearchResults::index(int row, int column, const QModelIndex& parent) const
{
    const size_t above = parent.isValid() ? size_t(parent.internalId()) : 0;
    if (column != 0 || row < 0 || size_t(row) >= rows_[above].children.size())
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
    if (parent.column() > 0)
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
