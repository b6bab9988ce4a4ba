#pragma once

#include <QHash>
#include <QIcon>
#include <QString>

class QTreeWidget;
class QTreeWidgetItem;

namespace library {
class LibraryStore;
}

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
    static QIcon CategoryIcon();
    static QIcon ScriptIcon();
    static QIcon RootIcon();

private:
    void LoadCategoryNodes(qint64 parentId);
    void LoadScriptNodes();

    QTreeWidget* tree_;
    library::LibraryStore& store_;
    QHash<QString, QTreeWidgetItem*> nodes_;
    QTreeWidgetItem* root_ = nullptr;
    QTreeWidgetItem* last_ = nullptr;
};
