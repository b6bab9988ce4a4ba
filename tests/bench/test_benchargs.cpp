// Every benchmark given --help or a flag it does not know ends without leaving a process
// behind (a display server it started, say). The test makes itself the subreaper of what its
// children leave, so anything left behind becomes its own child and is seen.

#include <QDir>
#include <QProcess>
#include <QtTest>
#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The processes whose parent is this one.
QList<int> leftChildren()
{
    QList<int> found;
    const QString self = QString::number(getpid());
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const int pid = entry.toInt(&number);
        if (!number)
            continue;
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("PPid:") && line.mid(5).trimmed() == self.toLatin1())
                found.append(pid);
        }
    }
    return found;
}

} // namespace

class TestBenchArgs : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(prctl(PR_SET_CHILD_SUBREAPER, 1) == 0); }
    void argumentsEndTheRunCleanly_data();
    void argumentsEndTheRunCleanly();
};

void TestBenchArgs::argumentsEndTheRunCleanly_data()
{
    QTest::addColumn<QString>("bench");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode"); // -1: any (a bad value prints the usage and exits 0)
    for (const char* bench :
         {"bench_startup", "bench_search", "bench_tree", "bench_export", "bench_siteupdate"}) {
        const QString b = QString::fromLatin1(bench);
        QTest::addRow("%s --help", bench) << b << QStringList{QStringLiteral("--help")} << 0;
        QTest::addRow("%s unknown flag", bench)
            << b << QStringList{QStringLiteral("--benchmark_no_such_flag=1")} << 1;
        QTest::addRow("%s bad format", bench)
            << b << QStringList{QStringLiteral("--benchmark_format=papel")} << -1;
    }
}

void TestBenchArgs::argumentsEndTheRunCleanly()
{
    QFETCH(QString, bench);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(KORVALIS_BENCH_DIR "/") + bench, args);
    QVERIFY2(p.waitForFinished(60000), qPrintable(bench));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    if (exitCode >= 0)
        QCOMPARE(p.exitCode(), exitCode);
    // Anything the benchmark left running has become this process's child by now.
    QTest::qWait(300);
    const QList<int> left = leftChildren();
    for (const int pid : left) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    QVERIFY2(left.isEmpty(), qPrintable(QString::fromUtf8(p.readAll().left(500))));
}

QTEST_GUILESS_MAIN(TestBenchArgs)
#include "test_benchargs.moc"
