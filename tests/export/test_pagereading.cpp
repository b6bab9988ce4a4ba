// The page reading (body tag, declared character set, comments) against gumbo's whole-document
// parse: the same answer on every html5lib tree-construction document and on pages built to
// reach the tokenizer's rarer states.

#include "export/bodytag.h"
#include "export/pageparse.h"
#include "export/quirksmode.h"
#include "reference/gumboreference.h"

#include <QDirIterator>
#include <QtTest>

using namespace exporting;

namespace {

QString describe(const BodyTag& t)
{
    QString s = QStringLiteral("status %1 [%2,%3,%4) charset '%5'")
                    .arg(int(t.status))
                    .arg(t.start)
                    .arg(t.nameEnd)
                    .arg(t.end)
                    .arg(QString::fromLatin1(t.declaredCharset));
    for (const TagAttribute& a : t.attributes)
        s += QStringLiteral(" %1[%2,%3)").arg(QString::fromUtf8(a.name)).arg(a.start).arg(a.end);
    return s;
}

QString describe(const std::vector<ByteSpan>& spans)
{
    QStringList parts;
    for (const ByteSpan& s : spans)
        parts << QStringLiteral("[%1,%2)").arg(s.start).arg(s.end);
    return parts.join(QLatin1Char(' '));
}

// Empty when both readings agree on `page`; what differs otherwise.
QString disagreement(const QByteArray& page)
{
    const QuirksMode mode = documentQuirksMode(page.constData(), page.size());
    const QuirksMode gumboMode = gumboreference::quirksMode(page.constData(), page.size());
    if (mode != gumboMode)
        return QStringLiteral("quirks mode: %1 / gumbo: %2").arg(int(mode)).arg(int(gumboMode));
    const BodyTag mine = locateBodyTag(page);
    const BodyTag theirs = gumboreference::locateBodyTag(page);
    const QString a = describe(mine), b = describe(theirs);
    if (a != b)
        return QStringLiteral("body tag: %1 / gumbo: %2").arg(a, b);
    const std::vector<ByteSpan> c = pageComments(page.constData(), page.size());
    const std::vector<ByteSpan> d = gumboreference::pageComments(page.constData(), page.size());
    if (!(c == d))
        return QStringLiteral("comments: %1 / gumbo: %2").arg(describe(c), describe(d));
    return {};
}

// The documents of an html5lib tree-construction file, fragments left out.
QList<QByteArray> documents(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    QList<QByteArray> found;
    for (qsizetype at = all.indexOf("#data\n"); at >= 0; at = all.indexOf("\n#data\n", at + 1)) {
        const qsizetype from = all.indexOf("#data\n", at) + 6;
        const qsizetype to = all.indexOf("\n#errors", from);
        const qsizetype next = all.indexOf("\n#data\n", from);
        if (to < 0)
            break;
        const qsizetype caseEnd = next < 0 ? all.size() : next;
        if (all.mid(from, caseEnd - from).contains("\n#document-fragment"))
            continue;
        found.append(all.mid(from, to - from));
    }
    return found;
}

} // namespace

class TestPageReading : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void html5libDocuments();
    void rareTokenizerStates_data();
    void rareTokenizerStates();
    void fuzzSeeds();
    void doctypes_data();
    void doctypes();
    void doctypePieces();
    void tableInTemplate_data();
    void tableInTemplate();
};

// Each document as written, then with a body tag after it (read as Implied or ignored) and
// before it (read as Found, with the document's text after the tag), and inside a template in
// the head, where the body's rules read it, in quirks mode and not.
void TestPageReading::html5libDocuments()
{
    // Beside the clone; KORVALIS_SHARED_DIR in the environment names another place for it.
    const QString shared =
        qEnvironmentVariable("KORVALIS_SHARED_DIR", QStringLiteral(KORVALIS_SHARED_DIR));
    const QString dir = shared + QStringLiteral("/corpora/html5lib-tests/tree-construction");
    if (!QFileInfo(dir).isDir())
        QSKIP("the html5lib corpus is not beside the clone");
    int count = 0, withBodyTag = 0;
    QStringList failures;
    QDirIterator files(dir, {QStringLiteral("*.dat")}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        for (const QByteArray& doc : documents(path)) {
            for (const QByteArray& page :
                 {doc, doc + "<body x=1>", "<head>" + doc + "<body x=1 y=\"2\">",
                  "<meta charset=latin1>" + doc + "</head><body>",
                  "<template>" + doc + "</template><body x>",
                  "<!DOCTYPE html><template>" + doc + "</template><body x>"}) {
                ++count;
                if (locateBodyTag(page).status == BodyTag::Status::Found)
                    ++withBodyTag;
                const QString why = disagreement(page);
                if (!why.isEmpty() && failures.size() < 20)
                    failures << QStringLiteral("%1: %2\n  %3")
                                    .arg(QFileInfo(path).fileName(),
                                         QString::fromUtf8(
                                             page.left(300).toPercentEncoding(" <>/=\"'!-?&;#:")),
                                         why);
            }
        }
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
    QVERIFY2(count > 6000, qPrintable(QString::number(count)));
    QVERIFY2(withBodyTag > 1200, qPrintable(QString::number(withBodyTag)));
}

void TestPageReading::rareTokenizerStates_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<qsizetype>("bodyAt"); // -1: no body tag found
    const auto row = [](const char* name, const QByteArray& page, qsizetype at) {
        QTest::newRow(name) << page << at;
    };
    row("escaped script", "<script><!--<script></script><body>--></script><body a>", 47);
    row("script escape closed early", "<script><!--></script><body>", 22);
    row("double escape left", "<script><!--<script>x</script>--></script><body>", 42);
    row("script end tag in escape", "<script><!--</script><body b=1>", 21);
    row("title holds tags", "<title><body></title ><body>", 22);
    row("textarea opens body", "<textarea><body></textarea><body>", -1);
    row("noscript raw in head", "<noscript><!--</noscript><body>", 25);
    row("noscript after head", "<head></head><noscript></noscript><body x>", -1);
    row("template content", "<template><body><p>x</template><body y>", 31);
    row("nested template", "<template><template></template><body></template><body>", 48);
    row("bogus comments", "<?x><!x></ x><body>", 13);
    row("dropped end tag", "</><body>", 3);
    row("space references", "&#32;&#x9;&Tab;&NewLine;<body>", 24);
    row("other reference", "&amp;<body a>", -1);
    row("comment ends", "<!--><!---><!-- --!><body>", 20);
    row("attributes", "<body a b=c d='e' f=\"g\" a=1 C=x>", 0);
    row("frameset", "<frameset></frameset><body>", -1);
    row("end br", "</br><body x>", -1);
    row("charset reference", "<meta charset='utf&#45;8'><meta charset=koi8-r><body>", 47);
    row("charset in content",
        "<meta http-equiv=Content-Type content='text/html; charset=\"ISO-8859-2\"'><body>", 72);
    row("svg cdata", "<p><svg><![CDATA[<!--]]><!--x--></svg><body a>", -1);
    row("select ignores style", "<p><select><style><!--x--></style></select><body c>", -1);
    row("plaintext", "<p><plaintext><body a>", -1);
    // gumbo closes an element it does not know with an end tag it does not know either, here
    // with the SVG inside it: the next <template> nests, and the last <body> stands in it.
    row("unknown end tag", "<template><x-><svg></y><template><body></template><body>", -1);
    row("end tag leaves svg", "<template><span><svg></span><![CDATA[x]]></template><body>", 52);
    // A formatting element closed early opens again around what follows it.
    row("formatting reopened", "<template><x-><b></x-><svg></b><template><body></template><body>",
        -1);
    row("formatting reopened, comment",
        "<template><x-><b></x-><svg></b><![CDATA[x]]></template><body>", 55);
    // gumbo drops the end tag of a formatting element it no longer lists.
    row("formatting forgotten",
        "<template><b><b><b><b><p></p></b></b></b><svg></b><![CDATA[x]]></template><body>", 74);
    // gumbo's </form> closes only the page's form, never one inside a template.
    row("form in template", "<template><form><svg></form><![CDATA[x]]></template><body>", 52);
}

void TestPageReading::rareTokenizerStates()
{
    QFETCH(QByteArray, page);
    QFETCH(qsizetype, bodyAt);
    const BodyTag tag = locateBodyTag(page);
    QCOMPARE(tag.status == BodyTag::Status::Found ? tag.start : -1, bodyAt);
    const QString why = disagreement(page);
    QVERIFY2(why.isEmpty(), qPrintable(why));
}

// Every seed of the differential fuzz target, among them each page a run found the two
// readings to disagree on.
void TestPageReading::fuzzSeeds()
{
    int count = 0;
    QStringList failures;
    for (const char* dir : {"seeds", "seeds-reading"}) {
        const QDir seeds(QStringLiteral(KORVALIS_FUZZ_DIR "/") + QLatin1String(dir));
        for (const QFileInfo& file : seeds.entryInfoList(QDir::Files)) {
            QFile f(file.filePath());
            QVERIFY(f.open(QIODevice::ReadOnly));
            ++count;
            const QString why = disagreement(f.readAll());
            if (!why.isEmpty())
                failures << file.fileName() + QStringLiteral(": ") + why;
        }
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
    QVERIFY2(count > 15, qPrintable(QString::number(count)));
}

void TestPageReading::doctypes_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QuirksMode>("mode");
    const auto row = [](const char* name, const QByteArray& page, QuirksMode mode) {
        QTest::newRow(name) << page << mode;
    };
    using Q = QuirksMode;
    row("html", "<!DOCTYPE html><p>", Q::NoQuirks);
    row("upper case name", "<!doctype HTML>", Q::NoQuirks);
    row("after white space and comments", " \n<!--x--><?xml?>&#32;<!DOCTYPE html>", Q::NoQuirks);
    row("none", "<html><!DOCTYPE html>", Q::Quirks);
    row("text first", "x<!DOCTYPE html>", Q::Quirks);
    row("empty page", "", Q::Quirks);
    row("other name", "<!DOCTYPE htm>", Q::Quirks);
    row("no name", "<!DOCTYPE>", Q::Quirks);
    row("no space before name", "<!DOCTYPEhtml>", Q::NoQuirks);
    row("page ends in name", "<!DOCTYPE html", Q::Quirks);
    row("page ends after name", "<!DOCTYPE html ", Q::Quirks);
    row("junk after name", "<!DOCTYPE html x>", Q::Quirks);
    row("quirks public id", "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 3.2 Final//\">", Q::Quirks);
    row("quirks public id, any case", "<!DOCTYPE html public '-//w3c//dtd html 3.2 final//'>",
        Q::Quirks);
    // gumbo matches whole identifiers where the standard matches their start.
    row("quirks public id with more", "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">",
        Q::NoQuirks);
    row("4.01 without system id", "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//\">",
        Q::Quirks);
    row("4.01 with system id",
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//\" \"\">", Q::LimitedQuirks);
    row("4.01 real", "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">",
        Q::NoQuirks);
    row("xhtml transitional", "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//\"'x'>",
        Q::LimitedQuirks);
    // gumbo compares these case and all, and copies one identifier with a stray ")".
    row("exact public id", "<!DOCTYPE html PUBLIC \"HTML\">", Q::Quirks);
    row("exact public id, lower case", "<!DOCTYPE html PUBLIC \"html\">", Q::NoQuirks);
    row("ibm system id",
        "<!DOCTYPE html SYSTEM \"http://www.ibm.com/data/dtd/v11/ibmxhtml1-transitional.dtd\">",
        Q::Quirks);
    row("ibm system id, other case",
        "<!DOCTYPE html SYSTEM \"http://www.ibm.com/data/dtd/v11/IBMxhtml1-transitional.dtd\">",
        Q::NoQuirks);
    row("softquad",
        "<!DOCTYPE html PUBLIC "
        "\"-//SoftQuad Software//DTD HoTMetaL PRO 6.0::19990601::)extensions to HTML 4.0//\">",
        Q::Quirks);
    row("public keyword without id", "<!DOCTYPE html PUBLIC>", Q::Quirks);
    row("public id unclosed", "<!DOCTYPE html PUBLIC \"x>", Q::Quirks);
    row("junk after public id", "<!DOCTYPE html PUBLIC \"x\" y>", Q::Quirks);
    row("public id at page end", "<!DOCTYPE html PUBLIC \"x\"", Q::Quirks);
    row("system id", "<!DOCTYPE html SYSTEM 'about:legacy-compat'>", Q::NoQuirks);
    row("system keyword glued", "<!DOCTYPE html SYSTEM\"x\">", Q::NoQuirks);
    row("system keyword cut", "<!DOCTYPE html SYST>", Q::Quirks);
    // After the system identifier, junk is dropped up to the page's end without quirks.
    row("junk after system id", "<!DOCTYPE html SYSTEM \"x\" y", Q::NoQuirks);
    row("system id at page end", "<!DOCTYPE html SYSTEM \"x\" ", Q::Quirks);
    row("nul in name", QByteArray("<!DOCTYPE ht\0ml>", 17), Q::Quirks);
    row("line ends", "<!DOCTYPE\r\nhtml\rPUBLIC\r\n\"HTML\"\r>", Q::Quirks);
}

// The mode the first token sets, against gumbo's.
void TestPageReading::doctypes()
{
    QFETCH(QByteArray, page);
    QFETCH(QuirksMode, mode);
    QCOMPARE(documentQuirksMode(page.constData(), page.size()), mode);
    QCOMPARE(gumboreference::quirksMode(page.constData(), page.size()), mode);
}

// Every DOCTYPE put together from pieces that lead the tokenizer through its DOCTYPE states,
// cut at each point, with the mode against gumbo's.
void TestPageReading::doctypePieces()
{
    const QList<QByteArray> openers = {"<!DOCTYPE", "<!doctype"};
    const QList<QByteArray> gaps = {"", " ", "\t\r\n"};
    const QList<QByteArray> names = {"html", "HTML", "htm", "", QByteArray("h\0tml", 5)};
    const QList<QByteArray> keywords = {"", " PUBLIC", " system", "PUBLIC", " PUBLI", " junk"};
    const QList<QByteArray> ids = {
        "",
        " \"-//W3C//DTD HTML 4.01 Transitional//\"",
        "\"-//W3C//DTD HTML 4.01 Transitional//EN\"",
        " '-//w3c//dtd xhtml 1.0 frameset//'",
        " \"HTML\"",
        " \"html\"",
        " \"-//W3C//DTD HTML 3.2 Final//",
        " \"http://www.ibm.com/data/dtd/v11/ibmxhtml1-transitional.dtd\"",
        " 'about:legacy-compat'",
        " x"};
    const QList<QByteArray> systemIds = {"", " \"\"", "''", " \"s\" junk", " \"s", " junk"};
    const QList<QByteArray> ends = {">", "", " >"};
    int count = 0;
    QStringList failures;
    for (const QByteArray& opener : openers)
        for (const QByteArray& gap : gaps)
            for (const QByteArray& name : names)
                for (const QByteArray& keyword : keywords)
                    for (const QByteArray& id : ids)
                        for (const QByteArray& systemId : systemIds)
                            for (const QByteArray& end : ends) {
                                const QByteArray page =
                                    opener + gap + name + keyword + id + systemId + end;
                                ++count;
                                const QString why = disagreement(page);
                                if (!why.isEmpty() && failures.size() < 10)
                                    failures << QString::fromLatin1(
                                                    page.toPercentEncoding(" <>/=\"'!-?&;#:")) +
                                                    QStringLiteral(": ") + why;
                            }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
    QCOMPARE(count, 32400);
}

void TestPageReading::tableInTemplate_data()
{
    QTest::addColumn<QByteArray>("doctype");
    QTest::addColumn<bool>("quirks");
    QTest::newRow("html") << QByteArray("<!DOCTYPE html>") << false;
    QTest::newRow("none") << QByteArray() << true;
    QTest::newRow("quirks public id")
        << QByteArray("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//\">") << true;
    QTest::newRow("limited quirks public id")
        << QByteArray("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Frameset//\">") << false;
}

// A table read by the body's rules closes the paragraph around it, except in quirks mode, and
// opens no formatting element again; what stays open after it decides whether a later element
// holds raw text, or reads as SVG and lets an end tag close the template around it.
void TestPageReading::tableInTemplate()
{
    QFETCH(QByteArray, doctype);
    QFETCH(bool, quirks);
    struct Case
    {
        const char* content; // after the doctype
        // Where the body tag lies, in quirks mode and in the others: the tag's text, or the
        // status when none is found.
        const char* quirksBody;
        const char* otherBody;
    };
    const Case cases[] = {
        // "</p>" closes the SVG only where the paragraph stayed open around the table.
        {"<head><template><p><b><table></table><svg></p><style></template><body a></style>"
         "</template><body b>",
         "<body b>", "<body a>"},
        {"<head><template><p><table><tr><td></td></tr></table><svg></p><noframes></template>"
         "<body c></noframes></template><body d>",
         "<body d>", "<body c>"},
        // The <b> opens again only inside the table, where its end tag closes the SVG.
        {"<head><template><div><b></div><table><svg></b><style></template><body e></style>"
         "</template><body f>",
         "<body f>", "<body f>"},
        // Past the head, the same decides whether a template holds the <body>.
        {"<p><table></table><svg></p><template><body g></template>", "Missing", "Implied"},
    };
    for (const Case& c : cases) {
        const QByteArray page = doctype + c.content;
        const QByteArray expected = quirks ? c.quirksBody : c.otherBody;
        const BodyTag tag = locateBodyTag(page);
        if (expected.startsWith('<')) {
            QCOMPARE(tag.status, BodyTag::Status::Found);
            QCOMPARE(tag.start, page.indexOf(expected));
        } else {
            QCOMPARE(tag.status,
                     expected == "Implied" ? BodyTag::Status::Implied : BodyTag::Status::Missing);
        }
        const QString why = disagreement(page);
        QVERIFY2(why.isEmpty(), qPrintable(why + QStringLiteral(": ") + QString::fromUtf8(page)));
    }
}

QTEST_GUILESS_MAIN(TestPageReading)
#include "test_pagereading.moc"
