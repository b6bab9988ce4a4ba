#include "app/module1.h"
#include "online/banner.h"
#include "online/mapi.h"
#include "online/submission.h"
#include "online/version.h"
#include "tests/support/tempprogramfolder.h"

#include <QDir>
#include <QtTest>
#include <gmime/gmime.h>

using namespace online;

Q_DECLARE_METATYPE(online::UpdateLevel)

class TestOnlineCore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void programVersionComesFromTheBuild();
    void offeredVersionsCompareInOneChain_data();
    void offeredVersionsCompareInOneChain();
    void downloadsOpenOnlyWebAddresses();
    void tokenCutsTheFirstItem();
    void recipientListsGiveOneResolvedRecipientPerItem();
    void killRecipsEmptiesTheMessage();
    void submissionBodyKeepsEveryByte();
    void composedMailDecodesBackToTheSameParts();
    void attachmentNamesNeverBreakTheirHeaders();
    void bannerComesOnEverySecondTickAndNeverTwice();
    void bannerPageIsOneExactLine();
    void bannerPageReplacesAnEarlierOneOrFailsWithoutDamage();
};

void TestOnlineCore::programVersionComesFromTheBuild()
{
    const ProgramVersion v = CurrentProgramVersion();
    QCOMPARE(v.major, 1);
    QCOMPARE(v.minor, 0);
    QCOMPARE(v.revision, 16);
}

void TestOnlineCore::offeredVersionsCompareInOneChain_data()
{
    QTest::addColumn<QString>("offered");
    QTest::addColumn<online::UpdateLevel>("level");
    QTest::addColumn<bool>("valid");
    QTest::newRow("same") << "01.00.16" << UpdateLevel::None << true;
    QTest::newRow("older revision") << "01.00.15" << UpdateLevel::None << true;
    QTest::newRow("newer revision") << "01.00.17" << UpdateLevel::Revision << true;
    QTest::newRow("newer minor, lower revision") << "01.01.00" << UpdateLevel::Menor << true;
    QTest::newRow("newer major") << "02.00.00" << UpdateLevel::Mayor << true;
    QTest::newRow("older major, higher minor") << "00.05.00" << UpdateLevel::Menor << true;
    QTest::newRow("older major, higher revision") << "00.00.20" << UpdateLevel::Revision << true;
    QTest::newRow("other separators") << "01-00/17" << UpdateLevel::Revision << true;
    QTest::newRow("empty") << "" << UpdateLevel::None << false;
    QTest::newRow("short") << "1.0.17" << UpdateLevel::None << false;
    QTest::newRow("long") << "01.00.017" << UpdateLevel::None << false;
    QTest::newRow("letters") << "01.00.1x" << UpdateLevel::None << false;
    QTest::newRow("signs") << "+1.00.17" << UpdateLevel::None << false;
    QTest::newRow("blank padded") << " 1.00.17" << UpdateLevel::None << false;
    QTest::newRow("non-ascii digits")
        << QString::fromUtf8("٠١.٠٠.١٧") << UpdateLevel::None << false;
}

void TestOnlineCore::offeredVersionsCompareInOneChain()
{
    QFETCH(QString, offered);
    QFETCH(online::UpdateLevel, level);
    QFETCH(bool, valid);
    const std::optional<ProgramVersion> parsed = ParseOfferedVersion(offered);
    QCOMPARE(parsed.has_value(), valid);
    if (parsed)
        QCOMPARE(CompareVersions(ProgramVersion{1, 0, 16}, *parsed), level);

    QCOMPARE(UpdatePrompt(UpdateLevel::Mayor),
             QStringLiteral("Existe una nueva versión de Korvalis\r\n¿Desea bajarsela?"));
    QCOMPARE(UpdatePrompt(UpdateLevel::Menor),
             QStringLiteral("Existe una nueva actualización de Korvalis\r\n¿Desea bajarsela?"));
    QCOMPARE(UpdatePrompt(UpdateLevel::Revision),
             QStringLiteral("Existe una revisión de Korvalis\r\n¿Desea bajarsela?"));
    QCOMPARE(DownloadKey(LevelFromName(QStringLiteral("MaYoR"))), QStringLiteral("download_mayor"));
    QCOMPARE(DownloadKey(LevelFromName(QStringLiteral("menor"))), QStringLiteral("download_menor"));
    QCOMPARE(DownloadKey(LevelFromName(QStringLiteral("REVISION"))),
             QStringLiteral("download_revision"));
    QCOMPARE(LevelFromName(QStringLiteral("revisión")), UpdateLevel::None);
}

void TestOnlineCore::downloadsOpenOnlyWebAddresses()
{
    QCOMPARE(OpenableDownload(QStringLiteral("http://example.org/k.zip")).value(),
             QUrl(QStringLiteral("http://example.org/k.zip")));
    QCOMPARE(OpenableDownload(QStringLiteral("HTTPS://example.org/k.exe")).value().host(),
             QStringLiteral("example.org"));
    for (const char* bad :
         {"", "file:///etc/passwd", "javascript:alert(1)", "ftp://example.org/k", "/tmp/k.zip",
          "C:\\k.exe", "http://", "mailto:a@b.example", "http://exa mple.org/"})
        QVERIFY2(!OpenableDownload(QString::fromLatin1(bad)), bad);
}

void TestOnlineCore::tokenCutsTheFirstItem()
{
    const QString semi = QStringLiteral(";");
    QString list = QStringLiteral("a@x.example;b@y.example");
    QCOMPARE(Token(list, semi), QStringLiteral("a@x.example"));
    QCOMPARE(list, QStringLiteral("b@y.example"));
    QCOMPARE(Token(list, semi), QStringLiteral("b@y.example"));
    QCOMPARE(list, QString());

    list = QStringLiteral("a;");
    QCOMPARE(Token(list, semi), QStringLiteral("a"));
    QCOMPARE(list, QString());

    list = QStringLiteral("a;;b");
    QCOMPARE(Token(list, semi), QStringLiteral("a"));
    QCOMPARE(Token(list, semi), QString());
    QCOMPARE(list, QStringLiteral("b"));

    list = QStringLiteral("aXbxc");
    QCOMPARE(Token(list, QStringLiteral("x")), QStringLiteral("aXb"));
    QCOMPARE(list, QStringLiteral("c"));

    // An empty separator cannot cut anything; the whole text is the one item.
    list = QStringLiteral("ab");
    QCOMPARE(Token(list, QString()), QStringLiteral("ab"));
    QCOMPARE(list, QString());
}

void TestOnlineCore::recipientListsGiveOneResolvedRecipientPerItem()
{
    MapiMessages msg;
    QVERIFY(!SetRCList(QString(), msg, 1, -1));
    QCOMPARE(msg.RecipCount(), 0);

    QVERIFY(!SetRCList(QStringLiteral("a@x.example; b@y.example"), msg, 1, -1));
    QCOMPARE(msg.RecipCount(), 2);
    QCOMPARE(msg.recipients().at(0).address, QStringLiteral("a@x.example"));
    QCOMPARE(msg.recipients().at(1).address, QStringLiteral("b@y.example"));
    QCOMPARE(msg.recipients().at(1).type, 1);

    // Items are added after the recipients already there; a trailing separator adds none.
    QVERIFY(!SetRCList(QStringLiteral("  c@z.example ;"), msg, 2, -1));
    QCOMPARE(msg.RecipCount(), 3);
    QCOMPARE(msg.recipients().at(2).displayName, QStringLiteral("c@z.example"));
    QCOMPARE(msg.recipients().at(2).type, 2);

    // Without resolving, names are kept as given and nothing is checked.
    MapiMessages unresolved;
    QVERIFY(!SetRCList(QStringLiteral("Juan;;x"), unresolved, 1, 0));
    QCOMPARE(unresolved.RecipCount(), 3);
    QCOMPARE(unresolved.recipients().at(1).displayName, QString());
    QCOMPARE(unresolved.recipients().at(0).address, QString());

    // A name that is not an address does not resolve.
    for (const char* bad : {"Juan", "a@x.example;;b@y.example", "a@x.example\r\nBcc: c@z.example",
                            "a@x.example\n", "a@x.example\r\n", "a@x.example\nBcc: c@z.example",
                            "<a@x.example>", "a@@x.example", "a@-x.example", "a b@x.example"}) {
        MapiMessages m;
        const MailResult failed = SetRCList(QString::fromLatin1(bad), m, 1, -1);
        QVERIFY2(failed.has_value(), bad);
        QCOMPARE(failed->number, MailErrorNumber::UnknownRecipient);
    }
}

void TestOnlineCore::killRecipsEmptiesTheMessage()
{
    MapiMessages msg;
    QVERIFY(!SetRCList(QStringLiteral("a@x.example;b@x.example;c@x.example"), msg, 1, -1));
    QVERIFY(!msg.setRecipIndex(1));
    QVERIFY(!KillRecips(msg));
    QCOMPARE(msg.RecipCount(), 0);
    QVERIFY(!KillRecips(msg));
    QVERIFY(msg.setRecipIndex(1).has_value());
}

namespace {

library::Script FullScript()
{
    library::Script s;
    s.nombre = QStringLiteral("Reloj «digital»");
    s.scriptHead = QStringLiteral("<script>\r\nfunction t(){}\n</script>");
    s.scriptBody = QStringLiteral("onload=\"t()\"");
    s.scriptHtml = QStringLiteral("<div id='r'>ñ</div>");
    s.scriptAyuda = QStringLiteral("Línea 1\r\nLínea 2");
    return s;
}

} // namespace

void TestOnlineCore::submissionBodyKeepsEveryByte()
{
    const QByteArray full =
        SubmissionBody(FullScript(), {QStringLiteral("b.gif"), QStringLiteral("a.js")}).toUtf8();
    QCOMPARE(full, QByteArray("<----- Head Script ----->\r\n"
                              "<script>\r\nfunction t(){}\n</script>\r\n"
                              "<-----Head Script----->\r\n\r\n"
                              "<----- Head body ----->\r\n"
                              "onload=\"t()\"\r\n"
                              "<----- Head Body ----->\r\n\r\n"
                              "<----- Head html ----->\r\n"
                              "<div id='r'>\xc3\xb1</div>\r\n"
                              "<----- Head html ----->\r\n\r\n"
                              "<----- Head Ayuda ----->\r\n"
                              "L\xc3\xadnea 1\r\nL\xc3\xadnea 2\r\n"
                              "<----- Head Ayuda ----->\r\n\r\n"
                              "<----- Ficheros ----->\r\n"
                              "b.gif\r\na.js\r\n"
                              "<----- Ficheros ----->\r\n"));

    library::Script empty;
    empty.scriptHead = QStringLiteral(""); // empty text and null give the same empty line
    const QByteArray bare = SubmissionBody(empty, {}).toUtf8();
    QCOMPARE(bare, QByteArray("<----- Head Script ----->\r\n\r\n<-----Head Script----->\r\n\r\n"
                              "<----- Head body ----->\r\n\r\n<----- Head Body ----->\r\n\r\n"
                              "<----- Head html ----->\r\n\r\n<----- Head html ----->\r\n\r\n"
                              "<----- Head Ayuda ----->\r\n\r\n<----- Head Ayuda ----->\r\n\r\n"
                              "<----- Ficheros ----->\r\n<----- Ficheros ----->\r\n"));
    QCOMPARE(SubmissionSubject(QStringLiteral("Menú")),
             QStringLiteral("Nuevo Script Korvalis: Menú"));
}

namespace {

QByteArray PartBytes(GMimeObject* object)
{
    GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(object));
    GMimeStream* out = g_mime_stream_mem_new();
    g_mime_data_wrapper_write_to_stream(content, out);
    GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out));
    const QByteArray bytes(reinterpret_cast<const char*>(array->data), qsizetype(array->len));
    g_object_unref(out);
    return bytes;
}

} // namespace

void TestOnlineCore::composedMailDecodesBackToTheSameParts()
{
    QTemporaryDir dir;
    const QByteArray binary = QByteArray("GIF89a\x00\x01\r\n\x80\xff", 12).repeated(300);
    TempProgramFolder::writeFile(dir.filePath(QStringLiteral("b.gif")), binary);
    TempProgramFolder::writeFile(dir.filePath(QStringLiteral("js.htm")),
                                 "<html>\r\n</html>\r\n\r\n");

    MapiMessages msg;
    msg.Compose();
    const QString body = SubmissionBody(FullScript(), {QStringLiteral("b.gif")});
    msg.setMsgSubject(SubmissionSubject(FullScript().nombre));
    msg.setMsgNoteText(body);
    QVERIFY(!msg.AddAttachment(QStringLiteral("b.gif"), dir.filePath(QStringLiteral("b.gif"))));
    QVERIFY(!msg.AddAttachment(QStringLiteral("js.htm"), dir.filePath(QStringLiteral("js.htm"))));
    const MailResult missing =
        msg.AddAttachment(QStringLiteral("x.gif"), dir.filePath(QStringLiteral("x.gif")));
    QVERIFY(missing && missing->number == MailErrorNumber::AttachmentNotFound);
    QCOMPARE(msg.AttachmentCount(), 2);
    QVERIFY(!SetRCList(QStringLiteral("scripts@korvalis.example"), msg, 1, -1));

    MailError error;
    const std::optional<QByteArray> mime = msg.ToMime(&error);
    QVERIFY(mime);
    QVERIFY(!mime->contains("\xc2\xab")); // the subject travels encoded, as does the body
    QVERIFY(mime->contains("Subject: Nuevo Script Korvalis: Reloj =?UTF-8?"));

    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(mime->constData(), mime->size());
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage* parsed = g_mime_parser_construct_message(parser, nullptr);
    QVERIFY(parsed);
    QCOMPARE(QString::fromUtf8(g_mime_message_get_subject(parsed)),
             QStringLiteral("Nuevo Script Korvalis: Reloj «digital»"));
    InternetAddressList* to = g_mime_message_get_to(parsed);
    QCOMPARE(internet_address_list_length(to), 1);
    QCOMPARE(QByteArray(internet_address_mailbox_get_addr(
                 INTERNET_ADDRESS_MAILBOX(internet_address_list_get_address(to, 0)))),
             QByteArray("scripts@korvalis.example"));
    GMimeMultipart* mixed = GMIME_MULTIPART(g_mime_message_get_mime_part(parsed));
    QCOMPARE(g_mime_multipart_get_count(mixed), 3);
    GMimeObject* text = g_mime_multipart_get_part(mixed, 0);
    QVERIFY(g_mime_content_type_is_type(g_mime_object_get_content_type(text), "text", "plain"));
    QCOMPARE(QByteArray(g_mime_object_get_content_type_parameter(text, "charset")).toUpper(),
             QByteArray("UTF-8"));
    QCOMPARE(PartBytes(text), body.toUtf8());
    GMimeObject* gif = g_mime_multipart_get_part(mixed, 1);
    QCOMPARE(QByteArray(g_mime_part_get_filename(GMIME_PART(gif))), QByteArray("b.gif"));
    QCOMPARE(PartBytes(gif), binary);
    GMimeObject* page = g_mime_multipart_get_part(mixed, 2);
    QCOMPARE(QByteArray(g_mime_part_get_filename(GMIME_PART(page))), QByteArray("js.htm"));
    QCOMPARE(PartBytes(page), QByteArray("<html>\r\n</html>\r\n\r\n"));
    g_object_unref(parsed);
    g_object_unref(parser);
    g_object_unref(stream);

    // Without a session the message is not sent.
    QCOMPARE(msg.Send()->number, MailErrorNumber::LoginFailure);
}

void TestOnlineCore::attachmentNamesNeverBreakTheirHeaders()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.gif"));
    TempProgramFolder::writeFile(file, "GIF89a");
    // Names a Linux folder may hold; each must come back as it went, in a part with only
    // its own three headers.
    const QStringList names{QStringLiteral("o\"brien.gif"),
                            QStringLiteral("\"; filename=\"otro.exe"),
                            QStringLiteral("comilla 'simple'.gif"),
                            QStringLiteral("año \"ñandú\".gif"),
                            QStringLiteral("a;b=c (d) <e>.gif"),
                            QString(120, QLatin1Char('x')) + QStringLiteral(".gif")};
    MapiMessages msg;
    msg.Compose();
    msg.setMsgNoteText(QStringLiteral("texto"));
    for (const QString& name : names)
        QVERIFY2(!msg.AddAttachment(name, file), qPrintable(name));
    // Control characters would start header lines of their own: refused.
    for (const char* bad : {"a\r\nX-Inyectada: 1.gif", "a\nb.gif", "a\r.gif", "tab\t.gif"}) {
        const MailResult refused = msg.AddAttachment(QString::fromLatin1(bad), file);
        QVERIFY2(refused.has_value(), bad);
        QCOMPARE(refused->number, MailErrorNumber::Failure);
    }
    QCOMPARE(msg.AttachmentCount(), names.size());
    QVERIFY(!SetRCList(QStringLiteral("scripts@korvalis.example"), msg, 1, -1));
    const std::optional<QByteArray> mime = msg.ToMime(nullptr);
    QVERIFY(mime);

    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(mime->constData(), mime->size());
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage* parsed = g_mime_parser_construct_message(parser, nullptr);
    QVERIFY(parsed);
    GMimeMultipart* mixed = GMIME_MULTIPART(g_mime_message_get_mime_part(parsed));
    QCOMPARE(g_mime_multipart_get_count(mixed), 1 + int(names.size()));
    for (int i = 0; i < names.size(); ++i) {
        GMimeObject* part = g_mime_multipart_get_part(mixed, i + 1);
        QCOMPARE(QString::fromUtf8(g_mime_part_get_filename(GMIME_PART(part))), names.at(i));
        QCOMPARE(QString::fromUtf8(g_mime_object_get_content_type_parameter(part, "name")),
                 names.at(i));
        QCOMPARE(g_mime_header_list_get_count(g_mime_object_get_header_list(part)), 3);
        QCOMPARE(PartBytes(part), QByteArray("GIF89a"));
    }
    g_object_unref(parsed);
    g_object_unref(parser);
    g_object_unref(stream);
}

void TestOnlineCore::bannerComesOnEverySecondTickAndNeverTwice()
{
    Module1::BannerTickCount = 0;
    Module1::BannerTickLimit = 1;
    BannerSchedule schedule;
    QVERIFY(!schedule.tick());
    QVERIFY(schedule.tick());
    // Ticks while the banner is open are not acted on.
    QVERIFY(!schedule.tick());
    QVERIFY(!schedule.tick());
    schedule.closed();
    QCOMPARE(Module1::BannerTickCount, qint16(0));
    QVERIFY(!schedule.tick());
    QVERIFY(schedule.tick());
    schedule.closed();

    Module1::BannerTickLimit = 3;
    QVERIFY(!schedule.tick());
    QVERIFY(!schedule.tick());
    QVERIFY(!schedule.tick());
    QVERIFY(schedule.tick());
    schedule.closed();
    Module1::BannerTickLimit = 1;
}

void TestOnlineCore::bannerPageIsOneExactLine()
{
    const QByteArray expected =
        "<html><head>    <title>Korvalis</title></head>"
        "<body leftmargin=0 marginwidth=0 topmargin=0 marginheigt=0 >"
        "<table border=0 align=center ><tr><td align=center><b>"
        "<font face='verdana' color='0000ff'>Visite nuestro Patrocinador</font></b></td></tr>"
        "<tr><td align=center><a href='http://shop.example/tienda/' target='_blank'>"
        "<img src='banner3.gif' border=0 alt='Tindaro, Tu tienda virtual en solo 1 Hora'></a>"
        "</td></tr></table></body></html>\r\n";
    QCOMPARE(BannerPage(QStringLiteral("http://shop.example/tienda/")), expected);
}

void TestOnlineCore::bannerPageReplacesAnEarlierOneOrFailsWithoutDamage()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("banner.html"));
    TempProgramFolder::writeFile(path,
                                 QByteArray("old page, longer than the new one? no").repeated(50));
    QVERIFY(WriteBannerPage(dir.path(), QStringLiteral("http://s.example/")));
    QCOMPARE(TempProgramFolder::readFile(path), BannerPage(QStringLiteral("http://s.example/")));

    QVERIFY(!WriteBannerPage(dir.filePath(QStringLiteral("missing-folder")),
                             QStringLiteral("http://s.example/")));
    // A folder in the way of the file: nothing written, nothing removed.
    QTemporaryDir other;
    QVERIFY(QDir(other.path()).mkdir(QStringLiteral("banner.html")));
    QVERIFY(!WriteBannerPage(other.path(), QStringLiteral("http://s.example/")));
    QVERIFY(QFileInfo(other.filePath(QStringLiteral("banner.html"))).isDir());
}

QTEST_GUILESS_MAIN(TestOnlineCore)
#include "test_online_core.moc"
