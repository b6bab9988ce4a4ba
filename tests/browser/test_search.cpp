#include "browser/frmscripts.h"
#include "browser/searchbox.h"
#include "browser/splitterbar.h"
#include "browser/twips.h"
#include "editing/editcommands.h"
#include "library/nodekey.h"
#include "platform/messagebox.h"
#include "tests/support/tempprogramfolder.h"

#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QWebEngineView>
#include <QtTest>

namespace {

struct Library
{
    qint64 cascada = 0;
    qint64 digital = 0;
    qint64 contador = 0;
};

Library fill(TempProgramFolder& folder)
{
    Library l;
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    const qint64 menus = folder.addCategory(0, QStringLiteral("Menús"));
    const qint64 desplegables = folder.addCategory(menus, QStringLiteral("Desplegables"));
    const qint64 relojes = folder.addCategory(0, QStringLiteral("Relojes"));
    const qint64 utiles = folder.addCategory(0, QStringLiteral("Útiles"));
    l.cascada = folder.addScript(desplegables, type, QStringLiteral("Menú en cascada"));
    folder.addScript(relojes, type, QStringLiteral("Reloj de arena"));
    l.digital = folder.addScript(relojes, type, QStringLiteral("Reloj digital"));
    library::Script s;
    s.idCategoria = utiles;
    s.idTipo = type;
    s.nombre = QStringLiteral("Contador de visitas");
    s.scriptHead = QStringLiteral("<script>var reloj = new Date();</script>");
    l.contador = folder.addScript(s);
    folder.closeLibrary();
    return l;
}

// The script names the tree shows now, top to bottom.
QStringList shownScripts(QTreeWidget* tree)
{
    QStringList names;
    for (QTreeWidgetItemIterator it(tree, QTreeWidgetItemIterator::NotHidden); *it; ++it) {
        bool inView = true;
        for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent())
            inView = inView && p->isExpanded() && !p->isHidden();
        const QString key = (*it)->data(0, Qt::UserRole).toString();
        if (inView && library::nodeKindOfKey(key) == library::NodeKind::Script)
            names.append((*it)->text(0));
    }
    return names;
}

void clickNode(QTreeWidget* tree, QTreeWidgetItem* node)
{
    tree->scrollToItem(node);
    const QRect r = tree->visualItemRect(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

QByteArray page(TempProgramFolder& folder)
{
    return TempProgramFolder::readFile(folder.filePath(QStringLiteral("js.htm")));
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boxSitsAboveTheTreeAndFollowsTheSplitter();
    void typingFiltersWithoutTouchingTheCurrentScript();
    void enterAndDownPickTheFirstMatchEscapeRestores();
};

void TestSearch::boxSitsAboveTheTreeAndFollowsTheSplitter()
{
    TempProgramFolder folder;
    fill(folder);
    Frmscripts w;
    w.resize(800, 500);
    w.show();
    QVERIFY(w.Form_Load());
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.busqueda->Text_buscar->placeholderText(), QStringLiteral("Buscar scripts"));
    auto check = [&] {
        const QRect box = w.busqueda->Text_buscar->geometry();
        const QRect tree = w.Tree->geometry();
        QCOMPARE(box.left(), tree.left());
        QCOMPARE(box.width(), tree.width());
        QVERIFY(box.bottom() < tree.top());
        // The page pane keeps the whole height; the tree gave up the box's.
        QCOMPARE(w.explorador->geometry().top(), box.top());
        QCOMPARE(w.explorador->geometry().bottom(), tree.bottom());
        QVERIFY(w.busqueda->Label_encontrados->geometry().right() <= box.right());
    };
    check();
    w.resize(1000, 650);
    check();
    QMouseEvent move(QEvent::MouseMove, QPointF(-60, 5),
                     w.linea_borde->mapToGlobal(QPointF(-60, 5)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w.linea_borde, &move);
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(0, 5),
                   w.linea_borde->mapToGlobal(QPointF(0, 5)), Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(w.linea_borde, &up);
    check();
}

void TestSearch::typingFiltersWithoutTouchingTheCurrentScript()
{
    TempProgramFolder folder;
    const Library l = fill(folder);
    Frmscripts w;
    w.show();
    QVERIFY(w.Form_Load());
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTreeWidgetItem* cascada = w.FindNode(library::scriptKey(l.cascada));
    w.Tree->expandAll();
    clickNode(w.Tree, cascada);
    QCOMPARE(w.id, QString::number(l.cascada));
    const QByteArray before = page(folder);
    const QStringList everything = shownScripts(w.Tree);
    QCOMPARE(everything.size(), 4);

    QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
    QLineEdit* box = w.busqueda->Text_buscar;
    QVERIFY(box->hasFocus());
    QLabel* count = w.busqueda->Label_encontrados;
    QTest::keyClicks(box, QStringLiteral("RELO"));
    QCOMPARE(shownScripts(w.Tree),
             (QStringList{QStringLiteral("Reloj de arena"), QStringLiteral("Reloj digital"),
                          QStringLiteral("Contador de visitas")}));
    QCOMPARE(count->text(), QStringLiteral("3 scripts"));
    QTest::keyClicks(box, QStringLiteral("j dig"));
    QCOMPARE(shownScripts(w.Tree), QStringList{QStringLiteral("Reloj digital")});
    QCOMPARE(count->text(), QStringLiteral("1 script"));
    QTest::keyClicks(box, QStringLiteral("x"));
    QCOMPARE(shownScripts(w.Tree), QStringList());
    QCOMPARE(count->text(), QStringLiteral("Ningún script"));
    QTest::keyClicks(box, QStringLiteral("\"*-()' OR NEAR"));
    QCOMPARE(count->text(), QStringLiteral("Ningún script"));

    // Nothing was picked: the current script, its node and its page are as they were.
    QCOMPARE(w.id, QString::number(l.cascada));
    QCOMPARE(w.Tree->currentItem(), cascada);
    QCOMPARE(w.DropHighlight(), cascada);
    QCOMPARE(page(folder), before);

    // Emptying the box brings back the whole tree, as it was.
    box->clear();
    QCOMPARE(shownScripts(w.Tree), everything);
    QVERIFY(count->text().isEmpty());
}

void TestSearch::enterAndDownPickTheFirstMatchEscapeRestores()
{
    TempProgramFolder folder;
    const Library l = fill(folder);
    Frmscripts w;
    w.show();
    QVERIFY(w.Form_Load());
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QLineEdit* box = w.busqueda->Text_buscar;
    QTreeWidgetItem* relojes = w.FindNode(library::scriptKey(l.digital))->parent();
    QVERIFY(!relojes->isExpanded());

    // Names that hold the word come first: Enter picks "Reloj de arena" over the counter.
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("reloj"));
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(w.Tree->currentItem()->text(0), QStringLiteral("Reloj de arena"));
    QCOMPARE(w.id, QString::number(
                       library::idOfKey(w.Tree->currentItem()->data(0, Qt::UserRole).toString())));
    QVERIFY(page(folder).contains("Reloj de arena"));
    QTRY_VERIFY(w.Tree->hasFocus());

    // Down picks too, and leaves the caret in the tree.
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, QStringLiteral("reloj dig"));
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(w.id, QString::number(l.digital));
    QVERIFY(page(folder).contains("Reloj digital"));
    QVERIFY(w.Tree->hasFocus());

    // Deleting the picked script while the tree is filtered: the results follow.
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, QStringLiteral("reloj"));
    QCOMPARE(w.busqueda->Label_encontrados->text(), QStringLiteral("3 scripts"));
    {
        platform::ScriptedMessageBoxes boxes;
        boxes.answer(QMessageBox::Yes);
        w.editingCommands->DeleteScript();
    }
    QTRY_COMPARE(w.busqueda->Label_encontrados->text(), QStringLiteral("2 scripts"));

    // Escape: the whole tree again, the current node kept and in view.
    w.NodeClick(w.FindNode(library::scriptKey(l.contador)));
    QTreeWidgetItem* current = w.FindNode(library::scriptKey(l.contador));
    w.Tree->setCurrentItem(current);
    QTest::keyClick(box, Qt::Key_Escape);
    QVERIFY(box->text().isEmpty());
    QVERIFY(!*QTreeWidgetItemIterator(w.Tree, QTreeWidgetItemIterator::Hidden));
    QCOMPARE(shownScripts(w.Tree), QStringList{QStringLiteral("Contador de visitas")});
    QCOMPARE(w.Tree->currentItem(), current);
    QCOMPARE(w.id, QString::number(l.contador));
    QVERIFY(current->parent()->isExpanded());
    // Categories the search opened close again; the user's own stay as they were.
    QVERIFY(!relojes->isExpanded());
    QVERIFY(w.Tree->visualItemRect(current).isValid());
}

QTEST_MAIN(TestSearch)
#include "test_search.moc"
