#pragma once

#include <QAbstractItemModel>
#include <QHash>
#include <vector>

class QTreeWidget;
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
    // The results stand for nodes of this tree; it outlives them.
    SearchResults(QTreeWidget* tree, QObject* parent);

    // Reads the tree's shape now, if it changed since it was last read, rather than at the
    // next search.
    void ReadShape();
    struct Shown
    {
        // How many of the scripts have a node, and the first of those (0 for none).
        int scripts = 0;
        qint64 firstId = 0;
        // False, and the rows (and where they are scrolled to) left as they are, when they
        // stand for the nodes shown already.
        bool changed = false;
    };
    // Shows the nodes of these scripts and the categories above them; a script without a
    // node in the tree is left out.
    Shown Show(const std::vector<qint64>& scriptIds);
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
        // The place among its parent's rows.
        int place = 0;
        // Where its children's rows are in children_, and how many.
        int firstChild = 0;
        int childCount = 0;
    };
    // The tree's nodes in its order (a node before its children, siblings in order), each
    // with the place of its parent there (-1 at the top). Read once for every search until
    // the tree changes: the nodes themselves lie all over the heap, and touching each
    // found one cost more than the rest of a search.
    struct ShapeNode
    {
        QTreeWidgetItem* node;
        int parent;
    };
    void readShape();
    int shapePlaceOf(qint64 packedKey) const;

    QTreeWidget* tree_;
    std::vector<ShapeNode> shape_;
    // The places by the nodes' packed keys: a search's results come as ids, and one lookup
    // each finds their places without touching the nodes. An array by key where the keys
    // are few enough for one, else a hash.
    static constexpr qint64 DenseKeysSlack = 4096;
    bool keysDense_ = true;
    std::vector<int> placesByKey_;
    QHash<qint64, int> sparsePlaces_;
    bool shapeStale_ = true;
    // Row 0 stands above the top-level rows, for no node.
    std::vector<Row> rows_;
    std::vector<int> children_;
    // By place in the shape: whether the node is shown, and its row (0 when not shown).
    std::vector<char> shown_;
    std::vector<int> rowOfPlace_;
};
