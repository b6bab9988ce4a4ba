#include "app/module1.h"
#include "browser/buttonbar.h"
#include "browser/frmscripts.h"
#include "browser/twips.h"
#include "editing/editcommands.h"
#include "editing/editorpanel.h"
#include "editing/qsci.h"
#include "editing/treedrag.h"
#include "export/relatedfiles.h"
#include "library/librarystore.h"
#include "library/nodekey.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "tests/support/tempprogramfolder.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QtTest>

using editing::EditorPanel;

namespace {

struct Library
{
    qint64 relojes = 0, menus = 0, efecto = 0, visual = 0, reloj = 0, menu = 0;
};

Library fill(TempProgramFolder& folder)
{
    Library l;
    l.relojes = folder.addCategory(0, QStringLiteral("Relojes"));
    l.menus = folder.addCategory(0, QStringLiteral("Menús"));
    l.visual = folder.addType(QStringLiteral("Visual"));
    l.efecto = folder.addType(QStringLiteral("Efecto"));
    library::Script s;
    s.idCategoria = l.relojes;
    s.idTipo = l.efecto;
    s.nombre = QStringLiteral("Reloj digital");
    s.navegadores = QStringLiteral("Todos");
    s.scriptHead = QStringLiteral("function t() {}");
    s.scriptBody = QStringLiteral("onload=\"t()\"");
    s.scriptHtml = QStringLiteral("<div id=\"r\"></div>");
    s.scriptAyuda = QStringLiteral("Un reloj");
    l.reloj = folder.addScript(s);
    l.menu = folder.addScript(l.menus, l.visual, QStringLiteral("Menú d'O'Brien"));
    folder.closeLibrary();
    return l;
}

EditorPanel* panelOf(Frmscripts& w)
{
    return static_cast<EditorPanel*>(w.Frame2);
}

QString keyOf(const QTreeWidgetItem* node)
{
    return node ? node->data(0, Qt::UserRole).toString() : QString();
}

// Which buttons are visible, and which of the visible ones are enabled: "Insertar Editar* ..."
// with a star for a disabled one.
QString bar(Frmscripts& w)
{
    ButtonBar* b = w.opciones;
    const std::pair<const char*, QToolButton*> buttons[] = {
        {"insertar", b->boton_insertar},   {"Editar", b->boton_Editar},
        {"exportar", b->boton_exportar},   {"borrar", b->boton_borrar},
        {"enviar", b->boton_enviarscript}, {"aceptar", b->boton_aceptar},
        {"preview", b->boton_preview},     {"Salir", b->boton_salir[0]},
        {"Cancelar", b->boton_salir[1]}};
    QStringList shown;
    for (const auto& [name, button] : buttons) {
        if (button->isVisible())
            shown.append(QString::fromLatin1(name) +
                         (button->isEnabled() ? QString() : QStringLiteral("*")));
    }
    return shown.join(QLatin1Char(' '));
}

QStringList comboItems(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items.append(combo->itemText(i));
    return items;
}

QStringList childKeys(QTreeWidgetItem* node)
{
    QStringList keys;
    for (int i = 0; node && i < node->childCount(); ++i)
        keys.append(keyOf(node->child(i)));
    return keys;
}

void mouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButton button,
           Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// Presses `button` over `from`, moves over each of `over` with the buttons held, releases
// over the last one.
void drag(Frmscripts& w, const QString& from, const QStringList& over,
          Qt::MouseButton button = Qt::LeftButton, Qt::MouseButtons held = Qt::LeftButton)
{
    QWidget* viewport = w.Tree->viewport();
    const auto at = [&](const QString& key) {
        return w.Tree->visualItemRect(w.FindNode(key)).center();
    };
    mouse(viewport, QEvent::MouseButtonPress, at(from), button, held);
    QPoint pos = at(from);
    for (const QString& key : over) {
        pos = at(key);
        mouse(viewport, QEvent::MouseMove, pos, Qt::NoButton, held);
    }
    mouse(viewport, QEvent::MouseButtonRelease, pos, button, Qt::NoButton);
}

// Closes every modal window that opens while it lives and counts them by class.
class ModalCloser
{
public:
    ModalCloser()
    {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                opened.append(QString::fromLatin1(dialog->metaObject()->className()));
                dialog->reject();
            }
        });
        timer_.start();
    }
    QStringList opened;

private:
    QTimer timer_;
};

} // namespace

class TestEditingWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buttonsFollowTheThreeWindowStates();
    void cancellingAnEditWritesNothing();
    void editorRefusesToOpenWithoutCategoriesOrTypes();
    void savingANewScriptAddsOneRowAndOneNode();
    void savingAnEditedScriptMovesItsNodeOnceAndSurvivesARestart();
    void saveRefusedOrFailedKeepsTheEditorOpen();
    void deletingActsOnTheScriptsOwnNodeAndKeepsSharedFiles();
    void draggingMovesOnlyScriptsOntoCategories();
    void aClickThatSlipsAPixelDeletesTheScriptItChose();
    void treeKeepsSpanishNameOrderAfterSavesAndMoves();
};

void TestEditingWindow::buttonsFollowTheThreeWindowStates()
{
    TempProgramFolder folder;
    const Library l = fill(folder);
    Frmscripts w;
    w.resize(1000, 700);
    w.show();
    QVERIFY(w.Form_Load());
    EditorPanel* panel = panelOf(w);
    QCOMPARE(bar(w), QStringLiteral("insertar Editar* exportar* borrar* enviar* Salir"));

    // Writing a new script.
    w.opciones->boton_insertar->click();
    QVERIFY(panel->isVisible());
    QVERIFY(!w.Frame1->isVisible());
    QVERIFY(!w.editar);
    QCOMPARE(bar(w), QStringLiteral("aceptar preview Cancelar"));
    const int gap =
        w.opciones->boton_preview->y() - w.opciones->boton_aceptar->geometry().bottom() - 1;
    QVERIFY2(qAbs(gap - 250 * twips::dpiOf(&w) / 1440) <= 1, qPrintable(QString::number(gap)));
    QVERIFY(panel->Text_nombre->text().isEmpty());
    QVERIFY(panel->script_head->text().isEmpty());
    QCOMPARE(comboItems(panel->list_categoria),
             (QStringList{QStringLiteral("Menús"), QStringLiteral("Relojes")}));
    QCOMPARE(comboItems(panel->list_tipo),
             (QStringList{QStringLiteral("Efecto"), QStringLiteral("Visual")}));
    QTRY_VERIFY(panel->Text_nombre->hasFocus() || !w.isActiveWindow());
    w.opciones->boton_salir[1]->click();
    QVERIFY(w.Frame1->isVisible());
    QVERIFY(!panel->isVisible());
    QCOMPARE(bar(w), QStringLiteral("insertar Editar* exportar* borrar* enviar* Salir"));

    // Editing a stored script: its own category and type first, not repeated.
    w.NodeClick(w.FindNode(library::scriptKey(l.reloj)));
    QCOMPARE(bar(w), QStringLiteral("insertar Editar exportar borrar enviar Salir"));
    w.opciones->boton_Editar->click();
    QVERIFY(w.editar);
    QCOMPARE(bar(w), QStringLiteral("aceptar preview Cancelar"));
    QCOMPARE(panel->Text_nombre->text(), QStringLiteral("Reloj digital"));
    QCOMPARE(panel->Text_navegador->text(), QStringLiteral("Todos"));
    QCOMPARE(panel->script_body->text(), QStringLiteral("onload=\"t()\""));
    QCOMPARE(panel->script_ayuda->text(), QStringLiteral("Un reloj"));
    QCOMPARE(comboItems(panel->list_categoria),
             (QStringList{QStringLiteral("Relojes"), QStringLiteral("Menús")}));
    QCOMPARE(comboItems(panel->list_tipo),
             (QStringList{QStringLiteral("Efecto"), QStringLiteral("Visual")}));

    // After "Cancelar" the remembered script keeps the four buttons enabled, even with a
    // category selected.
    w.opciones->boton_salir[1]->click();
    QVERIFY(!w.editar);
    QCOMPARE(bar(w), QStringLiteral("insertar Editar exportar borrar enviar Salir"));
    w.NodeClick(w.FindNode(library::categoryKey(l.menus)));
    QCOMPARE(w.id, QString::number(l.reloj));
    w.opciones->boton_salir[1]->click(); // hidden: a click does nothing
    w.ArrangeButtonBar();
    QCOMPARE(bar(w), QStringLiteral("insertar Editar exportar borrar enviar Salir"));
    // The editing helper is wired to the window's tree.
    QCOMPARE(w.editingCommands->drag()->parent(), w.editingCommands);
}

void TestEditingWindow::cancellingAnEditWritesNothing()
{
    TempProgramFolder folder;
    const Library l = fill(folder);
    Frmscripts w;
    w.resize(1000, 700);
    w.show();
    QVERIFY(w.Form_Load());
    EditorPanel* panel = panelOf(w);
    w.NodeClick(w.FindNode(library::scriptKey(l.reloj)));
    w.opciones->boton_Editar->click();
    panel->Text_nombre->setText(QStringLiteral("Cambiado"));
    panel->script_head->setText(QStringLiteral("cambiado()"));
    panel->list_categoria->setCurrentIndex(1);
    w.opciones->boton_salir[1]->click();

    auto store = library::LibraryStore::open(folder.libraryPath());
    const auto s = store->script(l.reloj);
    QCOMPARE(s->nombre, QStringLiteral("Reloj digital"));
    QCOMPARE(s->scriptHead, QStringLiteral("function t() {}"));
    QCOMPARE(s->idCategoria, l.relojes);
    QCOMPARE(w.FindNode(library::scriptKey(l.reloj))->text(0), QStringLiteral("Reloj digital"));
    // Opening it again shows the stored values.
    w.opciones->boton_Editar->click();
    QCOMPARE(panel->Text_nombre->text(), QStringLiteral("Reloj digital"));
    QCOMPARE(panel->script_head->text(), QStringLiteral("function t() {}"));
}

void TestEditingWindow::editorRefusesToOpenWithoutCategoriesOrTypes()
{
    for (bool withCategory : {false, true}) {
        TempProgramFolder folder;
        if (withCategory)
            folder.addCategory(0, QStringLiteral("Sola"));
        folder.closeLibrary();
        platform::ScriptedMessageBoxes boxes;
        Frmscripts w;
        w.show();
        QVERIFY(w.Form_Load());
        w.opciones->boton_insertar->click();
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown.first().text.contains(withCategory ? QStringLiteral("tipo")
                                                               : QStringLiteral("categoría")));
        QVERIFY(w.Frame1->isVisible());
        QVERIFY(!panelOf(w)->isVisible());
        QCOMPARE(bar(w), QStringLiteral("insertar Editar* exportar* borrar* enviar* Salir"));
    }
}

void TestEditingWindow::savingANewScriptAddsOneRowAndOneNode()
{
    TempProgramFolder folder;
    const Library l = fill(folder);
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    Frmscripts w;
    w.resize(1000, 700);
    w.show();
    QVERIFY(w.Form_Load());
    EditorPanel* panel = panelOf(w);
    w.opciones->boton_insertar->click();
    panel->Text_nombre->setText(QStringLiteral("Nieve 'cayendo'"));
    panel->list_categoria->setCurrentText(QStringLiteral("Relojes"));
    panel->list_tipo->setCurrentText(QStringLiteral("Visual"));
    panel->script_html->setText(QStringLiteral("<img src=\"resources/copo.gif\">"));
    for (const char* name : {"copo.gif", "fondo.jpg"}) {
        const QString path = folder.filePath(QString::fromUtf8(name));
        TempProgramFolder::writeFile(path, "x");
        dialogs.names = {path};
        panel->boton_anadir_fichero->click();
    }
    ModalCloser modals;
    w.opciones->boton_aceptar->click();
    QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.shown.value(0).text));
    // The submission form is offered for the new script.
    QCOMPARE(modals.opened, QStringList{QStringLiteral("frmenviarscript")});

    auto store = library::LibraryStore::open(folder.libraryPath());
    QCOMPARE(store->scriptsByName().size(), size_t(3));
    const qint64 id = w.id.toLongLong();
    const auto s = store->script(id);
    QVERIFY(s);
    QCOMPARE(s->nombre, QStringLiteral("Nieve 'cayendo'"));
    QCOMPARE(s->idCategoria, l.relojes);
    QCOMPARE(s->idTipo, l.visual);
    QCOMPARE(s->scriptHtml, QStringLiteral("<img src=\"resources/copo.gif\">"));
    QCOMPARE(store->relatedFiles(id).size(), size_t(2));
    QCOMPARE(childKeys(w.FindNode(library::categoryKey(l.relojes))),
             (QStringList{library::scriptKey(id), library::scriptKey(l.reloj)}));
    QCOMPARE(keyOf(w.Tree->currentItem()), library::scriptKey(id));
    QCOMPARE(keyOf(w.DropHighlight()), library::scriptKey(id));
    QVERIFY(w.FindNode(library::categoryKey(l.relojes))->isExpanded());
    QVERIFY(w.Frame1->isVisible());
    QCOMPARE(bar(w), QStringLiteral("insertar Editar exportar borrar enviar Salir"));
    QVERIFY(!w.editar);
}

void TestEditingWindow::savingAnEditedScriptMovesItsNodeOnceAndSurvivesARestart()
{
    TempProgramFolder folder;
    const Library l = fill(folder);
    platform::ScriptedMessageBoxes boxes;
    {
        Frmscripts w;
        w.resize(1000, 700);
        w.show();
        QVERIFY(w.Form_Load());
        EditorPanel* panel = panelOf(w);
        w.NodeClick(w.FindNode(library::scriptKey(l.reloj)));
        w.opciones->boton_Editar->click();
        panel->Text_nombre->setText(QStringLiteral("Reloj analógico"));
        panel->list_categoria->setCurrentText(QStringLiteral("Menús"));
        ModalCloser modals;
        w.opciones->boton_aceptar->click();
        QVERIFY(boxes.shown.isEmpty());
        QVERIFY(modals.opened.isEmpty());
        QVERIFY(childKeys(w.FindNode(library::categoryKey(l.relojes))).isEmpty());
        QCOMPARE(childKeys(w.FindNode(library::categoryKey(l.menus))),
                 (QStringList{library::scriptKey(l.menu), library::scriptKey(l.reloj)}));
        QCOMPARE(w.FindNode(library::scriptKey(l.reloj))->text(0),
                 QStringLiteral("Reloj analógico"));
        QCOMPARE(w.id, QString::number(l.reloj));
        QVERIFY(w.FindNode(library::categoryKey(l.menus))->isExpanded());
    }
    // A restart loads it under its new category, once.
    Frmscripts again;
    QVERIFY(again.Form_Load());
    QCOMPARE(childKeys(again.FindNode(library::categoryKey(l.menus))),
             (QStringList{library::scriptKey(l.menu), library::scriptKey(l.reloj)}));
    QVERIFY(childKeys(again.FindNode(library::categoryKey(l.relojes))).isEmpty());
}

void TestEditingWindow::saveRefusedOrFailedKeepsTheEditorOpen()
{
    TempProgramFolder folder;
    const Library l = fill(folder);
    platform::ScriptedMessageBoxes boxes;
    Frmscripts w;
    w.resize(1000, 700);
    w.show();
    QVERIFY(w.Form_Load());
    EditorPanel* panel = panelOf(w);
    w.opciones->boton_insertar->click();
    w.opciones->boton_aceptar->click();
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown.first().title, QStringLiteral("Error"));
    QCOMPARE(boxes.shown.first().text, QStringLiteral("Debe de Indicar un nombre"));
    QVERIFY(panel->isVisible());

    // The chosen category disappears before the save: refused, nothing stored.
    panel->Text_nombre->setText(QStringLiteral("Huérfano"));
    panel->list_categoria->setCurrentText(QStringLiteral("Menús"));
    folder.db().execute("DELETE FROM categorias WHERE nombre = 'Menús'");
    w.opciones->boton_aceptar->click();
    QCOMPARE(boxes.shown.size(), 2);
    QVERIFY(boxes.shown.last().text.contains(QStringLiteral("\"Menús\"")));
    QVERIFY(panel->isVisible());
    QCOMPARE(w.cn->scriptsByName().size(), size_t(2));
    QCOMPARE(w.FindNode(library::categoryKey(l.menus))->childCount(), 1);
}

void TestEditingWindow::deletingActsOnTheScriptsOwnNodeAndKeepsSharedFiles()
{
    TempProgramFolder folder;
    const Library l = fill(folder);
    folder.addFile(l.reloj, QStringLiteral("compartido.gif"));
    folder.addFile(l.reloj, QStringLiteral("propio.gif"));
    folder.addFile(l.menu, QStringLiteral("compartido.gif"));
    folder.writeResource(QStringLiteral("compartido.gif"), "x");
    folder.writeResource(QStringLiteral("propio.gif"), "x");
    folder.closeLibrary();
    platform::ScriptedMessageBoxes boxes;
    {
        Frmscripts w;
        w.resize(1000, 700);
        w.show();
        QVERIFY(w.Form_Load());
        w.NodeClick(w.FindNode(library::scriptKey(l.reloj)));
        boxes.answer(QMessageBox::No);
        w.opciones->boton_borrar->click();
        QCOMPARE(boxes.shown.last().text, QStringLiteral("¿Esta seguro de  borrar este Script?"));
        QCOMPARE(boxes.shown.last().title, QStringLiteral("Borrar Script"));
        QVERIFY(w.FindNode(library::scriptKey(l.reloj)));
        QVERIFY(w.cn->script(l.reloj));

        // Remembered script, a category selected (after "Cancelar"): the script's own node goes.
        w.NodeClick(w.FindNode(library::categoryKey(l.menus)));
        w.Tree->setCurrentItem(w.FindNode(library::categoryKey(l.menus)));
        w.opciones->boton_insertar->click();
        w.opciones->boton_salir[1]->click();
        QCOMPARE(bar(w), QStringLiteral("insertar Editar exportar borrar enviar Salir"));
        boxes.answer(QMessageBox::Yes);
        w.opciones->boton_borrar->click();
        QVERIFY(!w.FindNode(library::scriptKey(l.reloj)));
        QVERIFY(w.FindNode(library::categoryKey(l.menus)));
        QVERIFY(w.FindNode(library::scriptKey(l.menu)));
        QCOMPARE(keyOf(w.DropHighlight()), library::categoryKey(l.relojes));
        QVERIFY(w.id.isEmpty());
        QCOMPARE(bar(w), QStringLiteral("insertar Editar* exportar* borrar* enviar* Salir"));
        QVERIFY(QFile::exists(folder.resourcesPath() + QStringLiteral("compartido.gif")));
        QVERIFY(!QFile::exists(folder.resourcesPath() + QStringLiteral("propio.gif")));
    }
    // A script filed under the root (its category is missing): deleting it never asks the
    // root for a parent, and the restart shows the deletion.
    auto store = library::LibraryStore::open(folder.libraryPath());
    QVERIFY(!store->script(l.reloj));
    QVERIFY(store->relatedFiles(l.reloj).empty());
    QCOMPARE(store->relatedFiles(l.menu).size(), size_t(1));
    Frmscripts w;
    w.resize(1000, 700);
    w.show();
    QVERIFY(w.Form_Load());
    QVERIFY(!w.FindNode(library::scriptKey(l.reloj)));
    folder.db().execute("UPDATE scripts SET id_categoria = 999");
    Frmscripts orphan;
    orphan.show();
    QVERIFY(orphan.Form_Load());
    QCOMPARE(keyOf(orphan.FindNode(library::scriptKey(l.menu))->parent()), library::RootKey);
    orphan.NodeClick(orphan.FindNode(library::scriptKey(l.menu)));
    boxes.answer(QMessageBox::Yes);
    orphan.opciones->boton_borrar->click();
    QVERIFY(!orphan.FindNode(library::scriptKey(l.menu)));
    QCOMPARE(keyOf(orphan.DropHighlight()), library::RootKey);
}

void TestEditingWindow::draggingMovesOnlyScriptsOntoCategories()
{
    TempProgramFolder folder;
    const Library l = fill(folder);
    const qint64 sub = folder.addCategory(l.menus, QStringLiteral("Sub"));
    folder.closeLibrary();
    platform::ScriptedMessageBoxes boxes;
    Frmscripts w;
    w.resize(1000, 700);
    w.show();
    QVERIFY(w.Form_Load());
    w.Tree->expandAll();
    const QString reloj = library::scriptKey(l.reloj), menu = library::scriptKey(l.menu);
    const QString relojes = library::categoryKey(l.relojes), menus = library::categoryKey(l.menus),
                  subKey = library::categoryKey(sub), root = library::RootKey;
    const auto categoryOf = [&](qint64 id) { return w.cn->script(id)->idCategoria; };

    // Not from a category, the root, or with the right button or both buttons.
    drag(w, relojes, {menus});
    drag(w, root, {menus});
    drag(w, reloj, {menus}, Qt::RightButton, Qt::RightButton);
    drag(w, reloj, {menus}, Qt::LeftButton, Qt::LeftButton | Qt::RightButton);
    QCOMPARE(categoryOf(l.reloj), l.relojes);
    QCOMPARE(keyOf(w.FindNode(reloj)->parent()), relojes);

    // Over scripts and the root nothing is marked; released there, nothing changes.
    drag(w, reloj, {menus, menu, root});
    QCOMPARE(categoryOf(l.reloj), l.relojes);
    QVERIFY(!w.DropHighlight());
    // A click leaves its mark on a category; a drag that never leaves its script ignores it.
    w.NodeClick(w.FindNode(subKey));
    drag(w, reloj, {reloj});
    QCOMPARE(categoryOf(l.reloj), l.relojes);
    // Handlers driven directly: a stale mark on the script itself is not a target.
    editing::TreeDrag* d = w.editingCommands->drag();
    w.SetDropHighlight(w.FindNode(reloj));
    d->Tree_MouseDown(w.Tree->visualItemRect(w.FindNode(reloj)).center());
    d->Tree_DragDrop();
    QCOMPARE(categoryOf(l.reloj), l.relojes);
    QCOMPARE(editing::GetNodeKind(nullptr), 0);
    QCOMPARE(editing::GetNodeKind(w.FindNode(root)), 1);
    QCOMPARE(editing::GetNodeKind(w.FindNode(reloj)), 2);

    // Onto a nested category: the row and the node move.
    drag(w, reloj, {menus, subKey});
    QCOMPARE(categoryOf(l.reloj), sub);
    QCOMPARE(keyOf(w.FindNode(reloj)->parent()), subKey);
    QVERIFY(!w.DropHighlight());
    // Onto its own category: stays there.
    drag(w, reloj, {subKey});
    QCOMPARE(categoryOf(l.reloj), sub);
    QCOMPARE(childKeys(w.FindNode(subKey)), QStringList{reloj});
    QVERIFY(boxes.shown.isEmpty());

    Frmscripts again;
    QVERIFY(again.Form_Load());
    QCOMPARE(keyOf(again.FindNode(reloj)->parent()), subKey);
}

void TestEditingWindow::aClickThatSlipsAPixelDeletesTheScriptItChose()
{
    TempProgramFolder folder;
    const Library l = fill(folder);
    platform::ScriptedMessageBoxes boxes;
    Frmscripts w;
    w.resize(1000, 700);
    w.show();
    QVERIFY(w.Form_Load());
    w.Tree->expandAll();
    QWidget* viewport = w.Tree->viewport();
    const auto at = [&](qint64 script) {
        return w.Tree->visualItemRect(w.FindNode(library::scriptKey(script))).center();
    };
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at(l.reloj));
    QCOMPARE(w.id, QString::number(l.reloj));

    // A hand that slips while clicking: press, one pixel right, then one down, release.
    editing::TreeDrag* drag = w.editingCommands->drag();
    QSignalSpy clicks(w.Tree, &QTreeWidget::itemClicked);
    const QPoint press = at(l.menu);
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, press);
    QTest::mouseMove(viewport, press + QPoint(1, 0));
    QTest::mouseMove(viewport, press + QPoint(1, 1));
    QVERIFY(!drag->isDragging());
    QVERIFY(!QApplication::overrideCursor());
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, press + QPoint(1, 1));
    QCOMPARE(clicks.size(), 1);
    QCOMPARE(keyOf(w.Tree->currentItem()), library::scriptKey(l.menu));
    QCOMPARE(w.id, QString::number(l.menu));
    QVERIFY(TempProgramFolder::readFile(folder.filePath(QStringLiteral("js.htm")))
                .contains("Men\xc3\xba d'O'Brien"));
    QCOMPARE(keyOf(w.DropHighlight()), library::scriptKey(l.menu));

    // The drag itself starts at the system's drag distance, not a pixel before.
    const int distance = QApplication::startDragDistance();
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, press);
    QTest::mouseMove(viewport, press + QPoint(distance - 1, 0));
    QVERIFY(!drag->isDragging());
    QTest::mouseMove(viewport, press + QPoint(distance, 0));
    QVERIFY(drag->isDragging());
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, press + QPoint(distance, 0));
    QVERIFY(!drag->isDragging());
    QCOMPARE(keyOf(w.FindNode(library::scriptKey(l.menu))->parent()),
             library::categoryKey(l.menus));

    boxes.answer(QMessageBox::Yes);
    w.opciones->boton_borrar->click();
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown.first().title, QStringLiteral("Borrar Script"));
    QVERIFY(!w.FindNode(library::scriptKey(l.menu)));
    QVERIFY(w.FindNode(library::scriptKey(l.reloj)));
    // The shown node is the deleted script's category, and nothing is current.
    QCOMPARE(keyOf(w.Tree->currentItem()), library::categoryKey(l.menus));
    QVERIFY(w.id.isEmpty());
    QCOMPARE(bar(w), QStringLiteral("insertar Editar* exportar* borrar* enviar* Salir"));
    auto store = library::LibraryStore::open(folder.libraryPath());
    QVERIFY(!store->script(l.menu));
    QVERIFY(store->script(l.reloj));
    QCOMPARE(store->script(l.reloj)->idCategoria, l.relojes);
}

void TestEditingWindow::treeKeepsSpanishNameOrderAfterSavesAndMoves()
{
    TempProgramFolder folder;
    const qint64 botones = folder.addCategory(0, QStringLiteral("Botones"));
    folder.addCategory(0, QStringLiteral("Ñandúes"));
    const qint64 arboles = folder.addCategory(0, QStringLiteral("Árboles"));
    folder.addCategory(botones, QStringLiteral("Zócalos"));
    const qint64 type = folder.addType(QStringLiteral("Visual"));
    folder.addScript(botones, type, QStringLiteral("Oso"));
    const qint64 nube = folder.addScript(botones, type, QStringLiteral("Nube azul"));
    const qint64 nacar = folder.addScript(arboles, type, QStringLiteral("Nácar"));
    folder.closeLibrary();
    platform::ScriptedMessageBoxes boxes;
    Frmscripts w;
    w.resize(1000, 700);
    w.show();
    QVERIFY(w.Form_Load());
    w.Tree->expandAll();
    EditorPanel* panel = panelOf(w);
    const auto names = [&](qint64 category) {
        QStringList list;
        QTreeWidgetItem* node = w.FindNode(library::categoryKey(category));
        for (int i = 0; i < node->childCount(); ++i)
            list.append(node->child(i)->text(0));
        return list;
    };
    QCOMPARE(names(0), (QStringList{QStringLiteral("Árboles"), QStringLiteral("Botones"),
                                    QStringLiteral("Ñandúes")}));

    // A new script lands at its place at once, after the categories.
    w.opciones->boton_insertar->click();
    QCOMPARE(comboItems(panel->list_categoria),
             (QStringList{QStringLiteral("Árboles"), QStringLiteral("Botones"),
                          QStringLiteral("Ñandúes"), QStringLiteral("Zócalos")}));
    panel->Text_nombre->setText(QStringLiteral("Ñu"));
    panel->list_categoria->setCurrentText(QStringLiteral("Botones"));
    {
        ModalCloser modals;
        w.opciones->boton_aceptar->click();
    }
    QCOMPARE(names(botones), (QStringList{QStringLiteral("Zócalos"), QStringLiteral("Nube azul"),
                                          QStringLiteral("Ñu"), QStringLiteral("Oso")}));
    // An edited name moves to its new place.
    w.NodeClick(w.FindNode(library::scriptKey(nube)));
    w.opciones->boton_Editar->click();
    panel->Text_nombre->setText(QStringLiteral("Ábaco"));
    w.opciones->boton_aceptar->click();
    QCOMPARE(names(botones), (QStringList{QStringLiteral("Zócalos"), QStringLiteral("Ábaco"),
                                          QStringLiteral("Ñu"), QStringLiteral("Oso")}));
    // A script dragged into the category goes between the others, not at the end.
    drag(w, library::scriptKey(nacar), {library::categoryKey(botones)});
    QCOMPARE(names(botones),
             (QStringList{QStringLiteral("Zócalos"), QStringLiteral("Ábaco"),
                          QStringLiteral("Nácar"), QStringLiteral("Ñu"), QStringLiteral("Oso")}));
    QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.shown.value(0).text));

    // What the running tree shows is what a fresh start loads.
    Frmscripts again;
    QVERIFY(again.Form_Load());
    for (QTreeWidget* tree : {w.Tree, again.Tree}) {
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            (*it)->setExpanded(true);
    }
    QStringList running, fresh;
    for (QTreeWidgetItemIterator it(w.Tree); *it; ++it)
        running.append(keyOf(*it));
    for (QTreeWidgetItemIterator it(again.Tree); *it; ++it)
        fresh.append(keyOf(*it));
    QCOMPARE(running, fresh);
}

QTEST_MAIN(TestEditingWindow)
#include "test_editing_window.moc"
