#include "categorytree.h"

#include "library/librarystore.h"
#include "library/nodekey.h"

#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <vector>

using library::NodeKind;

CategoryTree::CategoryTree(QTreeWidget* tree, library::LibraryStore& store)
    : tree_(tree), store_(store)
{
}

QIcon CategoryTree::CategoryIcon()
{
    return QIcon(QStringLiteral(":/icons/categoria.svg"));
}

QIcon CategoryTree::ScriptIcon()
{
    return QIcon(QStringLiteral(":/icons/script.svg"));
}

QIcon CategoryTree::RootIcon()
{
    return QIcon(QStringLiteral(":/icons/korvalis.svg"));
}

QString CategoryTree::KeyOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

QTreeWidgetItem* CategoryTree::FindNode(QTreeWidget* tree, const QString& key)
{
    if (key.isEmpty())
        return nullptr;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if (KeyOf(*it) == key)
            return *it;
    }
    return nullptr;
}

QTreeWidgetItem* CategoryTree::AddNode(QTreeWidgetItem* parent, const QString& key,
                                       const QString& text, const QIcon& icon)
{
    auto* item = new QTreeWidgetItem(parent, QStringList{text});
    item->setData(0, Qt::UserRole, key);
    item->setIcon(0, icon);
    // Node texts are never edited in place.
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QTreeWidgetItem* CategoryTree::Load()
{
    tree_->clear();
    nodes_.clear();
    root_ = new QTreeWidgetItem(QStringList{QStringLiteral("Scripts")});
    root_->setData(0, Qt::UserRole, library::RootKey);
    root_->setIcon(0, RootIcon());
    root_->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    nodes_.insert(library::RootKey, root_);
    last_ = root_;
    LoadCategoryNodes(0);
    LoadScriptNodes();
    // Added to the view whole, so that the view lays itself out once.
    tree_->addTopLevelItem(root_);
    return last_;
}

void CategoryTree::LoadCategoryNodes(qint64 parentId)
{
    const std::vector<library::Category> children = store_.childCategories(parentId);
    QTreeWidgetItem* parent = nodes_.value(library::categoryKey(parentId));
    for (const library::Category& c : children) {
        const QString key = library::categoryKey(c.id);
        // A cycle of parents cannot add a category twice.
        if (nodes_.contains(key))
            continue;
        last_ = AddNode(parent, key, c.nombre, CategoryIcon());
        nodes_.insert(key, last_);
        LoadCategoryNodes(c.id);
    }
}

void CategoryTree::LoadScriptNodes()
{
    const QIcon icon = ScriptIcon();
    for (const library::ScriptListing& s : store_.scriptsByName()) {
        // A script whose category is not in the tree is filed under the root, not lost.
        QTreeWidgetItem* parent = nodes_.value(library::categoryKey(s.idCategoria), root_);
        last_ = AddNode(parent, library::scriptKey(s.id), s.nombre, icon);
    }
}
