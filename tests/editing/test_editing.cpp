#include "base/files.h"
#include "base/module1.h"
#include "browser/buttonbar.h"
#include "browser/twips.h"
#include "editing/categorypaths.h"
#include "editing/editcommands.h"
#include "editing/editormenu.h"
#include "editing/editorpanel.h"
#include "editing/elidingcombo.h"
#include "editing/qsci.h"
#include "editing/relatedfiles.h"
#include "editing/resourcefiles.h"
#include "editing/scriptdelete.h"
#include "editing/scriptsave.h"
#include "editing/sharedfiles.h"
#include "editing/treedrag.h"
#include "library/collation.h"
#include "library/libraryfile.h"
#include "library/librarystore.h"
#include "library/nodekey.h"
#include "tests/support/mainwindow.h"
#include "tests/support/scriptbuilder.h"
#include "tests/support/textfit.h"

#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <sys/stat.h>

using namespace editing;
using namespace Qt::StringLiterals;
using namespace std::string_literals;
using library::categoryKey;
using library::scriptKey;

namespace {

const QString Browsing = u"insertar Editar* exportar* borrar* enviar* Salir"_s;
const QString Chosen = u"insertar Editar exportar borrar enviar Salir"_s;
QStringList items(const QAbstractItemModel* model)
{
    QStringList texts;
    for (int i = 0; i < model->rowCount(); ++i)
        texts << model->index(i, 0).data().toString();
    return texts;
}

QStringList items(const QTreeWidgetItem* node)
{
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

QStringList fileRows(library::LibraryStore& store, qint64 scriptId)
{
    QStringList names;
    for (const auto& row : store.relatedFiles(scriptId))
        names << row.nombre;
    return names;
}

std::unique_ptr<library::LibraryStore> reopen(TempProgramFolder& folder)
{
    folder.closeLibrary();
    return library::LibraryStore::open(folder.libraryPath());
}

} // namespace

class TestEditing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editorNeedsCategoriesAndTypesAndSavesEachScriptOnce();
    void deletingActsOnTheScriptsOwnNodeAndNeverAsksTheRootForItsParent();
    void draggingMovesOnlyScriptsOntoCategories();
    void aClickThatSlipsAPixelDeletesTheScriptItChose();
    void rightClickInEveryEditorInsertsTheChosenFile();
    void rightClickOffersTheStandardEditingItems();
    void relatedFilesAreStoredOnceAndSharedFilesKept();
    void saveStoresAllOfTheEditorOrNothing();
    void deletingKeepsEveryFileAnotherScriptNames();
    void aFileIsFreedOnlyWhenNoOtherRowNamesIt();
    void relatedFilesStayBareRegularFilesInTheResourcesFolder();
    void nothingIsDeletedOrDiscardedByAReflex();
    void categoryListIsTheTreeAsPaths();
    void editorFieldsUseTheRoomTheyHave();
    void aLibraryInUseIsSaidInSpanish();
};

void TestEditing::editorNeedsCategoriesAndTypesAndSavesEachScriptOnce()
{
    TempProgramFolder folder;
    for (const QString& missing : {u"categoría"_s, u"tipo"_s}) {
        MainWindowUnderTest m(folder);
        m->opciones()->boton_insertar()->click();
        QVERIFY(m.boxes.shown.value(0).text.contains(missing) && !m->Frame2()->isVisible());
        QCOMPARE(m.buttons(), Browsing);
        if (missing == u"categoría"_s)
            folder.addCategory(0, u"Sola"_s);
    }
    const SampleLibrary l(folder);
    QString running;
    {
        MainWindowUnderTest m(folder);
        EditorPanel* panel = m->Frame2();
        ModalCloser modals;
        m->opciones()->boton_insertar()->click();
        QCOMPARE(m.buttons(), u"aceptar preview Cancelar"_s);
        QCOMPARE(items(panel->list_categoria()->model()),
                 (QStringList{u"Menús"_s, u"Menús / Desplegables"_s, u"Relojes"_s, u"Sola"_s}));
        m->opciones()->boton_aceptar()->click(); // refused without a name; the editor stays
        QVERIFY(m.boxes.shown.value(0).text == u"Debe de Indicar un nombre"_s &&
                panel->isVisible());
        // A new script with two files: one row, one node at its place, the form to send it.
        panel->Text_nombre()->setText(u"Nieve 'cayendo'"_s);
        panel->list_categoria()->setCurrentText(u"Relojes"_s);
        for (const QString& name : {u"copo.gif"_s, u"fondo.jpg"_s}) {
            TempProgramFolder::writeFile(folder.filePath(name), "x");
            m.dialogs.names = {folder.filePath(name)};
            panel->boton_anadir_fichero()->click();
        }
        m->opciones()->boton_aceptar()->click();
        QCOMPARE(modals.opened, QStringList{u"frmenviarscript"_s});
        QCOMPARE(fileRows(*m->cn(), m->id().toLongLong()),
                 (QStringList{u"copo.gif"_s, u"fondo.jpg"_s}));
        QCOMPARE(m.current(), scriptKey(m->id().toLongLong()));
        QCOMPARE(m.buttons(), Chosen);
        // A stored script: its own type first; what "Cancelar" drops is not kept.
        m.click(scriptKey(l.menu));
        m->opciones()->boton_Editar()->click();
        QCOMPARE(items(panel->list_tipo()->model()), (QStringList{u"Visual"_s, u"Efecto"_s}));
        panel->Text_nombre()->setText(u"Cambiado"_s);
        m.boxes.answer(QMessageBox::Yes);
        m->opciones()->boton_salir(1)->click();
        m->opciones()->boton_Editar()->click();
        QCOMPARE(panel->Text_nombre()->text(), u"Menú d'O'Brien"_s);
        // Saved under another name and category: the node moves there once.
        panel->Text_nombre()->setText(u"Menú analógico"_s);
        panel->list_categoria()->setCurrentText(u"Relojes"_s);
        m->opciones()->boton_aceptar()->click();
        QCOMPARE(items(m.node(categoryKey(l.desplegables))), QStringList());
        QCOMPARE(items(m.node(categoryKey(l.relojes))),
                 (QStringList{u"Menú analógico"_s, u"Nieve 'cayendo'"_s, u"Reloj digital"_s}));
        QCOMPARE(modals.opened.size(), 1);
        QCOMPARE(m.buttons(), Chosen);
        running = m.tree();
    }
    MainWindowUnderTest again(folder); // a restart shows what the running tree showed
    QCOMPARE(again.tree(), running);
}

void TestEditing::deletingActsOnTheScriptsOwnNodeAndNeverAsksTheRootForItsParent()
{
    TempProgramFolder folder;
    const SampleLibrary l(folder);
    folder.addFile(l.menu, u"reloj.gif"_s);
    folder.addFile(l.reloj, u"propio.gif"_s);
    folder.writeResource(u"propio.gif"_s, "x");
    {
        // The script remembered after "Cancelar", a category selected: the script's node goes.
        MainWindowUnderTest m(folder);
        m.click(scriptKey(l.reloj));
        m.click(categoryKey(l.menus));
        m->opciones()->boton_insertar()->click();
        m->opciones()->boton_salir(1)->click();
        m.boxes.answer(QMessageBox::Yes);
        m->opciones()->boton_borrar()->click();
        QCOMPARE(m.boxes.shown.last().text, u"¿Esta seguro de  borrar este Script?"_s);
        QVERIFY(!m.node(scriptKey(l.reloj)) && m.node(categoryKey(l.menus)) && m->id().isEmpty());
        QCOMPARE(m->DropHighlight(), m.node(categoryKey(l.relojes)));
        QCOMPARE(m.buttons(), Browsing);
        QVERIFY(QFile::exists(folder.resourcesPath() + u"reloj.gif"_s)); // the menu names it
        QVERIFY(!QFile::exists(folder.resourcesPath() + u"propio.gif"_s));
    }
    // A script filed under the root, its category missing: deleting it leaves the root marked.
    folder.db().execute("UPDATE scripts SET id_categoria = 999");
    MainWindowUnderTest m(folder);
    QCOMPARE(m.node(scriptKey(l.menu))->parent(), m.node(library::RootKey));
    m.click(scriptKey(l.menu));
    m.boxes.answer(QMessageBox::Yes);
    m->opciones()->boton_borrar()->click();
    QCOMPARE(m->DropHighlight(), m.node(library::RootKey));
    QVERIFY(m->cn()->scriptsByName().empty() && m->cn()->relatedFiles(l.reloj).empty());
}

void TestEditing::draggingMovesOnlyScriptsOntoCategories()
{
    TempProgramFolder folder;
    const SampleLibrary l(folder);
    MainWindowUnderTest m(folder);
    const QString reloj = scriptKey(l.reloj), root = library::RootKey;
    const QString relojes = categoryKey(l.relojes), menus = categoryKey(l.menus),
                  desplegables = categoryKey(l.desplegables);
    const auto stored = [&] { return reopen(folder)->script(l.reloj)->idCategoria; };
    // Not from a category or the root, nor with the right button.
    m.drag(relojes, {menus});
    m.drag(root, {menus});
    for (const auto& [type, key] : {std::pair{QEvent::MouseButtonPress, reloj},
                                    {QEvent::MouseMove, menus},
                                    {QEvent::MouseButtonRelease, menus}}) {
        const QPoint at = m->Tree()->visualItemRect(m.node(key)).center();
        QMouseEvent event(type, at, m->Tree()->viewport()->mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::RightButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::RightButton, {});
        QApplication::sendEvent(m->Tree()->viewport(), &event);
    }
    // Over scripts and the root nothing is marked, and released there nothing moves; a mark
    // left by a click is no target.
    m.drag(reloj, {menus, scriptKey(l.menu), root});
    QVERIFY(!m->DropHighlight());
    m.click(desplegables);
    m.drag(reloj, {reloj});
    QCOMPARE(m.node(reloj)->parent(), m.node(relojes));
    QCOMPARE(stored(), l.relojes);
    // Onto a nested category, then onto its own: the row and the node move once.
    m.drag(reloj, {menus, desplegables});
    m.drag(reloj, {desplegables});
    QCOMPARE(items(m.node(desplegables)), (QStringList{u"Menú d'O'Brien"_s, u"Reloj digital"_s}));
    QVERIFY(!m->DropHighlight() && m.boxes.shown.isEmpty());
    QCOMPARE(stored(), l.desplegables);
}

void TestEditing::aClickThatSlipsAPixelDeletesTheScriptItChose()
{
    TempProgramFolder folder;
    const SampleLibrary l(folder);
    MainWindowUnderTest m(folder);
    QWidget* viewport = m->Tree()->viewport();
    m.click(scriptKey(l.reloj));
    const QPoint press = m->Tree()->visualItemRect(m.node(scriptKey(l.menu))).center();
    // A hand that slips while clicking: press, one pixel right, then one down, release.
    const TreeDrag* drag = m->findChild<TreeDrag*>();
    QVERIFY(drag);
    QTest::mousePress(viewport, Qt::LeftButton, {}, press);
    for (const QPoint slip : {QPoint(1, 0), QPoint(1, 1)})
        QTest::mouseMove(viewport, press + slip);
    QVERIFY(!drag->isDragging() && !QApplication::overrideCursor());
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, press + QPoint(1, 1));
    QCOMPARE(m.current(), scriptKey(l.menu));
    QCOMPARE(m->id(), QString::number(l.menu));
    QVERIFY(TempProgramFolder::readFile(folder.filePath(u"js.htm"_s)).contains("d'O'Brien"));
    // The drag itself starts at the system's drag distance, not a pixel before.
    const QPoint far = press + QPoint(QApplication::startDragDistance(), 0);
    QTest::mousePress(viewport, Qt::LeftButton, {}, press);
    QTest::mouseMove(viewport, far - QPoint(1, 0));
    QVERIFY(!drag->isDragging());
    QTest::mouseMove(viewport, far);
    QVERIFY(drag->isDragging());
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, far);
    m.boxes.answer(QMessageBox::Yes);
    m->opciones()->boton_borrar()->click();
    QCOMPARE(m.current(), categoryKey(l.desplegables));
    auto store = reopen(folder);
    QVERIFY(!store->script(l.menu) && store->script(l.reloj));
}

void TestEditing::rightClickInEveryEditorInsertsTheChosenFile()
{
    TempProgramFolder folder;
    platform::ScriptedFileDialogs dialogs;
    EditorPanel panel(folder.resourcesPath());
    panel.show();
    panel.relatedFiles()->setSession(nullptr, false, 0);
    for (const QString& name : {u"uno.gif"_s, u"dos.gif"_s, u"tres.jpg"_s}) {
        TempProgramFolder::writeFile(folder.filePath(name), "x");
        dialogs.names = {folder.filePath(name)};
        panel.relatedFiles()->boton_anadir_fichero_Click();
    }
    for (QsciScintilla* editor : panel.editors()) {
        panel.tabscript()->setCurrentIndex(int(panel.editors().indexOf(editor)));
        editor->setText(u"<img src=\"X\">"_s);
        editor->setSelection(0, 10, 0, 11); // the X
        // The chosen file replaces the selection, then goes in at the caret; Escape adds none.
        for (int chosen : {EditorMenu::FirstFile + 1, EditorMenu::FirstFile + 2, 0}) {
            whenMenuOpens([chosen](QMenu* menu) { chooseItem(menu, chosen); });
            QTest::mouseClick(editor->viewport(), Qt::RightButton, {}, QPoint(30, 5));
            editor->setCursorPosition(0, 0);
        }
        QCOMPARE(editor->text(), u"resources/tres.jpg<img src=\"resources/dos.gif\">"_s);
    }
}

void TestEditing::rightClickOffersTheStandardEditingItems()
{
    TempProgramFolder folder;
    EditorPanel panel(folder.resourcesPath());
    panel.show();
    panel.relatedFiles()->setSession(nullptr, false, 0);
    QsciScintilla* editor = panel.editors().value(1);
    panel.tabscript()->setCurrentIndex(1);
    QApplication::clipboard()->clear();
    // What the menu offers, a star after a disabled item; and what picking `chosen` does.
    const auto rightClick = [&](int chosen) {
        QStringList items;
        whenMenuOpens([&items, chosen](QMenu* menu) {
            for (QAction* a : menu->actions()) {
                if (!a->isSeparator())
                    items << a->text() + (a->isEnabled() ? u""_s : u"*"_s);
            }
            chooseItem(menu, chosen);
        });
        QTest::mouseClick(editor->viewport(), Qt::RightButton, {}, QPoint(30, 5));
        return items.join(u", "_s);
    };
    // An empty editor, nothing to paste and no related files: the items show, greyed.
    QCOMPARE(rightClick(0), u"Deshacer\tCtrl+Z*, Rehacer\tCtrl+Y*, Cortar\tCtrl+X*, "
                            "Copiar\tCtrl+C*, Pegar\tCtrl+V*, Eliminar\tSupr*, "
                            "Seleccionar todo\tCtrl+A*"_s);
    QTest::keyClicks(editor, u"var reloj = 1;"_s);
    editor->setSelection(0, 4, 0, 9); // "reloj"
    QCOMPARE(rightClick(EditorMenu::Copiar),
             u"Deshacer\tCtrl+Z, Rehacer\tCtrl+Y*, Cortar\tCtrl+X, Copiar\tCtrl+C, "
             "Pegar\tCtrl+V*, Eliminar\tSupr, Seleccionar todo\tCtrl+A"_s);
    QCOMPARE(QApplication::clipboard()->text(), u"reloj"_s);
    // The selection stayed: Eliminar takes it, Pegar puts the copy at the caret.
    rightClick(EditorMenu::Eliminar);
    QCOMPARE(editor->text(), u"var  = 1;"_s);
    rightClick(EditorMenu::Pegar);
    QCOMPARE(editor->text(), u"var reloj = 1;"_s);
    rightClick(EditorMenu::Deshacer);
    QCOMPARE(editor->text(), u"var  = 1;"_s);
    QVERIFY(rightClick(EditorMenu::Rehacer).contains(u"Rehacer\tCtrl+Y,"_s));
    QCOMPARE(editor->text(), u"var reloj = 1;"_s);
    rightClick(EditorMenu::SeleccionarTodo);
    QCOMPARE(editor->selectedText(), u"var reloj = 1;"_s);
    rightClick(EditorMenu::Cortar);
    QCOMPARE(editor->text(), QString());
    QCOMPARE(QApplication::clipboard()->text(), u"var reloj = 1;"_s);
    // With related files they follow the standard items, and Escape does nothing.
    TempProgramFolder::writeFile(folder.filePath(u"uno.gif"_s), "x");
    platform::ScriptedFileDialogs dialogs;
    dialogs.names = {folder.filePath(u"uno.gif"_s)};
    panel.relatedFiles()->boton_anadir_fichero_Click();
    QVERIFY(rightClick(0).endsWith(u"Seleccionar todo\tCtrl+A*, uno.gif"_s));
    QCOMPARE(editor->text(), QString());
}

void TestEditing::relatedFilesAreStoredOnceAndSharedFilesKept()
{
    TempProgramFolder folder;
    const SampleLibrary l(folder); // the clock and the menu will share reloj.gif
    for (const char* name : {"reloj.gif", "propio.gif", "doble.gif", "doble.gif"})
        folder.addFile(name == "reloj.gif"s ? l.menu : l.reloj, QString::fromUtf8(name));
    for (const char* name : {"propio.gif", "doble.gif", "Logo.gif", "ajeno.gif"})
        folder.writeResource(QString::fromUtf8(name), name);
    QDir(folder.path()).mkpath(u"fuera"_s);
    for (const QString& name : {u"fuera/Logo.gif"_s, u"fuera/logo.gif"_s})
        TempProgramFolder::writeFile(folder.filePath(name), name.toUtf8());
    auto store = reopen(folder);
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    EditorPanel panel(folder.resourcesPath());
    RelatedFilesList* files = panel.relatedFiles();
    files->setSession(store.get(), true, l.reloj);
    files->LoadRelatedFilesList();
    const auto remove = [&](const QString& name, QList<QMessageBox::StandardButton> answers) {
        panel.list_ficheros()->setCurrentItem(panel.list_ficheros()->findItems(name, {}).value(0));
        for (auto answer : answers)
            boxes.answer(answer);
        files->boton_borrar_fichero_Click();
    };
    // Same name elsewhere: asked; No keeps the library's file, Yes replaces it; one row. Letter
    // case makes another name; the library's own copy is neither asked for nor copied.
    for (const char* name : {"fuera/Logo.gif", "fuera/Logo.gif", "fuera/logo.gif",
                             "fuera/../resources//ajeno.gif", ""})
        dialogs.names << (*name ? folder.filePath(QString::fromUtf8(name)) : QString());
    boxes.answer(QMessageBox::No);
    boxes.answer(QMessageBox::Yes);
    for (int i = 0; i < 5; ++i)
        files->boton_anadir_fichero_Click();
    QCOMPARE(boxes.shown.size(), 2);
    QCOMPARE(boxes.shown[0].text, u"Este fichero ya existe en destino\n¿Desea sobreescribir?"_s);
    // Any file may be chosen, in a dialog that says what it is for.
    QCOMPARE(dialogs.requests.value(0).title, u"Añadir fichero"_s);
    QCOMPARE(dialogs.requests.value(0).filter, u"Todos los ficheros (*)"_s);
    QCOMPARE(TempProgramFolder::readFile(folder.resourcesPath() + u"Logo.gif"_s),
             QByteArray("fuera/Logo.gif"));
    // Shared with another script, or listed twice: only the row goes, nothing more is asked.
    // Its own file: No keeps it, the row goes all the same; a No first does nothing.
    remove(u"reloj.gif"_s, {QMessageBox::Yes});
    remove(u"doble.gif"_s, {QMessageBox::Yes});
    remove(u"propio.gif"_s, {QMessageBox::Yes, QMessageBox::No});
    remove(u"doble.gif"_s, {QMessageBox::No});
    QCOMPARE(boxes.shown.size(), 7);
    QCOMPARE(boxes.shown[5].text, u"¿Desea borrar tambien el fichero del directorio?"_s);
    remove(u"doble.gif"_s, {QMessageBox::Yes, QMessageBox::Yes});
    QCOMPARE(fileRows(*store, l.reloj),
             (QStringList{u"Logo.gif"_s, u"logo.gif"_s, u"ajeno.gif"_s}));
    QCOMPARE(items(panel.list_ficheros()->model()), fileRows(*store, l.reloj));
    QCOMPARE(QDir(folder.resourcesPath()).entryList(QDir::Files, QDir::Name),
             (QStringList{u"Logo.gif"_s, u"ajeno.gif"_s, u"logo.gif"_s, u"propio.gif"_s,
                          u"reloj.gif"_s}));
}

void TestEditing::saveStoresAllOfTheEditorOrNothing()
{
    TempProgramFolder folder;
    const SampleLibrary l(folder);
    // The second file row fails after the script row has been written.
    folder.db().execute("UPDATE scripts SET nombre_fichero = 'externo.js'; CREATE TRIGGER falla "
                        "BEFORE INSERT ON ficheros WHEN NEW.nombre = 'boom.gif' "
                        "BEGIN SELECT RAISE(ABORT, 'fallo provocado'); END;");
    const qint64 quoted = folder.addCategory(0, u"d'O'Brien"_s);
    auto store = reopen(folder);
    EditorContents c{u" "_s,      u"Todos"_s, quoted,
                     u"Efecto"_s, u"h()"_s,   u"onload=x"_s,
                     u"<i>"_s,    u"Ayuda"_s, {u"a.gif"_s, u"it's.jpg"_s}};
    const SaveOutcome added = storeScript(*store, 0, c);
    QCOMPARE(added.categoryId, quoted);
    const library::Script s = reopen(folder)->script(added.scriptId).value_or(library::Script());
    QCOMPARE((QStringList{s.nombre, s.scriptHead, s.scriptBody, s.scriptHtml, s.scriptAyuda}),
             (QStringList{c.nombre, c.scriptHead, c.scriptBody, c.scriptHtml, c.scriptAyuda}));
    // An edit moves the row, replaces its file rows and keeps its external file name.
    store = reopen(folder);
    c.categoriaId = l.desplegables;
    QCOMPARE(storeScript(*store, l.reloj, c).categoryId, l.desplegables);
    QCOMPARE(store->script(l.reloj)->nombreFichero, u"externo.js"_s);
    QCOMPARE(fileRows(*store, l.reloj), c.files);
    // Refused or failed half-way, new or edited: nothing of it is stored; the message says why.
    const std::tuple<QString, qint64, QString, SaveStatus, QString> refused[] = {
        {QString(), l.menus, u"Efecto"_s, SaveStatus::EmptyName, u"Debe de Indicar un nombre"_s},
        {u"x"_s, 999, u"Efecto"_s, SaveStatus::UnknownCategory, u"ya no está en la biblioteca"_s},
        {u"x"_s, 0, u"Efecto"_s, SaveStatus::UnknownCategory, u"Elija una categoría"_s},
        {u"x"_s, l.menus, u"Efecto'"_s, SaveStatus::UnknownType, u"\"Efecto'\""_s},
        {u"x"_s, l.menus, u"Efecto"_s, SaveStatus::Failed, u"fallo provocado"_s}};
    c.files = QStringList{u"c.gif"_s, u"boom.gif"_s};
    for (const auto& [nombre, categoria, tipo, status, message] : refused) {
        std::tie(c.nombre, c.categoriaId, c.tipo) = std::tie(nombre, categoria, tipo);
        for (qint64 id : {qint64(0), l.reloj}) {
            const SaveOutcome outcome = storeScript(*store, id, c);
            QCOMPARE(outcome.status, status);
            QVERIFY2(saveMessage(outcome, c).contains(message), qPrintable(message));
        }
    }
    store = reopen(folder);
    QCOMPARE(store->scriptsByName().size(), size_t(3));
    QCOMPARE(store->script(l.reloj)->idCategoria, l.desplegables);
    QCOMPARE(fileRows(*store, l.reloj), (QStringList{u"a.gif"_s, u"it's.jpg"_s}));
    // A script deleted meanwhile is not brought back.
    store->deleteScript(l.reloj);
    QCOMPARE(storeScript(*store, l.reloj, c).status, SaveStatus::MissingScript);
    QVERIFY(!store->script(l.reloj));
}

void TestEditing::deletingKeepsEveryFileAnotherScriptNames()
{
    TempProgramFolder folder;
    const SampleLibrary l(folder); // the menu will name the clock's file
    // Shared, related twice, missing, unremovable, outside the folder.
    for (const char* name : {"reloj.gif", "propio.gif", "propio.gif", "o'neil.gif", "falta.gif",
                             "bloqueado.gif", "../fuera.gif"})
        folder.addFile(name == "reloj.gif"s ? l.menu : l.reloj, QString::fromUtf8(name));
    folder.writeResource(u"propio.gif"_s, "x");
    folder.writeResource(u"o'neil.gif"_s, "x");
    QVERIFY(QDir(folder.resourcesPath()).mkpath(u"bloqueado.gif/dentro"_s));
    TempProgramFolder::writeFile(folder.filePath(u"fuera.gif"_s), "x");
    auto store = reopen(folder);
    const DeleteOutcome outcome = deleteScriptWithFiles(*store, l.reloj, folder.resourcesPath());
    QVERIFY(outcome.ok && outcome.filesKept.value(0).startsWith(u"bloqueado.gif: "_s));
    QCOMPARE(outcome.deletedFiles, (QStringList{u"propio.gif"_s, u"o'neil.gif"_s}));
    QCOMPARE(QDir(folder.resourcesPath()).entryList(QDir::Files), QStringList{u"reloj.gif"_s});
    QVERIFY(QFile::exists(folder.filePath(u"fuera.gif"_s)));
    store = reopen(folder);
    QVERIFY(!store->script(l.reloj) && fileRows(*store, l.reloj).isEmpty());
    // Rows that cannot be deleted: nothing on disk is touched.
    folder.db().execute("CREATE TRIGGER nunca BEFORE DELETE ON scripts "
                        "BEGIN SELECT RAISE(ABORT, 'no se borra'); END;");
    store = reopen(folder);
    const DeleteOutcome refused = deleteScriptWithFiles(*store, l.menu, folder.resourcesPath());
    QVERIFY(!refused.ok && refused.error.contains(u"no se borra"_s));
    QCOMPARE(fileRows(*store, l.menu), QStringList{u"reloj.gif"_s});
    QVERIFY(QFile::exists(folder.resourcesPath() + u"reloj.gif"_s));
}

void TestEditing::aFileIsFreedOnlyWhenNoOtherRowNamesIt()
{
    TempProgramFolder folder;
    const SampleLibrary l(folder);
    // The clock names a file of the menu's, one of its own twice, one whose name differs from
    // the menu's only in case, and one outside the folder.
    QHash<QString, QList<qint64>> rows;
    const std::pair<qint64, const char*> named[] = {
        {l.menu, "reloj.gif"},   {l.menu, "logo.gif"},     {l.reloj, "reloj.gif"},
        {l.reloj, "doble.gif"},  {l.reloj, "doble.gif"},   {l.reloj, "Logo.gif"},
        {l.reloj, "propio.gif"}, {l.reloj, "../fuera.gif"}};
    for (const auto& [script, name] : named)
        rows[QString::fromUtf8(name) + QString::number(script)]
            << folder.addFile(script, QString::fromUtf8(name));
    const auto clocks = [&](const char* name) {
        return rows.value(QString::fromUtf8(name) + QString::number(l.reloj));
    };
    auto store = reopen(folder);
    const QStringList before = fileRows(*store, l.reloj);
    QCOMPARE(filesFreedByDeleting(*store, l.reloj),
             (QStringList{u"doble.gif"_s, u"Logo.gif"_s, u"propio.gif"_s}));
    QCOMPARE(filesFreedByDeleting(*store, l.menu), QStringList{u"logo.gif"_s});
    const std::pair<QList<qint64>, QStringList> removals[] = {
        {clocks("reloj.gif"), {}},
        {{clocks("doble.gif").first()}, {}},
        {clocks("doble.gif"), {u"doble.gif"_s}},
        {clocks("propio.gif") + clocks("reloj.gif"), {u"propio.gif"_s}},
        {clocks("Logo.gif"), {u"Logo.gif"_s}},
        {clocks("../fuera.gif"), {}},
        {{}, {}}};
    for (const auto& [removed, freed] : removals)
        QCOMPARE(filesFreedByRemoving(*store, l.reloj, removed), freed);
    // Asking changes nothing.
    QCOMPARE(fileRows(*store, l.reloj), before);
}

void TestEditing::relatedFilesStayBareRegularFilesInTheResourcesFolder()
{
    for (const char* good : {"logo.gif", "it's a..b.gif", "año \"ñandú\" (1).gif"})
        QVERIFY2(Module1::IsBareFileName(QString::fromUtf8(good)), good);
    // Nothing that leaves the folder, and no control character: a name also travels in mail
    // headers and pages, where a line break would start a new line of its own.
    for (const char* bad : {"", ".", "..", "../x.gif", "a/b.gif", "a\\b.gif", "a\r\nX: 1.gif",
                            "tab\t.gif", "del\x7f.gif", "nel\xc2\x85.gif", "l\xe2\x80\xa8.gif"})
        QVERIFY2(!Module1::IsBareFileName(QString::fromUtf8(bad)), bad);
    QTemporaryDir dir;
    const QString resources = dir.filePath(u"resources/"_s), logo = resources + u"logo.gif"_s;
    const QString source = dir.filePath(u"logo.gif"_s), fifo = dir.filePath(u"tuberia.gif"_s);
    TempProgramFolder::writeFile(source, "nuevo");
    QVERIFY(!copyIntoResources(source, resources, u"../copia.gif"_s).ok);
    QVERIFY(!deleteResource(resources, u"../logo.gif"_s).ok && QFile::exists(source));
    QVERIFY(copyIntoResources(source, resources, u"logo.gif"_s).ok); // the folder is made
    // The library's own copy reached through a link is the same file, copied onto nothing.
    QVERIFY(QFile::link(resources, dir.filePath(u"enlace"_s)) && !files::IsSameFile(source, logo));
    QVERIFY(files::IsSameFile(dir.filePath(u"enlace/logo.gif"_s), logo));
    QVERIFY(copyIntoResources(dir.filePath(u"enlace/logo.gif"_s), resources, u"logo.gif"_s).ok);
    // A read-only file is replaced; a source that cannot be read, a FIFO that would block the
    // copy or a device that would never end it leave the library's file whole.
    QFile::setPermissions(logo, QFileDevice::ReadOwner);
    TempProgramFolder::writeFile(source, "otra versión");
    QVERIFY(copyIntoResources(source, resources, u"logo.gif"_s).ok);
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& odd : {dir.filePath(u"falta.gif"_s), fifo, u"/dev/zero"_s})
        QVERIFY(!copyIntoResources(odd, resources, u"logo.gif"_s).ok);
    QCOMPARE(TempProgramFolder::readFile(logo), QByteArray("otra versión"));
    QCOMPARE(QDir(resources).entryList(QDir::Files), QStringList{u"logo.gif"_s});
    QVERIFY(deleteResource(resources, u"logo.gif"_s).ok && !QFile::exists(logo));
}

void TestEditing::nothingIsDeletedOrDiscardedByAReflex()
{
    TempProgramFolder folder;
    const SampleLibrary l(folder);
    MainWindowUnderTest m(folder);
    m->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m.w));
    EditorPanel* panel = m->Frame2();
    const QString discard = u"¿Descartar los cambios del script?"_s;
    const auto asked = [&](int n) {
        QStringList texts;
        for (const platform::Message& box : m.boxes.shown.mid(n))
            texts << box.text + (box.defaultButton == QMessageBox::No ? u" [No]"_s : u" [Sí]"_s);
        return texts;
    };

    // Supr on a script in the tree is "Borrar Script", its question "No" by default; on a
    // category it does nothing.
    m.click(scriptKey(l.reloj));
    m->Tree()->setFocus();
    QTest::keyClick(m->Tree(), Qt::Key_Delete);
    QCOMPARE(asked(0), QStringList{u"¿Esta seguro de  borrar este Script? [No]"_s});
    QVERIFY(m->cn()->script(l.reloj) && m.node(scriptKey(l.reloj)));
    m.click(categoryKey(l.desplegables));
    QTest::keyClick(m->Tree(), Qt::Key_Delete);
    QCOMPARE(m.boxes.shown.size(), 1);
    m.click(scriptKey(l.menu));
    m.boxes.answer(QMessageBox::Yes);
    QTest::keyClick(m->Tree(), Qt::Key_Delete);
    QVERIFY(!m->cn()->script(l.menu) && !m.node(scriptKey(l.menu)));

    // The related file's question on a real box: Space answers "No", the file stays.
    m.click(scriptKey(l.reloj));
    QTest::mouseClick(m->opciones()->boton_Editar(), Qt::LeftButton);
    panel->tabscript()->setCurrentIndex(4);
    QTest::mouseClick(
        panel->list_ficheros()->viewport(), Qt::LeftButton, {},
        panel->list_ficheros()->visualItemRect(panel->list_ficheros()->topLevelItem(0)).center());
    QString question;
    platform::setMessageBoxes(nullptr);
    whenModalOpens<QMessageBox>([&](QMessageBox* box) {
        question = box->text();
        QTest::keyClick(box->focusWidget(), Qt::Key_Space);
    });
    QTest::mouseClick(panel->boton_borrar_fichero(), Qt::LeftButton);
    platform::setMessageBoxes(&m.boxes);
    QCOMPARE(question, u"¿Esta seguro de borrar este fichero?"_s);
    m->activateWindow(); // the box gone, the window has the keys again
    QVERIFY(QTest::qWaitForWindowActive(&m.w));
    QCOMPARE(fileRows(*m->cn(), l.reloj), QStringList{u"reloj.gif"_s});
    QVERIFY(QFile::exists(folder.resourcesPath() + u"reloj.gif"_s));

    // Escape in a changed editor asks; "No", the default, keeps the editor and its text. So
    // does closing the window.
    panel->tabscript()->setCurrentIndex(0);
    panel->script_head()->setFocus();
    QTest::keyClicks(panel->script_head(), u"var x;"_s);
    int before = int(m.boxes.shown.size());
    QTest::keyClick(panel->script_head(), Qt::Key_Escape);
    m->close();
    QCOMPARE(asked(before), (QStringList{discard + u" [No]"_s, discard + u" [No]"_s}));
    QVERIFY(m->isVisible() && panel->isVisible() &&
            panel->script_head()->text().contains(u"var x;"_s));
    // Ctrl+S is "Aceptar".
    QTest::keyClick(panel->script_head(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!panel->isVisible());
    QVERIFY(m->cn()->script(l.reloj)->scriptHead.contains(u"var x;"_s));

    // Unchanged, Escape leaves at once; changed, "Sí" drops what was typed.
    before = int(m.boxes.shown.size());
    QTest::mouseClick(m->opciones()->boton_Editar(), Qt::LeftButton);
    QTest::keyClick(panel->Text_nombre(), Qt::Key_Escape);
    QVERIFY(!panel->isVisible() && m.boxes.shown.size() == before);
    QTest::mouseClick(m->opciones()->boton_insertar(), Qt::LeftButton);
    QTest::keyClicks(panel->Text_nombre(), u"Borrador"_s);
    m.boxes.answer(QMessageBox::Yes);
    QTest::keyClick(panel->Text_nombre(), Qt::Key_Escape);
    QCOMPARE(asked(before), QStringList{discard + u" [No]"_s});
    QVERIFY(!panel->isVisible() && m->cn()->scriptsByName().size() == 1);
}

// Depth first, each parent's children in the library's name order; what the tree cannot reach
// (a parent missing, parents in a loop) last, with as much of its path as there is.
void TestEditing::categoryListIsTheTreeAsPaths()
{
    const std::vector<library::CategoryListing> rows = {
        {1, 0, u"Utilidades"_s}, {2, 1, u"Árbol 28"_s}, {3, 1, u"Árbol 112"_s},
        {4, 1, u"Seguridad"_s},  {5, 0, u"Menús"_s},    {6, 4, u"Claves"_s},
        {7, 99, u"Huérfana"_s},  {8, 9, u"Bucle A"_s},  {9, 8, u"Bucle B"_s},
        {10, 7, u"Hija"_s}};
    // Grouped by parent, each group by name, as the library hands them to the tree.
    std::vector<library::CategoryListing> grouped = rows;
    library::SortByName(grouped);
    std::stable_sort(grouped.begin(), grouped.end(),
                     [](const auto& a, const auto& b) { return a.idPadre < b.idPadre; });
    QStringList shown;
    QList<qint64> ids;
    for (const CategoryPath& c : CategoryPaths(grouped)) {
        shown << c.path + (c.reachable ? QString() : u" (fuera del árbol)"_s);
        ids << c.id;
    }
    QCOMPARE(
        shown,
        (QStringList{u"Menús"_s, u"Utilidades"_s, u"Utilidades / Árbol 28"_s,
                     u"Utilidades / Árbol 112"_s, u"Utilidades / Seguridad"_s,
                     u"Utilidades / Seguridad / Claves"_s, u"Bucle A / Bucle B (fuera del árbol)"_s,
                     u"Bucle B / Bucle A (fuera del árbol)"_s, u"Huérfana (fuera del árbol)"_s,
                     u"Huérfana / Hija (fuera del árbol)"_s}));
    QCOMPARE(ids, (QList<qint64>{5, 1, 2, 3, 4, 6, 9, 8, 7, 10}));
}

// At the designed size and on larger screens the name and browsers boxes take the room the
// lists leave, the lists are as wide as their longest entry, long texts show from their first
// character, and the panes reach the foot of the window. The category list shows paths in the
// tree's order; a new script starts where the user stands; the chosen category is stored by id.
void TestEditing::editorFieldsUseTheRoomTheyHave()
{
    TempProgramFolder folder;
    const SampleLibrary l(folder);
    const qint64 utilidades = folder.addCategory(0, u"Utilidades"_s);
    const qint64 seguridad = folder.addCategory(utilidades, u"Seguridad"_s);
    folder.addCategory(utilidades, u"Árbol 112"_s);
    folder.addCategory(utilidades, u"Árbol 28"_s);
    folder.addCategory(seguridad, u"Contraseñas y claves de acceso"_s);
    // The same name under another parent, made later: its id is the higher one.
    const qint64 otraSeguridad = folder.addCategory(l.relojes, u"Seguridad"_s);
    const QString browsers =
        u"Chrome 120, Firefox 115, Edge, Safari 17, Opera, "_s.repeated(3) + u"y los demás"_s;
    const qint64 clave = ScriptBuilder(u"Generador de claves"_s)
                             .in(otraSeguridad)
                             .type(l.efecto)
                             .browsers(browsers)
                             .addTo(folder);
    MainWindowUnderTest m(folder, {1280, 800});
    QVERIFY(m.loaded());
    EditorPanel* panel = m->Frame2();
    ElidingComboBox* list = panel->list_categoria();
    const auto entries = [list] {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts << list->itemText(i);
        return texts;
    };

    // A new script starts in the category chosen in the tree, or in the chosen script's.
    const std::tuple<QString, QString, qint64> starts[] = {
        {categoryKey(seguridad), u"Utilidades / Seguridad"_s, seguridad},
        {scriptKey(clave), u"Relojes / Seguridad"_s, otraSeguridad},
        {library::RootKey, u"Menús"_s, l.menus}};
    for (const auto& [key, path, id] : starts) {
        m.click(key);
        QTest::mouseClick(m->opciones()->boton_insertar(), Qt::LeftButton);
        QVERIFY(panel->isVisible());
        QCOMPARE(list->currentText(), path);
        QCOMPARE(list->currentData().toLongLong(), id);
        QTest::mouseClick(m->opciones()->boton_salir(1), Qt::LeftButton);
        QVERIFY(!panel->isVisible());
    }
    QCOMPARE(entries(),
             (QStringList{u"Menús"_s, u"Menús / Desplegables"_s, u"Relojes"_s,
                          u"Relojes / Seguridad"_s, u"Utilidades"_s, u"Utilidades / Árbol 28"_s,
                          u"Utilidades / Árbol 112"_s, u"Utilidades / Seguridad"_s,
                          u"Utilidades / Seguridad / Contraseñas y claves de acceso"_s}));

    // An existing script: its own category chosen, its long browsers text from the start.
    m.click(scriptKey(clave));
    QTest::mouseClick(m->opciones()->boton_Editar(), Qt::LeftButton);
    QCOMPARE(list->currentText(), u"Relojes / Seguridad"_s);
    for (QLineEdit* box : {panel->Text_nombre(), panel->Text_navegador()}) {
        QCOMPARE(box->cursorPosition(), 0);
        QVERIFY2(box->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() <
                     box->fontMetrics().averageCharWidth() * 2,
                 qPrintable(box->objectName()));
    }

    const int dpi = twips::dpiOf(&m.w);
    const QSize designed(twips::toPixels(9195, dpi), twips::toPixels(6135, dpi));
    for (const QSize size : {designed, QSize(1280, 800), QSize(1920, 1080)}) {
        m->resize(size);
        QCoreApplication::processEvents();
        const QByteArray at =
            QByteArray::number(size.width()) + 'x' + QByteArray::number(size.height());
        const QRect name = panel->Text_nombre()->geometry();
        const QRect kinds = panel->list_tipo()->geometry();
        const QRect chosen = list->geometry();
        const QRect tabs = panel->tabscript()->geometry();
        // Both boxes alike, both lists alike, the lists ending where the tabs end.
        QCOMPARE(panel->Text_navegador()->geometry().width(), name.width());
        QCOMPARE(kinds.width(), chosen.width());
        QVERIFY2(qAbs(chosen.right() - tabs.right()) <= 2, at);
        // No empty strip under the panes.
        QVERIFY2(m->height() - panel->geometry().bottom() <= twips::toPixels(300, dpi), at);
        QVERIFY2(panel->height() - tabs.bottom() <= twips::toPixels(100, dpi), at);
        const int need =
            std::max(list->wholeEntriesWidth(), panel->list_tipo()->wholeEntriesWidth());
        if (size == designed) {
            // The boxes keep their designed width; a long path shows its beginning and its end,
            // the whole of it in the open list.
            QVERIFY2(name.width() >= twips::toPixels(2000, dpi), at);
            QVERIFY2(chosen.width() < need, at);
            const QString last = list->itemText(list->count() - 1);
            const QString shown = list->shownText(last);
            QVERIFY2(shown.startsWith(u"Utilidades / "_s) && shown.endsWith(u" acceso"_s),
                     qPrintable(shown));
            QVERIFY(list->listWidth() >= list->view()->sizeHintForColumn(0));
            QCOMPARE(cutTexts(&m.w), QStringList());
        } else {
            // Every entry whole, the lists no wider than that, the boxes with the rest.
            QVERIFY2(qAbs(chosen.width() - need) <= 2, at);
            QVERIFY2(name.width() > chosen.width(), at);
            QCOMPARE(cutTexts(&m.w, Shortened::Cut), QStringList());
        }
    }

    // Saved as it was, the script stays in its own "Seguridad", not the first of that name.
    QTest::mouseClick(m->opciones()->boton_aceptar(), Qt::LeftButton);
    QVERIFY(!panel->isVisible());
    QCOMPARE(m->cn()->script(clave)->idCategoria, otraSeguridad);
    // Another one chosen from the open list with the keys is where it goes.
    QTest::mouseClick(m->opciones()->boton_Editar(), Qt::LeftButton);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_End);
    QTest::keyClick(list, Qt::Key_Up);
    QCOMPARE(list->currentText(), u"Utilidades / Seguridad"_s);
    QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!panel->isVisible());
    QCOMPARE(m->cn()->script(clave)->idCategoria, seguridad);
    QCOMPARE(m.current(), scriptKey(clave));
    QCOMPARE(m.node(scriptKey(clave))->parent(), m.node(categoryKey(seguridad)));
}

// Saving while another program holds the library: the message says so in Spanish, and nothing
// is stored.
void TestEditing::aLibraryInUseIsSaidInSpanish()
{
    TempProgramFolder folder;
    const SampleLibrary l(folder);
    MainWindowUnderTest m(folder);
    EditorPanel* panel = m->Frame2();
    m.click(categoryKey(l.relojes));
    QTest::mouseClick(m->opciones()->boton_insertar(), Qt::LeftButton);
    QTest::keyClicks(panel->Text_nombre(), u"Reloj de sol"_s);
    library::Database other =
        library::Database::open(folder.libraryPath(), library::LibraryPassword);
    other.execute("BEGIN EXCLUSIVE");
    QTest::mouseClick(m->opciones()->boton_aceptar(), Qt::LeftButton);
    other.execute("ROLLBACK");
    const QString said = m.boxes.shown.value(m.boxes.shown.size() - 1).text;
    QVERIFY2(said.startsWith(u"No se ha podido guardar el Script"_s) &&
                 said.contains(u"La biblioteca está en uso por otro programa"_s),
             qPrintable(said));
    QVERIFY(panel->isVisible());
    QCOMPARE(m->cn()->scriptsByName().size(), size_t(2));
}

QTEST_MAIN(TestEditing)
#include "test_editing.moc"
