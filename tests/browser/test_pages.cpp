#include "browser/layout.h"
#include "browser/pagebuilder.h"

#include <QtTest>

using namespace pages;

class TestPages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pagesAreWrittenByteForByte_data();
    void pagesAreWrittenByteForByte();
    void layoutFollowsTheWindow();
    void splitterIsClampedToItsBounds_data();
    void splitterIsClampedToItsBounds();
};

void TestPages::pagesAreWrittenByteForByte_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("expected");

    ScriptPageFields f;
    f.externalScript = QStringLiteral("reloj.js");
    f.head = QStringLiteral("<script>\r\nfunction a(){ document.title='ñ'; }\r\n</script>");
    f.body = QStringLiteral("onload=\"a()\"");
    f.name = QStringLiteral("Reloj <i>digital</i>");
    f.typeName = QStringLiteral("Reloj");
    f.browsers = QStringLiteral("Chrome, Firefox");
    f.html = QStringLiteral("<div id=r></div>");
    QTest::newRow("script, every field")
        << BuildScriptPage(f)
        << QByteArray(
               "<html><head><title></title>\r\n"
               "<meta charset=\"utf-8\">\r\n"
               "<script src=reloj.js>\r\n"
               "</script>\r\n"
               "<script>\r\nfunction a(){ document.title='\xc3\xb1'; }\r\n</script>\r\n"
               "</head>\r\n"
               "<body leftMargin=0 topMargin=0 rightMargin=0 bottomMargin=10 onload=\"a()\" "
               ">\r\n"
               "<table width=100% border=0>\r\n"
               "<tr bgColor=#a3c1e0><td colspan=2>\r\n"
               "<img src='script.gif' align=center  valign='center'>\r\n"
               "<FONT face=Arial color=#ffffff size=+2><b>Reloj <i>digital</i></b></td></tr>\r\n"
               "<tr><td bgColor=#d6dfe7 width=50%><FONT face=Arial color=#000000 size=-1>"
               "<b>Tipo Script:</b> Reloj</font></td>\r\n"
               "<td bgColor=#d6dfe7 width=50%>\r\n"
               "<FONT face=Arial color=#000000  size=-1><b>Compatible con: </b>Chrome, "
               "Firefox</font></td>\r\n"
               "</tr></table>\r\n"
               "<div id=r></div>\r\n"
               "</body></html>\r\n"
               "\r\n");

    ScriptPageFields empty; // null fields insert nothing; an empty external script, no lines
    empty.externalScript = QStringLiteral("");
    empty.name = QStringLiteral("X");
    QTest::newRow("script, null and empty fields")
        << BuildScriptPage(empty)
        << QByteArray("<html><head><title></title>\r\n"
                      "<meta charset=\"utf-8\">\r\n"
                      "\r\n"
                      "</head>\r\n"
                      "<body leftMargin=0 topMargin=0 rightMargin=0 bottomMargin=10  >\r\n"
                      "<table width=100% border=0>\r\n"
                      "<tr bgColor=#a3c1e0><td colspan=2>\r\n"
                      "<img src='script.gif' align=center  valign='center'>\r\n"
                      "<FONT face=Arial color=#ffffff size=+2><b>X</b></td></tr>\r\n"
                      "<tr><td bgColor=#d6dfe7 width=50%><FONT face=Arial color=#000000 size=-1>"
                      "<b>Tipo Script:</b> </font></td>\r\n"
                      "<td bgColor=#d6dfe7 width=50%>\r\n"
                      "<FONT face=Arial color=#000000  size=-1><b>Compatible con: </b></font>"
                      "</td>\r\n"
                      "</tr></table>\r\n"
                      "\r\n"
                      "</body></html>\r\n"
                      "\r\n");

    QTest::newRow("category, HTML kept as it stands")
        << BuildCategoryPage(QStringLiteral("Fecha & hora"),
                             QStringLiteral("Relojes <b>y</b> calendarios"))
        << QByteArray("<html><head><title>Categoria</title>\r\n"
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
                      "<FONT face=arial color=#000000 >Relojes <b>y</b> calendarios</font></td>"
                      "</tr></table><p align=center><img src='logo text2.jpg'></body></html>\r\n"
                      "\r\n");
}

void TestPages::pagesAreWrittenByteForByte()
{
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, expected);
    QCOMPARE(page, expected);
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

void TestPages::splitterIsClampedToItsBounds_data()
{
    // In a window 12000 twips wide: a quarter is 3000, three quarters 9000.
    QTest::addColumn<int>("dropped");
    QTest::addColumn<int>("rest");
    for (const auto& [dropped, rest] : {std::pair{100, 3100},
                                        {2999, 3100},
                                        {3000, 3000},
                                        {5000, 5000},
                                        {9000, 9000},
                                        {9001, 8900},
                                        {20000, 8900}})
        QTest::addRow("dropped at %d", dropped) << dropped << rest;
}

void TestPages::splitterIsClampedToItsBounds()
{
    QFETCH(int, dropped);
    QFETCH(int, rest);
    const layout::SplitterRelease r = layout::ReleaseSplitter(
        dropped, 12000, QRect(50, 540, 2895, 4770), QRect(3145, 150, 4700, 5160));
    QCOMPARE(r.barLeft, rest);
    QCOMPARE(r.tree, QRect(50, 540, rest - 50, 4770));
    QCOMPARE(r.search.box, QRect(50, 150, rest - 50, 330));
    QCOMPARE(r.explorador, QRect(rest + 150, 150, 12000 - rest - 1600, 5160));
    QCOMPARE(r.presentacion, r.explorador);
}

QTEST_GUILESS_MAIN(TestPages)
#include "test_pages.moc"
