#include "browser/buttonbar.h"
#include "editing/editcommands.h"
#include "editing/editorpanel.h"
#include "editing/qsci.h"
#include "editing/treedrag.h"
#include "export/popupcreator.h"
#include "export/relatedfiles.h"
#include "library/librarystore.h"
#include "library/nodekey.h"
#include "tests/support/mainwindow.h"
#include "tests/support/scriptbuilder.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

using editing::EditorPanel;
using library::categoryKey;
using library::scriptKey;
using namespace Qt::StringLiterals;

namespace {

const QString Browsing = u"insertar Editar* exportar* borrar* enviar* Salir"_s;
const QString Chosen = u"insertar Editar exportar borrar enviar Salir"_s;
const QString Editing = u"aceptar preview Cancelar"_s;

EditorPanel* panelOf(MainWindowUnderTest& m)
{
    return m->Frame2;
}

QStringList items(const QComboBox* combo)
{
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list.append(combo->itemText(i));
    return list;
}

QStringList items(const QTreeWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        names.append(list->topLevelItem(i)->text(0));
    return names;
}

QStringList childNames(MainWindowUnderTest& m, const QString& key)
{
    QTreeWidgetItem* node = m.node(key);
    QStringList names;
    for (int i = 0; i < node->childCount(); ++i)
        names.append(node->child(i)->text(0));
    return names;
}

QString parentOf(MainWindowUnderTest& m, qint64 script)
{
    return m.node(scriptKey(script))->parent()->data(0, Qt::UserRole).toString();
}

} // namespace

class TestEditingWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editorRefusesToOpenWithoutCategoriesOrTypes();
    void buttonsFollowTheThreeWindowStates();
    void savesShowInTheTreeOnceAndSurviveARestart();
    void deletingActsOnTheScriptsOwnNodeAndNeverAsksTheRootForItsParent();
    void draggingMovesOnlyScriptsOntoCategories();
    void aClickThatSlipsAPixelDeletesTheScriptItChose();
    void treeKeepsSpanishNameOrderAfterSavesAndMoves();
    void rightClickInEveryEditorInsertsTheChosenFile();
    void relatedFilesAreStoredOnceAndSharedFilesKept();
};

void TestEditingWindow::editorRefusesToOpenWithoutCategoriesOrTypes()
{
    for (const QString& missing : {u"categoría"_s, u"tipo"_s}) {
        TempProgramFolder folder;
        if (missing == u"tipo"_s)
            folder.addCategory(0, u"Sola"_s);
        MainWindowUnderTest m(folder);
        m->opciones->boton_insertar->click();
        QCOMPARE(m.boxes.shown.size(), 1);
        QVERIFY(m.boxes.shown.first().text.contains(missing));
        QVERIFY(m->Frame1->isVisible() && !panelOf(m)->isVisible());
        QCOMPARE(m.buttons(), Browsing);
    }
}

void TestEditingWindow::buttonsFollowTheThreeWindowStates()
{
    TempProgramFolder folder;
    const SampleLibrary l(folder);
    MainWindowUnderTest m(folder);
    QVERIFY(m.loaded());
    EditorPanel* panel = panelOf(m);
    QCOMPARE(m.buttons(), Browsing);
    m->opciones->boton_insertar->click();
    QCOMPARE(m.buttons(), Editing);
    QVERIFY(panel->isVisible() && !m->Frame1->isVisible() && !m->editar);
    QVERIFY(panel->Text_nombre->text().isEmpty() && panel->script_head->text().isEmpty());
    QCOMPARE(items(panel->list_categoria),
             (QStringList{u"Desplegables"_s, u"Menús"_s, u"Relojes"_s}));
    QCOMPARE(items(panel->list_tipo), (QStringList{u"Efecto"_s, u"Visual"_s}));
    m->opciones->boton_salir[1]->click();
    QCOMPARE(m.buttons(), Browsing);
    QVERIFY(m->Frame1->isVisible() && !panel->isVisible());

    // Editing a stored script: its own category and type first, not repeated.
    m.click(scriptKey(l.menu));
    QCOMPARE(m.buttons(), Chosen);
    m->opciones->boton_Editar->click();
    QVERIFY(m->editar);
    QCOMPARE(m.buttons(), Editing);
    QCOMPARE(items(panel->list_categoria),
             (QStringList{u"Desplegables"_s, u"Menús"_s, u"Relojes"_s}));
    QCOMPARE(items(panel->list_tipo), (QStringList{u"Visual"_s, u"Efecto"_s}));
    m->opciones->boton_salir[1]->click();
    m.click(scriptKey(l.reloj));
    m->opciones->boton_Editar->click();
    QCOMPARE(panel->script_body->text(), u"onload=\"t()\""_s);
    QCOMPARE(items(panel->list_categoria),
             (QStringList{u"Relojes"_s, u"Desplegables"_s, u"Menús"_s}));
    // What "Cancelar" drops is never written; the remembered script keeps its four buttons
    // even with a category selected.
    panel->Text_nombre->setText(u"Cambiado"_s);
    panel->script_head->setText(u"cambiado()"_s);
    panel->list_categoria->setCurrentIndex(1);
    m->opciones->boton_salir[1]->click();
    QVERIFY(!m->editar);
    m.click(categoryKey(l.menus));
    QCOMPARE(m->id, QString::number(l.reloj));
    QCOMPARE(m.node(scriptKey(l.reloj))->text(0), u"Reloj digital"_s);
    auto store = library::LibraryStore::open(folder.libraryPath());
    QCOMPARE(store->script(l.reloj)->nombre, u"Reloj digital"_s);
    QCOMPARE(store->script(l.reloj)->idCategoria, l.relojes);
    m->opciones->boton_Editar->click();
    QCOMPARE(panel->script_head->text(), u"<script>function t() {}</script>"_s);
}

void TestEditingWindow::savesShowInTheTreeOnceAndSurviveARestart()
{
    TempProgramFolder folder;
    const SampleLibrary l(folder);
    QString running;
    {
        MainWindowUnderTest m(folder);
        EditorPanel* panel = panelOf(m);
        m->opciones->boton_insertar->click();
        m->opciones->boton_aceptar->click();
        QCOMPARE(m.boxes.shown.size(), 1);
        QCOMPARE(m.boxes.shown.first().text, u"Debe de Indicar un nombre"_s);
        QVERIFY(panel->isVisible());

        panel->Text_nombre->setText(u"Nieve 'cayendo'"_s);
        panel->list_categoria->setCurrentText(u"Relojes"_s);
        panel->list_tipo->setCurrentText(u"Visual"_s);
        for (const QString& name : {u"copo.gif"_s, u"fondo.jpg"_s}) {
            TempProgramFolder::writeFile(folder.filePath(name), "x");
            m.dialogs.names = {folder.filePath(name)};
            panel->boton_anadir_fichero->click();
        }
        ModalCloser modals;
        m->opciones->boton_aceptar->click();
        QCOMPARE(m.boxes.shown.size(), 1);
        // The submission form is offered for a new script only.
        QCOMPARE(modals.opened, QStringList{u"frmenviarscript"_s});
        const qint64 id = m->id.toLongLong();
        QCOMPARE(m->cn->script(id)->idTipo, l.visual);
        QCOMPARE(m->cn->relatedFiles(id).size(), size_t(2));
        QCOMPARE(childNames(m, categoryKey(l.relojes)),
                 (QStringList{u"Nieve 'cayendo'"_s, u"Reloj digital"_s}));
        QCOMPARE(m.current(), scriptKey(id));
        QCOMPARE(m->DropHighlight(), m.node(scriptKey(id)));
        QCOMPARE(m.buttons(), Chosen);

        // An edited script moves to its new category once, under its new name.
        m.click(scriptKey(l.reloj));
        m->opciones->boton_Editar->click();
        panel->Text_nombre->setText(u"Reloj analógico"_s);
        panel->list_categoria->setCurrentText(u"Menús"_s);
        m->opciones->boton_aceptar->click();
        QCOMPARE(childNames(m, categoryKey(l.relojes)), QStringList{u"Nieve 'cayendo'"_s});
        QCOMPARE(childNames(m, categoryKey(l.menus)),
                 (QStringList{u"Desplegables"_s, u"Reloj analógico"_s}));
        QVERIFY(m.node(categoryKey(l.menus))->isExpanded());
        QCOMPARE(modals.opened.size(), 1);

        // The chosen type disappears before the save: refused, the editor stays open.
        m->opciones->boton_insertar->click();
        panel->Text_nombre->setText(u"Huérfano"_s);
        panel->list_tipo->setCurrentText(u"Efecto"_s);
        folder.db().execute("DELETE FROM tipos WHERE nombre = 'Efecto'");
        folder.closeLibrary();
        m->opciones->boton_aceptar->click();
        QVERIFY(m.boxes.shown.last().text.contains(u"\"Efecto\""_s));
        QVERIFY(panel->isVisible());
        QCOMPARE(m->cn->scriptsByName().size(), size_t(3));
        running = m.tree();
    }
    MainWindowUnderTest again(folder);
    QCOMPARE(again.tree(), running);
}

void TestEditingWindow::deletingActsOnTheScriptsOwnNodeAndNeverAsksTheRootForItsParent()
{
    TempProgramFolder folder;
    const SampleLibrary l(folder);
    folder.addFile(l.menu, u"reloj.gif"_s);
    folder.addFile(l.reloj, u"propio.gif"_s);
    folder.writeResource(u"propio.gif"_s, "x");
    {
        MainWindowUnderTest m(folder);
        m.click(scriptKey(l.reloj));
        m.boxes.answer(QMessageBox::No);
        m->opciones->boton_borrar->click();
        QCOMPARE(m.boxes.shown.last().text, u"¿Esta seguro de  borrar este Script?"_s);
        QVERIFY(m.node(scriptKey(l.reloj)) && m->cn->script(l.reloj));

        // The script remembered after "Cancelar", a category selected: the script's node goes.
        m.click(categoryKey(l.menus));
        m->opciones->boton_insertar->click();
        m->opciones->boton_salir[1]->click();
        m.boxes.answer(QMessageBox::Yes);
        m->opciones->boton_borrar->click();
        QVERIFY(!m.node(scriptKey(l.reloj)));
        QVERIFY(m.node(categoryKey(l.menus)) && m.node(scriptKey(l.menu)));
        QCOMPARE(m->DropHighlight(), m.node(categoryKey(l.relojes)));
        QVERIFY(m->id.isEmpty());
        QCOMPARE(m.buttons(), Browsing);
        QVERIFY(QFile::exists(folder.resourcesPath() + u"reloj.gif"_s)); // the menu names it
        QVERIFY(!QFile::exists(folder.resourcesPath() + u"propio.gif"_s));
    }
    // A script filed under the root, its category missing: deleting it leaves the root marked.
    folder.db().execute("UPDATE scripts SET id_categoria = 999");
    MainWindowUnderTest m(folder);
    QVERIFY(!m.node(scriptKey(l.reloj)));
    QCOMPARE(parentOf(m, l.menu), library::RootKey);
    m.click(scriptKey(l.menu));
    m.boxes.answer(QMessageBox::Yes);
    m->opciones->boton_borrar->click();
    QVERIFY(!m.node(scriptKey(l.menu)));
    QCOMPARE(m->DropHighlight(), m.node(library::RootKey));
    QVERIFY(m->cn->scriptsByName().empty());
    QVERIFY(m->cn->relatedFiles(l.reloj).empty());
}

void TestEditingWindow::draggingMovesOnlyScriptsOntoCategories()
{
    TempProgramFolder folder;
    const SampleLibrary l(folder);
    MainWindowUnderTest m(folder);
    m->Tree->expandAll();
    const QString reloj = scriptKey(l.reloj), menu = scriptKey(l.menu), root = library::RootKey;
    const QString relojes = categoryKey(l.relojes), menus = categoryKey(l.menus),
                  desplegables = categoryKey(l.desplegables);
    const auto stored = [&] {
        return library::LibraryStore::open(folder.libraryPath())->script(l.reloj)->idCategoria;
    };
    // Not from a category or the root, nor with the right button.
    m.drag(relojes, {menus});
    m.drag(root, {menus});
    for (const auto& [type, pos, held] : {std::tuple{QEvent::MouseButtonPress, reloj, true},
                                          {QEvent::MouseMove, menus, true},
                                          {QEvent::MouseButtonRelease, menus, false}}) {
        const QPoint at = m->Tree->visualItemRect(m.node(pos)).center();
        QMouseEvent event(type, at, m->Tree->viewport()->mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::RightButton,
                          held ? Qt::RightButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m->Tree->viewport(), &event);
    }
    // Over scripts and the root nothing is marked, and released there nothing moves; a mark a
    // click left on a category is no target for a drag that never left its script.
    m.drag(reloj, {menus, menu, root});
    QVERIFY(!m->DropHighlight());
    m.click(desplegables);
    m.drag(reloj, {reloj});
    // A stale mark on the script itself is no target either.
    m->SetDropHighlight(m.node(reloj));
    m->editingCommands->drag()->Tree_MouseDown(m->Tree->visualItemRect(m.node(reloj)).center());
    m->editingCommands->drag()->Tree_DragDrop();
    QCOMPARE(parentOf(m, l.reloj), relojes);
    QCOMPARE(stored(), l.relojes);

    // Onto a nested category, then onto its own: the row and the node move once.
    m.drag(reloj, {menus, desplegables});
    m.drag(reloj, {desplegables});
    QCOMPARE(parentOf(m, l.reloj), desplegables);
    QCOMPARE(childNames(m, desplegables), (QStringList{u"Menú d'O'Brien"_s, u"Reloj digital"_s}));
    QVERIFY(!m->DropHighlight());
    QCOMPARE(stored(), l.desplegables);
    QVERIFY(m.boxes.shown.isEmpty());
}

void TestEditingWindow::aClickThatSlipsAPixelDeletesTheScriptItChose()
{
    TempProgramFolder folder;
    const SampleLibrary l(folder);
    MainWindowUnderTest m(folder);
    m->Tree->expandAll();
    QWidget* viewport = m->Tree->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {},
                      m->Tree->visualItemRect(m.node(scriptKey(l.reloj))).center());
    QCOMPARE(m->id, QString::number(l.reloj));

    // A hand that slips while clicking: press, one pixel right, then one down, release.
    editing::TreeDrag* drag = m->editingCommands->drag();
    const QPoint press = m->Tree->visualItemRect(m.node(scriptKey(l.menu))).center();
    QTest::mousePress(viewport, Qt::LeftButton, {}, press);
    QTest::mouseMove(viewport, press + QPoint(1, 0));
    QTest::mouseMove(viewport, press + QPoint(1, 1));
    QVERIFY(!drag->isDragging() && !QApplication::overrideCursor());
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, press + QPoint(1, 1));
    QCOMPARE(m.current(), scriptKey(l.menu));
    QCOMPARE(m->id, QString::number(l.menu));
    QVERIFY(TempProgramFolder::readFile(folder.filePath(u"js.htm"_s)).contains("d'O'Brien"));

    // The drag itself starts at the system's drag distance, not a pixel before.
    const QPoint far = press + QPoint(QApplication::startDragDistance(), 0);
    QTest::mousePress(viewport, Qt::LeftButton, {}, press);
    QTest::mouseMove(viewport, far - QPoint(1, 0));
    QVERIFY(!drag->isDragging());
    QTest::mouseMove(viewport, far);
    QVERIFY(drag->isDragging());
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, far);
    QVERIFY(!drag->isDragging());

    m.boxes.answer(QMessageBox::Yes);
    m->opciones->boton_borrar->click();
    QVERIFY(!m.node(scriptKey(l.menu)) && m.node(scriptKey(l.reloj)));
    QCOMPARE(m.current(), categoryKey(l.desplegables));
    QVERIFY(m->id.isEmpty());
    auto store = library::LibraryStore::open(folder.libraryPath());
    QVERIFY(!store->script(l.menu));
    QCOMPARE(store->script(l.reloj)->idCategoria, l.relojes);
}

void TestEditingWindow::treeKeepsSpanishNameOrderAfterSavesAndMoves()
{
    TempProgramFolder folder;
    const qint64 botones = folder.addCategory(0, u"Botones"_s);
    folder.addCategory(0, u"Ñandúes"_s);
    const qint64 arboles = folder.addCategory(0, u"Árboles"_s);
    folder.addCategory(botones, u"Zócalos"_s);
    const qint64 type = folder.addType(u"Visual"_s);
    folder.addScript(botones, type, u"Oso"_s);
    const qint64 nube = folder.addScript(botones, type, u"Nube azul"_s);
    const qint64 nacar = folder.addScript(arboles, type, u"Nácar"_s);
    MainWindowUnderTest m(folder);
    EditorPanel* panel = panelOf(m);
    QCOMPARE(childNames(m, library::RootKey),
             (QStringList{u"Árboles"_s, u"Botones"_s, u"Ñandúes"_s}));
    // A new script lands at its place at once, after the categories; an edited name moves.
    m->opciones->boton_insertar->click();
    panel->Text_nombre->setText(u"Ñu"_s);
    panel->list_categoria->setCurrentText(u"Botones"_s);
    {
        ModalCloser modals;
        m->opciones->boton_aceptar->click();
    }
    m.click(scriptKey(nube));
    m->opciones->boton_Editar->click();
    panel->Text_nombre->setText(u"Ábaco"_s);
    m->opciones->boton_aceptar->click();
    // A script dragged into the category goes between the others, not at the end.
    m.drag(scriptKey(nacar), {categoryKey(botones)});
    QCOMPARE(childNames(m, categoryKey(botones)),
             (QStringList{u"Zócalos"_s, u"Ábaco"_s, u"Nácar"_s, u"Ñu"_s, u"Oso"_s}));
    QVERIFY(m.boxes.shown.isEmpty());
    const QString running = m.tree();
    MainWindowUnderTest again(folder);
    QCOMPARE(again.tree(), running);
}

void TestEditingWindow::rightClickInEveryEditorInsertsTheChosenFile()
{
    TempProgramFolder folder;
    platform::ScriptedFileDialogs dialogs;
    EditorPanel panel;
    panel.resize(900, 600);
    panel.show();
    panel.relatedFiles()->setSession(nullptr, false, 0);
    for (const QString& name : {u"uno.gif"_s, u"dos.gif"_s, u"tres.jpg"_s}) {
        TempProgramFolder::writeFile(folder.filePath(name), "x");
        dialogs.names = {folder.filePath(name)};
        panel.relatedFiles()->boton_anadir_fichero_Click();
    }
    const QList<QsciScintilla*> editors = panel.editors();
    for (int i = 0; i < editors.size(); ++i) {
        panel.tabscript->setCurrentIndex(i);
        QsciScintilla* editor = editors[i];
        editor->setText(u"<img src=\"X\">"_s);
        editor->setSelection(0, 10, 0, 11); // the X
        QStringList captions;
        whenMenuOpens([&](QMenu* menu) {
            for (QAction* a : menu->actions())
                captions.append(a->text());
            chooseItem(menu, 2);
        });
        QTest::mouseClick(editor->viewport(), Qt::RightButton, {}, QPoint(30, 5));
        QCOMPARE(captions, items(panel.list_ficheros));
        // Nothing selected: inserted at the caret. Dismissed: nothing.
        editor->setCursorPosition(0, 0);
        whenMenuOpens([](QMenu* menu) { chooseItem(menu, 3); });
        QTest::mouseClick(editor->viewport(), Qt::RightButton, {}, QPoint(30, 5));
        whenMenuOpens([](QMenu* menu) { chooseItem(menu, 0); });
        QTest::mouseClick(editor->viewport(), Qt::RightButton, {}, QPoint(30, 5));
        QCOMPARE(editor->text(), u"resources/tres.jpg<img src=\"resources/dos.gif\">"_s);
    }
    // The menu itself: a greyed item cannot be chosen, a dismissed menu gives 0, and without
    // a position it opens at the pointer.
    PopupCreator popup;
    popup.AddMenu(u"uno.gif"_s, true, false, false);
    popup.AddMenu(u"gris.gif"_s, false, false, false);
    popup.AddMenu(u"marcado.gif"_s, true, true, false);
    QPoint at;
    whenMenuOpens([&](QMenu* menu) {
        at = menu->pos();
        QVERIFY(menu->actions().at(2)->isChecked());
        chooseItem(menu, 2);
        chooseItem(menu, menu->isVisible() ? 3 : 1);
    });
    QCOMPARE(popup.OpenPopup(120, 90), 3);
    QCOMPARE(at, QPoint(120, 90));
    QCursor::setPos(200, 150);
    whenMenuOpens([&](QMenu* menu) {
        at = menu->pos();
        chooseItem(menu, 0);
    });
    QCOMPARE(popup.OpenPopup(-1, 40), 0);
    QCOMPARE(at, QPoint(200, 150));
}

void TestEditingWindow::relatedFilesAreStoredOnceAndSharedFilesKept()
{
    TempProgramFolder folder;
    const qint64 cat = folder.addCategory(0, u"A"_s);
    const qint64 type = folder.addType(u"Efecto"_s);
    const qint64 id = ScriptBuilder(u"Guardado"_s)
                          .in(cat)
                          .type(type)
                          .file(u"compartido.gif"_s, "x")
                          .file(u"propio.gif"_s, "x")
                          .file(u"doble.gif"_s, "x")
                          .file(u"doble.gif"_s)
                          .addTo(folder);
    ScriptBuilder(u"Otro"_s).in(cat).type(type).file(u"compartido.gif"_s).addTo(folder);
    folder.writeResource(u"Logo.gif"_s, "viejo");
    folder.writeResource(u"ajeno.gif"_s, "ajeno");
    QDir(folder.path()).mkpath(u"fuera"_s);
    for (const char* name : {"fuera/Logo.gif", "fuera/logo.gif"})
        TempProgramFolder::writeFile(folder.filePath(QString::fromUtf8(name)), name);
    folder.closeLibrary();
    auto store = library::LibraryStore::open(folder.libraryPath());
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    EditorPanel panel;
    exporting::RelatedFilesList* files = panel.relatedFiles();
    files->setSession(store.get(), true, id);
    files->LoadRelatedFilesList();
    const auto stored = [&] {
        QStringList names;
        for (const auto& row : store->relatedFiles(id))
            names.append(row.nombre);
        return names;
    };
    const auto remove = [&](const QString& name,
                            std::initializer_list<QMessageBox::StandardButton> answers) {
        panel.list_ficheros->setCurrentItem(
            panel.list_ficheros->findItems(name, Qt::MatchExactly).value(0));
        for (auto answer : answers)
            boxes.answer(answer);
        files->boton_borrar_fichero_Click();
    };
    // Same name elsewhere: asked; No keeps the library's file, Yes replaces it; one row.
    // Letter case makes another name; the library's own copy is neither asked for nor copied.
    for (auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        dialogs.names = {folder.filePath(u"fuera/Logo.gif"_s)};
        boxes.answer(answer);
        files->boton_anadir_fichero_Click();
    }
    dialogs.names = {folder.filePath(u"fuera/logo.gif"_s),
                     folder.filePath(u"fuera/../resources//ajeno.gif"_s), QString()};
    for (int i = 0; i < 3; ++i)
        files->boton_anadir_fichero_Click();
    QCOMPARE(boxes.shown.size(), 2);
    QCOMPARE(boxes.shown.first().text,
             u"Este fichero ya existe en destino\n¿Desea sobreescribir?"_s);
    QCOMPARE(TempProgramFolder::readFile(folder.resourcesPath() + u"Logo.gif"_s),
             QByteArray("fuera/Logo.gif"));
    QCOMPARE(TempProgramFolder::readFile(folder.resourcesPath() + u"ajeno.gif"_s),
             QByteArray("ajeno"));
    QCOMPARE(items(panel.list_ficheros), stored());
    QCOMPARE(stored(), (QStringList{u"compartido.gif"_s, u"propio.gif"_s, u"doble.gif"_s,
                                    u"doble.gif"_s, u"Logo.gif"_s, u"logo.gif"_s, u"ajeno.gif"_s}));

    // Shared with another script, or listed twice: only the row goes, nothing more is asked.
    remove(u"compartido.gif"_s, {QMessageBox::Yes});
    remove(u"doble.gif"_s, {QMessageBox::Yes});
    QCOMPARE(boxes.shown.size(), 4);
    // Its own file: No keeps the file, the row goes all the same; a No first does nothing.
    remove(u"propio.gif"_s, {QMessageBox::Yes, QMessageBox::No});
    QCOMPARE(boxes.shown.last().text, u"¿Desea borrar tambien el fichero del directorio?"_s);
    remove(u"doble.gif"_s, {QMessageBox::No});
    QCOMPARE(items(panel.list_ficheros), stored());
    QCOMPARE(stored(), (QStringList{u"doble.gif"_s, u"Logo.gif"_s, u"logo.gif"_s, u"ajeno.gif"_s}));
    remove(u"doble.gif"_s, {QMessageBox::Yes, QMessageBox::Yes});
    QCOMPARE(QDir(folder.resourcesPath()).entryList(QDir::Files, QDir::Name),
             (QStringList{u"Logo.gif"_s, u"ajeno.gif"_s, u"compartido.gif"_s, u"logo.gif"_s,
                          u"propio.gif"_s}));
    QVERIFY(!panel.boton_borrar_fichero->isEnabled());

    // A new script's list is only a list: removing from it never touches the folder.
    files->setSession(store.get(), false, 0);
    files->clear();
    dialogs.names = {folder.filePath(u"fuera/logo.gif"_s)};
    boxes.answer(QMessageBox::Yes);
    files->boton_anadir_fichero_Click();
    remove(u"logo.gif"_s, {QMessageBox::Yes});
    QVERIFY(items(panel.list_ficheros).isEmpty());
    QVERIFY(QFile::exists(folder.resourcesPath() + u"logo.gif"_s));
    QCOMPARE(store->scriptsByName().size(), size_t(2));
    QCOMPARE(store->relatedFiles(id).size(), size_t(3));
}

QTEST_MAIN(TestEditingWindow)
#include "test_editing_window.moc"
