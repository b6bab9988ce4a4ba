// The command line as a web author uses it: an export into a page, the list of scripts, and
// the update of every page of a site, each through the staged korvalis-export.

#include "buildinfo.h"
#include "export/pagefile.h"
#include "library/libraryfile.h"
#include "tests/export/sitefixture.h"

#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

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

// Every file and folder under `folder`, with its bytes and modification time: what a command
// that writes nothing must leave as it found.
QMap<QString, QPair<QByteArray, QDateTime>> snapshot(const QString& folder)
{
    QMap<QString, QPair<QByteArray, QDateTime>> all;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        all[info.filePath()] = {info.isFile() ? bytesOf(info.filePath()) : QByteArray("(carpeta)"),
                                info.lastModified()};
    }
    return all;
}

// `diff` applied by the real patch to an empty file.
QByteArray runPatch(const QByteArray& diff)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("vacia.html"));
    TempProgramFolder::writeFile(file, QByteArray());
    QProcess patch;
    patch.start(QStringLiteral("patch"), {QStringLiteral("--fuzz=0"), file});
    patch.write(diff);
    patch.closeWriteChannel();
    if (!patch.waitForFinished(30000) || patch.exitCode() != 0)
        return "patch failed";
    return bytesOf(file);
}

void makeOld(const QString& path)
{
    QFile file(path);
    const QDateTime longAgo = QDateTime::fromSecsSinceEpoch(1000000000);
    QVERIFY(file.open(QIODevice::ReadWrite) &&
            file.setFileTime(longAgo, QFileDevice::FileModificationTime));
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
    void listCountsNumbersInNamesByValue();
    void siteUpdateRewritesEachMarkedPageOrSaysWhyNot();
    void helpVersionAndOptionFaultsInSpanish();
    void diffIsWhatTheExportWouldWriteAndWritesNothing();
    void dryRunSaysWhatTheUpdateWouldDoAndWritesNothing();
    void systemFaultsAreToldInSpanish();
};

void TestCli::exportWritesThePageAndCopiesItsFiles()
{
    SiteFixture f;
    const QString page = f.path(QStringLiteral("index.html"));
    TempProgramFolder::writeFile(page, "<html>\n<body>\n</body>\n</html>\n");
    const Run r = run(f, {QString::number(f.lib.reloj), page});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(QString::fromUtf8(r.out),
             QStringLiteral("Script exportado a %1; 1 fichero copiado a %2 (1 "
                            "no está en la biblioteca).\n")
                 .arg(page, f.path(QStringLiteral("resources"))));
    QVERIFY(bytesOf(page).contains("\n" + htmlBeginMarker(f.lib.reloj) + "\n <div id=\"r\">"));
    QCOMPARE(bytesOf(f.path(QStringLiteral("resources/reloj.gif"))), QByteArray("GIF89a-reloj"));
    // With the missing file in the library, both copied; the counts agree in number.
    f.folder.writeResource(QStringLiteral("falta.png"), "PNG falta");
    QCOMPARE(QString::fromUtf8(run(f, {QString::number(f.lib.reloj), page}).out),
             QStringLiteral("Script exportado a %1; 2 ficheros copiados a %2.\n")
                 .arg(page, f.path(QStringLiteral("resources"))));
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

void TestCli::listCountsNumbersInNamesByValue()
{
    SiteFixture f;
    const qint64 big = f.folder.addScript(f.lib.relojes, f.lib.efecto, QStringLiteral("Árbol 112"));
    const qint64 small =
        f.folder.addScript(f.lib.relojes, f.lib.efecto, QStringLiteral("Árbol 28"));
    f.folder.closeLibrary();
    const Run r = run(f, {QStringLiteral("--list"), QStringLiteral("arbol")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray::number(small) + "\tRelojes\t\xC3\x81rbol 28\n" +
                        QByteArray::number(big) + "\tRelojes\t\xC3\x81rbol 112\n");
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
            "index.html: actualizada\nrota.html: rechazada: Script «Reloj digital»: La página "
            "tiene una "
            "marca de comienzo del script %1 sin su marca de fin, o una de fin sin la de "
            "comienzo. Corríjala antes de exportar. La página no se ha modificado.\n"
            "sub/sin-copias.html: rechazada: No se puede crear la carpeta «%3»: Ya existe un "
            "fichero con ese nombre (File exists). La página no se ha modificado.\n2 páginas "
            "actualizadas, 1 página al día, 4 páginas "
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

// One front for every form: --help and --version answer on standard output; each fault of the
// options is named in Spanish with the word as typed, followed by the usage of every form, and
// nothing is touched.
void TestCli::helpVersionAndOptionFaultsInSpanish()
{
    SiteFixture f;
    const QString page = f.page(QStringLiteral("p.htm"), {f.lib.reloj});
    const QByteArray pageBytes = bytesOf(page);
    const QStringList forms = {
        QStringLiteral("korvalis-export [--library CARPETA] ID_SCRIPT PAGINA"),
        QStringLiteral("--list [PALABRAS...]"), QStringLiteral("--update CARPETA_DEL_SITIO")};
    for (const QString& help : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const Run r = run({help});
        QVERIFY2(r.exitCode == 0 && r.err.isEmpty(), qPrintable(r.err));
        const QString out = QString::fromUtf8(r.out);
        QVERIFY2(out.startsWith(QStringLiteral("Uso: ")), qPrintable(out));
        for (const QString& form : forms)
            QVERIFY2(out.contains(form), qPrintable(form));
    }
    const Run version = run({QStringLiteral("--version")});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QByteArray("korvalis-export " KORVALIS_VERSION_TEXT "\n"));
    // Output that cannot be written is a failure, not silence.
    for (const char* form : {"--help", "--list"}) {
        const Run full = run(
            {QStringLiteral("-c"),
             QStringLiteral("exec \"$0\" --library \"$1\" %1 > /dev/full").arg(QLatin1String(form)),
             Staged, f.folder.path()},
            QStringLiteral("sh"));
        QVERIFY2(full.exitCode == 2 &&
                     full.err.startsWith(QStringLiteral("No se puede escribir la salida del "
                                                        "programa: No queda espacio en el disco")),
                 qPrintable(full.err));
    }

    const QHash<QString, QStringList> tokens = {
        {QStringLiteral("LIB"), {QStringLiteral("--library"), f.folder.path()}},
        {QStringLiteral("SITE"), {f.site.path()}},
        {QStringLiteral("PAGE"), {page}},
        {QStringLiteral("ID"), {QString::number(f.lib.reloj)}}};
    const std::pair<const char*, const char*> cases[] = {
        {"LIB --bogus ID PAGE", "Opción desconocida: --bogus"},
        {"LIB ID PAGE -x=1", "Opción desconocida: -x=1"},
        {"ID PAGE --library", "Falta la carpeta de la biblioteca tras --library."},
        {"--library --list ID PAGE", "Falta la carpeta de la biblioteca tras --library."},
        {"LIB --update", "Falta la carpeta tras --update."},
        {"LIB --update --list ID", "Falta la carpeta tras --update."},
        {"LIB --list --update SITE", "No se pueden usar a la vez --list y --update."},
        {"LIB --list=reloj", "La opción --list no lleva valor."},
        {"--library= --list", "Falta la carpeta de la biblioteca tras --library."},
        {"LIB ID PAGE PAGE", "Se esperan un id de script y una página."},
        {"LIB --update SITE ID 0", "«0» no es un id de script."},
        {"LIB --dry-run ID PAGE", "--dry-run sólo vale con --update."},
        {"LIB --diff ID", "Se esperan un id de script y una página."},
        {"LIB --diff ID PAGE --list", "No se pueden usar a la vez --list y --diff."}};
    for (const auto& [text, message] : cases) {
        QStringList args;
        for (const QString& word :
             QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            args += tokens.value(word, {word});
        const Run r = run(args);
        const QString what = args.join(QLatin1Char(' ')) + QStringLiteral(": ") + r.err;
        QVERIFY2(r.exitCode == 2 && r.out.isEmpty() &&
                     r.err.startsWith(QString::fromUtf8(message) + QStringLiteral("\nUso: ")),
                 qPrintable(what));
        for (const QString& form : forms)
            QVERIFY2(r.err.contains(form), qPrintable(what));
    }
    QCOMPARE(bytesOf(page), pageBytes);
    // The value joined to its option, and the words after "--".
    const QString dashed = f.path(QStringLiteral("junto.htm"));
    const Run joined = run({QStringLiteral("--library=") + f.folder.path(), QStringLiteral("--"),
                            QString::number(f.nieve), dashed});
    QVERIFY2(joined.exitCode == 0, qPrintable(joined.err));
    QVERIFY(bytesOf(dashed).contains(headBeginMarker(f.nieve)));
}

// --diff prints what the export would change, byte for byte as the page's own (LF or CR LF
// ends, a byte-order mark, Latin-1); `patch` turns a copy of the page into what the export then
// writes. Nothing is written: no page, no resources folder, not even a page's time.
void TestCli::diffIsWhatTheExportWouldWriteAndWritesNothing()
{
    if (QStandardPaths::findExecutable(QStringLiteral("patch")).isEmpty())
        QSKIP("patch is not installed (tools/setup.sh installs it)");
    SiteFixture f;
    const qint64 anio =
        ScriptBuilder(QStringLiteral("Año"))
            .in(f.lib.relojes)
            .type(f.lib.efecto)
            .head(QStringLiteral("<script>\nfunction año() { return 'ñ'; }\n</script>"))
            .body(QStringLiteral("onload=\"año()\""))
            .html(QStringLiteral("<p>Añadido</p>\n<img src=\"resources/a.png\">"))
            .file(QStringLiteral("a.png"), "PNG a")
            .addTo(f.folder);
    f.folder.closeLibrary();
    const QByteArray body = "<p>uno</p>\n<p>dos</p>\n<p>tres</p>\n<p>cuatro</p>\n";
    const std::pair<const char*, QByteArray> pages[] = {
        {"lf.html", "<html>\n<head>\n<title>LF</title>\n</head>\n<body class=\"a\">\n" + body +
                        "</body>\n</html>\n"},
        {"crlf.html", QByteArray("<html>\n<head>\n<title>CR LF</title>\n</head>\n<body>\n" + body +
                                 "</body>\n</html>")
                          .replace("\n", "\r\n")},
        {"bom.htm", "\xEF\xBB\xBF<!DOCTYPE html>\r\n<html><head></head>\r\n<body>\r\n" + body +
                        "</body></html>\r\n"},
        {"latin1.html", "<html>\n<head>\n<meta charset=\"iso-8859-1\">\n</head>\n<body "
                        "onload=\"inicio()\">\n<p>Espa\xF1\x61</p>\n" +
                            body + "</body>\n</html>\n"},
        {"otra-vez.html", QByteArray()}};
    QTemporaryDir copies;
    for (const auto& [name, bytes] : pages) {
        const QString page = f.path(QString::fromLatin1(name));
        if (bytes.isNull()) // an earlier export of the script, with old code in its block
            QFile::rename(f.page(QStringLiteral("vieja.html"), {anio}), page);
        else
            TempProgramFolder::writeFile(page, bytes);
        makeOld(page);
        const auto before = snapshot(f.site.path());
        const Run diff = run(f, {QStringLiteral("--diff"), QString::number(anio), page});
        QVERIFY2(diff.exitCode == 1 && diff.err.isEmpty(), qPrintable(page + diff.err));
        QVERIFY(diff.out.startsWith(
            QFile::encodeName(QStringLiteral("--- %1\n+++ %1\n@@ ").arg(page))));
        QCOMPARE(snapshot(f.site.path()), before);

        const QString copy = copies.filePath(QString::fromLatin1(name));
        QVERIFY(QFile::copy(page, copy));
        QProcess patch;
        patch.start(QStringLiteral("patch"), {QStringLiteral("--fuzz=0"), copy});
        patch.write(diff.out);
        patch.closeWriteChannel();
        QVERIFY(patch.waitForFinished(30000) && patch.exitCode() == 0);
        // Applied where it says, with no offset or fuzz.
        QCOMPARE(patch.readAllStandardOutput(),
                 QFile::encodeName(QStringLiteral("patching file %1\n").arg(copy)));
        const Run exported = run(f, {QString::number(anio), page});
        QVERIFY2(exported.exitCode == 0, qPrintable(exported.err));
        QCOMPARE(bytesOf(copy), bytesOf(page));
        // Once exported, the export would change nothing.
        const Run again = run(f, {QStringLiteral("--diff"), QString::number(anio), page});
        QVERIFY(again.exitCode == 0 && again.out.isEmpty() && again.err.isEmpty());
    }
    QVERIFY(bytesOf(f.path(QStringLiteral("latin1.html"))).contains("return '\xF1'"));

    // A page that is not there yet: the whole page it would be, and nothing created.
    const QString fresh = f.path(QStringLiteral("nueva.html"));
    const auto before = snapshot(f.site.path());
    const Run created = run(f, {QStringLiteral("--diff"), QString::number(anio), fresh});
    QCOMPARE(created.exitCode, 1);
    QVERIFY(created.out.contains("\n@@ -0,0 +1,"));
    QCOMPARE(snapshot(f.site.path()), before);
    QVERIFY(run(f, {QString::number(anio), fresh}).exitCode == 0);
    QCOMPARE(runPatch(created.out), bytesOf(fresh));

    // What the export refuses, and a script the library lacks: exit 2, the reason, no diff.
    const QString broken = f.path(QStringLiteral("rota.html"));
    TempProgramFolder::writeFile(broken, "<body>" + htmlBeginMarker(anio));
    const std::pair<QStringList, const char*> refused[] = {
        {{QString::number(anio), broken}, "sin su marca de fin"},
        {{QStringLiteral("99"), fresh}, "no est\xC3\xA1 en la biblioteca"}};
    for (const auto& [args, reason] : refused) {
        const Run r = run(f, QStringList{QStringLiteral("--diff")} + args);
        QVERIFY2(r.exitCode == 2 && r.out.isEmpty() && r.err.contains(QString::fromUtf8(reason)),
                 qPrintable(r.err));
    }
}

// --update --dry-run says, page by page, what the update would do, in the very words of the
// update, and leaves every page's bytes and time as they were.
void TestCli::dryRunSaysWhatTheUpdateWouldDoAndWritesNothing()
{
    SiteFixture f;
    f.page(QStringLiteral("index.html"), {f.lib.reloj});
    f.page(QStringLiteral("blog/entrada.html"), {f.lib.reloj, f.nieve});
    f.page(QStringLiteral("ajena.html"), {404});
    const QString broken = f.page(QStringLiteral("rota.html"), {f.lib.reloj});
    QByteArray bytes = bytesOf(broken);
    TempProgramFolder::writeFile(broken, bytes.replace(headEndMarker(f.lib.reloj), ""));
    const QString readOnly = f.page(QStringLiteral("fija.html"), {f.lib.reloj});
    QDirIterator it(f.site.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        makeOld(it.next());
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
    const QStringList dryRun = {QStringLiteral("--update"), f.site.path(),
                                QStringLiteral("--dry-run")};

    auto before = snapshot(f.site.path());
    Run r = run(f, dryRun);
    QCOMPARE(r.exitCode, 1);
    const QString planned = QString::fromUtf8(r.out);
    QCOMPARE(planned,
             QStringLiteral(
                 "ajena.html: al día (marcas de scripts que no están en la biblioteca, sin tocar: "
                 "404)\nblog/entrada.html: se actualizaría\nfija.html: rechazada: No se puede "
                 "escribir la página «%2»: es de sólo lectura. La página no se ha modificado.\n"
                 "index.html: se actualizaría\nrota.html: rechazada: Script «Reloj digital»: La "
                 "página tiene "
                 "una marca de comienzo del script %1 sin su marca de fin, o una de fin sin la de "
                 "comienzo. Corríjala antes de exportar. La página no se ha modificado.\n"
                 "2 páginas se actualizarían, 1 página al día, 2 páginas rechazadas. El script %3 "
                 "«Menú d'O'Brien» no deja marcas en la página; actualice sus páginas con "
                 "Exportar Script.\n")
                 .arg(f.lib.reloj)
                 .arg(readOnly, QString::number(f.lib.menu)));
    QCOMPARE(snapshot(f.site.path()), before);

    // The update then does what the dry run said.
    r = run(f, {QStringLiteral("--update"), f.site.path()});
    QCOMPARE(QString::fromUtf8(r.out),
             QString(planned)
                 .replace(QStringLiteral("se actualizarían"), QStringLiteral("actualizadas"))
                 .replace(QStringLiteral("se actualizaría"), QStringLiteral("actualizada")));
    before = snapshot(f.site.path());
    r = run(f, dryRun);
    QVERIFY(QString::fromUtf8(r.out).endsWith(
        QStringLiteral("0 páginas se actualizarían, 3 páginas al día, 2 páginas rechazadas. El "
                       "script %1 «Menú d'O'Brien» no deja marcas en la página; actualice sus "
                       "páginas con Exportar Script.\n")
            .arg(f.lib.menu)));
    QCOMPARE(snapshot(f.site.path()), before);
}

// A full disk, a folder the user may not write or read, a library another program holds: each
// said in Spanish, the system's own words after it. A folder that cannot be read is counted as a
// folder, not as a page.
void TestCli::systemFaultsAreToldInSpanish()
{
    SiteFixture f;
    const qint64 big = ScriptBuilder(QStringLiteral("Fondo grande"))
                           .in(f.lib.relojes)
                           .type(f.lib.efecto)
                           .head(QStringLiteral("<script>fondo()</script>"))
                           .file(QStringLiteral("fondo.bin"), QByteArray(256 * 1024, 'f'))
                           .addTo(f.folder);
    f.folder.closeLibrary();
    const bool root = ::geteuid() == 0;
    // As root, the command runs without the power to pass over permissions.
    const auto obeyingPermissions = [root](const QStringList& args) {
        return root ? run(QStringList{QStringLiteral("--bounding-set"),
                                      QStringLiteral("-dac_override,-dac_read_search"), Staged} +
                              args,
                          QStringLiteral("setpriv"))
                    : run(args);
    };
    const QStringList library = {QStringLiteral("--library"), f.folder.path()};

    // The page's folder has room for the page, not for the script's file.
    if (root && !QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty()) {
        QVERIFY(QDir().mkpath(f.path(QStringLiteral("lleno"))));
        const Run full =
            run({QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
                 QStringLiteral("mount -t tmpfs -o size=64k tmpfs \"$1\" || exit 9; "
                                "exec \"$0\" --library \"$2\" \"$3\" \"$1/p.html\""),
                 Staged, f.path(QStringLiteral("lleno")), f.folder.path(), QString::number(big)},
                QStringLiteral("unshare"));
        QCOMPARE(full.exitCode, 1);
        QVERIFY2(full.err.contains(
                     QStringLiteral("No queda espacio en el disco (No space left on device)")) &&
                     full.err.contains(QStringLiteral("La página no se ha modificado")),
                 qPrintable(full.err));
    }

    // A folder the user may not write into.
    const QString closed = f.path(QStringLiteral("cerrada"));
    QVERIFY(QDir().mkpath(closed));
    QVERIFY(QFile::setPermissions(closed, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                              QFileDevice::ReadOther | QFileDevice::ExeOther));
    Run r = obeyingPermissions(
        library + QStringList{QString::number(f.nieve), closed + QStringLiteral("/p.html")});
    QVERIFY2(r.exitCode == 1 &&
                 r.err.contains(QStringLiteral("Permiso denegado (Permission denied)")),
             qPrintable(r.err));
    QVERIFY(QDir(closed).isEmpty());

    // Folders of a site the user may not read: each a folder, one line each, counted apart.
    const QString index = f.page(QStringLiteral("index.html"), {f.lib.reloj});
    f.page(QStringLiteral("privada/p.html"), {f.lib.reloj});
    f.page(QStringLiteral("blog/secreta/p.html"), {f.lib.reloj});
    const QStringList update = library + QStringList{QStringLiteral("--update"), f.site.path(),
                                                     QString::number(f.lib.reloj)};
    const QString noReading =
        QStringLiteral("carpeta sin leer: Permiso denegado (Permission denied)");
    QVERIFY(QFile::setPermissions(f.path(QStringLiteral("privada")), QFileDevice::Permissions()));
    r = obeyingPermissions(update);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(QString::fromUtf8(r.out),
             QStringLiteral("privada: %1\nblog/secreta/p.html: actualizada\nindex.html: "
                            "actualizada\n2 páginas actualizadas, 0 páginas al día, 0 páginas "
                            "rechazadas. 1 carpeta no se ha podido leer.\n")
                 .arg(noReading));
    QVERIFY(bytesOf(index).contains("function t()"));
    QVERIFY(
        QFile::setPermissions(f.path(QStringLiteral("blog/secreta")), QFileDevice::Permissions()));
    r = obeyingPermissions(update);
    QCOMPARE(QString::fromUtf8(r.out),
             QStringLiteral("blog/secreta: %1\nprivada: %1\nindex.html: al día\n0 páginas "
                            "actualizadas, 1 página al día, 0 páginas rechazadas. 2 carpetas no se "
                            "han podido leer.\n")
                 .arg(noReading));
    for (const char* folder : {"privada", "blog/secreta", "cerrada"})
        QFile::setPermissions(f.path(QString::fromLatin1(folder)), QFileDevice::ReadOwner |
                                                                       QFileDevice::WriteOwner |
                                                                       QFileDevice::ExeOwner);

    // A library another program is writing, for longer than the command waits.
    library::Database writer =
        library::Database::open(f.folder.libraryPath(), library::LibraryPassword);
    writer.execute("BEGIN EXCLUSIVE");
    r = run(library + QStringList{QStringLiteral("--list")});
    writer.execute("ROLLBACK");
    QVERIFY2(r.exitCode == 2 &&
                 r.err.contains(QStringLiteral("La biblioteca está en uso por otro programa")),
             qPrintable(r.err));
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
