// The real command under strace's fault injection: each write, sync, rename, close, open and
// folder creation that touches the page's folder fails in turn with a full disk. Every time
// the command either refuses and leaves the page's old bytes, or does the whole export; no
// file is ever half-written under its own name and no temporary file is left behind.

#include "export/pageedit.h"
#include "library/librarystore.h"
#include "library/records.h"
#include "tests/support/tempprogramfolder.h"

#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

namespace {

const QString Staged = QStringLiteral(KORVALIS_PROGRAM_DIR "/korvalis-export");
const QStringList Failing = {
    QStringLiteral("write"),  QStringLiteral("pwrite64"),  QStringLiteral("writev"),
    QStringLiteral("fsync"),  QStringLiteral("fdatasync"), QStringLiteral("close"),
    QStringLiteral("rename"), QStringLiteral("renameat"),  QStringLiteral("renameat2"),
    QStringLiteral("linkat"), QStringLiteral("openat"),    QStringLiteral("mkdir"),
    QStringLiteral("mkdirat")};
const QByteArray OldPage = "<html><head><title>Vieja</title></head>\n<body>\n<p>texto</p>\n"
                           "</body></html>\n";
const QStringList Related = {QStringLiteral("flecha.gif"), QStringLiteral("grande.bin")};

// The file's bytes; none when it is not there.
QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Run
{
    int exitCode = -1;
    QString err;
    QString trace;
};

// One system call that touches the page's folder: the n-th call of that name in its process.
struct Call
{
    QString name;
    int nth = 0;
    bool operator==(const Call& o) const { return name == o.name && nth == o.nth; }
};

class Export
{
public:
    explicit Export(bool oldCopies) : oldCopies_(oldCopies)
    {
        library::Script s;
        s.idCategoria = library_.addCategory(0, QStringLiteral("Menús"));
        s.idTipo = library_.addType(QStringLiteral("Menú"));
        s.nombre = QStringLiteral("Menú");
        s.scriptHead = QStringLiteral("<script>var menú = 1;</script>");
        s.scriptBody = QStringLiteral("onload=\"menu()\"");
        s.scriptHtml = QStringLiteral("<img src=\"resources/flecha.gif\">");
        id_ = library_.addScript(s);
        for (const QString& name : Related)
            library_.addFile(id_, name);
        library_.writeResource(Related[0], "GIF89a-flecha");
        QByteArray big;
        for (int i = 0; big.size() < 200 * 1024; ++i)
            big += QByteArray::number(i) + ' ';
        library_.writeResource(Related[1], big);
        library_.closeLibrary();
        // The first opening builds the search index; after it every run makes the same calls.
        library::LibraryStore::open(library_.libraryPath());
    }

    qint64 id() const { return id_; }
    QString site() const { return site_.path(); }
    QString page() const { return site_.filePath(QStringLiteral("p.html")); }
    QString copy(const QString& name) const
    {
        return site_.filePath(QStringLiteral("resources/") + name);
    }
    QByteArray library(const QString& name) const
    {
        return TempProgramFolder::readFile(library_.resourcesPath() + name);
    }

    // The page's folder as it was before the export.
    void reset() const
    {
        QDir(site_.path()).removeRecursively();
        QDir().mkpath(site_.path());
        TempProgramFolder::writeFile(page(), OldPage);
        if (oldCopies_) {
            QDir(site_.path()).mkdir(QStringLiteral("resources"));
            for (const QString& name : Related)
                TempProgramFolder::writeFile(copy(name), "viejo");
        }
    }

    Run run(const QStringList& straceOptions) const
    {
        reset();
        QTemporaryDir logDir;
        const QString log = logDir.filePath(QStringLiteral("trace"));
        QProcess p;
        p.start(QStringLiteral("strace"),
                QStringList{QStringLiteral("-f"), QStringLiteral("-y"), QStringLiteral("-qq"),
                            QStringLiteral("-s0"), QStringLiteral("-o"), log} +
                    straceOptions +
                    QStringList{Staged, QStringLiteral("--library"), library_.path(),
                                QString::number(id_), page()});
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
            return {};
        return Run{p.exitCode(), QString::fromUtf8(p.readAllStandardError()),
                   QString::fromUtf8(TempProgramFolder::readFile(log))};
    }

    // The calls of the main process that name a file in the page's folder, in order.
    QList<Call> callsOnSite(const QString& trace) const
    {
        static const QRegularExpression line(QStringLiteral("^(\\d+) +(\\w+)\\("));
        QList<Call> calls;
        QHash<QString, int> counts;
        QString mainPid;
        for (const QString& text : trace.split(QLatin1Char('\n'))) {
            const QRegularExpressionMatch m = line.match(text);
            if (!m.hasMatch())
                continue;
            if (mainPid.isEmpty())
                mainPid = m.captured(1);
            if (m.captured(1) != mainPid)
                continue;
            const int nth = ++counts[m.captured(2)];
            if (text.contains(site()) && Failing.contains(m.captured(2)))
                calls.append(Call{m.captured(2), nth});
        }
        return calls;
    }

    // Only the page and the copies, by their own names.
    QStringList entries() const
    {
        QStringList all;
        QDirIterator it(site(),
                        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            all.append(QDir(site()).relativeFilePath(it.next()));
        all.sort();
        return all;
    }

private:
    TempProgramFolder library_;
    QTemporaryDir site_;
    qint64 id_ = 0;
    bool oldCopies_;
};

} // namespace

class TestExportFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyFailingCallLeavesOldPageOrWholeExport_data();
    void everyFailingCallLeavesOldPageOrWholeExport();
};

void TestExportFaults::everyFailingCallLeavesOldPageOrWholeExport_data()
{
    QTest::addColumn<bool>("oldCopies");
    QTest::newRow("no resources folder yet") << false;
    QTest::newRow("copies of an earlier export") << true;
}

void TestExportFaults::everyFailingCallLeavesOldPageOrWholeExport()
{
    QFETCH(bool, oldCopies);
    if (QStandardPaths::findExecutable(QStringLiteral("strace")).isEmpty())
        QSKIP("strace is not installed");
    // A container without ptrace leaves strace nothing to trace.
    if (QProcess::execute(QStringLiteral("strace"),
                          {QStringLiteral("-qq"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                           QStringLiteral("true")}) != 0)
        QSKIP("strace cannot trace processes here");
    const Export e(oldCopies);
    const Run clean =
        e.run({QStringLiteral("-e"), QStringLiteral("trace=") + Failing.join(QLatin1Char(','))});
    QCOMPARE(clean.exitCode, 0);
    const QByteArray exported = TempProgramFolder::readFile(e.page());
    QVERIFY(exported.contains(exporting::headBeginMarker(e.id())));
    const QStringList wholeEntries = e.entries();
    QCOMPARE(wholeEntries, (QStringList{QStringLiteral("p.html"), QStringLiteral("resources"),
                                        QStringLiteral("resources/flecha.gif"),
                                        QStringLiteral("resources/grande.bin")}));
    const QList<Call> calls = e.callsOnSite(clean.trace);
    // Reading the page, writing and syncing it and the copies, renaming them into place.
    QVERIFY2(calls.size() >= 12, qPrintable(QString::number(calls.size())));

    int refused = 0;
    for (const Call& call : calls) {
        const QString what = QStringLiteral("%1 #%2").arg(call.name).arg(call.nth);
        const Run r =
            e.run({QStringLiteral("-e"), QStringLiteral("trace=") + call.name, QStringLiteral("-e"),
                   QStringLiteral("inject=%1:error=ENOSPC:when=%2").arg(call.name).arg(call.nth)});
        QVERIFY2(r.trace.contains(QStringLiteral("(INJECTED)")), qPrintable(what));
        const QByteArray page = bytesOf(e.page());
        if (r.exitCode == 0) {
            QVERIFY2(page == exported, qPrintable(what));
            for (const QString& name : Related)
                QVERIFY2(bytesOf(e.copy(name)) == e.library(name),
                         qPrintable(what + QLatin1Char(' ') + name));
            QCOMPARE(e.entries(), wholeEntries);
            continue;
        }
        ++refused;
        QVERIFY2(r.exitCode == 1, qPrintable(what + QLatin1Char(' ') + r.err));
        QVERIFY2(r.err.contains(QStringLiteral("La página no se ha modificado")),
                 qPrintable(what + QLatin1Char(' ') + r.err));
        QVERIFY2(page == OldPage, qPrintable(what));
        for (const QString& name : Related) {
            // A copy is there whole, or the old one, or (in a new folder) not at all.
            const QByteArray bytes = bytesOf(e.copy(name));
            const bool absent = !QFileInfo::exists(e.copy(name));
            QVERIFY2(bytes == e.library(name) || (oldCopies && bytes == "viejo") ||
                         (!oldCopies && absent),
                     qPrintable(what + QLatin1Char(' ') + name));
        }
        for (const QString& entry : e.entries())
            QVERIFY2(wholeEntries.contains(entry), qPrintable(what + QLatin1Char(' ') + entry));
    }
    QVERIFY(refused > 0);
}

QTEST_GUILESS_MAIN(TestExportFaults)
#include "test_exportfaults.moc"
