// The export button and the tree's menu on the real main window, with real mouse events; only
// the person's answers and the program that opens the page are scripted.

#include "browser/buttonbar.h"
#include "export/siteprogress.h"
#include "library/nodekey.h"
#include "tests/export/sitefixture.h"
#include "tests/support/mainwindow.h"

#include <QMenu>
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

    // A category has no menu.
    QVERIFY(rightClick(w, library::categoryKey(f.lib.relojes), 0).isEmpty());
    // "Exportar a una página…" does what the export button does.
    const QString fresh = f.path(QStringLiteral("nueva.html"));
    w.dialogs.names << fresh;
    QCOMPARE(rightClick(w, reloj, 1), (QStringList{QStringLiteral("Exportar a una página…"),
                                                   QStringLiteral("Probar en mi página…"),
                                                   QStringLiteral("Actualizar páginas…")}));
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
                                                .arg(f.site.path())),
             qPrintable(w.boxes.shown[0].text));
    QCOMPARE(w.boxes.shown[2].text, QStringLiteral("2 páginas actualizadas, 1 página al día, 0 "
                                                   "páginas rechazadas."));
    QVERIFY(bytesOf(index).contains(htmlBeginMarker(f.lib.reloj)));
    QVERIFY(bytesOf(both).contains("viejo()") && !bytesOf(both).contains("nieve()"));
    QVERIFY(!w->findChild<SiteUpdateProgress*>());

    // The root's menu updates every script; a refused page is named and keeps its bytes.
    w.dialogs.folders << f.site.path();
    w.boxes.answer(QMessageBox::Yes);
    QCOMPARE(rightClick(w, library::RootKey, 1),
             QStringList{QStringLiteral("Actualizar páginas…")});
    QCOMPARE(w.boxes.shown.size(), 5);
    QCOMPARE(w.boxes.shown[4].icon, QMessageBox::Warning);
    QVERIFY2(w.boxes.shown[4].text.startsWith(
                 QStringLiteral("1 página actualizada, 2 páginas al día, 1 página rechazada.\n\n"
                                "rota.html: rechazada: Script %1: no es un fichero html valido")
                     .arg(f.nieve)),
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
}

QTEST_MAIN(TestExportCommand)
#include "test_exportcommand.moc"
