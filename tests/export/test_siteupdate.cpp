#include "export/exportscript.h"
#include "export/pageedit.h"
#include "export/sitepages.h"
#include "export/siteupdate.h"
#include "library/librarystore.h"
#include "tests/support/permissionsenforced.h"
#include "tests/support/tempprogramfolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace exporting;

namespace {

const QByteArray PlainPage = "<html>\n<head><title>Sitio</title></head>\n<body>\n<p>Hola</p>\n"
                             "</body>\n</html>\n";
const QDateTime LongAgo = QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);

// A library with two scripts, each with a related file, and a site folder beside it.
struct Site
{
    TempProgramFolder folder;
    QTemporaryDir dir;
    qint64 a = 0;
    qint64 b = 0;
    std::unique_ptr<library::LibraryStore> store;

    Site()
    {
        library::Script s;
        s.idCategoria = folder.addCategory(0, QStringLiteral("Efectos"));
        s.idTipo = folder.addType(QStringLiteral("Efecto"));
        s.nombre = QStringLiteral("Reloj");
        s.scriptHead = QStringLiteral("<script>var reloj = 1;</script>");
        s.scriptBody = QStringLiteral("onload=\"reloj()\"");
        s.scriptHtml = QStringLiteral("<div id=\"reloj\"></div>");
        a = folder.addScript(s);
        folder.addFile(a, QStringLiteral("reloj.gif"));
        folder.writeResource(QStringLiteral("reloj.gif"), "GIF89a reloj");
        s.nombre = QStringLiteral("Nieve");
        s.scriptHead = QStringLiteral("<script>var nieve = 1;</script>");
        s.scriptBody.clear();
        s.scriptHtml.clear();
        b = folder.addScript(s);
        folder.addFile(b, QStringLiteral("copo.png"));
        folder.writeResource(QStringLiteral("copo.png"), "PNG copo");
        folder.closeLibrary();
        store = library::LibraryStore::open(folder.libraryPath());
    }

    QString path(const QString& relative) const { return dir.filePath(relative); }

    // A page at `relative` into which the export itself wrote the scripts.
    QString exportedPage(const QString& relative, const QList<qint64>& ids)
    {
        const QString page = path(relative);
        QDir().mkpath(QFileInfo(page).absolutePath());
        TempProgramFolder::writeFile(page, PlainPage);
        for (const qint64 id : ids) {
            const ExportReport r = exportScript(*store, id, page);
            if (r.status != ExportReport::Status::Done)
                qWarning("export failed: %s", qPrintable(r.message));
        }
        return page;
    }

    // Gives the script new head code, so that pages holding it are out of date.
    void changeHead(qint64 id, const QString& head)
    {
        library::Script s = *store->script(id);
        s.scriptHead = head;
        QStringList files;
        for (const library::RelatedFile& f : store->relatedFiles(id))
            files.append(f.nombre);
        store->saveScript(s, files);
    }

    SiteReport update(const QList<qint64>& wanted)
    {
        SiteUpdater updater(*store, wanted);
        return updateSite(updater, findSitePages(dir.path(), wanted));
    }
};

QStringList relativePaths(const SiteScan& scan)
{
    QStringList paths;
    for (const SitePage& p : scan.pages)
        paths.append(QDir(scan.folder).relativeFilePath(p.path));
    return paths;
}

const PageOutcome* outcomeOf(const SiteReport& report, const QString& path)
{
    for (const PageOutcome& o : report.pages) {
        if (o.path == path)
            return &o;
    }
    return nullptr;
}

void makeOld(const QString& path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(LongAgo, QFileDevice::FileModificationTime));
}

bool untouched(const QString& path)
{
    return QFileInfo(path).lastModified().toUTC() == LongAgo;
}

// Counts the times a file of `folder` named `name` is put in place by a rename, which is how
// every page and copy is replaced.
class Replacements
{
public:
    explicit Replacements(const QString& folder)
    {
        fd_ = inotify_init1(IN_NONBLOCK);
        inotify_add_watch(fd_, QFile::encodeName(folder).constData(), IN_MOVED_TO | IN_CREATE);
    }
    ~Replacements() { close(fd_); }
    int of(const QString& name)
    {
        alignas(inotify_event) char buffer[64 * 1024];
        for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;) {
            for (char* p = buffer; p < buffer + n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(p);
                if (e->len > 0 && (e->mask & IN_MOVED_TO))
                    counts_[QFile::decodeName(e->name)] += 1;
                p += sizeof(inotify_event) + e->len;
            }
        }
        return counts_.value(name);
    }

private:
    int fd_ = -1;
    QHash<QString, int> counts_;
};

} // namespace

class TestSiteUpdate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void markerIdsAreTheExportsMarkers_data();
    void markerIdsAreTheExportsMarkers();
    void findsMarkedPagesInNestedFoldersAndNothingElse();
    void unreadablePagesAreReportedAndTheRestStillGo();
    void outdatedPagesAreUpdatedAndASecondRunWritesNothing();
    void refusedPageBetweenTwoGoodOnesKeepsItsBytes();
    void pageWhoseFilesCannotBeCopiedKeepsItsBytes();
    void pageWithTwoScriptsIsReadAndWrittenOnce();
    void idMissingFromTheLibraryIsReportedAndLeftAlone();
};

void TestSiteUpdate::markerIdsAreTheExportsMarkers_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QList<qint64>>("ids");
    const QByteArray body = "<html><body>\n";
    QTest::newRow("none") << body + "<!-- a comment --><!-- id=3 -->" << QList<qint64>{};
    QTest::newRow("head and html of two scripts")
        << "<html>" + headBeginMarker(12) + "x" + headEndMarker(12) + "<body>" +
               htmlBeginMarker(3) + "y" + htmlEndMarker(3)
        << QList<qint64>{3, 12};
    QTest::newRow("id 1 is not id 12")
        << body + headBeginMarker(12) + headEndMarker(12) << QList<qint64>{12};
    QTest::newRow("letter case ignored")
        << body + headBeginMarker(5).toUpper() + headEndMarker(5).toLower() << QList<qint64>{5};
    QTest::newRow("a lone end marker still says the page holds the script")
        << body + htmlEndMarker(8) << QList<qint64>{8};
    QTest::newRow("not a marker: padded id, unclosed, no digits")
        << body + "<!-- Beginning of JavaScript id=007 --><!-- End of JavaScript id=9"
                  "<!-- End of JavaScript id= -->"
        << QList<qint64>{};
    QTest::newRow("marker at the very end, cut short")
        << body + headBeginMarker(4).left(20) << QList<qint64>{};
}

void TestSiteUpdate::markerIdsAreTheExportsMarkers()
{
    QFETCH(QByteArray, page);
    QFETCH(QList<qint64>, ids);
    QCOMPARE(markedScriptIds(page), ids);
}

void TestSiteUpdate::findsMarkedPagesInNestedFoldersAndNothingElse()
{
    Site site;
    site.exportedPage(QStringLiteral("index.html"), {site.a});
    site.exportedPage(QStringLiteral("blog/2024/entrada.HTM"), {site.a});
    site.exportedPage(QStringLiteral("blog/Nieve.Html"), {site.b});
    site.exportedPage(QStringLiteral(".git/copia.html"), {site.a});
    site.exportedPage(QStringLiteral("blog/.oculta.html"), {site.a});
    site.exportedPage(QStringLiteral("notas.txt"), {site.a});
    TempProgramFolder::writeFile(site.path(QStringLiteral("sin-script.html")), PlainPage);
    QDir().mkpath(site.path(QStringLiteral("carpeta.html")));
    // A loop of folder links, a link to a page outside, a link to a page inside, a FIFO.
    QVERIFY(QFile::link(site.dir.path(), site.path(QStringLiteral("blog/bucle"))));
    QVERIFY(QFile::link(site.path(QStringLiteral("blog")), site.path(QStringLiteral("atajo"))));
    QVERIFY(QFile::link(site.path(QStringLiteral("index.html")),
                        site.path(QStringLiteral("enlace.html"))));
    QVERIFY(mkfifo(QFile::encodeName(site.path(QStringLiteral("tubo.html"))).constData(), 0644) ==
            0);

    SiteScan scan = findSitePages(site.dir.path(), {site.a});
    QCOMPARE(relativePaths(scan),
             (QStringList{QStringLiteral("blog/2024/entrada.HTM"), QStringLiteral("index.html")}));
    QVERIFY(scan.unreadable.isEmpty());
    QCOMPARE(scan.pagesRead, 4); // index, entrada, Nieve, sin-script
    QCOMPARE(scan.pages[0].scriptIds, QList<qint64>{site.a});

    scan = findSitePages(site.dir.path(), {});
    QCOMPARE(relativePaths(scan),
             (QStringList{QStringLiteral("blog/2024/entrada.HTM"),
                          QStringLiteral("blog/Nieve.Html"), QStringLiteral("index.html")}));

    scan = findSitePages(site.path(QStringLiteral("no-existe")), {});
    QVERIFY(scan.pages.isEmpty());
    QCOMPARE(scan.unreadable.size(), 1);
}

void TestSiteUpdate::unreadablePagesAreReportedAndTheRestStillGo()
{
    Site site;
    const QString good = site.exportedPage(QStringLiteral("a.html"), {site.a});
    const QString locked = site.exportedPage(QStringLiteral("b.html"), {site.a});
    const QString inLockedFolder = site.exportedPage(QStringLiteral("cerrada/c.html"), {site.a});
    site.changeHead(site.a, QStringLiteral("<script>var reloj = 2;</script>"));
    const QByteArray lockedBytes = TempProgramFolder::readFile(locked);
    QFile::setPermissions(locked, QFileDevice::Permissions());
    QFile::setPermissions(site.path(QStringLiteral("cerrada")), QFileDevice::Permissions());

    SiteReport report;
    {
        PermissionsEnforced enforced;
        report = site.update({site.a});
    }
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::setPermissions(site.path(QStringLiteral("cerrada")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QCOMPARE(report.count(PageOutcome::Status::Updated), 1);
    QCOMPARE(report.count(PageOutcome::Status::Refused), 2);
    QVERIFY(TempProgramFolder::readFile(good).contains("reloj = 2"));
    QCOMPARE(TempProgramFolder::readFile(locked), lockedBytes);
    QVERIFY(!TempProgramFolder::readFile(inLockedFolder).contains("reloj = 2"));
    const PageOutcome* o = outcomeOf(report, locked);
    QVERIFY(o);
    QVERIFY2(o->reason.contains(QStringLiteral("No se puede leer la página")),
             qPrintable(o->reason));
    QVERIFY(outcomeOf(report, site.path(QStringLiteral("cerrada"))));
}

void TestSiteUpdate::outdatedPagesAreUpdatedAndASecondRunWritesNothing()
{
    Site site;
    const QString top = site.exportedPage(QStringLiteral("index.html"), {site.a});
    const QString nested = site.exportedPage(QStringLiteral("docs/guia.htm"), {site.a});
    const QByteArray oldTop = TempProgramFolder::readFile(top);
    site.changeHead(site.a, QStringLiteral("<script>var reloj = 2;</script>"));
    const QString current = site.exportedPage(QStringLiteral("docs/actual.html"), {site.a});
    const QString copy = site.path(QStringLiteral("docs/resources/reloj.gif"));
    for (const QString& path : {top, nested, current, copy})
        makeOld(path);

    SiteReport report = site.update({site.a});
    QCOMPARE(report.count(PageOutcome::Status::Updated), 2);
    QCOMPARE(report.count(PageOutcome::Status::UpToDate), 1);
    QCOMPARE(report.count(PageOutcome::Status::Refused), 0);
    for (const QString& path : {top, nested}) {
        const QByteArray bytes = TempProgramFolder::readFile(path);
        QVERIFY(bytes.contains("reloj = 2") && !bytes.contains("reloj = 1"));
    }
    // The same bytes as the export gives the old page.
    QTemporaryDir elsewhere;
    const QString byHand = elsewhere.filePath(QStringLiteral("index.html"));
    TempProgramFolder::writeFile(byHand, oldTop);
    QCOMPARE(exportScript(*site.store, site.a, byHand).status, ExportReport::Status::Done);
    QCOMPARE(TempProgramFolder::readFile(top), TempProgramFolder::readFile(byHand));
    QVERIFY(untouched(current));
    QVERIFY(untouched(copy));
    QCOMPARE(TempProgramFolder::readFile(site.path(QStringLiteral("resources/reloj.gif"))),
             QByteArray("GIF89a reloj"));

    // A related file missing beside a page is copied again, the page left alone.
    QFile::remove(copy);
    for (const QString& path : {top, nested, current})
        makeOld(path);
    report = site.update({});
    QCOMPARE(report.count(PageOutcome::Status::UpToDate), 3);
    for (const QString& path : {top, nested, current})
        QVERIFY2(untouched(path), qPrintable(path));
    QCOMPARE(TempProgramFolder::readFile(copy), QByteArray("GIF89a reloj"));
    makeOld(copy);
    report = site.update({});
    QCOMPARE(report.count(PageOutcome::Status::UpToDate), 3);
    QVERIFY(untouched(copy));
}

void TestSiteUpdate::refusedPageBetweenTwoGoodOnesKeepsItsBytes()
{
    Site site;
    const QString first = site.exportedPage(QStringLiteral("1.html"), {site.a});
    const QString broken = site.exportedPage(QStringLiteral("2.html"), {site.a});
    const QString last = site.exportedPage(QStringLiteral("3.html"), {site.a});
    const QString readOnly = site.exportedPage(QStringLiteral("4.html"), {site.a});
    // Someone cut the end marker of the HTML block by hand.
    QByteArray bytes = TempProgramFolder::readFile(broken);
    bytes.replace(htmlEndMarker(site.a), "");
    TempProgramFolder::writeFile(broken, bytes);
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
    const QByteArray readOnlyBytes = TempProgramFolder::readFile(readOnly);
    site.changeHead(site.a, QStringLiteral("<script>var reloj = 3;</script>"));

    const SiteReport report = site.update({site.a});
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(report.count(PageOutcome::Status::Updated), 2);
    QCOMPARE(report.count(PageOutcome::Status::Refused), 2);
    QVERIFY(TempProgramFolder::readFile(first).contains("reloj = 3"));
    QVERIFY(TempProgramFolder::readFile(last).contains("reloj = 3"));
    QCOMPARE(TempProgramFolder::readFile(broken), bytes);
    QCOMPARE(TempProgramFolder::readFile(readOnly), readOnlyBytes);
    QVERIFY(
        outcomeOf(report, broken)->reason.startsWith(QStringLiteral("Script %1: ").arg(site.a)));
    QVERIFY(outcomeOf(report, broken)->reason.contains(QStringLiteral("marca de comienzo")));
    QVERIFY(outcomeOf(report, readOnly)->reason.contains(QStringLiteral("sólo lectura")));
    QCOMPARE(QDir(site.dir.path()).entryList(QDir::Files).size(), 4); // no leftovers
}

void TestSiteUpdate::pageWhoseFilesCannotBeCopiedKeepsItsBytes()
{
    Site site;
    const QString page = site.exportedPage(QStringLiteral("sub/1.html"), {site.a});
    // A file stands where the page's resources folder must be: the copy cannot be made.
    const QString resources = site.path(QStringLiteral("sub/resources"));
    QVERIFY(QDir(resources).removeRecursively());
    TempProgramFolder::writeFile(resources, "no soy una carpeta");
    const QByteArray before = TempProgramFolder::readFile(page);
    site.changeHead(site.a, QStringLiteral("<script>var reloj = 4;</script>"));

    const SiteReport report = site.update({site.a});
    QCOMPARE(report.count(PageOutcome::Status::Refused), 1);
    // Never a page that points at files that did not arrive beside it.
    QCOMPARE(TempProgramFolder::readFile(page), before);
    QVERIFY(outcomeOf(report, page)->reason.contains(QStringLiteral("no se ha modificado")));
}

void TestSiteUpdate::pageWithTwoScriptsIsReadAndWrittenOnce()
{
    Site site;
    const QString both = site.exportedPage(QStringLiteral("ambos.html"), {site.a, site.b});
    const QString onlyB = site.exportedPage(QStringLiteral("nieve.html"), {site.b});
    site.changeHead(site.a, QStringLiteral("<script>var reloj = 4;</script>"));
    site.changeHead(site.b, QStringLiteral("<script>var nieve = 4;</script>"));

    // Asked for A only: B's block on the same page stays as it was.
    SiteReport report = site.update({site.a});
    QCOMPARE(report.pages.size(), 1);
    QByteArray bytes = TempProgramFolder::readFile(both);
    QVERIFY(bytes.contains("reloj = 4") && bytes.contains("nieve = 1"));
    QVERIFY(!TempProgramFolder::readFile(onlyB).contains("nieve = 4"));

    Replacements replaced(site.dir.path());
    site.changeHead(site.a, QStringLiteral("<script>var reloj = 5;</script>"));
    report = site.update({});
    QCOMPARE(report.count(PageOutcome::Status::Updated), 2);
    bytes = TempProgramFolder::readFile(both);
    QVERIFY(bytes.contains("reloj = 5") && bytes.contains("nieve = 4"));
    QCOMPARE(replaced.of(QStringLiteral("ambos.html")), 1);
    QCOMPARE(replaced.of(QStringLiteral("nieve.html")), 1);
    // Each script's files beside the page, copied once for the folder.
    QCOMPARE(TempProgramFolder::readFile(site.path(QStringLiteral("resources/copo.png"))),
             QByteArray("PNG copo"));
    QCOMPARE(TempProgramFolder::readFile(site.path(QStringLiteral("resources/reloj.gif"))),
             QByteArray("GIF89a reloj"));
}

void TestSiteUpdate::idMissingFromTheLibraryIsReportedAndLeftAlone()
{
    Site site;
    const QString mixed = site.exportedPage(QStringLiteral("mezcla.html"), {site.a});
    const QByteArray foreign =
        "\n" + headBeginMarker(999) + "\n<script>ajeno()</script>\n" + headEndMarker(999) + "\n";
    QByteArray bytes = TempProgramFolder::readFile(mixed);
    bytes.replace("<body", foreign + "<body");
    TempProgramFolder::writeFile(mixed, bytes);
    const QString onlyForeign = site.path(QStringLiteral("ajena.html"));
    QByteArray foreignPage = PlainPage;
    foreignPage.replace("<body", foreign + "<body");
    TempProgramFolder::writeFile(onlyForeign, foreignPage);
    site.changeHead(site.a, QStringLiteral("<script>var reloj = 6;</script>"));

    const SiteReport report = site.update({});
    QCOMPARE(report.count(PageOutcome::Status::Refused), 0);
    const PageOutcome* m = outcomeOf(report, mixed);
    QCOMPARE(m->status, PageOutcome::Status::Updated);
    QCOMPARE(m->unknownIds, QList<qint64>{999});
    bytes = TempProgramFolder::readFile(mixed);
    QVERIFY(bytes.contains(foreign) && bytes.contains("reloj = 6"));
    const PageOutcome* f = outcomeOf(report, onlyForeign);
    QCOMPARE(f->status, PageOutcome::Status::UpToDate);
    QCOMPARE(TempProgramFolder::readFile(onlyForeign), foreignPage);
    QVERIFY(outcomeLine(*f, site.dir.path()).contains(QStringLiteral("biblioteca")));
    QVERIFY(outcomeLine(*f, site.dir.path()).endsWith(QStringLiteral("999)")));
}

QTEST_GUILESS_MAIN(TestSiteUpdate)
#include "test_siteupdate.moc"
