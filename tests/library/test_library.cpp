#include "library/collation.h"
#include "library/libraryfile.h"
#include "library/librarystore.h"
#include "library/scriptindex.h"
#include "library/scriptsearch.h"
#include "tests/support/scriptbuilder.h"

#include <QProcess>
#include <QThread>
#include <QtTest>

using namespace library;
using namespace Qt::StringLiterals;

namespace {

template <typename Rows> QStringList namesOf(const Rows& rows)
{
    QStringList list;
    for (const auto& row : rows)
        list.append(row.nombre);
    return list;
}

QStringList found(LibraryStore& store, const QString& typed)
{
    QStringList names;
    for (qint64 id : store.searchScripts(SearchWords(typed)))
        names.append(store.script(id)->nombre);
    return names;
}

// Scripts enough for the index to be built in the background, over a second or so; each has
// "comun" and a word of its own ("propio<id>") in its comments.
constexpr int ManyScripts = 20000;
void addManyScripts(TempProgramFolder& folder)
{
    const QByteArray category = QByteArray::number(folder.addCategory(0, u"Varios"_s));
    const QByteArray type = QByteArray::number(folder.addType(u"Efecto"_s));
    folder.db().execute(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        QByteArray::number(ManyScripts) +
        ") INSERT INTO scripts (id, id_categoria, id_tipo, nombre, script_ayuda, script_head) "
        "SELECT i, " +
        category + ", " + type +
        ", 'Script ' || i, 'comun propio' || i, '<script>var x' || i || ' = 1;</script>' FROM n");
    folder.closeLibrary();
}

qint64 indexedRows(const QString& path)
{
    Database db = Database::open(path, LibraryPassword);
    Statement q = db.prepare("SELECT count(*) FROM scripts_busqueda");
    return q.next() ? q.int64(0) : -1;
}

// Waits until the index in the file holds some scripts, but not all.
bool partlyIndexed(const QString& path)
{
    for (int i = 0; i < 4000; ++i) {
        try {
            const qint64 rows = indexedRows(path);
            if (rows > 0 && rows < ManyScripts)
                return true;
        } catch (const DatabaseError&) {
            // No table yet, or the file locked a moment.
        }
        QThread::msleep(2);
    }
    return false;
}

bool waitUntilReady(LibraryStore& store)
{
    for (int i = 0; i < 3000 && store.searchReadiness() == LibraryStore::SearchReadiness::Preparing;
         ++i)
        QThread::msleep(10);
    return store.searchReadiness() == LibraryStore::SearchReadiness::Ready;
}

std::unique_ptr<LibraryStore> reopen(TempProgramFolder& folder)
{
    folder.closeLibrary();
    return LibraryStore::open(folder.libraryPath());
}

// This program run again as another process: it locks the library, adds a category, says "held",
// keeps the lock for `ms` and commits. Returns once the lock is held.
std::unique_ptr<QProcess> lockedByAnotherProcess(const QString& path, int ms)
{
    auto writer = std::make_unique<QProcess>();
    writer->start(QCoreApplication::applicationFilePath(),
                  {u"--hold"_s, path, QString::number(ms)});
    QByteArray said;
    while (!said.contains("held") && writer->waitForReadyRead(10000))
        said += writer->readAllStandardOutput();
    return said.contains("held") ? std::move(writer) : nullptr;
}

} // namespace

class TestLibrary : public QObject
{
    Q_OBJECT

    // One library for the search table; the words each field holds are its own.
    TempProgramFolder searched_;
    std::unique_ptr<LibraryStore> searchStore_;

private Q_SLOTS:
    void initTestCase();
    void onlyAKeyedLibraryOpensFullySynced();
    void everyListingUsesTheOneSpanishOrder();
    void saveAndDeleteAreAllOrNothing();
    void anotherProcessWritingMakesThisOneWaitNotFail();
    void searchIgnoresAccentsCaseAndSyntax_data();
    void searchIgnoresAccentsCaseAndSyntax();
    void indexFollowsEveryWriterAndIsBuiltOnce();
    void namesHoldingMoreOfTheWordsComeFirst();
    void indexBuiltInTheBackgroundFollowsSavesAndSurvivesAKill();
};

void TestLibrary::initTestCase()
{
    TempProgramFolder& f = searched_;
    const qint64 util = f.addCategory(0, u"Utilidades"_s), reloj = f.addCategory(0, u"Relojes"_s);
    const qint64 form = f.addType(u"Formulario"_s), timer = f.addType(u"Temporizador"_s);
    ScriptBuilder(u"Generador de contraseñas"_s).in(util).type(form).help(u"ébano"_s).addTo(f);
    ScriptBuilder(u"ÁRBOL de menús"_s).in(util).type(form).browsers(u"Ópera"_s).addTo(f);
    ScriptBuilder(u"Cañón"_s).in(util).type(form).body(u"rubí()"_s).html(u"esmeralda"_s).addTo(f);
    ScriptBuilder(u"Reloj (digital)"_s).in(reloj).type(timer).head(u"zafiro"_s).addTo(f);
    ScriptBuilder(u"Ordenar tabla"_s).in(util).type(form).addTo(f);
    ScriptBuilder(u"Near me"_s).in(util).type(form).addTo(f);
    searchStore_ = reopen(f);
}

void TestLibrary::onlyAKeyedLibraryOpensFullySynced()
{
    TempProgramFolder folder;
    folder.addType(u"Efecto"_s);
    auto store = reopen(folder);
    QVERIFY_THROWS_EXCEPTION(DatabaseError, Database::open(folder.libraryPath(), "otra"));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, Database::open(folder.filePath(u"falta"_s), "k"));
    QVERIFY(!QFile::exists(folder.filePath(u"falta"_s)));
    // Without the key the bytes on disk show neither the schema nor the data.
    const QByteArray raw = TempProgramFolder::readFile(folder.libraryPath());
    QVERIFY(!raw.startsWith("SQLite") && !raw.contains("Efecto") && !raw.contains("categorias"));
    Statement journal = store->database().prepare("PRAGMA journal_mode");
    Statement sync = store->database().prepare("PRAGMA synchronous");
    QVERIFY(journal.next() && journal.text(0) == u"delete"_s);
    QVERIFY(sync.next() && sync.int64(0) == 2); // FULL
}

void TestLibrary::everyListingUsesTheOneSpanishOrder()
{
    TempProgramFolder folder;
    // Case and accents fold, ñ is a letter of its own, numbers go by their value, names
    // equal but for case, accents or leading zeros still go in one fixed order; added in
    // another order, so ids never give it by chance.
    const QStringList ordered{u"Abaco"_s,    u"Ábaco"_s,   u"ábaco"_s,    u"Árbol 2"_s,
                              u"Árbol 07"_s, u"Árbol 7"_s, u"Árbol 28"_s, u"Árbol 112"_s,
                              u"Árboles"_s,  u"botones"_s, u"Menú"_s,     u"Menus2"_s,
                              u"Nubes"_s,    u"Ñandú"_s,   u"Ocaso"_s};
    const qint64 parent = folder.addCategory(0, u"Todo"_s);
    for (int i : {12, 7, 11, 2, 6, 9, 4, 3, 14, 0, 10, 5, 13, 8, 1}) {
        folder.addCategory(parent, ordered[i]);
        folder.addScript(parent, folder.addType(ordered[i]), ordered[i]);
    }
    // Ids beyond 32 bits change nothing.
    folder.db().execute("UPDATE categorias SET id = 5000000000 WHERE nombre = 'Ocaso';"
                        "UPDATE scripts SET id = 6000000000 WHERE nombre = 'Ocaso'");
    auto store = reopen(folder);
    QCOMPARE(store->script(6000000000)->nombre, u"Ocaso"_s);
    QCOMPARE(store->childCategories(parent).back().id, 5000000000);
    QCOMPARE(namesOf(store->childCategories(parent)), ordered);
    QCOMPARE(namesOf(store->typesByName()), ordered);
    QCOMPARE(namesOf(store->scriptsByName()), ordered);
    QCOMPARE(namesOf(store->categoriesByName()), QStringList(ordered) << u"Todo"_s);
    QCOMPARE(found(*store, u"arbol"_s), ordered.mid(3, 6));
    QVERIFY(CompareNames(u"v10.2"_s, u"v9.10"_s) > 0 && CompareNames(u"a/1"_s, u"a1"_s) < 0 &&
            CompareNames(u"a1"_s, u"a:"_s) < 0 && CompareNames(u"x0"_s, u"x"_s) > 0);
    // The order lives on the connection only, so other SQLCipher clients read the file as before.
    Statement schema = store->database().prepare("SELECT group_concat(sql) FROM sqlite_master");
    QVERIFY(schema.next() && schema.text(0).contains(u"CREATE TABLE"_s));
    QVERIFY(!schema.text(0).contains(u"COLLATE "_s + QLatin1String(NameCollation),
                                     Qt::CaseInsensitive));
}

void TestLibrary::saveAndDeleteAreAllOrNothing()
{
    TempProgramFolder folder;
    const SampleLibrary l(folder);
    folder.addFile(l.menu, u"reloj.gif"_s); // the menu names the clock's file too
    // A file row and a deletion that fail half-way through.
    folder.db().execute("CREATE TRIGGER f1 BEFORE INSERT ON ficheros WHEN NEW.nombre = 'roto.gif' "
                        "BEGIN SELECT RAISE(ABORT, 'disco lleno'); END;"
                        "CREATE TRIGGER f2 BEFORE DELETE ON scripts WHEN OLD.nombre LIKE 'Men%' "
                        "BEGIN SELECT RAISE(ABORT, 'bloqueado'); END;");
    auto store = reopen(folder);
    Script edited = *store->script(l.reloj);
    edited.nombre = u"Cambiado"_s;
    QVERIFY_THROWS_EXCEPTION(DatabaseError, store->saveScript(edited, {u"b.gif"_s, u"roto.gif"_s}));
    edited.id = 0;
    QVERIFY_THROWS_EXCEPTION(DatabaseError, store->saveScript(edited, {u"roto.gif"_s}));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, store->deleteScript(l.menu));
    store = reopen(folder);
    QCOMPARE(namesOf(store->scriptsByName()),
             (QStringList{u"Menú d'O'Brien"_s, u"Reloj digital"_s}));
    QCOMPARE(namesOf(store->relatedFiles(l.reloj)) + namesOf(store->relatedFiles(l.menu)),
             (QStringList{u"reloj.gif"_s, u"reloj.gif"_s}));
    // What succeeds survives reopening, file rows included.
    const qint64 id = store->saveScript(edited, {u"c.gif"_s, u"c.gif"_s});
    store->deleteScript(l.reloj);
    store = reopen(folder);
    QCOMPARE(store->relatedFiles(id).size(), size_t(2));
    QVERIFY(!store->script(l.reloj) && store->relatedFiles(l.reloj).empty());
    QVERIFY(!store->isFileUsedByOtherScript(u"reloj.gif"_s, l.menu));
}

void TestLibrary::anotherProcessWritingMakesThisOneWaitNotFail()
{
    TempProgramFolder folder;
    const qint64 textos = folder.addCategory(0, u"Textos"_s),
                 relojes = folder.addCategory(0, u"R"_s);
    const qint64 id = folder.addScript(textos, folder.addType(u"Efecto"_s), u"Reloj"_s);
    auto store = reopen(folder);
    // A read, then a write, while the other process holds the lock: this one waits.
    for (bool write : {false, true}) {
        std::unique_ptr<QProcess> writer = lockedByAnotherProcess(folder.libraryPath(), 700);
        QVERIFY(writer);
        try {
            if (write)
                store->moveScript(id, relojes);
            else
                QCOMPARE(store->script(id)->nombre, u"Reloj"_s);
        } catch (const DatabaseError& e) {
            QFAIL(qPrintable(e.message()));
        }
        QVERIFY(writer->waitForFinished(10000) && writer->exitCode() == 0);
    }
    QCOMPARE(namesOf(store->categoriesByName()).count(u"Del otro proceso"_s), 2);
    // Opening the library, not only reading an open one: its first read, the key's check,
    // meets the lock and waits too.
    {
        std::unique_ptr<QProcess> writer = lockedByAnotherProcess(folder.libraryPath(), 700);
        QVERIFY(writer);
        try {
            const std::unique_ptr<LibraryStore> opened = LibraryStore::open(folder.libraryPath());
            QCOMPARE(namesOf(opened->categoriesByName()).count(u"Del otro proceso"_s), 3);
        } catch (const DatabaseError& e) {
            QFAIL(qPrintable(e.message()));
        }
        QVERIFY(writer->waitForFinished(10000) && writer->exitCode() == 0);
    }
    // Reading ahead for a search does not wait (clicking into the box must not freeze the
    // window); the search itself still does.
    std::unique_ptr<QProcess> holder = lockedByAnotherProcess(folder.libraryPath(), 2500);
    QVERIFY(holder);
    QVERIFY_THROWS_EXCEPTION(DatabaseError, store->readSearchAhead());
    QVERIFY(holder->waitForFinished(10000));
    holder = lockedByAnotherProcess(folder.libraryPath(), 700);
    QVERIFY(holder);
    QCOMPARE(store->searchScripts({u"reloj"_s}), std::vector<qint64>{id});
    QVERIFY(holder->waitForFinished(10000));
    // A lock that is never let go ends the wait, with an error and nothing written.
    std::unique_ptr<QProcess> stuck = lockedByAnotherProcess(folder.libraryPath(), 60000);
    QVERIFY(stuck);
    QVERIFY_THROWS_EXCEPTION(DatabaseError, store->moveScript(id, textos));
    stuck->kill();
    stuck->waitForFinished();
    QCOMPARE(store->script(id)->idCategoria, relojes);
}

void TestLibrary::searchIgnoresAccentsCaseAndSyntax_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("expected");
    const QString gen = u"Generador de contraseñas"_s, arbol = u"ÁRBOL de menús"_s;
    const QString canon = u"Cañón"_s, reloj = u"Reloj (digital)"_s;
    const QStringList all{arbol, canon, gen, u"Near me"_s, u"Ordenar tabla"_s, reloj};
    QTest::newRow("no accent typed") << u"contrasena"_s << QStringList{gen};
    QTest::newRow("upper case, ñ") << u"CONTRASEÑA"_s << QStringList{gen};
    QTest::newRow("two words") << u"arbol MENU"_s << QStringList{arbol};
    QTest::newRow("ñ and ó") << u"canon"_s << QStringList{canon};
    QTest::newRow("longer than the word") << u"menuses"_s << QStringList();
    QTest::newRow("help") << u"ebano"_s << QStringList{gen};
    QTest::newRow("browsers") << u"opera"_s << QStringList{arbol};
    QTest::newRow("head") << u"zafiro"_s << QStringList{reloj};
    QTest::newRow("body") << u"rubi"_s << QStringList{canon};
    QTest::newRow("html, word start") << u"esm"_s << QStringList{canon};
    QTest::newRow("never a word's middle") << u"smeralda"_s << QStringList();
    QTest::newRow("type") << u"temporiz"_s << QStringList{reloj};
    QTest::newRow("category") << u"relojes"_s << QStringList{reloj};
    QTest::newRow("words in three fields") << u"zaf relojes temp"_s << QStringList{reloj};
    QTest::newRow("words of two scripts") << u"zafiro rubi"_s << QStringList();
    QTest::newRow("only signs") << u"\"*-()'^:"_s << all;
    QTest::newRow("signs around words") << u"\"reloj* -(digi"_s << QStringList{reloj};
    QTest::newRow("operators are words") << u"tabla OR AND NOT"_s << QStringList();
    QTest::newRow("OR is a word") << u"OR"_s << QStringList{u"Ordenar tabla"_s};
    QTest::newRow("NEAR is a word") << u"NEAR"_s << QStringList{u"Near me"_s};
    QTest::newRow("column:") << u"nombre:reloj"_s << QStringList();
}

void TestLibrary::searchIgnoresAccentsCaseAndSyntax()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, expected);
    try {
        QCOMPARE(found(*searchStore_, typed), expected);
    } catch (const DatabaseError& e) {
        QFAIL(qPrintable(e.message()));
    }
}

void TestLibrary::indexFollowsEveryWriterAndIsBuiltOnce()
{
    TempProgramFolder folder;
    const qint64 menus = folder.addCategory(0, u"Menús"_s), type = folder.addType(u"Imagen"_s);
    const qint64 galeria = folder.addScript(menus, type, u"Galería"_s);
    auto store = reopen(folder);
    QCOMPARE(store->searchIndexState(), ScriptIndexState::Built);
    // Edited here, renamed by another program, moved: old texts are gone at once and after
    // reopening; the index is built once.
    Script s = *store->script(galeria);
    s.scriptAyuda = u"puntero"_s;
    store->saveScript(s, {});
    folder.db().execute("UPDATE categorias SET nombre = 'Navegación' WHERE nombre = 'Menús'");
    QCOMPARE(found(*store, u"navegacion puntero galeria"_s), QStringList{s.nombre});
    store->moveScript(s.id, folder.addCategory(0, u"Relojes"_s));
    store = reopen(folder);
    QCOMPARE(store->searchIndexState(), ScriptIndexState::Present);
    QCOMPARE(found(*store, u"navegacion"_s) + found(*store, u"relojes puntero"_s),
             QStringList{s.nombre});
    store->deleteScript(s.id);
    QCOMPARE(found(*store, u"galeria"_s), QStringList());
}

void TestLibrary::namesHoldingMoreOfTheWordsComeFirst()
{
    TempProgramFolder folder;
    const qint64 utiles = folder.addCategory(0, u"Útiles"_s), type = folder.addType(u"Efecto"_s);
    const qint64 abaco =
        ScriptBuilder(u"Ábaco"_s).in(utiles).type(type).help(u"contraseña y reloj"_s).addTo(folder);
    ScriptBuilder(u"Base"_s)
        .in(utiles)
        .type(type)
        .head(u"// contraseñas, relojería"_s)
        .addTo(folder);
    ScriptBuilder(u"Reloj sencillo"_s)
        .in(utiles)
        .type(type)
        .html(u"<b>contraseña</b>"_s)
        .addTo(folder);
    folder.addScript(utiles, type, u"Su CONTRASEÑA y reloj"_s);
    folder.addScript(utiles, type, u"Relojes sin clave"_s);
    auto store = reopen(folder);
    // Folded as the index folds: the typed "CONTRASENA" is the name's "CONTRASEÑA", so that
    // name holds both words.
    QCOMPARE(found(*store, u"CONTRASENA relo"_s),
             (QStringList{u"Su CONTRASEÑA y reloj"_s, u"Reloj sencillo"_s, u"Ábaco"_s, u"Base"_s}));
    // Renamed by another program: ranked by the new name at once.
    folder.db().execute("UPDATE scripts SET nombre = 'Zeta contraseñas' WHERE id = " +
                        QByteArray::number(abaco));
    QCOMPARE(found(*store, u"contraseña reloj"_s),
             (QStringList{u"Su CONTRASEÑA y reloj"_s, u"Reloj sencillo"_s, u"Zeta contraseñas"_s,
                          u"Base"_s}));
    // One letter: the names with a word that begins with it first, in name order, then the
    // rest; an accented initial is its plain letter, and a letter inside a word is no start.
    QCOMPARE(found(*store, u"r"_s),
             (QStringList{u"Reloj sencillo"_s, u"Relojes sin clave"_s, u"Su CONTRASEÑA y reloj"_s,
                          u"Base"_s, u"Zeta contraseñas"_s}));
    QCOMPARE(found(*store, u"Z"_s), QStringList{u"Zeta contraseñas"_s});
    folder.addScript(utiles, type, u"Élite 2 zonas"_s);
    QCOMPARE(found(*store, u"e"_s).mid(0, 1), QStringList{u"Élite 2 zonas"_s});
    QCOMPARE(found(*store, u"2"_s), QStringList{u"Élite 2 zonas"_s});
    QCOMPARE(found(*store, u"z"_s), (QStringList{u"Élite 2 zonas"_s, u"Zeta contraseñas"_s}));
}

void TestLibrary::indexBuiltInTheBackgroundFollowsSavesAndSurvivesAKill()
{
    TempProgramFolder folder;
    addManyScripts(folder);
    const QString path = folder.libraryPath();
    const QString copy = folder.filePath(u"copia.mdb"_s);
    QVERIFY(QFile::copy(path, copy));
    using Readiness = LibraryStore::SearchReadiness;
    const auto ids = [](LibraryStore& store, const QString& typed) {
        return store.searchScripts(SearchWords(typed));
    };

    // Saves, a deletion and a new script while the index is built: each is found as it was
    // left, once the search is ready.
    auto store = LibraryStore::open(path, LibraryStore::IndexBuild::InBackground);
    QCOMPARE(store->searchReadiness(), Readiness::Preparing);
    QVERIFY_THROWS_EXCEPTION(DatabaseError, ids(*store, u"comun"_s));
    std::vector<qint64> saved;
    int savedWhileBuilding = 0;
    qint64 added = 0;
    for (qint64 id = ManyScripts; id > 400 && store->searchReadiness() == Readiness::Preparing;
         id -= 397) {
        Script s = *store->script(id);
        s.scriptAyuda = u"cambiado%1"_s.arg(id);
        store->saveScript(s, {});
        saved.push_back(id);
        // Between the filling's steps, the index in the file in part.
        savedWhileBuilding +=
            ReadScriptIndexInFile(store->database()) == ScriptIndexInFile::Partial ? 1 : 0;
        if (saved.size() == 3) {
            store->deleteScript(1);
            Script n = s;
            n.id = 0;
            n.scriptAyuda = u"nuevo comun"_s;
            added = store->saveScript(n, {});
        }
        QThread::msleep(15);
    }
    QVERIFY2(savedWhileBuilding >= 3, qPrintable(QString::number(savedWhileBuilding)));
    QVERIFY(waitUntilReady(*store));
    QCOMPARE(store->searchIndexState(), ScriptIndexState::Built);
    const auto holds = [](const std::vector<qint64>& found, qint64 id) {
        return std::find(found.begin(), found.end(), id) != found.end();
    };
    for (qint64 id : saved) {
        QCOMPARE(ids(*store, u"cambiado%1"_s.arg(id)), std::vector<qint64>{id});
        QVERIFY(!holds(ids(*store, u"propio%1"_s.arg(id)), id));
    }
    QVERIFY(!holds(ids(*store, u"propio1"_s), 1));
    QCOMPARE(ids(*store, u"nuevo"_s), std::vector<qint64>{added});
    QCOMPARE(ids(*store, u"comun"_s).size(), size_t(ManyScripts) - saved.size());
    QCOMPARE(ids(*store, u"propio12345"_s), std::vector<qint64>{12345});
    store.reset();
    QCOMPARE(LibraryStore::open(path)->searchIndexState(), ScriptIndexState::Present);

    // Killed while building: the file's index is not taken for whole; the next opening
    // completes it.
    QProcess builder;
    builder.start(QCoreApplication::applicationFilePath(), {u"--build"_s, copy});
    QVERIFY(builder.waitForStarted());
    QVERIFY(partlyIndexed(copy));
    builder.kill();
    QVERIFY(builder.waitForFinished());
    {
        Database db = Database::open(copy, LibraryPassword);
        QCOMPARE(ReadScriptIndexInFile(db), ScriptIndexInFile::Partial);
    }
    store = LibraryStore::open(copy, LibraryStore::IndexBuild::InBackground);
    QCOMPARE(store->searchReadiness(), Readiness::Preparing);
    // Closed while building: the same.
    QVERIFY(partlyIndexed(copy));
    store.reset();
    {
        Database db = Database::open(copy, LibraryPassword);
        QCOMPARE(ReadScriptIndexInFile(db), ScriptIndexInFile::Partial);
    }
    store = LibraryStore::open(copy, LibraryStore::IndexBuild::InBackground);
    QVERIFY(waitUntilReady(*store));
    QCOMPARE(ids(*store, u"comun"_s).size(), size_t(ManyScripts));
    QCOMPARE(ids(*store, u"propio17777"_s), std::vector<qint64>{17777});
    QCOMPARE(indexedRows(copy), qint64(ManyScripts));
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--build") == 0) {
        // Builds the index in the background until killed.
        auto store =
            LibraryStore::open(app.arguments().at(2), LibraryStore::IndexBuild::InBackground);
        QThread::sleep(60);
        return 0;
    }
    if (argc == 4 && qstrcmp(argv[1], "--hold") == 0) {
        Database db = Database::open(app.arguments().at(2), LibraryPassword);
        db.execute("BEGIN EXCLUSIVE; INSERT INTO categorias (id_padre, nombre) VALUES (0, 'Del "
                   "otro proceso')");
        std::puts("held");
        std::fflush(stdout);
        QThread::msleep(app.arguments().at(3).toULong());
        db.execute("COMMIT");
        return 0;
    }
    TestLibrary test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_library.moc"
