#include "app/rtfreader.h"

#include <QFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

namespace {

QByteArray fixture(const QString& name)
{
    QFile file(QStringLiteral(KORVALIS_RTF_FIXTURES "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return file.readAll();
}

QTextBlock blockAt(const QTextDocument& document, int number)
{
    return document.findBlockByNumber(number);
}

// The text of the fragments of a block that satisfy a test, joined by "|".
template <typename Test> QString runsWhere(const QTextBlock& block, Test test)
{
    QStringList runs;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (test(fragment.charFormat()))
            runs << fragment.text();
    }
    return runs.join(QLatin1Char('|'));
}

bool isBold(const QTextCharFormat& f)
{
    return f.fontWeight() >= QFont::Bold;
}

QString plainText(const QByteArray& rtf)
{
    QTextDocument document;
    QString error;
    if (!app::readRtf(rtf, &document, &error))
        return QStringLiteral("ERROR: ") + error;
    // The raw text keeps line separators and no-break spaces as they were read.
    return document.toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

} // namespace

class TestRtfReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsParagraphsFormattingAndAccentsWrittenByLibreOffice();
    void readsHeadingsListsAndLinksWrittenByPandoc();
    void decodesEscapesAndSkipsHiddenDestinations_data();
    void decodesEscapesAndSkipsHiddenDestinations();
    void groupsRestoreTheFormattingAroundThem();
    void refusesWhatIsNotReadableRtf_data();
    void refusesWhatIsNotReadableRtf();
    void toleratesAMissingFinalBraceAndIgnoresWhatFollowsTheDocument();
    void readsTheShippedTermsOfUse();
    void reportsAFileThatCannotBeRead();
};

void TestRtfReader::readsParagraphsFormattingAndAccentsWrittenByLibreOffice()
{
    QTextDocument document;
    QString error;
    QVERIFY2(app::readRtf(fixture(QStringLiteral("muestra-libreoffice.rtf")), &document, &error),
             qPrintable(error));

    QCOMPARE(document.blockCount(), 5);
    const QTextBlock title = blockAt(document, 0);
    QCOMPARE(title.text(), QStringLiteral("Condiciones de prueba"));
    QCOMPARE(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QCOMPARE(runsWhere(title, isBold), QStringLiteral("Condiciones de prueba"));

    const QTextBlock second = blockAt(document, 1);
    QCOMPARE(second.text(),
             QStringLiteral("El año pasado, la cigüeña voló sobre el río. ¿Qué pasó? ¡Ñandú!"));
    QCOMPARE(second.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    QCOMPARE(runsWhere(second, isBold), QStringLiteral("año"));
    QCOMPARE(runsWhere(second, [](const QTextCharFormat& f) { return f.fontItalic(); }),
             QStringLiteral("cigüeña"));

    const QTextBlock right = blockAt(document, 2);
    QCOMPARE(right.text(), QStringLiteral("A la derecha: “comillas” y un precio de 10 €"));
    QCOMPARE(right.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    const QTextBlock justified = blockAt(document, 3);
    QCOMPARE(justified.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    QCOMPARE(
        runsWhere(justified, [](const QTextCharFormat& f) { return isBold(f) && f.fontItalic(); }),
        QStringLiteral("información"));

    const QTextBlock underlined = blockAt(document, 4);
    QCOMPARE(underlined.text(), QStringLiteral("Texto subrayado y texto normal."));
    QCOMPARE(runsWhere(underlined, [](const QTextCharFormat& f) { return f.fontUnderline(); }),
             QStringLiteral("Texto subrayado"));
    // Nothing of the font, style, page or information tables leaks into the text.
    for (const char* hidden : {"Liberation", "Normal;", "Muestra", "Default Page Style"})
        QVERIFY2(!document.toPlainText().contains(QLatin1String(hidden)), hidden);
}

void TestRtfReader::readsHeadingsListsAndLinksWrittenByPandoc()
{
    QTextDocument document;
    QString error;
    QVERIFY2(app::readRtf(fixture(QStringLiteral("muestra-pandoc.rtf")), &document, &error),
             qPrintable(error));

    const QStringList lines = document.toPlainText().split(QLatin1Char('\n'));
    const QStringList expected = {
        QStringLiteral("Condiciones de prueba"),
        QStringLiteral("El año pasado, la cigüeña voló sobre el río. ¿Qué pasó? ¡Ñandú!"),
        QStringLiteral("•\tPrimera opción con “comillas”"),
        QStringLiteral("•\tSegunda opción — con guion largo"),
        QStringLiteral("Un párrafo con código y un enlace al final.")};
    QCOMPARE(lines, expected);

    const QTextBlock heading = blockAt(document, 0);
    QCOMPARE(runsWhere(heading, isBold), QStringLiteral("Condiciones de prueba"));
    QCOMPARE(heading.begin().fragment().charFormat().fontPointSize(), 18.0);
    QCOMPARE(runsWhere(blockAt(document, 1), isBold), QStringLiteral("año"));
    // The list items keep their hanging indent: 360 twips, 24 pixels.
    QCOMPARE(blockAt(document, 2).blockFormat().leftMargin(), 24.0);
    QCOMPARE(blockAt(document, 2).blockFormat().textIndent(), -24.0);
    QCOMPARE(
        runsWhere(blockAt(document, 4), [](const QTextCharFormat& f) { return f.fontUnderline(); }),
        QStringLiteral("enlace"));
    QVERIFY(!document.toPlainText().contains(QLatin1String("HYPERLINK")));
}

void TestRtfReader::decodesEscapesAndSkipsHiddenDestinations_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    QTest::newRow("code page 1252 by default")
        << QByteArray(R"({\rtf1 Garant\'eda, \'80 y \'93as\'ed\'94})")
        << QStringLiteral("Garantía, € y “así”");
    QTest::newRow("declared code page 1252")
        << QByteArray(R"({\rtf1\ansi\ansicpg1252 Espa\'f1a})") << QStringLiteral("España");
    QTest::newRow("unicode with one fallback character")
        << QByteArray(R"({\rtf1 ca\u241?\'f1on})") << QStringLiteral("caññon");
    QTest::newRow("unicode skips its hex fallback")
        << QByteArray(R"({\rtf1 ca\u241\'f1on})") << QStringLiteral("cañon");
    QTest::newRow("uc2 skips two fallback characters")
        << QByteArray(R"({\rtf1\uc2 \u8364EU y \u8364\'80\'80!})") << QStringLiteral("€ y €!");
    QTest::newRow("uc0 skips nothing")
        << QByteArray(R"({\rtf1\uc0 \u8364 EUR})") << QStringLiteral("€EUR");
    QTest::newRow("uc is scoped to its group")
        << QByteArray(R"({\rtf1 {\uc0 \u225}\u233?})") << QStringLiteral("áé");
    QTest::newRow("negative unicode and surrogate pairs")
        << QByteArray(R"({\rtf1 \u-3?\u-10179?\u-8704?})")
        << (QString(QChar(0xFFFD)) + QString::fromUtf8("\xF0\x9F\x98\x80"));
    QTest::newRow("escaped braces and backslash")
        << QByteArray(R"({\rtf1 a\{b\}c\\d})") << QStringLiteral("a{b}c\\d");
    QTest::newRow("special characters")
        << QByteArray(
               R"({\rtf1 a\~b\emdash c\endash d\bullet e\lquote f\rquote g\ldblquote h\rdblquote})")
        << QStringLiteral("a\u00A0b—c–d•e‘f’g“h”");
    QTest::newRow("hyphens") << QByteArray(R"({\rtf1 por\-que auto\_escuela})")
                             << QStringLiteral("por\u00ADque auto\u2011escuela");
    QTest::newRow("tabs, lines and paragraphs")
        << QByteArray("{\\rtf1 uno\\tab dos\\line tres\\par\r\ncuatro\\par\\par cinco\\\nseis}")
        << QStringLiteral("uno\tdos\u2028tres\ncuatro\n\ncinco\nseis");
    QTest::newRow("line ends in the source are not text")
        << QByteArray("{\\rtf1 Hola\r\n mundo\r\n}") << QStringLiteral("Hola mundo");
    QTest::newRow("hidden destinations")
        << QByteArray(R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red255\green0\blue0;})"
                      R"({\stylesheet{\s0 Normal;}}{\info{\title Titulo}{\author Yo}})"
                      R"({\*\generator Nadie;}{\*\desconocido oculto}{\header cabecera})"
                      R"({\footer pie}Visible})")
        << QStringLiteral("Visible");
    QTest::newRow("binary picture data with braces inside")
        << QByteArray("{\\rtf1 A{\\pict\\bin6 }{\\}x}}B}") << QStringLiteral("AB");
    QTest::newRow("binary data outside a picture is skipped too")
        << QByteArray("{\\rtf1 A{\\*\\blipuid 1}\\bin3 xyzB}") << QStringLiteral("AB");
}

void TestRtfReader::decodesEscapesAndSkipsHiddenDestinations()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(plainText(rtf), text);
}

void TestRtfReader::groupsRestoreTheFormattingAroundThem()
{
    QTextDocument document;
    QVERIFY(app::readRtf(QByteArray(R"({\rtf1{\colortbl;\red255\green0\blue0;})"
                                    R"(\fs20 a{\b b{\i c}\b0 d}e\b f\plain g)"
                                    R"({\ul h\ulnone i}{\cf1 rojo}{\strike t}{\super 2}})"),
                         &document));
    const QTextBlock block = document.firstBlock();
    QCOMPARE(block.text(), QStringLiteral("abcdefghirojot2"));
    QCOMPARE(runsWhere(block, isBold), QStringLiteral("b|c|f"));
    QCOMPARE(runsWhere(block, [](const QTextCharFormat& f) { return f.fontItalic(); }),
             QStringLiteral("c"));
    QCOMPARE(runsWhere(block, [](const QTextCharFormat& f) { return f.fontUnderline(); }),
             QStringLiteral("h"));
    QCOMPARE(runsWhere(block, [](const QTextCharFormat& f) { return f.fontPointSize() == 10.0; }),
             QStringLiteral("a|b|c|de|f"));
    QCOMPARE(runsWhere(block,
                       [](const QTextCharFormat& f) {
                           return f.foreground().color() == QColor(255, 0, 0);
                       }),
             QStringLiteral("rojo"));
    QCOMPARE(runsWhere(block, [](const QTextCharFormat& f) { return f.fontStrikeOut(); }),
             QStringLiteral("t"));
    QCOMPARE(runsWhere(block,
                       [](const QTextCharFormat& f) {
                           return f.verticalAlignment() == QTextCharFormat::AlignSuperScript;
                       }),
             QStringLiteral("2"));

    // \pard returns a paragraph to the left; the alignment in force at \par is the one kept.
    QVERIFY(app::readRtf(QByteArray(R"({\rtf1\qc uno\par\pard dos\par\qr tres})"), &document));
    QCOMPARE(document.blockCount(), 3);
    QCOMPARE(blockAt(document, 0).blockFormat().alignment(), Qt::AlignHCenter);
    QCOMPARE(blockAt(document, 1).blockFormat().alignment(), Qt::AlignLeft);
    QCOMPARE(blockAt(document, 2).blockFormat().alignment(), Qt::AlignRight);
}

void TestRtfReader::refusesWhatIsNotReadableRtf_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("plain text") << QByteArray("Condiciones de uso de Korvalis");
    QTest::newRow("html") << QByteArray("<html><body>{\\rtf1 no}</body></html>");
    QTest::newRow("other binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    QTest::newRow("cut inside an inner group")
        << QByteArray(R"({\rtf1 Primera parte {\b de las condiciones)");
    QTest::newRow("nested without end") << (QByteArray("{\\rtf1 ") + QByteArray(100000, '{'));
}

void TestRtfReader::refusesWhatIsNotReadableRtf()
{
    QFETCH(QByteArray, bytes);
    QTextDocument document;
    document.setPlainText(QStringLiteral("texto anterior"));
    QString error;
    QVERIFY(!app::readRtf(bytes, &document, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY2(error.contains(QLatin1String("RTF")), qPrintable(error));
    QVERIFY(document.isEmpty());
}

void TestRtfReader::toleratesAMissingFinalBraceAndIgnoresWhatFollowsTheDocument()
{
    QCOMPARE(plainText(QByteArray(R"({\rtf1 {\b Hola} mundo\par)")), QStringLiteral("Hola mundo"));
    QCOMPARE(plainText(QByteArray("{\\rtf1 Hola}\r\n\0\0basura}{", 22)), QStringLiteral("Hola"));
    QCOMPARE(plainText(QByteArray("\xEF\xBB\xBF\r\n{\\rtf1 Hola}")), QStringLiteral("Hola"));
}

void TestRtfReader::readsTheShippedTermsOfUse()
{
    QTextDocument document;
    QString error;
    QVERIFY2(app::readRtfFile(QStringLiteral(KORVALIS_SOURCE_DIR "/data/program/licencia.rtf"),
                              &document, &error),
             qPrintable(error));
    const QString text = document.toPlainText();
    QVERIFY(text.contains(QLatin1String("Korvalis")));
    for (const QString& word :
         {QStringLiteral("garantía"), QStringLiteral("versión"), QStringLiteral("información"),
          QStringLiteral("correo electrónico")})
        QVERIFY2(text.contains(word, Qt::CaseInsensitive), qPrintable(word));
    QVERIFY(document.blockCount() >= 10);
    // Its headings are bold, the body is not.
    int boldBlocks = 0;
    int plainBlocks = 0;
    for (QTextBlock b = document.firstBlock(); b.isValid(); b = b.next()) {
        if (b.text().isEmpty())
            continue;
        const bool bold = runsWhere(b, isBold) == b.text();
        (bold ? boldBlocks : plainBlocks)++;
    }
    QVERIFY(boldBlocks >= 5);
    QVERIFY(plainBlocks >= 5);
    // No control word or table entry shows through as text.
    QVERIFY(!text.contains(QLatin1Char('\\')));
    QVERIFY(!text.contains(QLatin1Char('{')));
    QVERIFY(!text.contains(QChar(0xFFFD)));
}

void TestRtfReader::reportsAFileThatCannotBeRead()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("licencia.rtf"));
    QTextDocument document;
    QString error;
    QVERIFY(!app::readRtfFile(missing, &document, &error));
    QVERIFY2(error.contains(missing), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestRtfReader)
#include "test_rtfreader.moc"
