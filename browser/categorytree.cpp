#include "categorytree.h"

#include "library/collation.h"
#include "library/librarystore.h"
#include "library/nodekey.h"
#include "treeorder.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <iterator>
#include <optional>

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
    // Nodes come and go through the tree's model, whoever adds, moves or deletes them.
    QAbstractItemModel* model = tree_->model();
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& parent, int first, int last) {
                indexNodes(parent, first, last, true);
            });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex& parent, int first, int last) {
                indexNodes(parent, first, last, false);
            });
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        byKey_.clear();
        unfilled_.clear();
    });
    connect(tree_, &QTreeWidget::itemExpanded, this, &CategoryTree::unfolded);
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

void CategoryTree::SetUpView(QTreeView* tree)
{
    tree->setHeaderHidden(true);
    tree->setIndentation(16);
    tree->setRootIsDecorated(true);
    tree->setExpandsOnDoubleClick(false);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setIconSize(QSize(16, 16));
    // Every row is one line: its height is not asked of each row.
    tree->setUniformRowHeights(true);
    // Long names are shown whole: the column takes its contents' width and the tree
    // scrolls sideways.
    tree->header()->setStretchLastSection(false);
    tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
}

QString CategoryTree::KeyOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

QTreeWidgetItem* CategoryTree::AddNode(QTreeWidgetItem* parent, const QString& key,
                                       const QString& text, const QIcon& icon)
{
    QTreeWidgetItem* item = MakeNode(key, text, icon);
    parent->addChild(item);
    return item;
}

void CategoryTree::indexNodes(const QModelIndex& parent, int first, int last, bool add)
{
    QTreeWidgetItem* parentNode = parent.isValid() ? tree_->itemFromIndex(parent) : nullptr;
    for (int row = first; row <= last; ++row) {
        QTreeWidgetItem* node = parentNode ? parentNode->child(row) : tree_->topLevelItem(row);
        if (node)
            indexSubtree(node, add);
    }
}

qint64 CategoryTree::packedKey(const QString& key)
{
    const library::NodeKind kind = library::nodeKindOfKey(key);
    const qint64 id = library::idOfKey(key);
    if (kind == library::NodeKind::None || id < 0)
        return -1;
    return id * 2 + (kind == library::NodeKind::Script ? 1 : 0);
}

void CategoryTree::indexSubtree(QTreeWidgetItem* node, bool add)
{
    const qint64 key = packedKey(KeyOf(node));
    if (add) {
        byKey_.insert(key, node);
    } else {
        if (byKey_.value(key) == node)
            byKey_.remove(key);
        unfilled_.remove(node);
    }
    for (int i = 0; i < node->childCount(); ++i)
        indexSubtree(node->child(i), add);
}

QTreeWidgetItem* CategoryTree::Node(const QString& key) const
{
    return byKey_.value(packedKey(key));
}

QTreeWidgetItem* CategoryTree::ScriptNode(qint64 scriptId) const
{
    return byKey_.value(scriptId * 2 + 1);
}

QTreeWidgetItem* CategoryTree::FindNode(const QString& key)
{
    if (library::nodeKindOfKey(key) == library::NodeKind::Category) {
        QTreeWidgetItem* node = Node(key);
        FillScripts(node);
        return node;
    }
    if (QTreeWidgetItem* node = Node(key))
        return node;
    if (library::nodeKindOfKey(key) != library::NodeKind::Script)
        return nullptr;
    std::optional<qint64> category;
    try {
        category = store_.categoryOfScript(library::idOfKey(key));
    } catch (const library::DatabaseError& e) {
        Q_EMIT readFailed(e.message());
        return nullptr;
    }
    if (!category)
        return nullptr;
    if (QTreeWidgetItem* parent = Node(library::categoryKey(*category)))
        FillScripts(parent);
    else
        AdoptOrphans();
    return Node(key);
}

void CategoryTree::unfolded(QTreeWidgetItem* node)
{
    // The categories now in view get their scripts, so that each shows whether it has any.
    FillScripts(node);
    for (int i = 0; i < node->childCount(); ++i)
        FillScripts(node->child(i));
}

void CategoryTree::FillScripts(QTreeWidgetItem* node)
{
    if (!unfilled_.contains(node))
        return;
    try {
        addScripts(node, store_.scriptsOfCategory(library::idOfKey(KeyOf(node))));
    } catch (const library::DatabaseError& e) {
        Q_EMIT readFailed(e.message());
        return;
    }
    unfilled_.remove(node);
}

void CategoryTree::AdoptOrphans()
{
    if (orphansAdopted_ || !Node(library::RootKey))
        return;
    std::vector<library::ScriptListing> rows;
    try {
        for (qint64 id : store_.categoriesWithScripts()) {
            if (id == 0 || Node(library::categoryKey(id)))
                continue;
            std::vector<library::ScriptListing> part = store_.scriptsOfCategory(id);
            std::move(part.begin(), part.end(), std::back_inserter(rows));
        }
    } catch (const library::DatabaseError& e) {
        Q_EMIT readFailed(e.message());
        return;
    }
    orphansAdopted_ = true;
    library::SortByName(rows);
    addScripts(Node(library::RootKey), std::move(rows));
}

void CategoryTree::addScripts(QTreeWidgetItem* node, std::vector<library::ScriptListing> rows)
{
    QList<QTreeWidgetItem*> scripts;
    const QIcon& icon = ScriptIcon();
    for (library::ScriptListing& s : rows) {
        // Saved or dropped here after the tree was loaded: it has its node already.
        if (!ScriptNode(s.id))
            scripts.append(MakeNode(library::scriptKey(s.id), std::move(s.nombre), icon));
    }
    const int count = node->childCount();
    if (count == 0 ||
        library::nodeKindOfKey(KeyOf(node->child(count - 1))) != library::NodeKind::Script) {
        node->addChildren(scripts);
        return;
    }
    for (QTreeWidgetItem* script : std::as_const(scripts))
        treeorder::PlaceInOrder(node, script);
}

void CategoryTree::FillAll()
{
    while (FillSome(int(unfilled_.size()))) {
    }
}

bool CategoryTree::FillSome(int categories)
{
    AdoptOrphans();
    if (!orphansAdopted_)
        return false;
    for (int i = 0; i < categories && !unfilled_.isEmpty(); ++i) {
        const qsizetype before = unfilled_.size();
        FillScripts(*unfilled_.cbegin());
        // A category that cannot be read now stays as it is.
        if (unfilled_.size() == before)
            return false;
    }
    return !unfilled_.isEmpty();
}

void CategoryTree::startLoad()
{
    tree_->clear();
    categories_.clear();
    root_ = MakeNode(library::RootKey, QStringLiteral("Scripts"), RootIcon());
    categories_.insert(0, root_);
    last_ = root_;
}

void CategoryTree::finishLoad()
{
    // Added to the view whole, so that the view lays itself out once.
    tree_->addTopLevelItem(root_);
}

QTreeWidgetItem* CategoryTree::Load()
{
    startLoad();
    {
        // Both reads see the same library, and the file is checked once.
        library::ReadSnapshot snapshot(store_.database());
        LoadCategoryNodes(store_.categoriesByParent());
        LoadScriptNodes();
    }
    finishLoad();
    orphansAdopted_ = true;
    return last_;
}

QTreeWidgetItem* CategoryTree::LoadCategories()
{
    startLoad();
    LoadCategoryNodes(store_.categoriesByParent());
    finishLoad();
    unfilled_ = QSet<QTreeWidgetItem*>(categories_.cbegin(), categories_.cend());
    orphansAdopted_ = false;
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
