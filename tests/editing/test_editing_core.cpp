#include "app/files.h"
#include "app/module1.h"
#include "editing/resourcefiles.h"
#include "editing/scriptdelete.h"
#include "editing/scriptsave.h"
#include "library/librarystore.h"
#include "tests/support/scriptbuilder.h"

#include <QDir>
#include <QtTest>
#include <sys/stat.h>

using namespace editing;
using namespace Qt::StringLiterals;

namespace {

QStringList fileNames(library::LibraryStore& store, qint64 scriptId)
{
    QStringList names;
    for (const auto& row : store.relatedFiles(scriptId))
        names.append(row.nombre);
    return names;
}

std::unique_ptr<library::LibraryStore> reopen(TempProgramFolder& folder)
{
    folder.closeLibrary();
    return library::LibraryStore::open(folder.libraryPath());
}

} // namespace

class TestEditingCore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void saveStoresAllOfTheEditorOrNothing();
    void deletingKeepsEveryFileAnotherScriptNames();
    void relatedFileNamesNeverLeaveTheResourcesFolder();
    void copyingRecognisesTheLibrarysOwnCopyAndReplacesAtomically();
};

void TestEditingCore::saveStoresAllOfTheEditorOrNothing()
{
    TempProgramFolder folder;
    const qint64 a = folder.addCategory(0, u"Menús d'O'Brien"_s);
    const qint64 b = folder.addCategory(0, u"B"_s);
    const qint64 type = folder.addType(u"Efecto"_s);
    const qint64 old = ScriptBuilder(u"Viejo"_s)
                           .in(a)
                           .type(type)
                           .fileName(u"externo.js"_s)
                           .file(u"a.gif"_s)
                           .file(u"b.gif"_s)
                           .addTo(folder);
    const qint64 other = ScriptBuilder(u"Otro"_s).in(a).type(type).file(u"a.gif"_s).addTo(folder);
    // The second file row fails after the script row has been written.
    folder.db().execute("CREATE TRIGGER falla BEFORE INSERT ON ficheros WHEN NEW.nombre = "
                        "'boom.gif' BEGIN SELECT RAISE(ABORT, 'fallo provocado'); END;");
    auto store = reopen(folder);

    EditorContents c{u" "_s,      u"Todos"_s,      u"Menús d'O'Brien"_s,
                     u"Efecto"_s, u"head()"_s,     u"onload=x"_s,
                     u"<img>"_s,  u"Comentario"_s, {u"a.gif"_s, u"it's.jpg"_s}};
    const SaveOutcome added = storeScript(*store, 0, c);
    QCOMPARE(added.status, SaveStatus::Saved);
    QCOMPARE(added.categoryId, a);
    store = reopen(folder);
    const auto s = store->script(added.scriptId);
    QVERIFY(s);
    const QStringList stored{s->nombre,     s->navegadores, s->scriptHead,
                             s->scriptBody, s->scriptHtml,  s->scriptAyuda};
    QCOMPARE(stored, (QStringList{c.nombre, c.navegadores, c.scriptHead, c.scriptBody, c.scriptHtml,
                                  c.scriptAyuda}));
    QCOMPARE(s->idTipo, type);
    QCOMPARE(fileNames(*store, added.scriptId), c.files);

    // An edit moves the row, replaces its file rows and keeps its external file name.
    c.nombre = u"Nuevo"_s;
    c.categoria = u"B"_s;
    c.files = QStringList{u"b.gif"_s};
    QCOMPARE(storeScript(*store, old, c).categoryId, b);
    QCOMPARE(store->script(old)->nombre, u"Nuevo"_s);
    QCOMPARE(store->script(old)->idCategoria, b);
    QCOMPARE(store->script(old)->nombreFichero, u"externo.js"_s);
    QCOMPARE(fileNames(*store, old), c.files);
    QCOMPARE(fileNames(*store, other), QStringList{u"a.gif"_s});

    // Refused or failed half-way: nothing of it is stored, and the message says why.
    const std::tuple<QString, QString, QString, SaveStatus, QString> refused[] = {
        {QString(), u"B"_s, u"Efecto"_s, SaveStatus::EmptyName, u"Debe de Indicar un nombre"_s},
        {u"x"_s, u"Falta"_s, u"Efecto"_s, SaveStatus::UnknownCategory, u"\"Falta\""_s},
        {u"x"_s, u"b"_s, u"Efecto"_s, SaveStatus::UnknownCategory, u"\"b\""_s},
        {u"x"_s, u"B"_s, u"Efecto'"_s, SaveStatus::UnknownType, u"\"Efecto'\""_s},
        {u"x"_s, u"B"_s, u"Efecto"_s, SaveStatus::Failed, u"fallo provocado"_s}};
    c.files = QStringList{u"c.gif"_s, u"boom.gif"_s};
    for (const auto& [nombre, categoria, tipo, status, message] : refused) {
        std::tie(c.nombre, c.categoria, c.tipo) = std::tie(nombre, categoria, tipo);
        for (qint64 id : {qint64(0), old}) {
            const SaveOutcome outcome = storeScript(*store, id, c);
            QCOMPARE(outcome.status, status);
            QVERIFY2(saveMessage(outcome, c).contains(message), qPrintable(message));
        }
    }
    store = reopen(folder);
    QCOMPARE(store->scriptsByName().size(), size_t(3));
    QCOMPARE(store->script(old)->nombre, u"Nuevo"_s);
    QCOMPARE(fileNames(*store, old), QStringList{u"b.gif"_s});

    // A script deleted meanwhile is not brought back.
    store->deleteScript(old);
    c.files.clear();
    QCOMPARE(storeScript(*store, old, c).status, SaveStatus::MissingScript);
    QVERIFY(!store->script(old));
}

void TestEditingCore::deletingKeepsEveryFileAnotherScriptNames()
{
    TempProgramFolder folder;
    const qint64 cat = folder.addCategory(0, u"A"_s);
    const qint64 type = folder.addType(u"Efecto"_s);
    // Related twice, shared, missing, unremovable, outside the folder.
    const qint64 doomed = ScriptBuilder(u"Borrar"_s)
                              .in(cat)
                              .type(type)
                              .file(u"compartido.gif"_s, "x")
                              .file(u"propio.gif"_s, "x")
                              .file(u"propio.gif"_s)
                              .file(u"o'neil.gif"_s, "x")
                              .file(u"falta.gif"_s)
                              .file(u"bloqueado.gif"_s)
                              .file(u"../fuera.gif"_s)
                              .addTo(folder);
    const qint64 keeper =
        ScriptBuilder(u"Queda"_s).in(cat).type(type).file(u"compartido.gif"_s).addTo(folder);
    QVERIFY(QDir(folder.resourcesPath()).mkpath(u"bloqueado.gif/dentro"_s));
    TempProgramFolder::writeFile(folder.filePath(u"fuera.gif"_s), "x");
    folder.writeResource(u"ajeno.gif"_s, "x");
    auto store = reopen(folder);

    const DeleteOutcome outcome = deleteScriptWithFiles(*store, doomed, folder.resourcesPath());
    QVERIFY(outcome.ok);
    QCOMPARE(outcome.deletedFiles, (QStringList{u"propio.gif"_s, u"o'neil.gif"_s}));
    QCOMPARE(outcome.filesKept.size(), 1);
    QVERIFY(outcome.filesKept.first().startsWith(u"bloqueado.gif: "_s));
    QCOMPARE(QDir(folder.resourcesPath()).entryList(QDir::Files),
             (QStringList{u"ajeno.gif"_s, u"compartido.gif"_s}));
    QVERIFY(QFile::exists(folder.filePath(u"fuera.gif"_s)));
    store = reopen(folder);
    QVERIFY(!store->script(doomed) && fileNames(*store, doomed).isEmpty());
    QCOMPARE(fileNames(*store, keeper), QStringList{u"compartido.gif"_s});

    // Rows that cannot be deleted: nothing on disk is touched.
    store.reset();
    folder.db().execute("CREATE TRIGGER nunca BEFORE DELETE ON scripts "
                        "BEGIN SELECT RAISE(ABORT, 'no se borra'); END;");
    store = reopen(folder);
    const DeleteOutcome refused = deleteScriptWithFiles(*store, keeper, folder.resourcesPath());
    QVERIFY(!refused.ok);
    QVERIFY(refused.error.contains(u"no se borra"_s));
    QCOMPARE(fileNames(*store, keeper), QStringList{u"compartido.gif"_s});
    QVERIFY(QFile::exists(folder.resourcesPath() + u"compartido.gif"_s));
}

void TestEditingCore::relatedFileNamesNeverLeaveTheResourcesFolder()
{
    for (const char* good : {"logo.gif", "it's a..b.gif", "año \"ñandú\" (1).gif"})
        QVERIFY2(Module1::IsBareFileName(QString::fromUtf8(good)), good);
    // Nothing that leaves the folder, and no control character: a name also travels in mail
    // headers and pages, where a line break would start a new line of its own.
    for (const char* bad : {"", ".", "..", "../x.gif", "a/b.gif", "a\\b.gif", "/etc/passwd",
                            "a\r\nX-Inyectada: 1.gif", "a\n.gif", "a\r.gif", "tab\t.gif",
                            "esc\x1b.gif", "del\x7f.gif", "nel\xc2\x85.gif", "l\xe2\x80\xa8.gif"})
        QVERIFY2(!Module1::IsBareFileName(QString::fromUtf8(bad)), bad);
    QVERIFY(!Module1::IsBareFileName(QString(QChar(0)) + u"a.gif"_s));

    QTemporaryDir dir;
    const QString secret = dir.filePath(u"secreto.txt"_s);
    const QString resources = dir.filePath(u"resources/"_s);
    TempProgramFolder::writeFile(secret, "no");
    QVERIFY(!copyIntoResources(secret, resources, u"../copia.txt"_s).ok);
    QVERIFY(!copyIntoResources(secret, resources, u"copia\n.txt"_s).ok);
    QVERIFY(!deleteResource(resources, u"../secreto.txt"_s).ok);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{u"secreto.txt"_s});
}

void TestEditingCore::copyingRecognisesTheLibrarysOwnCopyAndReplacesAtomically()
{
    QTemporaryDir dir;
    const QString resources = dir.filePath(u"resources/"_s);
    const QString logo = resources + u"logo.gif"_s;
    const QString source = dir.filePath(u"fuera/logo.gif"_s);
    QDir(dir.path()).mkpath(u"fuera"_s);
    TempProgramFolder::writeFile(source, "nuevo");
    QVERIFY(copyIntoResources(source, resources, u"logo.gif"_s).ok); // the folder is made

    // The library's own copy reached through another spelling or a link is the same file.
    QVERIFY(QFile::link(resources, dir.filePath(u"enlace"_s)));
    for (const QString& same :
         {dir.filePath(u"fuera/../resources//logo.gif"_s), dir.filePath(u"enlace/logo.gif"_s)}) {
        QVERIFY(files::IsSameFile(same, logo));
        QVERIFY(copyIntoResources(same, resources, u"logo.gif"_s).ok);
        QCOMPARE(TempProgramFolder::readFile(logo), QByteArray("nuevo"));
    }
    QVERIFY(!files::IsSameFile(source, logo));
    QVERIFY(!files::IsSameFile(dir.filePath(u"nada"_s), dir.filePath(u"nada"_s)));

    // A read-only file is replaced; a source that cannot be read, a FIFO that would block the
    // copy or a device that would never end it leave the library's file whole.
    QFile::setPermissions(logo, QFileDevice::ReadOwner);
    TempProgramFolder::writeFile(source, "otra versión");
    QVERIFY(copyIntoResources(source, resources, u"logo.gif"_s).ok);
    const QString fifo = dir.filePath(u"tuberia.gif"_s);
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& odd : {dir.filePath(u"no-existe.gif"_s), fifo, u"/dev/zero"_s}) {
        const FileResult refused = copyIntoResources(odd, resources, u"logo.gif"_s);
        QVERIFY(!refused.ok && !refused.error.isEmpty());
        QCOMPARE(TempProgramFolder::readFile(logo), QByteArray("otra versión"));
    }
    QCOMPARE(QDir(resources).entryList(QDir::Files), QStringList{u"logo.gif"_s});
    QVERIFY(deleteResource(resources, u"logo.gif"_s).ok);
    QVERIFY(!QFile::exists(logo));
    QVERIFY(deleteResource(resources, u"logo.gif"_s).ok); // already gone
}

QTEST_GUILESS_MAIN(TestEditingCore)
#include "test_editing_core.moc"
