// The staged program as a person starts it, under an Xvfb of the test's own, in a network of
// the test's own: a dummy interface gives it an address other than loopback, and its update
// site is a server on 127.0.0.1 that accepts and never answers.
#include "base/module1.h"
#include "library/database.h"
#include "library/libraryfile.h"
#include "tests/support/tempprogramfolder.h"
#include "tests/support/xsession.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Where the start window's buttons lie, in twips of the window.
constexpr int SplashWidthTwips = 7185;
constexpr QPoint AcceptTwips(2880 + 1455 / 2, 3180 + 405 / 2);
constexpr QPoint DeclineTwips(4440 + 1455 / 2, 3180 + 405 / 2);
// Well inside the update check's wait for its page, which is 8 s, and the wait for another
// process's lock on the library, which is 5 s.
constexpr int EndsWithinMs = 2500;

// Runs a command line of words split at blanks; true when it succeeded.
bool run(const char* command)
{
    QStringList words = QString::fromLatin1(command).split(u' ');
    return QProcess::execute(words.takeFirst(), words) == 0;
}

} // namespace

class TestStartProcess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void leavingDuringTheUpdateWaitEndsTheProgram_data();
    void leavingDuringTheUpdateWaitEndsTheProgram();

private:
    QTemporaryDir hostsDir_;
    QTcpServer silentSite_;
    QList<QTcpSocket*> waiting_;
    std::unique_ptr<xsupport::XSession> x_;
};

void TestStartProcess::initTestCase()
{
    if (geteuid() != 0)
        QSKIP("a network of the test's own needs root");
    if (QStandardPaths::findExecutable(u"ip"_s).isEmpty() ||
        QStandardPaths::findExecutable(u"Xvfb"_s).isEmpty())
        QSKIP("ip or Xvfb is not installed");
    QVERIFY(unshare(CLONE_NEWNET | CLONE_NEWNS) == 0);
    QVERIFY(mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0);
    QVERIFY(run("ip link set lo up"));
    // A dummy interface where the kernel has them, else a tun device no one reads from.
    QVERIFY(run("ip link add d0 type dummy") || run("ip tuntap add dev d0 mode tun"));
    QVERIFY(run("ip addr add 10.9.9.9/24 dev d0"));
    QVERIFY(run("ip link set d0 up"));

    // The update site's name leads to the silent server, in this namespace only.
    Module1::SetProgramValues();
    const QUrl site(Module1::UpdateCheckUrl);
    const QString hosts = hostsDir_.filePath(u"hosts"_s);
    TempProgramFolder::writeFile(hosts,
                                 "127.0.0.1 localhost\n127.0.0.1 " + site.host().toLatin1() + "\n");
    QVERIFY(mount(hosts.toLocal8Bit().constData(), "/etc/hosts", nullptr, MS_BIND, nullptr) == 0);
    QVERIFY(silentSite_.listen(QHostAddress::LocalHost, quint16(site.port(80))));
    connect(&silentSite_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = silentSite_.nextPendingConnection())
            waiting_.append(s);
    });

    x_ = std::make_unique<xsupport::XSession>();
    QVERIFY(x_->ok());
}

void TestStartProcess::leavingDuringTheUpdateWaitEndsTheProgram_data()
{
    // What becomes of the library while the terms are read (the program may have opened it
    // meanwhile): kept, locked by another process, removed, or replaced by another file.
    QTest::addColumn<QByteArray>("library");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("No Acepto") << QByteArray("kept") << 0;
    QTest::newRow("No Acepto, the library locked") << QByteArray("locked") << 0;
    QTest::newRow("Si acepto, the library removed, after its message") << QByteArray() << 1;
    QTest::newRow("Si acepto, the library replaced, after its message")
        << QByteArray(8192, 'Z') << 1;
}

void TestStartProcess::leavingDuringTheUpdateWaitEndsTheProgram()
{
    QFETCH(QByteArray, library);
    QFETCH(int, exitCode);
    const bool accept = library != "kept" && library != "locked";
    QTemporaryDir folder;
    QVERIFY(xsupport::CopyProgramFolder(QStringLiteral(KORVALIS_PROGRAM_DIR), folder.path()));
    const QString path = folder.filePath(u"scripts.mdb"_s);
    std::optional<library::Database> otherProcess;
    if (library == "locked") {
        otherProcess = library::Database::open(path, library::LibraryPassword);
        otherProcess->execute("BEGIN EXCLUSIVE");
    }

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, x_->display());
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    program.setProcessEnvironment(env);
    const qsizetype askedBefore = waiting_.size();
    x_->reset();
    program.start(folder.filePath(u"korvalis"_s), {});
    const auto splash = x_->waitForShown(u"Korvalis"_s, {}, 30000);
    QVERIFY(program.waitForStarted() && splash);
    // The update page is asked for and never comes: the check is waiting.
    QTRY_VERIFY_WITH_TIMEOUT(waiting_.size() > askedBefore, 20000);
    if (accept) {
        QVERIFY(QFile::remove(path));
        if (!library.isNull()) {
            TempProgramFolder::writeFile(path + u".new"_s, library);
            QVERIFY(QFile::rename(path + u".new"_s, path));
        }
    }

    const double scale = double(splash->geometry.width()) / SplashWidthTwips;
    x_->click(splash->geometry.topLeft() + (accept ? AcceptTwips : DeclineTwips) * scale);
    if (accept) {
        const auto message = x_->waitForShown(u"Error"_s, {splash->window}, 10000);
        QVERIFY(message);
        x_->pressReturn(message->geometry.center());
    }
    const bool ended = program.waitForFinished(EndsWithinMs);
    program.kill();
    QVERIFY2(ended, "the program runs on after its last window closed");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
}

QTEST_MAIN(TestStartProcess)
#include "test_startprocess.moc"
