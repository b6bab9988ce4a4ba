// The real command under strace: each call that writes into the site's folder fails in turn
// with a full disk. Every time the command either refuses and leaves the old bytes, or does
// the whole job; no file is ever half-written under its own name and none is left behind.

#include "export/pageedit.h"
#include "library/librarystore.h"
#include "tests/support/scriptbuilder.h"
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
    TempProgramFolder folder;
    const QByteArray big(200 * 1024, 'b');
    const qint64 id = ScriptBuilder(QStringLiteral("Menú"))
                          .head(QStringLiteral("<script>var menú = 1;</script>"))
                          .html(QStringLiteral("<img src=\"resources/flecha.gif\">"))
                          .file(QStringLiteral("flecha.gif"), "GIF89a-flecha")
                          .file(QStringLiteral("grande.bin"), big)
                          .addTo(folder);
    const qint64 other =
        ScriptBuilder(QStringLiteral("Otro")).head(QStringLiteral("o()")).addTo(folder);
    folder.closeLibrary();
    // The first opening builds the search index; after it every run makes the same calls.
    library::LibraryStore::open(folder.libraryPath());

    QTemporaryDir site;
    const QString page = site.filePath(QStringLiteral("p.html"));
    const auto reset = [&] {
        QDir(site.path()).removeRecursively();
        QDir().mkpath(site.path());
        // For the update: copies and blocks of two scripts from an earlier export.
        QByteArray block;
        for (const qint64 script : siteUpdate ? QList<qint64>{id, other} : QList<qint64>{})
            block += "\n" + exporting::headBeginMarker(script) + "\nviejo()\n" +
                     exporting::headEndMarker(script) + "\n";
        for (const char* name : {"resources/flecha.gif", "resources/grande.bin"}) {
            if (siteUpdate && QDir(site.path()).mkpath(QStringLiteral("resources")))
                TempProgramFolder::writeFile(site.filePath(QString::fromLatin1(name)), "viejo");
        }
        TempProgramFolder::writeFile(page, "<html><head></head>\n" + block +
                                               "<body>\n<p>texto</p>\n</body></html>\n");
        return snapshot(site.path());
    };
    const QStringList args = QStringList{QStringLiteral("--library"), folder.path()} +
                             (siteUpdate ? QStringList{QStringLiteral("--update"), site.path()}
                                         : QStringList{QString::number(id), page});

    const QMap<QString, QByteArray> before = reset();
    const writefaults::Run clean = writefaults::run(Staged, args);
    QVERIFY2(clean.exitCode == 0, qPrintable(clean.output));
    const QMap<QString, QByteArray> whole = snapshot(site.path());
    QCOMPARE(whole.keys(), (QStringList{QStringLiteral("p.html"), QStringLiteral("resources"),
                                        QStringLiteral("resources/flecha.gif"),
                                        QStringLiteral("resources/grande.bin")}));
    QVERIFY(whole[QStringLiteral("p.html")].contains("var men\xC3\xBA = 1;"));
    QCOMPARE(whole[QStringLiteral("resources/grande.bin")], big);
    // The page is replaced once, whatever number of scripts it holds.
    QCOMPARE(clean.trace.count(QStringLiteral("\"%1\") = 0").arg(page)), 1);
    const QList<writefaults::Call> calls = writefaults::callsUnder(clean, site.path());
    // Reading the page, writing, syncing and renaming it and each copy.
    QVERIFY2(calls.size() >= 12, qPrintable(QString::number(calls.size())));

    int refused = 0;
    for (const writefaults::Call& call : calls) {
        // Only the calls on files: a site folder whose listing fails once, and not when
        // looked at again, reads as an empty folder and is not reported.
        if (siteUpdate && call.line.contains(QLatin1String("O_DIRECTORY")))
            continue;
        reset();
        const writefaults::Run r = writefaults::run(Staged, args, &call);
        const QByteArray what = (call.text() + QLatin1Char(' ') + r.output).toUtf8();
        QVERIFY2(r.injected(), what.constData());
        const QMap<QString, QByteArray> after = snapshot(site.path());
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
        QVERIFY2(after[QStringLiteral("p.html")] == before[QStringLiteral("p.html")],
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
