// Import and share through the staged korvalis-export, as a person runs them: on real library
// files, killed at random moments, and on a disk that fills up.

#include "library/backup.h"
#include "library/libraryfile.h"
#include "tests/support/scriptbuilder.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Staged = QStringLiteral(KORVALIS_PROGRAM_DIR "/korvalis-export");
const auto bytesOf = &TempProgramFolder::readFile;

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QStringList& args, const QString& program = Staged)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return Run{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
               QString::fromUtf8(p.readAllStandardError())};
}

Run importInto(const QString& target, const QString& source)
{
    return run({QStringLiteral("--library"), target, QStringLiteral("--import"), source});
}

qint64 scalar(const QString& libraryFile, const char* sql)
{
    library::Database db = library::Database::open(libraryFile, library::LibraryPassword);
    library::Statement q = db.prepare(sql);
    return q.next() ? q.int64(0) : -1;
}

QString integrityOf(const QString& libraryFile)
{
    library::Database db = library::Database::open(libraryFile, library::LibraryPassword);
    library::Statement q = db.prepare("PRAGMA integrity_check");
    return q.next() ? q.text(0) : QString();
}

// A source of `count` scripts in one new category, each with a related file of its own of
// `fileBytes` bytes.
void fillSource(TempProgramFolder& source, int count, int fileBytes)
{
    const qint64 type = source.addType(QStringLiteral("Efecto"));
    const qint64 category = source.addCategory(0, QStringLiteral("Traídos"));
    source.db().execute("BEGIN");
    for (int i = 0; i < count; ++i) {
        ScriptBuilder(QStringLiteral("Script %1").arg(i))
            .in(category)
            .type(type)
            .head(QStringLiteral("<script>f%1()</script>").arg(i))
            .file(QStringLiteral("f%1.bin").arg(i), QByteArray(fileBytes, char('a' + i % 26)))
            .addTo(source);
    }
    source.db().execute("COMMIT");
    source.closeLibrary();
}

void copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to + QStringLiteral("/resources"));
    for (const QString& name : QDir(from).entryList(QDir::Files))
        QVERIFY(QFile::copy(from + QLatin1Char('/') + name, to + QLatin1Char('/') + name));
    for (const QString& name : QDir(from + QStringLiteral("/resources")).entryList(QDir::Files))
        QVERIFY(QFile::copy(from + QStringLiteral("/resources/") + name,
                            to + QStringLiteral("/resources/") + name));
}

} // namespace

class TestLibraryCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void importSaysWhatBecameOfEachScript();
    void sharedSelectionImportsBack();
    void badSourcesExitTwoAndLeaveTheTargetAsItWas();
    void killedImportHoldsAllOrNothing();
    void fullDiskDuringFileCopiesLeavesNothing();
};

void TestLibraryCli::importSaysWhatBecameOfEachScript()
{
    TempProgramFolder source;
    SampleLibrary lib(source);
    TempProgramFolder target;
    target.writeResource(QStringLiteral("reloj.gif"), "GIF89a-otro");
    target.closeLibrary();
    Run r = importInto(target.path(), source.path());
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, s("Relojes/Reloj digital: rechazado: «reloj.gif» ya existe con otro contenido\n"
                      "Menús/Desplegables/Menú d'O'Brien: importado\n"
                      "1 script importado, 0 con otro nombre, 0 ya estaban, 1 rechazado; 3 "
                      "categorías nuevas, 0 ficheros copiados.\n"));
    // A copy of the library was made before the import, with what it held then.
    const QStringList copies = library::BackupsIn(target.filePath(QStringLiteral("copias")));
    QCOMPARE(copies.size(), 1);
    QCOMPARE(scalar(target.filePath(QStringLiteral("copias/")) + copies[0],
                    "SELECT count(*) FROM scripts"),
             0);

    QVERIFY(QFile::remove(target.resourcesPath() + QStringLiteral("reloj.gif")));
    r = importInto(target.path(), source.path());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, s("Relojes/Reloj digital: importado\n"
                      "Menús/Desplegables/Menú d'O'Brien: ya estaba\n"
                      "1 script importado, 0 con otro nombre, 1 ya estaba, 0 rechazados; 0 "
                      "categorías nuevas, 1 fichero copiado.\n"));
    QCOMPARE(bytesOf(target.resourcesPath() + QStringLiteral("reloj.gif")),
             QByteArray("GIF89a-reloj"));
    // The search index holds what came in by the time the command ends.
    QCOMPARE(scalar(target.libraryPath(),
                    "SELECT count(*) FROM scripts_busqueda WHERE scripts_busqueda MATCH 'digital'"),
             1);
    QCOMPARE(scalar(target.libraryPath(),
                    "SELECT count(*) FROM sqlite_master WHERE name = 'busqueda_completa'"),
             1);
    QCOMPARE(library::BackupsIn(target.filePath(QStringLiteral("copias"))).size(), 2);

    for (const QStringList& args :
         {QStringList{QStringLiteral("--import")},
          QStringList{QStringLiteral("--import"), source.path(), QStringLiteral("--otra")},
          QStringList{QStringLiteral("--library"), target.path(), QStringLiteral("--import"),
                      source.path(), QStringLiteral("7")}}) {
        r = run(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(QStringLiteral("Uso: korvalis-export")), qPrintable(r.err));
    }
    Q_UNUSED(lib);
}

void TestLibraryCli::sharedSelectionImportsBack()
{
    TempProgramFolder source;
    SampleLibrary lib(source);
    const qint64 nieve = ScriptBuilder(QStringLiteral("Nieve"))
                             .in(lib.menus)
                             .type(lib.efecto)
                             .file(QStringLiteral("copo.png"), "PNG copo")
                             .addTo(source);
    source.closeLibrary();
    QTemporaryDir out;
    const QString shared = out.filePath(QStringLiteral("para Ana"));
    // A category by its path, its letters as the tree compares them, and a script by its id.
    Run r = run({QStringLiteral("--library"), source.path(), QStringLiteral("--export-library"),
                 shared, s("menus/DESPLEGABLES"), QString::number(lib.reloj)});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.out,
             s("2 scripts en 3 categorías escritos en «%1»; 1 fichero copiado.\n").arg(shared));
    TempProgramFolder target;
    target.closeLibrary();
    r = importInto(target.path(), shared);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, s("Relojes/Reloj digital: importado\n"
                      "Menús/Desplegables/Menú d'O'Brien: importado\n"
                      "2 scripts importados, 0 con otro nombre, 0 ya estaban, 0 rechazados; 3 "
                      "categorías nuevas, 1 fichero copiado.\n"));
    QVERIFY(!QFileInfo::exists(target.resourcesPath() + QStringLiteral("copo.png")));

    for (const QString& wrong : {s("Menús/No existe"), QStringLiteral("9999")}) {
        r = run({QStringLiteral("--library"), source.path(), QStringLiteral("--export-library"),
                 out.filePath(QStringLiteral("otra")), wrong});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains(s("no está en la biblioteca")));
        QVERIFY(!QFileInfo::exists(out.filePath(QStringLiteral("otra"))));
    }
    // Never into a folder that holds something.
    r = run(
        {QStringLiteral("--library"), source.path(), QStringLiteral("--export-library"), shared});
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.err.contains(s("no es una carpeta vacía")));
    Q_UNUSED(nieve);
}

void TestLibraryCli::badSourcesExitTwoAndLeaveTheTargetAsItWas()
{
    TempProgramFolder target;
    SampleLibrary own(target);
    TempProgramFolder good;
    SampleLibrary lib(good);
    const QByteArray sound = bytesOf(good.libraryPath());
    const QByteArray before = bytesOf(target.libraryPath());
    QTemporaryDir dir;
    auto sourceWith = [&](const QString& name, const QByteArray& bytes) {
        const QString folder = dir.filePath(name);
        QDir().mkpath(folder + QStringLiteral("/resources"));
        if (!bytes.isNull())
            TempProgramFolder::writeFile(library::LibraryPathIn(folder), bytes);
        return folder;
    };
    const QString otherKey = sourceWith(QStringLiteral("clave"), {});
    {
        library::Database db = library::Database::create(library::LibraryPathIn(otherKey), "otra");
        db.execute(bytesOf(QStringLiteral(KORVALIS_SOURCE_DIR "/data/schema.sql")));
    }
    const QString noTables = sourceWith(QStringLiteral("tablas"), {});
    {
        library::Database db =
            library::Database::create(library::LibraryPathIn(noTables), library::LibraryPassword);
        db.execute("CREATE TABLE tipos (id INTEGER PRIMARY KEY, nombre)");
    }
    const QString fifo = sourceWith(QStringLiteral("fifo"), {});
    QCOMPARE(::mkfifo(QFile::encodeName(library::LibraryPathIn(fifo)).constData(), 0600), 0);
    QByteArray random(32 * 1024, '\0');
    for (char& c : random)
        c = char(QRandomGenerator::global()->bounded(256));
    // Held by another process in the middle of its own write.
    library::Database writer =
        library::Database::open(good.libraryPath(), library::LibraryPassword);
    writer.execute("BEGIN EXCLUSIVE; DELETE FROM ficheros;");

    const QStringList sources{otherKey,
                              sourceWith(QStringLiteral("truncada"), sound.left(sound.size() / 2)),
                              sourceWith(QStringLiteral("azar"), random),
                              noTables,
                              fifo,
                              good.path(),
                              target.path(),
                              target.filePath(QStringLiteral("./scripts.mdb"))};
    for (const QString& source : sources) {
        const Run r = importInto(target.path(), source);
        QVERIFY2(r.exitCode == 2, qPrintable(source + QLatin1Char(' ') + r.out));
        QVERIFY2(r.err.contains(QRegularExpression(s("no se puede leer como biblioteca|no es un "
                                                     "fichero normal|es la misma biblioteca"))),
                 qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        QCOMPARE(bytesOf(target.libraryPath()), before);
        QVERIFY(!QFileInfo::exists(target.filePath(QStringLiteral("copias"))));
    }
    writer.execute("ROLLBACK");
    Q_UNUSED(own);
    Q_UNUSED(lib);
}

void TestLibraryCli::killedImportHoldsAllOrNothing()
{
    constexpr int Scripts = 120;
    TempProgramFolder source;
    fillSource(source, Scripts, 2048);
    TempProgramFolder model;
    SampleLibrary own(model);
    QTemporaryDir work;
    // How long one whole import takes here: the kills fall anywhere inside it.
    const QString timed = work.filePath(QStringLiteral("medida"));
    copyFolder(model.path(), timed);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(importInto(timed, source.path()).exitCode, 0);
    const int wholeMs = int(clock.elapsed());

    int none = 0, all = 0;
    for (int round = 0; round < 12; ++round) {
        const QString target = work.filePath(QStringLiteral("r%1").arg(round));
        copyFolder(model.path(), target);
        QProcess p;
        p.start(Staged,
                {QStringLiteral("--library"), target, QStringLiteral("--import"), source.path()});
        QVERIFY(p.waitForStarted());
        QThread::msleep(QRandomGenerator::global()->bounded(wholeMs + 1));
        ::kill(pid_t(p.processId()), SIGKILL);
        p.waitForFinished();
        const QString file = library::LibraryPathIn(target);
        QCOMPARE(integrityOf(file), QStringLiteral("ok"));
        const qint64 scripts = scalar(file, "SELECT count(*) FROM scripts");
        QVERIFY2(scripts == 2 || scripts == 2 + Scripts, qPrintable(QString::number(scripts)));
        QCOMPARE(scalar(file, "SELECT count(*) FROM ficheros"), scripts == 2 ? 1 : 1 + Scripts);
        if (scripts == 2) {
            ++none;
        } else {
            ++all;
            // Every file a committed row names is there, whole.
            for (int i = 0; i < Scripts; i += 17)
                QCOMPARE(QFileInfo(target + QStringLiteral("/resources/f%1.bin").arg(i)).size(),
                         2048);
        }
        // Whatever the moment, the next import finishes the work.
        const Run again = importInto(target, source.path());
        QCOMPARE(again.exitCode, 0);
        QCOMPARE(scalar(file, "SELECT count(*) FROM scripts"), 2 + Scripts);
    }
    qInfo("killed imports: %d left nothing, %d left everything (one whole import: %d ms)", none,
          all, wholeMs);
    Q_UNUSED(own);
}

void TestLibraryCli::fullDiskDuringFileCopiesLeavesNothing()
{
    if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
        QSKIP("a tmpfs in a mount namespace needs root and unshare");
    TempProgramFolder source;
    fillSource(source, 6, 24 * 1024); // 144 KB of files into a folder with room for 64 KB
    TempProgramFolder target;
    SampleLibrary own(target);
    const Run r =
        run({QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
             QStringLiteral("mount -t tmpfs -o size=64k tmpfs \"$1/resources\" || exit 9; "
                            "\"$0\" --library \"$1\" --import \"$2\"; echo \"salida $?\"; "
                            "ls -A \"$1/resources\""),
             Staged, target.path(), source.path()},
            QStringLiteral("unshare"));
    QVERIFY2(r.out.startsWith(QStringLiteral("salida 2\n")), qPrintable(r.out + r.err));
    // Nothing copied stays behind in the full folder, and no row came in.
    QCOMPARE(r.out, QStringLiteral("salida 2\n"));
    QVERIFY2(r.err.contains(s("No se ha importado nada")), qPrintable(r.err));
    QCOMPARE(scalar(target.libraryPath(), "SELECT count(*) FROM scripts"), 2);
    QCOMPARE(scalar(target.libraryPath(), "SELECT count(*) FROM categorias"), 3);
    Q_UNUSED(own);
}

QTEST_GUILESS_MAIN(TestLibraryCli)
#include "test_librarycli.moc"
