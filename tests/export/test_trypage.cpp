// "Probar en mi página…" on the real main window and the real web engine: the user's page shown
// as the export would write it, with its own folder behind it and nothing written, and
// "Escribir en la página" writing exactly what was shown.

#include "export/trypagescheme.h"
#include "export/trypagetexts.h"
#include "export/trypagewindow.h"
#include "library/librarystore.h"
#include "library/nodekey.h"
#include "tests/support/mainwindow.h"
#include "tests/support/scriptbuilder.h"
#include "tests/support/textfit.h"
#include "web/popupwindow.h"

#include <QDirIterator>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBlock>
#include <QTreeWidget>
#include <QWebEngineView>
#include <QtTest>
#include <sys/stat.h>

using namespace exporting;
using namespace Qt::Literals::StringLiterals;

namespace {

const auto bytesOf = &TempProgramFolder::readFile;

// A GIF of 3 by 2 pixels: an image the engine really decodes.
const QByteArray Gif =
    QByteArray::fromBase64("R0lGODlhAwACAPAAAP8AAAAAACH5BAAAAAAALAAAAAADAAIAAAIChF8AOw==");

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

// Every file and folder under `folder` with its bytes and modification time.
QMap<QString, QPair<QByteArray, QDateTime>> snapshot(const QString& folder)
{
    QMap<QString, QPair<QByteArray, QDateTime>> all;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        all.insert(info.filePath(),
                   {info.isFile() ? bytesOf(info.filePath()) : QByteArray(), info.lastModified()});
    }
    return all;
}

// A library with a clock whose image is real, and the user's site: a page with its own
// stylesheet and script, and a page a script may open.
struct TrialFixture
{
    TempProgramFolder folder;
    qint64 reloj = 0;
    qint64 vacio = 0;
    QTemporaryDir site;
    QString page;
    QByteArray pageBytes = "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\">\r\n"
                           "<title>Mi sitio</title>\r\n"
                           "<link rel=\"stylesheet\" href=\"css/estilo.css\">\r\n"
                           "<script src=\"js/propio.js\"></script>\r\n</head>\r\n<body>\r\n"
                           "<h1 id=\"titulo\">Hola</h1>\r\n<script>propio()</script>\r\n"
                           "</body></html>\r\n";

    TrialFixture()
    {
        const qint64 relojes = folder.addCategory(0, u"Relojes"_s);
        const qint64 efecto = folder.addType(u"Efecto"_s);
        reloj = ScriptBuilder(u"Reloj"_s)
                    .in(relojes)
                    .type(efecto)
                    .head(u"<script>function marca() { window.marcado = 1 + "
                          "(window.marcado || 0); }</script>"_s)
                    .body(u"onload=\"marca()\""_s)
                    .html(u"<img id=\"reloj\" src=\"resources/reloj.gif\">"_s)
                    .file(u"reloj.gif"_s, Gif)
                    .addTo(folder);
        vacio = ScriptBuilder(u"Vacío"_s).in(relojes).type(efecto).addTo(folder);
        folder.closeLibrary();
        page = site.filePath(u"index.html"_s);
        QDir(site.path()).mkpath(u"css"_s);
        QDir(site.path()).mkpath(u"js"_s);
        TempProgramFolder::writeFile(page, pageBytes);
        TempProgramFolder::writeFile(site.filePath(u"css/estilo.css"_s),
                                     "#titulo { color: rgb(12, 34, 56); }\n");
        TempProgramFolder::writeFile(site.filePath(u"js/propio.js"_s),
                                     "function propio() { window.propioHecho = true; }\n");
        TempProgramFolder::writeFile(site.filePath(u"otra.html"_s),
                                     "<html><body>Otra página</body></html>");
    }

    // What `korvalis-export` writes into a copy of the page as it is now.
    QByteArray exportedByCommand(qint64 id) const
    {
        QTemporaryDir copy;
        const QString target = copy.filePath(u"index.html"_s);
        QFile::copy(page, target);
        QProcess p;
        p.start(QStringLiteral(KORVALIS_PROGRAM_DIR "/korvalis-export"),
                {u"--library"_s, folder.path(), QString::number(id), target});
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            return "korvalis-export failed: " + p.readAllStandardError();
        return bytesOf(target);
    }
};

// Right-clicks a script with real events and chooses item n of the menu that opens.
QStringList chooseFromMenu(MainWindowUnderTest& w, qint64 id, int n)
{
    QStringList captions;
    whenMenuOpens([&](QMenu* menu) {
        for (QAction* action : menu->actions())
            captions.append(action->text());
        chooseItem(menu, n);
    });
    QTreeWidgetItem* node = w.node(library::scriptKey(id));
    const QPoint at = w->Tree()->viewport()->mapTo(&w.w, w->Tree()->visualItemRect(node).center());
    QTest::mouseClick(w->windowHandle(), Qt::RightButton, {}, at);
    return captions;
}

TryPageWindow* openedTrial(MainWindowUnderTest& w)
{
    TryPageWindow* shown = nullptr;
    (void)QTest::qWaitFor(
        [&] { return (shown = w->findChild<TryPageWindow*>()) && shown->isVisible(); }, 10000);
    return shown;
}

// The page the window shows, loaded whole with its script run and its image decoded.
QString shownState(TryPageWindow* shown)
{
    QString state;
    (void)QTest::qWaitFor(
        [&] {
            state = runScript(shown->view()->page(),
                              u"[window.marcado, document.getElementById('reloj') && "
                              "document.getElementById('reloj').naturalWidth, "
                              "getComputedStyle(document.getElementById('titulo')).color, "
                              "window.propioHecho].join('|')"_s)
                        .toString();
            return state.startsWith(u"1|3|"_s);
        },
        15000);
    return state;
}

void clickButton(QPushButton* button)
{
    QTest::mouseClick(button->window()->windowHandle(), Qt::LeftButton, {},
                      button->mapTo(button->window(), button->rect().center()));
}

} // namespace

class TestTryPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void triedPageRunsWithItsOwnFolderAndWritesNothing();
    void writingWritesWhatWasShownUnlessThePageChanged();
    void refusedPageGetsTheExportsMessageAndNoWindow();
    void windowReadsWhole_data();
    void windowReadsWhole();
};

void TestTryPage::triedPageRunsWithItsOwnFolderAndWritesNothing()
{
    TrialFixture f;
    const auto before = snapshot(f.site.path());
    MainWindowUnderTest w(f.folder);
    QVERIFY(w.loaded());

    // Ctrl+Shift+E on the current script asks for a page with the export's filter.
    w.click(library::scriptKey(f.reloj));
    w.dialogs.names << f.page;
    QTest::keyClick(w->windowHandle(), Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    QPointer<TryPageWindow> shown = openedTrial(w);
    QVERIFY(shown);
    QCOMPARE(w.dialogs.requests.size(), 1);
    QCOMPARE(w.dialogs.requests[0].filter,
             u"Páginas HTML (*.html *.htm);;Todos los ficheros (*)"_s);
    QCOMPARE(w.dialogs.requests[0].acceptLabel, u"Probar"_s);
    QCOMPARE(shown->windowTitle(), trypage::Title.arg(u"index.html"_s));

    // The script's onload ran once and its image came from the library; the page's own
    // stylesheet and script loaded from beside it.
    QCOMPARE(shownState(shown), u"1|3|rgb(12, 34, 56)|true"_s);
    QCOMPARE(shown->shownBytes(), f.exportedByCommand(f.reloj));

    // "Cambios": the lines the export changes, added in green and removed in red.
    shown->tabs()->setCurrentIndex(1);
    const QString changes = shown->changes()->toPlainText();
    QVERIFY2(changes.startsWith(u"--- index.html\n+++ index.html\n@@ "_s), qPrintable(changes));
    QVERIFY2(changes.contains(u"\n-<body>\n"_s) &&
                 changes.contains(u"\n+<body onload=\"marca()\" >\n"_s),
             qPrintable(changes));
    int added = 0, removed = 0;
    for (QTextBlock b = shown->changes()->document()->begin(); b.isValid(); b = b.next()) {
        const QColor color = b.begin().fragment().charFormat().background().color();
        if (b.text().startsWith(u"+<"_s)) {
            ++added;
            QVERIFY2(color.green() > color.red() + 20, qPrintable(b.text()));
        } else if (b.text().startsWith(u"-<"_s)) {
            ++removed;
            QVERIFY2(color.red() > color.green() + 10, qPrintable(b.text()));
        }
    }
    QVERIFY(added >= 3 && removed == 1);
    QVERIFY(shown->changes()->isReadOnly());
    shown->tabs()->setCurrentIndex(0);

    // A window the script opens is a window of the program, served from the page's folder too.
    runScript(shown->view()->page(), u"window.open('otra.html', 'v', 'width=300,height=200')"_s);
    PopupWindow* popup = nullptr;
    QVERIFY(QTest::qWaitFor([&] { return (popup = shown->findChild<PopupWindow*>()); }, 10000));
    QTRY_COMPARE_WITH_TIMEOUT(runScript(popup->page(), u"document.body.textContent"_s).toString(),
                              u"Otra página"_s, 10000);
    QCOMPARE(popup->view()->size(), QSize(300, 200));

    // Escape in the page closes the window, the script's window with it.
    shown->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(shown));
    shown->view()->setFocus();
    QTRY_VERIFY(shown->view()->focusProxy()->hasFocus());
    QTest::keyClick(shown->windowHandle(), Qt::Key_Escape);
    QTRY_VERIFY(shown.isNull());
    QVERIFY(w->findChildren<PopupWindow*>().isEmpty());

    // The tree's menu offers it too; "Cerrar" closes. Nothing was written or added anywhere
    // beside the page.
    w.dialogs.names << f.page;
    QCOMPARE(chooseFromMenu(w, f.reloj, 2),
             (QStringList{u"Exportar a una página…"_s, trypage::MenuItem, u"Actualizar páginas…"_s,
                          u"Exportar a una biblioteca…"_s}));
    shown = openedTrial(w);
    QVERIFY(shown);
    QCOMPARE(shownState(shown), u"1|3|rgb(12, 34, 56)|true"_s);
    clickButton(shown->closeButton());
    QTRY_VERIFY(shown.isNull());
    QCOMPARE(snapshot(f.site.path()), before);
    QVERIFY(w.boxes.shown.isEmpty());
    QVERIFY(w.shell.opened.isEmpty());
}

void TestTryPage::writingWritesWhatWasShownUnlessThePageChanged()
{
    TrialFixture f;
    const QByteArray expected = f.exportedByCommand(f.reloj);
    QVERIFY2(expected.contains("marca()"), expected.constData());
    MainWindowUnderTest w(f.folder);
    QVERIFY(w.loaded());

    // Written as shown: the same bytes as the command's, and the image beside the page.
    w.dialogs.names << f.page;
    chooseFromMenu(w, f.reloj, 2);
    QPointer<TryPageWindow> shown = openedTrial(w);
    QVERIFY(shown);
    QCOMPARE(shown->shownBytes(), expected);
    clickButton(shown->writeButton());
    QCOMPARE(bytesOf(f.page), expected);
    QCOMPARE(bytesOf(f.site.filePath(u"resources/reloj.gif"_s)), Gif);
    QVERIFY2(shown->notice()->text().startsWith(u"Script exportado a "_s),
             qPrintable(shown->notice()->text()));
    QVERIFY(!shown->writeButton()->isEnabled());
    clickButton(shown->closeButton());
    QTRY_VERIFY(shown.isNull());

    // The user's editor saves the page while it is shown: nothing is written, the window says
    // so and shows the export of the page as it is now, which is then written as shown.
    TempProgramFolder::writeFile(f.page, f.pageBytes);
    QVERIFY(QDir(f.site.filePath(u"resources"_s)).removeRecursively());
    w.dialogs.names << f.page;
    chooseFromMenu(w, f.reloj, 2);
    shown = openedTrial(w);
    QVERIFY(shown);
    QCOMPARE(shownState(shown), u"1|3|rgb(12, 34, 56)|true"_s);
    QByteArray edited = f.pageBytes;
    edited.replace("Hola", "Hola de nuevo");
    TempProgramFolder::writeFile(f.page, edited);
    clickButton(shown->writeButton());
    QCOMPARE(shown->notice()->text(), trypage::PageChanged);
    QCOMPARE(bytesOf(f.page), edited);
    QVERIFY(!QFileInfo::exists(f.site.filePath(u"resources"_s)));
    const QByteArray expectedNow = f.exportedByCommand(f.reloj);
    QCOMPARE(shown->shownBytes(), expectedNow);
    QTRY_COMPARE_WITH_TIMEOUT(
        runScript(shown->view()->page(), u"document.getElementById('titulo').textContent"_s)
            .toString(),
        u"Hola de nuevo"_s, 10000);
    QVERIFY(shown->changes()->toPlainText().contains(u"\n <h1 id=\"titulo\">Hola de nuevo"_s));
    QVERIFY(shown->writeButton()->isEnabled());
    clickButton(shown->writeButton());
    QCOMPARE(bytesOf(f.page), expectedNow);
    clickButton(shown->closeButton());
    QTRY_VERIFY(shown.isNull());

    // A page that grew by a byte at its end is changed too.
    TempProgramFolder::writeFile(f.page, f.pageBytes);
    w.dialogs.names << f.page;
    chooseFromMenu(w, f.reloj, 2);
    QPointer<TryPageWindow> again = openedTrial(w);
    QVERIFY(again);
    TempProgramFolder::writeFile(f.page, f.pageBytes + "\n");
    clickButton(again->writeButton());
    QCOMPARE(again->notice()->text(), trypage::PageChanged);
    QCOMPARE(bytesOf(f.page), f.pageBytes + "\n");
    QVERIFY(w.boxes.shown.isEmpty());
}

void TestTryPage::refusedPageGetsTheExportsMessageAndNoWindow()
{
    TrialFixture f;
    const qint64 flecha = ScriptBuilder(u"Flecha"_s)
                              .in(f.folder.addCategory(0, u"Flechas"_s))
                              .type(f.folder.addType(u"Texto"_s))
                              .head(u"<script>var f = \"\u2192\";</script>"_s)
                              .addTo(f.folder);
    f.folder.closeLibrary();
    TempProgramFolder::writeFile(f.page, "<html><head>" + exporting::headBeginMarker(f.reloj) +
                                             "</head><body></body></html>");
    const QString latin = f.site.filePath(u"latin.html"_s);
    TempProgramFolder::writeFile(latin, "<html><head><meta charset=iso-8859-1></head>"
                                        "<body></body></html>");
    const QString fifo = f.site.filePath(u"tuberia.html"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    MainWindowUnderTest w(f.folder);
    QVERIFY(w.loaded());
    const auto before = snapshot(f.site.path());
    // Half a block of the script, a charset that cannot hold the script, a pipe and a folder:
    // each gets the export's own message.
    const QList<QPair<QString, qint64>> refused = {
        {f.page, f.reloj}, {latin, flecha}, {fifo, f.reloj}, {f.site.filePath(u"css"_s), f.reloj}};
    for (const auto& [page, id] : refused) {
        w.dialogs.names << page;
        chooseFromMenu(w, id, 2);
    }
    QCOMPARE(w.boxes.shown.size(), refused.size());
    for (int i = 0; i < refused.size(); ++i) {
        const QString& text = w.boxes.shown[i].text;
        QCOMPARE(w.boxes.shown[i].icon, QMessageBox::Warning);
        const PreparedExport expected = [&] {
            auto store = library::LibraryStore::open(f.folder.libraryPath());
            return prepareExport(*store, refused[i].second, refused[i].first);
        }();
        QCOMPARE(text, expected.report.message);
    }
    QVERIFY(w.boxes.shown[0].text.contains(QString::number(f.reloj)));
    QVERIFY2(w.boxes.shown[1].text.contains(u"codificación de la página"_s),
             qPrintable(w.boxes.shown[1].text));
    QVERIFY(w.boxes.shown[2].text.contains(u"no es un fichero normal"_s));
    QVERIFY(w.boxes.shown[3].text.contains(u"es una carpeta"_s));
    QVERIFY(!w->findChild<TryPageWindow*>());
    QCOMPARE(snapshot(f.site.path()), before);
}

void TestTryPage::windowReadsWhole_data()
{
    QTest::addColumn<QFont>("font");
    QTest::newRow("desktop font") << QApplication::font();
    for (const auto& [family, points] :
         {std::pair{"DejaVu Sans", 10}, std::pair{"DejaVu Sans", 8}, std::pair{"Lato", 11}})
        if (QFontDatabase::families().contains(QLatin1String(family)))
            QTest::addRow("%s %d", family, points) << QFont(QLatin1String(family), points);
}

void TestTryPage::windowReadsWhole()
{
    QFETCH(QFont, font);
    const QFont desktop = QApplication::font();
    QApplication::setFont(font);
    auto restore = qScopeGuard([&] { QApplication::setFont(desktop); });
    TrialFixture f;
    MainWindowUnderTest w(f.folder);
    QVERIFY(w.loaded());
    w.dialogs.names << f.page;
    chooseFromMenu(w, f.reloj, 2);
    QPointer<TryPageWindow> shown = openedTrial(w);
    QVERIFY(shown);
    QStringList cut = cutTexts(shown);
    // The longest notice: the page changed and is now refused.
    TempProgramFolder::writeFile(f.page, "<html><head>" + exporting::headBeginMarker(f.reloj) +
                                             "</head><body></body></html>");
    clickButton(shown->writeButton());
    QVERIFY(shown->notice()->text().startsWith(trypage::NowRefused.section(u'\n', 0, 0)));
    QCoreApplication::processEvents();
    cut += cutTexts(shown);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(u'\n')));
    QVERIFY(!shown->writeButton()->isEnabled());
}

int main(int argc, char** argv)
{
    // As the program does: the page's scheme is known to the engine before it starts.
    RegisterTryPageScheme();
    QApplication app(argc, argv);
    TestTryPage test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_trypage.moc"
