// Every ready-made script of the shipped library works the first time: its page loads in the
// real web engine without a script error, and its rows name exactly the files its code links
// to, each of them shipped.
#include "library/libraryfile.h"
#include "library/librarystore.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QtTest>

namespace {

const QString ProgramDir = QStringLiteral(KORVALIS_PROGRAM_DIR);

class ErrorRecordingPage : public QWebEnginePage
{
public:
    QStringList errors;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString&) override
    {
        if (level == ErrorMessageLevel)
            errors << QStringLiteral("%1 (línea %2)").arg(message).arg(line);
    }
    void javaScriptAlert(const QUrl&, const QString&) override {}
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
};

} // namespace

class TestShippedScripts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyShippedScriptLoadsCleanlyWithTheFilesItNames();
};

void TestShippedScripts::everyShippedScriptLoadsCleanlyWithTheFilesItNames()
{
    QTemporaryDir dir;
    const QString copy = dir.filePath(library::LibraryFileName);
    QVERIFY(QFile::copy(ProgramDir + QLatin1Char('/') + library::LibraryFileName, copy));
    auto store = library::LibraryStore::open(copy);
    // The page sits beside the shipped resources, as the program's own pages do.
    QVERIFY(QFile::link(ProgramDir + QStringLiteral("/resources"),
                        dir.filePath(QStringLiteral("resources"))));
    static const QRegularExpression link(QStringLiteral("resources/([A-Za-z0-9_.-]+)"));
    ErrorRecordingPage page;
    const auto listing = store->scriptsByName();
    QVERIFY(listing.size() >= 10);
    for (const library::ScriptListing& entry : listing) {
        const auto s = store->script(entry.id);
        QVERIFY(s);
        QStringList linked, named;
        for (auto it = link.globalMatch(s->scriptHead + s->scriptBody + s->scriptHtml);
             it.hasNext();)
            linked << it.next().captured(1);
        for (const library::RelatedFile& f : store->relatedFiles(entry.id)) {
            named << f.nombre;
            QVERIFY2(QFileInfo(ProgramDir + QStringLiteral("/resources/") + f.nombre).isFile(),
                     qPrintable(f.nombre));
        }
        linked.removeDuplicates();
        linked.sort();
        named.sort();
        QVERIFY2(linked == named, qPrintable(s->nombre));

        const QString path = dir.filePath(QStringLiteral("js.htm"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write((QStringLiteral("<html><head><meta charset=\"utf-8\"><title></title>\n") +
                    s->scriptHead + QStringLiteral("\n</head>\n<body ") + s->scriptBody +
                    QStringLiteral(" >\n") + s->scriptHtml + QStringLiteral("\n</body></html>\n"))
                       .toUtf8());
        file.close();
        page.errors.clear();
        QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
        page.load(QUrl::fromLocalFile(path));
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 10000);
        QVERIFY2(loaded.first().first().toBool(), qPrintable(s->nombre));
        QTest::qWait(200); // timers set by onload run once
        QVERIFY2(page.errors.isEmpty(),
                 qPrintable(s->nombre + QStringLiteral(": ") + page.errors.join(u'\n')));
    }
}

QTEST_MAIN(TestShippedScripts)
#include "test_shippedscripts.moc"
