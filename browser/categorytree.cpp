#include "categorytree.h"

#include "library/collation.h"
#include "library/librarystore.h"
#include "library/nodekey.h"
#include "treenode.h"
#include "treeorder.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <algorithm>
#include <iterator>
#include <optional>

namespace {

// Fewer categories than this left without their scripts are read one by one: reading every
// script costs as much as a few dozen categories read alone.
constexpr qsizetype FewCategories = 32;

using Listings = std::vector<library::ScriptListing>;

// The end of the group of rows of one category that begins at `first`.
Listings::iterator groupEnd(Listings::iterator first, Listings::iterator last)
{
    const qint64 category = first->idCategoria;
    return std::find_if(first, last, [category](const library::ScriptListing& s) {
        return s.idCategoria != category;
    });
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
                                       const QString& text)
{
    auto* node = new TreeNode(library::nodeKindOfKey(key), library::idOfKey(key), text);
    parent->addChild(node);
    return node;
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

void CategoryTree::indexSubtree(QTreeWidgetItem* node, bool add)
{
    const qint64 key = TreeNode::PackedKey(node);
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
    return byKey_.value(TreeNode::PackedKey(key));
}

QTreeWidgetItem* CategoryTree::ScriptNode(qint64 scriptId) const
{
    return byKey_.value(TreeNode::PackedKey(library::NodeKind::Script, scriptId));
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
        Listings rows = store_.scriptsOfCategory(library::idOfKey(KeyOf(node)));
        addScripts(node, rows.begin(), rows.end());
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
    addScripts(Node(library::RootKey), rows.begin(), rows.end());
}

void CategoryTree::addScripts(QTreeWidgetItem* node, Listings::iterator first,
                              Listings::iterator last)
{
    QList<QTreeWidgetItem*> scripts;
    scripts.reserve(qsizetype(std::distance(first, last)));
    for (auto s = first; s != last; ++s) {
        // Saved or dropped here after the tree was loaded: it has its node already.
        if (!ScriptNode(s->id))
            scripts.append(new TreeNode(library::NodeKind::Script, s->id, s->nombre));
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
    if (orphansAdopted_ && unfilled_.size() <= FewCategories) {
        while (FillSome(int(unfilled_.size()))) {
        }
        return;
    }
    QTreeWidgetItem* root = Node(library::RootKey);
    if (!root)
        return;
    Listings rows;
    try {
        rows = store_.scriptsByCategory();
    } catch (const library::DatabaseError& e) {
        Q_EMIT readFailed(e.message());
        return;
    }
    byKey_.reserve(byKey_.size() + qsizetype(rows.size()));
    // The root's own scripts and those of categories the tree does not show, in one order.
    Listings underRoot;
    for (auto group = rows.begin(); group != rows.end();) {
        const auto end = groupEnd(group, rows.end());
        QTreeWidgetItem* node = Node(library::categoryKey(group->idCategoria));
        if (!node) {
            if (!orphansAdopted_)
                std::move(group, end, std::back_inserter(underRoot));
        } else if (unfilled_.remove(node)) {
            if (node == root)
                std::move(group, end, std::back_inserter(underRoot));
            else
                addScripts(node, group, end);
        }
        group = end;
    }
    // Those without scripts are whole as they are.
    unfilled_.clear();
    orphansAdopted_ = true;
    library::SortByName(underRoot);
    addScripts(root, underRoot.begin(), underRoot.end());
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
    root_ = new TreeNode(library::NodeKind::Category, 0, QStringLiteral("Scripts"));
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
        last_ = new TreeNode(library::NodeKind::Category, c.id, c.nombre);
        parent->addChild(last_);
        categories_.insert(c.id, last_);
        enter(c.id, last_);
    }
}

void CategoryTree::LoadScriptNodes()
{
    Listings rows = store_.scriptsByCategory();
    // A script whose category is not in the tree is filed under the root, not lost: the
    // root's own scripts and these, in one order.
    Listings underRoot;
    // The node added last is the last script by name, as when they were added in that order.
    QTreeWidgetItem* lastScript = nullptr;
    const auto addGroup = [&](QTreeWidgetItem* parent, Listings::iterator first,
                              Listings::iterator last) {
        QList<QTreeWidgetItem*> scripts;
        scripts.reserve(qsizetype(std::distance(first, last)));
        for (auto s = first; s != last; ++s)
            scripts.append(new TreeNode(library::NodeKind::Script, s->id, s->nombre));
        if (!scripts.isEmpty() && (!lastScript || treeorder::Precedes(lastScript, scripts.back())))
            lastScript = scripts.back();
        parent->addChildren(scripts);
    };
    for (auto group = rows.begin(); group != rows.end();) {
        const auto end = groupEnd(group, rows.end());
        QTreeWidgetItem* parent = categories_.value(group->idCategoria, root_);
        if (parent == root_)
            std::move(group, end, std::back_inserter(underRoot));
        else
            addGroup(parent, group, end);
        group = end;
    }
    library::SortByName(underRoot);
    addGroup(root_, underRoot.begin(), underRoot.end());
    if (lastScript)
        last_ = lastScript;
}
