#include "export/bodytag.h"
#include "export/pageedit.h"
#include "export/pagefile.h"
#include "tests/support/tempprogramfolder.h"

#include <QFile>
#include <QtTest>

using namespace exporting;

namespace {

PageScript script(qint64 id, const QString& head, const QString& body, const QString& html)
{
    return PageScript{id, head, body, html};
}

PageScript sample()
{
    return script(7, QStringLiteral("<script>function init(){}</script>"),
                  QStringLiteral("onload=\"init()\""), QStringLiteral("<div id=\"caja\"></div>"));
}

QByteArray edited(const QByteArray& page, const PageScript& s)
{
    const PageEdit edit = editPage(page, s);
    if (!edit.ok())
        qWarning() << "refused:" << edit.message;
    return edit.page;
}

} // namespace

class TestPageEdit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newPageGetsTheWorkedExampleByteForByte();
    void bodyTextIsSplicedAfterTheTagName();
    void onloadOfTheTagIsReplacedOnlyByBodyTextWithOnload();
    void onlyTheRealBodyStartTagCounts();
    void pagesWithoutUsableBodyTagAreRefusedUnchanged();
    void reExportGivesTheSameBytes();
    void reExportOfUnusualPagesGivesTheSameBytes_data();
    void reExportOfUnusualPagesGivesTheSameBytes();
    void emptyPartsLeaveEarlierBlocksAlone();
    void blocksFollowThePageLineEnds();
    void unpairedMarkersRefuseThePage();
    void textsAreWrittenInThePageCharset();
    void bodyTextThatIsNotAttributesIsRefused();
    void pagesOfAnyLength();
    void noscriptHoldsTextAsWithScriptingOn();
    void blocksOfAnyScriptNeverHideTheBodyTag();
    void markersCountOnlyAsRealComments();
    void undeclaredCharsetFollowsThePageBytes();
    void pageFileIsReplacedWholeOrNotAtAll();
};

void TestPageEdit::newPageGetsTheWorkedExampleByteForByte()
{
    const PageScript s = sample();
    const QByteArray expected = "<html><head><title></title></head>\r\n"
                                "\r\n"
                                "<!-- Beginning of JavaScript id=7 -->\r\n"
                                "<script>function init(){}</script>\r\n"
                                "<!-- End of JavaScript id=7 -->\r\n"
                                "<body onload=\"init()\" >\r\n"
                                "<!-- Beginning of HTML JavaScript id=7 -->\r\n"
                                " <div id=\"caja\"></div>\r\n"
                                "<!-- End of HTML JavaScript id=7 -->\r\n"
                                " </body>\r\n"
                                "</html>\r\n";
    QCOMPARE(edited(newPageBytes(), s), expected);

    // Through the file: a name that does not exist yet becomes that page.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nueva.htm"));
    const PageFileResult first = insertScriptIntoPageFile(path, s);
    QVERIFY2(first.ok, qPrintable(first.message));
    QVERIFY(first.created);
    QCOMPARE(TempProgramFolder::readFile(path), expected);
    // The second export finds its own blocks and onload and writes the same file.
    const PageFileResult second = insertScriptIntoPageFile(path, s);
    QVERIFY(second.ok && !second.created && !second.changed);
    QCOMPARE(TempProgramFolder::readFile(path), expected);
}

void TestPageEdit::bodyTextIsSplicedAfterTheTagName()
{
    const PageScript b = script(3, {}, QStringLiteral("onmouseover=\"b()\""), {});
    // One attribute, no onload anywhere: name, one space, B, two spaces, the attribute.
    QCOMPARE(edited("<html><body bgcolor=white>x</body></html>", b),
             QByteArray("<html><body onmouseover=\"b()\"  bgcolor=white>x</body></html>"));
    // A tag in capitals keeps its letter case, and so does every later BODY.
    QCOMPARE(edited("<HTML><Head></Head><BODY>x</BODY></HTML>", b),
             QByteArray("<HTML><Head></Head><BODY onmouseover=\"b()\" > x</BODY></HTML>"));
    // Tag name ended by a line end or a self-closing slash.
    QCOMPARE(edited("<body\nclass=a>", b), QByteArray("<body onmouseover=\"b()\" \nclass=a>"));
    QCOMPARE(edited("<body/>", b), QByteArray("<body onmouseover=\"b()\" />"));
    // The page's own onload stays when the body text has none.
    QCOMPARE(edited("<body onload=init()>", b),
             QByteArray("<body onmouseover=\"b()\"  onload=init()>"));
}

void TestPageEdit::onloadOfTheTagIsReplacedOnlyByBodyTextWithOnload()
{
    const PageScript b = script(3, {}, QStringLiteral("onload=\"start()\""), {});
    QCOMPARE(edited("<body onload=init()>", b), QByteArray("<body onload=\"start()\">"));
    // A quoted value with spaces and ">" goes whole; the attribute's neighbours stay.
    QCOMPARE(edited("<body class=c onLoad=\"a(); b('>')\" id=k>", b),
             QByteArray("<body class=c onload=\"start()\" id=k>"));
    QCOMPARE(edited("<body onload='a(); b()'>t", b), QByteArray("<body onload=\"start()\">t"));
    // An onload in a head script is not the tag's.
    QCOMPARE(
        edited("<head><script>window.onload=f;</script></head><body>", b),
        QByteArray("<head><script>window.onload=f;</script></head><body onload=\"start()\" > "));
    // Repeated exports do not grow the tag.
    const QByteArray once = edited("<body onload=init() class=x>", b);
    QCOMPARE(edited(once, b), once);
    // Attributes of a second <body> are not this tag's.
    QCOMPARE(edited("<body class=x><p><body onload=z()>", b),
             QByteArray("<body onload=\"start()\"  class=x><p><body onload=z()>"));
}

void TestPageEdit::onlyTheRealBodyStartTagCounts()
{
    const PageScript s =
        script(5, QStringLiteral("H"), QStringLiteral("data-b=1"), QStringLiteral("X"));
    const QByteArray decoys = "<html><head><title>body of work</title>"
                              "<!-- <body class=old> -->"
                              "<style>body { color: red } body.x{}</style>"
                              "<script>document.body.style.color='red'; var s='<body>';</script>"
                              "</head>\r\n<body class=real>text</body></html>";
    const QByteArray out = edited(decoys, s);
    const qsizetype tag = decoys.indexOf("<body class=real>");
    QCOMPARE(out.left(tag), decoys.left(tag));
    QVERIFY(
        out.mid(tag).startsWith("\r\n<!-- Beginning of JavaScript id=5 -->\r\nH\r\n"
                                "<!-- End of JavaScript id=5 -->\r\n<body data-b=1  class=real>\r\n"
                                "<!-- Beginning of HTML JavaScript id=5 -->\r\n X\r\n"));
    QVERIFY(out.endsWith("<!-- End of HTML JavaScript id=5 -->\r\ntext</body></html>"));
    // Text that merely looks like a renamed tag is left as it is, before and after the tag.
    const QByteArray look = edited("<title>bodyjc</title><BODY>bodyjc BODY</BODY>", s);
    QVERIFY(look.startsWith("<title>bodyjc</title>\r\n<!--"));
    QVERIFY(look.endsWith("id=5 -->\r\n bodyjc BODY</BODY>"));
}

void TestPageEdit::pagesWithoutUsableBodyTagAreRefusedUnchanged()
{
    const PageScript s = sample();
    const QList<QByteArray> noTag = {"",
                                     "plain text about a body",
                                     "<html><head><title>body</title></head></html>",
                                     "<!-- <body> -->",
                                     "<script>'<body>'</script>",
                                     "<frameset><body></frameset>",
                                     "<bodyx>",
                                     "<body"};
    for (const QByteArray& page : noTag) {
        const PageEdit edit = editPage(page, s);
        QCOMPARE(edit.problem, PageProblem::NoBodyTag);
        QCOMPARE(edit.message, QStringLiteral("no es un fichero html valido"));
        QVERIFY(edit.page.isEmpty());
    }
    // Content before the tag already opened the body: the tag is not where the body starts.
    const PageEdit implied = editPage("<html><p>hola</p><body onload=x()>", s);
    QCOMPARE(implied.problem, PageProblem::ImpliedBody);
    QVERIFY(implied.message.startsWith(QStringLiteral("no es un fichero html valido")));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("texto.htm"));
    TempProgramFolder::writeFile(path, "sin etiqueta");
    const PageFileResult result = insertScriptIntoPageFile(path, s);
    QVERIFY(!result.ok);
    QCOMPARE(result.problem, PageProblem::NoBodyTag);
    QCOMPARE(TempProgramFolder::readFile(path), QByteArray("sin etiqueta"));
}

void TestPageEdit::reExportGivesTheSameBytes()
{
    const QByteArray page = "<!DOCTYPE html>\r\n<html>\r\n<head><title>T</title></head>\r\n"
                            "<body class=\"p\">\r\n<p>hola</p>\r\n</body>\r\n</html>";
    const PageScript a = sample();
    const PageScript b = script(12, QStringLiteral("<script>b()</script>"),
                                QStringLiteral("onresize=\"r()\""), QStringLiteral("<b>12</b>"));
    const QByteArray withA = edited(page, a);
    QCOMPARE(edited(withA, a), withA);
    const QByteArray withBoth = edited(withA, b);
    QCOMPARE(edited(withBoth, b), withBoth);
    // Blocks are told apart by id: 1 is not 12, and A's blocks stay beside B's.
    for (const QByteArray& m :
         {headBeginMarker(7), htmlEndMarker(7), headBeginMarker(12), htmlEndMarker(12)})
        QCOMPARE(withBoth.count(m), 1);
    const QByteArray one =
        edited(withBoth, script(1, QStringLiteral("uno"), {}, QStringLiteral("uno")));
    QCOMPARE(one.count(headBeginMarker(12)), 1);
    QCOMPARE(one.count(headBeginMarker(1)), 1);
    // Markers written by hand in another letter case are found too.
    QByteArray lower = withA;
    lower.replace(headBeginMarker(7), headBeginMarker(7).toLower());
    QCOMPARE(edited(lower, a), withA);
    // No line end is added at the end of the page.
    QVERIFY(withBoth.endsWith("</html>"));
}

// Pages on which an export once damaged the tag, or a second export wrote other bytes.
void TestPageEdit::reExportOfUnusualPagesGivesTheSameBytes_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QByteArray>("expected");
    const auto block = [](const QByteArray& le) {
        return le + htmlBeginMarker(7) + le + " x" + le + htmlEndMarker(7) + le;
    };
    const QString onload = QStringLiteral("onload=\"go()\"");

    // The replaced onload held the page's only line end: the line end must not come from
    // bytes that the export itself rewrites.
    QTest::newRow("only line end inside the replaced onload")
        << QByteArray("<body onload=\n\"a()\">") << onload
        << "<body onload=\"go()\">" + block("\r\n");
    QTest::newRow("only line end inside the tag, LF after it")
        << QByteArray("<body\r\nonload=a()>\n") << onload
        << "<body\r\nonload=\"go()\">" + block("\n") + "\n";
    // Stray "</>" right before the tag are not part of it.
    QTest::newRow("stray end tags before the tag")
        << QByteArray("<html></></><BODY class=a>t") << onload
        << "<html></></><BODY onload=\"go()\"  class=a>" + block("\r\n") + "t";
    // A repeated attribute before the onload does not hide it, nor make one of two names.
    QTest::newRow("repeated attribute before the onload")
        << QByteArray("<body nowrap nowrap onload=init()>") << onload
        << "<body nowrap nowrap onload=\"go()\">" + block("\r\n");
    QTest::newRow("repeated name followed by a name that would complete onload")
        << QByteArray("<body on on load=a()>") << onload
        << "<body onload=\"go()\"  on on load=a()>" + block("\r\n");
    // A page that wrote the next attribute right after the onload's quote keeps it apart.
    QTest::newRow("next attribute glued to the onload")
        << QByteArray("<body onload=\"a()\"class=x>") << QStringLiteral("onload=\"go()\" data-x=1")
        << "<body onload=\"go()\" data-x=1 class=x>" + block("\r\n");
    QTest::newRow("self-closing slash after an unquoted onload")
        << QByteArray("<body onload=\"a()\"/>") << QStringLiteral("onload=go()")
        << "<body onload=go() />" + block("\r\n");
    QTest::newRow("self-closing slash after a quoted onload stays")
        << QByteArray("<body onload='a'/>") << onload << "<body onload=\"go()\"/>" + block("\r\n");
}

void TestPageEdit::reExportOfUnusualPagesGivesTheSameBytes()
{
    QFETCH(QByteArray, page);
    QFETCH(QString, body);
    QFETCH(QByteArray, expected);
    const PageScript s = script(7, {}, body, QStringLiteral("x"));
    const QByteArray once = edited(page, s);
    QCOMPARE(once, expected);
    QCOMPARE(edited(once, s), once);
}

void TestPageEdit::emptyPartsLeaveEarlierBlocksAlone()
{
    const QByteArray first = edited(newPageBytes(), sample());
    const PageScript headless = script(7, {}, {}, QStringLiteral("<i>nuevo</i>"));
    const QByteArray second = edited(first, headless);
    QVERIFY(second.contains("<script>function init(){}</script>"));
    QVERIFY(second.contains(" <i>nuevo</i>"));
    QVERIFY(!second.contains("caja"));
    QCOMPARE(second.count(headBeginMarker(7)), 1);
    // Nothing to write: the page stays as it is.
    QCOMPARE(edited(first, script(7, {}, QStringLiteral("  "), {})), first);
}

void TestPageEdit::blocksFollowThePageLineEnds()
{
    const PageScript s = script(2, QStringLiteral("a\r\nb"), {}, QStringLiteral("c\nd"));
    QCOMPARE(edited("<head></head>\n<body>\n</body>\n", s),
             QByteArray("<head></head>\n\n<!-- Beginning of JavaScript id=2 -->\na\nb\n"
                        "<!-- End of JavaScript id=2 -->\n<body>\n"
                        "<!-- Beginning of HTML JavaScript id=2 -->\n c\nd\n"
                        "<!-- End of HTML JavaScript id=2 -->\n\n</body>\n"));
    // A page without any line end gets CR LF, and no line end at its end.
    const QByteArray flat = edited("<body>", s);
    QVERIFY(flat.contains("\r\na\r\nb\r\n"));
    QVERIFY(flat.endsWith("<!-- End of HTML JavaScript id=2 -->\r\n"));
    QCOMPARE(edited(flat, s), flat);
    // A stray CR before an LF block belongs to the page, not to the block.
    const QByteArray stray = edited("<head>\n\r<body>", s);
    QVERIFY(stray.startsWith("<head>\n\r\n<!-- Beginning"));
    QCOMPARE(edited(stray, s), stray);
}

void TestPageEdit::unpairedMarkersRefuseThePage()
{
    const PageScript s = sample();
    const QByteArray good = edited(newPageBytes(), s);
    QByteArray noEnd = good;
    noEnd.replace(headEndMarker(7), "<!-- quitado -->");
    QByteArray noBegin = good;
    noBegin.replace(htmlBeginMarker(7), "<!-- quitado -->");
    QByteArray reversed = "<body>" + htmlEndMarker(7) + "x" + htmlBeginMarker(7);
    for (const QByteArray& page : {noEnd, noBegin, reversed}) {
        const PageEdit edit = editPage(page, s);
        QCOMPARE(edit.problem, PageProblem::UnpairedMarker);
        QVERIFY(edit.message.contains(QStringLiteral("7")));
    }
    // Unpaired markers of a part that is not written are no business of this export.
    QVERIFY(editPage(noEnd, script(7, {}, {}, QStringLiteral("x"))).ok());
}

void TestPageEdit::textsAreWrittenInThePageCharset()
{
    const PageScript s = script(4, QStringLiteral("// año"), {}, QStringLiteral("€ ñ"));
    const QByteArray latin = "<head><meta charset=\"ISO-8859-1\"><title>\xF1</title></head><body>";
    const QByteArray out = edited(latin, s);
    QVERIFY(out.contains("// a\xF1o\r\n"));
    QVERIFY(out.contains(" \x80 \xF1\r\n")); // browsers read ISO-8859-1 as windows-1252
    QVERIFY(out.startsWith(latin.left(latin.indexOf("<body"))));

    const QByteArray equiv = "<head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                             "charset=windows-1252\"></head><body>";
    QVERIFY(edited(equiv, s).contains(" \x80 \xF1\r\n"));

    const PageEdit tooWide = editPage(latin, script(4, {}, {}, QStringLiteral("漢字")));
    QCOMPARE(tooWide.problem, PageProblem::Unencodable);
    QVERIFY(tooWide.page.isEmpty());

    // UTF-8 by default and behind a byte-order mark; the mark stays.
    const QByteArray bom = "\xEF\xBB\xBF<html><body>";
    const QByteArray withBom = edited(bom, s);
    QVERIFY(withBom.startsWith(
        "\xEF\xBB\xBF<html>\r\n<!-- Beginning of JavaScript id=4 -->\r\n// a\xC3\xB1o"));
    QVERIFY(withBom.contains(" \xE2\x82\xAC \xC3\xB1\r\n"));

    QCOMPARE(editPage("\xFF\xFE<\0b\0", s).problem, PageProblem::Utf16Page);
    QCOMPARE(editPage("<meta charset=x-no-such-thing><body>", s).problem,
             PageProblem::UnusableCharset);
    QCOMPARE(editPage("<meta charset=\"latin1//TRANSLIT\"><body>", s).problem,
             PageProblem::UnusableCharset);
    // A meta inside the body says nothing about the head's charset.
    QVERIFY(edited("<body><meta charset=iso-8859-1>", s).contains("\xC3\xB1"));
}

void TestPageEdit::bodyTextThatIsNotAttributesIsRefused()
{
    const QByteArray page = "<body class=x>";
    for (const QString& body : {QStringLiteral("onload=a()><p>"), QStringLiteral("onload=\"a()"),
                                QStringLiteral("x=1 > y")}) {
        const PageEdit edit = editPage(page, script(9, {}, body, {}));
        QCOMPARE(edit.problem, PageProblem::BadBodyText);
    }
    // Quoted ">" is attribute text.
    QVERIFY(editPage(page, script(9, {}, QStringLiteral("onload=\"a(1>0)\""), {})).ok());
    // Texts holding the script's own markers cannot be exported and found again.
    const PageEdit selfMarked =
        editPage(page, script(9, QString::fromLatin1(headEndMarker(9)), {}, {}));
    QCOMPARE(selfMarked.problem, PageProblem::MarkerInScript);
}

void TestPageEdit::pagesOfAnyLength()
{
    QByteArray big = "<html><head><script>";
    big += QByteArray(70000, 'a');
    big += "</script></head><body>";
    big += QByteArray(3 * 1024 * 1024, 'b');
    big += "</body></html>";
    const PageScript s = sample();
    const QByteArray out = edited(big, s);
    QVERIFY(!out.isEmpty());
    QCOMPARE(out.size(), big.size() + edited(newPageBytes(), s).size() - newPageBytes().size());
    QCOMPARE(edited(out, s), out);
    const BodyTag tag = locateBodyTag(big);
    QCOMPARE(tag.start, big.indexOf("<body>"));
}

void TestPageEdit::noscriptHoldsTextAsWithScriptingOn()
{
    const PageScript s = script(5, QStringLiteral("H"), QStringLiteral("data-b=1"), {});
    const QByteArray head = "<html><head><noscript><img src=\"px.gif\"></noscript>";
    // The analytics pixel does not open the body; the tag is where it is written.
    const QByteArray pixel = head + "</head>\n<body class=a>\n</body></html>";
    QCOMPARE(edited(pixel, s), head + "</head>\n\n" + headBeginMarker(5) + "\nH\n" +
                                   headEndMarker(5) + "\n<body data-b=1  class=a>\n</body></html>");
    QCOMPARE(locateBodyTag(pixel).start, pixel.indexOf("<body class=a>"));
    // What a noscript holds is text: no body tag, no charset, no comment opened there.
    const QByteArray decoys = "<head><noscript><body class=fake><meta charset=iso-8859-1>"
                              "<!--</noscript><NOSCRIPT/>x</noscript x>\n<body class=real>";
    const BodyTag tag = locateBodyTag(decoys);
    QCOMPARE(tag.status, BodyTag::Status::Found);
    QCOMPARE(tag.start, decoys.indexOf("<body class=real>"));
    QVERIFY(tag.declaredCharset.isEmpty());
    QVERIFY(edited(decoys, script(5, QStringLiteral("ñ"), {}, {})).contains("\xC3\xB1"));
    // Text that only reads like a noscript tag holds nothing.
    const QByteArray quoted = "<head><script>var s = '<noscript>';</script><!-- <noscript> -->"
                              "</head><body class=b>";
    QCOMPARE(locateBodyTag(quoted).start, quoted.indexOf("<body class=b>"));
    // A noscript that is never closed holds the rest of the page.
    QCOMPARE(editPage("<head><noscript><body>", s).problem, PageProblem::NoBodyTag);
}

void TestPageEdit::blocksOfAnyScriptNeverHideTheBodyTag()
{
    // A head block that is not head content (an entry written without <script>) would open
    // the body before the tag; what the program wrote itself is passed over.
    const PageScript plain =
        script(3, QStringLiteral("var x = 1;"), {}, QStringLiteral("<p>3</p>"));
    const QByteArray page = "<html><head></head>\r\n<body class=x>\r\n</body></html>";
    const QByteArray once = edited(page, plain);
    QVERIFY(!once.isEmpty());
    const PageScript other = sample();
    const QByteArray both = edited(once, other);
    QVERIFY2(!both.isEmpty(), "a second script was refused");
    QCOMPARE(edited(both, other), both);
    QVERIFY(editPage(both, plain).ok());
    QCOMPARE(markedScriptIds(both), (QList<qint64>{3, 7}));
    QCOMPARE(locatePageBodyTag(both).start, both.indexOf("<body"));
    // Content the user wrote before the tag still opens the body.
    QByteArray opened = once;
    opened.insert(once.indexOf("<body"), "<p>hola</p>");
    QCOMPARE(editPage(opened, other).problem, PageProblem::ImpliedBody);
}

void TestPageEdit::markersCountOnlyAsRealComments()
{
    const PageScript s = script(7, QStringLiteral("<script>nuevo()</script>"), {}, {});
    const QByteArray pair = headBeginMarker(7) + "viejo" + headEndMarker(7);
    const QList<QByteArray> places = {
        "<script>var s = '" + pair + "';</script>",
        "<style>/*" + pair + "*/</style>",
        "<meta name=\"x\" content=\"" + pair + "\">",
        "<!-- nota " + headBeginMarker(7) + "\n<!-- otra " + headEndMarker(7),
        "<noscript>" + pair + "</noscript>",
        "<title>" + pair + "</title>",
    };
    for (const QByteArray& place : places) {
        const QByteArray page = "<html><head>" + place + "</head>\n<body>\n</body></html>";
        QVERIFY2(pageMarkers(page).empty(), place.constData());
        const QByteArray out = edited(page, s);
        // The page's own text stays whole; the script gets a block of its own.
        QVERIFY2(out.startsWith("<html><head>" + place + "</head>\n"), place.constData());
        QCOMPARE(out.count(headBeginMarker(7)), page.count(headBeginMarker(7)) + 1);
        QCOMPARE(edited(out, s), out);
    }
    // Real markers are listed with their kind, id and place, in any letter case.
    const QByteArray page = "\xEF\xBB\xBF<html>" + headBeginMarker(12).toUpper() + "x" +
                            headEndMarker(12) + "<body>" + htmlBeginMarker(4) + "<!-- id=5 -->" +
                            htmlEndMarker(4) + "<!-- Beginning of JavaScript id=05 -->";
    const std::vector<PageMarker> found = pageMarkers(page);
    QCOMPARE(found.size(), size_t(4));
    QCOMPARE(found[0].kind, PageMarker::Kind::HeadBegin);
    QCOMPARE(found[0].id, 12);
    QCOMPARE(found[0].start, page.indexOf("<!--"));
    QCOMPARE(found[0].end, found[0].start + headBeginMarker(12).size());
    QCOMPARE(found[3].kind, PageMarker::Kind::HtmlEnd);
    QCOMPARE(found[3].id, 4);
    QCOMPARE(markedScriptIds(page), (QList<qint64>{4, 12}));
}

void TestPageEdit::undeclaredCharsetFollowsThePageBytes()
{
    const PageScript s = script(4, QStringLiteral("// año"), {}, QStringLiteral("€"));
    // Written in windows-1252 without saying so: the bytes are not UTF-8.
    const QByteArray latin = "<html><head><title>Espa\xF1\x61</title></head><body>";
    const QByteArray out = edited(latin, s);
    QVERIFY(out.contains("// a\xF1o\r\n"));
    QVERIFY(out.contains(" \x80\r\n"));
    QCOMPARE(edited(out, s), out);
    QCOMPARE(editPage(latin, script(4, {}, {}, QStringLiteral("漢字"))).problem,
             PageProblem::Unencodable);
    // Valid UTF-8, or plain ASCII: UTF-8.
    for (const QByteArray& page : {QByteArray("<title>Espa\xC3\xB1\x61</title><body>"),
                                   QByteArray("<title>Spain</title><body>")}) {
        const QByteArray utf8 = edited(page, s);
        QVERIFY(utf8.contains("// a\xC3\xB1o\r\n"));
        QVERIFY(utf8.contains(" \xE2\x82\xAC\r\n"));
    }
    // Sequences that only look like UTF-8: overlong, surrogate, cut short at the end.
    for (const QByteArray& bad : {QByteArray("\xC0\xAF"), QByteArray("\xED\xA0\x80"),
                                  QByteArray("\xF4\x90\x80\x80"), QByteArray("\xE2\x82")}) {
        const QByteArray page = "<body>" + bad;
        QVERIFY2(edited(page, s).contains("// a\xF1o"), bad.toHex().constData());
    }
}

void TestPageEdit::pageFileIsReplacedWholeOrNotAtAll()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pagina.html"));
    const QByteArray page = "<html><body>\n</body></html>\n";
    TempProgramFolder::writeFile(path, page);
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    PageFileResult result = insertScriptIntoPageFile(path, sample());
    QVERIFY(!result.ok);
    QVERIFY(result.message.contains(QStringLiteral("sólo lectura")));
    QCOMPARE(TempProgramFolder::readFile(path), page);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    result = insertScriptIntoPageFile(dir.filePath(QStringLiteral("falta/nueva.htm")), sample());
    QVERIFY(!result.ok);
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("falta"))));

    result = insertScriptIntoPageFile(dir.path(), sample());
    QVERIFY(!result.ok);

    result = insertScriptIntoPageFile(path, sample());
    QVERIFY2(result.ok && result.changed, qPrintable(result.message));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("pagina.html")});
}

QTEST_GUILESS_MAIN(TestPageEdit)
#include "test_pageedit.moc"
