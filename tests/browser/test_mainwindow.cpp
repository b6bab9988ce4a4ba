#include "app/module1.h"
#include "browser/buttonbar.h"
#include "browser/frmscripts.h"
#include "browser/guardedpage.h"
#include "browser/pagebuilder.h"
#include "browser/presentationpanel.h"
#include "browser/splitterbar.h"
#include "browser/twips.h"
#include "editing/editorpanel.h"
#include "editing/qsci.h"
#include "library/nodekey.h"
#include "online/frmenviarscript.h"
#include "online/frmpublicidad.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/network.h"
#include "platform/shell.h"
#include "tests/support/tempprogramfolder.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QWebEngineView>
#include <QtTest>

namespace {

// The tree as indented text: one line per node, two blanks per level, "text [key]".
QString treeText(QTreeWidgetItem* item, int depth = 0)
{
    QString text = QString(depth * 2, QLatin1Char(' ')) + item->text(0) + QStringLiteral(" [") +
                   item->data(0, Qt::UserRole).toString() + QStringLiteral("]\n");
    for (int i = 0; i < item->childCount(); ++i)
        text += treeText(item->child(i), depth + 1);
    return text;
}

QList<bool> scriptButtonsEnabled(const Frmscripts& w)
{
    return {w.opciones->boton_Editar->isEnabled(), w.opciones->boton_exportar->isEnabled(),
            w.opciones->boton_borrar->isEnabled(), w.opciones->boton_enviarscript->isEnabled()};
}

// A script filed under a new category "Pruebas", of a new type "Efecto".
library::Script scriptInNewCategory(TempProgramFolder& folder)
{
    library::Script s;
    s.idCategoria = folder.addCategory(0, QStringLiteral("Pruebas"));
    s.idTipo = folder.addType(QStringLiteral("Efecto"));
    return s;
}

// Runs `action` and closes every modal window of class T that it opens; returns how many.
template <typename T> int modalWindowsOpenedBy(const std::function<void()>& action)
{
    int opened = 0;
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&opened] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            ++opened;
            dialog->reject();
        }
    });
    closer.start();
    action();
    return opened;
}

void click(Frmscripts& w, const QString& key)
{
    QTreeWidgetItem* node = w.FindNode(key);
    QVERIFY2(node, qPrintable(key));
    w.NodeClick(node);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void treeNestsByNameWhateverTheIds();
    void emptyLibraryShowsOnlyTheRoot();
    void buttonsFollowTheClickedNode();
    void currentScriptFollowsTheKeys();
    void libraryThatCannotBeOpenedEndsTheStart();
    void scriptPageRunsInTheEngine();
    void unreachableAddressKeepsTheGeneratedPage();
    void scriptPageShowsItsAccentsAsWritten();
    void splitterReleasedOutsideItsBoundsIsClamped();
    void linksOpenTheCompanyPageAndTheTerms();
    void exportButtonWritesTheCurrentScript();
    void previewShowsUnsavedTextsInTheUsersBrowser();
    void timerShowsTheBannerEverySecondTick();
    void sendButtonOpensTheSubmissionForm();
    void closingTheWindowEndsTheProgram();
};

void TestMainWindow::treeNestsByNameWhateverTheIds()
{
    TempProgramFolder folder;
    auto& db = folder.db();
    // Children stored before their parents, ids out of name order.
    db.execute(
        "INSERT INTO categorias (id, id_padre, nombre) VALUES "
        "(10, 30, 'Relojes'), (1, 0, 'Textos'), (30, 20, 'Fecha y hora'), (20, 0, 'Avanzado'),"
        "(11, 30, 'Calendarios'), (40, 99, 'Huérfana'), (41, 40, 'Nieta huérfana'),"
        "(2, 0, 'Bromas d''O''Brien');"
        "INSERT INTO tipos (id, nombre) VALUES (1, 'Efecto');"
        "INSERT INTO scripts (id, id_categoria, id_tipo, nombre) VALUES "
        "(1, 10, 1, 'Reloj digital'), (10, 10, 1, 'Reloj analógico'), (5, 1, 1, 'Máquina de "
        "escribir'),"
        "(6, 99, 1, 'Sin categoría'), (7, 41, 1, 'En huérfana'), (8, 2, 1, 'Chiste ''malo''');");
    folder.closeLibrary();

    Frmscripts w;
    QVERIFY(w.Form_Load());
    QCOMPARE(w.Tree->topLevelItemCount(), 1);
    QCOMPARE(treeText(w.Tree->topLevelItem(0)), QStringLiteral("Scripts [0C]\n"
                                                               "  Avanzado [20C]\n"
                                                               "    Fecha y hora [30C]\n"
                                                               "      Calendarios [11C]\n"
                                                               "      Relojes [10C]\n"
                                                               "        Reloj analógico [10S]\n"
                                                               "        Reloj digital [1S]\n"
                                                               "  Bromas d'O'Brien [2C]\n"
                                                               "    Chiste 'malo' [8S]\n"
                                                               "  Textos [1C]\n"
                                                               "    Máquina de escribir [5S]\n"
                                                               "  En huérfana [7S]\n"
                                                               "  Sin categoría [6S]\n"));
    // The last node added is the last script by name.
    QCOMPARE(w.nodX->data(0, Qt::UserRole).toString(), QStringLiteral("6S"));
    // Node texts cannot be edited in place.
    QVERIFY(!(w.FindNode(QStringLiteral("1S"))->flags() & Qt::ItemIsEditable));
    QCOMPARE(w.Tree->editTriggers(), QAbstractItemView::NoEditTriggers);
}

void TestMainWindow::emptyLibraryShowsOnlyTheRoot()
{
    TempProgramFolder folder;
    folder.closeLibrary();
    Frmscripts w;
    w.show();
    QVERIFY(w.Form_Load());
    QTreeWidgetItem* root = w.Tree->topLevelItem(0);
    QCOMPARE(root->text(0), QStringLiteral("Scripts"));
    QCOMPARE(root->childCount(), 0);
    QVERIFY(root->isExpanded());
    QCOMPARE(w.DropHighlight(), root);
    QVERIFY(w.Frame_presentacion->isVisible());
    QVERIFY(w.Timer1->isActive());
    QCOMPARE(w.Timer1->interval(), 60000);
    QCOMPARE(w.opciones->boton_insertar->toolTip(), QStringLiteral("Insertar Script"));
    QCOMPARE(w.opciones->boton_salir[0]->toolTip(), QStringLiteral("Salir"));
    QVERIFY(w.opciones->boton_preview->toolTip().isEmpty());
    QVERIFY(w.opciones->boton_enviarscript->toolTip().isEmpty());
    QVERIFY(w.opciones->boton_insertar->isEnabled());
    QVERIFY(w.opciones->boton_salir[0]->isVisible());
    QVERIFY(!w.opciones->boton_salir[1]->isVisible());
    QVERIFY(!w.opciones->boton_aceptar->isVisible());
    QCOMPARE(scriptButtonsEnabled(w), QList<bool>({false, false, false, false}));
}

void TestMainWindow::buttonsFollowTheClickedNode()
{
    TempProgramFolder folder;
    const qint64 parent = folder.addCategory(0, QStringLiteral("Textos"));
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    const qint64 one = folder.addScript(parent, type, QStringLiteral("Uno"));
    // Script 1 and category 1 may both exist; 10C is not 1C.
    QCOMPARE(parent, 1);
    QCOMPARE(one, 1);
    for (int i = 2; i <= 10; ++i)
        folder.addCategory(i == 10 ? parent : 0,
                           QStringLiteral("Cat %1").arg(i, 2, 10, QLatin1Char('0')));
    folder.closeLibrary();

    Frmscripts w;
    w.show();
    QVERIFY(w.Form_Load());
    click(w, QStringLiteral("1S"));
    QCOMPARE(w.id, QStringLiteral("1"));
    QCOMPARE(scriptButtonsEnabled(w), QList<bool>({true, true, true, true}));
    QVERIFY(!w.Frame_presentacion->isVisible());
    QCOMPARE(w.DropHighlight(), w.FindNode(QStringLiteral("1S")));

    QTreeWidgetItem* cat10 = w.FindNode(QStringLiteral("10C"));
    QVERIFY(cat10 != w.FindNode(QStringLiteral("1C")));
    QCOMPARE(cat10->parent(), w.FindNode(QStringLiteral("1C")));
    const bool expanded = cat10->isExpanded();
    click(w, QStringLiteral("10C"));
    QCOMPARE(cat10->isExpanded(), !expanded);
    click(w, QStringLiteral("10C"));
    QCOMPARE(cat10->isExpanded(), expanded);
    // The current script is remembered, but the buttons that act on it are off.
    QCOMPARE(w.id, QStringLiteral("1"));
    QCOMPARE(scriptButtonsEnabled(w), QList<bool>({false, false, false, false}));
    QCOMPARE(w.DropHighlight(), cat10);
    const QByteArray page =
        TempProgramFolder::readFile(folder.filePath(QStringLiteral("categoria.htm")));
    QVERIFY(page.contains("<b>Categor\xc3\xad"
                          "a: </b>Cat 10</b>"));

    click(w, QStringLiteral("0C"));
    click(w, QStringLiteral("0C"));
    QVERIFY(w.Tree->topLevelItem(0)->isExpanded()); // the root never collapses
    QVERIFY(w.Frame_presentacion->isVisible());
    QCOMPARE(scriptButtonsEnabled(w), QList<bool>({false, false, false, false}));

    // A double click acts only while the root is the selected node.
    w.SetDropHighlight(cat10);
    w.Tree->setCurrentItem(nullptr);
    w.Tree_DblClick();
    QCOMPARE(w.DropHighlight(), cat10);
    w.Tree->setCurrentItem(w.Tree->topLevelItem(0));
    w.Tree_DblClick();
    QCOMPARE(w.DropHighlight(), w.Tree->topLevelItem(0));
}

void TestMainWindow::currentScriptFollowsTheKeys()
{
    TempProgramFolder folder;
    const qint64 menus = folder.addCategory(0, QStringLiteral("Menús"));
    const qint64 relojes = folder.addCategory(0, QStringLiteral("Relojes"));
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    const qint64 desplegable = folder.addScript(menus, type, QStringLiteral("Desplegable"));
    const qint64 nieve = folder.addScript(relojes, type, QStringLiteral("Nieve"));
    const qint64 reloj = folder.addScript(relojes, type, QStringLiteral("Reloj digital"));
    folder.closeLibrary();

    Frmscripts w;
    w.resize(1000, 700);
    w.show();
    QVERIFY(w.Form_Load());
    w.Tree->expandAll();
    w.Tree->setFocus();
    const auto shown = [&](const QString& page) {
        const QString path = folder.filePath(page);
        return QFile::exists(path) ? QString::fromUtf8(TempProgramFolder::readFile(path))
                                   : QString();
    };
    const auto scriptPage = [&] { return shown(pages::ScriptPageName); };
    const auto categoryPage = [&] { return shown(pages::CategoryPageName); };
    const auto current = [&] {
        const QTreeWidgetItem* node = w.Tree->currentItem();
        return node ? node->data(0, Qt::UserRole).toString() : QString();
    };

    // Each step: the key pressed, the node it makes current, and what the window shows.
    QTest::keyClick(w.Tree, Qt::Key_Home);
    QCOMPARE(current(), library::RootKey);
    QVERIFY(w.Frame_presentacion->isVisible());
    QCOMPARE(scriptButtonsEnabled(w), QList<bool>({false, false, false, false}));

    QTest::keyClick(w.Tree, Qt::Key_Down);
    QCOMPARE(current(), library::categoryKey(menus));
    QVERIFY(categoryPage().contains(QStringLiteral("</b>Menús</b>")));
    QVERIFY(!w.Frame_presentacion->isVisible());
    QVERIFY(w.FindNode(library::categoryKey(menus))->isExpanded()); // moving never folds
    QCOMPARE(w.DropHighlight(), w.Tree->currentItem());

    QTest::keyClick(w.Tree, Qt::Key_Down);
    QCOMPARE(current(), library::scriptKey(desplegable));
    QCOMPARE(w.id, QString::number(desplegable));
    QVERIFY(scriptPage().contains(QStringLiteral("Desplegable")));
    QCOMPARE(scriptButtonsEnabled(w), QList<bool>({true, true, true, true}));
    QTRY_COMPARE(w.explorador->url().fileName(), pages::ScriptPageName);

    QTest::keyClick(w.Tree, Qt::Key_End);
    QCOMPARE(current(), library::scriptKey(reloj));
    QCOMPARE(w.id, QString::number(reloj));
    QVERIFY(scriptPage().contains(QStringLiteral("Reloj digital")));
    QCOMPARE(w.DropHighlight(), w.Tree->currentItem());

    QTest::keyClick(w.Tree, Qt::Key_Up);
    QCOMPARE(current(), library::scriptKey(nieve));
    QCOMPARE(w.id, QString::number(nieve));
    QVERIFY(scriptPage().contains(QStringLiteral("Nieve")));

    // Typing a name goes to it.
    QTest::keyClicks(w.Tree, QStringLiteral("Des"));
    QCOMPARE(current(), library::scriptKey(desplegable));
    QCOMPARE(w.id, QString::number(desplegable));
    QVERIFY(scriptPage().contains(QStringLiteral("Desplegable")));

    // Up onto a category: its page, the buttons off, the last script still remembered.
    QTest::keyClick(w.Tree, Qt::Key_Up);
    QCOMPARE(current(), library::categoryKey(menus));
    QCOMPARE(scriptButtonsEnabled(w), QList<bool>({false, false, false, false}));
    QCOMPARE(w.id, QString::number(desplegable));
    QTRY_COMPARE(w.explorador->url().fileName(), pages::CategoryPageName);
}

void TestMainWindow::libraryThatCannotBeOpenedEndsTheStart()
{
    platform::ScriptedMessageBoxes boxes;
    {
        TempProgramFolder folder;
        folder.closeLibrary();
        QFile::remove(folder.libraryPath());
        Frmscripts w;
        QVERIFY(!w.Form_Load());
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Error"));
        QCOMPARE(boxes.shown[0].icon, QMessageBox::Critical);
        QCOMPARE(boxes.shown[0].text,
                 QStringLiteral("Faltan ficheros de la aplicación\n"
                                "No podrá utilizar Korvalis hasta solventar el problema"));
    }
    boxes.shown.clear();
    {
        // A library keyed with another password.
        TempProgramFolder folder;
        folder.closeLibrary();
        QFile::remove(folder.libraryPath());
        library::Database::create(folder.libraryPath(), "otra clave")
            .execute("CREATE TABLE tipos (id)");
        Frmscripts w;
        QVERIFY(!w.Form_Load());
        QVERIFY(!w.cn);
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown[0].text.contains(QDir::toNativeSeparators(folder.libraryPath())));
    }
    boxes.shown.clear();
    {
        TempProgramFolder folder;
        folder.closeLibrary();
        TempProgramFolder::writeFile(folder.libraryPath(), QByteArray(8192, 'Z'));
        Frmscripts w;
        QVERIFY(!w.Form_Load());
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown[0].text.contains(QStringLiteral("scripts.mdb")));
    }
}

void TestMainWindow::scriptPageRunsInTheEngine()
{
    TempProgramFolder folder;
    library::Script s = scriptInNewCategory(folder);
    s.nombre = QStringLiteral("Título");
    s.scriptHead = QStringLiteral("<script>function marca(){ document.title = 'ejecutado ' + "
                                  "document.getElementById('z').textContent; }</script>");
    s.scriptBody = QStringLiteral("onload=\"marca()\"");
    s.scriptHtml = QStringLiteral("<span id=z>añadido</span>");
    const qint64 id = folder.addScript(s);
    folder.closeLibrary();

    Frmscripts w;
    w.show();
    QVERIFY(w.Form_Load());
    click(w, library::scriptKey(id));
    QTRY_COMPARE_WITH_TIMEOUT(w.explorador->title(), QStringLiteral("ejecutado añadido"), 20000);
    QCOMPARE(w.explorador->url(), QUrl::fromLocalFile(folder.filePath(QStringLiteral("js.htm"))));
}

void TestMainWindow::unreachableAddressKeepsTheGeneratedPage()
{
    QVERIFY(GuardedPage::IsBlockedAddress(QUrl(QStringLiteral("res://ieframe.dll/dnserror.htm"))));
    QVERIFY(GuardedPage::IsBlockedAddress(QUrl(QStringLiteral("http://x.example/a?dnserror"))));
    QVERIFY(!GuardedPage::IsBlockedAddress(QUrl(QStringLiteral("http://x.example/DNSERROR"))));
    QVERIFY(!GuardedPage::IsBlockedAddress(QUrl(QStringLiteral("http://x.example/dnsError"))));

    TempProgramFolder folder;
    library::Script s = scriptInNewCategory(folder);
    s.nombre = QStringLiteral("Salta");
    s.scriptBody = QStringLiteral("onload=\"document.title='cargada'; "
                                  "location.href='http://127.0.0.1:9/dnserror.htm'\"");
    const qint64 id = folder.addScript(s);
    folder.closeLibrary();

    Frmscripts w;
    w.show();
    QVERIFY(w.Form_Load());
    QSignalSpy finished(w.explorador, &QWebEngineView::loadFinished);
    click(w, library::scriptKey(id));
    QTRY_COMPARE_WITH_TIMEOUT(w.explorador->title(), QStringLiteral("cargada"), 20000);
    QTest::qWait(1500); // give the cancelled navigation its chance to go wrong
    QCOMPARE(w.explorador->url(), QUrl::fromLocalFile(folder.filePath(QStringLiteral("js.htm"))));
    QCOMPARE(w.explorador->title(), QStringLiteral("cargada"));
}

void TestMainWindow::scriptPageShowsItsAccentsAsWritten()
{
    // As the program runs: in the Spanish locale.
    Module1::SetSpanishLocale();
    TempProgramFolder folder;
    library::Script s = scriptInNewCategory(folder);
    s.nombre = QStringLiteral("Máquina de escribir");
    s.scriptHtml = QStringLiteral("<p id=\"x\">máquina, año, «ñandú»</p>");
    s.scriptBody =
        QStringLiteral("onload=\"document.title=document.getElementById('x').textContent\"");
    const qint64 id = folder.addScript(s);
    folder.closeLibrary();

    Frmscripts w;
    w.show();
    QVERIFY(w.Form_Load());
    click(w, library::scriptKey(id));
    QTRY_COMPARE_WITH_TIMEOUT(w.explorador->title(), QStringLiteral("máquina, año, «ñandú»"),
                              20000);
}

void TestMainWindow::splitterReleasedOutsideItsBoundsIsClamped()
{
    TempProgramFolder folder;
    folder.closeLibrary();
    Frmscripts w;
    w.resize(800, 500);
    w.show();
    QVERIFY(w.Form_Load());
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const int dpi = twips::dpiOf(&w);
    const int W = twips::fromPixels(w.width(), dpi);
    auto drag = [&](int dx) {
        QMouseEvent move(QEvent::MouseMove, QPointF(dx, 5),
                         w.linea_borde->mapToGlobal(QPointF(dx, 5)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(w.linea_borde, &move);
        QMouseEvent up(QEvent::MouseButtonRelease, QPointF(0, 5),
                       w.linea_borde->mapToGlobal(QPointF(0, 5)), Qt::LeftButton, Qt::NoButton,
                       Qt::NoModifier);
        QApplication::sendEvent(w.linea_borde, &up);
        return twips::geometryOf(w.linea_borde).left();
    };
    // Positions are applied in whole pixels.
    auto snapped = [dpi](int t) { return twips::fromPixels(twips::toPixels(t, dpi), dpi); };
    // Far to the left: comes to rest 100 twips inside the quarter.
    QCOMPARE(drag(-700), snapped(W / 4 + 100));
    QCOMPARE(twips::geometryOf(w.Tree).width(), snapped(W / 4 + 100 - 50));
    // Far to the right: 100 twips inside three quarters.
    QCOMPARE(drag(700), snapped(W - 100 - W / 4));
    // Between the bounds it stays where it was dropped.
    const int before = twips::geometryOf(w.linea_borde).left();
    const int dropped = snapped(before + twips::fromPixels(-100, dpi));
    QCOMPARE(drag(-100), dropped);
    QCOMPARE(twips::geometryOf(w.explorador).left(), snapped(dropped + 150));
    // A move without a button, or with both, does not drag.
    QMouseEvent both(QEvent::MouseMove, QPointF(50, 5), w.linea_borde->mapToGlobal(QPointF(50, 5)),
                     Qt::NoButton, Qt::LeftButton | Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(w.linea_borde, &both);
    QCOMPARE(twips::geometryOf(w.linea_borde).left(), dropped);
    QVERIFY(!QApplication::overrideCursor());
}

void TestMainWindow::linksOpenTheCompanyPageAndTheTerms()
{
    TempProgramFolder folder;
    folder.closeLibrary();
    TempProgramFolder::writeFile(folder.filePath(QStringLiteral("licencia.rtf")),
                                 "{\\rtf1\\ansi Condiciones de Korvalis\\par}");
    platform::RecordingShell shell;
    Frmscripts w;
    w.show();
    QVERIFY(w.Form_Load());
    QTest::mouseClick(w.Frame_presentacion->Label5[2], Qt::LeftButton);
    QCOMPARE(shell.opened, QList<QUrl>{QUrl(Module1::CompanyUrl)});
    QCOMPARE(w.Frame_presentacion->Label5[0]->cursor().shape(), Qt::WhatsThisCursor);
    QTest::mouseClick(w.Frame_presentacion->Label7, Qt::LeftButton);
    auto* terms = w.findChild<QWidget*>(QStringLiteral("frmcondiciones"));
    QVERIFY(terms && terms->isVisible());
    QVERIFY(terms->findChild<QTextBrowser*>()->toPlainText().contains(
        QStringLiteral("Condiciones de Korvalis")));
}

void TestMainWindow::exportButtonWritesTheCurrentScript()
{
    TempProgramFolder folder;
    library::Script s = scriptInNewCategory(folder);
    s.nombre = QStringLiteral("Aviso");
    s.scriptHtml = QStringLiteral("<p>hola</p>");
    const qint64 id = folder.addScript(s);
    folder.closeLibrary();
    QTemporaryDir site;
    const QString page = site.filePath(QStringLiteral("index.htm"));

    platform::ScriptedFileDialogs dialogs;
    platform::RecordingShell shell;
    Frmscripts w;
    w.show();
    QVERIFY(w.Form_Load());
    click(w, library::scriptKey(id));
    click(w, library::categoryKey(s.idCategoria)); // the script stays current
    w.opciones->EnableScriptButtons(true);
    dialogs.names.append(page);
    QTest::mouseClick(w.opciones->boton_exportar, Qt::LeftButton);
    QCOMPARE(dialogs.requests.size(), 1);
    QVERIFY(TempProgramFolder::readFile(page).contains(
        QStringLiteral("<!-- Beginning of HTML JavaScript id=%1 -->").arg(id).toUtf8()));
    QCOMPARE(shell.opened, QList<QUrl>{QUrl::fromLocalFile(page)});
    QVERIFY(QFileInfo(site.filePath(QStringLiteral("resources"))).isDir());
}

void TestMainWindow::previewShowsUnsavedTextsInTheUsersBrowser()
{
    TempProgramFolder folder;
    library::Script s = scriptInNewCategory(folder);
    s.nombre = QStringLiteral("Guardado");
    s.scriptHead = QStringLiteral("<script>var guardado;</script>");
    s.nombreFichero = QStringLiteral("externo.js");
    const qint64 id = folder.addScript(s);
    folder.addType(QStringLiteral("Reloj"));
    folder.closeLibrary();

    platform::RecordingShell shell;
    Frmscripts w;
    w.show();
    QVERIFY(w.Form_Load());
    click(w, library::scriptKey(id));
    QTRY_VERIFY_WITH_TIMEOUT(!w.explorador->url().isEmpty(), 20000);
    const QUrl shown = w.explorador->url();
    QTest::mouseClick(w.opciones->boton_Editar, Qt::LeftButton);
    QVERIFY(w.Frame2->isVisible());
    QVERIFY(w.opciones->boton_preview->isVisible());
    w.Frame2->Text_nombre->setText(QStringLiteral("Sin guardar"));
    w.Frame2->script_head->setText(QStringLiteral("<script>var nuevo;</script>"));
    w.Frame2->list_tipo->setCurrentText(QStringLiteral("Reloj"));
    QTest::mouseClick(w.opciones->boton_preview, Qt::LeftButton);

    const QString page = folder.filePath(QStringLiteral("js.htm"));
    QCOMPARE(shell.opened, QList<QUrl>{QUrl::fromLocalFile(page)});
    const QByteArray bytes = TempProgramFolder::readFile(page);
    QVERIFY(bytes.startsWith("<html><head><title></title>\r\n<meta charset=\"utf-8\">\r\n"
                             "<script>var nuevo;</script>\r\n</head>"));
    QVERIFY(bytes.contains("<b>Sin guardar</b>"));
    QVERIFY(bytes.contains("<b>Tipo Script:</b> Reloj</font>"));
    QVERIFY(!bytes.contains("externo.js"));
    QCOMPARE(w.explorador->url(), shown);
    auto store = library::LibraryStore::open(folder.libraryPath());
    QCOMPARE(store->script(id)->nombre, QStringLiteral("Guardado"));
    QCOMPARE(store->script(id)->scriptHead, QStringLiteral("<script>var guardado;</script>"));
}

void TestMainWindow::timerShowsTheBannerEverySecondTick()
{
    platform::FixedNetworkPresence offline(false);
    TempProgramFolder folder;
    folder.closeLibrary();
    Frmscripts w;
    w.show();
    QVERIFY(w.Form_Load());
    Module1::BannerTickCount = 0;
    QList<int> shown;
    for (int tick = 1; tick <= 5; ++tick)
        shown.append(modalWindowsOpenedBy<Frmpublicidad>([&w] { w.Timer1_Timer(); }));
    QCOMPARE(shown, QList<int>({0, 1, 0, 1, 0}));
}

void TestMainWindow::sendButtonOpensTheSubmissionForm()
{
    TempProgramFolder folder;
    library::Script s = scriptInNewCategory(folder);
    s.nombre = QStringLiteral("Para enviar");
    const qint64 id = folder.addScript(s);
    folder.closeLibrary();
    Frmscripts w;
    w.show();
    QVERIFY(w.Form_Load());
    // Nothing to send before a script is current.
    QCOMPARE(modalWindowsOpenedBy<frmenviarscript>([&w] { w.ShowSubmissionForm(); }), 0);
    click(w, library::scriptKey(id));
    QCOMPARE(modalWindowsOpenedBy<frmenviarscript>(
                 [&w] { QTest::mouseClick(w.opciones->boton_enviarscript, Qt::LeftButton); }),
             1);
}

void TestMainWindow::closingTheWindowEndsTheProgram()
{
    TempProgramFolder folder;
    folder.closeLibrary();
    Frmscripts w;
    w.show();
    QVERIFY(w.Form_Load());
    QSignalSpy unloaded(&w, &Frmscripts::unloaded);
    QTest::mouseClick(w.opciones->boton_salir[0], Qt::LeftButton);
    QCOMPARE(unloaded.count(), 1);
    QVERIFY(!w.isVisible());
    QVERIFY(!w.Timer1->isActive());
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
