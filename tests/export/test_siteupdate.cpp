// The site update with its pages read, edited and written on several threads: the report
// keeps the scan's order whatever order the pages finish in, a page changed since the scan
// is updated with the library read again, and a stop leaves every page not reported as it
// was.

#include "export/sitepages.h"
#include "export/siteupdate.h"
#include "library/librarystore.h"
#include "tests/export/sitefixture.h"

#include <QtTest>

using namespace exporting;

class TestSiteUpdate : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void reportKeepsTheScanOrder();
    void stopLeavesTheRestAsTheyWere();
};

namespace {

// A page of about `size` bytes holding an old block of `id`.
QString bigPage(const SiteFixture& f, const QString& name, qint64 id, qsizetype size)
{
    const QString path = f.page(name, {id});
    QByteArray bytes = TempProgramFolder::readFile(path);
    const QByteArray filler = "<p>relleno relleno relleno relleno</p>\n";
    QByteArray body;
    while (body.size() < size)
        body += filler;
    bytes.replace("<body>\n", "<body>\n" + body);
    TempProgramFolder::writeFile(path, bytes);
    return path;
}

QStringList paths(const QList<PageOutcome>& pages)
{
    QStringList all;
    for (const PageOutcome& p : pages)
        all << p.path;
    return all;
}

} // namespace

void TestSiteUpdate::reportKeepsTheScanOrder()
{
    SiteFixture f;
    // The first pages are large and finish late; the later ones are small.
    for (int i = 0; i < 24; ++i)
        bigPage(f, QStringLiteral("p%1.html").arg(i, 2, 10, QLatin1Char('0')), f.nieve,
                i < 4 ? 4 << 20 : 1 << 10);
    auto store = library::LibraryStore::open(f.folder.libraryPath());
    const SiteScan scan = findSitePages(f.site.path(), {});
    QCOMPARE(scan.pages.size(), 24);
    // After the scan one page goes away and another gains the clock's block, which the
    // scan did not name.
    QFile::remove(f.path(QStringLiteral("p05.html")));
    f.page(QStringLiteral("p07.html"), {f.lib.reloj, f.nieve});
    SiteUpdater updater(*store, f.folder.paths(), {});
    QList<int> done;
    const SiteReport report = updateSite(updater, scan, [&](int n, const PageOutcome&) {
        done << n;
        return true;
    });
    QStringList scanned;
    for (const SitePage& p : scan.pages)
        scanned << p.path;
    QCOMPARE(paths(report.pages), scanned);
    QCOMPARE(done.size(), 24);
    QCOMPARE(done.last(), 24);
    QVERIFY(std::is_sorted(done.begin(), done.end()));
    QCOMPARE(report.notReached, 0);
    for (int i = 0; i < 24; ++i) {
        const PageOutcome& p = report.pages[i];
        if (i == 5) {
            QCOMPARE(p.status, PageOutcome::Status::Refused);
            QCOMPARE(p.reason, QStringLiteral("La página ya no existe."));
            QVERIFY(!QFileInfo::exists(p.path));
            continue;
        }
        QVERIFY2(p.status == PageOutcome::Status::Updated, qPrintable(p.path + p.reason));
        const QByteArray bytes = TempProgramFolder::readFile(p.path);
        QVERIFY(bytes.contains("nieve()") && !bytes.contains("viejo()"));
        QCOMPARE(bytes.contains(headBeginMarker(f.lib.reloj)), i == 7);
    }
    QCOMPARE(TempProgramFolder::readFile(f.path(QStringLiteral("resources/copo.png"))),
             QByteArray("PNG copo"));
}

void TestSiteUpdate::stopLeavesTheRestAsTheyWere()
{
    SiteFixture f;
    QMap<QString, QByteArray> before;
    for (int i = 0; i < 40; ++i) {
        const QString path = bigPage(f, QStringLiteral("p%1.html").arg(i, 2, 10, QLatin1Char('0')),
                                     f.nieve, 64 << 10);
        before[path] = TempProgramFolder::readFile(path);
    }
    auto store = library::LibraryStore::open(f.folder.libraryPath());
    const SiteScan scan = findSitePages(f.site.path(), {});
    SiteUpdater updater(*store, f.folder.paths(), {});
    const SiteReport report =
        updateSite(updater, scan, [](int n, const PageOutcome&) { return n < 3; });
    // The pages already being written when the stop came are finished and reported.
    QVERIFY2(report.pages.size() >= 3 && report.pages.size() < 40,
             qPrintable(QString::number(report.pages.size())));
    QCOMPARE(report.notReached, 40 - int(report.pages.size()));
    const QStringList written = paths(report.pages);
    const QSet<QString> reported(written.begin(), written.end());
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const QByteArray now = TempProgramFolder::readFile(it.key());
        if (reported.contains(it.key()))
            QVERIFY(now.contains("nieve()") && !now.contains("viejo()"));
        else
            QCOMPARE(now, it.value());
    }
}

QTEST_GUILESS_MAIN(TestSiteUpdate)
#include "test_siteupdate.moc"
