#include "library/records.h"
#include "tests/support/tempprogramfolder.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <unistd.h>

namespace {

const QString Staged = QStringLiteral(KORVALIS_PROGRAM_DIR "/korvalis-export");

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

Run run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return Run{p.exitCode(), p.readAllStandardOutput(),
               QString::fromUtf8(p.readAllStandardError())};
}

Run list(const QString& folder, const QStringList& words)
{
    return run(Staged,
               QStringList{QStringLiteral("--library"), folder, QStringLiteral("--list")} + words);
}

struct Ids
{
    qint64 cascada, arena, digital, contador;
};

Ids fill(TempProgramFolder& folder)
{
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    const qint64 menus = folder.addCategory(0, QStringLiteral("Menús"));
    const qint64 desplegables = folder.addCategory(menus, QStringLiteral("Desplegables"));
    const qint64 relojes = folder.addCategory(0, QStringLiteral("Relojes"));
    Ids ids;
    ids.cascada = folder.addScript(desplegables, type, QStringLiteral("Menú en cascada"));
    ids.digital = folder.addScript(relojes, type, QStringLiteral("Reloj digital"));
    ids.arena = folder.addScript(relojes, type, QStringLiteral("Reloj\tde arena"));
    library::Script s;
    s.idCategoria = desplegables;
    s.idTipo = type;
    s.nombre = QStringLiteral("Contador");
    s.scriptAyuda = QStringLiteral("Muestra un reloj.");
    ids.contador = folder.addScript(s);
    folder.closeLibrary();
    return ids;
}

QByteArray line(qint64 id, const char* path, const char* name)
{
    return QByteArray::number(id) + '\t' + path + '\t' + name + '\n';
}

} // namespace

class TestCliList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listsMatchesWithTheirCategoryPaths();
    void exitCodesTellWhatHappened();
    void readOnlyLibraryIsSearchedAndLeftAlone();
};

void TestCliList::listsMatchesWithTheirCategoryPaths()
{
    TempProgramFolder folder;
    const Ids ids = fill(folder);
    // Names holding the word first, then the rest, each group by name; UTF-8 whatever the
    // locale; a tab inside a name does not split its line.
    const QByteArray reloj = line(ids.arena, "Relojes", "Reloj de arena") +
                             line(ids.digital, "Relojes", "Reloj digital") +
                             line(ids.contador, "Men\xC3\xBAs / Desplegables", "Contador");
    Run r = list(folder.path(), {QStringLiteral("RELOJ")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, reloj);
    QVERIFY(r.err.isEmpty());
    // Words may come as one argument or several, accents or not.
    QCOMPARE(list(folder.path(), {QStringLiteral("MENÚ cascada")}).out,
             line(ids.cascada, "Men\xC3\xBAs / Desplegables", "Men\xC3\xBA en cascada"));
    QCOMPARE(list(folder.path(), {QStringLiteral("dig"), QStringLiteral("relojes")}).out,
             line(ids.digital, "Relojes", "Reloj digital"));
    // No words: every script, in name order.
    r = list(folder.path(), {});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, line(ids.contador, "Men\xC3\xBAs / Desplegables", "Contador") +
                        line(ids.cascada, "Men\xC3\xBAs / Desplegables", "Men\xC3\xBA en cascada") +
                        line(ids.arena, "Relojes", "Reloj de arena") +
                        line(ids.digital, "Relojes", "Reloj digital"));
    // Words that look like options or query syntax are words.
    QCOMPARE(list(folder.path(),
                  {QStringLiteral("--"), QStringLiteral("--reloj"), QStringLiteral("(digital")})
                 .out,
             line(ids.digital, "Relojes", "Reloj digital"));
}

void TestCliList::exitCodesTellWhatHappened()
{
    TempProgramFolder folder;
    fill(folder);
    Run r = list(folder.path(), {QStringLiteral("submarino")});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.isEmpty());

    QTemporaryDir empty;
    const QList<QStringList> wrong = {
        {QStringLiteral("--list"), QStringLiteral("--library")},
        {QStringLiteral("--list"), QStringLiteral("--formato"), QStringLiteral("x")},
        {QStringLiteral("--library"), empty.path(), QStringLiteral("--list")},
    };
    for (const QStringList& args : wrong) {
        r = run(Staged, args);
        QVERIFY2(r.exitCode == 2, qPrintable(args.join(QLatin1Char(' '))));
        QVERIFY(r.out.isEmpty());
        QVERIFY(!r.err.isEmpty());
    }
    // A file that is not a library.
    TempProgramFolder::writeFile(empty.filePath(QStringLiteral("scripts.mdb")), "no soy");
    r = run(Staged, {QStringLiteral("--library"), empty.path(), QStringLiteral("--list")});
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.err.contains(QStringLiteral("No se puede leer la biblioteca")));
}

void TestCliList::readOnlyLibraryIsSearchedAndLeftAlone()
{
    TempProgramFolder folder;
    const Ids ids = fill(folder);
    const QByteArray bytes = TempProgramFolder::readFile(folder.libraryPath());
    const QString args = QStringLiteral("--library %1 --list reloj digital").arg(folder.path());
    Run r;
    if (geteuid() == 0) {
        // Root writes through permissions: make the folder a read-only mount instead.
        const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
        if (unshare.isEmpty())
            QSKIP("unshare is not available");
        r = run(unshare, {QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
                          QStringLiteral("mount --bind \"$0\" \"$0\" && "
                                         "mount -o remount,bind,ro \"$0\" && exec \"$1\" $2"),
                          folder.path(), Staged, args});
    } else {
        QFile::setPermissions(folder.libraryPath(), QFile::ReadOwner);
        QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner);
        r = run(Staged, args.split(QLatin1Char(' ')));
        QFile::setPermissions(folder.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, line(ids.digital, "Relojes", "Reloj digital"));
    QCOMPARE(TempProgramFolder::readFile(folder.libraryPath()), bytes);
}

QTEST_GUILESS_MAIN(TestCliList)
#include "test_cli_list.moc"
