#include "app/module1.h"
#include "library/librarystore.h"
#include "online/banner.h"
#include "online/frmenviarscript.h"
#include "online/frmpublicidad.h"
#include "online/mapi.h"
#include "online/submission.h"
#include "online/updatecheck.h"
#include "online/version.h"
#include "platform/messagebox.h"
#include "platform/network.h"
#include "platform/shell.h"
#include "tests/support/scriptbuilder.h"

#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>
#include <gmime/gmime.h>

using namespace online;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(online::UpdateLevel)

namespace {

// A small HTTP server on 127.0.0.1 serving fixed pages, each after its delay; others get 404.
class HttpFixture : public QObject
{
public:
    HttpFixture();
    void setPage(const QString& path, const QByteArray& body, int delayMs = 0)
    {
        pages_.insert(path, {body, delayMs});
    }
    QUrl url(const QString& path) const
    {
        return QUrl(u"http://127.0.0.1:%1%2"_s.arg(server_.serverPort()).arg(path));
    }
    QStringList requested; // paths asked for so far, in order

private:
    void serve(QTcpSocket* socket);
    QTcpServer server_;
    QHash<QString, std::pair<QByteArray, int>> pages_;
};

// A real SMTP server on 127.0.0.1 (aiosmtpd, each message stored in a maildir) and a msmtp
// configuration relaying to it: the sendmail-compatible command the mail layer runs.
class SmtpFixture
{
public:
    SmtpFixture();
    ~SmtpFixture();
    QString unavailable; // why it cannot run, for QSKIP
    QStringList mailCommand(quint16 port = 0) const;
    QList<QByteArray> waitForMessages(int count) const;
    static quint16 FreePort();

private:
    QTemporaryDir dir_;
    QProcess server_;
    quint16 port_ = FreePort();
};

// A MIME message taken apart again with the library that composed it.
struct ParsedMail
{
    struct Part
    {
        QByteArray filename, typeName, bytes;
        int headers = 0;
    };
    QString subject;
    QByteArray rcptTo;
    QList<Part> parts; // the text first, then each attachment
};

HttpFixture::HttpFixture()
{
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

void HttpFixture::serve(QTcpSocket* socket)
{
    const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n") || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);
    const QString path =
        QString::fromLatin1(request.left(request.indexOf("\r\n")).split(' ').value(1));
    if (path != QLatin1String("/favicon.ico"))
        requested.append(path);
    const auto page = pages_.value(path, {QByteArray(), -1});
    const QByteArray response = (page.second < 0 ? QByteArray("HTTP/1.0 404 Not Found\r\n")
                                                 : QByteArray("HTTP/1.0 200 OK\r\n")) +
                                "Content-Type: text/html; charset=utf-8\r\nContent-Length: " +
                                QByteArray::number(page.first.size()) +
                                "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" +
                                page.first;
    QTimer::singleShot(std::max(page.second, 0), this,
                       [guard = QPointer<QTcpSocket>(socket), response] {
                           if (guard) {
                               guard->write(response);
                               guard->disconnectFromHost();
                           }
                       });
}

quint16 SmtpFixture::FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

SmtpFixture::SmtpFixture()
{
    // The system interpreter: the one the Debian package python3-aiosmtpd serves.
    if (QStandardPaths::findExecutable(u"msmtp"_s).isEmpty() ||
        QProcess::execute(u"/usr/bin/python3"_s, {u"-c"_s, u"import aiosmtpd"_s}) != 0) {
        unavailable = u"needs the Debian packages msmtp and python3-aiosmtpd"_s;
        return;
    }
    QDir(dir_.path()).mkpath(u"mail/new"_s);
    QDir(dir_.path()).mkpath(u"mail/cur"_s);
    QDir(dir_.path()).mkpath(u"mail/tmp"_s);
    server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server_.start(u"/usr/bin/python3"_s,
                  {u"-m"_s, u"aiosmtpd"_s, u"-n"_s, u"-l"_s, u"127.0.0.1:%1"_s.arg(port_), u"-c"_s,
                   u"aiosmtpd.handlers.Mailbox"_s, dir_.filePath(u"mail"_s)});
    const bool up = QTest::qWaitFor(
        [this] {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port_);
            return socket.waitForConnected(200) || server_.state() == QProcess::NotRunning;
        },
        20000);
    if (!up || server_.state() == QProcess::NotRunning)
        unavailable = u"the SMTP server did not start"_s;
}

SmtpFixture::~SmtpFixture()
{
    server_.kill();
    server_.waitForFinished(5000);
}

QStringList SmtpFixture::mailCommand(quint16 port) const
{
    const QString path = dir_.filePath(u"msmtprc-%1"_s.arg(port ? port : port_));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("account default\nhost 127.0.0.1\nport " +
                   QByteArray::number(port ? port : port_) +
                   "\nfrom usuario@korvalis.example\nauth off\ntls off\n");
    file.close();
    // msmtp refuses a configuration others can read.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return {QStandardPaths::findExecutable(u"msmtp"_s), u"-C"_s, path, u"-t"_s, u"-i"_s};
}

QList<QByteArray> SmtpFixture::waitForMessages(int count) const
{
    const QDir box(dir_.filePath(u"mail/new"_s));
    (void)QTest::qWaitFor([&] { return box.entryList(QDir::Files).size() >= count; }, 15000);
    QList<QByteArray> messages;
    for (const QFileInfo& info : box.entryInfoList(QDir::Files, QDir::Time | QDir::Reversed)) {
        QFile file(info.filePath());
        if (file.open(QIODevice::ReadOnly))
            messages.append(file.readAll());
    }
    return messages;
}

ParsedMail ParseMail(const QByteArray& raw)
{
    ParsedMail mail;
    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(raw.constData(), raw.size());
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    GMimeObject* top = message ? g_mime_message_get_mime_part(message) : nullptr;
    if (top && GMIME_IS_MULTIPART(top)) {
        mail.subject = QString::fromUtf8(g_mime_message_get_subject(message));
        mail.rcptTo = g_mime_object_get_header(GMIME_OBJECT(message), "X-RcptTo");
        for (int i = 0; i < g_mime_multipart_get_count(GMIME_MULTIPART(top)); ++i) {
            GMimeObject* object = g_mime_multipart_get_part(GMIME_MULTIPART(top), i);
            GMimeStream* out = g_mime_stream_mem_new();
            g_mime_data_wrapper_write_to_stream(g_mime_part_get_content(GMIME_PART(object)), out);
            GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out));
            mail.parts.append(
                {g_mime_part_get_filename(GMIME_PART(object)),
                 g_mime_object_get_content_type_parameter(object, i ? "name" : "charset"),
                 QByteArray(reinterpret_cast<const char*>(bytes->data), qsizetype(bytes->len)),
                 g_mime_header_list_get_count(g_mime_object_get_header_list(object))});
            g_object_unref(out);
        }
    }
    if (message)
        g_object_unref(message);
    g_object_unref(parser);
    g_object_unref(stream);
    return mail;
}

} // namespace

class TestOnline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { g_mime_init(); }
    void cleanup() { MapiSession::setDefaultCommand({u"/usr/sbin/sendmail"_s, u"-t"_s, u"-oi"_s}); }
    void offeredVersionsCompareInOneChain_data();
    void offeredVersionsCompareInOneChain();
    void downloadsOpenOnlyWebAddresses();
    void recipientListsGiveOneResolvedRecipientPerItem();
    void submissionBodyKeepsEveryByte();
    void attachmentNamesNeverBreakTheirHeaders();
    void bannerComesOnEverySecondTickAndNeverTwice();
    void bannerPageIsOneExactLineReplacedWhole();
    void newerVersionsPromptAndOpenOnlyTheirWebDownload_data();
    void newerVersionsPromptAndOpenOnlyTheirWebDownload();
    void framesAreSearchedInsteadOfTheTopDocument();
    void valuesAreReadOnlyFromSingleElementsWithAValue();
    void aLatePageIsReadByTheButtonWithoutReloading();
    void closingTheStartWindowDuringTheWaitSkipsTheCheck();
    void bannerShowsTheSiteOrElseItsOwnPage_data();
    void bannerShowsTheSiteOrElseItsOwnPage();
    void networkTestSeesNoNetworkWithOnlyLoopback();
    void sentScriptArrivesWithTextFilesAndItsOwnPage();
    void failingMailSystemLeavesTheWindowWithTheReason();
};

void TestOnline::offeredVersionsCompareInOneChain_data()
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
    QTest::newRow("non-ascii digits") << u"٠١.٠٠.١٧"_s << UpdateLevel::None << false;
}

void TestOnline::offeredVersionsCompareInOneChain()
{
    QFETCH(QString, offered);
    QFETCH(online::UpdateLevel, level);
    QFETCH(bool, valid);
    const std::optional<ProgramVersion> parsed = ParseOfferedVersion(offered);
    QCOMPARE(parsed.has_value(), valid);
    if (parsed)
        QCOMPARE(CompareVersions(ProgramVersion{1, 0, 16}, *parsed), level);
}

void TestOnline::downloadsOpenOnlyWebAddresses()
{
    for (const char* good : {"http://example.org/k.zip", "HTTPS://example.org/k.exe"})
        QCOMPARE(OpenableDownload(QString::fromLatin1(good)).value_or(QUrl()),
                 QUrl(QString::fromLatin1(good)));
    for (const char* bad :
         {"", "file:///etc/passwd", "file://host/k.zip", "javascript:alert(1)",
          "ftp://example.org/k", "/tmp/k.zip", "C:\\k.exe", "http://", "mailto:a@b.example"})
        QVERIFY2(!OpenableDownload(QString::fromLatin1(bad)), bad);
}

void TestOnline::recipientListsGiveOneResolvedRecipientPerItem()
{
    const std::tuple<QString, QString, QString, QString> cuts[] = {
        {u"a@x.example;b@y.example"_s, u";"_s, u"a@x.example"_s, u"b@y.example"_s},
        {u"a;"_s, u";"_s, u"a"_s, QString()},
        {u";b"_s, u";"_s, QString(), u"b"_s},
        {u"aXbxc"_s, u"x"_s, u"aXb"_s, u"c"_s},
        {u"ab"_s, QString(), u"ab"_s, QString()}}; // an empty separator cuts nothing
    for (auto [list, separator, first, rest] : cuts) {
        QCOMPARE(Token(list, separator), first);
        QCOMPARE(list, rest);
    }

    MapiMessages msg;
    QVERIFY(!SetRCList(QString(), msg, 1, -1));
    QVERIFY(!SetRCList(u"a@x.example; b@y.example"_s, msg, 1, -1));
    // Added after the recipients already there; a trailing separator adds none.
    QVERIFY(!SetRCList(u"  c@z.example ;"_s, msg, 2, -1));
    QStringList got;
    for (const MapiRecipient& r : msg.recipients())
        got << u"%1 %2 %3"_s.arg(r.address, r.displayName).arg(r.type);
    QCOMPARE(got, (QStringList{u"a@x.example a@x.example 1"_s, u"b@y.example b@y.example 1"_s,
                               u"c@z.example c@z.example 2"_s}));
    QVERIFY(!KillRecips(msg));
    QCOMPARE(msg.RecipCount(), 0);
    // Without resolving, names are kept as given and nothing is checked.
    QVERIFY(!SetRCList(u"Juan;;x"_s, msg, 1, 0));
    QCOMPARE(msg.RecipCount(), 3);
    QCOMPARE(msg.recipients().at(0).address, QString());
    // A name that is not one whole address does not resolve.
    for (const char* bad : {"Juan", "a@x.example;;b@y.example", "a@x.example\r\nBcc: c@z.example",
                            "a@x.example\n", "<a@x.example>", "a@@x.example", "a b@x.example"}) {
        MapiMessages m;
        const MailResult failed = SetRCList(QString::fromLatin1(bad), m, 1, -1);
        QVERIFY2(failed && failed->number == MailErrorNumber::UnknownRecipient, bad);
    }
}

void TestOnline::submissionBodyKeepsEveryByte()
{
    library::Script s;
    s.scriptHead = u"<script>\r\nfunction t(){}\n</script>"_s;
    s.scriptBody = u"onload=\"t()\""_s;
    s.scriptHtml = u"<div id='r'>ñ</div>"_s;
    s.scriptAyuda = u"Línea 1\r\nLínea 2"_s;
    QCOMPARE(SubmissionBody(s, {u"b.gif"_s, u"a.js"_s}).toUtf8(),
             QByteArray("<----- Head Script ----->\r\n<script>\r\nfunction t(){}\n</script>\r\n"
                        "<-----Head Script----->\r\n\r\n"
                        "<----- Head body ----->\r\nonload=\"t()\"\r\n"
                        "<----- Head Body ----->\r\n\r\n"
                        "<----- Head html ----->\r\n<div id='r'>\xc3\xb1</div>\r\n"
                        "<----- Head html ----->\r\n\r\n"
                        "<----- Head Ayuda ----->\r\nL\xc3\xadnea 1\r\nL\xc3\xadnea 2\r\n"
                        "<----- Head Ayuda ----->\r\n\r\n"
                        "<----- Ficheros ----->\r\nb.gif\r\na.js\r\n<----- Ficheros ----->\r\n"));
    library::Script empty;
    empty.scriptHead = u""_s; // empty text and null give the same empty line
    QCOMPARE(SubmissionBody(empty, {}).toUtf8(),
             QByteArray("<----- Head Script ----->\r\n\r\n<-----Head Script----->\r\n\r\n"
                        "<----- Head body ----->\r\n\r\n<----- Head Body ----->\r\n\r\n"
                        "<----- Head html ----->\r\n\r\n<----- Head html ----->\r\n\r\n"
                        "<----- Head Ayuda ----->\r\n\r\n<----- Head Ayuda ----->\r\n\r\n"
                        "<----- Ficheros ----->\r\n<----- Ficheros ----->\r\n"));
}

void TestOnline::attachmentNamesNeverBreakTheirHeaders()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"a.gif"_s);
    const QByteArray binary = QByteArray("GIF89a\x00\x01\r\n\x80\xff", 12).repeated(300);
    TempProgramFolder::writeFile(file, binary);
    // Names a Linux folder may hold; each must come back as it went, in a part with only its
    // own three headers.
    const QStringList names{u"o\"brien.gif"_s,         u"\"; filename=\"otro.exe"_s,
                            u"comilla 'simple'.gif"_s, u"año \"ñandú\".gif"_s,
                            u"a;b=c (d) <e>.gif"_s,    QString(120, u'x') + u".gif"_s};
    MapiMessages msg;
    msg.Compose();
    msg.setMsgSubject(u"Nuevo Script Korvalis: Reloj «digital»"_s);
    msg.setMsgNoteText(u"Línea\r\n"_s);
    for (const QString& name : names)
        QVERIFY2(!msg.AddAttachment(name, file), qPrintable(name));
    // Control characters would start header lines of their own; a missing file is reported.
    for (const char* bad : {"a\r\nX-Inyectada: 1.gif", "a\nb.gif", "a\r.gif", "tab\t.gif"})
        QCOMPARE(msg.AddAttachment(QString::fromLatin1(bad), file).value_or(MailError()).number,
                 MailErrorNumber::Failure);
    QCOMPARE(msg.AddAttachment(u"x.gif"_s, dir.filePath(u"x.gif"_s)).value_or(MailError()).number,
             MailErrorNumber::AttachmentNotFound);
    QVERIFY(!SetRCList(u"scripts@korvalis.example"_s, msg, 1, -1));
    const std::optional<QByteArray> mime = msg.ToMime(nullptr);
    QVERIFY(mime && !mime->contains("\xc2\xab")); // the subject travels encoded

    const ParsedMail parsed = ParseMail(*mime);
    QCOMPARE(parsed.subject, msg.msgSubject());
    QCOMPARE(parsed.parts.size(), 1 + names.size());
    QCOMPARE(parsed.parts[0].typeName.toUpper(), QByteArray("UTF-8"));
    QCOMPARE(parsed.parts[0].bytes, QByteArray("L\xc3\xadnea\r\n"));
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(QString::fromUtf8(parsed.parts[i + 1].filename), names.at(i));
        QCOMPARE(QString::fromUtf8(parsed.parts[i + 1].typeName), names.at(i));
        QCOMPARE(parsed.parts[i + 1].headers, 3);
        QCOMPARE(parsed.parts[i + 1].bytes, binary);
    }
    // Without a session the message is not sent.
    QCOMPARE(msg.Send().value_or(MailError()).number, MailErrorNumber::LoginFailure);
}

void TestOnline::bannerComesOnEverySecondTickAndNeverTwice()
{
    Module1::BannerTickCount = 0;
    BannerSchedule schedule;
    // Ticks while the banner is open are not acted on; counting starts again when it closes.
    for (int limit : {1, 1, 3}) {
        Module1::BannerTickLimit = qint16(limit);
        for (int i = 0; i < limit; ++i)
            QVERIFY(!schedule.tick());
        QVERIFY(schedule.tick());
        QVERIFY(!schedule.tick() && !schedule.tick());
        schedule.closed();
    }
    Module1::BannerTickLimit = 1;
}

void TestOnline::bannerPageIsOneExactLineReplacedWhole()
{
    const QByteArray expected =
        "<html><head>    <title>Korvalis</title></head>"
        "<body leftmargin=0 marginwidth=0 topmargin=0 marginheigt=0 >"
        "<table border=0 align=center ><tr><td align=center><b>"
        "<font face='verdana' color='0000ff'>Visite nuestro Patrocinador</font></b></td></tr>"
        "<tr><td align=center><a href='http://shop.example/tienda/' target='_blank'>"
        "<img src='banner3.gif' border=0 alt='Tindaro, Tu tienda virtual en solo 1 Hora'></a>"
        "</td></tr></table></body></html>\r\n";
    QTemporaryDir dir;
    const QString path = dir.filePath(u"banner.html"_s);
    TempProgramFolder::writeFile(path, QByteArray("una página anterior, más larga").repeated(50));
    QVERIFY(WriteBannerPage(dir.path(), u"http://shop.example/tienda/"_s));
    QCOMPARE(TempProgramFolder::readFile(path), expected);
    QVERIFY(!WriteBannerPage(dir.filePath(u"falta"_s), u"http://s.example/"_s));
    // A folder in the way of the file: nothing written, nothing removed.
    QVERIFY(QFile::remove(path) && QDir(dir.path()).mkdir(u"banner.html"_s));
    QVERIFY(!WriteBannerPage(dir.path(), u"http://s.example/"_s));
    QVERIFY(QFileInfo(path).isDir());
}

namespace {

QString PageText(QWebEnginePage* page)
{
    std::optional<QString> text;
    page->toPlainText([&text](const QString& t) { text = t; });
    (void)QTest::qWaitFor([&text] { return text.has_value(); }, 5000);
    return text.value_or(QString());
}

QByteArray ValuesPage(const QByteArray& version, const QByteArray& base)
{
    return "<html><body><form><input type=hidden id=version value='" + version +
           "'><input type=hidden name=download_mayor value='" + base +
           "/mayor.zip'><input type=hidden name=download_menor value='" + base +
           "/menor.zip'><input type=hidden id=download_revision value='" + base +
           "/revision.zip'></form></body></html>";
}

// A check on a hidden page of its own, with the answers and the shell opens scripted.
struct UpdateRig
{
    HttpFixture http;
    QWidget owner;
    QWebEnginePage* page = new QWebEnginePage(&owner);
    UpdateCheck* check = new UpdateCheck(page, &owner);
    platform::ScriptedMessageBoxes boxes;
    platform::RecordingShell shell;

    UpdateRig() { owner.show(); }
    // Loads the address as the start window does and waits until the check is over.
    bool start(const QString& path, int timeoutMs = 15000)
    {
        Module1::UpdateCheckUrl = http.url(path).toString();
        check->setLoadTimeout(timeoutMs);
        QSignalSpy over(check, &UpdateCheck::checkOver);
        check->start();
        return over.wait(timeoutMs + 10000);
    }
    // Checks the page as it stands, as the button does.
    bool run()
    {
        QSignalSpy over(check, &UpdateCheck::checkOver);
        check->run();
        return over.size() == 1 || over.wait(10000);
    }
    QString value(const QString& key)
    {
        QObject context;
        std::optional<QString> value;
        UpdateCheck::GetWebValue(page, key, &context, [&value](const QString& v) { value = v; });
        (void)QTest::qWaitFor([&value] { return value.has_value(); }, 10000);
        return value.value_or(u"(no answer)"_s);
    }
};

} // namespace

void TestOnline::newerVersionsPromptAndOpenOnlyTheirWebDownload_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("opened");
    const QString ask = u"\r\n¿Desea bajarsela?"_s;
    QTest::newRow("same version") << ValuesPage("01.00.16", "BASE") << QString() << QString();
    QTest::newRow("malformed") << ValuesPage("1.0.17", "BASE") << QString() << QString();
    QTest::newRow("no version") << QByteArray("<html><p>Nada</p></html>") << QString() << QString();
    QTest::newRow("revision") << ValuesPage("01.00.17", "BASE")
                              << u"Existe una revisión de Korvalis"_s + ask << u"/revision.zip"_s;
    QTest::newRow("minor, by name")
        << ValuesPage("01.01.00", "BASE") << u"Existe una nueva actualización de Korvalis"_s + ask
        << u"/menor.zip"_s;
    QTest::newRow("major") << ValuesPage("02.00.00", "BASE")
                           << u"Existe una nueva versión de Korvalis"_s + ask << u"/mayor.zip"_s;
    for (const char* base : {"file:///etc", "javascript:alert(1)", "ftp://127.0.0.1"})
        QTest::newRow(base) << ValuesPage("01.00.17", base)
                            << u"Existe una revisión de Korvalis"_s + ask << QString();
}

void TestOnline::newerVersionsPromptAndOpenOnlyTheirWebDownload()
{
    QFETCH(QByteArray, page);
    QFETCH(QString, prompt);
    QFETCH(QString, opened);
    UpdateRig rig;
    rig.http.setPage(u"/v"_s, page.replace("BASE", rig.http.url(u"/dl"_s).toEncoded()));
    rig.boxes.answer(QMessageBox::Yes);
    QVERIFY(rig.start(u"/v"_s));
    QCOMPARE(rig.boxes.shown.size(), prompt.isEmpty() ? 0 : 1);
    if (!prompt.isEmpty()) {
        QCOMPARE(rig.boxes.shown.first().text, prompt);
        QCOMPARE(rig.boxes.shown.first().buttons, QMessageBox::Yes | QMessageBox::No);
    }
    QCOMPARE(rig.shell.opened,
             opened.isEmpty() ? QList<QUrl>() : QList<QUrl>{rig.http.url(u"/dl"_s + opened)});
    // The button compares again on the same page, without a new request; No opens nothing.
    rig.boxes.answer(QMessageBox::No);
    QVERIFY(rig.run());
    QCOMPARE(rig.boxes.shown.size(), prompt.isEmpty() ? 0 : 2);
    QCOMPARE(rig.shell.opened.size(), opened.isEmpty() ? 0 : 1);
    QCOMPARE(rig.http.requested, QStringList{u"/v"_s});
}

void TestOnline::framesAreSearchedInsteadOfTheTopDocument()
{
    UpdateRig rig;
    const QByteArray base = rig.http.url(u"/dl"_s).toEncoded();
    rig.http.setPage(u"/first"_s, "<html><body><p>Sin valores</p></body></html>");
    rig.http.setPage(u"/second"_s, ValuesPage("01.00.17", base + "/second"));
    rig.http.setPage(u"/frameset"_s, "<html><frameset cols='50%,50%'><frame src='/first'>"
                                     "<frame src='/second'></frameset></html>");
    // With an inline frame, the values in the top document are not looked at.
    rig.http.setPage(
        u"/inline"_s,
        ValuesPage("02.00.00", base).replace("</form>", "</form><iframe src='/first'></iframe>"));
    rig.boxes.answer(QMessageBox::Yes);
    QVERIFY(rig.start(u"/frameset"_s));
    // Frames may finish after the top page: read again once they are surely there.
    if (rig.boxes.shown.isEmpty()) {
        QTest::qWait(500);
        QVERIFY(rig.run());
    }
    QCOMPARE(rig.shell.opened,
             QList<QUrl>{QUrl(QString::fromLatin1(base + "/second/revision.zip"))});
    QVERIFY(rig.start(u"/inline"_s));
    QTest::qWait(300);
    QVERIFY(rig.run());
    QCOMPARE(rig.boxes.shown.size(), 1);
    QCOMPARE(rig.value(u"version"_s), QString());
}

void TestOnline::valuesAreReadOnlyFromSingleElementsWithAValue()
{
    UpdateRig rig;
    rig.http.setPage(u"/shapes"_s, "<html><body><div id=version>02.00.00</div>"
                                   "<input name=twice value=a><input name=twice value=b>"
                                   "<select name=pick><option value=x selected>X</option></select>"
                                   "<textarea id=note>libre</textarea><input id='k\"ey' value=q>"
                                   "</body></html>");
    QVERIFY(rig.start(u"/shapes"_s));
    QCOMPARE(rig.boxes.shown.size(), 0);
    const QStringList values{rig.value(u"version"_s), rig.value(u"twice"_s), rig.value(u"pick"_s),
                             rig.value(u"note"_s),    rig.value(u"k\"ey"_s), rig.value(u"falta"_s)};
    QCOMPARE(values, (QStringList{QString(), QString(), u"x"_s, u"libre"_s, u"q"_s, QString()}));
    // An unreachable server leaves an empty page and no message.
    Module1::UpdateCheckUrl = u"http://127.0.0.1:9/korvalis/downloads/version.asp"_s;
    QSignalSpy over(rig.check, &UpdateCheck::checkOver);
    rig.check->start();
    QVERIFY(over.wait(20000));
    QCOMPARE(rig.value(u"version"_s), QString());
    QCOMPARE(rig.boxes.shown.size(), 0);
}

void TestOnline::aLatePageIsReadByTheButtonWithoutReloading()
{
    UpdateRig rig;
    rig.http.setPage(u"/slow"_s, ValuesPage("01.00.17", "http://x.example"), 1500);
    QSignalSpy finished(rig.page, &QWebEnginePage::loadFinished);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(rig.start(u"/slow"_s, 200));
    QVERIFY(clock.elapsed() < 1400);
    QCOMPARE(rig.boxes.shown.size(), 0);
    QVERIFY(finished.wait(10000));
    rig.boxes.answer(QMessageBox::No);
    QVERIFY(rig.run());
    QCOMPARE(rig.boxes.shown.size(), 1);
    QCOMPARE(rig.http.requested.size(), 1);
}

void TestOnline::closingTheStartWindowDuringTheWaitSkipsTheCheck()
{
    UpdateRig rig;
    rig.http.setPage(u"/slow"_s, ValuesPage("02.00.00", "http://x.example"), 800);
    rig.owner.show();
    QTimer::singleShot(100, &rig.owner, &QWidget::close);
    QVERIFY(rig.start(u"/slow"_s));
    // The start window deleted while the check waits: nothing runs on it afterwards.
    auto* owner = new QWidget;
    owner->show();
    QPointer<UpdateCheck> check = new UpdateCheck(new QWebEnginePage(owner), owner);
    QTimer::singleShot(100, owner, &QObject::deleteLater);
    check->start();
    QTRY_VERIFY(!check);
    // The pages arriving later do not bring the question back either.
    QTest::qWait(1500);
    QCOMPARE(rig.boxes.shown.size(), 0);
}

void TestOnline::bannerShowsTheSiteOrElseItsOwnPage_data()
{
    QTest::addColumn<QString>("site");
    QTest::addColumn<QString>("shown");
    QTest::newRow("offline") << QString() << u"Visite nuestro Patrocinador"_s;
    QTest::newRow("site answers") << u"/ok"_s << u"Portada Korvalis"_s;
    QTest::newRow("no answer") << u"silent"_s << u"Visite nuestro Patrocinador"_s;
    QTest::newRow("HTTP error") << u"/404"_s << u"Visite nuestro Patrocinador"_s;
    QTest::newRow("nobody listening") << u"closed"_s << u"Visite nuestro Patrocinador"_s;
    QTest::newRow("page cannot be written") << u"folder"_s << QString();
}

void TestOnline::bannerShowsTheSiteOrElseItsOwnPage()
{
    QFETCH(QString, site);
    QFETCH(QString, shown);
    TempProgramFolder folder;
    const QString page = folder.filePath(u"banner.html"_s);
    HttpFixture http;
    http.setPage(u"/ok"_s, "<html><body>Portada Korvalis</body></html>");
    QTcpServer silent; // takes connections and requests and never says a word
    QList<QTcpSocket*> held;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    connect(&silent, &QTcpServer::newConnection,
            [&] { held.append(silent.nextPendingConnection()); });
    Module1::SiteUrl = site == u"silent"_s ? u"http://127.0.0.1:%1/"_s.arg(silent.serverPort())
                       : site == u"closed"_s
                           ? u"http://127.0.0.1:%1/"_s.arg(SmtpFixture::FreePort())
                           : http.url(site).toString();
    if (site == u"folder"_s)
        QVERIFY(QDir(folder.path()).mkdir(u"banner.html"_s));
    platform::FixedNetworkPresence network(!site.isEmpty() && site != u"folder"_s);
    Frmpublicidad banner;
    banner.show();
    if (shown.isEmpty()) {
        QTest::qWait(300);
        QVERIFY(banner.web_publicidad->url().isEmpty() && QFileInfo(page).isDir());
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(PageText(banner.web_publicidad->page()).contains(shown),
                             Frmpublicidad::SiteAnswerTimeoutMs + 10000);
    if (site == u"/ok"_s) {
        // A site that answered in time keeps its page, and no file is written.
        QTest::qWait(Frmpublicidad::SiteAnswerTimeoutMs + 500);
        QVERIFY(PageText(banner.web_publicidad->page()).contains(shown));
        QVERIFY(!QFileInfo::exists(page));
    } else {
        QCOMPARE(banner.web_publicidad->url(), QUrl::fromLocalFile(page));
        QCOMPARE(TempProgramFolder::readFile(page), BannerPage(Module1::SponsorShopUrl));
    }
    QCOMPARE(held.isEmpty(), site != u"silent"_s);
}

void TestOnline::networkTestSeesNoNetworkWithOnlyLoopback()
{
    const QString unshare = QStandardPaths::findExecutable(u"unshare"_s);
    if (unshare.isEmpty())
        QSKIP("unshare is not installed: cannot make a namespace with only loopback");
    QProcess inside;
    inside.start(unshare, {u"-n"_s, QStringLiteral(KORVALIS_NETWORK_PROBE)});
    QVERIFY(inside.waitForFinished(20000));
    if (inside.exitCode() != 0)
        QSKIP(qPrintable(u"cannot enter a new network namespace (needs root): "_s +
                         QString::fromLocal8Bit(inside.readAllStandardError())));
    QCOMPARE(inside.readAllStandardOutput().trimmed(), QByteArray("no network"));
}

void TestOnline::sentScriptArrivesWithTextFilesAndItsOwnPage()
{
    SmtpFixture smtp;
    if (!smtp.unavailable.isEmpty())
        QSKIP(qPrintable(smtp.unavailable));
    MapiSession::setDefaultCommand(smtp.mailCommand());
    TempProgramFolder folder;
    const qint64 cat = folder.addCategory(0, u"Relojes"_s), type = folder.addType(u"Efecto"_s);
    const QByteArray gif = QByteArray("GIF89a\x01\x00\r\n\x00\xff", 12).repeated(100);
    // Listed but gone from disk, outside the folder, or with a line break in its name: never
    // attached. A quote travels in the header's own encoding.
    const QString quoted = u"o\"brien \"ñ\".gif"_s,
                  broken = u"x\r\nBcc: i@korvalis.example\r\n.gif"_s;
    TempProgramFolder::writeFile(folder.filePath(u"fuera.txt"_s), "secreto");
    ScriptBuilder full(u"Reloj «digital»"_s);
    full.in(cat)
        .type(type)
        .head(u"<script>\r\nf();\r\n</script>"_s)
        .html(u"<b>ñandú</b>"_s)
        .help(u"Uso:\r\nf()"_s)
        .file(u"reloj.gif"_s, gif)
        .file(u"borrado.js"_s)
        .file(u"../fuera.txt"_s)
        .file(quoted, "GIF89a")
        .file(broken, "GIF89a");
    const qint64 fullId = full.addTo(folder);
    const qint64 bareId = folder.addScript(cat, type, u"Vacío"_s);
    TempProgramFolder::writeFile(folder.filePath(u"js.htm"_s), "otro script"); // last previewed
    folder.closeLibrary();
    auto store = library::LibraryStore::open(folder.libraryPath());
    QByteArray sentPage;
    for (const auto& [id, to] : {std::pair{fullId, u"scripts@korvalis.example"_s},
                                 {bareId, u"uno@korvalis.example; dos@korvalis.example"_s}}) {
        Module1::SubmissionAddress = to;
        frmenviarscript window(*store, QString::number(id));
        window.show();
        QTest::mouseClick(window.boton_enviar, Qt::LeftButton);
        QVERIFY2(window.Label1->text() == u"El script ha sido enviado"_s,
                 qPrintable(window.Label2->text()));
        QCOMPARE(window.Label2->text(), u"Gracias por su colaboracion"_s);
        QVERIFY(!window.isVisible() && !window.MapiSess.isSignedOn());
        if (sentPage.isEmpty())
            sentPage = TempProgramFolder::readFile(folder.filePath(u"js.htm"_s));
    }
    QVERIFY(sentPage.contains("Reloj \xc2\xab"
                              "digital\xc2\xbb"));
    QList<ParsedMail> mails;
    for (const QByteArray& raw : smtp.waitForMessages(2))
        mails.append(ParseMail(raw));
    QCOMPARE(mails.size(), 2);
    if (mails[0].subject.endsWith(u"Vacío"_s))
        std::swap(mails[0], mails[1]);
    QCOMPARE(mails[0].subject, u"Nuevo Script Korvalis: Reloj «digital»"_s);
    QCOMPARE(mails[0].rcptTo, QByteArray("scripts@korvalis.example"));
    QCOMPARE(mails[0].parts[0].bytes,
             SubmissionBody(full.record(),
                            {u"reloj.gif"_s, u"borrado.js"_s, u"../fuera.txt"_s, quoted, broken})
                 .toUtf8());
    const QList<std::pair<QByteArray, QByteArray>> attached{
        {"reloj.gif", gif}, {quoted.toUtf8(), "GIF89a"}, {"js.htm", sentPage}};
    QCOMPARE(mails[0].parts.size(), 1 + attached.size());
    for (int i = 0; i < attached.size(); ++i) {
        QCOMPARE(mails[0].parts[i + 1].filename, attached[i].first);
        QCOMPARE(mails[0].parts[i + 1].bytes, attached[i].second);
    }
    QCOMPARE(mails[1].subject, u"Nuevo Script Korvalis: Vacío"_s);
    QCOMPARE(mails[1].rcptTo, QByteArray("uno@korvalis.example, dos@korvalis.example"));
    QCOMPARE(mails[1].parts.size(), 2);
    QVERIFY(mails[1].parts[1].bytes.contains("Vac\xc3\xado"));
}

void TestOnline::failingMailSystemLeavesTheWindowWithTheReason()
{
    TempProgramFolder folder;
    const qint64 id =
        folder.addScript(folder.addCategory(0, u"C"_s), folder.addType(u"E"_s), u"Uno"_s);
    folder.closeLibrary();
    auto store = library::LibraryStore::open(folder.libraryPath());
    SmtpFixture smtp; // its mail command, pointed at a port where nobody listens
    const QString script = u"cat >/dev/null; echo 'servidor fuera de servicio' >&2; exit 75"_s;
    const std::tuple<QStringList, QString, QString> cases[] = {
        {{u"/bin/sh"_s, u"-c"_s, script},
         u"s@korvalis.example"_s,
         u"servidor fuera de servicio 75"_s},
        {{u"/no/existe/sendmail"_s},
         u"s@korvalis.example"_s,
         u"No se encuentra el sistema de correo (/no/existe/sendmail) 32003"_s},
        {{u"/bin/cat"_s}, u"Juan Pérez"_s, u"Destinatario desconocido: \"Juan Pérez\" 32014"_s},
        {smtp.mailCommand(SmtpFixture::FreePort()), u"s@korvalis.example"_s, u"msmtp"_s}};
    for (const auto& [command, address, reason] : cases) {
        if (reason == u"msmtp"_s && !smtp.unavailable.isEmpty())
            continue;
        MapiSession::setDefaultCommand(command);
        Module1::SubmissionAddress = address;
        frmenviarscript window(*store, QString::number(id));
        window.show();
        QTest::mouseClick(window.boton_enviar, Qt::LeftButton);
        QCOMPARE(window.Label1->text(), u"El script NO ha sido enviado"_s);
        const QString line = window.Label2->text();
        const QString caption = u"Un error a ocurrido durante el envio: "_s;
        QVERIFY2(reason == u"msmtp"_s ? line.contains(reason) : line == caption + reason,
                 qPrintable(line));
        QVERIFY(line.section(u' ', -1).toInt() > 0); // the command's own exit status last
        QVERIFY(window.isVisible() && !window.boton_enviar->isEnabled());
        window.close();
        QVERIFY(!window.MapiSess.isSignedOn());
    }
}

QTEST_MAIN(TestOnline)
#include "test_online.moc"
