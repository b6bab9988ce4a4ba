#include "browser/frmscripts.h"
#include "export/pageedit.h"
#include "export/siteprogress.h"
#include "library/nodekey.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/shell.h"
#include "tests/editing/menuanswer.h"
#include "tests/support/tempprogramfolder.h"

#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Two scripts in a category and a site whose pages hold old copies of them.
struct Fixture
{
    TempProgramFolder folder;
    QTemporaryDir site;
    qint64 category = 0;
    qint64 reloj = 0;
    qint64 nieve = 0;

    Fixture()
    {
        library::Script s;
        s.idCategoria = category = folder.addCategory(0, QStringLiteral("Efectos"));
        s.idTipo = folder.addType(QStringLiteral("Efecto"));
        s.nombre = QStringLiteral("Reloj");
        s.scriptHead = QStringLiteral("<script>reloj_nuevo()</script>");
        reloj = folder.addScript(s);
        s.nombre = QStringLiteral("Nieve");
        s.scriptHead = QStringLiteral("<script>nieve_nueva()</script>");
        nieve = folder.addScript(s);
        folder.closeLibrary();
    }

    QString path(const QString& relative) const { return site.filePath(relative); }

    QString page(const QString& relative, const QList<qint64>& ids)
    {
        QByteArray blocks;
        for (const qint64 id : ids)
            blocks += "\n" + exporting::headBeginMarker(id) + "\n<script>viejo()</script>\n" +
                      exporting::headEndMarker(id) + "\n";
        const QString p = path(relative);
        QDir().mkpath(QFileInfo(p).absolutePath());
        TempProgramFolder::writeFile(p,
                                     "<html><head></head>" + blocks + "<body>\n</body></html>\n");
        return p;
    }
};

QTreeWidgetItem* shownNode(Frmscripts& w, const QString& key)
{
    QTreeWidgetItem* node = w.FindNode(key);
    for (QTreeWidgetItem* p = node ? node->parent() : nullptr; p; p = p->parent())
        p->setExpanded(true);
    return node;
}

// Right-clicks the node with a real press and release on the window; `act` answers the menu
// that opens, if one does. Returns the captions of that menu (none when no menu opened).
QStringList rightClick(Frmscripts& w, const QString& key, std::function<void(QMenu*)> act)
{
    QTreeWidgetItem* node = shownNode(w, key);
    if (!node)
        return {QStringLiteral("no node")};
    const QPoint at =
        w.Tree->viewport()->mapTo(&w, w.Tree->visualItemRect(node).center() + QPoint(3, 1));
    QStringList captions;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible())
            return;
        watch.stop();
        for (QAction* action : menu->actions())
            captions.append(action->text());
        act(menu);
    });
    watch.start();
    QTest::mouseMove(w.windowHandle(), at - QPoint(2, 2));
    QTest::mouseClick(w.windowHandle(), Qt::RightButton, {}, at);
    QTest::qWait(50);
    return captions;
}

const QString ExportItem = QStringLiteral("Exportar a una página…");
const QString UpdateItem = QStringLiteral("Actualizar páginas…");

} // namespace

class TestSiteMenu : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scriptMenuExportsAndUpdatesThroughTheSeams();
    void rootMenuUpdatesEveryScriptAndCategoriesHaveNoMenu();
    void cancellingTheProgressLeavesTheRestUntouched();
};

void TestSiteMenu::scriptMenuExportsAndUpdatesThroughTheSeams()
{
    Fixture f;
    const QString index = f.page(QStringLiteral("index.html"), {f.reloj});
    const QString nested = f.page(QStringLiteral("blog/entrada.htm"), {f.reloj, f.nieve});
    const QByteArray indexBefore = TempProgramFolder::readFile(index);
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    platform::RecordingShell shell;
    Frmscripts w;
    w.show();
    QVERIFY(w.Form_Load());
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QString key = library::scriptKey(f.reloj);

    // "Exportar a una página…" exports that script, as the export button does.
    const QString fresh = f.path(QStringLiteral("nueva.html"));
    dialogs.names << fresh;
    QCOMPARE(rightClick(w, key, [](QMenu* m) { chooseItem(m, 1); }),
             (QStringList{ExportItem, UpdateItem}));
    QVERIFY(TempProgramFolder::readFile(fresh).contains("reloj_nuevo()"));
    QCOMPARE(shell.opened, QList<QUrl>{QUrl::fromLocalFile(fresh)});

    // Declining the confirmation changes nothing.
    dialogs.folders << f.site.path();
    boxes.answer(QMessageBox::No);
    rightClick(w, key, [](QMenu* m) { chooseItem(m, 2); });
    QCOMPARE(dialogs.folderTitles.size(), 1);
    QCOMPARE(boxes.shown.size(), 1);
    const platform::Message& ask = boxes.shown[0];
    QCOMPARE(ask.icon, QMessageBox::Question);
    QVERIFY2(ask.text.contains(
                 QStringLiteral("Hay 3 páginas en «%1» con el script «Reloj»").arg(f.site.path())),
             qPrintable(ask.text));
    QVERIFY(ask.text.contains(QStringLiteral("blog/entrada.htm")));
    QCOMPARE(TempProgramFolder::readFile(index), indexBefore);

    // Going on updates every page that holds the script, and only that script.
    dialogs.folders << f.site.path();
    boxes.answer(QMessageBox::Yes);
    rightClick(w, key, [](QMenu* m) { chooseItem(m, 2); });
    QCOMPARE(boxes.shown.size(), 3);
    const platform::Message& done = boxes.shown[2];
    QCOMPARE(done.icon, QMessageBox::Information);
    QCOMPARE(done.text, QStringLiteral("2 páginas actualizadas, 1 página al día, 0 páginas "
                                       "rechazadas."));
    const QByteArray nestedNow = TempProgramFolder::readFile(nested);
    QVERIFY(nestedNow.contains("reloj_nuevo()") && nestedNow.contains("viejo()"));
    QVERIFY(!nestedNow.contains("nieve_nueva()"));
    QVERIFY(!w.findChild<SiteUpdateProgress*>());
}

void TestSiteMenu::rootMenuUpdatesEveryScriptAndCategoriesHaveNoMenu()
{
    Fixture f;
    const QString both = f.page(QStringLiteral("ambos.html"), {f.reloj, f.nieve});
    const QString broken = f.path(QStringLiteral("rota.html"));
    const QByteArray brokenBytes =
        "<html>" + exporting::headBeginMarker(f.nieve) + exporting::headEndMarker(f.nieve);
    TempProgramFolder::writeFile(broken, brokenBytes);
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    Frmscripts w;
    w.show();
    QVERIFY(w.Form_Load());
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    QVERIFY(rightClick(w, library::categoryKey(f.category), [](QMenu* m) {
                chooseItem(m, 0);
            }).isEmpty());
    QVERIFY(boxes.shown.isEmpty());

    dialogs.folders << f.site.path();
    boxes.answer(QMessageBox::Yes);
    QCOMPARE(rightClick(w, library::RootKey, [](QMenu* m) { chooseItem(m, 1); }),
             QStringList{UpdateItem});
    QCOMPARE(boxes.shown.size(), 2);
    QVERIFY(boxes.shown[0].text.contains(QStringLiteral("con scripts de la biblioteca")));
    const platform::Message& done = boxes.shown[1];
    QCOMPARE(done.icon, QMessageBox::Warning);
    QVERIFY2(done.text.startsWith(QStringLiteral("1 página actualizada, 0 páginas al día, 1 página "
                                                 "rechazada.\n\nrota.html: rechazada: Script %1: "
                                                 "no es un fichero html valido")
                                      .arg(f.nieve)),
             qPrintable(done.text));
    const QByteArray now = TempProgramFolder::readFile(both);
    QVERIFY(now.contains("reloj_nuevo()") && now.contains("nieve_nueva()"));
    QCOMPARE(TempProgramFolder::readFile(broken), brokenBytes);
}

void TestSiteMenu::cancellingTheProgressLeavesTheRestUntouched()
{
    Fixture f;
    QStringList pages;
    for (int i = 0; i < 12; ++i)
        pages << f.page(QStringLiteral("p%1.html").arg(i, 2, 10, QLatin1Char('0')), {f.reloj});
    const QByteArray old = TempProgramFolder::readFile(pages[0]);
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    Frmscripts w;
    w.show();
    QVERIFY(w.Form_Load());
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // The person presses "Cancelar" once a few pages are done.
    int shownAt = -1;
    QTimer person;
    person.setInterval(0);
    QObject::connect(&person, &QTimer::timeout, [&] {
        auto* progress = w.findChild<SiteUpdateProgress*>();
        if (!progress || !progress->isVisible() || progress->value() < 3)
            return;
        person.stop();
        shownAt = progress->value();
        QPushButton* cancel = progress->findChild<QPushButton*>();
        QCOMPARE(cancel->text(), QStringLiteral("Cancelar"));
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    person.start();
    dialogs.folders << f.site.path();
    boxes.answer(QMessageBox::Yes);
    rightClick(w, library::scriptKey(f.reloj), [](QMenu* m) { chooseItem(m, 2); });

    QVERIFY(shownAt >= 3);
    QCOMPARE(boxes.shown.size(), 2);
    int updated = 0;
    for (const QString& p : pages) {
        const QByteArray bytes = TempProgramFolder::readFile(p);
        if (bytes.contains("reloj_nuevo()"))
            ++updated;
        else
            QCOMPARE(bytes, old);
    }
    QVERIFY2(updated >= 3 && updated < pages.size(), qPrintable(QString::number(updated)));
    QCOMPARE(boxes.shown[1].text,
             QStringLiteral("%1 páginas actualizadas, 0 páginas al día, 0 páginas rechazadas. "
                            "Cancelado: %2 páginas sin tocar.")
                 .arg(updated)
                 .arg(pages.size() - updated));
}

QTEST_MAIN(TestSiteMenu)
#include "test_sitemenu.moc"
