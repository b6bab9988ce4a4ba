#include "export/pageedit.h"
#include "library/records.h"
#include "tests/support/tempprogramfolder.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

namespace {

const QString Staged = QStringLiteral(KORVALIS_PROGRAM_DIR "/korvalis-export");
const QString Library = QStringLiteral("--library");
const QString Update = QStringLiteral("--update");

struct Run
{
    int exitCode = -1;
    QStringList lines;
    QString err;
};

Run run(const QStringList& args)
{
    QProcess p;
    p.start(Staged, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return Run{
        p.exitCode(),
        QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
        QString::fromUtf8(p.readAllStandardError())};
}

// A library with two scripts and a site whose pages hold them, as an export wrote them.
struct Site
{
    TempProgramFolder folder;
    QTemporaryDir dir;
    qint64 a = 0;
    qint64 b = 0;

    Site()
    {
        library::Script s;
        s.idCategoria = folder.addCategory(0, QStringLiteral("Textos"));
        s.idTipo = folder.addType(QStringLiteral("Efecto"));
        s.nombre = QStringLiteral("Titular");
        s.scriptHead = QStringLiteral("<script>var titular = 'nuevo';</script>");
        a = folder.addScript(s);
        s.nombre = QStringLiteral("Pie");
        s.scriptHead.clear();
        s.scriptHtml = QStringLiteral("<p>pie nuevo</p>");
        b = folder.addScript(s);
        folder.closeLibrary();
    }

    // A page holding old blocks of the scripts.
    void page(const QString& relative, const QList<qint64>& ids)
    {
        QByteArray blocks;
        for (const qint64 id : ids)
            blocks += "\r\n" + exporting::headBeginMarker(id) + "\r\n<script>viejo()</script>\r\n" +
                      exporting::headEndMarker(id) + "\r\n";
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        TempProgramFolder::writeFile(path, "<html><head></head>" + blocks +
                                               "<body>\r\n</body></html>\r\n");
    }

    QByteArray read(const QString& relative) const
    {
        return TempProgramFolder::readFile(dir.filePath(relative));
    }
};

} // namespace

class TestSiteUpdateCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyScriptOneLineAPageThenTheCounts();
    void givenScriptsOnlyAndARefusedPageExitsOne();
    void usageAndLibraryErrorsExitTwo_data();
    void usageAndLibraryErrorsExitTwo();
};

void TestSiteUpdateCli::everyScriptOneLineAPageThenTheCounts()
{
    Site site;
    site.page(QStringLiteral("index.html"), {site.a, site.b});
    site.page(QStringLiteral("sub/otra.htm"), {site.b, 404});
    TempProgramFolder::writeFile(site.dir.filePath(QStringLiteral("sin.html")),
                                 "<html><body></body></html>");

    Run r = run({Library, site.folder.path(), Update, site.dir.path()});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.err.isEmpty());
    QCOMPARE(r.lines,
             (QStringList{QStringLiteral("index.html: actualizada"),
                          QStringLiteral("sub/otra.htm: actualizada (marcas de scripts que no "
                                         "están en la biblioteca, sin tocar: 404)"),
                          QStringLiteral("2 páginas actualizadas, 0 páginas al día, 0 páginas "
                                         "rechazadas.")}));
    const QByteArray index = site.read(QStringLiteral("index.html"));
    QVERIFY(index.contains("titular = 'nuevo'") && index.contains("<p>pie nuevo</p>"));
    QVERIFY(site.read(QStringLiteral("sub/otra.htm")).contains(exporting::headBeginMarker(404)));

    r = run({Library, site.folder.path(), Update, site.dir.path()});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.lines.first(), QStringLiteral("index.html: al día"));
    QCOMPARE(r.lines.last(),
             QStringLiteral("0 páginas actualizadas, 2 páginas al día, 0 páginas rechazadas."));
}

void TestSiteUpdateCli::givenScriptsOnlyAndARefusedPageExitsOne()
{
    Site site;
    site.page(QStringLiteral("a.html"), {site.a, site.b});
    site.page(QStringLiteral("b.html"), {site.a});
    site.page(QStringLiteral("c.html"), {site.b});
    // A page without a body start tag is refused as the export refuses it.
    TempProgramFolder::writeFile(site.dir.filePath(QStringLiteral("b.html")),
                                 "<html>" + exporting::headBeginMarker(site.a) +
                                     exporting::headEndMarker(site.a) + "</html>");
    const QByteArray refused = site.read(QStringLiteral("b.html"));
    const QByteArray onlyB = site.read(QStringLiteral("c.html"));

    const Run r =
        run({Update, site.dir.path(), QString::number(site.a), Library, site.folder.path()});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.lines.size(), 3);
    QCOMPARE(r.lines[0], QStringLiteral("a.html: actualizada"));
    QCOMPARE(
        r.lines[1],
        QStringLiteral("b.html: rechazada: Script %1: no es un fichero html valido").arg(site.a));
    QCOMPARE(r.lines[2],
             QStringLiteral("1 página actualizada, 0 páginas al día, 1 página rechazada."));
    QCOMPARE(site.read(QStringLiteral("b.html")), refused);
    QCOMPARE(site.read(QStringLiteral("c.html")), onlyB);
    // Script B was not asked for: its block does not go into a.html.
    QVERIFY(!site.read(QStringLiteral("a.html")).contains("pie nuevo"));
}

void TestSiteUpdateCli::usageAndLibraryErrorsExitTwo_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("no site folder") << QStringList{Update} << QStringLiteral("Falta la carpeta");
    QTest::newRow("unknown option")
        << QStringList{Update, QStringLiteral("."), QStringLiteral("--todo")}
        << QStringLiteral("Opción desconocida");
    QTest::newRow("site is not a folder")
        << QStringList{Update, QStringLiteral("/no/existe")} << QStringLiteral("no es una carpeta");
    QTest::newRow("not an id") << QStringList{Update, QStringLiteral("."), QStringLiteral("x7")}
                               << QStringLiteral("«x7» no es un id de script");
    QTest::newRow("id not in the library")
        << QStringList{Update, QStringLiteral("."), QStringLiteral("77")}
        << QStringLiteral("El script 77 no está en la biblioteca");
    QTest::newRow("no library") << QStringList{Library, QStringLiteral("/no/existe"), Update,
                                               QStringLiteral(".")}
                                << QStringLiteral("No hay biblioteca");
}

void TestSiteUpdateCli::usageAndLibraryErrorsExitTwo()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    Site site;
    site.page(QStringLiteral("a.html"), {site.a});
    const QByteArray before = site.read(QStringLiteral("a.html"));
    if (!args.contains(Library))
        args << Library << site.folder.path();
    args.replaceInStrings(QRegularExpression(QStringLiteral("^\\.$")), site.dir.path());
    const Run r = run(args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.lines.isEmpty());
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(site.read(QStringLiteral("a.html")), before);
}

QTEST_GUILESS_MAIN(TestSiteUpdateCli)
#include "test_siteupdate_cli.moc"
