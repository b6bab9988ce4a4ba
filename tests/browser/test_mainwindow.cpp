// The program's windows and pages as a person meets them, on temporary program folders: the
// start, the main window, the pages it writes, and every window read whole in several fonts.
#include "app/frmcondiciones.h"
#include "app/frmsplash.h"
#include "app/programwindows.h"
#include "base/module1.h"
#include "browser/buttonbar.h"
#include "browser/drophighlight.h"
#include "browser/pagebuilder.h"
#include "browser/presentationpanel.h"
#include "browser/searchbox.h"
#include "browser/searchresults.h"
#include "browser/splitterbar.h"
#include "browser/twips.h"
#include "editing/editorpanel.h"
#include "editing/qsci.h"
#include "library/nodekey.h"
#include "online/frmenviarscript.h"
#include "online/frmpublicidad.h"
#include "online/mapi.h"
#include "platform/network.h"
#include "tests/support/mainwindow.h"
#include "tests/support/scriptbuilder.h"
#include "tests/support/textfit.h"
#include "web/guardedpage.h"
#include "web/popupwindow.h"
#include "web/webprofile.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QVector3D>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace pages;

namespace {

QString fileText(TempProgramFolder& folder, const QString& name)
{
    return QString::fromUtf8(QFile(folder.filePath(name)).exists()
                                 ? TempProgramFolder::readFile(folder.filePath(name))
                                 : QByteArray());
}

QVariant runScript(QWebEnginePage* page, const QString& script)
{
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant& v) {
        result = v;
        done = true;
    });
    (void)QTest::qWaitFor([&] { return done; }, 5000);
    return result;
}

// The script names a tree or the search results show now, top to bottom.
QStringList shownScripts(const QTreeView* view, const QModelIndex& parent = {})
{
    QStringList names;
    const QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex node = model->index(row, 0, parent);
        if (view->isRowHidden(row, parent))
            continue;
        if (node.data(Qt::UserRole).toString().endsWith(u'S'))
            names.append(node.data().toString());
        if (view->isExpanded(node))
            names += shownScripts(view, node);
    }
    return names;
}

// Terms of use with an accent written as RTF writes it.
const QByteArray Terms = "{\\rtf1\\ansi Condiciones: aceptaci\\'f3n.}";

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void libraryThatCannotBeOpenedEndsTheStart_data();
    void libraryThatCannotBeOpenedEndsTheStart();
    void treeReadsInNameOrderAndTheWindowFollowsTheCurrentNode();
    void splitterReleasedOutsideItsBoundsIsClamped();
    void buttonsAndLinksOfTheBrowsingWindow();
    void searchFiltersWithoutAccentsAndPicksNothing();
    void scriptWindowsOpenAsProgramWindowsAndCloseThemselves();
    void bannerLinksGoToTheUsersBrowserOnly();
    void bannerNeverTakesWhatTheUserIsDoing();
    void pagesAskForArialAndGetItsMetrics();
    void pagesAreWrittenByteForByte_data();
    void pagesAreWrittenByteForByte();
    void namesWithMarkupShowAsTextInThePagePane();
    void everyWindowReadsWholeAtItsDesignedSize_data();
    void everyWindowReadsWholeAtItsDesignedSize();
    void dropHighlightNeverLooksLikeASecondSelection();
    void namesAreMeasuredAsTheStyleMeasuresThemAndShowWhole();
    void windowFollowsChangesMadeByAnotherConnection();
    void everyButtonSaysWhatItDoesAndTheSplitterCanBeFound();
    // Last: declining asks the program to quit, after which no modal window can run.
    void startWindowAsAPersonMeetsIt();
};

void TestMainWindow::startWindowAsAPersonMeetsIt()
{
    platform::ScriptedMessageBoxes boxes;
    TempProgramFolder folder;
    folder.addCategory(0, u"Textos"_s);
    folder.closeLibrary();
    QVERIFY(!frmsplash(app::MakeEngineWindows).Form_Load(folder.paths()));
    QCOMPARE(boxes.shown.value(0).text,
             u"Falta algun fichero de instalacion de Korvalis.\nNo podrá continuar"_s);
    TempProgramFolder::writeFile(folder.filePath(u"licencia.rtf"_s), Terms);
    {
        // Accepting: the main window with its tree, the root highlighted, the presentation.
        platform::FixedNetworkPresence online(true);
        QPointer<frmsplash> splash(new frmsplash(app::MakeEngineWindows));
        QVERIFY(splash->Form_Load(folder.paths()));
        QTRY_VERIFY(splash->WebBrowser1()); // the update check, on the one profile of every page
        QCOMPARE(splash->WebBrowser1()->profile(), web::WebProfile());
        QTest::mouseClick(splash->Command2(), Qt::LeftButton);
        std::unique_ptr<Frmscripts> main(splash->MainWindow());
        QTRY_VERIFY(main && main->isVisible() && !splash); // the start window is unloaded
        QCOMPARE(main->Tree()->topLevelItem(0)->child(0)->text(0), u"Textos"_s);
        QCOMPARE(main->DropHighlight(), main->Tree()->topLevelItem(0));
        QVERIFY(main->Frame_presentacion()->isVisible() && !QApplication::overrideCursor());
    }
    // Without a network there is no update check; declining leaves the library untouched.
    platform::FixedNetworkPresence offline(false);
    const auto messages = boxes.shown.size();
    const QByteArray library = TempProgramFolder::readFile(folder.libraryPath());
    const QDateTime touched = QFileInfo(folder.libraryPath()).lastModified();
    QPointer<frmsplash> splash(new frmsplash(app::MakeEngineWindows));
    splash->setAttribute(Qt::WA_DeleteOnClose);
    QVERIFY(splash->Form_Load(folder.paths()) && splash->isVisible());
    QVERIFY(splash->RichText()->toPlainText().contains(u"aceptación"_s));
    QTRY_VERIFY(splash->NetworkTested() && !splash->Command3()->isVisible() &&
                !splash->WebBrowser1());
    QTest::mouseClick(splash->Command1(), Qt::LeftButton);
    QTRY_VERIFY(!splash);
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    QCOMPARE(TempProgramFolder::readFile(folder.libraryPath()), library);
    QCOMPARE(QFileInfo(folder.libraryPath()).lastModified(), touched);
    QCOMPARE(boxes.shown.size(), messages);
}

void TestMainWindow::libraryThatCannotBeOpenedEndsTheStart_data()
{
    QTest::addColumn<QByteArray>("bytes"); // null: no file at all
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << QByteArray() << u"Faltan ficheros de la aplicación"_s;
    QTest::newRow("another key") << QByteArray("otra clave") << u"scripts.mdb"_s;
    QTest::newRow("not a library") << QByteArray(8192, 'Z') << u"scripts.mdb"_s;
}

void TestMainWindow::libraryThatCannotBeOpenedEndsTheStart()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    TempProgramFolder folder;
    folder.closeLibrary();
    QFile::remove(folder.libraryPath());
    if (bytes == "otra clave")
        library::Database::create(folder.libraryPath(), bytes).execute("CREATE TABLE tipos (id)");
    else if (!bytes.isNull())
        TempProgramFolder::writeFile(folder.libraryPath(), bytes);
    platform::ScriptedMessageBoxes boxes;
    QVERIFY(!Frmscripts(folder.paths()).Form_Load());
    QVERIFY2(boxes.shown.size() == 1 && boxes.shown[0].text.contains(message),
             qPrintable(boxes.shown.value(0).text));
}

void TestMainWindow::treeReadsInNameOrderAndTheWindowFollowsTheCurrentNode()
{
    TempProgramFolder folder;
    // Children stored before their parents, ids out of name order, 1C, 10C and 1S all present,
    // orphans, a cycle, a category its own parent, quotes, accents, numbers and a 64-bit id.
    folder.db().execute(
        "INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES "
        "(10, 30, 'Relojes', 'Horas'), (1, 0, 'Textos', ''), (30, 20, 'Fecha y hora', ''),"
        "(20, 0, 'Avanzado', ''), (11, 30, 'Calendarios', ''), (40, 99, 'Huérfana', ''),"
        "(41, 40, 'Nieta huérfana', ''), (2, 0, 'Bromas d''O''Brien', ''), (3, 4, 'Tres', ''),"
        "(4, 3, 'Cuatro', ''), (5, 5, 'Cinco', ''), (6, 0, 'Árboles', ''), (7, 0, 'Ñu', ''),"
        "(8, 0, 'Nube', ''), (12, 0, 'Árbol 112', ''), (13, 0, 'Árbol 28', '');"
        "INSERT INTO tipos (id, nombre) VALUES (1, 'Efecto');"
        "INSERT INTO scripts (id, id_categoria, id_tipo, nombre) VALUES "
        "(1, 10, 1, 'Reloj digital'), (10, 10, 1, 'Reloj analógico'),"
        "(5, 1, 1, 'Máquina de escribir'), (6, 99, 1, 'Sin categoría'), (7, 41, 1, 'En huérfana'),"
        "(8, 2, 1, 'Chiste ''malo'''), (9, 3, 1, 'En un ciclo'), (5000000000, 0, 1, 'Zeta'),"
        "(11, 6, 1, 'Hoja 112'), (12, 6, 1, 'Hoja 28');");
    MainWindowUnderTest w(folder);
    QVERIFY(w.loaded());
    QCOMPARE(w.tree(), u"Scripts [0C]\n"
                       "  Árbol 28 [13C]\n"
                       "  Árbol 112 [12C]\n"
                       "  Árboles [6C]\n"
                       "    Hoja 28 [12S]\n"
                       "    Hoja 112 [11S]\n"
                       "  Avanzado [20C]\n"
                       "    Fecha y hora [30C]\n"
                       "      Calendarios [11C]\n"
                       "      Relojes [10C]\n"
                       "        Reloj analógico [10S]\n"
                       "        Reloj digital [1S]\n"
                       "  Bromas d'O'Brien [2C]\n"
                       "    Chiste 'malo' [8S]\n"
                       "  Nube [8C]\n"
                       "  Ñu [7C]\n"
                       "  Textos [1C]\n"
                       "    Máquina de escribir [5S]\n"
                       "  En huérfana [7S]\n"
                       "  En un ciclo [9S]\n"
                       "  Sin categoría [6S]\n"
                       "  Zeta [5000000000S]\n"_s);

    // Clicks and keys alike: the node made current shows its page (the root, the
    // presentation) and carries the highlight; the script buttons act only on a current
    // script, whose id stays remembered over a category.
    const auto shows = [&] {
        const QTreeWidgetItem* node = w->Tree()->currentItem();
        const QString page = fileText(folder, w.current().endsWith(u'S') ? pages::ScriptPageName
                                                                         : pages::CategoryPageName);
        return w.current() + u" id="_s + w->id() + u' ' + w.buttons() +
               (w->Frame_presentacion()->isVisible()       ? u" presentación"_s
                : page.contains(node->text(0) + u"</b>"_s) ? u" página"_s
                                                           : u" otra página"_s) +
               (w->DropHighlight() == node ? u""_s : u" resalte en otro nodo"_s);
    };
    const QString off = u" insertar Editar* exportar* borrar* enviar* Salir"_s;
    const QString on = u" insertar Editar exportar borrar enviar Salir"_s;
    QCOMPARE(shows(), u"0C id="_s + off + u" presentación"_s);
    w.click(u"1S"_s);
    QCOMPARE(shows(), u"1S id=1"_s + on + u" página"_s);
    QTreeWidgetItem* relojes = w.node(u"10C"_s);
    const bool expanded = relojes->isExpanded();
    w.click(u"10C"_s);
    QCOMPARE(shows(), u"10C id=1"_s + off + u" página"_s);
    QCOMPARE(relojes->isExpanded(), !expanded); // a click folds or unfolds
    w.click(u"0C"_s);
    w.click(u"0C"_s);
    QVERIFY(w.node(u"0C"_s)->isExpanded()); // but the root never folds
    QCOMPARE(shows(), u"0C id=1"_s + off + u" presentación"_s);
    w->Tree()->expandAll();
    w->Tree()->setFocus();
    const auto key = [&](Qt::Key k) {
        QTest::keyClick(w->Tree(), k);
        return shows();
    };
    QCOMPARE(key(Qt::Key_Down), u"13C id=1"_s + off + u" página"_s);
    QCOMPARE(key(Qt::Key_End), u"5000000000S id=5000000000"_s + on + u" página"_s);
    QTRY_COMPARE(w->explorador()->url().fileName(), pages::ScriptPageName);
    QCOMPARE(key(Qt::Key_Up), u"6S id=6"_s + on + u" página"_s);
    QTest::keyClicks(w->Tree(), u"Chi"_s); // typing a name goes to it
    QCOMPARE(shows(), u"8S id=8"_s + on + u" página"_s);
    QCOMPARE(key(Qt::Key_Up), u"2C id=8"_s + off + u" página"_s);
    QTRY_COMPARE(w->explorador()->url().fileName(), pages::CategoryPageName);
}

void TestMainWindow::splitterReleasedOutsideItsBoundsIsClamped()
{
    TempProgramFolder folder;
    MainWindowUnderTest w(folder, {800, 500});
    QVERIFY(QTest::qWaitForWindowExposed(&w.w));
    const int dpi = twips::dpiOf(&w.w);
    const int W = twips::fromPixels(w->width(), dpi);
    const auto left = [&] { return twips::geometryOf(w->linea_borde()).left(); };
    // Drags the bar sideways by dx pixels and lets it go, as a mouse does.
    const auto dragSplitter = [&](int dx) {
        QWidget* bar = w->linea_borde();
        QMouseEvent move(QEvent::MouseMove, QPointF(dx, 5), bar->mapToGlobal(QPointF(dx, 5)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &move);
        QMouseEvent up(QEvent::MouseButtonRelease, QPointF(0, 5), bar->mapToGlobal(QPointF(0, 5)),
                       Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &up);
    };
    // Positions are applied in whole pixels.
    const auto snapped = [dpi](int t) { return twips::fromPixels(twips::toPixels(t, dpi), dpi); };
    // The search box above the tree keeps the tree's left edge and width.
    QLineEdit* box = w->busqueda()->Text_buscar();
    const auto boxFollowsTree = [&] {
        const QRect tree = w->Tree()->geometry();
        return box->geometry().left() == tree.left() && box->geometry().width() == tree.width();
    };
    QVERIFY(boxFollowsTree());
    dragSplitter(-700); // far left: 100 twips inside the quarter
    QCOMPARE(left(), snapped(W / 4 + 100));
    QVERIFY(boxFollowsTree());
    dragSplitter(700); // far right: 100 twips inside three quarters
    QCOMPARE(left(), snapped(W - 100 - W / 4));
    QVERIFY(boxFollowsTree());
    const int dropped = snapped(left() + twips::fromPixels(-100, dpi));
    dragSplitter(-100); // between the bounds it stays where it was dropped
    QCOMPARE(left(), dropped);
    QCOMPARE(twips::geometryOf(w->explorador()).left(), snapped(dropped + 150));
    QVERIFY(boxFollowsTree());
    QVERIFY(!QApplication::overrideCursor());
    // By key: with the bar's focus, each arrow moves it a step, the box with the tree.
    w->linea_borde()->setFocus();
    QTRY_VERIFY(w->linea_borde()->hasFocus());
    const int treeWidth = w->Tree()->width();
    QTest::keyClick(w->linea_borde(), Qt::Key_Left);
    QTest::keyClick(w->linea_borde(), Qt::Key_Left);
    QVERIFY2(w->Tree()->width() < treeWidth - 30, qPrintable(QString::number(w->Tree()->width())));
    QVERIFY(boxFollowsTree());
    QTest::keyClick(w->linea_borde(), Qt::Key_Right);
    QVERIFY(w->Tree()->width() > treeWidth - 30 && w->Tree()->width() < treeWidth);
    QVERIFY(boxFollowsTree());
    for (int i = 0; i < 40; ++i) // held down: it stops at the same bound as a drag
        QTest::keyClick(w->linea_borde(), Qt::Key_Right);
    QCOMPARE(left(), snapped(W - 100 - W / 4));
    QVERIFY(boxFollowsTree());
}

void TestMainWindow::buttonsAndLinksOfTheBrowsingWindow()
{
    platform::FixedNetworkPresence offline(false);
    TempProgramFolder folder;
    TempProgramFolder::writeFile(folder.filePath(u"licencia.rtf"_s), Terms);
    SampleLibrary sample(folder);
    folder.addType(u"Reloj"_s);
    const qint64 aviso = ScriptBuilder(u"Aviso"_s)
                             .in(sample.relojes)
                             .type(sample.efecto)
                             .fileName(u"externo.js"_s)
                             .html(u"<p>hola</p>"_s)
                             .file(u"aviso.gif"_s, "GIF89a-aviso")
                             .addTo(folder);
    MainWindowUnderTest w(folder);
    ModalCloser closer;

    // The links: the company page in the user's browser, the terms in a window.
    QTest::mouseClick(w->Frame_presentacion()->Label5(2), Qt::LeftButton);
    QCOMPARE(w.shell.opened, QList<QUrl>{QUrl(Module1::CompanyUrl)});
    QTest::mouseClick(w->Frame_presentacion()->Label7(), Qt::LeftButton);
    auto* terms = w->findChild<QWidget*>(u"frmcondiciones"_s);
    QVERIFY(terms && terms->isVisible() &&
            terms->findChild<QTextBrowser*>()->toPlainText().contains(u"aceptación"_s));

    // The banner comes at every second tick of the timer, not at every one, once the user
    // has left the keys and the mouse alone for a moment.
    QTest::qWait(online::BannerTicks::QuietAfterInputMs + 200);
    Module1::BannerTickCount = 0;
    QString banners;
    for (int tick = 1; tick <= 5; ++tick) {
        w->Timer1_Timer();
        banners += QString::number(closer.opened.removeAll(u"Frmpublicidad"_s));
    }
    QCOMPARE(banners, u"01010"_s);

    // Sending opens the form for the current script.
    w.click(library::scriptKey(aviso));
    QTest::mouseClick(w->opciones()->boton_enviarscript(), Qt::LeftButton);
    QCOMPARE(closer.opened, QStringList{u"frmenviarscript"_s});

    // Exporting writes the current script into the page the user chose, with its files.
    QTemporaryDir site;
    const QString page = site.filePath(u"index.htm"_s);
    w.dialogs.names.append(page);
    QTest::mouseClick(w->opciones()->boton_exportar(), Qt::LeftButton);
    QVERIFY(TempProgramFolder::readFile(page).contains(
        u"<!-- Beginning of HTML JavaScript id=%1 -->"_s.arg(aviso).toUtf8()));
    QCOMPARE(TempProgramFolder::readFile(site.filePath(u"resources/aviso.gif"_s)), "GIF89a-aviso");
    QCOMPARE(w.shell.opened.last(), QUrl::fromLocalFile(page));

    // The preview shows the editor's unsaved texts in the user's browser, without the
    // external script, and touches neither the library nor the page pane.
    QTRY_VERIFY_WITH_TIMEOUT(!w->explorador()->url().isEmpty(), 20000);
    const QUrl shown = w->explorador()->url();
    QTest::mouseClick(w->opciones()->boton_Editar(), Qt::LeftButton);
    w->Frame2()->Text_nombre()->setText(u"Sin guardar"_s);
    w->Frame2()->script_head()->setText(u"<script>var nuevo;</script>"_s);
    w->Frame2()->list_tipo()->setCurrentText(u"Reloj"_s);
    QTest::mouseClick(w->opciones()->boton_preview(), Qt::LeftButton);
    const QString preview = folder.filePath(pages::ScriptPageName);
    QCOMPARE(w.shell.opened.last(), QUrl::fromLocalFile(preview));
    const QByteArray bytes = TempProgramFolder::readFile(preview);
    QVERIFY(bytes.startsWith("<html><head><title></title>\r\n<meta charset=\"utf-8\">\r\n"
                             "<script>var nuevo;</script>\r\n</head>"));
    QVERIFY(bytes.contains("<b>Sin guardar</b>") && bytes.contains("Script:</b> Reloj</font>"));
    QCOMPARE(w->explorador()->url(), shown);
    QCOMPARE(library::LibraryStore::open(folder.libraryPath())->script(aviso)->nombre, u"Aviso"_s);

    // Leaving ends the program, once the user drops what the editor holds.
    w.boxes.answer(QMessageBox::Yes);
    QTest::mouseClick(w->opciones()->boton_salir(1), Qt::LeftButton);
    QSignalSpy unloaded(&w.w, &Frmscripts::unloaded);
    QTest::mouseClick(w->opciones()->boton_salir(0), Qt::LeftButton);
    QVERIFY(unloaded.count() == 1 && !w->isVisible() && !w->Timer1()->isActive());
}

void TestMainWindow::searchFiltersWithoutAccentsAndPicksNothing()
{
    TempProgramFolder folder;
    SampleLibrary s(folder);
    const qint64 arena =
        ScriptBuilder(u"Reloj de arena"_s).in(s.relojes).type(s.efecto).addTo(folder);
    const qint64 counter = ScriptBuilder(u"Contador de visitas"_s)
                               .in(folder.addCategory(0, u"Útiles"_s))
                               .type(s.efecto)
                               .head(u"<script>var reloj = new Date();</script>"_s)
                               .addTo(folder);
    MainWindowUnderTest w(folder);
    QApplication::setActiveWindow(&w.w);
    QVERIFY(QTest::qWaitForWindowActive(&w.w));
    w.click(library::scriptKey(s.menu));
    const QString page = fileText(folder, pages::ScriptPageName);

    QTest::keyClick(&w.w, Qt::Key_F, Qt::ControlModifier);
    QLineEdit* box = w->busqueda()->Text_buscar();
    QTreeView* results = w->busqueda()->Tree_resultados();
    QVERIFY(box->hasFocus());
    const auto type = [&](const QString& text) {
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, text);
        return shownScripts(results).join(u", "_s) + u" ("_s +
               w->busqueda()->Label_encontrados()->text() + u')';
    };
    QCOMPARE(type(u"RELO"_s), u"Reloj de arena, Reloj digital, Contador de visitas (3 scripts)"_s);
    // The results take the tree's place, and keep it as the window changes size.
    QVERIFY(results->isVisible() && !w->Tree()->isVisible());
    QCOMPARE(results->geometry(), w->Tree()->geometry());
    w->resize(w->size() + QSize(120, 80));
    QCOMPARE(results->geometry(), w->Tree()->geometry());
    QCOMPARE(type(u"reloj dig"_s), u"Reloj digital (1 script)"_s);
    QCOMPARE(type(u"menu d"_s), u"Menú d'O'Brien (1 script)"_s);
    QCOMPARE(type(u"utiles"_s), u"Contador de visitas (1 script)"_s);
    QCOMPARE(type(u"relojx"_s), u" (Ningún script)"_s);
    QCOMPARE(type(u"\"*-()' OR NEAR"_s), u" (Ningún script)"_s);
    // Nothing was picked: the current script, its node and its page are as they were.
    QCOMPARE(w->id() + w.current(), QString::number(s.menu) + library::scriptKey(s.menu));
    QCOMPARE(fileText(folder, pages::ScriptPageName), page);

    // Enter picks the first match, names before code: "Reloj de arena" over the counter.
    type(u"reloj"_s);
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(w->id(), QString::number(arena));
    QVERIFY(fileText(folder, pages::ScriptPageName).contains(u"Reloj de arena"_s));
    QTRY_VERIFY(results->hasFocus());
    // The keys go on through the results, each shown as it becomes current.
    QTest::keyClick(results, Qt::Key_Down);
    QCOMPARE(w->id() + w.current(), QString::number(s.reloj) + library::scriptKey(s.reloj));
    // A click that slips a pixel picks the row pressed.
    const QModelIndex counterRow = static_cast<SearchResults*>(results->model())
                                       ->IndexOf(w->FindNode(library::scriptKey(counter)));
    QCOMPARE(counterRow.data().toString(), u"Contador de visitas"_s);
    const QPoint at = results->visualRect(counterRow).center();
    QTest::mousePress(results->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseMove(results->viewport(), at + QPoint(1, 1));
    QTest::mouseRelease(results->viewport(), Qt::LeftButton, {}, at + QPoint(1, 1));
    QCOMPARE(w->id(), QString::number(counter));
    QVERIFY(fileText(folder, pages::ScriptPageName).contains(u"Contador de visitas"_s));
    // Its menu is the tree's.
    whenMenuOpens([](QMenu* menu) {
        QCOMPARE(menu->actions().size(), 2);
        chooseItem(menu, 0);
    });
    QTest::mouseClick(results->viewport(), Qt::RightButton, {}, at);
    // Deleting a script shown in the results takes it out of them at once.
    w.boxes.answer(QMessageBox::Yes);
    w->opciones()->boton_borrar()->click();
    QVERIFY(!shownScripts(results).contains(u"Contador de visitas"_s));
    QTRY_COMPARE(shownScripts(results), (QStringList{u"Reloj de arena"_s, u"Reloj digital"_s}));
    QCOMPARE(w->busqueda()->Label_encontrados()->text(), u"2 scripts"_s);
    // Down picks too.
    box->setFocus();
    type(u"reloj dig"_s);
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(w->id() + w.current(), QString::number(s.reloj) + library::scriptKey(s.reloj));
    // Escape: the whole tree again, the current node kept; what the search opened closes.
    QTest::keyClick(results, Qt::Key_Escape);
    QVERIFY(box->text().isEmpty() && !results->isVisible());
    QVERIFY(w->Tree()->hasFocus() && w->Tree()->currentItem()->parent()->isExpanded());
    // The category the person opened stays open.
    QCOMPARE(shownScripts(w->Tree()),
             (QStringList{u"Menú d'O'Brien"_s, u"Reloj de arena"_s, u"Reloj digital"_s}));
    QCOMPARE(w->id() + w.current(), QString::number(s.reloj) + library::scriptKey(s.reloj));
}

void TestMainWindow::scriptWindowsOpenAsProgramWindowsAndCloseThemselves()
{
    TempProgramFolder folder;
    TempProgramFolder::writeFile(folder.filePath(u"ventana.htm"_s),
                                 "<html><head><title>Ventana nueva</title></head>"
                                 "<body>Hola desde la ventana</body></html>");
    SampleLibrary s(folder);
    const qint64 id =
        ScriptBuilder(u"Abre al cargar"_s)
            .in(s.menus)
            .type(s.visual)
            .body(u"onload=\"window.open('ventana.htm','v','width=320,height=240')\""_s)
            .html(u"<a id=enlace href='ventana.htm' target='_blank'>Otra</a>"_s)
            .addTo(folder);
    MainWindowUnderTest w(folder, {900, 600});
    const QUrl pane = QUrl::fromLocalFile(folder.filePath(pages::ScriptPageName));
    const auto popups = [&] { return w->findChildren<PopupWindow*>(); };
    const auto says = [](PopupWindow* p) {
        return runScript(p->page(), u"document.body.textContent"_s) == u"Hola desde la ventana"_s;
    };

    // The page's onload opens a window of the program, at the size asked for; the pane
    // stays where it was. Its guard cancels only "dnserror" addresses, in that case.
    QVERIFY(GuardedPage::IsBlockedAddress(QUrl(u"res://ieframe.dll/dnserror.htm"_s)));
    QVERIFY(!GuardedPage::IsBlockedAddress(QUrl(u"http://x.example/dnsError"_s)));
    w->ShowScriptPage(id);
    QTRY_COMPARE_WITH_TIMEOUT(popups().size(), 1, 15000);
    QPointer<PopupWindow> first = popups().constFirst();
    QTRY_VERIFY(first->isWindow() && first->isVisible());
    QCOMPARE(first->view()->size(), QSize(320, 240));
    QTRY_VERIFY_WITH_TIMEOUT(says(first) && first->windowTitle() == u"Ventana nueva"_s, 10000);
    QCOMPARE(w->explorador()->url(), pane);
    runScript(first->page(), u"window.close()"_s); // its own script closes it
    QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 10000);

    // A link to a new window opens one more; the user closes it.
    runScript(w->explorador()->page(), u"document.getElementById('enlace').click()"_s);
    QTRY_COMPARE_WITH_TIMEOUT(popups().size(), 1, 10000);
    QPointer<PopupWindow> second = popups().constFirst();
    QTRY_VERIFY_WITH_TIMEOUT(says(second), 10000);
    QCOMPARE(w->explorador()->url(), pane);
    second->close();
    QTRY_VERIFY(second.isNull() && w.boxes.shown.isEmpty());

    // The keyboard closes them too, Escape or Ctrl+W, wherever their page has the focus.
    for (const QKeyCombination keys : {QKeyCombination(Qt::Key_Escape), Qt::CTRL | Qt::Key_W}) {
        runScript(w->explorador()->page(), u"document.getElementById('enlace').click()"_s);
        QTRY_COMPARE_WITH_TIMEOUT(popups().size(), 1, 10000);
        QPointer<PopupWindow> popup = popups().constFirst();
        QTRY_VERIFY_WITH_TIMEOUT(says(popup), 10000);
        popup->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(popup));
        QTRY_VERIFY(popup->focusWidget());
        QTest::keyClick(popup->focusWidget(), keys.key(), keys.keyboardModifiers());
        QTRY_VERIFY2(popup.isNull(), qPrintable(QKeySequence(keys).toString()));
    }
}

void TestMainWindow::bannerLinksGoToTheUsersBrowserOnly()
{
    TempProgramFolder folder;
    platform::FixedNetworkPresence offline(false);
    platform::RecordingShell shell;
    Frmpublicidad banner(folder.path());
    banner.show();
    QWebEnginePage* page = banner.web_publicidad()->page();
    QTRY_VERIFY_WITH_TIMEOUT(
        runScript(page, u"document.body.textContent"_s).toString().contains(u"Patrocinador"_s),
        15000);
    const QUrl bannerPage = banner.web_publicidad()->url();

    // The sponsor's picture, clicked: the shop opens in the user's browser.
    runScript(page, u"document.querySelector('a img').click()"_s);
    QTRY_COMPARE_WITH_TIMEOUT(shell.opened, QList<QUrl>{QUrl(Module1::SponsorShopUrl)}, 10000);

    // Other addresses asking for a new window go nowhere.
    for (const char* address : {"file:///etc/passwd", "javascript:alert(1)", "ftp://127.0.0.1/x"})
        runScript(page, u"window.open('%1')"_s.arg(QLatin1String(address)));
    QTest::qWait(500);
    QCOMPARE(shell.opened.size(), 1);
    QVERIFY(banner.findChildren<PopupWindow*>().isEmpty() &&
            banner.web_publicidad()->url() == bannerPage);
}

void TestMainWindow::bannerNeverTakesWhatTheUserIsDoing()
{
    platform::FixedNetworkPresence offline(false);
    TempProgramFolder folder;
    SampleLibrary sample(folder);
    MainWindowUnderTest w(folder);
    int banners = 0;
    QTimer closer;
    closer.setInterval(20);
    connect(&closer, &QTimer::timeout, [&] {
        if (auto* banner = qobject_cast<Frmpublicidad*>(QApplication::activeModalWidget())) {
            ++banners;
            banner->reject();
        }
    });
    closer.start();
    const auto quiet = [] { QTest::qWait(online::BannerTicks::QuietAfterInputMs + 200); };
    Module1::BannerTickCount = 0;
    w->Timer1_Timer(); // counted
    QCOMPARE(Module1::BannerTickCount, 1);

    // A tick while the delete question is up, however long it stays: no banner over it. The
    // question is a real box; Enter answers its default, and the script stays.
    w.click(library::scriptKey(sample.reloj));
    platform::setMessageBoxes(nullptr);
    QString asked;
    whenModalOpens<QMessageBox>([&](QMessageBox* box) {
        asked = box->text();
        quiet();
        w->Timer1_Timer();
        QTest::keyClick(box, Qt::Key_Return);
    });
    QTest::mouseClick(w->opciones()->boton_borrar(), Qt::LeftButton);
    platform::setMessageBoxes(&w.boxes);
    QCOMPARE(asked, u"¿Esta seguro de  borrar este Script?"_s);
    QVERIFY(w.node(library::scriptKey(sample.reloj)) && w->cn()->script(sample.reloj));
    QCOMPARE(banners, 0);

    // A tick a second after a key pressed in the tree: not acted on, the count kept.
    QTest::keyClick(w->Tree(), Qt::Key_Up);
    QTest::qWait(1000);
    w->Timer1_Timer();
    QCOMPARE(banners, 0);
    QCOMPARE(Module1::BannerTickCount, 1);

    // Left alone, the next tick shows it. Keys and clicks in its first moment do nothing;
    // then Escape closes it, and counting starts again.
    quiet();
    closer.stop();
    bool keptOpen = false;
    whenModalOpens<Frmpublicidad>([&](Frmpublicidad* banner) {
        QTest::keyClick(banner, Qt::Key_Escape);
        QTest::keyClick(banner, Qt::Key_Return);
        QTest::mouseClick(banner->boton_cerrar(), Qt::LeftButton);
        keptOpen = banner->isVisible();
        QTest::qWait(Frmpublicidad::InputGraceMs + 100);
        QTest::keyClick(banner->focusWidget() ? banner->focusWidget() : banner, Qt::Key_Escape);
    });
    QElapsedTimer open;
    open.start();
    w->Timer1_Timer();
    QVERIFY(keptOpen && open.elapsed() < 20000);
    QCOMPARE(Module1::BannerTickCount, 0);

    // Its own "Cerrar" closes it too, once its first moment has passed.
    Frmpublicidad banner(folder.path(), &w.w);
    banner.show();
    QTest::mouseClick(banner.boton_cerrar(), Qt::LeftButton);
    QVERIFY(banner.isVisible());
    QTest::qWait(Frmpublicidad::InputGraceMs + 100);
    QTest::mouseClick(banner.boton_cerrar(), Qt::LeftButton);
    QVERIFY(!banner.isVisible());
}

void TestMainWindow::pagesAskForArialAndGetItsMetrics()
{
    // The pages name Arial; the face the engine gives them for it has Arial's widths ("m" is
    // 0.833 of the size), not those of whatever sans-serif face the system picks.
    TempProgramFolder folder;
    MainWindowUnderTest w(folder);
    w->ShowCategoryPage(folder.addCategory(0, u"Fuentes"_s));
    QTRY_VERIFY_WITH_TIMEOUT(
        runScript(w->explorador()->page(), u"document.readyState"_s) == u"complete"_s, 20000);
    QVERIFY(fileText(folder, pages::CategoryPageName).contains(u"<FONT face=Arial "_s));
    const double width =
        runScript(w->explorador()->page(),
                  u"(() => { const c = document.createElement('canvas').getContext('2d');"
                  " c.font = '100px Arial'; return c.measureText('mmmmmmmmmm').width; })()"_s)
            .toDouble();
    QVERIFY2(std::abs(width - 833.0) < 3, qPrintable(QString::number(width)));
}

void TestMainWindow::pagesAreWrittenByteForByte_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("expected");

    // The script page's fixed text, with what each field puts in it.
    const auto scriptPage = [](const char* scripts, const char* body, const char* name,
                               const char* type, const char* browsers, const char* html) {
        return "<html><head><title></title>\r\n<meta charset=\"utf-8\">\r\n" + QByteArray(scripts) +
               "\r\n</head>\r\n<body leftMargin=0 topMargin=0 rightMargin=0 bottomMargin=10 " +
               body +
               " >\r\n<table width=100% border=0>\r\n<tr bgColor=#a3c1e0><td colspan=2>\r\n"
               "<img src='script.gif' align=center  valign='center'>\r\n"
               "<FONT face=Arial color=#ffffff size=+2><b>" +
               name +
               "</b></td></tr>\r\n<tr><td bgColor=#d6dfe7 width=50%><FONT face=Arial "
               "color=#000000 size=-1><b>Tipo Script:</b> " +
               type +
               "</font></td>\r\n<td bgColor=#d6dfe7 width=50%>\r\n<FONT face=Arial "
               "color=#000000  size=-1><b>Compatible con: </b>" +
               browsers + "</font></td>\r\n</tr></table>\r\n" + html + "\r\n</body></html>\r\n\r\n";
    };
    ScriptPageFields f;
    f.externalScript = QStringLiteral("reloj.js");
    f.head = QStringLiteral("<script>\r\nfunction a(){ document.title='ñ'; }\r\n</script>");
    f.body = QStringLiteral("onload=\"a()\"");
    f.name = QStringLiteral("Reloj <i>digital</i> & \"más\"");
    f.typeName = QStringLiteral("Reloj");
    f.browsers = QStringLiteral("Chrome, Firefox > 3");
    f.html = QStringLiteral("<div id=r></div>");
    QTest::newRow("script, every field")
        << BuildScriptPage(f)
        << scriptPage("<script src=reloj.js>\r\n</script>\r\n<script>\r\nfunction a(){ "
                      "document.title='\xc3\xb1'; }\r\n</script>",
                      "onload=\"a()\"",
                      "Reloj &lt;i&gt;digital&lt;/i&gt; &amp; &quot;m\xc3\xa1s&quot;", "Reloj",
                      "Chrome, Firefox &gt; 3", "<div id=r></div>");
    ScriptPageFields empty; // null fields insert nothing; an empty external script, no lines
    empty.externalScript = QStringLiteral("");
    empty.name = QStringLiteral("X");
    QTest::newRow("script, null and empty fields")
        << BuildScriptPage(empty) << scriptPage("", "", "X", "", "", "");
    QTest::newRow("category, name and description as text")
        << BuildCategoryPage(QStringLiteral("Fecha & hora"),
                             QStringLiteral("Relojes <b>y</b> calendarios"))
        << QByteArray("<html><head><title>Categoria</title>\r\n<meta charset=\"utf-8\">\r\n"
                      "</head>\r\n<body leftMargin=0 topMargin=0 rightMargin=0 bottomMargin=10 >"
                      "\r\n<table width=100% border=0>\r\n<tr><td  bgColor=#a3c1e0>\r\n"
                      "<img src='categoria.gif' align='center' valign='center' >\r\n"
                      "<FONT face=Arial color=#ffffff size=+2><b>Categor\xc3\xad"
                      "a: </b>Fecha &amp; hora</b></font>\r\n</td></tr></table>\r\n<p>\r\n"
                      "<table width=100% border=0>\r\n<tr><td bgColor=#d6dfe7 width=50%>\r\n"
                      "<FONT face=arial color=#000000 >Relojes &lt;b&gt;y&lt;/b&gt; "
                      "calendarios</font></td>"
                      "</tr></table><p align=center><img src='logo text2.jpg'></body></html>\r\n"
                      "\r\n");
}

void TestMainWindow::pagesAreWrittenByteForByte()
{
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, expected);
    QCOMPARE(page, expected);
}

void TestMainWindow::namesWithMarkupShowAsTextInThePagePane()
{
    TempProgramFolder folder;
    const QString name = u"<i>Solo</i> & cuerpo <script>document.title='nombre'</script>"_s;
    const QString browsers = u"\"IE\" <b>6</b><script>document.title='navegadores'</script>"_s;
    const QString category = u"<u>Avisos</u>"_s;
    const QString description = u"Texto <script>document.title='descripcion'</script> & más"_s;
    const qint64 avisos = folder.addCategory(0, category, description);
    const qint64 id = ScriptBuilder(name)
                          .in(avisos)
                          .type(folder.addType(u"Efecto"_s))
                          .browsers(browsers)
                          .addTo(folder);
    MainWindowUnderTest w(folder);
    QVERIFY(w.loaded());
    // In the real engine: the texts read as written, no element of theirs, no script of
    // theirs run (the page's title stays its own). Picked by keys: the long name's middle
    // lies past the tree's edge, out of a mouse's reach.
    w->Tree()->expandAll();
    w->Tree()->setFocus();
    const auto shown = [&](Qt::Key key, const QString& page) {
        QTest::keyClick(w->Tree(), key);
        QString result;
        const QString probe = u"document.readyState + '|' + document.title + '|' + "
                              "document.querySelectorAll('i, u, script').length + '|' + "
                              "document.body.innerText"_s;
        (void)QTest::qWaitFor(
            [&] {
                return w->explorador()->url().fileName() == page &&
                       (result = runScript(w->explorador()->page(), probe).toString())
                           .startsWith(u"complete|"_s);
            },
            15000);
        return w.current() + u' ' + result;
    };
    const QString script = shown(Qt::Key_End, pages::ScriptPageName);
    QVERIFY2(script.startsWith(library::scriptKey(id) + u" complete||0|"_s) &&
                 script.contains(name) && script.contains(browsers),
             qPrintable(script));
    const QString cat = shown(Qt::Key_Up, pages::CategoryPageName);
    QVERIFY2(cat.startsWith(library::categoryKey(avisos) + u" complete|Categoria|0|"_s) &&
                 cat.contains(category) && cat.contains(description),
             qPrintable(cat));
}

void TestMainWindow::everyWindowReadsWholeAtItsDesignedSize_data()
{
    QTest::addColumn<QFont>("font");
    QTest::newRow("desktop font") << QApplication::font();
    for (const auto& [family, points] :
         {std::pair{"DejaVu Sans", 10}, std::pair{"DejaVu Sans", 8}, std::pair{"Lato", 11}})
        if (QFontDatabase::families().contains(QLatin1String(family)))
            QTest::addRow("%s %d", family, points) << QFont(QLatin1String(family), points);
}

void TestMainWindow::everyWindowReadsWholeAtItsDesignedSize()
{
    QFETCH(QFont, font);
    const QFont desktop = QApplication::font();
    QApplication::setFont(font);
    auto restore = qScopeGuard([&] { QApplication::setFont(desktop); });
    TempProgramFolder folder;
    folder.closeLibrary();
    // The shipped library: its real category and type names fill the editor's lists.
    for (const char* file : {"scripts.mdb", "licencia.rtf"})
        folder.copyFromStagedProgram(QString::fromLatin1(file));
    platform::FixedNetworkPresence offline(false);
    platform::ScriptedMessageBoxes boxes;
    QStringList cut;
    frmsplash splash(app::MakeEngineWindows);
    frmcondiciones terms;
    Frmpublicidad banner(folder.path());
    for (QWidget* window : std::initializer_list<QWidget*>{&splash, &terms, &banner}) {
        window->show();
        cut += cutTexts(window);
    }
    Frmscripts w(folder.paths()); // at its designed size
    w.show();
    QVERIFY(w.Form_Load());
    cut += cutTexts(&w);
    auto* panel = static_cast<editing::EditorPanel*>(w.Frame2());
    w.opciones()->boton_insertar()->click();
    QVERIFY(panel->isVisible());
    for (int tab = 0; tab < 5; ++tab) {
        panel->tabscript()->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        cut += cutTexts(&w);
    }
    // On a laptop's screen and a desktop's: the same texts, every category's path whole in its
    // list on the larger one.
    const QSize designed = w.size();
    for (const auto& [size, shortened] : {std::pair{QSize(1280, 800), Shortened::Allowed},
                                          std::pair{QSize(1920, 1080), Shortened::Cut}}) {
        w.resize(size);
        QCoreApplication::processEvents();
        cut += cutTexts(&w, shortened);
    }
    w.resize(designed);
    QCoreApplication::processEvents();
    // The empty file list shows no sideways scroll bar.
    QVERIFY(!panel->list_ficheros()->horizontalScrollBar()->isVisible());
    frmenviarscript form(*w.cn(), folder.paths(),
                         QString::number(w.cn()->scriptsByName().front().id), &w);
    form.show();
    cut += cutTexts(&form);
    // A failure whose reason names a long path reads whole too.
    const QStringList mailCommand = online::MapiSession::defaultCommand();
    auto restoreMail = qScopeGuard([&] { online::MapiSession::setDefaultCommand(mailCommand); });
    online::MapiSession::setDefaultCommand(
        {u"/no/"_s + QString(u"carpeta de correo/"_s).repeated(6) + u"sendmail"_s});
    QTest::mouseClick(form.boton_enviar(), Qt::LeftButton);
    QVERIFY(form.Label1()->text().contains(u"NO"_s));
    cut += cutTexts(&form);
    cut.removeDuplicates();
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u'\n')));
    QVERIFY(boxes.shown.isEmpty());

    // The tree shows every name whole and scrolls sideways when it is narrow.
    w.opciones()->boton_salir(1)->click();
    w.Tree()->expandAll();
    QCoreApplication::processEvents();
    for (QTreeWidgetItemIterator it(w.Tree()); *it; ++it) {
        const int needed = w.Tree()->iconSize().width() +
                           w.Tree()->fontMetrics().horizontalAdvance((*it)->text(0));
        QVERIFY2(w.Tree()->visualItemRect(*it).width() >= needed, qPrintable((*it)->text(0)));
    }
    QTRY_VERIFY(w.Tree()->horizontalScrollBar()->maximum() > 0);
}

void TestMainWindow::dropHighlightNeverLooksLikeASecondSelection()
{
    TempProgramFolder folder;
    QStringList keys;
    for (const char* name : {"Animaciones", "Botones", "Cajas"})
        keys.append(library::categoryKey(folder.addCategory(0, QString::fromUtf8(name))));
    MainWindowUnderTest w(folder);
    w->Tree()->setCurrentItem(w.node(keys[0]));
    w->SetDropHighlight(w.node(keys[1]));
    QVERIFY(!w.node(keys[1])->isSelected());
    // The mean colour of each row, selected, marked and plain: the mark shows, and it is far
    // from the selection's look.
    const QImage shot = w->Tree()->viewport()->grab().toImage();
    QList<QVector3D> mean;
    for (const QString& key : keys) {
        const QColor c = shot.copy(w->Tree()->visualItemRect(w.node(key)))
                             .scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .pixelColor(0, 0);
        mean.append(QVector3D(c.red(), c.green(), c.blue()));
    }
    const float markToPlain = mean[1].distanceToPoint(mean[2]);
    const float markToSelected = mean[1].distanceToPoint(mean[0]);
    QVERIFY2(markToPlain > 8 && markToSelected > 40,
             qPrintable(u"%1 %2"_s.arg(markToPlain).arg(markToSelected)));
}

void TestMainWindow::namesAreMeasuredAsTheStyleMeasuresThemAndShowWhole()
{
    TempProgramFolder folder;
    SampleLibrary s(folder);
    const QStringList names{u"Contraseña emergente visible, con un nombre largo de verdad"_s,
                            u"Ñandú"_s, u"W"_s, u"fi ffl — «comillas» y œ"_s,
                            u"Reloj \u0634\u0645\u0633"_s};
    for (const QString& name : names)
        ScriptBuilder(name).in(s.relojes).type(s.efecto).addTo(folder);
    MainWindowUnderTest w(folder);
    w->resize(500, w->height());
    QTest::keyClicks(w->busqueda()->Text_buscar(), u"r"_s);
    QTreeView* results = w->busqueda()->Tree_resultados();
    QVERIFY(results->isVisible());
    results->expandAll();
    QCoreApplication::processEvents();
    // Every row measured as the style itself measures it, to a pixel, and none cut short.
    const QStyledItemDelegate style;
    QStyleOptionViewItem option;
    // As the view gives it to its rows.
    option.initFrom(results);
    option.widget = results;
    option.state &= ~QStyle::State_HasFocus;
    option.decorationSize = results->iconSize();
    option.decorationAlignment = Qt::AlignCenter;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.textElideMode = results->textElideMode();
    option.showDecorationSelected =
        results->style()->styleHint(QStyle::SH_ItemView_ShowDecorationSelected, nullptr, results);
    QStringList checked;
    for (QModelIndex row = results->model()->index(0, 0); row.isValid();
         row = results->indexBelow(row)) {
        const QSize measured = results->itemDelegate()->sizeHint(option, row);
        const QSize wanted = style.sizeHint(option, row);
        QVERIFY2(qAbs(measured.width() - wanted.width()) <= 1 &&
                     measured.height() == wanted.height(),
                 qPrintable(u"%1: %2x%3, el estilo %4x%5"_s.arg(row.data().toString())
                                .arg(measured.width())
                                .arg(measured.height())
                                .arg(wanted.width())
                                .arg(wanted.height())));
        QVERIFY2(results->visualRect(row).width() >= wanted.width() - 1,
                 qPrintable(row.data().toString()));
        // Drawn as the style draws it, pixel for pixel, plain and current, wide and narrow
        // (the marked row has its mark over it).
        for (const int width : {wanted.width() + 40, wanted.width() / 2}) {
            if (DropHighlightDelegate::IsMarked(row))
                break;
            for (const QStyle::State state : {QStyle::State_None, QStyle::State_HasFocus}) {
                QStyleOptionViewItem at = option;
                at.rect = QRect(0, 0, width, wanted.height());
                at.state |= state;
                const auto draw = [&](const QAbstractItemDelegate& delegate) {
                    QImage image(at.rect.size(), QImage::Format_ARGB32_Premultiplied);
                    image.fill(Qt::white);
                    QPainter painter(&image);
                    delegate.paint(&painter, at, row);
                    return image;
                };
                QVERIFY2(draw(*results->itemDelegate()) == draw(style),
                         qPrintable(u"%1 (%2 px)"_s.arg(row.data().toString()).arg(width)));
            }
        }
        checked.append(row.data().toString());
    }
    for (const QString& name : names)
        QVERIFY2(checked.contains(name), qPrintable(name));
}

void TestMainWindow::windowFollowsChangesMadeByAnotherConnection()
{
    TempProgramFolder folder;
    SampleLibrary s(folder);
    MainWindowUnderTest w(folder);
    QApplication::setActiveWindow(&w.w);
    QVERIFY(QTest::qWaitForWindowActive(&w.w));
    w.click(library::scriptKey(s.reloj));
    QWidget elsewhere;
    elsewhere.setWindowTitle(u"Otro programa"_s);
    elsewhere.show();
    const auto leaveAndComeBack = [&] {
        QApplication::setActiveWindow(&elsewhere);
        QTRY_VERIFY(!w->isActiveWindow());
        QApplication::setActiveWindow(&w.w);
        QTRY_VERIFY(w->isActiveWindow());
    };

    // Another connection adds a script while the person is in another program.
    QApplication::setActiveWindow(&elsewhere);
    QTRY_VERIFY(!w->isActiveWindow());
    const qint64 solar = ScriptBuilder(u"Reloj solar"_s).in(s.relojes).type(s.efecto).addTo(folder);
    folder.closeLibrary();
    QApplication::setActiveWindow(&w.w);
    QTRY_VERIFY(w.tree().contains(u"Reloj solar [%1]"_s.arg(library::scriptKey(solar))));
    // The current script stays current, its page shown.
    QCOMPARE(w->id() + w.current(), QString::number(s.reloj) + library::scriptKey(s.reloj));
    QVERIFY(w->Frame_presentacion()->isHidden());
    // And the search finds it.
    QTest::keyClick(&w.w, Qt::Key_F, Qt::ControlModifier);
    QLineEdit* box = w->busqueda()->Text_buscar();
    QTest::keyClicks(box, u"solar"_s);
    QCOMPARE(shownScripts(w->busqueda()->Tree_resultados()), QStringList{u"Reloj solar"_s});
    QTest::keyClick(box, Qt::Key_Escape);

    // The current script is deleted by another connection; the person clicks in the search
    // box: the script is gone, and the root page shows.
    QApplication::setActiveWindow(&w.w);
    QTRY_VERIFY(w->isActiveWindow());
    w.click(library::scriptKey(s.reloj));
    w->Tree()->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(w->Tree()->hasFocus());
    // The activation has been looked at: the change below is found by the box's focus.
    QTest::qWait(20);
    folder.db().execute("DELETE FROM scripts WHERE id = " + QByteArray::number(s.reloj));
    folder.closeLibrary();
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    QTRY_VERIFY(!w.tree().contains(u"Reloj digital"_s));
    QCOMPARE(w.current(), library::RootKey);
    QVERIFY(w->id().isEmpty());
    QTRY_VERIFY(w->Frame_presentacion()->isVisible());
    QCOMPARE(w.buttons().contains(u"Editar*"_s), true);

    // While the editor is open it keeps its work, whatever others add; the tree follows once
    // it closes.
    w.click(library::scriptKey(solar));
    QTest::mouseClick(w->opciones()->boton_Editar(), Qt::LeftButton);
    QTRY_VERIFY(w->Frame2()->isVisible());
    const QString treeBefore = w.tree();
    const qint64 arena =
        ScriptBuilder(u"Reloj de arena"_s).in(s.relojes).type(s.efecto).addTo(folder);
    folder.closeLibrary();
    leaveAndComeBack();
    QTest::qWait(50);
    QVERIFY(w->Frame2()->isVisible());
    QCOMPARE(w.tree(), treeBefore);
    QTest::mouseClick(w->opciones()->boton_salir(1), Qt::LeftButton);
    QTRY_VERIFY(w.tree().contains(u"Reloj de arena [%1]"_s.arg(library::scriptKey(arena))));
    QCOMPARE(w.current(), library::scriptKey(solar));
}

void TestMainWindow::everyButtonSaysWhatItDoesAndTheSplitterCanBeFound()
{
    TempProgramFolder folder;
    SampleLibrary s(folder);
    MainWindowUnderTest w(folder);
    // Every picture button, of the browsing window and of the editor, has a name for screen
    // readers; the two that had no tooltip have one.
    w->opciones()->boton_insertar()->click();
    QStringList unnamed;
    for (QAbstractButton* button : w->findChildren<QAbstractButton*>()) {
        if (!button->icon().isNull() && button->accessibleName().isEmpty())
            unnamed << button->objectName();
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u", "_s)));
    QCOMPARE(w->opciones()->boton_preview()->toolTip(), u"Ver el script"_s);
    QCOMPARE(w->opciones()->boton_preview()->accessibleName(), u"Ver el script"_s);
    w->opciones()->boton_salir(1)->click();
    QCOMPARE(w->opciones()->boton_enviarscript()->toolTip(), u"Enviar Script"_s);

    // The splitter: a grab area of at least 8 pixels, with the resize cursor and a grip drawn
    // in its middle, at the window's size and after a drag.
    SplitterBar* bar = w->linea_borde();
    const auto check = [&] {
        QVERIFY(bar->width() >= 8);
        QCOMPARE(bar->cursor().shape(), Qt::SplitHCursor);
        const QImage image = bar->grab().toImage();
        const QRgb background = image.pixel(0, 4);
        QVERIFY(image.pixel(image.width() / 2, image.height() / 2) != background);
        QVERIFY(image.pixel(image.width() / 2, 4) == background);
    };
    check();
    QWidget* viewport = bar;
    const QPoint press(bar->width() / 2, bar->height() / 2);
    QTest::mousePress(viewport, Qt::LeftButton, {}, press);
    QMouseEvent move(QEvent::MouseMove, QPointF(press + QPoint(60, 0)),
                     QPointF(bar->mapToGlobal(press + QPoint(60, 0))), Qt::NoButton, Qt::LeftButton,
                     {});
    QApplication::sendEvent(bar, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, press + QPoint(60, 0));
    check();
    QCOMPARE(bar->geometry().left(), w->Tree()->geometry().right() + 1);
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
