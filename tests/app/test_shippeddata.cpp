// Every script of the shipped library loads in the real web engine without an error, with
// exactly the related files its code links to; read from the staged program folder.
#include "library/libraryfile.h"
#include "library/librarystore.h"
#include "tests/support/tempprogramfolder.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

using namespace library;
using namespace Qt::Literals::StringLiterals;

namespace {

// Records the errors a page reports; opens no windows and shows no alerts.
class RecordingPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;
    QStringList errors;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString&) override
    {
        if (level == ErrorMessageLevel)
            errors << QStringLiteral("%1 (línea %2)").arg(message).arg(line);
    }
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
    void javaScriptAlert(const QUrl&, const QString&) override {}
};

} // namespace

class TestShippedData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyShippedScriptLoadsWithTheFilesItLinksTo();
};

void TestShippedData::everyShippedScriptLoadsWithTheFilesItLinksTo()
{
    // A copy beside the shipped resources, as the program's own pages stand.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(u"resources"_s));
    const QString program = QStringLiteral(KORVALIS_PROGRAM_DIR "/");
    QVERIFY(QFile::copy(program + LibraryFileName, dir.filePath(LibraryFileName)));
    const QStringList shipped = QDir(program + u"resources"_s).entryList(QDir::Files);
    for (const QString& name : shipped)
        QVERIFY(
            QFile::copy(program + u"resources/"_s + name, dir.filePath(u"resources/"_s + name)));
    const auto store = LibraryStore::open(dir.filePath(LibraryFileName));
    QWebEngineView view;
    RecordingPage page;
    view.setPage(&page);
    view.resize(800, 600);
    view.show();
    static const QRegularExpression link(u"resources/([A-Za-z0-9_.-]+)"_s);
    QSet<QString> used;
    const QString path = dir.filePath(u"js.htm"_s);
    for (const ScriptListing& entry : store->scriptsByName()) {
        const auto script = store->script(entry.id);
        // The export copies the file rows: a link without its row breaks in the user's page.
        QSet<QString> rows, linked;
        for (const RelatedFile& f : store->relatedFiles(entry.id))
            rows.insert(f.nombre);
        for (const QString& text : {script->scriptHead, script->scriptBody, script->scriptHtml})
            for (auto it = link.globalMatch(text); it.hasNext();)
                linked.insert(it.next().captured(1));
        QCOMPARE(rows, linked);
        used += rows;

        TempProgramFolder::writeFile(
            path, (u"<html><head><meta charset=\"utf-8\"><title></title>\n"_s + script->scriptHead +
                   u"\n</head>\n<body "_s + script->scriptBody + u" >\n"_s + script->scriptHtml +
                   u"\n</body></html>\n"_s)
                      .toUtf8());
        page.errors.clear();
        QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
        page.load(QUrl::fromLocalFile(path));
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 10000);
        QVERIFY2(loaded.first().first().toBool(), qPrintable(entry.nombre));
        QVERIFY2(page.errors.isEmpty(),
                 qPrintable(entry.nombre + u": "_s + page.errors.join(u'\n')));
    }
    // Nothing ships that no script uses.
    QCOMPARE(QSet<QString>(shipped.begin(), shipped.end()), used);
}

QTEST_MAIN(TestShippedData)
#include "test_shippeddata.moc"
