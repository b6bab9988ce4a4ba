#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <vector>

class QModelIndex;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;

namespace library {
class LibraryStore;
struct CategoryListing;
struct ScriptListing;
} // namespace library

// Fills the category tree from the library: the root "Scripts", the categories depth first
// with each parent's children by name, then the scripts by name under their categories.
// For a large library the window loads the categories only, so that it opens at once: a
// category gets its scripts once it comes into view (its parent unfolds) or one of its
// nodes is looked for. Nodes are found by key without walking the tree.
class CategoryTree : public QObject
{
    Q_OBJECT

public:
    CategoryTree(QTreeWidget* tree, library::LibraryStore& store);

    // Empties the tree and loads it whole; returns the node added last (nodX).
    QTreeWidgetItem* Load();
    // Empties the tree and loads the categories; the scripts come as described above.
    QTreeWidgetItem* LoadCategories();
    // Files under the root the scripts of categories the tree does not show; it waits
    // until it is asked for, since finding them reads every script's category.
    void AdoptOrphans();

    // The node of a key as the tree holds it now, or none.
    QTreeWidgetItem* Node(const QString& key) const;
    QTreeWidgetItem* ScriptNode(qint64 scriptId) const;
    // The node of a key with its scripts, filling the category that holds it first; none
    // when the library has no such node for the tree.
    QTreeWidgetItem* FindNode(const QString& key);
    // Every script's node: the scripts of every category still without them, read at once.
    void FillAll();
    // Fills up to this many categories that still lack their scripts; false once none do.
    bool FillSome(int categories);

    // How the category tree looks and unfolds.
    static void SetUpView(QTreeView* tree);
    static QString KeyOf(const QTreeWidgetItem* item);
    // Adds a node with its key's picture under `parent`, at its end.
    static QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const QString& key,
                                    const QString& text);

Q_SIGNALS:
    // Reading a category's scripts failed; the category stays to be filled.
    void readFailed(const QString& message);

private:
    void LoadCategoryNodes(const std::vector<library::CategoryListing>& categories);
    void LoadScriptNodes();
    void unfolded(QTreeWidgetItem* node);
    // Adds the scripts of a category (or of the root) when it still lacks them.
    void FillScripts(QTreeWidgetItem* node);
    // Adds the scripts of [first, last), in order, to the node; those that have a node
    // already are left out.
    void addScripts(QTreeWidgetItem* node, std::vector<library::ScriptListing>::iterator first,
                    std::vector<library::ScriptListing>::iterator last);
    void startLoad();
    void finishLoad();
    void indexNodes(const QModelIndex& parent, int first, int last, bool add);
    void indexSubtree(QTreeWidgetItem* node, bool add);

    QTreeWidget* tree_;
    library::LibraryStore& store_;
    QHash<qint64, QTreeWidgetItem*> categories_;
    QTreeWidgetItem* root_ = nullptr;
    QTreeWidgetItem* last_ = nullptr;
    // Every node in the tree by its packed key.
    QHash<qint64, QTreeWidgetItem*> byKey_;
    // The categories whose scripts are still to come.
    QSet<QTreeWidgetItem*> unfilled_;
    bool orphansAdopted_ = true;
};
