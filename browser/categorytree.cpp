#include "categorytree.h"

#include "library/librarystore.h"
#include "library/nodekey.h"

#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

struct NodeIcons
{
    QIcon categoria{QStringLiteral(":/icons/categoria.svg")};
    QIcon script{QStringLiteral(":/icons/script.svg")};
    QIcon korvalis{QStringLiteral(":/icons/korvalis.svg")};
};

const NodeIcons& nodeIcons()
{
    // Never freed: icons must not outlive the application object, and these live as long.
    static const NodeIcons* const icons = new NodeIcons;
    return *icons;
}

QTreeWidgetItem* MakeNode(const QString& key, QString text, const QIcon& icon)
{
    auto* item = new QTreeWidgetItem(QStringList{std::move(text)});
    item->setData(0, Qt::UserRole, key);
    item->setIcon(0, icon);
    // Node texts are never edited in place.
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

CategoryTree::CategoryTree(QTreeWidget* tree, library::LibraryStore& store)
    : tree_(tree), store_(store)
{
}

const QIcon& CategoryTree::CategoryIcon()
{
    return nodeIcons().categoria;
}

const QIcon& CategoryTree::ScriptIcon()
{
    return nodeIcons().script;
}

const QIcon& CategoryTree::RootIcon()
{
    return nodeIcons().korvalis;
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
    QTreeWidgetItem* item = MakeNode(key, text, icon);
    parent->addChild(item);
    return item;
}

QTreeWidgetItem* CategoryTree::Load()
{
    tree_->clear();
    categories_.clear();
    root_ = MakeNode(library::RootKey, QStringLiteral("Scripts"), RootIcon());
    categories_.insert(0, root_);
    last_ = root_;
    {
        // Both reads see the same library, and the file is checked once.
        library::ReadSnapshot snapshot(store_.database());
        LoadCategoryNodes(store_.categoriesByParent());
        LoadScriptNodes();
    }
    // Added to the view whole, so that the view lays itself out once.
    tree_->addTopLevelItem(root_);
    return last_;
}

void CategoryTree::LoadCategoryNodes(const std::vector<library::CategoryListing>& categories)
{
    // The rows come grouped by parent: each parent's children are one run of them.
    QHash<qint64, std::pair<size_t, size_t>> children;
    for (size_t i = 0; i < categories.size(); ++i) {
        auto& run = children[categories[i].idPadre];
        if (run.second == 0)
            run.first = i;
        run.second = i + 1;
    }
    // Depth first, as the nodes would be added one by one: a category is followed by its
    // own sub-tree. A category whose parent is missing is never reached.
    struct Level
    {
        QTreeWidgetItem* node;
        size_t next;
        size_t end;
    };
    std::vector<Level> stack;
    const auto enter = [&](qint64 id, QTreeWidgetItem* node) {
        const auto run = children.constFind(id);
        if (run != children.cend())
            stack.push_back(Level{node, run->first, run->second});
    };
    enter(0, root_);
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next == level.end) {
            stack.pop_back();
            continue;
        }
        const library::CategoryListing& c = categories[level.next++];
        // A cycle of parents cannot add a category twice.
        if (categories_.contains(c.id))
            continue;
        QTreeWidgetItem* parent = level.node;
        last_ = MakeNode(library::categoryKey(c.id), c.nombre, CategoryIcon());
        parent->addChild(last_);
        categories_.insert(c.id, last_);
        enter(c.id, last_);
    }
}

void CategoryTree::LoadScriptNodes()
{
    // Each category's scripts are gathered and added to it at once.
    QHash<QTreeWidgetItem*, QList<QTreeWidgetItem*>> scripts;
    const QIcon& icon = ScriptIcon();
    store_.forEachScriptByName([&](library::ScriptListing&& s) {
        // A script whose category is not in the tree is filed under the root, not lost.
        QTreeWidgetItem* parent = categories_.value(s.idCategoria, root_);
        last_ = MakeNode(library::scriptKey(s.id), std::move(s.nombre), icon);
        scripts[parent].append(last_);
    });
    for (auto it = scripts.begin(); it != scripts.end(); ++it)
        it.key()->addChildren(it.value());
}
