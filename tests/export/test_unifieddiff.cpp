// The diff of what an export would change: the exact text of small cases, and on many random
// pairs of texts, the real `patch` turning the one into the other with it and `diff --minimal`
// changing no fewer lines.

#include "export/unifieddiff.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using exporting::unifiedDiff;

namespace {

QByteArray lines(int from, int to, const QByteArray& end = "\n")
{
    QByteArray text;
    for (int i = from; i <= to; ++i)
        text += "l" + QByteArray::number(i) + end;
    return text;
}

// The lines a diff takes out and puts in, its headers left aside.
QPair<int, int> changedLines(const QByteArray& diff)
{
    QPair<int, int> counts;
    for (const QByteArray& line : diff.split('\n')) {
        if (line.startsWith('-') && !line.startsWith("--- "))
            ++counts.first;
        else if (line.startsWith('+') && !line.startsWith("+++ "))
            ++counts.second;
    }
    return counts;
}

QByteArray runTool(const QString& program, const QStringList& args, const QByteArray& input = {})
{
    QProcess p;
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() > 1)
        return "failed: " + p.readAllStandardError();
    return p.readAllStandardOutput();
}

} // namespace

class TestUnifiedDiff : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesWhatDiffWrites_data();
    void writesWhatDiffWrites();
    void patchTurnsOneTextIntoTheOther();
};

void TestUnifiedDiff::writesWhatDiffWrites_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QByteArray>("diff");
    const QByteArray head = "--- p.html\n+++ p.html\n";
    QTest::newRow("equal") << lines(1, 9) << lines(1, 9) << QByteArray();
    QTest::newRow("first line added")
        << lines(1, 5) << "l0\n" + lines(1, 5) << head + "@@ -1,3 +1,4 @@\n+l0\n l1\n l2\n l3\n";
    QTest::newRow("into an empty page")
        << QByteArray() << lines(1, 2) << head + "@@ -0,0 +1,2 @@\n+l1\n+l2\n";
    QTest::newRow("middle line changed, context cut by nothing")
        << lines(1, 9) << lines(1, 4) + "cuatro\n" + lines(6, 9)
        << head + "@@ -2,7 +2,7 @@\n l2\n l3\n l4\n-l5\n+cuatro\n l6\n l7\n l8\n";
    // Changes six equal lines apart share a hunk; seven apart do not.
    QTest::newRow("changes six lines apart")
        << lines(1, 8) << "x\n" + lines(2, 7) + "y\n"
        << head + "@@ -1,8 +1,8 @@\n-l1\n+x\n l2\n l3\n l4\n l5\n l6\n l7\n-l8\n+y\n";
    QTest::newRow("changes seven lines apart")
        << lines(1, 9) << "x\n" + lines(2, 8) + "y\n"
        << head + "@@ -1,4 +1,4 @@\n-l1\n+x\n l2\n l3\n l4\n@@ -6,4 +6,4 @@\n l6\n l7\n l8\n"
                  "-l9\n+y\n";
    QTest::newRow("CR LF kept, last line without an end")
        << QByteArray("a\r\nb\r\nc") << QByteArray("a\r\nb\r\nnuevo\r\nc")
        << head + "@@ -1,3 +1,4 @@\n a\r\n b\r\n+nuevo\r\n c\n\\ No newline at end of file\n";
    QTest::newRow("an end given to the last line")
        << QByteArray("a\nb") << QByteArray("a\nb\n")
        << head + "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+b\n";
}

void TestUnifiedDiff::writesWhatDiffWrites()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(QByteArray, diff);
    QCOMPARE(unifiedDiff(before, after, "p.html"), diff);
}

// Random texts of few distinct lines, so that many lines match in many ways, with CR LF and LF
// ends and sometimes no last end; the other text is the first with random lines taken out, put
// in and changed.
void TestUnifiedDiff::patchTurnsOneTextIntoTheOther()
{
    if (QStandardPaths::findExecutable(QStringLiteral("patch")).isEmpty())
        QSKIP("patch is not installed (tools/setup.sh installs it)");
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.html"));
    const QString b = dir.filePath(QStringLiteral("b.html"));
    QRandomGenerator random(20241207);
    const auto randomLine = [&random] {
        static const QByteArray words[] = {"<p>", "</p>", "", "<div>", "texto ñ"};
        return words[random.bounded(5)] + (random.bounded(4) == 0 ? "\r\n" : "\n");
    };
    for (int round = 0; round < 150; ++round) {
        QList<QByteArray> before;
        for (int i = random.bounded(40); i > 0; --i)
            before << randomLine();
        QList<QByteArray> after = before;
        for (int edits = random.bounded(1, 6); edits > 0; --edits) {
            const int at = int(random.bounded(after.size() + 1));
            switch (random.bounded(3)) {
            case 0:
                if (at < after.size())
                    after.removeAt(at);
                break;
            case 1:
                after.insert(at, randomLine());
                break;
            default:
                if (at < after.size())
                    after[at] = randomLine();
            }
        }
        QByteArray first = before.join();
        QByteArray second = after.join();
        if (random.bounded(3) == 0 && first.endsWith('\n'))
            first.chop(1);
        if (random.bounded(3) == 0 && second.endsWith('\n'))
            second.chop(1);
        const QByteArray diff = unifiedDiff(first, second, "a.html");
        QCOMPARE(diff.isEmpty(), first == second);
        QFile::remove(a);
        QFile::remove(b);
        QFile fa(a), fb(b);
        QVERIFY(fa.open(QIODevice::WriteOnly) && fa.write(first) == first.size());
        QVERIFY(fb.open(QIODevice::WriteOnly) && fb.write(second) == second.size());
        fa.close();
        fb.close();
        const QByteArray minimal = runTool(
            QStringLiteral("diff"), {QStringLiteral("--minimal"), QStringLiteral("-u"), a, b});
        QVERIFY2(!minimal.startsWith("failed"), minimal.constData());
        QCOMPARE(changedLines(diff), changedLines(minimal));
        if (diff.isEmpty())
            continue;
        const QByteArray patched = runTool(
            QStringLiteral("patch"),
            {QStringLiteral("--fuzz=0"), QStringLiteral("--force"), QStringLiteral("-o-"), a},
            diff);
        QVERIFY2(patched == second,
                 (first + "\n=====\n" + diff + "\n=====\n" + patched).constData());
    }
}

QTEST_GUILESS_MAIN(TestUnifiedDiff)
#include "test_unifieddiff.moc"
