#include "export/pageedit.h"
#include "export/pagefile.h"
#include "library/records.h"
#include "tests/support/tempprogramfolder.h"

#include <QProcess>
#include <QtTest>
#include <sys/stat.h>

namespace {

const QString Staged = QStringLiteral(KORVALIS_PROGRAM_DIR "/korvalis-export");

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    // A run that blocks is a failure of its own; the process is killed with `p`.
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return Run{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
               QString::fromUtf8(p.readAllStandardError())};
}

qint64 addScript(TempProgramFolder& folder)
{
    library::Script s;
    s.idCategoria = folder.addCategory(0, QStringLiteral("Menús"));
    s.idTipo = folder.addType(QStringLiteral("Menú"));
    s.nombre = QStringLiteral("Menú desplegable");
    s.scriptHead = QStringLiteral("<script>var menú = 1;</script>");
    s.scriptHtml = QStringLiteral("<ul id=\"menu\"></ul>");
    const qint64 id = folder.addScript(s);
    folder.addFile(id, QStringLiteral("flecha.gif"));
    folder.writeResource(QStringLiteral("flecha.gif"), "GIF89a");
    folder.closeLibrary();
    return id;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exportsAndSaysWhatItDid();
    void refusedPageExitsOneAndKeepsThePage();
    void oddPagesAreRefusedUntouched();
    void usageAndLibraryErrorsExitTwo();
    void libraryDefaultsToTheExecutablesFolder();
};

void TestCli::exportsAndSaysWhatItDid()
{
    TempProgramFolder folder;
    const qint64 id = addScript(folder);
    QTemporaryDir site;
    const QString page = site.filePath(QStringLiteral("index.html"));
    TempProgramFolder::writeFile(page, "<html>\n<body>\n</body>\n</html>\n");
    const Run r =
        run(Staged, {QStringLiteral("--library"), folder.path(), QString::number(id), page});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.err.isEmpty());
    QCOMPARE(r.out.count(QLatin1Char('\n')), 1);
    QVERIFY(r.out.startsWith(QStringLiteral("Script exportado a ") + page));
    QVERIFY(r.out.contains(QStringLiteral("1 ficheros copiados")));
    const QByteArray edited = TempProgramFolder::readFile(page);
    QVERIFY(edited.contains("\n" + exporting::headBeginMarker(id) +
                            "\n<script>var men\xC3\xBA = 1;</script>\n"));
    QVERIFY(edited.endsWith("</html>\n"));
    QCOMPARE(TempProgramFolder::readFile(site.filePath(QStringLiteral("resources/flecha.gif"))),
             QByteArray("GIF89a"));
    // The same command again changes nothing.
    QCOMPARE(run(Staged, {QStringLiteral("--library"), folder.path(), QString::number(id), page})
                 .exitCode,
             0);
    QCOMPARE(TempProgramFolder::readFile(page), edited);
}

void TestCli::refusedPageExitsOneAndKeepsThePage()
{
    TempProgramFolder folder;
    const qint64 id = addScript(folder);
    QTemporaryDir site;
    const QString page = site.filePath(QStringLiteral("notas.htm"));
    TempProgramFolder::writeFile(page, "<!-- <body> -->");
    const Run r =
        run(Staged, {QStringLiteral("--library"), folder.path(), QString::number(id), page});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY(r.err.contains(QStringLiteral("no es un fichero html valido")));
    QCOMPARE(TempProgramFolder::readFile(page), QByteArray("<!-- <body> -->"));
    QVERIFY(!QFileInfo::exists(site.filePath(QStringLiteral("resources"))));
}

// A FIFO would block the export, a device or a huge file would exhaust memory: each is
// refused at once, in Spanish, and left as it was.
void TestCli::oddPagesAreRefusedUntouched()
{
    TempProgramFolder folder;
    const qint64 id = addScript(folder);
    QTemporaryDir site;
    const QString fifo = site.filePath(QStringLiteral("tuberia.html"));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const QString huge = site.filePath(QStringLiteral("enorme.html"));
    const QString overLimit = site.filePath(QStringLiteral("justo.html"));
    for (const auto& [path, size] :
         {std::pair{huge, qint64(3) << 30}, std::pair{overLimit, exporting::MaxPageBytes + 1}}) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("<html><body>") == 12);
        QVERIFY(f.resize(size)); // sparse: no disk used
    }
    const QString link = site.filePath(QStringLiteral("cero.html"));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), link));
    const QString notAFile = QStringLiteral("no es un fichero normal");
    const QString tooBig = QStringLiteral("ocupa más de 256 MB");
    for (const auto& [page, reason] :
         {std::pair{fifo, notAFile}, std::pair{QStringLiteral("/dev/zero"), notAFile},
          std::pair{link, notAFile}, std::pair{huge, tooBig}, std::pair{overLimit, tooBig}}) {
        const qint64 before = QFileInfo(page).size();
        const Run r =
            run(Staged, {QStringLiteral("--library"), folder.path(), QString::number(id), page});
        QVERIFY2(r.exitCode == 1, qPrintable(page));
        QVERIFY2(r.err.contains(reason), qPrintable(r.err));
        QVERIFY(r.err.contains(QStringLiteral("La página no se ha modificado")));
        QVERIFY(r.out.isEmpty());
        QCOMPARE(QFileInfo(page).size(), before);
    }
    QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
    QVERIFY(QFileInfo(link).isSymLink());
    QVERIFY(!QFileInfo::exists(site.filePath(QStringLiteral("resources"))));
}

void TestCli::usageAndLibraryErrorsExitTwo()
{
    TempProgramFolder folder;
    const qint64 id = addScript(folder);
    QTemporaryDir site;
    const QString page = site.filePath(QStringLiteral("p.htm"));
    const QString lib = folder.path();
    const QList<QStringList> cases = {
        {},
        {QString::number(id)},
        {QStringLiteral("--library"), lib, QStringLiteral("siete"), page},
        {QStringLiteral("--library"), lib, QStringLiteral("-3"), page},
        {QStringLiteral("--formato"), QString::number(id), page},
        {QStringLiteral("--library"), lib, QString::number(id + 1000), page},
        {QStringLiteral("--library"), site.path(), QString::number(id), page},
    };
    for (const QStringList& args : cases) {
        const Run r = run(Staged, args);
        QVERIFY2(r.exitCode == 2, qPrintable(args.join(QLatin1Char(' '))));
        QVERIFY(!r.err.isEmpty());
        QVERIFY(r.out.isEmpty());
    }
    QVERIFY(!QFileInfo::exists(page));
}

void TestCli::libraryDefaultsToTheExecutablesFolder()
{
    TempProgramFolder folder;
    const qint64 id = addScript(folder);
    const QString copy = folder.filePath(QStringLiteral("korvalis-export"));
    QVERIFY(QFile::copy(Staged, copy));
    QTemporaryDir site;
    const QString page = site.filePath(QStringLiteral("nueva.htm"));
    const Run r = run(copy, {QString::number(id), page});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains(QStringLiteral("página nueva")));
    QVERIFY(TempProgramFolder::readFile(page).contains(exporting::htmlBeginMarker(id)));
    QVERIFY(QFileInfo::exists(site.filePath(QStringLiteral("resources/flecha.gif"))));
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
