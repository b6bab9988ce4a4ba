#include "export/pageedit.h"

#include <QtTest>

using namespace exporting;

namespace {

// In the tables, {hb} {he} {tb} {te} stand for the head and HTML markers of script 7.
QByteArray expand(QByteArray text)
{
    return text.replace("{hb}", headBeginMarker(7))
        .replace("{he}", headEndMarker(7))
        .replace("{tb}", htmlBeginMarker(7))
        .replace("{te}", htmlEndMarker(7));
}

void row(const char* name, const QByteArray& page, const char* head, const char* body,
         const char* html, const QByteArray& expected)
{
    QTest::newRow(name) << expand(page) << QString::fromUtf8(expand(head))
                        << QString::fromUtf8(body) << QString::fromUtf8(html) << expand(expected);
}

void refused(const char* name, const QByteArray& page, const char* body, PageProblem problem,
             const char* head = "H", const char* html = "X")
{
    row(name, page, head, body, html, "refused " + QByteArray::number(int(problem)));
}

QByteArray edited(const QByteArray& page, const PageScript& s)
{
    const PageEdit edit = editPage(page, s);
    return edit.ok() ? edit.page : "refused " + QByteArray::number(int(edit.problem));
}

const QByteArray Block = "{tb}\r\n x\r\n{te}\r\n";

} // namespace

class TestPageEdit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pageBytes_data();
    void pageBytes();
    void charsets_data();
    void charsets();
    void scriptsSharingAPage();
};

// Each page with the script written in, byte for byte, or refused with its reason and no bytes.
void TestPageEdit::pageBytes_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("head");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("html");
    QTest::addColumn<QByteArray>("expected");
    row("new page", newPageBytes(), "<script>function init(){}</script>", "onload=\"init()\"",
        "<div id=\"caja\"></div>",
        "<html><head><meta charset=\"utf-8\"><title></title></head>\r\n\r\n"
        "<!-- Beginning of JavaScript id=7 -->\r\n"
        "<script>function init(){}</script>\r\n<!-- End of JavaScript id=7 -->\r\n"
        "<body onload=\"init()\" >\r\n<!-- Beginning of HTML JavaScript id=7 -->\r\n"
        " <div id=\"caja\"></div>\r\n<!-- End of HTML JavaScript id=7 -->\r\n "
        "</body>\r\n</html>\r\n");

    // Where the body text goes: after the tag name; onload replaces only the tag's own.
    const char* over = "onmouseover=\"b()\"";
    row("after the name", "<body bgcolor=white>x", "", over, "",
        "<body onmouseover=\"b()\"  bgcolor=white>x");
    row("capitals kept", "<HTML><BODY>x</BODY>", "", over, "",
        "<HTML><BODY onmouseover=\"b()\" > x</BODY>");
    row("name ended by a slash", "<body/>", "", over, "", "<body onmouseover=\"b()\" />");
    row("the page's onload stays", "<body onload=init()>", "", over, "",
        "<body onmouseover=\"b()\"  onload=init()>");
    const char* start = "onload=\"start()\"";
    row("onload replaced", "<body onload=init()>", "", start, "", "<body onload=\"start()\">");
    row("onload that is one reference replaced whole", "<body onload=&amp id=k>", "", start, "",
        "<body onload=\"start()\" id=k>");
    row("quoted onload with > replaced whole", "<body class=c onLoad=\"a(); b('>')\" id=k>", "",
        start, "", "<body class=c onload=\"start()\" id=k>");
    row("onload in a head script is not the tag's", "<script>window.onload=f;</script><body>", "",
        start, "", "<script>window.onload=f;</script><body onload=\"start()\" > ");
    row("a second body tag is not the tag", "<body class=x><p><body onload=z()>", "", start, "",
        "<body onload=\"start()\"  class=x><p><body onload=z()>");
    const QByteArray decoys = "<title>body</title><!-- <body class=o> --><style>body{}</style>"
                              "<script>var s='<body>';</script>\n";
    row("only the real tag", decoys + "<body class=r>t", "H", "data-b=1", "X",
        decoys + "\n{hb}\nH\n{he}\n<body data-b=1  class=r>\n{tb}\n X\n{te}\nt");
    const QByteArray longHead = "<head><script>" + QByteArray(70000, 'a') + "</script></head>";
    const QByteArray longBody = QByteArray(3 * 1024 * 1024, 'b');
    row("long head, long body", longHead + "<body>" + longBody, "H", "data-x=1", "x",
        longHead + "\r\n{hb}\r\nH\r\n{he}\r\n<body data-x=1 >\r\n" + Block + " " + longBody);

    // Blocks take the page's own line end, CR LF when it has none.
    row("LF page", "<head></head>\n<body>\n</body>\n", "a\r\nb", "", "c\nd",
        "<head></head>\n\n{hb}\na\nb\n{he}\n<body>\n{tb}\n c\nd\n{te}\n\n</body>\n");
    row("CR LF page", "<head></head>\r\n<body>", "a\nb", "", "",
        "<head></head>\r\n\r\n{hb}\r\n"
        "a\r\nb\r\n{he}\r\n<body>");
    row("no line end", "<body>", "a\nb", "", "c\r\nd",
        "\r\n{hb}\r\na\r\nb\r\n{he}\r\n<body>\r\n{tb}\r\n c\r\nd\r\n{te}\r\n");
    row("stray CR before the tag", "<head>\n\r<body>", "a", "", "",
        "<head>\n\r\n{hb}\na\n{he}\n<body>");

    // Pages where an export once damaged the tag, or a second export wrote other bytes.
    const char* go = "onload=\"go()\"";
    row("only line end inside the replaced onload", "<body onload=\n\"a()\">", "", go, "x",
        "<body onload=\"go()\">\r\n" + Block);
    row("line end inside the tag, LF after it", "<body\r\nonload=a()>\n", "", go, "x",
        "<body\r\nonload=\"go()\">\n{tb}\n x\n{te}\n\n");
    row("stray end tags before the tag", "<html></></><BODY class=a>t", "", go, "x",
        "<html></></><BODY onload=\"go()\"  class=a>\r\n" + Block + "t");
    row("repeated attribute before the onload", "<body nowrap nowrap onload=i()>", "", go, "x",
        "<body nowrap nowrap onload=\"go()\">\r\n" + Block);
    row("repeated name before one that would end onload", "<body on on load=a()>", "", go, "x",
        "<body onload=\"go()\"  on on load=a()>\r\n" + Block);
    row("next attribute glued to the onload", "<body onload=\"a()\"class=x>", "",
        "onload=\"go()\" data-x=1", "x", "<body onload=\"go()\" data-x=1 class=x>\r\n" + Block);
    row("slash after an unquoted onload", "<body onload=\"a()\"/>", "", "onload=go()", "x",
        "<body onload=go() />\r\n" + Block);
    row("slash after a quoted onload", "<body onload='a'/>", "", go, "x",
        "<body onload=\"go()\"/>\r\n" + Block);
    row("unpaired marker of a part not written", "{hb}<body>", "", "", "x",
        "{hb}<body>\r\n" + Block);
    row("nothing to write", "<body>", "", "  ", "", "<body>");

    // As a browser with scripting on reads the page: a noscript holds text.
    const QByteArray pixel = "<head><noscript><img src=\"p.gif\"></noscript></head>\n";
    row("analytics pixel", pixel + "<body class=a>", "H", "data-b=1", "",
        pixel + "\n{hb}\nH\n{he}\n<body data-b=1  class=a>");
    const QByteArray held =
        "<head><noscript><body class=f><!--</noscript><NOSCRIPT/>x</noscript x>";
    row("noscript holds no tag or comment", held + "<body>", "H", "", "",
        held + "\r\n{hb}\r\nH\r\n{he}\r\n<body>");
    // Markers count only as real comments; elsewhere they are the page's own text.
    const std::pair<const char*, const char*> places[] = {
        {"in a script string", "<script>var s = '{hb}viejo{he}';</script>"},
        {"in a style", "<style>/*{hb}viejo{he}*/</style>"},
        {"in an attribute", "<meta name=\"x\" content=\"{hb}viejo{he}\">"},
        {"inside other comments", "<!-- nota {hb}\n<!-- otra {he}"},
        {"in a noscript", "<noscript>{hb}viejo{he}</noscript>"},
        {"in a title", "<title>{hb}viejo{he}</title>"}};
    for (const auto& [name, place] : places) {
        row(name, QByteArray("<head>") + place + "</head>\n<body>", "<script>n()</script>", "", "",
            QByteArray("<head>") + place + "</head>\n\n{hb}\n<script>n()</script>\n{he}\n<body>");
    }

    // Refused pages.
    for (const char* page : {"", "text about a body", "<title>body</title>", "<!-- <body> -->",
                             "<script>'<body>'</script>", "<frameset><body></frameset>", "<bodyx>",
                             "<body", "<head><noscript><body>"})
        refused(QByteArray("no tag: " + QByteArray(page)).constData(), page, "",
                PageProblem::NoBodyTag);
    refused("content opened the body", "<p>hola</p><body onload=x()>", "",
            PageProblem::ImpliedBody);
    refused("begin without end", "{hb}H<body>", "", PageProblem::UnpairedMarker);
    refused("end without begin", "<body>\r\n X\r\n{te}\r\n", "", PageProblem::UnpairedMarker);
    refused("end before begin", "<body>{te}X{tb}", "", PageProblem::UnpairedMarker);
    refused("end marker inside an open textarea", "<body>{tb}<textarea>{te}", "",
            PageProblem::UnpairedMarker);
    for (const char* body : {"onload=a()><p>", "onload=\"a()", "x=1 > y"})
        refused(body, "<body class=x>", body, PageProblem::BadBodyText);
    refused("script holds its own marker", "<body>", "", PageProblem::MarkerInScript, "{he}");
    refused("UTF-16", "\xFF\xFE<\0b\0", "", PageProblem::Utf16Page);
    refused("unknown charset", "<meta charset=x-no-such><body>", "", PageProblem::UnusableCharset);
    refused("charset with a suffix", "<meta charset=\"latin1//TRANSLIT\"><body>", "",
            PageProblem::UnusableCharset);
    refused("not in the declared charset", "<meta charset=iso-8859-1><body>", "",
            PageProblem::Unencodable, "", "漢字");
    refused("not in windows-1252", "<title>\xF1</title><body>", "", PageProblem::Unencodable, "",
            "漢字");
}

// Texts go in the page's charset; with none declared, UTF-8 only when the bytes are.
void TestPageEdit::charsets_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<bool>("utf8");
    QTest::newRow("meta charset") << QByteArray("<meta charset=\"ISO-8859-1\"><body>") << false;
    QTest::newRow("http-equiv") << QByteArray("<meta http-equiv=\"Content-Type\" content=\"text/"
                                              "html; charset=windows-1252\"><body>")
                                << false;
    QTest::newRow("UTF-8 byte-order mark") << QByteArray("\xEF\xBB\xBF<body>") << true;
    QTest::newRow("a meta in the body") << QByteArray("<body><meta charset=iso-8859-1>") << true;
    QTest::newRow("a meta in a noscript")
        << QByteArray("<head><noscript><meta charset=iso-8859-1></noscript><body>") << true;
    QTest::newRow("undeclared, UTF-8 bytes") << QByteArray("<title>\xC3\xB1</title><body>") << true;
    QTest::newRow("undeclared, ASCII") << QByteArray("<title>n</title><body>") << true;
    QTest::newRow("undeclared, other bytes") << QByteArray("<title>\xF1</title><body>") << false;
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"})
        QTest::newRow(("looks like UTF-8: " + QByteArray(bad).toHex()).constData())
            << QByteArray("<body>") + bad << false;
}

void TestPageEdit::charsets()
{
    QFETCH(QByteArray, page);
    QFETCH(bool, utf8);
    const PageScript s{7, QStringLiteral("año €"), {}, {}};
    const QByteArray text = utf8 ? "a\xC3\xB1o \xE2\x82\xAC" : "a\xF1o \x80";
    QByteArray out = edited(page, s);
    QCOMPARE(edited(out, s), out);
    QCOMPARE(out.replace(expand("\r\n{hb}\r\n" + text + "\r\n{he}\r\n"), ""), page);
}

void TestPageEdit::pageBytes()
{
    QFETCH(QByteArray, page);
    QFETCH(QString, head);
    QFETCH(QString, body);
    QFETCH(QString, html);
    QFETCH(QByteArray, expected);
    const PageScript s{7, head, body, html};
    const PageEdit edit = editPage(page, s);
    QCOMPARE(edited(page, s), expected);
    // A second export gives the same bytes; a refusal gives none.
    QCOMPARE(edit.ok() ? edited(edit.page, s) : edit.page, edit.ok() ? expected : QByteArray());
}

void TestPageEdit::scriptsSharingAPage()
{
    const QByteArray page = "<html>\r\n<head><title>T</title></head>\r\n<body class=\"p\">\r\n"
                            "<p>hola</p>\r\n</body>\r\n</html>";
    // A head block that is not head content (no <script>) never hides the tag from the next.
    const PageScript a{3, QStringLiteral("var x = 1;"), {}, QStringLiteral("<p>3</p>")};
    const PageScript b{12, QStringLiteral("<script>b()</script>"), QStringLiteral("onresize=r()"),
                       QStringLiteral("<b>12</b>")};
    const QByteArray withA = edited(page, a);
    const QByteArray both = edited(withA, b);
    QVERIFY2(both.contains(headEndMarker(12) + "\r\n<body onresize=r()  class=\"p\">"),
             both.constData());
    QCOMPARE(edited(both, b), both);
    QVERIFY(editPage(both, a).ok());
    // Script 1 is not script 12; markers are found in any letter case.
    const QByteArray three = edited(both, PageScript{1, QStringLiteral("uno"), {}, {}});
    QCOMPARE(markedScriptIds(three), (QList<qint64>{1, 3, 12}));
    QCOMPARE(three.count(headBeginMarker(12)), 1);
    QByteArray lower = both;
    lower.replace(headBeginMarker(3), headBeginMarker(3).toLower());
    // The ids the site update finds: a lone end marker counts, a padded id does not.
    QCOMPARE(markedScriptIds(lower + htmlEndMarker(8) + "<!-- End of JavaScript id=09 -->"),
             (QList<qint64>{3, 8, 12}));
    // An empty part leaves its earlier block where it is.
    const QByteArray htmlOnly = edited(withA, PageScript{3, {}, {}, QStringLiteral("<i>n</i>")});
    QVERIFY(htmlOnly.contains("\r\nvar x = 1;\r\n") && htmlOnly.contains("\r\n <i>n</i>\r\n"));
    QVERIFY(!htmlOnly.contains("<p>3</p>"));
    // Content the user wrote before the tag still opens the body.
    QByteArray opened = withA;
    opened.insert(withA.indexOf("<body"), "<p>hola</p>");
    QCOMPARE(editPage(opened, b).problem, PageProblem::ImpliedBody);
}

QTEST_GUILESS_MAIN(TestPageEdit)
#include "test_pageedit.moc"
