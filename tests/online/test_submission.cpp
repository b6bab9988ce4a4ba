#include "app/module1.h"
#include "browser/pagebuilder.h"
#include "browser/twips.h"
#include "library/librarystore.h"
#include "online/frmenviarscript.h"
#include "online/submission.h"
#include "tests/online/smtpfixture.h"
#include "tests/support/tempprogramfolder.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <gmime/gmime.h>

namespace {

// A received message taken apart with the same MIME library.
struct Received
{
    QString subject;
    QByteArray rcptTo;
    QByteArray to;
    QByteArray text;
    QList<QPair<QByteArray, QByteArray>> attachments; // name, bytes
};

QByteArray Decoded(GMimeObject* object)
{
    GMimeStream* out = g_mime_stream_mem_new();
    g_mime_data_wrapper_write_to_stream(g_mime_part_get_content(GMIME_PART(object)), out);
    GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out));
    const QByteArray bytes(reinterpret_cast<const char*>(array->data), qsizetype(array->len));
    g_object_unref(out);
    return bytes;
}

Received Parse(const QByteArray& raw)
{
    Received r;
    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(raw.constData(), raw.size());
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    if (!message)
        return r;
    r.subject = QString::fromUtf8(g_mime_message_get_subject(message));
    r.rcptTo = g_mime_object_get_header(GMIME_OBJECT(message), "X-RcptTo");
    r.to = g_mime_object_get_header(GMIME_OBJECT(message), "To");
    GMimeObject* top = g_mime_message_get_mime_part(message);
    if (GMIME_IS_MULTIPART(top)) {
        GMimeMultipart* mixed = GMIME_MULTIPART(top);
        r.text = Decoded(g_mime_multipart_get_part(mixed, 0));
        for (int i = 1; i < g_mime_multipart_get_count(mixed); ++i) {
            GMimeObject* part = g_mime_multipart_get_part(mixed, i);
            r.attachments.append(
                {QByteArray(g_mime_part_get_filename(GMIME_PART(part))), Decoded(part)});
        }
    }
    g_object_unref(message);
    g_object_unref(parser);
    g_object_unref(stream);
    return r;
}

Received FindBySubject(const QList<QByteArray>& messages, const QString& subject)
{
    for (const QByteArray& raw : messages) {
        Received r = Parse(raw);
        if (r.subject == subject)
            return r;
    }
    return Received{};
}

} // namespace

class TestSubmission : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void windowShowsItsTextsAtItsSize();
    void sentScriptArrivesWithTextFilesAndItsOwnPage();
    void failingMailSystemLeavesTheWindowWithTheReason();
};

void TestSubmission::initTestCase()
{
    g_mime_init();
}

void TestSubmission::cleanup()
{
    online::MapiSession::setDefaultCommand(
        {QStringLiteral("/usr/sbin/sendmail"), QStringLiteral("-t"), QStringLiteral("-oi")});
}

void TestSubmission::windowShowsItsTextsAtItsSize()
{
    TempProgramFolder folder;
    auto store = library::LibraryStore::open(folder.libraryPath());
    frmenviarscript window(*store, QStringLiteral("1"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Korvalis"));
    QVERIFY(window.isModal());
    const int dpi = twips::dpiOf(&window);
    QCOMPARE(window.width(), qRound(5955.0 * dpi / 1440));
    QCOMPARE(window.height(), qRound(3435.0 * dpi / 1440));
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
             QStringLiteral("¡ Colabore con todos los usuarios de Korvalis !"));
    QVERIFY(
        window.Label2->text().contains(QStringLiteral("pulse el Botón \"Enviar Script\"  y el")));
    QCOMPARE(window.Label3->text(),
             QStringLiteral("Todos los usuarios de Korvalis le agredecemos su colaboración"));
    auto* button = window.findChild<QPushButton*>(QStringLiteral("boton_enviar"));
    QVERIFY(button && button->isEnabled());
    QCOMPARE(button->text(), QStringLiteral("Enviar Script"));
    QCOMPARE(button->geometry(), QRect(qRound(1560.0 * dpi / 1440), qRound(2520.0 * dpi / 1440),
                                       qRound(2775.0 * dpi / 1440), qRound(375.0 * dpi / 1440)));
}

void TestSubmission::sentScriptArrivesWithTextFilesAndItsOwnPage()
{
    SmtpFixture smtp;
    if (!smtp.unavailable().isEmpty())
        QSKIP(qPrintable(smtp.unavailable()));
    online::MapiSession::setDefaultCommand(smtp.mailCommand());

    TempProgramFolder folder;
    const qint64 category = folder.addCategory(0, QStringLiteral("Relojes"));
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    library::Script full;
    full.idCategoria = category;
    full.idTipo = type;
    full.nombre = QStringLiteral("Reloj «digital»");
    full.navegadores = QStringLiteral("Todos");
    full.scriptHead = QStringLiteral("<script>\r\nfunction t(){ return 1; }\r\n</script>");
    full.scriptBody = QStringLiteral("onload=\"t()\"");
    full.scriptHtml = QStringLiteral("<div>ñandú</div>");
    full.scriptAyuda = QStringLiteral("Uso:\r\nLlame a t()");
    const qint64 fullId = folder.addScript(full);
    const QByteArray gif = QByteArray("GIF89a\x01\x00\r\n\x00\xff", 12).repeated(100);
    folder.writeResource(QStringLiteral("reloj.gif"), gif);
    folder.addFile(fullId, QStringLiteral("reloj.gif"));
    folder.addFile(fullId, QStringLiteral("borrado.js")); // listed, gone from disk
    TempProgramFolder::writeFile(folder.filePath(QStringLiteral("fuera.txt")), "secreto");
    folder.addFile(fullId, QStringLiteral("../fuera.txt")); // never read from outside
    // Names legal on Linux: a quote travels in the header's own encoding; a line break
    // would add header lines, so that file is never attached.
    const QString quoted = QStringLiteral("o\"brien \"ñ\".gif");
    const QString broken = QStringLiteral("x\r\nBcc: intruso@korvalis.example\r\n.gif");
    for (const QString& name : {quoted, broken}) {
        folder.writeResource(name, "GIF89a");
        folder.addFile(fullId, name);
    }
    const qint64 bareId = folder.addScript(category, type, QStringLiteral("Vacío"));
    // The page last previewed belongs to some other script.
    TempProgramFolder::writeFile(folder.filePath(QStringLiteral("js.htm")), "otro script");
    folder.closeLibrary();
    auto store = library::LibraryStore::open(folder.libraryPath());

    Module1::SubmissionAddress = QStringLiteral("scripts@korvalis.example");
    {
        frmenviarscript window(*store, QString::number(fullId));
        window.show();
        QTest::mouseClick(window.boton_enviar, Qt::LeftButton);
        QVERIFY2(window.Label1->text() == QStringLiteral("El script ha sido enviado"),
                 qPrintable(window.Label2->text()));
        QCOMPARE(window.Label2->text(), QStringLiteral("Gracias por su colaboracion"));
        QCOMPARE(window.Label3->text(), QString());
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QVERIFY(!window.MapiSess.isSignedOn());
    }
    const QByteArray sentPage =
        TempProgramFolder::readFile(folder.filePath(QStringLiteral("js.htm")));
    QVERIFY(sentPage.contains("Reloj \xc2\xab"
                              "digital\xc2\xbb"));

    Module1::SubmissionAddress = QStringLiteral("uno@korvalis.example; dos@korvalis.example");
    {
        frmenviarscript window(*store, QString::number(bareId));
        window.show();
        window.boton_enviar_Click();
        QCOMPARE(window.Label1->text(), QStringLiteral("El script ha sido enviado"));
    }

    const QList<QByteArray> messages = smtp.waitForMessages(2);
    QCOMPARE(messages.size(), 2);
    const Received first =
        FindBySubject(messages, QStringLiteral("Nuevo Script Korvalis: Reloj «digital»"));
    QCOMPARE(first.rcptTo, QByteArray("scripts@korvalis.example"));
    QCOMPARE(first.text, online::SubmissionBody(
                             full, {QStringLiteral("reloj.gif"), QStringLiteral("borrado.js"),
                                    QStringLiteral("../fuera.txt"), quoted, broken})
                             .toUtf8());
    QCOMPARE(first.attachments.size(), 3);
    QCOMPARE(first.attachments.at(0).first, QByteArray("reloj.gif"));
    QCOMPARE(first.attachments.at(0).second, gif);
    QCOMPARE(first.attachments.at(1).first, quoted.toUtf8());
    QCOMPARE(first.attachments.at(1).second, QByteArray("GIF89a"));
    QCOMPARE(first.attachments.at(2).first, QByteArray("js.htm"));
    QCOMPARE(first.attachments.at(2).second, sentPage);

    const Received bare = FindBySubject(messages, QStringLiteral("Nuevo Script Korvalis: Vacío"));
    QCOMPARE(bare.rcptTo, QByteArray("uno@korvalis.example, dos@korvalis.example"));
    QVERIFY(bare.text.endsWith("<----- Ficheros ----->\r\n<----- Ficheros ----->\r\n"));
    QCOMPARE(bare.attachments.size(), 1);
    QCOMPARE(bare.attachments.at(0).first, QByteArray("js.htm"));
    QVERIFY(bare.attachments.at(0).second.contains("Vac\xc3\xado"));
}

void TestSubmission::failingMailSystemLeavesTheWindowWithTheReason()
{
    TempProgramFolder folder;
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    const qint64 id =
        folder.addScript(folder.addCategory(0, QStringLiteral("C")), type, QStringLiteral("Uno"));
    folder.closeLibrary();
    auto store = library::LibraryStore::open(folder.libraryPath());
    Module1::SubmissionAddress = QStringLiteral("scripts@korvalis.example");

    struct Case
    {
        QStringList command;
        QString address;
        QString reason; // the whole error line after the fixed caption
    };
    const QList<Case> cases{
        {{QStringLiteral("/bin/sh"), QStringLiteral("-c"),
          QStringLiteral("cat >/dev/null; echo 'servidor fuera de servicio' >&2; exit 75")},
         Module1::SubmissionAddress,
         QStringLiteral("servidor fuera de servicio 75")},
        {{QStringLiteral("/no/existe/sendmail"), QStringLiteral("-t")},
         Module1::SubmissionAddress,
         QStringLiteral("No se encuentra el sistema de correo (/no/existe/sendmail) 32003")},
        {{QStringLiteral("/bin/cat")},
         QStringLiteral("Juan Pérez"),
         QStringLiteral("Destinatario desconocido: \"Juan Pérez\" 32014")},
    };
    for (const Case& c : cases) {
        online::MapiSession::setDefaultCommand(c.command);
        Module1::SubmissionAddress = c.address;
        frmenviarscript window(*store, QString::number(id));
        window.show();
        QTest::mouseClick(window.boton_enviar, Qt::LeftButton);
        QCOMPARE(window.Label1->text(), QStringLiteral("El script NO ha sido enviado"));
        QCOMPARE(window.Label2->text(),
                 QStringLiteral("Un error a ocurrido durante el envio: ") + c.reason);
        QCOMPARE(window.Label3->text(), QString());
        QVERIFY(window.isVisible());
        QVERIFY(!window.boton_enviar->isEnabled());
        window.close();
        QVERIFY(!window.MapiSess.isSignedOn());
    }

    // A real mail command whose server is not there: its own words and exit status.
    SmtpFixture smtp;
    if (smtp.unavailable().isEmpty()) {
        online::MapiSession::setDefaultCommand(smtp.mailCommand(SmtpFixture::FreePort()));
        Module1::SubmissionAddress = QStringLiteral("scripts@korvalis.example");
        frmenviarscript window(*store, QString::number(id));
        window.show();
        window.boton_enviar_Click();
        QCOMPARE(window.Label1->text(), QStringLiteral("El script NO ha sido enviado"));
        const QString line = window.Label2->text();
        QVERIFY2(line.contains(QStringLiteral("msmtp")), qPrintable(line));
        bool numeric = false;
        const int status = line.section(QLatin1Char(' '), -1).toInt(&numeric);
        QVERIFY2(numeric && status > 0, qPrintable(line));
    }
}

QTEST_MAIN(TestSubmission)
#include "test_submission.moc"
