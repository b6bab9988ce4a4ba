// ./install.sh run as a user would, into a HOME of the test's own with its own XDG folders,
// from a tree made by `cmake --install`: the installed program under Xvfb, the menu entry and
// metainfo through the desktop's own validators, an upgrade over a library holding the user's
// own script, an install over a library it cannot open, and the uninstall.
#include "library/database.h"
#include "library/libraryfile.h"
#include "tests/support/xsession.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString Installer = QStringLiteral(KORVALIS_SOURCE_DIR "/install.sh");
const QString AppId = QStringLiteral(KORVALIS_APP_ID);
// Where the start window's "Si acepto" lies, in twips of the window.
constexpr int SplashWidthTwips = 7185;
constexpr QPoint AcceptTwips(2880 + 1455 / 2, 3180 + 405 / 2);

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString& program, const QStringList& args,
        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        r.err = u"no terminó: "_s + program;
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file and link under a folder, by relative path, with a digest of its bytes (or of
// its target, for a link).
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        const QByteArray content = info.isSymLink() ? info.symLinkTarget().toUtf8() : readAll(path);
        files.insert(path.mid(folder.size() + 1),
                     QCryptographicHash::hash(content, QCryptographicHash::Sha256));
    }
    return files;
}

QMap<QString, QByteArray> only(const QMap<QString, QByteArray>& files, const QString& prefix)
{
    QMap<QString, QByteArray> kept;
    for (auto it = files.begin(); it != files.end(); ++it)
        if (it.key().startsWith(prefix))
            kept.insert(it.key(), it.value());
    return kept;
}

// The rows of the library's own tables, each as one line of quoted values.
QSet<QString> rows(const QString& libraryFile)
{
    library::Database db = library::Database::open(libraryFile, library::LibraryPassword);
    QSet<QString> all;
    const char* queries[] = {
        "SELECT 'categorias|' || quote(id) || '|' || quote(id_padre) || '|' || quote(nombre) || "
        "'|' || quote(descripcion) FROM categorias",
        "SELECT 'tipos|' || quote(id) || '|' || quote(nombre) FROM tipos",
        "SELECT 'scripts|' || quote(id) || '|' || quote(id_categoria) || '|' || quote(id_tipo) || "
        "'|' || quote(nombre) || '|' || quote(navegadores) || '|' || quote(script_head) || '|' || "
        "quote(script_body) || '|' || quote(script_html) || '|' || quote(script_ayuda) || '|' || "
        "quote(nombre_fichero) FROM scripts",
        "SELECT 'ficheros|' || quote(id) || '|' || quote(id_script) || '|' || quote(nombre) "
        "FROM ficheros"};
    for (const char* sql : queries) {
        auto q = db.prepare(sql);
        while (q.next())
            all.insert(q.text(0));
    }
    return all;
}

qint64 scalar(library::Database& db, const char* sql)
{
    auto q = db.prepare(sql);
    return q.next() ? q.int64(0) : -1;
}

// Adds a script, with one related file, to the first category of a library.
void addScript(const QString& programFolder, const QString& name, const QString& fileName,
               const QByteArray& fileBytes)
{
    library::Database db =
        library::Database::open(library::LibraryPathIn(programFolder), library::LibraryPassword);
    auto s = db.prepare(
        "INSERT INTO scripts (id_categoria, id_tipo, nombre, navegadores, script_head, "
        "script_body, script_html, script_ayuda, nombre_fichero) VALUES ((SELECT min(id) FROM "
        "categorias), (SELECT min(id) FROM tipos), ?1, 'Todos', ?2, '', ?3, 'Para probar', '')");
    s.bind(1, name)
        .bind(2, u"<script>var %1 = 1;</script>"_s.arg(fileName.section(u'.', 0, 0)))
        .bind(3, u"<img src=\"resources/%1\">"_s.arg(fileName));
    s.run();
    auto f = db.prepare("INSERT INTO ficheros (id_script, nombre) VALUES (?1, ?2)");
    f.bind(1, db.lastInsertId()).bind(2, fileName);
    f.run();
    QFile out(programFolder + u"/resources/"_s + fileName);
    QVERIFY(out.open(QIODevice::WriteOnly));
    QCOMPARE(out.write(fileBytes), fileBytes.size());
}

// A user's own HOME, with its own XDG folders (the data folder elsewhere than the default).
class Home
{
public:
    Home()
    {
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert(u"HOME"_s, home());
        env_.insert(u"XDG_DATA_HOME"_s, dir_.filePath(u"datos del usuario"_s));
        env_.insert(u"XDG_CONFIG_HOME"_s, dir_.filePath(u"config"_s));
        env_.insert(u"XDG_CACHE_HOME"_s, dir_.filePath(u"cache"_s));
        env_.insert(u"XDG_STATE_HOME"_s, dir_.filePath(u"state"_s));
        env_.insert(u"XDG_RUNTIME_DIR"_s, dir_.filePath(u"runtime"_s));
        QDir().mkpath(home());
        QDir().mkpath(dir_.filePath(u"runtime"_s));
        QFile::setPermissions(dir_.filePath(u"runtime"_s), QFileDevice::ReadOwner |
                                                               QFileDevice::WriteOwner |
                                                               QFileDevice::ExeOwner);
    }

    QString root() const { return dir_.path(); }
    QString home() const { return dir_.filePath(u"casa"_s); }
    QString data() const { return dir_.filePath(u"datos del usuario"_s); }
    QString program() const { return data() + u"/korvalis"_s; }
    QString library() const { return library::LibraryPathIn(program()); }
    QString bin() const { return home() + u"/.local/bin"_s; }
    const QProcessEnvironment& env() const { return env_; }

    Run install(const QString& tree) const
    {
        return run(u"bash"_s, {Installer, u"--from"_s, tree}, env_);
    }
    Run uninstall() const { return run(u"bash"_s, {Installer, u"--uninstall"_s}, env_); }

    // The files the install says it installed.
    QStringList manifest() const
    {
        QStringList files;
        for (const QString& line : QString::fromUtf8(readAll(program() + u"/.instalacion"_s))
                                       .split(u'\n', Qt::SkipEmptyParts))
            if (!line.startsWith(u'#'))
                files.append(line);
        return files;
    }

private:
    QTemporaryDir dir_;
    QProcessEnvironment env_;
};

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void installPutsTheProgramInTheUsersFolders();
    void installedProgramStartsWithItsTermsFromTheUsersBin();
    void upgradeKeepsTheUsersScriptsAndBringsTheNewOnes();
    void installOverALibraryItCannotOpenChangesNothing_data();
    void installOverALibraryItCannotOpenChangesNothing();
    void olderVersionNeverReplacesANewerOne();
    void installOnAFullDiskLeavesTheFormerState();

private:
    // A newer build's tree: this build's, with one script more in its library.
    QTemporaryDir trees_;
    QString tree_;
    QString newerTree_;
};

void TestInstall::initTestCase()
{
    for (const char* tool : {"desktop-file-validate", "appstreamcli", "Xvfb"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP(qPrintable(QString::fromLatin1(tool) + u" is not installed"_s));
    tree_ = trees_.filePath(u"árbol"_s);
    const Run made =
        run(QStringLiteral(KORVALIS_CMAKE), {u"--install"_s, QStringLiteral(KORVALIS_BUILD_DIR),
                                             u"--prefix"_s, tree_, u"--strip"_s});
    QVERIFY2(made.exitCode == 0, qPrintable(made.err));

    // A newer build's tree: this one's, with one script more in its library, and its own files
    // changed so that their replacement shows.
    newerTree_ = trees_.filePath(u"nuevo"_s);
    QVERIFY(run(u"cp"_s, {u"-a"_s, tree_, newerTree_}).exitCode == 0);
    addScript(newerTree_ + u"/share/korvalis"_s, u"Novedad de la versión"_s, u"novedad.gif"_s,
              "GIF89a-novedad");
    QFile terms(newerTree_ + u"/share/korvalis/licencia.rtf"_s);
    QVERIFY(terms.open(QIODevice::Append));
    terms.write("\n{\\pard Nueva versi\\'f3n\\par}\n");
}

void TestInstall::installPutsTheProgramInTheUsersFolders()
{
    Home user;
    const Run installed = user.install(tree_);
    QVERIFY2(installed.exitCode == 0, qPrintable(installed.err));
    QVERIFY(installed.out.contains(user.program()));

    // The program folder is the shipped one, in the XDG data folder.
    auto program = snapshot(user.program());
    QVERIFY(program.remove(u".instalacion"_s) == 1);
    QCOMPARE(program, snapshot(tree_ + u"/share/korvalis"_s));
    const QString entry = user.data() + u"/applications/"_s + AppId + u".desktop"_s;
    const QString metainfo = user.data() + u"/metainfo/"_s + AppId + u".metainfo.xml"_s;
    const QString icon = user.data() + u"/icons/hicolor/scalable/apps/"_s + AppId + u".svg"_s;
    const QString manPage = user.home() + u"/.local/share/man/man1/korvalis-export.1"_s;
    for (const QString& file : {entry, metainfo, icon, manPage})
        QVERIFY2(QFileInfo(file).isFile(), qPrintable(file));

    // The menu entry and the metainfo pass the desktop's own validators.
    const Run desktop = run(u"desktop-file-validate"_s, {entry});
    QVERIFY2(desktop.exitCode == 0 && desktop.out.isEmpty(), qPrintable(desktop.out));
    const Run appstream = run(u"appstreamcli"_s, {u"validate"_s, u"--no-net"_s, metainfo});
    QVERIFY2(appstream.exitCode == 0, qPrintable(appstream.out + appstream.err));
    const QString entryText = QString::fromUtf8(readAll(entry));
    QVERIFY(entryText.contains(u"\nCategories=Development;WebDevelopment;\n"_s));
    QVERIFY(entryText.contains(u"\nIcon="_s + AppId + u'\n'));
    // Exec names the installed program, quoted for the blank in the data folder's name.
    QVERIFY2(entryText.contains(u"\nExec=\""_s + user.program() + u"/korvalis\"\n"_s),
             qPrintable(entryText));
    const Run man = run(u"man"_s, {u"-l"_s, u"-Tutf8"_s, u"--warnings=all"_s, manPage});
    QVERIFY2(man.exitCode == 0 && man.err.isEmpty(), qPrintable(man.err));
    // man writes bold and underline as overstrikes when it does not write to a terminal.
    const QString manText = QString(man.out).remove(QRegularExpression(u".\b"_s));
    for (const QString& form :
         {u"--list"_s, u"--update"_s, u"--library"_s, u"--import"_s, u"--export-library"_s})
        QVERIFY2(manText.contains(form), qPrintable(form));

    // The command in ~/.local/bin finds its library in the program folder, not beside the link.
    const Run listed = run(user.bin() + u"/korvalis-export"_s, {u"--list"_s}, user.env());
    QVERIFY2(listed.exitCode == 0, qPrintable(listed.err));
    const Run direct = run(user.program() + u"/korvalis-export"_s,
                           {u"--library"_s, user.program(), u"--list"_s}, user.env());
    QVERIFY(!listed.out.isEmpty());
    QCOMPARE(listed.out, direct.out);
    // The same through the packager's layout: bin/ links into share/korvalis.
    const Run packaged = run(tree_ + u"/bin/korvalis-export"_s, {u"--list"_s});
    QCOMPARE(packaged.out, direct.out);

    // Uninstalling removes what it installed and keeps the library and its files.
    const QStringList files = user.manifest();
    QVERIFY(files.contains(entry) && files.contains(user.bin() + u"/korvalis"_s));
    const auto library = only(snapshot(user.program()), u"scripts.mdb"_s);
    const auto resources = only(snapshot(user.program()), u"resources/"_s);
    const Run removed = user.uninstall();
    QVERIFY2(removed.exitCode == 0, qPrintable(removed.err));
    QVERIFY(removed.out.contains(user.program()));
    for (const QString& file : files)
        QVERIFY2(!QFileInfo(file).exists() && !QFileInfo(file).isSymLink(), qPrintable(file));
    QCOMPARE(snapshot(user.root()).size(), library.size() + resources.size());
    QCOMPARE(only(snapshot(user.program()), u"scripts.mdb"_s), library);
    QCOMPARE(only(snapshot(user.program()), u"resources/"_s), resources);
}

void TestInstall::installedProgramStartsWithItsTermsFromTheUsersBin()
{
    Home user;
    QVERIFY(user.install(tree_).exitCode == 0);
    xsupport::XSession x;
    QVERIFY(x.ok());
    QProcess program;
    QProcessEnvironment env = user.env();
    env.insert(u"DISPLAY"_s, x.display());
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    program.setProcessEnvironment(env);
    program.start(user.bin() + u"/korvalis"_s, {});
    QVERIFY(program.waitForStarted());
    // The terms come first: they read licencia.rtf from the program folder; accepting them
    // opens the main window on the installed library.
    const auto terms = x.waitForShown(u"Korvalis"_s, {}, 30000);
    QVERIFY2(terms, qPrintable(QString::fromUtf8(program.readAllStandardError())));
    const double scale = double(terms->geometry.width()) / SplashWidthTwips;
    x.click(terms->geometry.topLeft() + AcceptTwips * scale);
    const auto main = x.waitForShown(u"Korvalis"_s, {terms->window}, 30000);
    const bool running = program.state() == QProcess::Running;
    program.kill();
    program.waitForFinished();
    QVERIFY2(main && running, qPrintable(QString::fromUtf8(program.readAllStandardError())));
    QVERIFY(main->geometry.width() > terms->geometry.width());
}

void TestInstall::upgradeKeepsTheUsersScriptsAndBringsTheNewOnes()
{
    Home user;
    QVERIFY(user.install(tree_).exitCode == 0);
    addScript(user.program(), u"Mi propio script"_s, u"mio.gif"_s, "GIF89a-mio");
    const QSet<QString> before = rows(user.library());
    const auto resourcesBefore = only(snapshot(user.program()), u"resources/"_s);
    const QString tree = newerTree_;

    const Run upgraded = user.install(tree);
    QVERIFY2(upgraded.exitCode == 0, qPrintable(upgraded.out + upgraded.err));
    library::Database shippedDb =
        library::Database::open(tree_ + u"/share/korvalis/scripts.mdb"_s, library::LibraryPassword);
    const qint64 shippedScripts = scalar(shippedDb, "SELECT count(*) FROM scripts");
    QVERIFY2(upgraded.out.contains(u"1 script nuevo; %1 ya estaban"_s.arg(shippedScripts)),
             qPrintable(upgraded.out));

    // The user's rows are all there as they were; what came in is the new script and its file.
    const QSet<QString> after = rows(user.library());
    QVERIFY(after.contains(before));
    const QSet<QString> added = after - before;
    QCOMPARE(added.size(), 2);
    QStringList addedRows = added.values();
    addedRows.sort();
    QVERIFY2(addedRows[0].startsWith(u"ficheros|"_s) && addedRows[0].endsWith(u"|'novedad.gif'"_s),
             qPrintable(addedRows[0]));
    QVERIFY2(addedRows[1].startsWith(u"scripts|"_s) &&
                 addedRows[1].contains(u"'Novedad de la versión'"_s),
             qPrintable(addedRows[1]));
    auto resourcesAfter = only(snapshot(user.program()), u"resources/"_s);
    QCOMPARE(resourcesAfter.take(u"resources/novedad.gif"_s),
             QCryptographicHash::hash("GIF89a-novedad", QCryptographicHash::Sha256));
    QCOMPARE(resourcesAfter, resourcesBefore);

    // The library was backed up before: the copy holds it as it was.
    const QStringList backups =
        QDir(user.program() + u"/copias"_s).entryList(QDir::Files | QDir::NoDotAndDotDot);
    QCOMPARE(backups.size(), 1);
    QCOMPARE(rows(user.program() + u"/copias/"_s + backups.first()), before);
    QVERIFY(upgraded.out.contains(backups.first()));
    // The program's own files are the new version's.
    QCOMPARE(readAll(user.program() + u"/licencia.rtf"_s),
             readAll(tree + u"/share/korvalis/licencia.rtf"_s));

    // Uninstalling after the upgrade leaves the library, its files and its backups byte for
    // byte, and nothing else of the program anywhere.
    const auto kept = snapshot(user.program());
    QMap<QString, QByteArray> library = only(kept, u"scripts.mdb"_s);
    library.insert(only(kept, u"resources/"_s));
    library.insert(only(kept, u"copias/"_s));
    const Run removed = user.uninstall();
    QVERIFY2(removed.exitCode == 0, qPrintable(removed.err));
    QCOMPARE(snapshot(user.program()), library);
    QCOMPARE(snapshot(user.root()).size(), library.size());
}

void TestInstall::installOverALibraryItCannotOpenChangesNothing_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::newRow("another key") << QByteArray("key");
    QTest::newRow("damaged") << QByteArray("damaged");
    QTest::newRow("truncated") << QByteArray("truncated");
}

void TestInstall::installOverALibraryItCannotOpenChangesNothing()
{
    QFETCH(QByteArray, kind);
    Home user;
    QVERIFY(user.install(tree_).exitCode == 0);
    const QString path = user.library();
    if (kind == "key") {
        QVERIFY(QFile::remove(path));
        library::Database other = library::Database::create(path, "otra clave");
        other.execute("CREATE TABLE scripts (id INTEGER PRIMARY KEY, nombre TEXT)");
    } else {
        QByteArray bytes = readAll(path);
        if (kind == "damaged")
            bytes.replace(0, 4096, QByteArray(4096, '\x5a'));
        else
            bytes.truncate(1000);
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
    }
    const auto before = snapshot(user.root());

    const Run refused = user.install(newerTree_);
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains(u"no se puede abrir la biblioteca instalada"_s) &&
                 refused.err.contains(u"No se ha cambiado nada"_s),
             qPrintable(refused.err));
    QCOMPARE(snapshot(user.root()), before);
}

void TestInstall::olderVersionNeverReplacesANewerOne()
{
    const QString later = trees_.filePath(u"posterior"_s);
    QVERIFY(run(u"cp"_s, {u"-a"_s, tree_, later}).exitCode == 0);
    const QString metainfo = later + u"/share/metainfo/"_s + AppId + u".metainfo.xml"_s;
    QByteArray text = readAll(metainfo);
    QVERIFY(text.contains("<release version=\"" KORVALIS_VERSION "\""));
    text.replace("<release version=\"" KORVALIS_VERSION "\"", "<release version=\"99.0.1\"");
    QFile out(metainfo);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(text);
    out.close();

    Home user;
    QVERIFY(user.install(later).exitCode == 0);
    const auto before = snapshot(user.root());
    const Run refused = user.install(tree_);
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains(u"99.0.1, más nueva"_s), qPrintable(refused.err));
    QCOMPARE(snapshot(user.root()), before);
}

void TestInstall::installOnAFullDiskLeavesTheFormerState()
{
    if (geteuid() != 0)
        QSKIP("a disk of the test's own needs root");
    qint64 treeBytes = 0;
    QDirIterator it(tree_ + u"/share"_s, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        treeBytes += QFileInfo(it.next()).size();

    // The user's folders on a tmpfs with room for one install and half of a second: the first
    // install fits, the upgrade's copies do not.
    Home user;
    QVERIFY(unshare(CLONE_NEWNS) == 0);
    QVERIFY(mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0);
    const QByteArray options = "size=" + QByteArray::number(treeBytes * 3 / 2 / 1024) + "k";
    QVERIFY(mount("tmpfs", user.root().toLocal8Bit().constData(), "tmpfs", 0,
                  options.constData()) == 0);
    QDir().mkpath(user.home());
    QDir().mkpath(user.root() + u"/runtime"_s);

    const Run first = user.install(tree_);
    QVERIFY2(first.exitCode == 0, qPrintable(first.err));
    // The program has run once: the library holds its search index.
    QVERIFY(run(user.bin() + u"/korvalis-export"_s, {u"--list"_s}, user.env()).exitCode == 0);
    const auto before = snapshot(user.root());
    const Run upgraded = user.install(newerTree_);
    QCOMPARE(upgraded.exitCode, 1);
    QVERIFY2(upgraded.err.contains(u"¿disco lleno"_s), qPrintable(upgraded.err));
    QCOMPARE(snapshot(user.root()), before);

    // A first install that does not fit leaves nothing behind.
    QVERIFY(user.uninstall().exitCode == 0);
    QVERIFY(QDir(user.program()).removeRecursively());
    QCOMPARE(snapshot(user.root()).size(), 0);
    const QByteArray full(treeBytes / 2, 'x');
    {
        QFile filler(user.root() + u"/relleno"_s);
        QVERIFY(filler.open(QIODevice::WriteOnly));
        QCOMPARE(filler.write(full), full.size());
    }
    const Run refused = user.install(tree_);
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains(u"¿disco lleno"_s), qPrintable(refused.err));
    QCOMPARE(snapshot(user.root()).keys(), QStringList{u"relleno"_s});
    QVERIFY(umount2(user.root().toLocal8Bit().constData(), MNT_DETACH) == 0);
}

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
