// The program's start without the web engine, and the engine as the program starts it: the
// staged program under an Xvfb of the test's own (no direct rendering there, so it draws in
// software), a script page drawn by it, and the engine's processes and libraries it runs with.
#include "browser/layout.h"
#include "tests/support/scriptbuilder.h"
#include "tests/support/tempprogramfolder.h"
#include "tests/support/xsession.h"
#include "web/enginesettings.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <sched.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int SplashWidthTwips = 7185;
constexpr QPoint AcceptTwips(2880 + 1455 / 2, 3180 + 405 / 2);
constexpr int MainWidthTwips = 9195;
// The tree's top left corner, below the search box.
constexpr QPoint TreeTwips(100 + 50, 50 + 150 + layout::SearchBoxHeight + layout::SearchBoxGap);
// The colour of the block the test script's page shows.
const QColor Block(0, 200, 0);

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The command lines of the processes below `pid`, one level down (the engine's helpers).
QList<QByteArray> childrenOf(int pid)
{
    QList<QByteArray> found;
    const QStringList entries = QDir(u"/proc"_s).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        const QByteArray stat = readFile(u"/proc/%1/stat"_s.arg(entry));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toInt() == pid)
            found.append(readFile(u"/proc/%1/cmdline"_s.arg(entry)).replace('\0', ' '));
    }
    return found;
}

int pixelsOf(const QImage& image, const QColor& colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) < 30 && qAbs(c.green() - colour.green()) < 30 &&
                qAbs(c.blue() - colour.blue()) < 30)
                ++count;
        }
    }
    return count;
}

} // namespace

class TestEngineWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theTermsWindowLoadsNoWebEngine();
    void engineFlagsKeepTheSandboxesZygote();
    void scriptPageDrawnInSoftwareByOneRenderer();
};

void TestEngineWindows::theTermsWindowLoadsNoWebEngine()
{
    const QString program = QStringLiteral(KORVALIS_PROGRAM_DIR);
    QVERIFY(QFileInfo(program + u"/libkorvalis-windows.so"_s).isFile());
    // What the dynamic loader maps before main(): the program's own libraries and Qt's widgets,
    // but neither the engine, nor the Qt Quick it draws with, nor the library's SQLCipher.
    QProcess trace;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"LD_TRACE_LOADED_OBJECTS"_s, u"1"_s);
    trace.setProcessEnvironment(env);
    trace.start(program + u"/korvalis"_s, {});
    QVERIFY(trace.waitForFinished(10000));
    const QByteArray loaded = trace.readAllStandardOutput();
    QVERIFY2(loaded.contains("libQt6Widgets"), loaded.constData());
    for (const char* library : {"libQt6WebEngine", "libQt6Quick", "libQt6Qml", "libsqlcipher"})
        QVERIFY2(!loaded.contains(library), library);
}

void TestEngineWindows::engineFlagsKeepTheSandboxesZygote()
{
    // The sandbox needs the zygote: without it the engine refuses to start.
    const QByteArray sandboxed = web::EngineFlags("--disable-gpu", false, false);
    QVERIFY(!sandboxed.contains("--no-zygote"));
    QVERIFY(sandboxed.startsWith("--disable-gpu "));
    QVERIFY(sandboxed.contains("--renderer-process-limit=1"));
    QVERIFY(web::EngineFlags({}, true, false).contains("--no-zygote"));
    QCOMPARE(web::EngineFlags({}, false, true).count("--disable-gpu"), 1);
    // What the user asked for stands, and nothing is given twice.
    const QByteArray asked = web::EngineFlags("--renderer-process-limit=3 --no-zygote", true, true);
    QCOMPARE(asked, QByteArray("--renderer-process-limit=3 --no-zygote --disable-gpu"));
}

void TestEngineWindows::scriptPageDrawnInSoftwareByOneRenderer()
{
    if (QStandardPaths::findExecutable(u"Xvfb"_s).isEmpty())
        QSKIP("Xvfb is not installed");
    // Only loopback: no update page, and nothing leaves the machine.
    if (geteuid() == 0)
        QVERIFY(unshare(CLONE_NEWNET) == 0);
    QTemporaryDir folder;
    QVERIFY(xsupport::CopyProgramFolder(QStringLiteral(KORVALIS_PROGRAM_DIR), folder.path()));
    {
        TempProgramFolder library;
        const qint64 category = library.addCategory(0, u"Pruebas"_s);
        ScriptBuilder(u"Bloque"_s)
            .in(category)
            .type(library.addType(u"Efecto"_s))
            .body(u"<div style=\"background:rgb(0,200,0);width:300px;height:200px\"></div>"_s)
            .addTo(library);
        library.closeLibrary();
        QFile::remove(folder.filePath(u"scripts.mdb"_s));
        QVERIFY(QFile::copy(library.libraryPath(), folder.filePath(u"scripts.mdb"_s)));
    }

    xsupport::XSession x;
    QVERIFY(x.ok());
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, x.display());
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    // The engine's flags are the program's own.
    env.remove(u"QTWEBENGINE_CHROMIUM_FLAGS"_s);
    program.setProcessEnvironment(env);
    program.start(folder.filePath(u"korvalis"_s), {});
    const auto splash = x.waitForShown(u"Korvalis"_s, {}, 30000);
    QVERIFY(program.waitForStarted() && splash);
    QTest::qWait(1500);
    const double splashScale = double(splash->geometry.width()) / SplashWidthTwips;
    x.click(splash->geometry.topLeft() + AcceptTwips * splashScale);
    const auto main = x.waitForShown(u"Korvalis"_s, {splash->window}, 30000);
    QVERIFY(main);
    QCOMPARE(pixelsOf(x.grab(main->geometry), Block), 0);

    // The root's row, then down to the category, open it, down to the script.
    const double scale = double(main->geometry.width()) / MainWidthTwips;
    x.click(main->geometry.topLeft() + TreeTwips * scale + QPoint(45, 8));
    for (unsigned key : {0xff54u, 0xff53u, 0xff54u}) { // Down, Right, Down
        QTest::qWait(300);
        x.pressKey(key);
    }
    // The block, drawn by the engine in software, is on screen.
    QTRY_VERIFY_WITH_TIMEOUT(pixelsOf(x.grab(main->geometry), Block) > 300 * 200 / 2, 15000);

    const int pid = int(program.processId());
    // One renderer for every page, started without a zygote (no sandbox here), and no GPU
    // process.
    int renderers = 0;
    const QList<QByteArray> helpers = childrenOf(pid);
    for (const QByteArray& helper : helpers) {
        QVERIFY2(!helper.contains("--type=zygote") && !helper.contains("--type=gpu-process"),
                 helper.constData());
        if (helper.contains("--type=renderer")) {
            ++renderers;
            // The try-page window's scheme reached the engine: the module registered it
            // before the engine started, though after the application object.
            QVERIFY2(helper.contains("korvalis-prueba"), helper.constData());
        }
    }
    QCOMPARE(renderers, 1);
    // No GL driver was loaded to draw it.
    const QByteArray maps = readFile(u"/proc/%1/maps"_s.arg(pid));
    QVERIFY(!maps.contains("libLLVM") && !maps.contains("_dri.so"));
    program.kill();
    program.waitForFinished();
    // Nothing the engine needs before it starts came too late.
    const QByteArray errors = program.readAllStandardError();
    QVERIFY(!errors.contains("Too late to register scheme"));
    QVERIFY(!errors.contains("initialized from a plugin"));
}

QTEST_MAIN(TestEngineWindows)
#include "test_enginewindows.moc"
