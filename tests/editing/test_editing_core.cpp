#include "app/files.h"
#include "app/module1.h"
#include "editing/resourcefiles.h"
#include "editing/scriptdelete.h"
#include "editing/scriptsave.h"
#include "library/librarystore.h"
#include "tests/support/tempprogramfolder.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <sys/stat.h>

using namespace editing;

namespace {

QStringList fileNames(library::LibraryStore& store, qint64 scriptId)
{
    QStringList names;
    for (const auto& row : store.relatedFiles(scriptId))
        names.append(row.nombre);
    return names;
}

EditorContents contentsFor(const QString& nombre, const QString& categoria, const QString& tipo)
{
    EditorContents c;
    c.nombre = nombre;
    c.navegadores = QStringLiteral("Todos");
    c.categoria = categoria;
    c.tipo = tipo;
    c.scriptHead = QStringLiteral("function hola() { alert('hola'); }");
    c.scriptBody = QStringLiteral("onload=\"hola()\"");
    c.scriptHtml = QStringLiteral("<img src=\"resources/a.gif\">");
    c.scriptAyuda = QStringLiteral("Comentario");
    return c;
}

} // namespace

class TestEditingCore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void savingNewScriptStoresRowAndOneFileRowPerItem();
    void savingExistingScriptRewritesRowAndFilesButKeepsExternalFileName();
    void saveRefusesEmptyNameAndUnknownCategoryOrTypeWithoutWriting();
    void saveThatFailsHalfWayChangesNothing();
    void deletingKeepsFileSharedWithAnotherScript();
    void deletingReportsFileThatCannotBeDeletedAfterRowsAreGone();
    void relatedFileNamesNeverLeaveTheResourcesFolder();
    void copyingRecognisesTheLibrarysOwnCopyAndReplacesAtomically();
};

void TestEditingCore::savingNewScriptStoresRowAndOneFileRowPerItem()
{
    TempProgramFolder folder;
    const qint64 cat = folder.addCategory(0, QStringLiteral("Menús d'O'Brien"));
    folder.addCategory(0, QStringLiteral("Otra"));
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    folder.closeLibrary();
    auto store = library::LibraryStore::open(folder.libraryPath());

    EditorContents c = contentsFor(QStringLiteral(" "), QStringLiteral("Menús d'O'Brien"),
                                   QStringLiteral("Efecto"));
    c.files = QStringList{QStringLiteral("a.gif"), QStringLiteral("it's.jpg")};
    const SaveOutcome outcome = storeScript(*store, 0, c);
    QCOMPARE(outcome.status, SaveStatus::Saved);
    QCOMPARE(outcome.categoryId, cat);
    QVERIFY(outcome.scriptId > 0);
    store.reset();

    // Reopened: what a restart sees.
    store = library::LibraryStore::open(folder.libraryPath());
    const auto s = store->script(outcome.scriptId);
    QVERIFY(s);
    QCOMPARE(s->nombre, QStringLiteral(" ")); // a name of blanks is the user's choice
    QCOMPARE(s->idCategoria, cat);
    QCOMPARE(s->idTipo, type);
    QCOMPARE(s->scriptHead, c.scriptHead);
    QCOMPARE(s->scriptBody, c.scriptBody);
    QCOMPARE(s->scriptHtml, c.scriptHtml);
    QCOMPARE(s->scriptAyuda, c.scriptAyuda);
    QCOMPARE(fileNames(*store, outcome.scriptId), c.files);
    QCOMPARE(store->scriptsByName().size(), size_t(1));
}

void TestEditingCore::savingExistingScriptRewritesRowAndFilesButKeepsExternalFileName()
{
    TempProgramFolder folder;
    const qint64 a = folder.addCategory(0, QStringLiteral("A"));
    const qint64 b = folder.addCategory(0, QStringLiteral("B"));
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    library::Script stored;
    stored.idCategoria = a;
    stored.idTipo = type;
    stored.nombre = QStringLiteral("Viejo");
    stored.nombreFichero = QStringLiteral("externo.js");
    const qint64 id = folder.addScript(stored);
    folder.addFile(id, QStringLiteral("a.gif"));
    folder.addFile(id, QStringLiteral("b.gif"));
    const qint64 other = folder.addScript(a, type, QStringLiteral("Otro"));
    folder.addFile(other, QStringLiteral("a.gif"));
    folder.closeLibrary();
    auto store = library::LibraryStore::open(folder.libraryPath());

    EditorContents c =
        contentsFor(QStringLiteral("Nuevo"), QStringLiteral("B"), QStringLiteral("Efecto"));
    c.files = QStringList{QStringLiteral("b.gif")};
    const SaveOutcome outcome = storeScript(*store, id, c);
    QCOMPARE(outcome.status, SaveStatus::Saved);
    QCOMPARE(outcome.scriptId, id);
    QCOMPARE(outcome.categoryId, b);
    const auto s = store->script(id);
    QCOMPARE(s->nombre, QStringLiteral("Nuevo"));
    QCOMPARE(s->idCategoria, b);
    QCOMPARE(s->nombreFichero, QStringLiteral("externo.js"));
    QCOMPARE(fileNames(*store, id), QStringList{QStringLiteral("b.gif")});
    QCOMPARE(fileNames(*store, other), QStringList{QStringLiteral("a.gif")});
    QCOMPARE(store->scriptsByName().size(), size_t(2));

    // An empty list removes every file row of the script.
    c.files.clear();
    QCOMPARE(storeScript(*store, id, c).status, SaveStatus::Saved);
    QVERIFY(fileNames(*store, id).isEmpty());

    // A script deleted meanwhile is not brought back.
    store->deleteScript(id);
    QCOMPARE(storeScript(*store, id, c).status, SaveStatus::MissingScript);
    QVERIFY(!store->script(id));
    QVERIFY(fileNames(*store, id).isEmpty());
}

void TestEditingCore::saveRefusesEmptyNameAndUnknownCategoryOrTypeWithoutWriting()
{
    TempProgramFolder folder;
    folder.addCategory(0, QStringLiteral("A"));
    folder.addType(QStringLiteral("Efecto"));
    folder.closeLibrary();
    auto store = library::LibraryStore::open(folder.libraryPath());

    struct Case
    {
        QString nombre, categoria, tipo;
        SaveStatus status;
        QString message;
    };
    const Case cases[] = {
        {QString(), QStringLiteral("A"), QStringLiteral("Efecto"), SaveStatus::EmptyName,
         QStringLiteral("Debe de Indicar un nombre")},
        {QStringLiteral("x"), QStringLiteral("Falta"), QStringLiteral("Efecto"),
         SaveStatus::UnknownCategory, QStringLiteral("\"Falta\"")},
        {QStringLiteral("x"), QStringLiteral("a"), QStringLiteral("Efecto"),
         SaveStatus::UnknownCategory, QStringLiteral("\"a\"")},
        {QStringLiteral("x"), QStringLiteral("A"), QStringLiteral("Efecto'"),
         SaveStatus::UnknownType, QStringLiteral("\"Efecto'\"")},
    };
    for (const Case& k : cases) {
        EditorContents c = contentsFor(k.nombre, k.categoria, k.tipo);
        c.files = QStringList{QStringLiteral("a.gif")};
        const SaveOutcome outcome = storeScript(*store, 0, c);
        QCOMPARE(outcome.status, k.status);
        QVERIFY2(saveMessage(outcome, c).contains(k.message), qPrintable(saveMessage(outcome, c)));
    }
    QVERIFY(store->scriptsByName().empty());
    QVERIFY(fileNames(*store, 1).isEmpty());
}

void TestEditingCore::saveThatFailsHalfWayChangesNothing()
{
    TempProgramFolder folder;
    const qint64 cat = folder.addCategory(0, QStringLiteral("A"));
    folder.addCategory(0, QStringLiteral("B"));
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    const qint64 id = folder.addScript(cat, type, QStringLiteral("Viejo"));
    folder.addFile(id, QStringLiteral("viejo.gif"));
    // The second file row fails after the script row has been written.
    folder.db().execute(
        "CREATE TRIGGER falla BEFORE INSERT ON ficheros WHEN NEW.nombre = 'boom.gif' "
        "BEGIN SELECT RAISE(ABORT, 'fallo provocado'); END;");
    folder.closeLibrary();
    auto store = library::LibraryStore::open(folder.libraryPath());

    EditorContents c =
        contentsFor(QStringLiteral("Nuevo"), QStringLiteral("B"), QStringLiteral("Efecto"));
    c.files = QStringList{QStringLiteral("a.gif"), QStringLiteral("boom.gif")};
    SaveOutcome outcome = storeScript(*store, id, c);
    QCOMPARE(outcome.status, SaveStatus::Failed);
    QVERIFY(outcome.error.contains(QStringLiteral("fallo provocado")));
    QVERIFY(saveMessage(outcome, c).contains(QStringLiteral("fallo provocado")));
    outcome = storeScript(*store, 0, c);
    QCOMPARE(outcome.status, SaveStatus::Failed);
    store.reset();

    store = library::LibraryStore::open(folder.libraryPath());
    const auto s = store->script(id);
    QCOMPARE(s->nombre, QStringLiteral("Viejo"));
    QCOMPARE(s->idCategoria, cat);
    QCOMPARE(fileNames(*store, id), QStringList{QStringLiteral("viejo.gif")});
    QCOMPARE(store->scriptsByName().size(), size_t(1));
}

void TestEditingCore::deletingKeepsFileSharedWithAnotherScript()
{
    TempProgramFolder folder;
    const qint64 cat = folder.addCategory(0, QStringLiteral("A"));
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    const qint64 doomed = folder.addScript(cat, type, QStringLiteral("Borrar"));
    const qint64 keeper = folder.addScript(cat, type, QStringLiteral("Queda"));
    folder.addFile(doomed, QStringLiteral("shared.gif"));
    folder.addFile(doomed, QStringLiteral("own.gif"));
    folder.addFile(doomed, QStringLiteral("own.gif")); // related twice
    folder.addFile(doomed, QStringLiteral("o'neil.gif"));
    folder.addFile(doomed, QStringLiteral("missing.gif"));
    folder.addFile(keeper, QStringLiteral("shared.gif"));
    for (const char* name : {"shared.gif", "own.gif", "o'neil.gif", "unrelated.gif"})
        folder.writeResource(QString::fromUtf8(name), "GIF89a");
    folder.closeLibrary();
    auto store = library::LibraryStore::open(folder.libraryPath());

    const DeleteOutcome outcome = deleteScriptWithFiles(*store, doomed, folder.resourcesPath());
    QVERIFY(outcome.ok);
    QVERIFY(outcome.filesKept.isEmpty());
    QCOMPARE(outcome.deletedFiles,
             (QStringList{QStringLiteral("own.gif"), QStringLiteral("o'neil.gif")}));
    const QDir resources(folder.resourcesPath());
    QVERIFY(resources.exists(QStringLiteral("shared.gif")));
    QVERIFY(resources.exists(QStringLiteral("unrelated.gif")));
    QVERIFY(!resources.exists(QStringLiteral("own.gif")));
    QVERIFY(!resources.exists(QStringLiteral("o'neil.gif")));
    store.reset();

    store = library::LibraryStore::open(folder.libraryPath());
    QVERIFY(!store->script(doomed));
    QVERIFY(fileNames(*store, doomed).isEmpty());
    QVERIFY(store->script(keeper));
    QCOMPARE(fileNames(*store, keeper), QStringList{QStringLiteral("shared.gif")});
}

void TestEditingCore::deletingReportsFileThatCannotBeDeletedAfterRowsAreGone()
{
    TempProgramFolder folder;
    const qint64 cat = folder.addCategory(0, QStringLiteral("A"));
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    const qint64 id = folder.addScript(cat, type, QStringLiteral("Borrar"));
    folder.addFile(id, QStringLiteral("bloqueado.gif"));
    folder.addFile(id, QStringLiteral("libre.gif"));
    folder.addFile(id, QStringLiteral("../fuera.gif")); // never followed outside the folder
    // A folder where the file should be cannot be removed as a file.
    QVERIFY(QDir(folder.resourcesPath()).mkpath(QStringLiteral("bloqueado.gif/dentro")));
    folder.writeResource(QStringLiteral("libre.gif"), "GIF89a");
    TempProgramFolder::writeFile(folder.filePath(QStringLiteral("fuera.gif")), "GIF89a");
    folder.closeLibrary();
    auto store = library::LibraryStore::open(folder.libraryPath());

    const DeleteOutcome outcome = deleteScriptWithFiles(*store, id, folder.resourcesPath());
    QVERIFY(outcome.ok);
    QCOMPARE(outcome.deletedFiles, QStringList{QStringLiteral("libre.gif")});
    QCOMPARE(outcome.filesKept.size(), 1);
    QVERIFY(outcome.filesKept.first().startsWith(QStringLiteral("bloqueado.gif: ")));
    QVERIFY(QFile::exists(folder.filePath(QStringLiteral("fuera.gif"))));
    QVERIFY(!store->script(id));
    QVERIFY(fileNames(*store, id).isEmpty());

    // Rows that cannot be deleted: nothing on disk is touched.
    const qint64 again = folder.addScript(cat, type, QStringLiteral("Otro"));
    folder.addFile(again, QStringLiteral("sigue.gif"));
    folder.writeResource(QStringLiteral("sigue.gif"), "GIF89a");
    folder.db().execute("CREATE TRIGGER nobórrar BEFORE DELETE ON scripts "
                        "BEGIN SELECT RAISE(ABORT, 'no se borra'); END;");
    folder.closeLibrary();
    store = library::LibraryStore::open(folder.libraryPath());
    const DeleteOutcome refused = deleteScriptWithFiles(*store, again, folder.resourcesPath());
    QVERIFY(!refused.ok);
    QVERIFY(refused.error.contains(QStringLiteral("no se borra")));
    QVERIFY(QFile::exists(folder.resourcesPath() + QStringLiteral("sigue.gif")));
    QVERIFY(store->script(again));
    QCOMPARE(fileNames(*store, again), QStringList{QStringLiteral("sigue.gif")});
}

void TestEditingCore::relatedFileNamesNeverLeaveTheResourcesFolder()
{
    QVERIFY(Module1::IsBareFileName(QStringLiteral("logo.gif")));
    QVERIFY(Module1::IsBareFileName(QStringLiteral("it's a..b.gif")));
    QVERIFY(Module1::IsBareFileName(QStringLiteral("año \"ñandú\" (1).gif")));
    // Nothing that leaves the folder, and no control character: a name also travels in mail
    // headers and pages, where a line break would start a new line of its own.
    for (const char* bad :
         {"", ".", "..", "../x.gif", "a/b.gif", "a\\b.gif", "/etc/passwd",
          "a\r\nX-Inyectada: 1.gif", "a\n.gif", "a\r.gif", "tab\t.gif", "esc\x1b.gif",
          "del\x7f.gif", "nel\xc2\x85.gif", "linea\xe2\x80\xa8.gif"})
        QVERIFY2(!Module1::IsBareFileName(QString::fromUtf8(bad)), bad);
    QVERIFY(!Module1::IsBareFileName(QString(QChar(0)) + QStringLiteral("a.gif")));

    QTemporaryDir dir;
    TempProgramFolder::writeFile(dir.filePath(QStringLiteral("secreto.txt")), "no");
    const QString resources = dir.filePath(QStringLiteral("resources/"));
    QVERIFY(!copyIntoResources(dir.filePath(QStringLiteral("secreto.txt")), resources,
                               QStringLiteral("../copia.txt"))
                 .ok);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("copia.txt"))));
    QVERIFY(!copyIntoResources(dir.filePath(QStringLiteral("secreto.txt")), resources,
                               QStringLiteral("copia\n.txt"))
                 .ok);
    QVERIFY(!QFile::exists(resources + QStringLiteral("copia\n.txt")));
    QVERIFY(!deleteResource(resources, QStringLiteral("../secreto.txt")).ok);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("secreto.txt"))));
}

void TestEditingCore::copyingRecognisesTheLibrarysOwnCopyAndReplacesAtomically()
{
    QTemporaryDir dir;
    const QString resources = dir.filePath(QStringLiteral("resources")) + QLatin1Char('/');
    const QString source = dir.filePath(QStringLiteral("fuera/logo.gif"));
    QDir(dir.path()).mkpath(QStringLiteral("fuera"));
    TempProgramFolder::writeFile(source, "nuevo");

    // The folder is made when missing.
    QVERIFY(copyIntoResources(source, resources, QStringLiteral("logo.gif")).ok);
    QCOMPARE(TempProgramFolder::readFile(resources + QStringLiteral("logo.gif")),
             QByteArray("nuevo"));

    // The library's own copy reached through another spelling is the same file.
    const QString spelled = dir.filePath(QStringLiteral("fuera/../resources//logo.gif"));
    QVERIFY(files::IsSameFile(spelled, resources + QStringLiteral("logo.gif")));
    QVERIFY(QFile::link(resources, dir.filePath(QStringLiteral("enlace"))));
    const QString linked = dir.filePath(QStringLiteral("enlace/logo.gif"));
    QVERIFY(files::IsSameFile(linked, resources + QStringLiteral("logo.gif")));
    QVERIFY(!files::IsSameFile(source, resources + QStringLiteral("logo.gif")));
    QVERIFY(!files::IsSameFile(dir.filePath(QStringLiteral("nada")),
                               dir.filePath(QStringLiteral("nada"))));
    QVERIFY(copyIntoResources(linked, resources, QStringLiteral("logo.gif")).ok);
    QCOMPARE(TempProgramFolder::readFile(resources + QStringLiteral("logo.gif")),
             QByteArray("nuevo"));

    // Overwriting a read-only file replaces its bytes.
    QFile::setPermissions(resources + QStringLiteral("logo.gif"), QFileDevice::ReadOwner);
    TempProgramFolder::writeFile(source, "otra versión");
    QVERIFY(copyIntoResources(source, resources, QStringLiteral("logo.gif")).ok);
    QCOMPARE(TempProgramFolder::readFile(resources + QStringLiteral("logo.gif")),
             QByteArray("otra versión"));

    // A source that cannot be read leaves the library's file whole.
    const FileResult failed = copyIntoResources(dir.filePath(QStringLiteral("no-existe.gif")),
                                                resources, QStringLiteral("logo.gif"));
    QVERIFY(!failed.ok);
    QVERIFY(!failed.error.isEmpty());
    QCOMPARE(TempProgramFolder::readFile(resources + QStringLiteral("logo.gif")),
             QByteArray("otra versión"));
    // A FIFO would block the copy and a device never end it: refused at once.
    const QString fifo = dir.filePath(QStringLiteral("tuberia.gif"));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& odd : {fifo, QStringLiteral("/dev/zero")}) {
        const FileResult refused = copyIntoResources(odd, resources, QStringLiteral("logo.gif"));
        QVERIFY(!refused.ok);
        QVERIFY(refused.error.contains(QStringLiteral("no es un fichero normal")));
        QCOMPARE(TempProgramFolder::readFile(resources + QStringLiteral("logo.gif")),
                 QByteArray("otra versión"));
    }
    QVERIFY(deleteResource(resources, QStringLiteral("logo.gif")).ok);
    QVERIFY(!QFile::exists(resources + QStringLiteral("logo.gif")));
    QVERIFY(deleteResource(resources, QStringLiteral("logo.gif")).ok); // already gone
}

QTEST_GUILESS_MAIN(TestEditingCore)
#include "test_editing_core.moc"
