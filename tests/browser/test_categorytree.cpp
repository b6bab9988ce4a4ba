#include "browser/categorytree.h"
#include "library/librarystore.h"
#include "library/nodekey.h"
#include "tests/support/tempprogramfolder.h"

#include <QRandomGenerator>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QtTest>

namespace {

// The tree as the keys of its nodes, depth first, one level of indent a level of nesting.
QStringList keysOf(QTreeWidget& tree)
{
    QStringList keys;
    for (QTreeWidgetItemIterator it(&tree); *it; ++it) {
        int depth = 0;
        for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent())
            ++depth;
        keys.append(QString(depth * 2, QLatin1Char(' ')) + CategoryTree::KeyOf(*it) +
                    QLatin1Char(' ') + (*it)->text(0));
    }
    return keys;
}

// The same tree built the plain way, a statement a category and one node at a time.
void addCategoriesOneByOne(library::LibraryStore& store, QHash<qint64, QStringList>& under,
                           qint64 parent, QSet<qint64>& seen, QStringList& out, int depth)
{
    for (const library::Category& c : store.childCategories(parent)) {
        if (seen.contains(c.id))
            continue;
        seen.insert(c.id);
        out.append(QString(depth * 2, QLatin1Char(' ')) + library::categoryKey(c.id) +
                   QLatin1Char(' ') + c.nombre);
        addCategoriesOneByOne(store, under, c.id, seen, out, depth + 1);
        for (const QString& s : under.value(c.id))
            out.append(QString((depth + 1) * 2, QLatin1Char(' ')) + s);
    }
}

QStringList expectedKeys(library::LibraryStore& store)
{
    QSet<qint64> seen{0};
    QHash<qint64, QStringList> under;
    QList<qint64> categoryOf;
    for (const library::ScriptListing& s : store.scriptsByName()) {
        under[s.idCategoria].append(library::scriptKey(s.id) + QLatin1Char(' ') + s.nombre);
        categoryOf.append(s.idCategoria);
    }
    QStringList out{QStringLiteral("0C Scripts")};
    addCategoriesOneByOne(store, under, 0, seen, out, 1);
    // Scripts of the root and of categories not in the tree come last under the root.
    for (const library::ScriptListing& s : store.scriptsByName()) {
        if (!seen.contains(s.idCategoria) || s.idCategoria == 0)
            out.append(QStringLiteral("  ") + library::scriptKey(s.id) + QLatin1Char(' ') +
                       s.nombre);
    }
    return out;
}

} // namespace

class TestCategoryTree : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bulkFillMatchesAddingNodesOneByOne();
    void cyclesAndSelfParentsNeverHangOrRepeat();
    void everyNodeSharesItsKindsOnePicture();
};

void TestCategoryTree::bulkFillMatchesAddingNodesOneByOne()
{
    TempProgramFolder folder;
    auto& db = folder.db();
    QRandomGenerator random(7);
    db.execute("INSERT INTO tipos (id, nombre) VALUES (1, 'Efecto')");
    library::Transaction t(db);
    auto category = db.prepare("INSERT INTO categorias (id, id_padre, nombre) VALUES (?1, ?2, ?3)");
    // Ids in no order, names repeated, parents before and after their children, orphans.
    for (int i = 0; i < 300; ++i) {
        const qint64 id = 1000 - i * 3;
        const qint64 parent = i < 5 ? 0 : 1000 - qint64(random.bounded(320)) * 3;
        category.reset();
        category.bind(1, id).bind(2, parent);
        category.bind(3, QStringLiteral("Cat %1").arg(random.bounded(60)));
        category.run();
    }
    auto script =
        db.prepare("INSERT INTO scripts (id_categoria, id_tipo, nombre) VALUES (?1, 1, ?2)");
    for (int i = 0; i < 3000; ++i) {
        script.reset();
        script.bind(1, i % 97 == 0 ? qint64(0) : 1000 - qint64(random.bounded(330)) * 3);
        script.bind(2, QStringLiteral("script %1").arg(random.bounded(500)));
        script.run();
    }
    t.commit();
    folder.closeLibrary();

    auto store = library::LibraryStore::open(folder.libraryPath());
    QTreeWidget tree;
    QTreeWidgetItem* last = CategoryTree(&tree, *store).Load();
    const QStringList keys = keysOf(tree);
    QCOMPARE(keys, expectedKeys(*store));
    QVERIFY(keys.size() > 1000);
    // The last node added is the last script by name.
    QCOMPARE(CategoryTree::KeyOf(last), library::scriptKey(store->scriptsByName().back().id));

    // Loading again replaces the tree rather than adding to it.
    CategoryTree(&tree, *store).Load();
    QCOMPARE(keysOf(tree), keys);
}

void TestCategoryTree::cyclesAndSelfParentsNeverHangOrRepeat()
{
    TempProgramFolder folder;
    folder.db().execute("INSERT INTO categorias (id, id_padre, nombre) VALUES "
                        "(1, 0, 'Uno'), (2, 1, 'Dos'), (3, 4, 'Tres'), (4, 3, 'Cuatro'),"
                        "(5, 5, 'Cinco'), (0, 0, 'Cero');");
    folder.closeLibrary();
    auto store = library::LibraryStore::open(folder.libraryPath());
    QTreeWidget tree;
    QTreeWidgetItem* last = CategoryTree(&tree, *store).Load();
    QCOMPARE(keysOf(tree), (QStringList{QStringLiteral("0C Scripts"), QStringLiteral("  1C Uno"),
                                        QStringLiteral("    2C Dos")}));
    // Without scripts the last node added is the last category, depth first.
    QCOMPARE(CategoryTree::KeyOf(last), QStringLiteral("2C"));
}

void TestCategoryTree::everyNodeSharesItsKindsOnePicture()
{
    TempProgramFolder folder;
    const qint64 a = folder.addCategory(0, QStringLiteral("A"));
    const qint64 b = folder.addCategory(a, QStringLiteral("B"));
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    folder.addScript(a, type, QStringLiteral("x"));
    folder.addScript(b, type, QStringLiteral("y"));
    folder.closeLibrary();
    auto store = library::LibraryStore::open(folder.libraryPath());
    QTreeWidget tree;
    CategoryTree(&tree, *store).Load();
    int scripts = 0;
    int categories = 0;
    for (QTreeWidgetItemIterator it(&tree); *it; ++it) {
        const QString key = CategoryTree::KeyOf(*it);
        const qint64 picture = (*it)->icon(0).cacheKey();
        if (library::isRootKey(key)) {
            QCOMPARE(picture, CategoryTree::RootIcon().cacheKey());
        } else if (key.endsWith(QLatin1Char('S'))) {
            QCOMPARE(picture, CategoryTree::ScriptIcon().cacheKey());
            ++scripts;
        } else {
            QCOMPARE(picture, CategoryTree::CategoryIcon().cacheKey());
            ++categories;
        }
    }
    QCOMPARE(scripts, 2);
    QCOMPARE(categories, 2);
    QVERIFY(!CategoryTree::CategoryIcon().pixmap(16, 16).isNull());
}

QTEST_MAIN(TestCategoryTree)
#include "test_categorytree.moc"
