#pragma once

#include <QHash>
#include <QIcon>
#include <QList>
#include <QString>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace library {
class LibraryStore;
struct CategoryListing;
} // namespace library

// Fills the category tree from the library: the root "Scripts", the categories depth first
// with each parent's children by name, then the scripts by name under their categories.
class CategoryTree
{
public:
    CategoryTree(QTreeWidget* tree, library::LibraryStore& store);

    // Empties the tree and loads it; returns the node added last (nodX).
    QTreeWidgetItem* Load();

    static QString KeyOf(const QTreeWidgetItem* item);
    static QTreeWidgetItem* FindNode(QTreeWidget* tree, const QString& key);
    static QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const QString& key,
                                    const QString& text, const QIcon& icon);
    // The node pictures, each made once for the program and shared by every node, so that
    // each is rendered once.
    static const QIcon& CategoryIcon();
    static const QIcon& ScriptIcon();
    static const QIcon& RootIcon();

private:
    void LoadCategoryNodes(const std::vector<library::CategoryListing>& categories);
    void LoadScriptNodes();

    QTreeWidget* tree_;
    library::LibraryStore& store_;
    QHash<qint64, QTreeWidgetItem*> categories_;
    QTreeWidgetItem* root_ = nullptr;
    QTreeWidgetItem* last_ = nullptr;
};
