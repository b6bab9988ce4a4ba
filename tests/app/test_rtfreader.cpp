#include "app/rtfreader.h"
#include "tests/support/tempprogramfolder.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// The document a line a paragraph, "C|", "R|", "J|" or "[left,indent]|" before one not plain
// left; formatted runs as "{flags:text}": b(old) i(talic) u(nderline) s(trike) ^(superscript)
// c(oloured) H(eading size).
QString render(const QTextDocument& document)
{
    QStringList lines;
    for (QTextBlock block = document.firstBlock(); block.isValid(); block = block.next()) {
        const QTextBlockFormat f = block.blockFormat();
        const auto align = int(f.alignment() & Qt::AlignHorizontal_Mask);
        QString line = align == Qt::AlignHCenter   ? QStringLiteral("C|")
                       : align == Qt::AlignRight   ? QStringLiteral("R|")
                       : align == Qt::AlignJustify ? QStringLiteral("J|")
                                                   : QString();
        if (f.leftMargin() != 0 || f.textIndent() != 0)
            line += QStringLiteral("[%1,%2]|").arg(f.leftMargin()).arg(f.textIndent());
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat c = it.fragment().charFormat();
            const bool on[] = {c.fontWeight() >= QFont::Bold,
                               c.fontItalic(),
                               c.fontUnderline(),
                               c.fontStrikeOut(),
                               c.verticalAlignment() == QTextCharFormat::AlignSuperScript,
                               c.foreground().style() != Qt::NoBrush &&
                                   c.foreground().color() != Qt::black,
                               c.fontPointSize() >= 14};
            QString flags;
            for (int k = 0; k < 7; ++k)
                flags += on[k] ? QString(QLatin1Char("bius^cH"[k])) : QString();
            const QString text = it.fragment().text();
            line += flags.isEmpty()
                        ? text
                        : QLatin1Char('{') + flags + QLatin1Char(':') + text + QLatin1Char('}');
        }
        lines.append(line);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class TestRtfReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsWhatEditorsWrite_data();
    void readsWhatEditorsWrite();
    void readsTheShippedTermsAndNamesAFileItCannotRead();
};

void TestRtfReader::readsWhatEditorsWrite_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("shown"); // "ERROR" when refused
    const auto row = [](const char* name, const QByteArray& rtf, const QString& shown) {
        QTest::newRow(name) << rtf << shown;
    };

    row("LibreOffice 7.4",
        TempProgramFolder::readFile(
            QStringLiteral(KORVALIS_RTF_FIXTURES "/muestra-libreoffice.rtf")),
        u"C|{b:Condiciones de prueba}\n"
        "El {b:año} pasado, la {i:cigüeña} voló sobre el río. ¿Qué pasó? ¡Ñandú!\n"
        "R|A la derecha: “comillas” y un precio de 10 €\n"
        "J|Este párrafo está justificado y habla de la {bi:información} que guarda el "
        "programa.\n"
        "{u:Texto subrayado} y texto normal."_s);
    row("pandoc 2.17",
        TempProgramFolder::readFile(QStringLiteral(KORVALIS_RTF_FIXTURES "/muestra-pandoc.rtf")),
        u"{bH:Condiciones de prueba}\n"
        "El {b:año} pasado, la {i:cigüeña} voló sobre el río. ¿Qué pasó? ¡Ñandú!\n"
        "[24,-24]|•\tPrimera opción con “comillas”\n"
        "[24,-24]|•\tSegunda opción — con guion largo\n"
        "Un párrafo con código y un {u:enlace} al final."_s);
    row("escapes and special characters",
        R"({\rtf1 a\{b\}c\\d\~e\emdash f\endash g\bullet h\lquote i\rquote )"
        R"(j\ldblquote k\rdblquote l\-m\_n})",
        u"a{b}c\\d\u00A0e—f–g•h‘i’j“k”l\u00ADm\u2011n"_s);
    row("groups restore the formatting around them",
        R"({\rtf1{\colortbl;\red255\green0\blue0;}\fs20 a{\b b{\i c}\b0 d}e\b f)"
        R"(\plain g{\ul h\ulnone i}{\cf1 rojo}{\strike t}{\super 2}})",
        u"a{b:b}{bi:c}de{b:f}g{u:h}i{c:rojo}{s:t}{^:2}"_s);
    row("missing final brace tolerated", R"({\rtf1 {\b Hola} mundo\par)", u"{b:Hola} mundo"_s);
    row("not RTF", "Condiciones de uso", u"ERROR"_s);
    row("cut inside an inner group", R"({\rtf1 Primera parte {\b de las condiciones)", u"ERROR"_s);
    row("nested without end", (QByteArray("{\\rtf1 ") + QByteArray(100000, '{')), u"ERROR"_s);
}

void TestRtfReader::readsWhatEditorsWrite()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, shown);
    QTextDocument document;
    document.setPlainText(QStringLiteral("texto anterior"));
    QString error;
    if (!app::readRtf(rtf, &document, &error)) {
        QVERIFY2(error.contains(QLatin1String("RTF")), qPrintable(error));
        QVERIFY(document.isEmpty());
        QCOMPARE(u"ERROR"_s, shown);
        return;
    }
    QCOMPARE(render(document), shown);
}

void TestRtfReader::readsTheShippedTermsAndNamesAFileItCannotRead()
{
    QTextDocument document;
    QString error;
    QVERIFY2(app::readRtfFile(QStringLiteral(KORVALIS_SOURCE_DIR "/data/program/licencia.rtf"),
                              &document, &error),
             qPrintable(error));
    // Headings bold, accents read, and no control word or table entry shown as text.
    QVERIFY(render(document).contains(u"\n{bc:1. Aceptación de las condiciones}\n"_s));
    QVERIFY(!document.toPlainText().contains(QRegularExpression(u"[\\\\{}\uFFFD]"_s)));
    const QString missing = QDir::temp().filePath(u"falta/licencia.rtf"_s);
    QVERIFY(!app::readRtfFile(missing, &document, &error));
    QVERIFY2(error.contains(missing), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestRtfReader)
#include "test_rtfreader.moc"
