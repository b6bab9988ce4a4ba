#include "searchresults.h"

#include "library/nodekey.h"
#include "treenode.h"

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
    std::vector<qint64> keys(shape_.size());
    qint64 highest = -1;
    for (size_t i = 0; i < shape_.size(); ++i) {
        keys[i] = TreeNode::PackedKey(shape_[i].node);
        highest = qMax(highest, keys[i]);
    }
    // The library's ids are its rows' own, so that most libraries number their scripts and
    // categories from 1 with few gaps: an array by key then costs a few bytes a node.
    placesByKey_.clear();
    sparsePlaces_.clear();
    keysDense_ = highest < 4 * qint64(shape_.size()) + DenseKeysSlack;
    if (keysDense_)
        placesByKey_.assign(size_t(highest + 1), -1);
    else
        sparsePlaces_.reserve(qsizetype(shape_.size()));
    for (size_t i = 0; i < shape_.size(); ++i) {
        if (keys[i] < 0)
            continue;
        if (keysDense_)
            placesByKey_[size_t(keys[i])] = int(i);
        else
            sparsePlaces_.insert(keys[i], int(i));
    }
    shapeStale_ = false;
    // The rows shown stand for the old shape; the next Show builds them again whatever it is
    // given.
    shown_.clear();
    rowOfPlace_.assign(shape_.size(), 0);
}

int SearchResults::shapePlaceOf(qint64 packedKey) const
{
    if (!keysDense_)
        return sparsePlaces_.value(packedKey, -1);
    return packedKey >= 0 && packedKey < qint64(placesByKey_.size())
               ? placesByKey_[size_t(packedKey)]
               : -1;
}

SearchResults::Shown SearchResults::Show(const std::vector<qint64>& scriptIds)
{
    ReadShape();
    Shown result;
    std::vector<char> wanted(shape_.size(), 0);
    for (const qint64 id : scriptIds) {
        const int place = shapePlaceOf(TreeNode::PackedKey(library::NodeKind::Script, id));
        if (place < 0)
            continue;
        if (result.scripts++ == 0)
            result.firstId = id;
        wanted[size_t(place)] = 1;
    }
    // The categories above them, children before their parents: one walk in order through
    // the shape, where a walk up from each script would jump about it.
    for (size_t i = shape_.size(); i-- > 0;) {
        if (wanted[i] && shape_[i].parent >= 0)
            wanted[size_t(shape_[i].parent)] = 1;
    }
    if (wanted == shown_)
        return result;
    beginResetModel();
    rows_.assign(1, Row{});
    std::fill(rowOfPlace_.begin(), rowOfPlace_.end(), 0);
    // In the shape's order, which is the tree's: each row's parent row comes before it.
    for (size_t i = 0; i < shape_.size(); ++i) {
        if (!wanted[i])
            continue;
        const int parentRow = shape_[i].parent < 0 ? 0 : rowOfPlace_[size_t(shape_[i].parent)];
        const int place = rows_[size_t(parentRow)].childCount++;
        rowOfPlace_[i] = int(rows_.size());
        rows_.push_back(Row{shape_[i].node, parentRow, place, 0, 0});
    }
    // Every row's children side by side in one array, in the order of their rows.
    int next = 0;
    for (Row& row : rows_) {
        row.firstChild = next;
        next += row.childCount;
    }
    children_.resize(size_t(next));
    for (size_t r = 1; r < rows_.size(); ++r) {
        const Row& row = rows_[r];
        children_[size_t(rows_[size_t(row.parent)].firstChild + row.place)] = int(r);
    }
    shown_ = std::move(wanted);
    endResetModel();
    result.changed = true;
    return result;
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
    const int place = shapePlaceOf(TreeNode::PackedKey(node));
    const int r = place < 0 ? 0 : rowOfPlace_[size_t(place)];
    // A node made since the shape was read may have the address of one gone since.
    if (r <= 0 || rows_[size_t(r)].node != node)
        return {};
    return createIndex(rows_[size_t(r)].place, 0, quintptr(r));
}

QModelIndex SearchResults::index(int row, int column, const QModelIndex& parent) const
{
    const Row& above = rows_[parent.isValid() ? size_t(parent.internalId()) : 0];
    if (column != 0 || row < 0 || row >= above.childCount)
        return {};
    return createIndex(row, 0, quintptr(children_[size_t(above.firstChild + row)]));
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
    return rows_[parent.isValid() ? size_t(parent.internalId()) : 0].childCount;
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
    const Qt::ItemFlags leaf = rows_[size_t(index.internalId())].childCount == 0
                                   ? Qt::ItemNeverHasChildren
                                   : Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | leaf;
}
