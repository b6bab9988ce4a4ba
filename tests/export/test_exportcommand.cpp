#include "app/module1.h"
#include "export/exportcommand.h"
#include "export/pageedit.h"
#include "library/librarystore.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/shell.h"
#include "tests/support/tempprogramfolder.h"

#include <QApplication>
#include <QtTest>

using namespace exporting;

namespace {

// A library with one script that has two related files, one of them missing on disk.
struct Fixture
{
    TempProgramFolder folder;
    QTemporaryDir site;
    qint64 id = 0;
    std::unique_ptr<library::LibraryStore> store;

    Fixture(const QStringList& files = {QStringLiteral("logo.gif"), QStringLiteral("falta.png")})
    {
        const qint64 category = folder.addCategory(0, QStringLiteral("Efectos"));
        library::Script s;
        s.idCategoria = category;
        s.idTipo = folder.addType(QStringLiteral("Texto"));
        s.nombre = QStringLiteral("Reloj");
        s.scriptHead = QStringLiteral("<script>function reloj(){}</script>");
        s.scriptBody = QStringLiteral("onload=\"reloj()\"");
        s.scriptHtml = QStringLiteral("<img src=\"resources/logo.gif\">");
        id = folder.addScript(s);
        for (const QString& f : files)
            folder.addFile(id, f);
        folder.writeResource(QStringLiteral("logo.gif"), "GIF89a-logo");
        folder.closeLibrary();
        store = library::LibraryStore::open(folder.libraryPath());
    }
    QString page(const QString& name = QStringLiteral("index.htm")) const
    {
        return site.filePath(name);
    }
    QString copied(const QString& name) const
    {
        return site.filePath(QStringLiteral("resources/") + name);
    }
    QString sid() const { return QString::number(id); }
};

} // namespace

class TestExportCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void withoutScriptOnlyTellsTheUser();
    void cancellingTheDialogDoesNothing();
    void rejectedPageStopsTheExport();
    void exportEditsPageCopiesFilesAndOpensPageOnce();
    void pageInsideTheLibraryResourcesCopiesNothing();
    void unsafeFileNamesRefuseTheWholeExport();
    void unwritablePageIsReportedAndKept();
    void pageThatNoProgramOpensIsShownWhereItWasWritten();
};

void TestExportCommand::withoutScriptOnlyTellsTheUser()
{
    Fixture f;
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    platform::RecordingShell shell;
    RunExportCommand(nullptr, *f.store, QString());
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].text, QStringLiteral("No ha selecionado un Script"));
    QCOMPARE(boxes.shown[0].icon, QMessageBox::NoIcon);
    QVERIFY(boxes.shown[0].title.isEmpty());
    QVERIFY(dialogs.requests.isEmpty());
    QVERIFY(shell.opened.isEmpty());
}

void TestExportCommand::cancellingTheDialogDoesNothing()
{
    Fixture f;
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs; // no names queued: cancel
    platform::RecordingShell shell;
    RunExportCommand(nullptr, *f.store, f.sid());
    QCOMPARE(dialogs.requests.size(), 1);
    QCOMPARE(dialogs.requests[0].filter, QStringLiteral("HTML Document (*.html *.htm)"));
    QVERIFY(boxes.shown.isEmpty());
    QVERIFY(shell.opened.isEmpty());
    QVERIFY(QDir(f.site.path()).isEmpty());
}

void TestExportCommand::rejectedPageStopsTheExport()
{
    Fixture f;
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    platform::RecordingShell shell;
    const QByteArray notHtml = "Notas: el body del documento\r\n";
    TempProgramFolder::writeFile(f.page(), notHtml);
    dialogs.names << f.page();
    RunExportCommand(nullptr, *f.store, f.sid());
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].text, QStringLiteral("no es un fichero html valido"));
    QCOMPARE(boxes.shown[0].icon, QMessageBox::NoIcon);
    QVERIFY(boxes.shown[0].title.isEmpty());
    QCOMPARE(TempProgramFolder::readFile(f.page()), notHtml);
    QVERIFY(!QFileInfo::exists(f.site.filePath(QStringLiteral("resources"))));
    QVERIFY(shell.opened.isEmpty());

    // The same holds for a page whose markers were broken by hand.
    const QByteArray broken = "<html><body>" + htmlBeginMarker(f.id) + "</body></html>";
    TempProgramFolder::writeFile(f.page(), broken);
    dialogs.names << f.page();
    RunExportCommand(nullptr, *f.store, f.sid());
    QCOMPARE(boxes.shown.size(), 2);
    QCOMPARE(boxes.shown[1].title, QStringLiteral("Error"));
    QCOMPARE(TempProgramFolder::readFile(f.page()), broken);
    QVERIFY(!QFileInfo::exists(f.site.filePath(QStringLiteral("resources"))));
    QVERIFY(shell.opened.isEmpty());
}

void TestExportCommand::exportEditsPageCopiesFilesAndOpensPageOnce()
{
    Fixture f;
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    platform::RecordingShell shell;
    // A copy left by an earlier export, read-only now.
    QDir(f.site.path()).mkdir(QStringLiteral("resources"));
    TempProgramFolder::writeFile(f.copied(QStringLiteral("logo.gif")), "viejo");
    QFile::setPermissions(f.copied(QStringLiteral("logo.gif")), QFileDevice::ReadOwner);
    dialogs.names << f.page();
    RunExportCommand(nullptr, *f.store, f.sid());
    QVERIFY2(boxes.shown.isEmpty(), boxes.shown.isEmpty() ? "" : qPrintable(boxes.shown[0].text));
    const QByteArray page = TempProgramFolder::readFile(f.page());
    QVERIFY(page.startsWith("<html><head><title></title></head>\r\n\r\n" + headBeginMarker(f.id)));
    QVERIFY(page.contains("<body onload=\"reloj()\" >\r\n" + htmlBeginMarker(f.id)));
    QCOMPARE(TempProgramFolder::readFile(f.copied(QStringLiteral("logo.gif"))),
             QByteArray("GIF89a-logo"));
    QVERIFY(!QFileInfo::exists(f.copied(QStringLiteral("falta.png"))));
    QCOMPARE(shell.opened, QList<QUrl>{QUrl::fromLocalFile(f.page())});

    // Again into the same page: same bytes, copies refreshed, opened once more.
    TempProgramFolder::writeFile(f.copied(QStringLiteral("logo.gif")), "cambiado");
    dialogs.names << f.page();
    RunExportCommand(nullptr, *f.store, f.sid());
    QCOMPARE(TempProgramFolder::readFile(f.page()), page);
    QCOMPARE(TempProgramFolder::readFile(f.copied(QStringLiteral("logo.gif"))),
             QByteArray("GIF89a-logo"));
    QCOMPARE(shell.opened.size(), 2);
    QVERIFY(boxes.shown.isEmpty());
}

void TestExportCommand::pageInsideTheLibraryResourcesCopiesNothing()
{
    Fixture f;
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    platform::RecordingShell shell;
    // In the resources folder itself, and in the program folder (whose resources folder is
    // the library's): the page is edited, nothing is copied or created.
    const QString inResources = f.folder.resourcesPath() + QStringLiteral("demo.htm");
    const QString inProgram = f.folder.filePath(QStringLiteral("demo.htm"));
    dialogs.names << inResources << inProgram;
    RunExportCommand(nullptr, *f.store, f.sid());
    RunExportCommand(nullptr, *f.store, f.sid());
    QVERIFY(boxes.shown.isEmpty());
    QVERIFY(TempProgramFolder::readFile(inResources).contains(headBeginMarker(f.id)));
    QVERIFY(TempProgramFolder::readFile(inProgram).contains(headBeginMarker(f.id)));
    QVERIFY(!QFileInfo::exists(f.folder.resourcesPath() + QStringLiteral("resources")));
    QCOMPARE(TempProgramFolder::readFile(f.folder.resourcesPath() + QStringLiteral("logo.gif")),
             QByteArray("GIF89a-logo"));
    QCOMPARE(shell.opened.size(), 2);
}

void TestExportCommand::unsafeFileNamesRefuseTheWholeExport()
{
    for (const QString& bad : {QStringLiteral("../fuera.txt"), QStringLiteral(".."),
                               QStringLiteral("sub/x.gif"), QStringLiteral("c:\\x.gif")}) {
        Fixture f({QStringLiteral("logo.gif"), bad});
        platform::ScriptedMessageBoxes boxes;
        platform::ScriptedFileDialogs dialogs;
        platform::RecordingShell shell;
        dialogs.names << f.page();
        RunExportCommand(nullptr, *f.store, f.sid());
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown[0].text.contains(bad));
        QVERIFY(QDir(f.site.path()).isEmpty());
        QVERIFY(shell.opened.isEmpty());
    }
}

void TestExportCommand::unwritablePageIsReportedAndKept()
{
    Fixture f;
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    platform::RecordingShell shell;
    const QByteArray original = "<html><body>hola</body></html>";
    TempProgramFolder::writeFile(f.page(), original);
    QFile::setPermissions(f.page(), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    dialogs.names << f.page() << f.site.filePath(QStringLiteral("no/existe/pagina.htm"));
    RunExportCommand(nullptr, *f.store, f.sid());
    RunExportCommand(nullptr, *f.store, f.sid());
    QCOMPARE(boxes.shown.size(), 2);
    QVERIFY(boxes.shown[0].text.contains(QStringLiteral("sólo lectura")));
    QCOMPARE(boxes.shown[0].icon, QMessageBox::Warning);
    QCOMPARE(TempProgramFolder::readFile(f.page()), original);
    QCOMPARE(QDir(f.site.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("index.htm")});
    QVERIFY(shell.opened.isEmpty());
}

void TestExportCommand::pageThatNoProgramOpensIsShownWhereItWasWritten()
{
    Fixture f;
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    platform::RecordingShell shell;
    shell.opens = false;
    dialogs.names = {f.page()};
    RunExportCommand(nullptr, *f.store, f.sid());
    QCOMPARE(shell.opened, QList<QUrl>{QUrl::fromLocalFile(f.page())});
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown[0].icon, QMessageBox::Information);
    QVERIFY(boxes.shown[0].text.contains(QDir::toNativeSeparators(f.page())));
    QVERIFY(TempProgramFolder::readFile(f.page()).contains("function reloj"));

    // When the page opens, the open page is the sign: no message.
    shell.opens = true;
    dialogs.names = {f.page()};
    RunExportCommand(nullptr, *f.store, f.sid());
    QCOMPARE(boxes.shown.size(), 1);
}

QTEST_MAIN(TestExportCommand)
#include "test_exportcommand.moc"
