// The export button and the tree's menu on the real main window, with real mouse events; only
// the person's answers and the program that opens the page are scripted.

#include "browser/buttonbar.h"
#include "export/pagefile.h"
#include "export/siteprogress.h"
#include "library/backup.h"
#include "library/libraryfile.h"
#include "library/nodekey.h"
#include "tests/export/sitefixture.h"
#include "tests/support/mainwindow.h"
#include "tests/support/permissionsenforced.h"

#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

using namespace exporting;

namespace {

const auto bytesOf = &TempProgramFolder::readFile;

void exportScript(MainWindowUnderTest& w, qint64 id)
{
    w.click(library::scriptKey(id));
    QTest::mouseClick(w->opciones()->boton_exportar(), Qt::LeftButton);
}

// Right-clicks a node with real events and answers the menu that opens with item n (0 closes
// it). Returns the menu's captions; none when no menu opened.
QStringList rightClick(MainWindowUnderTest& w, const QString& key, int n)
{
    QStringList captions;
    QTimer person;
    QObject::connect(&person, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible())
            return;
        person.stop();
        for (QAction* action : menu->actions())
            captions.append(action->text());
        chooseItem(menu, n);
    });
    person.start(10);
    const QPoint at =
        w->Tree()->viewport()->mapTo(&w.w, w->Tree()->visualItemRect(w.node(key)).center());
    QTest::mouseClick(w->windowHandle(), Qt::RightButton, {}, at);
    return captions;
}

} // namespace

class TestExportCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exportButtonWritesThePageCopiesItsFilesAndOpensIt();
    void treeMenuExportsAndUpdatesTheSite();
    void treeMenuImportsAnotherLibraryAndSharesACategory();
};

void TestExportCommand::exportButtonWritesThePageCopiesItsFilesAndOpensIt()
{
    SiteFixture f;
    // Scripts whose related file is named to reach outside the page's folder, or breaks a line.
    const QStringList unsafe = {QStringLiteral(".."), QStringLiteral("../fuera.txt"),
                                QStringLiteral("a\nb.gif")};
    QList<qint64> ids;
    for (const QString& name : unsafe)
        f.folder.addFile(ids.emplace_back(f.folder.addScript(f.lib.relojes, f.lib.efecto, name)),
                         name);
    MainWindowUnderTest w(f.folder);
    QVERIFY(w.loaded());

    // A page that is not HTML stops everything.
    const QString page = f.path(QStringLiteral("index.htm"));
    TempProgramFolder::writeFile(page, "Notas: el body del documento\r\n");
    w.dialogs.names << page;
    exportScript(w, f.lib.reloj);
    QCOMPARE(w.boxes.shown.size(), 1);
    QCOMPARE(w.boxes.shown[0].text, QStringLiteral("no es un fichero html valido"));
    QVERIFY(QDir(f.site.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size() == 1);

    // The page is written, its files copied over a read-only old copy, and the page opened.
    QVERIFY(QFile::remove(page) && QDir(f.site.path()).mkdir(QStringLiteral("resources")));
    const QString gif = f.path(QStringLiteral("resources/reloj.gif"));
    TempProgramFolder::writeFile(gif, "viejo");
    QFile::setPermissions(gif, QFileDevice::ReadOwner);
    w.dialogs.names << page;
    exportScript(w, f.lib.reloj);
    QCOMPARE(w.boxes.shown.size(), 1);
    const QByteArray exported = bytesOf(page);
    QVERIFY(exported.contains("<body onload=\"t()\" >\r\n" + htmlBeginMarker(f.lib.reloj)));
    QCOMPARE(bytesOf(gif), QByteArray("GIF89a-reloj"));
    QVERIFY(!QFileInfo::exists(f.path(QStringLiteral("resources/falta.png"))));
    QCOMPARE(w.shell.opened, QList<QUrl>{QUrl::fromLocalFile(page)});

    // When no program opens the page, a message says where it is.
    w.shell.opens = false;
    w.dialogs.names << page;
    exportScript(w, f.lib.reloj);
    QCOMPARE(w.boxes.shown.size(), 2);
    QCOMPARE(w.boxes.shown[1].icon, QMessageBox::Information);
    QVERIFY(w.boxes.shown[1].text.contains(QDir::toNativeSeparators(page)));
    QCOMPARE(bytesOf(page), exported);
    w.shell.opens = true;

    // An unsafe related file name refuses the whole export.
    QTemporaryDir other;
    for (int i = 0; i < unsafe.size(); ++i) {
        w.dialogs.names << other.filePath(QStringLiteral("p.htm"));
        exportScript(w, ids[i]);
        QVERIFY2(w.boxes.shown.last().text.contains(unsafe[i]), qPrintable(unsafe[i]));
    }
    QCOMPARE(w.boxes.shown.size(), 2 + unsafe.size());
    QVERIFY(QDir(other.path()).isEmpty());
    QCOMPARE(w.shell.opened.size(), 2);

    // The user's editor saves the page twice while the export writes it (another process,
    // a copy renamed over the page): the export starts again once, then refuses, leaving the
    // page as the editor wrote it, and says so in Spanish.
    int saves = 0;
    const QByteArray usersPage = "<html><body><p>mi cambio</p></body></html>";
    setBeforePageReplaceHook([&](const QString& path) {
        QProcess editor;
        editor.start(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"),
             QStringLiteral("printf '%s%s' \"$2\" \"$3\" > \"$1.tmp\" && mv \"$1.tmp\" \"$1\""),
             QStringLiteral("sh"), path, QString::fromUtf8(usersPage), QString::number(++saves)});
        editor.waitForFinished(10000);
    });
    const QString edited = f.path(QStringLiteral("editada.htm"));
    TempProgramFolder::writeFile(edited, "<html><body></body></html>");
    w.dialogs.names << edited;
    exportScript(w, f.lib.reloj);
    setBeforePageReplaceHook({});
    QCOMPARE(saves, 2);
    QCOMPARE(bytesOf(edited), usersPage + "2");
    QCOMPARE(w.shell.opened.size(), 2);
    QCOMPARE(w.boxes.shown.last().icon, QMessageBox::Warning);
    QCOMPARE(w.boxes.shown.last().text,
             QStringLiteral("No se ha exportado el script: la página «%1» cambió mientras se "
                            "actualizaba, porque otro programa la guardó. Se ha dejado como la "
                            "guardó ese programa; vuelva a exportar el script.")
                 .arg(edited));
}

void TestExportCommand::treeMenuExportsAndUpdatesTheSite()
{
    SiteFixture f;
    const QString index = f.page(QStringLiteral("index.html"), {f.lib.reloj});
    const QString both = f.page(QStringLiteral("blog/entrada.htm"), {f.lib.reloj, f.nieve});
    const QByteArray broken = "<html>" + headBeginMarker(f.nieve) + headEndMarker(f.nieve);
    TempProgramFolder::writeFile(f.path(QStringLiteral("rota.html")), broken);
    MainWindowUnderTest w(f.folder);
    QVERIFY(w.loaded());
    const QString reloj = library::scriptKey(f.lib.reloj);

    // A category's menu only writes it out as a library.
    QCOMPARE(rightClick(w, library::categoryKey(f.lib.relojes), 0),
             QStringList{QStringLiteral("Exportar a una biblioteca…")});
    // "Exportar a una página…" does what the export button does.
    const QString fresh = f.path(QStringLiteral("nueva.html"));
    w.dialogs.names << fresh;
    QCOMPARE(rightClick(w, reloj, 1), (QStringList{QStringLiteral("Exportar a una página…"),
                                                   QStringLiteral("Probar en mi página…"),
                                                   QStringLiteral("Actualizar páginas…"),
                                                   QStringLiteral("Exportar a una biblioteca…")}));
    QVERIFY(bytesOf(fresh).contains(htmlBeginMarker(f.lib.reloj)));
    QCOMPARE(w.shell.opened, QList<QUrl>{QUrl::fromLocalFile(fresh)});

    // Declining the question changes nothing; going on updates that script's pages only.
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        w.dialogs.folders << f.site.path();
        w.boxes.answer(answer);
        rightClick(w, reloj, 3);
    }
    QCOMPARE(w.boxes.shown.size(), 3);
    QVERIFY2(w.boxes.shown[0].text.contains(QStringLiteral("Hay 3 páginas en «%1» con el script "
                                                           "«Reloj digital»")
                                                .arg(f.site.path())) &&
                 w.boxes.shown[0].text.endsWith(
                     QStringLiteral("¿Desea actualizarlas con el código de la biblioteca?")),
             qPrintable(w.boxes.shown[0].text));
    QCOMPARE(w.boxes.shown[2].text, QStringLiteral("2 páginas actualizadas, 1 página al día, 0 "
                                                   "páginas rechazadas."));
    QVERIFY(bytesOf(index).contains(htmlBeginMarker(f.lib.reloj)));
    QVERIFY(bytesOf(both).contains("viejo()") && !bytesOf(both).contains("nieve()"));
    QVERIFY(!w->findChild<SiteUpdateProgress*>());

    // The root's menu updates every script; a refused page is named and keeps its bytes.
    w.dialogs.folders << f.site.path();
    w.boxes.answer(QMessageBox::Yes);
    QCOMPARE(
        rightClick(w, library::RootKey, 1),
        (QStringList{QStringLiteral("Actualizar páginas…"), QStringLiteral("Importar biblioteca…"),
                     QStringLiteral("Exportar a una biblioteca…")}));
    QCOMPARE(w.boxes.shown.size(), 5);
    QCOMPARE(w.boxes.shown[4].icon, QMessageBox::Warning);
    QVERIFY2(w.boxes.shown[4].text.startsWith(
                 QStringLiteral("1 página actualizada, 2 páginas al día, 1 página rechazada. "
                                "El script %2 «Menú d'O'Brien» no deja marcas en la página; "
                                "actualice sus páginas con Exportar Script.\n\n"
                                "rota.html: rechazada: Script «Nieve»: no es un fichero html "
                                "valido")
                     .arg(f.lib.menu)),
             qPrintable(w.boxes.shown[4].text));
    QVERIFY(bytesOf(both).contains("nieve()") && !bytesOf(both).contains("viejo()"));
    QCOMPARE(bytesOf(f.path(QStringLiteral("rota.html"))), broken);

    // "Cancelar" once a few pages are done leaves the rest as they were, and says how many.
    QStringList pages;
    for (int i = 0; i < 12; ++i)
        pages << f.page(QStringLiteral("muchas/p%1.html").arg(i, 2, 10, QLatin1Char('0')),
                        {f.lib.reloj});
    QTimer person;
    QObject::connect(&person, &QTimer::timeout, [&] {
        auto* progress = w->findChild<SiteUpdateProgress*>();
        if (progress && progress->isVisible() && progress->value() >= 3) {
            person.stop();
            QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
        }
    });
    person.start(0);
    w.dialogs.folders << f.path(QStringLiteral("muchas"));
    w.boxes.answer(QMessageBox::Yes);
    rightClick(w, reloj, 3);
    const auto updated = std::count_if(pages.begin(), pages.end(), [](const QString& p) {
        return bytesOf(p).contains("function t()");
    });
    QVERIFY2(updated >= 3 && updated < pages.size(), qPrintable(QString::number(updated)));
    QCOMPARE(std::count_if(pages.begin(), pages.end(),
                           [](const QString& p) { return bytesOf(p).contains("viejo()"); }),
             pages.size() - updated);
    QCOMPARE(w.boxes.shown.last().text,
             QStringLiteral("%1 páginas actualizadas, 0 páginas al día, 0 páginas rechazadas. "
                            "Cancelado: %2 páginas sin tocar.")
                 .arg(updated)
                 .arg(pages.size() - updated));

    // One page, and a folder the user may not read: counted apart, named at the end.
    const QString una = f.path(QStringLiteral("una"));
    f.page(QStringLiteral("una/p.html"), {f.lib.reloj});
    f.page(QStringLiteral("una/privada/q.html"), {f.lib.reloj});
    QVERIFY(QFile::setPermissions(una + QStringLiteral("/privada"), QFileDevice::Permissions()));
    {
        const PermissionsEnforced obeyed;
        w.dialogs.folders << una;
        w.boxes.answer(QMessageBox::Yes);
        rightClick(w, reloj, 3);
    }
    QFile::setPermissions(una + QStringLiteral("/privada"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QList<platform::Message> last = w.boxes.shown.mid(w.boxes.shown.size() - 2);
    QVERIFY2(last.value(0).text.startsWith(QStringLiteral("Hay una página en «%1»").arg(una)) &&
                 last.value(0).text.endsWith(QStringLiteral(
                     "1 carpeta no se ha podido leer; se indican al final.\n\n¿Desea "
                     "actualizarla con el código de la biblioteca?")),
             qPrintable(last.value(0).text));
    QCOMPARE(last.value(1).icon, QMessageBox::Warning);
    QCOMPARE(last.value(1).text,
             QStringLiteral("1 página actualizada, 0 páginas al día, 0 páginas rechazadas. 1 "
                            "carpeta no se ha podido leer.\n\nprivada: carpeta sin leer: Permiso "
                            "denegado (Permission denied)"));

    // A script that leaves no markers: its pages cannot be found, and it is said at once,
    // before a folder is asked for.
    const int asked = int(w.boxes.shown.size());
    rightClick(w, library::scriptKey(f.lib.menu), 3);
    QCOMPARE(w.boxes.shown.size(), asked + 1);
    QCOMPARE(w.boxes.shown.last().icon, QMessageBox::Warning);
    QCOMPARE(w.boxes.shown.last().text,
             QStringLiteral("Script %1 «Menú d'O'Brien»: este script no deja marcas en la página; "
                            "actualícela con Exportar Script.")
                 .arg(f.lib.menu));
}

// The root's "Importar biblioteca…" asks with a summary first, imports only when told, then
// shows the tree with what came in; a category's "Exportar a una biblioteca…" writes it out.
void TestExportCommand::treeMenuImportsAnotherLibraryAndSharesACategory()
{
    SiteFixture f;
    // The other library: a copy of this one with a new script in a new category and another
    // snow script of the same name.
    QTemporaryDir other;
    QDir(other.path()).mkpath(QStringLiteral("resources"));
    const QString otherLibrary = library::LibraryPathIn(other.path());
    QVERIFY(QFile::copy(f.folder.libraryPath(), otherLibrary));
    QVERIFY(QFile::copy(f.folder.resourcesPath() + QStringLiteral("reloj.gif"),
                        other.filePath(QStringLiteral("resources/reloj.gif"))));
    {
        library::Database db = library::Database::open(otherLibrary, library::LibraryPassword);
        db.execute("UPDATE scripts SET script_head = '<script>otra()</script>' WHERE nombre = "
                   "'Nieve'; INSERT INTO categorias (id_padre, nombre) VALUES (0, 'Traídos');"
                   "INSERT INTO scripts (id_categoria, id_tipo, nombre) VALUES "
                   "(last_insert_rowid(), 1, 'Nuevo');");
    }
    MainWindowUnderTest w(f.folder);
    QVERIFY(w.loaded());
    const QString copias = f.folder.filePath(QStringLiteral("copias"));
    const QString question = QStringLiteral(
        "Se importará 1 script nuevo; 2 ya estaban; 1 con el mismo nombre y otro código "
        "entrará con otro nombre.\n\n¿Desea importarlos?");

    // Asked first, No by default: declining writes nothing, not even a copy.
    w.dialogs.names << otherLibrary;
    w.boxes.answer(QMessageBox::No);
    rightClick(w, library::RootKey, 2);
    QCOMPARE(w.boxes.shown.size(), 1);
    QCOMPARE(w.boxes.shown[0].text, question);
    QCOMPARE(w.boxes.shown[0].defaultButton, QMessageBox::No);
    QVERIFY(!w.tree().contains(QStringLiteral("Nuevo")));
    QVERIFY(!QFileInfo::exists(copias));

    w.dialogs.names << otherLibrary;
    w.boxes.answer(QMessageBox::Yes);
    rightClick(w, library::RootKey, 2);
    QCOMPARE(w.boxes.shown.size(), 3);
    QCOMPARE(w.boxes.shown[2].text,
             QStringLiteral("1 script importado, 1 con otro nombre, 2 ya estaban, 0 rechazados; 1 "
                            "categoría nueva, 0 ficheros copiados."));
    QVERIFY2(w.tree().contains(QStringLiteral("Nieve (2)")), qPrintable(w.tree()));
    QVERIFY(w.tree().contains(QStringLiteral("Traídos")));
    QCOMPARE(library::BackupsIn(copias).size(), 1);

    // A damaged file is refused with its reason, and nothing is asked.
    QTemporaryDir junk;
    TempProgramFolder::writeFile(junk.filePath(QStringLiteral("scripts.mdb")), "no soy nada");
    w.dialogs.names << junk.filePath(QStringLiteral("scripts.mdb"));
    rightClick(w, library::RootKey, 2);
    QCOMPARE(w.boxes.shown.size(), 4);
    QCOMPARE(w.boxes.shown[3].icon, QMessageBox::Warning);
    QVERIFY(w.boxes.shown[3].text.contains(QStringLiteral("no se puede leer como biblioteca")));

    // The clocks' category written out as a library of its own.
    QTemporaryDir out;
    w.dialogs.folders << out.path();
    rightClick(w, library::categoryKey(f.lib.relojes), 1);
    QCOMPARE(w.boxes.shown.size(), 5);
    QVERIFY2(w.boxes.shown[4].text.startsWith(QStringLiteral("3 scripts en 1 categoría ")),
             qPrintable(w.boxes.shown[4].text));
    library::Database shared =
        library::Database::open(library::LibraryPathIn(out.path()), library::LibraryPassword);
    library::Statement q = shared.prepare("SELECT count(*) FROM scripts");
    QVERIFY(q.next());
    QCOMPARE(q.int64(0), 3);
}

QTEST_MAIN(TestExportCommand)
#include "test_exportcommand.moc"
