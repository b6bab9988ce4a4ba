#include "categorypaths.h"

#include "library/collation.h"
#include "library/records.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <algorithm>

namespace editing {

namespace {

QString pathOf(const library::CategoryListing& category,
               const QHash<qint64, const library::CategoryListing*>& byId)
{
    QStringList names = {category.nombre};
    QSet<qint64> seen = {category.id};
    for (auto up = byId.constFind(category.idPadre); up != byId.cend() && !seen.contains((*up)->id);
         up = byId.constFind((*up)->idPadre)) {
        seen.insert((*up)->id);
        names.prepend((*up)->nombre);
    }
    return names.join(PathSeparator);
}

} // namespace

std::vector<CategoryPath> CategoryPaths(const std::vector<library::CategoryListing>& categories)
{
    QHash<qint64, const library::CategoryListing*> byId;
    QHash<qint64, std::vector<const library::CategoryListing*>> children;
    for (const library::CategoryListing& c : categories) {
        byId.insert(c.id, &c);
        children[c.idPadre].push_back(&c);
    }
    std::vector<CategoryPath> paths;
    paths.reserve(categories.size());
    QSet<qint64> placed;
    // Depth first from the root, as the tree is filled: a category, then its own sub-tree.
    struct Step
    {
        const library::CategoryListing* category;
        QString path;
    };
    std::vector<Step> stack;
    const auto pushChildren = [&](qint64 parentId, const QString& parentPath) {
        const auto run = children.constFind(parentId);
        if (run == children.cend())
            return;
        for (auto it = run->rbegin(); it != run->rend(); ++it)
            stack.push_back(Step{*it, parentPath.isEmpty()
                                          ? (*it)->nombre
                                          : parentPath + PathSeparator + (*it)->nombre});
    };
    pushChildren(0, QString());
    while (!stack.empty()) {
        const Step step = stack.back();
        stack.pop_back();
        if (placed.contains(step.category->id))
            continue;
        placed.insert(step.category->id);
        paths.push_back(CategoryPath{step.category->id, step.path});
        pushChildren(step.category->id, step.path);
    }
    std::vector<CategoryPath> unreached;
    for (const library::CategoryListing& c : categories) {
        if (!placed.contains(c.id))
            unreached.push_back(CategoryPath{c.id, pathOf(c, byId), false});
    }
    std::stable_sort(unreached.begin(), unreached.end(),
                     [](const CategoryPath& a, const CategoryPath& b) {
                         return library::CompareNames(a.path, b.path) < 0;
                     });
    paths.insert(paths.end(), unreached.begin(), unreached.end());
    return paths;
}

} // namespace editing
