#include "app/module1.h"
#include "browser/twips.h"
#include "editing/editorpanel.h"
#include "editing/qsci.h"
#include "export/popupcreator.h"
#include "export/relatedfiles.h"
#include "library/librarystore.h"
#include "menuanswer.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "tests/support/tempprogramfolder.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

using editing::EditorPanel;

namespace {

QStringList comboItems(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items.append(combo->itemText(i));
    return items;
}

QStringList listItems(const QTreeWidget* list)
{
    QStringList items;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        items.append(list->topLevelItem(i)->text(0));
    return items;
}

QStringList storedFiles(library::LibraryStore& store, qint64 scriptId)
{
    QStringList names;
    for (const auto& row : store.relatedFiles(scriptId))
        names.append(row.nombre);
    return names;
}

void selectItem(QTreeWidget* list, const QString& text)
{
    const auto found = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    list->setCurrentItem(found.first());
}

} // namespace

class TestEditorPanel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void controlsCarryTheirNamesAndAccessibleNames();
    void listsShowTheScriptsOwnEntryFirstAndNotRepeated();
    void tabChangeShowsOneControlAndPlacesTheFileButtons();
    void popupCreatorNumbersItemsAndKeepsTheirFlags();
    void popupOpensAtGivenPointOrAtThePointer();
    void rightClickInEveryEditorInsertsTheChosenFile();
    void addingFilesToANewScriptKeepsThemInTheListOnly();
    void addingFilesToAStoredScriptWritesOneRowEach();
    void removingAStoredScriptsFileKeepsSharedFiles();
};

void TestEditorPanel::controlsCarryTheirNamesAndAccessibleNames()
{
    EditorPanel panel;
    QCOMPARE(panel.objectName(), QStringLiteral("Frame(2)"));
    const char* names[] = {"Label1",
                           "Label2",
                           "Label3",
                           "Label4",
                           "Text_nombre",
                           "Text_navegador",
                           "list_tipo",
                           "list_categoria",
                           "tabscript",
                           "script_head",
                           "script_body",
                           "script_html",
                           "script_ayuda",
                           "list_ficheros",
                           "boton_añadir_fichero",
                           "boton_borrar_fichero"};
    for (const char* name : names) {
        QWidget* w = panel.findChild<QWidget*>(QString::fromUtf8(name));
        QVERIFY2(w, name);
        if (!qobject_cast<QLabel*>(w) && w != panel.tabscript)
            QVERIFY2(!w->accessibleName().isEmpty(), name);
    }
    QCOMPARE(panel.Label1->text(), QStringLiteral("Nombre"));
    QCOMPARE(panel.Text_nombre->accessibleName(), QStringLiteral("Nombre"));
    QCOMPARE(panel.list_categoria->accessibleName(), QStringLiteral("Categoria"));
    QCOMPARE(panel.script_body->accessibleName(), QStringLiteral("Script Body"));
    QCOMPARE(panel.tabscript->tabBar()->count(), 5);
    QCOMPARE(panel.tabscript->tabBar()->tabText(4), QStringLiteral("Ficheros"));
    QCOMPARE(panel.tabscript->currentIndex(), 4);
    QCOMPARE(panel.list_ficheros->headerItem()->text(0), QStringLiteral("Ficheros relacionados"));
    QCOMPARE(panel.list_ficheros->columnCount(), 1);
    QCOMPARE(QString::fromLatin1(panel.script_head->lexer()->language()),
             QStringLiteral("JavaScript"));
    QCOMPARE(QString::fromLatin1(panel.script_html->lexer()->language()), QStringLiteral("HTML"));
    QVERIFY(!panel.script_ayuda->lexer());
    QVERIFY(panel.script_head->marginLineNumbers(0));
}

void TestEditorPanel::listsShowTheScriptsOwnEntryFirstAndNotRepeated()
{
    TempProgramFolder folder;
    folder.addCategory(0, QStringLiteral("Relojes"));
    const qint64 menus = folder.addCategory(0, QStringLiteral("Menús"));
    folder.addCategory(menus, QStringLiteral("Avanzado"));
    folder.addType(QStringLiteral("Visual"));
    const qint64 efecto = folder.addType(QStringLiteral("Efecto"));
    folder.closeLibrary();
    auto store = library::LibraryStore::open(folder.libraryPath());

    EditorPanel panel;
    panel.FillCategoryCombo(*store, QString::number(menus));
    QCOMPARE(comboItems(panel.list_categoria),
             (QStringList{QStringLiteral("Menús"), QStringLiteral("Avanzado"),
                          QStringLiteral("Relojes")}));
    QCOMPARE(panel.list_categoria->currentIndex(), 0);
    panel.FillTypeCombo(*store, QString::number(efecto));
    QCOMPARE(comboItems(panel.list_tipo),
             (QStringList{QStringLiteral("Efecto"), QStringLiteral("Visual")}));
    // A new script: every name in order, the first selected; filling again does not add.
    panel.FillCategoryCombo(*store, QStringLiteral("0"));
    panel.FillCategoryCombo(*store, QStringLiteral("0"));
    QCOMPARE(comboItems(panel.list_categoria),
             (QStringList{QStringLiteral("Avanzado"), QStringLiteral("Menús"),
                          QStringLiteral("Relojes")}));
    QCOMPARE(panel.list_categoria->currentText(), QStringLiteral("Avanzado"));
}

void TestEditorPanel::tabChangeShowsOneControlAndPlacesTheFileButtons()
{
    EditorPanel panel;
    panel.resize(900, 600);
    panel.show();
    QVERIFY(panel.list_ficheros->isVisible());
    const QList<QWidget*> editors{panel.script_head, panel.script_body, panel.script_html,
                                  panel.script_ayuda};
    for (int tab = 0; tab < 4; ++tab) {
        panel.tabscript->setCurrentIndex(tab);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(editors[i]->isVisible(), i == tab);
        QVERIFY(!panel.list_ficheros->isVisible());
        QVERIFY(!panel.boton_borrar_fichero->isVisible());
    }
    panel.boton_borrar_fichero->setEnabled(true);
    panel.tabscript->setCurrentIndex(4);
    QVERIFY(panel.list_ficheros->isVisible());
    QVERIFY(!panel.script_head->isVisible());
    QVERIFY(panel.boton_anadir_fichero->isEnabled());
    QVERIFY(!panel.boton_borrar_fichero->isEnabled());
    // The buttons stand 100 twips to the right of the list, wherever the list ends.
    const int gap = panel.boton_anadir_fichero->x() - panel.list_ficheros->geometry().right() - 1;
    QVERIFY2(qAbs(gap - 100 * twips::dpiOf(&panel) / 1440) <= 1, qPrintable(QString::number(gap)));
    QCOMPARE(panel.boton_borrar_fichero->x(), panel.boton_anadir_fichero->x());
    // A larger panel: the tabs and the list grow with it.
    const int oldRight = panel.list_ficheros->geometry().right();
    panel.resize(1200, 800);
    QVERIFY(panel.list_ficheros->geometry().right() > oldRight);
    QVERIFY(panel.boton_anadir_fichero->x() > panel.list_ficheros->geometry().right());
    QVERIFY(panel.tabscript->geometry().bottom() < panel.height());
}

void TestEditorPanel::popupCreatorNumbersItemsAndKeepsTheirFlags()
{
    PopupCreator popup;
    QCOMPARE(popup.SelectedItem(), 0);
    popup.AddMenu(QStringLiteral("uno.gif"), true, false, false);
    popup.AddMenu(QStringLiteral("gris.gif"), false, false, false);
    popup.AddMenu(QStringLiteral("marcado.gif"), true, true, false);
    popup.AddMenu(QStringLiteral("no se ve"), false, true, true);
    popup.AddMenu(QStringLiteral("a&b.gif"), false, true, false);
    QCOMPARE(popup.itemCount(), 5);
    QCOMPARE(popup.flags(1), 0);
    QCOMPARE(popup.flags(2), 3);
    QCOMPARE(popup.flags(3), 8);
    QCOMPARE(popup.flags(4), 2048);
    QCOMPARE(popup.flags(5), 11);

    QStringList shown;
    bool greyedStayedOpen = false;
    whenMenuOpens([&](QMenu* menu) {
        for (QAction* a : menu->actions())
            shown.append(a->isSeparator()
                             ? QStringLiteral("---")
                             : a->text() +
                                   (a->isEnabled() ? QString() : QStringLiteral(" (gris)")) +
                                   (a->isChecked() ? QStringLiteral(" (x)") : QString()));
        chooseItem(menu, 2); // greyed: cannot be chosen
        greyedStayedOpen = menu->isVisible();
        chooseItem(menu, 3);
    });
    QCOMPARE(popup.OpenPopup(10, 10), 3);
    QCOMPARE(popup.SelectedItem(), 3);
    QVERIFY(greyedStayedOpen);
    QCOMPARE(shown, (QStringList{QStringLiteral("uno.gif"), QStringLiteral("gris.gif (gris)"),
                                 QStringLiteral("marcado.gif (x)"), QStringLiteral("---"),
                                 QStringLiteral("a&&b.gif (gris) (x)")}));
    // Shown again, dismissed: 0.
    whenMenuOpens([](QMenu* menu) { chooseItem(menu, 0); });
    QCOMPARE(popup.OpenPopup(10, 10), 0);
    QCOMPARE(popup.SelectedItem(), 0);
}

void TestEditorPanel::popupOpensAtGivenPointOrAtThePointer()
{
    PopupCreator popup;
    popup.AddMenu(QStringLiteral("uno.gif"), true, false, false);
    QPoint at;
    whenMenuOpens([&](QMenu* menu) {
        at = menu->pos();
        chooseItem(menu, 0);
    });
    popup.OpenPopup(120, 90);
    QCOMPARE(at, QPoint(120, 90));

    QCursor::setPos(200, 150);
    for (auto xy : {std::pair{-1, -1}, std::pair{300, -1}, std::pair{-1, 40}}) {
        whenMenuOpens([&](QMenu* menu) {
            at = menu->pos();
            chooseItem(menu, 0);
        });
        popup.OpenPopup(xy.first, xy.second);
        QCOMPARE(at, QPoint(200, 150));
    }
}

void TestEditorPanel::rightClickInEveryEditorInsertsTheChosenFile()
{
    TempProgramFolder folder;
    platform::ScriptedFileDialogs dialogs;
    EditorPanel panel;
    panel.resize(900, 600);
    panel.show();
    panel.relatedFiles()->setSession(nullptr, false, 0);
    for (const char* name : {"uno.gif", "dos.gif", "tres.jpg"}) {
        const QString path = folder.filePath(QString::fromUtf8(name));
        TempProgramFolder::writeFile(path, "x");
        dialogs.names.append(path);
        panel.relatedFiles()->boton_anadir_fichero_Click();
    }
    QCOMPARE(listItems(panel.list_ficheros),
             (QStringList{QStringLiteral("uno.gif"), QStringLiteral("dos.gif"),
                          QStringLiteral("tres.jpg")}));

    const QList<QsciScintilla*> editors = panel.editors();
    for (int i = 0; i < editors.size(); ++i) {
        panel.tabscript->setCurrentIndex(i);
        QsciScintilla* editor = editors[i];
        editor->setText(QStringLiteral("<img src=\"X\">"));
        editor->setSelection(0, 10, 0, 11); // the X
        QStringList captions;
        whenMenuOpens([&](QMenu* menu) {
            for (QAction* a : menu->actions())
                captions.append(a->text());
            chooseItem(menu, 2);
        });
        QTest::mouseClick(editor->viewport(), Qt::RightButton, {}, QPoint(30, 5));
        QCOMPARE(captions, listItems(panel.list_ficheros));
        QCOMPARE(editor->text(), QStringLiteral("<img src=\"resources/dos.gif\">"));

        // Nothing selected: inserted at the caret. Dismissed: nothing.
        editor->setCursorPosition(0, 0);
        whenMenuOpens([](QMenu* menu) { chooseItem(menu, 3); });
        QTest::mouseClick(editor->viewport(), Qt::RightButton, {}, QPoint(30, 5));
        whenMenuOpens([](QMenu* menu) { chooseItem(menu, 0); });
        QTest::mouseClick(editor->viewport(), Qt::RightButton, {}, QPoint(30, 5));
        QCOMPARE(editor->text(),
                 QStringLiteral("resources/tres.jpg<img src=\"resources/dos.gif\">"));
    }
    // Left and middle clicks show no menu.
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::MiddleButton}) {
        QTest::mouseClick(panel.script_head->viewport(), button, {}, QPoint(30, 5));
        QVERIFY(!QApplication::activePopupWidget());
    }
}

void TestEditorPanel::addingFilesToANewScriptKeepsThemInTheListOnly()
{
    TempProgramFolder folder;
    const qint64 cat = folder.addCategory(0, QStringLiteral("A"));
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    folder.addScript(cat, type, QStringLiteral("Otro"));
    folder.closeLibrary();
    auto store = library::LibraryStore::open(folder.libraryPath());
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    EditorPanel panel;
    panel.relatedFiles()->setSession(store.get(), false, 0);

    QDir(folder.path()).mkpath(QStringLiteral("fuera"));
    const QString outside = folder.filePath(QStringLiteral("fuera/Logo.gif"));
    TempProgramFolder::writeFile(outside, "nuevo");
    folder.writeResource(QStringLiteral("Logo.gif"), "viejo");
    folder.writeResource(QStringLiteral("propio.gif"), "propio");

    // Same name elsewhere: asked; No keeps the library's file and still lists it.
    dialogs.names = {outside};
    boxes.answer(QMessageBox::No);
    panel.relatedFiles()->boton_anadir_fichero_Click();
    QCOMPARE(dialogs.requests.first().filter,
             QStringLiteral("Todos (*.*) (*);;Fichero GIF (*.gif);;Fichero JPG (*.jpg) (*.jpg)"));
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown.first().text,
             QStringLiteral("Este fichero ya existe en destino\n¿Desea sobreescribir?"));
    QCOMPARE(TempProgramFolder::readFile(folder.resourcesPath() + QStringLiteral("Logo.gif")),
             QByteArray("viejo"));
    // Yes replaces it; the second time the list does not grow.
    dialogs.names = {outside};
    boxes.answer(QMessageBox::Yes);
    panel.relatedFiles()->boton_anadir_fichero_Click();
    QCOMPARE(TempProgramFolder::readFile(folder.resourcesPath() + QStringLiteral("Logo.gif")),
             QByteArray("nuevo"));
    // The library's own copy, spelled another way: nothing asked, nothing copied.
    dialogs.names = {folder.filePath(QStringLiteral("fuera/../resources//propio.gif"))};
    panel.relatedFiles()->boton_anadir_fichero_Click();
    QCOMPARE(boxes.shown.size(), 2);
    QCOMPARE(TempProgramFolder::readFile(folder.resourcesPath() + QStringLiteral("propio.gif")),
             QByteArray("propio"));
    // Letter case makes another name. Cancel changes nothing.
    const QString lower = folder.filePath(QStringLiteral("fuera/logo.gif"));
    TempProgramFolder::writeFile(lower, "minúsculas");
    dialogs.names = {lower, QString()};
    panel.relatedFiles()->boton_anadir_fichero_Click();
    panel.relatedFiles()->boton_anadir_fichero_Click();
    QCOMPARE(listItems(panel.list_ficheros),
             (QStringList{QStringLiteral("Logo.gif"), QStringLiteral("propio.gif"),
                          QStringLiteral("logo.gif")}));
    QCOMPARE(panel.list_ficheros->topLevelItem(0)->data(0, Qt::UserRole).toString(),
             QStringLiteral("Logo.gifC"));

    // Removing from a new script's list never touches the folder, even a file just copied.
    selectItem(panel.list_ficheros, QStringLiteral("logo.gif"));
    QVERIFY(panel.boton_borrar_fichero->isEnabled());
    boxes.answer(QMessageBox::Yes);
    panel.relatedFiles()->boton_borrar_fichero_Click();
    QCOMPARE(boxes.shown.last().text, QStringLiteral("¿Esta seguro de borrar este fichero?"));
    QCOMPARE(boxes.shown.last().title, QStringLiteral("Borrar Script"));
    QCOMPARE(listItems(panel.list_ficheros),
             (QStringList{QStringLiteral("Logo.gif"), QStringLiteral("propio.gif")}));
    QVERIFY(QFile::exists(folder.resourcesPath() + QStringLiteral("logo.gif")));
    QVERIFY(!panel.boton_borrar_fichero->isEnabled());
    QVERIFY(storedFiles(*store, 1).isEmpty());
}

void TestEditorPanel::addingFilesToAStoredScriptWritesOneRowEach()
{
    TempProgramFolder folder;
    const qint64 cat = folder.addCategory(0, QStringLiteral("A"));
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    const qint64 id = folder.addScript(cat, type, QStringLiteral("Guardado"));
    folder.addFile(id, QStringLiteral("viejo.gif"));
    folder.closeLibrary();
    auto store = library::LibraryStore::open(folder.libraryPath());
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    EditorPanel panel;
    panel.relatedFiles()->setSession(store.get(), true, id);
    panel.relatedFiles()->LoadRelatedFilesList();
    QCOMPARE(listItems(panel.list_ficheros), QStringList{QStringLiteral("viejo.gif")});

    const QString source = folder.filePath(QStringLiteral("d'Artagnan.gif"));
    TempProgramFolder::writeFile(source, "GIF89a");
    dialogs.names = {source, source};
    panel.relatedFiles()->boton_anadir_fichero_Click();
    boxes.answer(QMessageBox::Yes);
    panel.relatedFiles()
        ->boton_anadir_fichero_Click(); // already there: asked to overwrite, no new row
    QCOMPARE(storedFiles(*store, id),
             (QStringList{QStringLiteral("viejo.gif"), QStringLiteral("d'Artagnan.gif")}));
    QCOMPARE(listItems(panel.list_ficheros), storedFiles(*store, id));
    const qint64 rowId = store->relatedFiles(id).back().id;
    QCOMPARE(panel.list_ficheros->topLevelItem(1)->data(0, Qt::UserRole).toString(),
             QString::number(rowId) + QLatin1Char('C'));
    QCOMPARE(TempProgramFolder::readFile(folder.resourcesPath() + QStringLiteral("d'Artagnan.gif")),
             QByteArray("GIF89a"));
}

void TestEditorPanel::removingAStoredScriptsFileKeepsSharedFiles()
{
    TempProgramFolder folder;
    const qint64 cat = folder.addCategory(0, QStringLiteral("A"));
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    const qint64 id = folder.addScript(cat, type, QStringLiteral("Guardado"));
    const qint64 other = folder.addScript(cat, type, QStringLiteral("Otro"));
    folder.addFile(id, QStringLiteral("compartido.gif"));
    folder.addFile(id, QStringLiteral("propio.gif"));
    folder.addFile(id, QStringLiteral("doble.gif"));
    folder.addFile(id, QStringLiteral("doble.gif"));
    folder.addFile(other, QStringLiteral("compartido.gif"));
    for (const char* name : {"compartido.gif", "propio.gif", "doble.gif"})
        folder.writeResource(QString::fromUtf8(name), "GIF89a");
    folder.closeLibrary();
    auto store = library::LibraryStore::open(folder.libraryPath());
    platform::ScriptedMessageBoxes boxes;
    EditorPanel panel;
    panel.relatedFiles()->setSession(store.get(), true, id);
    panel.relatedFiles()->LoadRelatedFilesList();

    // Shared with another script: only the row goes, the second question is not asked.
    selectItem(panel.list_ficheros, QStringLiteral("compartido.gif"));
    boxes.answer(QMessageBox::Yes);
    panel.relatedFiles()->boton_borrar_fichero_Click();
    QCOMPARE(boxes.shown.size(), 1);
    QVERIFY(QFile::exists(folder.resourcesPath() + QStringLiteral("compartido.gif")));
    QCOMPARE(storedFiles(*store, other), QStringList{QStringLiteral("compartido.gif")});
    // Listed twice for this script: the file stays for the other row.
    selectItem(panel.list_ficheros, QStringLiteral("doble.gif"));
    boxes.answer(QMessageBox::Yes);
    panel.relatedFiles()->boton_borrar_fichero_Click();
    QCOMPARE(boxes.shown.size(), 2);
    QVERIFY(QFile::exists(folder.resourcesPath() + QStringLiteral("doble.gif")));
    // Its own file: asked twice; No keeps the file, the row goes all the same.
    selectItem(panel.list_ficheros, QStringLiteral("propio.gif"));
    boxes.answer(QMessageBox::Yes);
    boxes.answer(QMessageBox::No);
    panel.relatedFiles()->boton_borrar_fichero_Click();
    QCOMPARE(boxes.shown.last().text,
             QStringLiteral("¿Desea borrar tambien el fichero del directorio?"));
    QVERIFY(QFile::exists(folder.resourcesPath() + QStringLiteral("propio.gif")));
    QCOMPARE(storedFiles(*store, id), QStringList{QStringLiteral("doble.gif")});
    // The last one, now alone: Yes deletes the file. A No to the first question does nothing.
    selectItem(panel.list_ficheros, QStringLiteral("doble.gif"));
    boxes.answer(QMessageBox::No);
    panel.relatedFiles()->boton_borrar_fichero_Click();
    QCOMPARE(storedFiles(*store, id), QStringList{QStringLiteral("doble.gif")});
    boxes.answer(QMessageBox::Yes);
    boxes.answer(QMessageBox::Yes);
    panel.relatedFiles()->boton_borrar_fichero_Click();
    QVERIFY(!QFile::exists(folder.resourcesPath() + QStringLiteral("doble.gif")));
    QVERIFY(storedFiles(*store, id).isEmpty());
    QVERIFY(listItems(panel.list_ficheros).isEmpty());
    QVERIFY(!panel.boton_borrar_fichero->isEnabled());
}

QTEST_MAIN(TestEditorPanel)
#include "test_editor_panel.moc"
