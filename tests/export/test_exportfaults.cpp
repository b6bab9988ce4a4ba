// The real command under strace: each call on the site's folder fails in turn with a full
// disk. Every time the command either refuses and leaves the old bytes, or does the whole job.

#include "library/librarystore.h"
#include "tests/export/sitefixture.h"
#include "tests/support/writefaults.h"

#include <QDirIterator>
#include <QtTest>

namespace {

const QString Staged = QStringLiteral(KORVALIS_PROGRAM_DIR "/korvalis-export");
// Qt falls back from linkat to a named file, and its fdatasync follows the program's fsync.
const QStringList Survivable = {QStringLiteral("openat"), QStringLiteral("close"),
                                QStringLiteral("fdatasync"), QStringLiteral("linkat")};

// Every file and folder under `folder`, with its bytes.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> all;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        all[QDir(folder).relativeFilePath(f.fileName())] =
            f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(folder)");
    }
    return all;
}

} // namespace

class TestExportFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyFailingCallLeavesOldBytesOrTheWholeResult_data();
    void everyFailingCallLeavesOldBytesOrTheWholeResult();
};

void TestExportFaults::everyFailingCallLeavesOldBytesOrTheWholeResult_data()
{
    QTest::addColumn<bool>("siteUpdate");
    QTest::newRow("export, no resources folder yet") << false;
    QTest::newRow("site update over an earlier export") << true;
}

void TestExportFaults::everyFailingCallLeavesOldBytesOrTheWholeResult()
{
    QFETCH(bool, siteUpdate);
    if (const QString why = writefaults::unavailable(); !why.isEmpty())
        QSKIP(qPrintable(why));
    SiteFixture f;
    const QByteArray big(200 * 1024, 'b');
    f.folder.addFile(f.lib.reloj, QStringLiteral("grande.bin"));
    f.folder.writeResource(QStringLiteral("grande.bin"), big);
    f.folder.closeLibrary();
    // The first opening builds the search index; after it every run makes the same calls.
    library::LibraryStore::open(f.folder.libraryPath());
    const QString page = f.path(QStringLiteral("p.html"));
    const auto reset = [&] {
        // For the update: a page holding two scripts, and copies from an earlier export.
        QDir(f.site.path()).removeRecursively();
        f.page(QStringLiteral("p.html"),
               siteUpdate ? QList<qint64>{f.lib.reloj, f.nieve} : QList<qint64>{});
        for (const char* name : {"reloj.gif", "grande.bin", "copo.png"}) {
            if (siteUpdate && QDir(f.site.path()).mkpath(QStringLiteral("resources")))
                TempProgramFolder::writeFile(
                    f.path(QStringLiteral("resources/") + QLatin1String(name)), "viejo");
        }
        return snapshot(f.site.path());
    };
    const QStringList args = QStringList{QStringLiteral("--library"), f.folder.path()} +
                             (siteUpdate ? QStringList{QStringLiteral("--update"), f.site.path()}
                                         : QStringList{QString::number(f.lib.reloj), page});

    const QMap<QString, QByteArray> before = reset();
    const writefaults::Run clean = writefaults::run(Staged, args);
    QVERIFY2(clean.exitCode == 0, qPrintable(clean.output));
    const QMap<QString, QByteArray> whole = snapshot(f.site.path());
    QCOMPARE(whole.size(), siteUpdate ? 5 : 4);
    QVERIFY(whole[QStringLiteral("p.html")].contains("function t()"));
    QCOMPARE(whole.value(QStringLiteral("resources/grande.bin")), big);
    // The page is replaced once, whatever number of scripts it holds.
    QCOMPARE(clean.trace.count(QStringLiteral("\"%1\") = 0").arg(page)), 1);
    const QList<writefaults::Call> calls = writefaults::callsUnder(clean, f.site.path());
    QVERIFY2(calls.size() >= 12, qPrintable(QString::number(calls.size())));

    int refused = 0;
    for (const writefaults::Call& call : calls) {
        reset();
        const writefaults::Run r = writefaults::run(Staged, args, &call);
        const QByteArray what = (call.text() + QLatin1Char(' ') + r.output).toUtf8();
        QVERIFY2(r.injected(), what.constData());
        const QMap<QString, QByteArray> after = snapshot(f.site.path());
        if (r.exitCode == 0) {
            // A failed write, fsync, rename or new folder is always reported.
            QVERIFY2(Survivable.contains(call.name), what.constData());
            QVERIFY2(after == whole, what.constData());
            continue;
        }
        ++refused;
        QVERIFY2(r.exitCode == 1, what.constData());
        QVERIFY2(r.output.contains(siteUpdate ? QStringLiteral("rechazada")
                                              : QStringLiteral("La página no se ha modificado")),
                 what.constData());
        // The full disk told in Spanish, the system's words after it.
        QVERIFY2(r.output.contains(
                     QStringLiteral("No queda espacio en el disco (No space left on device)")),
                 what.constData());
        // A folder that cannot be listed is reported on its own; the page beside it is done.
        if (!call.line.contains(QLatin1String("O_DIRECTORY")))
            QVERIFY2(after.value(QStringLiteral("p.html")) ==
                         before.value(QStringLiteral("p.html")),
                     what.constData());
        // Each file is the old one or the whole new one; nothing lost, nothing stray.
        for (const QString& name : whole.keys() + after.keys()) {
            const QByteArray now = after.value(name, "(none)");
            QVERIFY2(now == before.value(name, "(none)") || now == whole.value(name, "(none)"),
                     qPrintable(QString::fromUtf8(what) + name));
        }
    }
    QVERIFY(refused > 0);
}

QTEST_GUILESS_MAIN(TestExportFaults)
#include "test_exportfaults.moc"
