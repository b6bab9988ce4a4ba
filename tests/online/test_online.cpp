#include "base/module1.h"
#include "library/librarystore.h"
#include "online/banner.h"
#include "online/frmenviarscript.h"
#include "online/frmpublicidad.h"
#include "online/submission.h"
#include "online/updatecheck.h"
#include "platform/messagebox.h"
#include "platform/network.h"
#include "platform/shell.h"
#include "tests/support/scriptbuilder.h"

#include <QLabel>
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

namespace {

// A small HTTP server on 127.0.0.1: each page after its delay, 404 for the rest.
struct HttpFixture
{
    QTcpServer server;
    QHash<QString, std::pair<QByteArray, int>> pages;
    QStringList requested;                                    // paths asked for, in order
    QHash<QString, std::pair<QByteArray, QByteArray>> errors; // status line and page, not 404

    HttpFixture()
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            QTcpSocket* s = server.nextPendingConnection();
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
                s->setProperty("in", s->property("in").toByteArray() + s->readAll());
                const QByteArray in = s->property("in").toByteArray();
                if (!in.contains("\r\n\r\n") || s->property("done").toBool())
                    return;
                s->setProperty("done", true);
                const QString path = QString::fromLatin1(in.split(' ').value(1));
                if (path != u"/favicon.ico"_s)
                    requested.append(path);
                auto [body, delay] = pages.value(path, {QByteArray(), -1});
                QByteArray status = delay < 0 ? "HTTP/1.0 404 No" : "HTTP/1.0 200 OK";
                if (errors.contains(path)) {
                    status = errors[path].first;
                    body = errors[path].second;
                }
                const QByteArray out = status + "\r\nContent-Type: text/html\r\nContent-Length: " +
                                       QByteArray::number(body.size()) +
                                       "\r\nCache-Control: no-store\r\n\r\n" + body;
                QTimer::singleShot(std::max(delay, 0), s, [s, out] {
                    s->write(out);
                    s->disconnectFromHost();
                });
            });
        });
    }
    QString url(const QString& path) const
    {
        return u"http://127.0.0.1:%1%2"_s.arg(server.serverPort()).arg(path);
    }
};

quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The sendmail-compatible command of msmtp, relaying to an SMTP server on 127.0.0.1:port.
QStringList Msmtp(const QTemporaryDir& dir, quint16 port)
{
    const QString config = dir.filePath(u"msmtprc"_s);
    TempProgramFolder::writeFile(config, "account default\nhost 127.0.0.1\nport " +
                                             QByteArray::number(port) +
                                             "\nfrom k@korvalis.example\nauth off\ntls off\n");
    QFile::setPermissions(config, QFileDevice::ReadOwner | QFileDevice::WriteOwner); // else refused
    return {QStandardPaths::findExecutable(u"msmtp"_s), u"-C"_s, config, u"-t"_s};
}

// A MIME message taken apart again with the library that composed it.
struct ParsedMail
{
    QString subject;
    QByteArray rcptTo;
    QList<QByteArrayList> parts; // filename, name or charset parameter, bytes, header count
};

ParsedMail ParseMail(const QByteArray& raw)
{
    ParsedMail mail;
    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(raw.constData(), raw.size());
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    GMimeObject* top = message ? g_mime_message_get_mime_part(message) : nullptr;
    for (int i = 0;
         top && GMIME_IS_MULTIPART(top) && i < g_mime_multipart_get_count(GMIME_MULTIPART(top));
         ++i) {
        GMimeObject* part = g_mime_multipart_get_part(GMIME_MULTIPART(top), i);
        GMimeStream* out = g_mime_stream_mem_new();
        g_mime_data_wrapper_write_to_stream(g_mime_part_get_content(GMIME_PART(part)), out);
        GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out));
        mail.parts.append({g_mime_part_get_filename(GMIME_PART(part)),
                           g_mime_object_get_content_type_parameter(part, i ? "name" : "charset"),
                           QByteArray(reinterpret_cast<const char*>(bytes->data), bytes->len),
                           QByteArray::number(
                               g_mime_header_list_get_count(g_mime_object_get_header_list(part)))});
        g_object_unref(out);
    }
    if (message) {
        mail.subject = QString::fromUtf8(g_mime_message_get_subject(message));
        mail.rcptTo = g_mime_object_get_header(GMIME_OBJECT(message), "X-RcptTo");
        g_object_unref(message);
    }
    g_object_unref(parser);
    g_object_unref(stream);
    return mail;
}

QByteArray ValuesPage(const QByteArray& version, const QByteArray& base)
{
    return "<html><body><form><input type=hidden id=version value='" + version +
           "'><input type=hidden name=download_mayor value='" + base +
           "/mayor.zip'><input type=hidden name=download_menor value='" + base +
           "/menor.zip'><input type=hidden id=download_revision value='" + base +
           "/revision.zip'></form></body></html>";
}

// An update check on a hidden page of its own, with the answers and shell opens scripted.
struct UpdateRig
{
    HttpFixture http;
    QWidget owner;
    QWebEnginePage* page = new QWebEnginePage(&owner);
    UpdateCheck* update = new UpdateCheck(page, &owner);
    platform::ScriptedMessageBoxes boxes;
    platform::RecordingShell shell;

    UpdateRig() { owner.show(); }
    // Loads the address as the start window does, or with none checks the page as it stands as
    // its button does; waits until the check is over.
    bool check(const QString& path = {}, int timeoutMs = 15000)
    {
        QSignalSpy over(update, &UpdateCheck::checkOver);
        if (path.isEmpty()) {
            update->run();
        } else {
            Module1::UpdateCheckUrl = path.startsWith(u'/') ? http.url(path) : path;
            update->setLoadTimeout(timeoutMs);
            update->start();
        }
        return !over.isEmpty() || over.wait(timeoutMs + 10000);
    }
};

} // namespace

class TestOnline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { g_mime_init(); }
    void cleanup() { MapiSession::setDefaultCommand({u"/usr/sbin/sendmail"_s, u"-t"_s, u"-oi"_s}); }
    void recipientListsGiveOneResolvedRecipientPerItem();
    void submissionBodyKeepsEveryByte();
    void attachmentNamesNeverBreakTheirHeaders();
    void bannerComesOnEverySecondTickAndNeverTwice();
    void newerVersionsPromptAndOpenOnlyTheirWebDownload_data();
    void newerVersionsPromptAndOpenOnlyTheirWebDownload();
    void valuesAreReadOnlyFromFramesAndSingleElements();
    void aLatePageIsReadByTheButtonWithoutReloading();
    void bannerShowsTheSiteOrElseItsOwnPage_data();
    void bannerShowsTheSiteOrElseItsOwnPage();
    void networkTestSeesNoNetworkWithOnlyLoopback();
    void sentScriptArrivesWithTextFilesAndItsOwnPage();
    void failingMailSystemLeavesTheWindowWithTheReason();
    void submissionWindowNamesTheScriptAndClosesWithoutSending();
};

void TestOnline::recipientListsGiveOneResolvedRecipientPerItem()
{
    // A name that is not one whole address does not resolve; a line break would add headers.
    MapiMessages msg;
    for (const char* bad : {"Juan", "a@x.example;;b@y.example", "a@x.example\r\nBcc: c@z.example",
                            "a@x.example\n", "<a@x.example>", "a@@x.example", "a b@x.example"}) {
        const MailResult failed = SetRCList(QString::fromLatin1(bad), msg, 1, -1);
        QVERIFY2(failed && failed->number == MailErrorNumber::UnknownRecipient, bad);
    }
}

void TestOnline::submissionBodyKeepsEveryByte()
{
    library::Script s;
    s.scriptHead = u"<script>\r\nfunction t(){}\n</script>"_s;
    s.scriptBody = u"onload=\"t()\""_s;
    s.scriptAyuda = u"Línea 1\r\nLínea 2"_s;
    QCOMPARE(SubmissionBody(s, {u"b.gif"_s, u"a.js"_s}).toUtf8(),
             QByteArray("<----- Head Script ----->\r\n<script>\r\nfunction t(){}\n</script>\r\n"
                        "<-----Head Script----->\r\n\r\n"
                        "<----- Head body ----->\r\nonload=\"t()\"\r\n"
                        "<----- Head Body ----->\r\n\r\n"
                        "<----- Head html ----->\r\n\r\n<----- Head html ----->\r\n\r\n"
                        "<----- Head Ayuda ----->\r\nL\xc3\xadnea 1\r\nL\xc3\xadnea 2\r\n"
                        "<----- Head Ayuda ----->\r\n\r\n"
                        "<----- Ficheros ----->\r\nb.gif\r\na.js\r\n<----- Ficheros ----->\r\n"));
}

void TestOnline::attachmentNamesNeverBreakTheirHeaders()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"a.gif"_s);
    const QByteArray binary = QByteArray("GIF89a\x00\x01\r\n\x80\xff", 12).repeated(300);
    TempProgramFolder::writeFile(file, binary);
    // Names a Linux folder may hold; each must come back as it went, in a part with only its
    // own three headers. Control characters would start header lines of their own: refused.
    const QStringList names{u"o\"brien.gif"_s, u"\"; filename=\"otro.exe"_s, u"año \"ñandú\".gif"_s,
                            u"a;b=c (d) <e>.gif"_s, QString(120, u'x')};
    MapiMessages msg;
    msg.Compose();
    msg.setMsgSubject(u"Nuevo Script Korvalis: Reloj «digital»"_s);
    msg.setMsgNoteText(u"Línea\r\n"_s);
    for (const QString& name : names)
        QVERIFY2(!msg.AddAttachment(name, file), qPrintable(name));
    for (const char* bad : {"a\r\nX-Inyectada: 1.gif", "a\nb.gif", "a\r.gif", "tab\t.gif"})
        QVERIFY2(msg.AddAttachment(QString::fromLatin1(bad), file), bad);
    QVERIFY(!SetRCList(u"scripts@korvalis.example"_s, msg, 1, -1));
    const QByteArray mime = msg.ToMime(nullptr).value_or(QByteArray());
    QVERIFY(!mime.isEmpty() && !mime.contains("\xc2\xab")); // the subject travels encoded
    const ParsedMail parsed = ParseMail(mime);
    QCOMPARE(parsed.subject, msg.msgSubject());
    QCOMPARE(parsed.parts.value(0), (QByteArrayList{"", "UTF-8", "L\xc3\xadnea\r\n", "2"}));
    QCOMPARE(parsed.parts.size(), 1 + names.size());
    for (int i = 0; i < names.size(); ++i) {
        const QByteArray name = names[i].toUtf8();
        QCOMPARE(parsed.parts[i + 1], (QByteArrayList{name, name, binary, "3"}));
    }
}

void TestOnline::bannerComesOnEverySecondTickAndNeverTwice()
{
    Module1::BannerTickCount = 0;
    BannerSchedule schedule(Module1::BannerTickCount, Module1::BannerTickLimit);
    // Ticks while the banner is open are not acted on; counting starts again when it closes.
    for (int limit : {1, 1, 3}) {
        Module1::BannerTickLimit = qint16(limit);
        for (int i = 0; i < limit; ++i)
            QVERIFY(!schedule.tick());
        QVERIFY(schedule.tick());
        QVERIFY(!schedule.tick() && !schedule.tick());
        schedule.closed();
    }
    // A busy user's ticks change nothing: the count stays, and the next free tick shows it.
    Module1::BannerTickLimit = 1;
    QVERIFY(!schedule.tick(true) && Module1::BannerTickCount == 0);
    QVERIFY(!schedule.tick() && Module1::BannerTickCount == 1);
    QVERIFY(!schedule.tick(true) && !schedule.tick(true) && Module1::BannerTickCount == 1);
    QVERIFY(schedule.tick());
    schedule.closed();
}

void TestOnline::newerVersionsPromptAndOpenOnlyTheirWebDownload_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("opened");
    const QString revision = u"Existe una revisión de Korvalis\r\n¿Desea bajarsela?"_s;
    const QString minor = u"Existe una nueva actualización de Korvalis\r\n¿Desea bajarsela?"_s;
    for (const char* same : {"01.00.16", "01.00.09", "1.0.17", "01.0a.17", "+1.00.17"})
        QTest::newRow(same) << ValuesPage(same, "BASE") << QString() << QString();
    QTest::newRow("no version") << QByteArray("<p>Nada</p>") << QString() << QString();
    QTest::newRow("revision") << ValuesPage("01.00.17", "BASE") << revision << u"/revision.zip"_s;
    QTest::newRow("minor, by name") << ValuesPage("01.01.00", "BASE") << minor << u"/menor.zip"_s;
    QTest::newRow("older major, newer minor")
        << ValuesPage("00.05.00", "BASE") << minor << u"/menor.zip"_s;
    QTest::newRow("major") << ValuesPage("02.00.00", "BASE")
                           << u"Existe una nueva versión de Korvalis\r\n¿Desea bajarsela?"_s
                           << u"/mayor.zip"_s;
    for (const char* base : {"file://127.0.0.1/etc", "javascript:alert(1)", "ftp://127.0.0.1"})
        QTest::newRow(base) << ValuesPage("01.00.17", base) << revision << QString();
}

void TestOnline::newerVersionsPromptAndOpenOnlyTheirWebDownload()
{
    QFETCH(QByteArray, page);
    QFETCH(QString, prompt);
    QFETCH(QString, opened);
    UpdateRig rig;
    rig.http.pages[u"/v"_s] = {page.replace("BASE", rig.http.url(u"/dl"_s).toUtf8()), 0};
    rig.boxes.answer(QMessageBox::Yes);
    QVERIFY(rig.check(u"/v"_s));
    // The button compares again on the same page, without a new request; No opens nothing.
    rig.boxes.answer(QMessageBox::No);
    QVERIFY(rig.check());
    QCOMPARE(rig.http.requested, QStringList{u"/v"_s});
    QCOMPARE(rig.boxes.shown.size(), prompt.isEmpty() ? 0 : 2);
    for (const platform::Message& m : rig.boxes.shown)
        QCOMPARE(m.text, prompt);
    QCOMPARE(rig.shell.opened,
             opened.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(rig.http.url(u"/dl"_s + opened))});
}

void TestOnline::valuesAreReadOnlyFromFramesAndSingleElements()
{
    UpdateRig rig;
    const QByteArray base = rig.http.url(u"/dl"_s).toUtf8();
    rig.http.pages[u"/first"_s] = {"<html><body><p>Sin valores</p></body></html>", 0};
    rig.http.pages[u"/second"_s] = {ValuesPage("01.00.17", base + "/second"), 0};
    rig.http.pages[u"/frameset"_s] = {"<frameset><frame src='/first'><frame src='/second'>", 0};
    // With an inline frame the values in the top document are not looked at, nor is a value
    // that is no element's value or that two elements hold.
    rig.http.pages[u"/inline"_s] = {
        ValuesPage("02.00.00", base).replace("</form>", "</form><iframe src='/first'></iframe>"),
        0};
    rig.http.pages[u"/div"_s] = {"<div id=version>02.00.00</div><input name=version>", 0};
    rig.boxes.answer(QMessageBox::Yes);
    QVERIFY(rig.check(u"/frameset"_s));
    // Frames may finish after the top page: read again once they are surely there.
    if (rig.boxes.shown.isEmpty()) {
        QTest::qWait(500);
        QVERIFY(rig.check());
    }
    QCOMPARE(rig.shell.opened, QList<QUrl>{QUrl(QString::fromUtf8(base + "/second/revision.zip"))});
    for (const QString& path : {u"/inline"_s, u"/div"_s}) {
        QVERIFY(rig.check(path));
        QTest::qWait(300);
        QVERIFY(rig.check());
    }
    QCOMPARE(rig.boxes.shown.size(), 1);
}

void TestOnline::aLatePageIsReadByTheButtonWithoutReloading()
{
    UpdateRig rig;
    rig.http.pages[u"/slow"_s] = {ValuesPage("01.00.17", "http://x.example"), 1500};
    QSignalSpy finished(rig.page, &QWebEnginePage::loadFinished);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(rig.check(u"/slow"_s, 200));
    QVERIFY(clock.elapsed() < 1400 && rig.boxes.shown.isEmpty());
    QVERIFY(finished.wait(10000));
    rig.boxes.answer(QMessageBox::No);
    QVERIFY(rig.check());
    QCOMPARE(rig.boxes.shown.size(), 1);
    QCOMPARE(rig.http.requested.size(), 1);
    QVERIFY(rig.check(u"http://127.0.0.1:%1/version.asp"_s.arg(FreePort()))); // nobody there
    QCOMPARE(rig.boxes.shown.size(), 1);
}

void TestOnline::bannerShowsTheSiteOrElseItsOwnPage_data()
{
    QTest::addColumn<QString>("site");
    QTest::newRow("offline") << QString();
    QTest::newRow("site answers") << u"/ok"_s;
    QTest::newRow("no answer") << u"silent"_s;
    QTest::newRow("HTTP error") << u"/404"_s;
    QTest::newRow("HTTP error with a page of its own") << u"/500"_s;
    QTest::newRow("nobody listening") << u"closed"_s;
    QTest::newRow("page cannot be written") << u"folder"_s;
}

void TestOnline::bannerShowsTheSiteOrElseItsOwnPage()
{
    QFETCH(QString, site);
    TempProgramFolder folder;
    const QString page = folder.filePath(u"banner.html"_s);
    const QByteArray old = QByteArray("una página anterior, más larga").repeated(50);
    HttpFixture http;
    http.pages[u"/ok"_s] = {"<html><body>Portada Korvalis</body></html>", 0};
    // A server's own error page, as real servers send: a body the engine shows all the same.
    http.errors[u"/500"_s] = {"HTTP/1.0 500 Error",
                              "<html><body>Error interno del servidor</body></html>"};
    QTcpServer silent; // takes connections and requests and never says a word
    QList<QTcpSocket*> held;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    connect(&silent, &QTcpServer::newConnection, [&] { held << silent.nextPendingConnection(); });
    Module1::SiteUrl = site == u"silent"_s   ? u"http://127.0.0.1:%1/"_s.arg(silent.serverPort())
                       : site == u"closed"_s ? u"http://127.0.0.1:%1/"_s.arg(FreePort())
                                             : http.url(site);
    Module1::SponsorShopUrl = u"http://shop.example/tienda/"_s;
    QVERIFY(site == u"folder"_s ? QDir(folder.path()).mkdir(u"banner.html"_s)
                                : (TempProgramFolder::writeFile(page, old), true));
    platform::FixedNetworkPresence network(!site.isEmpty() && site != u"folder"_s);
    Frmpublicidad banner(folder.path());
    // The wait for the site: only a site that never answers lets it run out; an error is told
    // by the engine at once.
    QTimer* wait = nullptr;
    for (QTimer* timer : banner.findChildren<QTimer*>())
        if (timer->interval() == Frmpublicidad::SiteAnswerTimeoutMs)
            wait = timer;
    QVERIFY(wait);
    QSignalSpy waitedOut(wait, &QTimer::timeout);
    banner.show();
    const QUrl shown = site == u"/ok"_s      ? QUrl(Module1::SiteUrl)
                       : site == u"folder"_s ? QUrl()
                                             : QUrl::fromLocalFile(page);
    QTRY_COMPARE_WITH_TIMEOUT(banner.web_publicidad()->url(), shown,
                              Frmpublicidad::SiteAnswerTimeoutMs + 10000);
    // A site that answered in time keeps its page, and nothing is written for it.
    QTest::qWait(site == u"/ok"_s ? Frmpublicidad::SiteAnswerTimeoutMs + 500 : 300);
    QCOMPARE(banner.web_publicidad()->url(), shown);
    QCOMPARE(held.isEmpty(), site != u"silent"_s);
    QCOMPARE(waitedOut.size(), site == u"silent"_s ? 1 : 0);
    if (site == u"/ok"_s || site == u"folder"_s)
        QVERIFY(QFileInfo(page).isDir() || TempProgramFolder::readFile(page) == old);
    else
        QCOMPARE(TempProgramFolder::readFile(page),
                 QByteArray("<html><head>    <title>Korvalis</title></head>"
                            "<body leftmargin=0 marginwidth=0 topmargin=0 marginheigt=0 >"
                            "<table border=0 align=center ><tr><td align=center><b>"
                            "<font face='verdana' color='0000ff'>Visite nuestro Patrocinador"
                            "</font></b></td></tr><tr><td align=center><a "
                            "href='http://shop.example/tienda/' target='_blank'><img "
                            "src='banner3.gif' border=0 alt='Tindaro, Tu tienda virtual en "
                            "solo 1 Hora'></a></td></tr></table></body></html>\r\n"));
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
    // A real SMTP server on 127.0.0.1 keeping each message in a maildir, and msmtp relaying to it.
    QTemporaryDir dir;
    const quint16 port = FreePort();
    QProcess smtp;
    for (const QString& sub : {u"mail/new"_s, u"mail/cur"_s, u"mail/tmp"_s})
        QDir(dir.path()).mkpath(sub);
    smtp.start(u"/usr/bin/python3"_s,
               {u"-m"_s, u"aiosmtpd"_s, u"-n"_s, u"-l"_s, u"127.0.0.1:%1"_s.arg(port), u"-c"_s,
                u"aiosmtpd.handlers.Mailbox"_s, dir.filePath(u"mail"_s)});
    const auto listening = [&] {
        QTcpSocket s;
        s.connectToHost(u"127.0.0.1"_s, port);
        return s.waitForConnected(200) || smtp.state() == QProcess::NotRunning;
    };
    if (!QTest::qWaitFor(listening, 20000) || smtp.state() == QProcess::NotRunning ||
        Msmtp(dir, port).value(0).isEmpty())
        QSKIP("needs the Debian packages msmtp and python3-aiosmtpd");
    MapiSession::setDefaultCommand(Msmtp(dir, port));
    TempProgramFolder folder;
    const SampleLibrary l(folder);
    Module1::SubmissionAddress = u"scripts@korvalis.example; dos@korvalis.example"_s;
    // Listed but gone from disk, outside the folder, or with a line break in its name: never
    // attached. A quote travels in the header's own encoding.
    const QString quoted = u"o\"brien \"ñ\".gif"_s, broken = u"x\r\nBcc: i@korvalis.example\r\n"_s;
    for (const QString& name : {u"borrado.js"_s, u"../fuera.txt"_s, quoted, broken})
        folder.addFile(l.reloj, name);
    for (const QString& name : {quoted, broken})
        folder.writeResource(name, "GIF89a");
    TempProgramFolder::writeFile(folder.filePath(u"fuera.txt"_s), "secreto");
    TempProgramFolder::writeFile(folder.filePath(u"js.htm"_s), "otro script"); // last previewed
    QVERIFY(QDir(folder.resourcesPath()).mkdir(u"carpeta.gif"_s));             // not a regular file
    folder.addFile(l.reloj, u"carpeta.gif"_s);
    auto store = library::LibraryStore::open(folder.libraryPath());
    const QDir box(dir.filePath(u"mail/new"_s));
    {
        // The files that cannot go are named first, and declining sends nothing.
        platform::ScriptedMessageBoxes boxes;
        frmenviarscript window(*store, folder.paths(), QString::number(l.reloj));
        window.show();
        boxes.answer(QMessageBox::No);
        QTest::mouseClick(window.boton_enviar(), Qt::LeftButton);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].defaultButton, QMessageBox::No);
        QCOMPARE(boxes.shown[0].text,
                 u"Estos ficheros relacionados del script no se pueden adjuntar:\n\n"
                 "    borrado.js: no está en la carpeta de la biblioteca\n"
                 "    ../fuera.txt: su nombre no es válido\n"
                 "    x Bcc: i@korvalis.example: su nombre no es válido\n"
                 "    carpeta.gif: no es un fichero normal\n\n"
                 "¿Desea enviar el script con los demás? El texto del correo los nombra todos y "
                 "marca los que no van adjuntos."_s);
        QVERIFY(window.isVisible() && window.boton_enviar()->isEnabled());
        QCOMPARE(window.Label1()->text(), u"¡ Colabore con todos los usuarios de Korvalis !"_s);
        QTest::qWait(500);
        QVERIFY(box.entryList(QDir::Files).isEmpty());
        // Going on sends the rest.
        boxes.answer(QMessageBox::Yes);
        QTest::mouseClick(window.boton_enviar(), Qt::LeftButton);
        QCOMPARE(boxes.shown.size(), 2);
        QVERIFY2(window.Label1()->text() == u"El script ha sido enviado"_s,
                 qPrintable(window.Label2()->text()));
        QCOMPARE(window.Label2()->text(), u"Gracias por su colaboracion"_s);
        QVERIFY(!window.isVisible() && !window.MapiSess().isSignedOn());
    }
    const QByteArray page = TempProgramFolder::readFile(folder.filePath(u"js.htm"_s));
    QVERIFY(page.contains("Reloj digital"));
    QTRY_COMPARE_WITH_TIMEOUT(int(box.entryList(QDir::Files).size()), 1, 15000);
    const ParsedMail mail =
        ParseMail(TempProgramFolder::readFile(box.filePath(box.entryList(QDir::Files)[0])));
    QCOMPARE(mail.subject, u"Nuevo Script Korvalis: Reloj digital"_s);
    QCOMPARE(mail.rcptTo, QByteArray("scripts@korvalis.example, dos@korvalis.example"));
    // The text keeps every name, and marks those not attached.
    const QByteArray text = mail.parts.value(0).value(2);
    QVERIFY2(text.endsWith("<----- Ficheros ----->\r\nreloj.gif\r\nborrado.js (no adjuntado)\r\n"
                           "../fuera.txt (no adjuntado)\r\n" +
                           quoted.toUtf8() + "\r\n" + broken.toUtf8() +
                           " (no adjuntado)\r\ncarpeta.gif (no adjuntado)\r\n"
                           "<----- Ficheros ----->\r\n"),
             text.constData());
    QCOMPARE(text, SubmissionBody(*store->script(l.reloj),
                                  {u"reloj.gif"_s, u"borrado.js"_s, u"../fuera.txt"_s, quoted,
                                   broken, u"carpeta.gif"_s},
                                  {u"borrado.js"_s, u"../fuera.txt"_s, broken, u"carpeta.gif"_s})
                       .toUtf8());
    QList<QByteArrayList> attached;
    for (const QByteArrayList& part : mail.parts.mid(1))
        attached << QByteArrayList{part[0], part[2]};
    QCOMPARE(attached,
             (QList<QByteArrayList>{
                 {"reloj.gif", "GIF89a-reloj"}, {quoted.toUtf8(), "GIF89a"}, {"js.htm", page}}));
    smtp.kill();
    smtp.waitForFinished();
}

void TestOnline::failingMailSystemLeavesTheWindowWithTheReason()
{
    TempProgramFolder folder;
    const SampleLibrary l(folder);
    auto store = library::LibraryStore::open(folder.libraryPath());
    QTemporaryDir dir;
    const QString fails = u"cat >/dev/null; echo 'servidor fuera de servicio' >&2; exit 75"_s;
    const QString deep = u"/no/"_s + QString(u"carpeta_muy_larga/"_s).repeated(8) + u"sendmail"_s;
    // The reason follows the fixed caption; a real mail command whose server is not there
    // gives its own words and exit status.
    const std::tuple<QStringList, QString, QString> cases[] = {
        {{u"/bin/sh"_s, u"-c"_s, fails}, u"s@k.example"_s, u": servidor fuera de servicio 75"_s},
        {{u"/no/sendmail"_s},
         u"s@k.example"_s,
         u": No se encuentra el sistema de correo (/no/sendmail) 32003"_s},
        {{deep}, u"s@k.example"_s, u": No se encuentra el sistema de correo ("_s + deep + u") "_s},
        {{u"/bin/cat"_s}, u"Juan Pérez"_s, u": Destinatario desconocido: \"Juan Pérez\" 32014"_s},
        {Msmtp(dir, FreePort()), u"s@k.example"_s, u": msmtp"_s}};
    for (const auto& [command, address, reason] : cases) {
        if (command.value(0).isEmpty())
            continue; // msmtp is not installed
        MapiSession::setDefaultCommand(command);
        Module1::SubmissionAddress = address;
        frmenviarscript window(*store, folder.paths(), QString::number(l.reloj));
        window.show();
        QTest::mouseClick(window.boton_enviar(), Qt::LeftButton);
        QLabel* label = window.Label2();
        const QString whole = label->accessibleName();
        const QString line = window.Label1()->text() + u'|' + whole;
        QVERIFY2(line.startsWith(u"El script NO ha sido enviado|Un error a ocurrido durante el "
                                 u"envio"_s +
                                 reason) &&
                     line.section(u' ', -1).toInt() > 0,
                 qPrintable(line));
        // Shown in lines broken at spaces only, each within the label, all of them in view; a
        // path too long for a line is shortened in its middle, never split.
        const QStringList shown = label->text().split(u'\n');
        const QStringList words = whole.split(QRegularExpression(u"\\s+"_s));
        for (const QString& shownLine : shown) {
            QVERIFY2(label->fontMetrics().horizontalAdvance(shownLine) <=
                         label->contentsRect().width(),
                     qPrintable(shownLine));
            for (const QString& word : shownLine.split(u' '))
                QVERIFY2(words.contains(word) || word.contains(u'…'), qPrintable(word));
        }
        QVERIFY(shown.size() * label->fontMetrics().lineSpacing() <= label->height());
        QVERIFY(window.isVisible() && !window.boton_enviar()->isEnabled());
        window.close();
        QVERIFY(!window.MapiSess().isSignedOn());
    }
}

void TestOnline::submissionWindowNamesTheScriptAndClosesWithoutSending()
{
    TempProgramFolder folder;
    const SampleLibrary l(folder);
    auto store = library::LibraryStore::open(folder.libraryPath());
    QTemporaryDir dir;
    // A mail command that leaves a mark when it is run at all.
    const QString mark = dir.filePath(u"enviado"_s);
    MapiSession::setDefaultCommand({u"/bin/sh"_s, u"-c"_s, u"cat > '%1'"_s.arg(mark)});
    Module1::SubmissionAddress = u"s@k.example"_s;
    for (bool byKey : {false, true}) {
        frmenviarscript window(*store, folder.paths(), QString::number(l.menu));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.Label_script()->text(), u"Script: Menú d'O'Brien"_s);
        if (byKey)
            QTest::keyClick(&window, Qt::Key_Escape);
        else
            QTest::mouseClick(window.boton_cerrar(), Qt::LeftButton);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Rejected));
        QVERIFY(!window.MapiSess().isSignedOn());
    }
    QVERIFY(!QFile::exists(mark));
}

QTEST_MAIN(TestOnline)
#include "test_online.moc"
