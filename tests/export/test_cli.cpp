// The command line as a web author uses it: an export into a page, the list of scripts, and
// the update of every page of a site, each through the staged korvalis-export.

#include "export/pagefile.h"
#include "tests/export/sitefixture.h"

#include <QProcess>
#include <QtTest>
#include <sys/stat.h>

using namespace exporting;

namespace {

const QString Staged = QStringLiteral(KORVALIS_PROGRAM_DIR "/korvalis-export");
const auto bytesOf = &TempProgramFolder::readFile;

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

// The command run to its end; one that blocks is a failure, and is killed with `p`.
Run run(const QStringList& args, const QString& program = Staged)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return Run{p.exitCode(), p.readAllStandardOutput(),
               QString::fromUtf8(p.readAllStandardError())};
}

// The command with the fixture's library.
Run run(const SiteFixture& f, const QStringList& args)
{
    return run(QStringList{QStringLiteral("--library"), f.folder.path()} + args);
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exportWritesThePageAndCopiesItsFiles();
    void refusedPagesExitOneUntouched();
    void usageAndLibraryErrorsExitTwo();
    void listFindsScriptsByWordsAsWritten();
    void siteUpdateRewritesEachMarkedPageOrSaysWhyNot();
};

void TestCli::exportWritesThePageAndCopiesItsFiles()
{
    SiteFixture f;
    const QString page = f.path(QStringLiteral("index.html"));
    TempProgramFolder::writeFile(page, "<html>\n<body>\n</body>\n</html>\n");
    const Run r = run(f, {QString::number(f.lib.reloj), page});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(QString::fromUtf8(r.out),
             QStringLiteral("Script exportado a %1; 1 ficheros copiados a %2 (1 "
                            "no están en la biblioteca).\n")
                 .arg(page, f.path(QStringLiteral("resources"))));
    QVERIFY(bytesOf(page).contains("\n" + htmlBeginMarker(f.lib.reloj) + "\n <div id=\"r\">"));
    QCOMPARE(bytesOf(f.path(QStringLiteral("resources/reloj.gif"))), QByteArray("GIF89a-reloj"));
    // Without --library, the library beside the program; a page that is not there yet.
    const QString copy = f.folder.filePath(QStringLiteral("korvalis-export"));
    QVERIFY(QFile::copy(Staged, copy));
    const QString fresh = f.path(QStringLiteral("nueva.htm"));
    const Run own = run({QString::number(f.nieve), fresh}, copy);
    QCOMPARE(own.exitCode, 0);
    QVERIFY(own.out.contains("(p\xC3\xA1gina nueva)"));
    QVERIFY(bytesOf(fresh).contains(headBeginMarker(f.nieve)));
    // Only a page made from nothing is given a declaration of its encoding.
    QVERIFY(bytesOf(fresh).startsWith("<html><head><meta charset=\"utf-8\"><title>"));
    QVERIFY(!bytesOf(page).contains("charset"));
    // Pages where the library's own files are: nothing is copied onto itself.
    for (const QString& p : {f.folder.resourcesPath() + QStringLiteral("demo.htm"),
                             f.folder.filePath(QStringLiteral("demo.htm"))}) {
        QVERIFY(run(f, {QString::number(f.lib.reloj), p}).out.contains("ya est\xC3\xA1n en la"));
    }
    QVERIFY(!QFileInfo::exists(f.folder.resourcesPath() + QStringLiteral("resources")));
}

// A page that cannot be edited is refused at once, in Spanish, and left as it was, with
// nothing copied and no folder made. A FIFO would block the export; a device or a huge file
// would exhaust memory.
void TestCli::refusedPagesExitOneUntouched()
{
    SiteFixture f;
    const auto at = [&f](const char* name) { return f.path(QString::fromLatin1(name)); };
    TempProgramFolder::writeFile(at("notas.htm"), "<!-- <body> -->");
    TempProgramFolder::writeFile(at("rota.htm"), "<body>" + htmlBeginMarker(f.lib.reloj));
    TempProgramFolder::writeFile(at("fija.htm"), "<body>");
    QFile::setPermissions(at("fija.htm"), QFileDevice::ReadOwner);
    QCOMPARE(mkfifo(QFile::encodeName(at("tubo.html")).constData(), 0644), 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), at("cero.html")));
    QVERIFY(QDir(f.site.path()).mkdir(QStringLiteral("carpeta.html")));
    QFile sparse(at("justo.html"));
    QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.write("<body>") == 6);
    QVERIFY(sparse.resize(MaxPageBytes + 1)); // no disk used
    const QStringList before =
        QDir(f.site.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const std::pair<QString, const char*> pages[] = {
        {at("notas.htm"), "no es un fichero html valido"},
        {at("rota.htm"), "sin su marca de fin"},
        {at("fija.htm"), "es de s\xC3\xB3lo lectura"},
        {at("tubo.html"), "no es un fichero normal"},
        {QStringLiteral("/dev/zero"), "no es un fichero normal"},
        {at("cero.html"), "no es un fichero normal"},
        {at("justo.html"), "ocupa m\xC3\xA1s de 256 MB"},
        {at("carpeta.html"), "es una carpeta"},
        {at("falta/nueva.htm"), "la carpeta no existe"}};
    for (const auto& [page, reason] : pages) {
        const QFileInfo info(page);
        const QByteArray bytes = info.isFile() && info.size() < 100 ? bytesOf(page) : QByteArray();
        const Run r = run(f, {QString::number(f.lib.reloj), page});
        QVERIFY2(r.exitCode == 1 && r.out.isEmpty() && r.err.contains(QString::fromUtf8(reason)),
                 qPrintable(page + QLatin1Char(' ') + r.err));
        QCOMPARE(QFileInfo(page).size(), info.size());
        QVERIFY(bytes.isEmpty() || bytesOf(page) == bytes);
    }
    QCOMPARE(QDir(f.site.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

void TestCli::usageAndLibraryErrorsExitTwo()
{
    SiteFixture f;
    const QString page = f.page(QStringLiteral("p.htm"), {f.lib.reloj});
    const QByteArray pageBytes = bytesOf(page);
    TempProgramFolder::writeFile(f.path(QStringLiteral("scripts.mdb")), "no soy");
    const QHash<QString, QStringList> tokens = {
        {QStringLiteral("LIB"), {QStringLiteral("--library"), f.folder.path()}},
        {QStringLiteral("SITE"), {f.site.path()}},
        {QStringLiteral("PAGE"), {page}},
        {QStringLiteral("ID"), {QString::number(f.lib.reloj)}}};
    const std::pair<const char*, const char*> cases[] = {
        {"ID", "Uso:"},
        {"LIB siete PAGE", "no es un id"},
        {"LIB 99 PAGE", "no est\xC3\xA1 en la biblioteca"},
        {"--library SITE ID PAGE", "No se puede abrir la biblioteca"},
        {"--library SITE --list", "No se puede leer la biblioteca"},
        {"LIB --update /no/existe", "no es una carpeta"},
        {"LIB --update SITE 99", "El script 99 no est\xC3\xA1 en la biblioteca"},
        {"--library /no/existe --update SITE", "No hay biblioteca"}};
    for (const auto& [text, message] : cases) {
        QStringList args;
        for (const QString& word :
             QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            args += tokens.value(word, {word});
        const Run r = run(args);
        QVERIFY2(r.exitCode == 2 && r.out.isEmpty() && r.err.contains(QString::fromUtf8(message)),
                 qPrintable(args.join(QLatin1Char(' ')) + QStringLiteral(": ") + r.err));
    }
    QCOMPARE(bytesOf(page), pageBytes);
}

// Names holding the words first, then the rest, each group by name; accents and letter case
// do not matter; UTF-8 whatever the locale; a tab in a name does not split its line.
void TestCli::listFindsScriptsByWordsAsWritten()
{
    SiteFixture f;
    const qint64 arena =
        f.folder.addScript(f.lib.relojes, f.lib.efecto, QStringLiteral("Reloj\tde arena"));
    const qint64 contador = ScriptBuilder(QStringLiteral("Contador"))
                                .in(f.lib.desplegables)
                                .type(f.lib.efecto)
                                .help(QStringLiteral("Muestra un reloj."))
                                .addTo(f.folder);
    f.folder.closeLibrary();
    const auto line = [](qint64 id, const char* path, const char* name) {
        return QByteArray::number(id) + '\t' + path + '\t' + name + '\n';
    };
    const char* menus = "Men\xC3\xBAs / Desplegables";
    const QByteArray obrien = line(f.lib.menu, menus, "Men\xC3\xBA d'O'Brien");
    const QByteArray digital = line(f.lib.reloj, "Relojes", "Reloj digital");
    const QByteArray nieve = line(f.nieve, "Relojes", "Nieve");
    const std::pair<QStringList, QByteArray> cases[] = {
        {{QStringLiteral("RELOJ")},
         line(arena, "Relojes", "Reloj de arena") + digital + line(contador, menus, "Contador") +
             nieve},
        {{QStringLiteral("menu")}, obrien},
        {{QStringLiteral("submarino")}, {}},
        {{QStringLiteral("MENÚ brien")}, obrien},
        {{QStringLiteral("dig"), QStringLiteral("relojes")}, digital},
        {{QStringLiteral("--"), QStringLiteral("--reloj"), QStringLiteral("(digital")}, digital},
        {{},
         line(contador, menus, "Contador") + obrien + nieve +
             line(arena, "Relojes", "Reloj de arena") + digital}};
    for (const auto& [words, out] : cases) {
        const Run r = run(f, QStringList{QStringLiteral("--list")} + words);
        // Exit 1 when nothing matches.
        QVERIFY2(r.exitCode == (out.isEmpty() ? 1 : 0) && r.err.isEmpty(),
                 qPrintable(words.join(QLatin1Char(' '))));
        QCOMPARE(r.out, out);
    }
    // A library on a read-only mount is still searched, and left as it was.
    const QByteArray bytes = bytesOf(f.folder.libraryPath());
    const Run r = run({QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"),
                       QStringLiteral("mount --bind \"$0\" \"$0\" && mount -o remount,bind,ro "
                                      "\"$0\" && exec \"$1\" --library \"$0\" --list dig"),
                       f.folder.path(), Staged},
                      QStringLiteral("unshare"));
    QCOMPARE(r.err, QString());
    QCOMPARE(r.out, digital);
    QCOMPARE(bytesOf(f.folder.libraryPath()), bytes);
}

// Each page with one read and at most one write; a refused page keeps its bytes and the rest
// still go.
void TestCli::siteUpdateRewritesEachMarkedPageOrSaysWhyNot()
{
    SiteFixture f;
    const QString index = f.page(QStringLiteral("index.html"), {f.lib.reloj});
    const QString both = f.page(QStringLiteral("blog/2024/entrada.HTM"), {f.lib.reloj, f.nieve});
    const QString broken = f.page(QStringLiteral("rota.html"), {f.lib.reloj});
    QByteArray bytes = bytesOf(broken);
    TempProgramFolder::writeFile(broken, bytes.replace(headEndMarker(f.lib.reloj), ""));
    const QString readOnly = f.page(QStringLiteral("fija.html"), {f.lib.reloj});
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
    // A file stands where the copies must go: the page must not point at files that are not
    // there.
    const QString noCopies = f.page(QStringLiteral("sub/sin-copias.html"), {f.lib.reloj});
    TempProgramFolder::writeFile(f.path(QStringLiteral("sub/resources")), "no soy una carpeta");
    // Passed over: hidden, not a page, no markers, a folder, links, a FIFO.
    QStringList kept = {broken, readOnly, noCopies, f.page(QStringLiteral("ajena.html"), {404})};
    for (const char* name : {".git/copia.html", "blog/.oculta.html", "notas.txt"})
        kept << f.page(QString::fromLatin1(name), {f.lib.reloj});
    f.page(QStringLiteral("sin.html"), {});
    QVERIFY(QDir().mkpath(f.path(QStringLiteral("carpeta.html"))));
    QVERIFY(QFile::link(f.site.path(), f.path(QStringLiteral("blog/bucle"))));
    QVERIFY(QFile::link(index, f.path(QStringLiteral("enlace.html"))));
    QCOMPARE(mkfifo(QFile::encodeName(f.path(QStringLiteral("tubo.html"))).constData(), 0644), 0);
    QFile big(f.path(QStringLiteral("enorme.html")));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(MaxPageBytes + 1));

    Run r = run(f, {QStringLiteral("--update"), f.site.path()});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(
        QString::fromUtf8(r.out),
        QStringLiteral(
            "enorme.html: rechazada: La página es demasiado grande (256 MB); no se ha leído.\n"
            "ajena.html: al día (marcas de scripts que no están en la biblioteca, sin tocar: "
            "404)\nblog/2024/entrada.HTM: actualizada\nfija.html: rechazada: No se puede "
            "escribir la página «%2»: es de sólo lectura. La página no se ha modificado.\n"
            "index.html: actualizada\nrota.html: rechazada: Script %1: La página tiene una "
            "marca de comienzo del script %1 sin su marca de fin, o una de fin sin la de "
            "comienzo. Corríjala antes de exportar. La página no se ha modificado.\n"
            "sub/sin-copias.html: rechazada: No se puede crear la carpeta «%3». La página no "
            "se ha modificado.\n2 páginas actualizadas, 1 página al día, 4 páginas "
            "rechazadas. El script %4 «Menú d'O'Brien» no deja marcas en la página; "
            "actualice sus páginas con Exportar Script.\n")
            .arg(f.lib.reloj)
            .arg(readOnly, f.path(QStringLiteral("sub/resources")), QString::number(f.lib.menu)));
    QVERIFY(!bytesOf(both).contains("viejo()") && bytesOf(both).contains("nieve()"));
    QVERIFY(bytesOf(index).contains(htmlBeginMarker(f.lib.reloj)));
    for (const QString& p : kept)
        QVERIFY2(bytesOf(p).contains("viejo()") && !bytesOf(p).contains("<div"), qPrintable(p));
    const QString copo = f.path(QStringLiteral("blog/2024/resources/copo.png"));
    QCOMPARE(bytesOf(copo), QByteArray("PNG copo"));

    // Nothing changed since: nothing written, but a copy gone missing is copied again.
    const QString gif = f.path(QStringLiteral("resources/reloj.gif"));
    const QStringList current = {index, both, copo};
    const QDateTime longAgo = QDateTime::fromSecsSinceEpoch(1000000000);
    for (const QString& p : current) {
        QFile file(p);
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(longAgo, QFileDevice::FileModificationTime));
    }
    QVERIFY(QFile::remove(gif) && QFile::remove(big.fileName()));
    r = run(f, {QStringLiteral("--update"), f.site.path()});
    QVERIFY(QString::fromUtf8(r.out).contains(
        QStringLiteral("\n0 páginas actualizadas, 3 páginas al día, 3 páginas rechazadas. ")));
    for (const QString& p : current)
        QVERIFY2(QFileInfo(p).lastModified() == longAgo, qPrintable(p));
    QCOMPARE(bytesOf(gif), QByteArray("GIF89a-reloj"));

    // A script of body text alone leaves no markers, so no update can find its pages: named,
    // it is refused and the others named still go; in an update of every script the summary
    // names it, and the exit status stays the pages' own.
    const qint64 solo = ScriptBuilder(QStringLiteral("Solo cuerpo"))
                            .in(f.lib.relojes)
                            .type(f.lib.efecto)
                            .body(QStringLiteral("onload=\"s()\""))
                            .addTo(f.folder);
    f.folder.closeLibrary();
    const QString soloPage = f.path(QStringLiteral("solo/p.html"));
    QDir().mkpath(f.path(QStringLiteral("solo")));
    TempProgramFolder::writeFile(soloPage, "<html><body onload=\"viejo()\"></body></html>");
    const QString cannot =
        QStringLiteral("Script %1 «Solo cuerpo»: este script no deja marcas en la página; "
                       "actualícela con Exportar Script.\n")
            .arg(solo);
    r = run(f, {QStringLiteral("--update"), f.path(QStringLiteral("solo")), QString::number(solo)});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(QString::fromUtf8(r.out), cannot);
    r = run(f, {QStringLiteral("--update"), f.site.path(), QString::number(solo),
                QString::number(f.lib.reloj)});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(QString::fromUtf8(r.out).startsWith(cannot) &&
                 r.out.contains("\nindex.html: al d\xC3\xAD"
                                "a\n"),
             r.out.constData());
    r = run(f, {QStringLiteral("--update"), f.path(QStringLiteral("solo"))});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(QString::fromUtf8(r.out),
             QStringLiteral("0 páginas actualizadas, 0 páginas al día, 0 páginas rechazadas. Los "
                            "scripts %1 «Menú d'O'Brien», %2 «Solo cuerpo» no dejan marcas en la "
                            "página; actualice sus páginas con Exportar Script.\n")
                 .arg(f.lib.menu)
                 .arg(solo));
    QCOMPARE(bytesOf(soloPage), QByteArray("<html><body onload=\"viejo()\"></body></html>"));
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
