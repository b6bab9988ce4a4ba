#include "app/files.h"
#include "browser/layout.h"
#include "browser/pagebuilder.h"

#include <QtTest>

using namespace pages;

class TestPages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scriptPageWithEveryField();
    void scriptPageWithNullAndEmptyFields();
    void categoryPageKeepsHtmlAsItStands();
    void writingReplacesThePageWhole();
    void layoutFollowsTheWindow();
    void splitterIsClampedToItsBounds();
};

void TestPages::scriptPageWithEveryField()
{
    ScriptPageFields f;
    f.externalScript = QStringLiteral("reloj.js");
    f.head = QStringLiteral("<script>\r\nfunction a(){ document.title='ñ'; }\r\n</script>");
    f.body = QStringLiteral("onload=\"a()\"");
    f.name = QStringLiteral("Reloj <i>digital</i>");
    f.typeName = QStringLiteral("Reloj");
    f.browsers = QStringLiteral("Chrome, Firefox");
    f.html = QStringLiteral("<div id=r></div>");
    const QByteArray expected =
        "<html><head><title></title>\r\n"
        "<meta charset=\"utf-8\">\r\n"
        "<script src=reloj.js>\r\n"
        "</script>\r\n"
        "<script>\r\nfunction a(){ document.title='\xc3\xb1'; }\r\n</script>\r\n"
        "</head>\r\n"
        "<body leftMargin=0 topMargin=0 rightMargin=0 bottomMargin=10 onload=\"a()\" >\r\n"
        "<table width=100% border=0>\r\n"
        "<tr bgColor=#a3c1e0><td colspan=2>\r\n"
        "<img src='script.gif' align=center  valign='center'>\r\n"
        "<FONT face=Arial color=#ffffff size=+2><b>Reloj <i>digital</i></b></td></tr>\r\n"
        "<tr><td bgColor=#d6dfe7 width=50%><FONT face=Arial color=#000000 size=-1><b>Tipo "
        "Script:</b> "
        "Reloj</font></td>\r\n"
        "<td bgColor=#d6dfe7 width=50%>\r\n"
        "<FONT face=Arial color=#000000  size=-1><b>Compatible con: </b>Chrome, "
        "Firefox</font></td>\r\n"
        "</tr></table>\r\n"
        "<div id=r></div>\r\n"
        "</body></html>\r\n"
        "\r\n";
    QCOMPARE(BuildScriptPage(f), expected);
}

void TestPages::scriptPageWithNullAndEmptyFields()
{
    ScriptPageFields f; // every field null
    f.externalScript = QStringLiteral("");
    f.name = QStringLiteral("X");
    const QByteArray page = BuildScriptPage(f);
    QVERIFY(page.startsWith(
        "<html><head><title></title>\r\n<meta charset=\"utf-8\">\r\n\r\n</head>\r\n"));
    QVERIFY(!page.contains("<script"));
    QVERIFY(
        page.contains("\r\n<body leftMargin=0 topMargin=0 rightMargin=0 bottomMargin=10  >\r\n"));
    QVERIFY(page.contains("<b>Tipo Script:</b> </font></td>\r\n"));
    QVERIFY(page.contains("<b>Compatible con: </b></font></td>\r\n"));
    QVERIFY(page.endsWith("</tr></table>\r\n\r\n</body></html>\r\n\r\n"));
    QCOMPARE(page.count("\r\n"), 16);
    QCOMPARE(page.count('\n'), 16); // no bare line feeds
}

void TestPages::categoryPageKeepsHtmlAsItStands()
{
    const QByteArray expected =
        "<html><head><title>Categoria</title>\r\n"
        "<meta charset=\"utf-8\">\r\n"
        "</head>\r\n"
        "<body leftMargin=0 topMargin=0 rightMargin=0 bottomMargin=10 >\r\n"
        "<table width=100% border=0>\r\n"
        "<tr><td  bgColor=#a3c1e0>\r\n"
        "<img src='categoria.gif' align='center' valign='center' >\r\n"
        "<FONT face=Arial color=#ffffff size=+2><b>Categor\xc3\xad"
        "a: </b>Fecha & hora</b></font>\r\n"
        "</td></tr></table>\r\n"
        "<p>\r\n"
        "<table width=100% border=0>\r\n"
        "<tr><td bgColor=#d6dfe7 width=50%>\r\n"
        "<FONT face=arial color=#000000 >Relojes <b>y</b> calendarios</font></td></tr></table>"
        "<p align=center><img src='logo text2.jpg'></body></html>\r\n"
        "\r\n";
    QCOMPARE(BuildCategoryPage(QStringLiteral("Fecha & hora"),
                               QStringLiteral("Relojes <b>y</b> calendarios")),
             expected);
    QVERIFY(BuildCategoryPage(QStringLiteral("Vacía"), QString())
                .contains("<FONT face=arial color=#000000 ></font></td></tr></table>"));
}

void TestPages::writingReplacesThePageWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("js.htm"));
    QString error;
    QVERIFY(files::WriteWhole(path, QByteArray(5000, 'a'), &error));
    QVERIFY(files::WriteWhole(path, "corto", &error));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("corto"));
    QVERIFY(!files::WriteWhole(dir.filePath(QStringLiteral("falta/js.htm")), "x", &error));
    QVERIFY(!error.isEmpty());
}

void TestPages::layoutFollowsTheWindow()
{
    const layout::MainLayout l = layout::ComputeMainLayout(9195, 6135, 855, 2895, 60);
    QCOMPARE(l.frame, QRect(100, 50, 7895, 5385));
    QCOMPARE(l.opciones, QRect(8145, 50, 855, 6135));
    QCOMPARE(l.salirTop, 4935);
    // The search box takes the top of the tree's column; the page pane keeps all of it.
    QCOMPARE(l.search.box, QRect(50, 150, 2895, 330));
    QCOMPARE(l.search.count, QRect(1438, 150, 1447, 330));
    QCOMPARE(l.tree, QRect(50, 540, 2895, 4770));
    QCOMPARE(l.explorador, QRect(3145, 150, 4700, 5160));
    QCOMPARE(l.presentacion, QRect(3145, 150, 4700, 5185));
    QCOMPARE(l.lineaBorde, QRect(2945, 150, 60, 5210));
}

void TestPages::splitterIsClampedToItsBounds()
{
    const QRect tree(50, 540, 2895, 4770);
    const QRect pane(3145, 150, 4700, 5160);
    const int W = 12000; // a quarter is 3000, three quarters 9000
    struct Case
    {
        int dropped;
        int rest;
    } cases[] = {{100, 3100},  {2999, 3100}, {3000, 3000}, {5000, 5000},
                 {9000, 9000}, {9001, 8900}, {20000, 8900}};
    for (const Case& c : cases) {
        const layout::SplitterRelease r = layout::ReleaseSplitter(c.dropped, W, tree, pane);
        QCOMPARE(r.barLeft, c.rest);
        QCOMPARE(r.tree, QRect(50, 540, c.rest - 50, 4770));
        QCOMPARE(r.search.box, QRect(50, 150, c.rest - 50, 330));
        QCOMPARE(r.explorador, QRect(c.rest + 150, 150, W - c.rest - 1600, 5160));
        QCOMPARE(r.presentacion, r.explorador);
    }
}

QTEST_GUILESS_MAIN(TestPages)
#include "test_pages.moc"
