#include "app/module1.h"
#include "browser/frmscripts.h"
#include "browser/popupwindow.h"
#include "online/frmpublicidad.h"
#include "platform/messagebox.h"
#include "platform/network.h"
#include "platform/shell.h"
#include "tests/support/tempprogramfolder.h"

#include <QPointer>
#include <QWebEngineView>
#include <QtTest>

namespace {

QString pageText(QWebEnginePage* page)
{
    QString text;
    bool done = false;
    page->toPlainText([&](const QString& t) {
        text = t;
        done = true;
    });
    (void)QTest::qWaitFor([&] { return done; }, 5000);
    return text;
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

QList<PopupWindow*> popupsOf(QWidget* owner)
{
    return owner->findChildren<PopupWindow*>();
}

// A click of the left button at a point of the page, as a person gives it.
void clickInPage(QWebEngineView* view, const QPoint& at)
{
    QWidget* target = view->focusProxy() ? view->focusProxy() : view;
    QTest::mouseMove(target, at);
    QTest::mousePress(target, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(target, Qt::LeftButton, Qt::NoModifier, at, 50);
}

} // namespace

class TestPopups : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scriptWindowsOpenAsProgramWindowsAndCloseThemselves();
    void bannerLinksGoToTheUsersBrowserOnly();
};

void TestPopups::scriptWindowsOpenAsProgramWindowsAndCloseThemselves()
{
    TempProgramFolder folder;
    TempProgramFolder::writeFile(
        folder.filePath(QStringLiteral("ventana.htm")),
        "<html><head><title>Ventana nueva</title></head><body>Hola desde la ventana</body></html>");
    library::Script s;
    s.idCategoria = folder.addCategory(0, QStringLiteral("Ventanas"));
    s.idTipo = folder.addType(QStringLiteral("Ventana"));
    s.nombre = QStringLiteral("Abre al cargar");
    s.scriptBody =
        QStringLiteral("onload=\"window.open('ventana.htm','v','width=320,height=240')\"");
    s.scriptHtml = QStringLiteral("<a id=enlace href='ventana.htm' target='_blank'>Otra</a>");
    const qint64 id = folder.addScript(s);
    folder.closeLibrary();
    platform::ScriptedMessageBoxes boxes;
    Frmscripts w;
    w.resize(900, 600);
    w.show();
    QVERIFY(w.Form_Load());
    const QUrl pane = QUrl::fromLocalFile(folder.filePath(QStringLiteral("js.htm")));

    // The page's onload opens a window of the program with the page it asked for, at the
    // size it asked for; the page pane stays where it was.
    w.ShowScriptPage(id);
    QTRY_COMPARE_WITH_TIMEOUT(popupsOf(&w).size(), 1, 15000);
    QPointer<PopupWindow> first = popupsOf(&w).constFirst();
    QVERIFY(first->isWindow());
    QTRY_VERIFY(first->isVisible());
    QCOMPARE(first->view->size(), QSize(320, 240));
    QTRY_VERIFY_WITH_TIMEOUT(
        pageText(first->page()).contains(QStringLiteral("Hola desde la ventana")), 10000);
    QTRY_COMPARE(first->windowTitle(), QStringLiteral("Ventana nueva"));
    QCOMPARE(first->page()->profile(), w.explorador->page()->profile());
    QCOMPARE(w.explorador->url(), pane);

    // The window's own script closes it.
    runScript(first->page(), QStringLiteral("window.close()"));
    QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 10000);
    QCOMPARE(popupsOf(&w).size(), 0);

    // A link to a new window opens one more; the pane keeps its page.
    runScript(w.explorador->page(), QStringLiteral("document.getElementById('enlace').click()"));
    QTRY_COMPARE_WITH_TIMEOUT(popupsOf(&w).size(), 1, 10000);
    QPointer<PopupWindow> second = popupsOf(&w).constFirst();
    QTRY_VERIFY_WITH_TIMEOUT(
        pageText(second->page()).contains(QStringLiteral("Hola desde la ventana")), 10000);
    QCOMPARE(w.explorador->url(), pane);
    // The user closes it.
    second->close();
    QTRY_VERIFY(second.isNull());
    QVERIFY(boxes.shown.isEmpty());
}

void TestPopups::bannerLinksGoToTheUsersBrowserOnly()
{
    TempProgramFolder folder;
    platform::FixedNetworkPresence offline(false);
    platform::RecordingShell shell;
    Frmpublicidad banner;
    banner.show();
    QTRY_VERIFY_WITH_TIMEOUT(pageText(banner.web_publicidad->page())
                                 .contains(QStringLiteral("Visite nuestro Patrocinador")),
                             15000);
    const QUrl bannerPage = banner.web_publicidad->url();

    // A person clicks the sponsor's picture: the shop opens in the user's browser.
    const QVariantList box =
        runScript(banner.web_publicidad->page(),
                  QStringLiteral("(function(){var r=document.querySelector('a img')"
                                 ".getBoundingClientRect();return [r.left,r.top,r.width,"
                                 "r.height];})()"))
            .toList();
    QCOMPARE(box.size(), 4);
    const QPoint center(int(box[0].toDouble() + box[2].toDouble() / 2),
                        int(box[1].toDouble() + box[3].toDouble() / 2));
    clickInPage(banner.web_publicidad, center);
    QTRY_COMPARE_WITH_TIMEOUT(shell.opened, QList<QUrl>{QUrl(Module1::SponsorShopUrl)}, 10000);

    // Other addresses asking for a new window go nowhere.
    for (const char* address : {"file:///etc/passwd", "javascript:alert(1)", "ftp://127.0.0.1/x"})
        runScript(banner.web_publicidad->page(),
                  QStringLiteral("window.open('%1')").arg(QLatin1String(address)));
    QTest::qWait(500);
    QCOMPARE(shell.opened.size(), 1);
    QVERIFY(popupsOf(&banner).isEmpty());
    QCOMPARE(banner.web_publicidad->url(), bannerPage);
}

QTEST_MAIN(TestPopups)
#include "test_popups.moc"
