#include "app/module1.h"
#include "browser/guardedpage.h"
#include "browser/twips.h"
#include "online/banner.h"
#include "online/frmpublicidad.h"
#include "platform/network.h"
#include "tests/online/httpfixture.h"
#include "tests/support/tempprogramfolder.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebEngineView>
#include <QtTest>

namespace {

QString PageText(QWebEnginePage* page)
{
    QString text;
    bool done = false;
    page->toPlainText([&](const QString& t) {
        text = t;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 5000))
        return QString();
    return text;
}

} // namespace

class TestBanner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void offlineBannerWritesAndShowsItsOwnPage();
    void onlineBannerShowsTheSiteAndLeavesNoFile();
    void siteThatFailsGivesTheOfflinePage_data();
    void siteThatFailsGivesTheOfflinePage();
    void bannerIsNotBrokenByAPageThatCannotBeWritten();
    void timerShowsTheBannerOnEverySecondTick();
    void networkTestSeesNoNetworkWithOnlyLoopback();
};

void TestBanner::offlineBannerWritesAndShowsItsOwnPage()
{
    TempProgramFolder folder;
    platform::FixedNetworkPresence offline(false);
    const QString page = folder.filePath(QStringLiteral("banner.html"));
    TempProgramFolder::writeFile(page, "<html>antigua</html>");
    Frmpublicidad banner;
    QCOMPARE(banner.windowTitle(), QStringLiteral("Korvalis"));
    QVERIFY(banner.isModal());
    const int dpi = twips::dpiOf(&banner);
    QCOMPARE(banner.size(), QSize(qRound(7380.0 * dpi / 1440), qRound(1395.0 * dpi / 1440)));
    QCOMPARE(banner.findChild<QWebEngineView*>(QStringLiteral("web_publicidad")),
             banner.web_publicidad);
    QCOMPARE(banner.web_publicidad->geometry(),
             QRect(0, 0, qRound(7335.0 * dpi / 1440), qRound(1335.0 * dpi / 1440)));
    QVERIFY(qobject_cast<GuardedPage*>(banner.web_publicidad->page()));

    QCOMPARE(TempProgramFolder::readFile(page), online::BannerPage(Module1::SponsorShopUrl));
    banner.show();
    QTRY_COMPARE(banner.web_publicidad->url(), QUrl::fromLocalFile(page));
    QTRY_VERIFY_WITH_TIMEOUT(PageText(banner.web_publicidad->page())
                                 .contains(QStringLiteral("Visite nuestro Patrocinador")),
                             10000);

    // The browser's page for an unknown server is refused, in this exact case only.
    banner.web_publicidad->load(QUrl(QStringLiteral("file:///tmp/dnserror.htm")));
    QTest::qWait(500);
    QCOMPARE(banner.web_publicidad->url(), QUrl::fromLocalFile(page));
    QVERIFY(GuardedPage::IsBlockedAddress(QUrl(QStringLiteral("res://ieframe.dll/dnserror.htm"))));
    QVERIFY(!GuardedPage::IsBlockedAddress(QUrl(QStringLiteral("http://127.0.0.1/DNSERROR.htm"))));
    QVERIFY(!GuardedPage::IsBlockedAddress(QUrl(QStringLiteral("http://127.0.0.1/DnsError.htm"))));
}

void TestBanner::onlineBannerShowsTheSiteAndLeavesNoFile()
{
    TempProgramFolder folder;
    HttpFixture http;
    http.setPage(QStringLiteral("/korvalis/index.asp"),
                 "<html><body>Portada Korvalis</body></html>");
    Module1::SiteUrl = http.url(QStringLiteral("/korvalis/index.asp")).toString();
    platform::FixedNetworkPresence online(true);
    Frmpublicidad banner;
    banner.show();
    QTRY_VERIFY_WITH_TIMEOUT(
        PageText(banner.web_publicidad->page()).contains(QStringLiteral("Portada Korvalis")),
        10000);
    QCOMPARE(http.requested, QStringList{QStringLiteral("/korvalis/index.asp")});
    // A site that answered in time keeps its page.
    QTest::qWait(Frmpublicidad::SiteAnswerTimeoutMs + 500);
    QVERIFY(PageText(banner.web_publicidad->page()).contains(QStringLiteral("Portada Korvalis")));
    QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("banner.html"))));
}

void TestBanner::siteThatFailsGivesTheOfflinePage_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("no answer") << QStringLiteral("silent");
    QTest::newRow("HTTP error") << QStringLiteral("404");
    QTest::newRow("nobody listening") << QStringLiteral("closed");
}

void TestBanner::siteThatFailsGivesTheOfflinePage()
{
    QFETCH(QString, failure);
    TempProgramFolder folder;
    HttpFixture http;
    // A server that takes connections and requests and never says a word.
    QTcpServer silent;
    QList<QTcpSocket*> held;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    connect(&silent, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* s = silent.nextPendingConnection())
            held.append(s);
    });
    if (failure == QLatin1String("silent")) {
        Module1::SiteUrl =
            QStringLiteral("http://127.0.0.1:%1/korvalis/index.asp").arg(silent.serverPort());
    } else if (failure == QLatin1String("404")) {
        Module1::SiteUrl = http.url(QStringLiteral("/korvalis/index.asp")).toString();
    } else {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        Module1::SiteUrl =
            QStringLiteral("http://127.0.0.1:%1/korvalis/index.asp").arg(probe.serverPort());
    }
    platform::FixedNetworkPresence online(true);
    Frmpublicidad banner;
    banner.show();
    QTRY_VERIFY_WITH_TIMEOUT(PageText(banner.web_publicidad->page())
                                 .contains(QStringLiteral("Visite nuestro Patrocinador")),
                             Frmpublicidad::SiteAnswerTimeoutMs + 10000);
    QCOMPARE(banner.web_publicidad->url(),
             QUrl::fromLocalFile(folder.filePath(QStringLiteral("banner.html"))));
    QCOMPARE(TempProgramFolder::readFile(folder.filePath(QStringLiteral("banner.html"))),
             online::BannerPage(Module1::SponsorShopUrl));
    if (failure == QLatin1String("silent"))
        QVERIFY(!held.isEmpty());
}

void TestBanner::bannerIsNotBrokenByAPageThatCannotBeWritten()
{
    TempProgramFolder folder;
    platform::FixedNetworkPresence offline(false);
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("banner.html")));
    Frmpublicidad banner;
    banner.show();
    QTest::qWait(300);
    QVERIFY(banner.web_publicidad->url().isEmpty());
    QVERIFY(QFileInfo(folder.filePath(QStringLiteral("banner.html"))).isDir());
}

void TestBanner::timerShowsTheBannerOnEverySecondTick()
{
    TempProgramFolder folder;
    platform::FixedNetworkPresence offline(false);
    Module1::BannerTickCount = 0;
    Module1::BannerTickLimit = 1;
    QWidget owner;
    owner.show();
    int shown = 0;
    // Closes the banner when it comes up, after a tick that arrives while it is open.
    auto closeWhenOpen = [&] {
        QTimer::singleShot(200, [&] {
            auto* banner = qobject_cast<Frmpublicidad*>(QApplication::activeModalWidget());
            if (!banner)
                return;
            ++shown;
            online::ShowBannerOnTick(&owner); // a tick while open: not acted on
            banner->close();
        });
    };
    const QList<bool> expected{false, true, false, true, false, true};
    for (bool comes : expected) {
        const int before = shown;
        closeWhenOpen();
        online::ShowBannerOnTick(&owner);
        QTest::qWait(300);
        QCOMPARE(shown - before, comes ? 1 : 0);
        QVERIFY(!QApplication::activeModalWidget());
    }
    QVERIFY(owner.findChildren<Frmpublicidad*>().isEmpty());
}

void TestBanner::networkTestSeesNoNetworkWithOnlyLoopback()
{
    const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
    if (unshare.isEmpty())
        QSKIP("unshare is not installed: cannot make a namespace with only loopback");
    QProcess inside;
    inside.start(unshare, {QStringLiteral("-n"), QStringLiteral(KORVALIS_NETWORK_PROBE)});
    QVERIFY(inside.waitForFinished(20000));
    if (inside.exitCode() != 0)
        QSKIP(qPrintable(QStringLiteral("cannot enter a new network namespace (needs root): ") +
                         QString::fromLocal8Bit(inside.readAllStandardError())));
    QCOMPARE(inside.readAllStandardOutput().trimmed(), QByteArray("no network"));

    // Outside, the probe agrees with the program's own test.
    QProcess outside;
    outside.start(QStringLiteral(KORVALIS_NETWORK_PROBE), {});
    QVERIFY(outside.waitForFinished(20000));
    QCOMPARE(outside.readAllStandardOutput().trimmed(),
             platform::InterfaceNetworkPresence().hasNetwork() ? QByteArray("network")
                                                               : QByteArray("no network"));
}

QTEST_MAIN(TestBanner)
#include "test_banner.moc"
