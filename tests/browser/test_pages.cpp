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
    void splitterIsClampedToItsBounds_data();
    void splitterIsClampedToItsBounds();
};

void TestPages::pagesAreWrittenByteForByte_data()
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
    f.name = QStringLiteral("Reloj <i>digital</i>");
    f.typeName = QStringLiteral("Reloj");
    f.browsers = QStringLiteral("Chrome, Firefox");
    f.html = QStringLiteral("<div id=r></div>");
    QTest::newRow("script, every field")
        << BuildScriptPage(f)
        << scriptPage("<script src=reloj.js>\r\n</script>\r\n<script>\r\nfunction a(){ "
                      "document.title='\xc3\xb1'; }\r\n</script>",
                      "onload=\"a()\"", "Reloj <i>digital</i>", "Reloj", "Chrome, Firefox",
                      "<div id=r></div>");
    ScriptPageFields empty; // null fields insert nothing; an empty external script, no lines
    empty.externalScript = QStringLiteral("");
    empty.name = QStringLiteral("X");
    QTest::newRow("script, null and empty fields")
        << BuildScriptPage(empty) << scriptPage("", "", "X", "", "", "");

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
