// A library too large to fill the tree at once: its categories get their scripts as they come
// into view, and every path that needs a node still finds it.
#include "browser/buttonbar.h"
#include "browser/categorytree.h"
#include "browser/searchbox.h"
#include "browser/searchresults.h"
#include "browser/treenode.h"
#include "editing/editorpanel.h"
#include "library/librarystore.h"
#include "library/nodekey.h"
#include "tests/support/mainwindow.h"
#include "tests/support/tempprogramfolder.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QtTest>

namespace {

using library::scriptKey;

struct Library
{
    qint64 rapaces = 0;
    qint64 halcon = 0;
    qint64 zeta = 0;
    qint64 suelto = 0;
};

Library fill(TempProgramFolder& folder)
{
    Library l;
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    const qint64 animales = folder.addCategory(0, QStringLiteral("Animales"));
    const qint64 aves = folder.addCategory(animales, QStringLiteral("Aves"));
    l.rapaces = folder.addCategory(aves, QStringLiteral("Rapaces"));
    const qint64 botones = folder.addCategory(0, QStringLiteral("Botones"));
    l.halcon = folder.addScript(l.rapaces, type, QStringLiteral("Halcón"));
    folder.addScript(l.rapaces, type, QStringLiteral("Águila"));
    folder.addScript(l.rapaces, type, QStringLiteral("Búho"));
    l.zeta = folder.addScript(botones, type, QStringLiteral("Zeta"));
    folder.addScript(0, type, QStringLiteral("Raíz"));
    // Filed under a category that does not exist: shown under the root.
    l.suelto = folder.addScript(999, type, QStringLiteral("Suelto"));
    // An id this high makes the library count as large.
    folder.db().execute("INSERT INTO scripts (id, id_categoria, id_tipo, nombre) "
                        "VALUES (900000, 0, 1, 'Último')");
    folder.closeLibrary();
    return l;
}

QStringList childTexts(QTreeWidgetItem* node)
{
    QStringList texts;
    for (int i = 0; node && i < node->childCount(); ++i)
        texts.append(node->child(i)->text(0));
    return texts;
}

// Every node's key, depth first, after unfolding each node as a person would.
QStringList unfoldedKeys(QTreeWidget* tree)
{
    QStringList keys;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        (*it)->setExpanded(true);
        keys.append(CategoryTree::KeyOf(*it));
    }
    return keys;
}

int nodesWithKey(QTreeWidget* tree, const QString& key)
{
    int count = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        count += CategoryTree::KeyOf(*it) == key ? 1 : 0;
    return count;
}

} // namespace

class TestLazyTree : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nodesOfUnseenCategoriesAreFoundAndComeInOrder();
    void savingIntoAnUnseenCategoryGivesOneNode();
    void searchShowsScriptsOfUnseenCategories();
    void libraryWithoutSearchIndexOpensAndItsSearchComesLater();
    void everyWayOfFillingGivesTheOneTree();
};

void TestLazyTree::nodesOfUnseenCategoriesAreFoundAndComeInOrder()
{
    TempProgramFolder folder;
    const Library l = fill(folder);
    MainWindowUnderTest w(folder);
    QVERIFY(w.loaded());

    QTreeWidgetItem* halcon = w->FindNode(scriptKey(l.halcon));
    QVERIFY(halcon);
    QStringList path;
    for (QTreeWidgetItem* n = halcon->parent(); n; n = n->parent())
        path.append(n->text(0));
    QCOMPARE(path, (QStringList{QStringLiteral("Rapaces"), QStringLiteral("Aves"),
                                QStringLiteral("Animales"), QStringLiteral("Scripts")}));
    QCOMPARE(
        childTexts(halcon->parent()),
        (QStringList{QStringLiteral("Águila"), QStringLiteral("Búho"), QStringLiteral("Halcón")}));
    QCOMPARE(CategoryTree::KeyOf(w->FindNode(scriptKey(l.suelto))->parent()), library::RootKey);
    QCOMPARE(
        childTexts(w->Tree()->topLevelItem(0)),
        (QStringList{QStringLiteral("Animales"), QStringLiteral("Botones"), QStringLiteral("Raíz"),
                     QStringLiteral("Suelto"), QStringLiteral("Último")}));

    // Unfolded whole, it is the tree a whole fill gives, each node once.
    auto store = library::LibraryStore::open(folder.libraryPath());
    QTreeWidget whole;
    CategoryTree(&whole, *store).Load();
    QCOMPARE(unfoldedKeys(w->Tree()), unfoldedKeys(&whole));
    QVERIFY2(w.boxes.shown.isEmpty(), qPrintable(w.boxes.shown.value(0).text));
}

void TestLazyTree::savingIntoAnUnseenCategoryGivesOneNode()
{
    TempProgramFolder folder;
    const Library l = fill(folder);
    MainWindowUnderTest w(folder);
    QVERIFY(w.loaded());
    w->NodeClick(w->FindNode(scriptKey(l.zeta)));
    w->opciones()->boton_Editar()->click();
    w->Frame2()->list_categoria()->setCurrentText(QStringLiteral("Animales / Aves / Rapaces"));
    w->opciones()->boton_aceptar()->click();
    QVERIFY2(w.boxes.shown.isEmpty(), qPrintable(w.boxes.shown.value(0).text));

    QCOMPARE(nodesWithKey(w->Tree(), scriptKey(l.zeta)), 1);
    QTreeWidgetItem* zeta = w->FindNode(scriptKey(l.zeta));
    QCOMPARE(CategoryTree::KeyOf(zeta->parent()), library::categoryKey(l.rapaces));
    QCOMPARE(childTexts(zeta->parent()),
             (QStringList{QStringLiteral("Águila"), QStringLiteral("Búho"),
                          QStringLiteral("Halcón"), QStringLiteral("Zeta")}));
    QCOMPARE(w->Tree()->currentItem(), zeta);
    QCOMPARE(w->DropHighlight(), zeta);
    QCOMPARE(w->id(), QString::number(l.zeta));
}

void TestLazyTree::searchShowsScriptsOfUnseenCategories()
{
    TempProgramFolder folder;
    const Library l = fill(folder);
    MainWindowUnderTest w(folder);
    QVERIFY(w.loaded());
    QTest::keyClicks(w->busqueda()->Text_buscar(), QStringLiteral("halc"));
    QCOMPARE(w->busqueda()->Label_encontrados()->text(), QStringLiteral("1 script"));
    const QTreeView* results = w->busqueda()->Tree_resultados();
    const auto rowOf = [&](qint64 script) {
        return static_cast<SearchResults*>(results->model())
            ->IndexOf(w->FindNode(scriptKey(script)));
    };
    // Picked, edited into another category and saved: found at once, under its new path.
    QTest::keyClick(w->busqueda()->Text_buscar(), Qt::Key_Return);
    w->opciones()->boton_Editar()->click();
    w->Frame2()->list_categoria()->setCurrentText(QStringLiteral("Botones"));
    w->opciones()->boton_aceptar()->click();
    QTRY_COMPARE(rowOf(l.halcon).parent().data().toString(), QStringLiteral("Botones"));
    w->opciones()->boton_Editar()->click();
    w->Frame2()->list_categoria()->setCurrentText(QStringLiteral("Animales / Aves / Rapaces"));
    w->opciones()->boton_aceptar()->click();
    QVERIFY2(w.boxes.shown.isEmpty(), qPrintable(w.boxes.shown.value(0).text));
    // The script under its whole path, unfolded, and nothing beside it.
    QTRY_VERIFY(rowOf(l.halcon).isValid());
    QModelIndex row = rowOf(l.halcon);
    QCOMPARE(row.data().toString(), QStringLiteral("Halcón"));
    for (QTreeWidgetItem* n = w->FindNode(scriptKey(l.halcon)); n; n = n->parent()) {
        QVERIFY(row.data(Qt::UserRole) == n->data(0, Qt::UserRole) &&
                results->model()->rowCount(row.parent()) == 1);
        row = row.parent();
        QVERIFY(!row.isValid() || results->isExpanded(row));
    }
    // A new script saved meanwhile is found at once.
    const ModalCloser offerToSend;
    w->opciones()->boton_insertar()->click();
    w->Frame2()->Text_nombre()->setText(QStringLiteral("Halcón peregrino"));
    w->Frame2()->list_categoria()->setCurrentText(QStringLiteral("Animales / Aves"));
    w->opciones()->boton_aceptar()->click();
    QTRY_COMPARE(w->busqueda()->Label_encontrados()->text(), QStringLiteral("2 scripts"));
    QCOMPARE(rowOf(w->id().toLongLong()).data().toString(), QStringLiteral("Halcón peregrino"));
    QCOMPARE(rowOf(w->id().toLongLong()).parent().data().toString(), QStringLiteral("Aves"));
    // Ids far apart (the one of 900000) are found as well as the ones numbered in order.
    w->busqueda()->Text_buscar()->setText(QStringLiteral("ultimo"));
    QCOMPARE(w->busqueda()->Label_encontrados()->text(), QStringLiteral("1 script"));
    QCOMPARE(rowOf(900000).data().toString(), QStringLiteral("Último"));
    QCOMPARE(rowOf(900000).parent().data(Qt::UserRole).toString(), library::RootKey);
}

void TestLazyTree::libraryWithoutSearchIndexOpensAndItsSearchComesLater()
{
    // Written by another program: many scripts and no search index.
    TempProgramFolder folder;
    const QByteArray type = QByteArray::number(folder.addType(QStringLiteral("Efecto")));
    const QByteArray varios = QByteArray::number(folder.addCategory(0, QStringLiteral("Varios")));
    folder.db().execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                        "WHERE i < 20000) INSERT INTO scripts (id, id_categoria, id_tipo, nombre, "
                        "script_ayuda) SELECT i, " +
                        varios + ", " + type + ", 'Script ' || i, 'propio' || i FROM n");
    MainWindowUnderTest w(folder);
    QVERIFY(w.loaded());
    SearchBox* box = w->busqueda();
    QCOMPARE(box->Text_buscar()->placeholderText(), SearchBox::PreparingText);
    QTest::keyClicks(box->Text_buscar(), QStringLiteral("propio12345"));
    QCOMPARE(box->Label_encontrados()->text(), QStringLiteral("Preparando…"));
    QVERIFY(!box->IsSearching());
    // Once built, what was typed is searched without another keystroke.
    QTRY_COMPARE_WITH_TIMEOUT(box->Label_encontrados()->text(), QStringLiteral("1 script"), 60000);
    QCOMPARE(box->Text_buscar()->placeholderText(), QStringLiteral("Buscar scripts"));
    QTest::keyClick(box->Text_buscar(), Qt::Key_Return);
    QCOMPARE(w->id(), QStringLiteral("12345"));
    QVERIFY2(w.boxes.shown.isEmpty(), qPrintable(w.boxes.shown.value(0).text));
}

void TestLazyTree::everyWayOfFillingGivesTheOneTree()
{
    TempProgramFolder folder;
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    const qint64 arboles = folder.addCategory(0, QStringLiteral("Árboles"));
    const qint64 hojas = folder.addCategory(arboles, QStringLiteral("Hojas"));
    folder.addCategory(arboles, QStringLiteral("Ágave vacío"));
    // More categories than are filled one by one, so that a whole fill reads them at once.
    for (int i = 40; i > 0; --i)
        folder.addScript(folder.addCategory(hojas, QStringLiteral("Hoja %1").arg(i)), type,
                         QStringLiteral("Nervio %1").arg(i));
    // Added in another order than the tree's, so that ids never give it by chance.
    for (const char* name : {"Árbol 112", "Zeta", "árbol 28", "Ñandú", "Árbol 7", "Nube", "Ábaco",
                             "Árbol 7", "arbol 007"})
        folder.addScript(arboles, type, QString::fromUtf8(name));
    for (const char* name : {"Raíz", "Acacia 10", "Acacia 9"})
        folder.addScript(0, type, QString::fromUtf8(name));
    // Filed under categories that do not exist: under the root, in its order.
    folder.addScript(999, type, QStringLiteral("Acacia 2"));
    folder.addScript(-3, type, QStringLiteral("Zarza"));
    folder.closeLibrary();
    auto store = library::LibraryStore::open(folder.libraryPath());

    QTreeWidget whole;
    CategoryTree(&whole, *store).Load();
    QTreeWidgetItem* root = whole.topLevelItem(0);
    QCOMPARE(childTexts(root), (QStringList{QStringLiteral("Árboles"), QStringLiteral("Acacia 2"),
                                            QStringLiteral("Acacia 9"), QStringLiteral("Acacia 10"),
                                            QStringLiteral("Raíz"), QStringLiteral("Zarza")}));
    QCOMPARE(childTexts(root->child(0)),
             (QStringList{
                 QStringLiteral("Ágave vacío"), QStringLiteral("Hojas"), QStringLiteral("Ábaco"),
                 QStringLiteral("arbol 007"), QStringLiteral("Árbol 7"), QStringLiteral("Árbol 7"),
                 QStringLiteral("árbol 28"), QStringLiteral("Árbol 112"), QStringLiteral("Nube"),
                 QStringLiteral("Ñandú"), QStringLiteral("Zeta")}));
    const QStringList keys = unfoldedKeys(&whole);
    QCOMPARE(keys.size(), 1 + 43 + 54);
    QCOMPARE(QSet<QString>(keys.cbegin(), keys.cend()).size(), keys.size());

    // The categories first, then: every script at once (the orphans with them); each category
    // alone once the orphans are in; some categories unfolded first, then the rest at once.
    for (int way = 0; way < 3; ++way) {
        QTreeWidget tree;
        CategoryTree filled(&tree, *store);
        filled.LoadCategories();
        if (way == 1)
            filled.AdoptOrphans();
        if (way == 2) {
            QVERIFY(filled.FindNode(library::categoryKey(arboles)));
            filled.Node(library::categoryKey(hojas))->setExpanded(true);
        }
        filled.FillAll();
        QCOMPARE(unfoldedKeys(&tree), keys);
        // Each node is found by its key and shows its key's picture.
        for (const QString& key : keys) {
            QTreeWidgetItem* node = filled.Node(key);
            QVERIFY2(node && CategoryTree::KeyOf(node) == key, qPrintable(key));
            const QIcon& picture = library::nodeKindOfKey(key) == library::NodeKind::Script
                                       ? TreeNode::ScriptIcon()
                                   : key == library::RootKey ? TreeNode::RootIcon()
                                                             : TreeNode::CategoryIcon();
            QCOMPARE(node->icon(0).cacheKey(), picture.cacheKey());
        }
        // Filled, it reads nothing more.
        QVERIFY(!filled.FillSome(1));
    }
}

QTEST_MAIN(TestLazyTree)
#include "test_lazytree.moc"
