#include "library/collation.h"
#include "library/libraryfile.h"
#include "library/librarystore.h"
#include "library/nodekey.h"
#include "tests/support/tempprogramfolder.h"

#include <QProcess>
#include <QtTest>
#include <memory>

using namespace library;

class TestLibrary : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nodeKeysTellKindAndId();
    void opensOnlyWithThePassword();
    void refusesFilesThatAreNotLibraries();
    void usesRollbackJournalFullySynced();
    void namesWithQuotesWorkInEveryStatement();
    void idsBeyondSixteenBits();
    void childCategoriesComeByNameWhateverTheIds();
    void namesSortAsASpanishReaderExpects_data();
    void namesSortAsASpanishReaderExpects();
    void everyListingUsesTheOneSpanishOrder();
    void saveIsAllOrNothing();
    void deleteRemovesRowsAndFileRowsTogether();
    void anotherProcessWritingMakesThisOneWaitNotFail();
};

void TestLibrary::nodeKeysTellKindAndId()
{
    QCOMPARE(categoryKey(12), QStringLiteral("12C"));
    QCOMPARE(scriptKey(7), QStringLiteral("7S"));
    QVERIFY(isRootKey(QStringLiteral("0C")));
    QVERIFY(!isRootKey(QStringLiteral("10C")));
    QCOMPARE(nodeKindOfKey(QStringLiteral("0C")), NodeKind::Category);
    QCOMPARE(nodeKindOfKey(QStringLiteral("10C")), NodeKind::Category);
    QCOMPARE(nodeKindOfKey(QStringLiteral("1S")), NodeKind::Script);
    QCOMPARE(nodeKindOfKey(QStringLiteral("1X")), NodeKind::None);
    QCOMPARE(nodeKindOfKey(QString()), NodeKind::None);
    QCOMPARE(idOfKey(QStringLiteral("10C")), 10);
    QCOMPARE(idOfKey(QStringLiteral("1C")), 1);
    QCOMPARE(idOfKey(QStringLiteral("4000000000S")), Q_INT64_C(4000000000));
    QCOMPARE(idOfKey(QStringLiteral("xS")), -1);
}

void TestLibrary::opensOnlyWithThePassword()
{
    TempProgramFolder folder;
    folder.addType(QStringLiteral("Efecto"));
    folder.closeLibrary();

    QVERIFY_THROWS_EXCEPTION(DatabaseError, Database::open(folder.libraryPath(), "otra"));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, Database::open(folder.libraryPath(), QByteArray()));
    auto store = LibraryStore::open(folder.libraryPath());
    QCOMPARE(store->typesByName().size(), size_t(1));

    // Without the key the bytes on disk do not show the schema or the data.
    const QByteArray raw = TempProgramFolder::readFile(folder.libraryPath());
    QVERIFY(!raw.startsWith("SQLite format 3"));
    QVERIFY(!raw.contains("Efecto"));
    QVERIFY(!raw.contains("categorias"));
}

void TestLibrary::refusesFilesThatAreNotLibraries()
{
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("texto.mdb"));
    TempProgramFolder::writeFile(text, QByteArray(4096, 'x'));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, Database::open(text, LibraryPassword));
    const QString empty = dir.filePath(QStringLiteral("vacio.mdb"));
    TempProgramFolder::writeFile(empty, QByteArray());
    // An empty file opens as an empty database; it holds no library tables.
    QVERIFY_THROWS_EXCEPTION(DatabaseError, LibraryStore::open(empty)->typesByName());
    QVERIFY_THROWS_EXCEPTION(
        DatabaseError, Database::open(dir.filePath(QStringLiteral("falta.mdb")), LibraryPassword));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("falta.mdb"))));

    // A damaged file: the header page overwritten.
    TempProgramFolder folder;
    folder.addType(QStringLiteral("Efecto"));
    folder.closeLibrary();
    QFile f(folder.libraryPath());
    QVERIFY(f.open(QIODevice::ReadWrite));
    f.write(QByteArray(64, '\0'));
    f.close();
    QVERIFY_THROWS_EXCEPTION(DatabaseError, LibraryStore::open(folder.libraryPath()));
}

void TestLibrary::usesRollbackJournalFullySynced()
{
    TempProgramFolder folder;
    folder.closeLibrary();
    auto store = LibraryStore::open(folder.libraryPath());
    auto journal = store->database().prepare("PRAGMA journal_mode");
    QVERIFY(journal.next());
    QCOMPARE(journal.text(0), QStringLiteral("delete"));
    auto sync = store->database().prepare("PRAGMA synchronous");
    QVERIFY(sync.next());
    QCOMPARE(sync.int64(0), 2); // FULL
}

void TestLibrary::namesWithQuotesWorkInEveryStatement()
{
    TempProgramFolder folder;
    const QString cat = QStringLiteral("Efectos d'O'Brien");
    const QString type = QStringLiteral("Tipo 'raro'");
    const qint64 catId = folder.addCategory(0, cat);
    const qint64 typeId = folder.addType(type);
    folder.closeLibrary();
    auto store = LibraryStore::open(folder.libraryPath());
    QCOMPARE(store->categoryIdByName(cat), catId);
    QCOMPARE(store->typeIdByName(type), typeId);
    QVERIFY(!store->categoryIdByName(QStringLiteral("Efectos d")).has_value());

    Script s;
    s.idCategoria = catId;
    s.idTipo = typeId;
    s.nombre = QStringLiteral("Reloj 'digital'; DROP TABLE scripts; --");
    const QString file = QStringLiteral("l'imagen.gif");
    const qint64 id = store->saveScript(s, {file});
    QCOMPARE(store->script(id)->nombre, s.nombre);
    QVERIFY(store->scriptHasFile(file, id));
    QVERIFY(!store->isFileUsedByOtherScript(file, id));
    QVERIFY(store->isFileUsedByOtherScript(file, id + 1));
    QCOMPARE(store->relatedFiles(id).at(0).nombre, file);
}

void TestLibrary::idsBeyondSixteenBits()
{
    TempProgramFolder folder;
    auto q = folder.db().prepare(
        "INSERT INTO categorias (id, id_padre, nombre) VALUES (5000000000, 0, 'Grande')");
    q.run();
    const qint64 typeId = folder.addType(QStringLiteral("T"));
    auto s = folder.db().prepare("INSERT INTO scripts (id, id_categoria, id_tipo, nombre) VALUES "
                                 "(70000, 5000000000, ?1, 'x')");
    s.bind(1, typeId);
    s.run();
    folder.closeLibrary();
    auto store = LibraryStore::open(folder.libraryPath());
    QCOMPARE(store->childCategories(0).at(0).id, Q_INT64_C(5000000000));
    QCOMPARE(store->script(70000)->idCategoria, Q_INT64_C(5000000000));
}

void TestLibrary::childCategoriesComeByNameWhateverTheIds()
{
    TempProgramFolder folder;
    const qint64 zeta = folder.addCategory(0, QStringLiteral("Zeta"));
    const qint64 alfa = folder.addCategory(0, QStringLiteral("alfa"));
    folder.addCategory(zeta, QStringLiteral("Beta"));
    const qint64 medio = folder.addCategory(0, QStringLiteral("Medio"));
    folder.closeLibrary();
    auto store = LibraryStore::open(folder.libraryPath());
    const auto top = store->childCategories(0);
    QCOMPARE(top.size(), size_t(3));
    QCOMPARE(top[0].id, alfa); // letter case does not decide the order
    QCOMPARE(top[1].id, medio);
    QCOMPARE(top[2].id, zeta);
    QCOMPARE(store->childCategories(zeta).at(0).nombre, QStringLiteral("Beta"));
    QVERIFY(store->childCategories(alfa).empty());
}

void TestLibrary::saveIsAllOrNothing()
{
    TempProgramFolder folder;
    const qint64 cat = folder.addCategory(0, QStringLiteral("Textos"));
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    Script original;
    original.idCategoria = cat;
    original.idTipo = type;
    original.nombre = QStringLiteral("Original");
    original.scriptHead = QStringLiteral("var a = 1;");
    const qint64 id = folder.addScript(original);
    folder.addFile(id, QStringLiteral("a.gif"));
    // Make the second file row fail half-way through the save.
    folder.db().execute(
        "CREATE TRIGGER falla BEFORE INSERT ON ficheros WHEN NEW.nombre = 'roto.gif' "
        "BEGIN SELECT RAISE(ABORT, 'disco lleno'); END;");
    folder.closeLibrary();

    auto store = LibraryStore::open(folder.libraryPath());
    Script edited = *store->script(id);
    edited.nombre = QStringLiteral("Cambiado");
    edited.scriptHead = QStringLiteral("var b = 2;");
    QVERIFY_THROWS_EXCEPTION(
        DatabaseError,
        store->saveScript(edited, {QStringLiteral("b.gif"), QStringLiteral("roto.gif")}));
    QCOMPARE(store->script(id)->nombre, QStringLiteral("Original"));
    QCOMPARE(store->script(id)->scriptHead, QStringLiteral("var a = 1;"));
    QCOMPARE(store->relatedFiles(id).size(), size_t(1));
    QCOMPARE(store->relatedFiles(id).at(0).nombre, QStringLiteral("a.gif"));

    Script fresh = original;
    fresh.id = 0;
    fresh.nombre = QStringLiteral("Nuevo");
    QVERIFY_THROWS_EXCEPTION(DatabaseError, store->saveScript(fresh, {QStringLiteral("roto.gif")}));
    QCOMPARE(store->scriptsByName().size(), size_t(1));

    // And a save that succeeds survives reopening the file.
    const qint64 newId =
        store->saveScript(fresh, {QStringLiteral("c.gif"), QStringLiteral("c.gif")});
    store.reset();
    store = LibraryStore::open(folder.libraryPath());
    QCOMPARE(store->script(newId)->nombre, QStringLiteral("Nuevo"));
    QCOMPARE(store->relatedFiles(newId).size(), size_t(2));
}

void TestLibrary::deleteRemovesRowsAndFileRowsTogether()
{
    TempProgramFolder folder;
    const qint64 cat = folder.addCategory(0, QStringLiteral("Textos"));
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    const qint64 a = folder.addScript(cat, type, QStringLiteral("A"));
    const qint64 b = folder.addScript(cat, type, QStringLiteral("B"));
    folder.addFile(a, QStringLiteral("x.gif"));
    folder.addFile(b, QStringLiteral("x.gif"));
    folder.db().execute("CREATE TRIGGER falla BEFORE DELETE ON scripts WHEN OLD.nombre = 'B' "
                        "BEGIN SELECT RAISE(ABORT, 'bloqueado'); END;");
    folder.closeLibrary();
    auto store = LibraryStore::open(folder.libraryPath());
    QVERIFY_THROWS_EXCEPTION(DatabaseError, store->deleteScript(b));
    QCOMPARE(store->relatedFiles(b).size(), size_t(1)); // rolled back with the script row
    store->deleteScript(a);
    QVERIFY(!store->script(a));
    QVERIFY(store->relatedFiles(a).empty());
    QVERIFY(!store->isFileUsedByOtherScript(QStringLiteral("x.gif"), b));
}

namespace {

// Starts another process that keeps the library locked for `ms` milliseconds while it
// writes; returns once the lock is held.
std::unique_ptr<QProcess> lockedByAnotherProcess(const QString& path, int ms)
{
    auto writer = std::make_unique<QProcess>();
    writer->start(QStringLiteral(KORVALIS_LIBRARY_WRITER), {path, QString::number(ms)});
    QByteArray said;
    while (!said.contains("held") && writer->waitForReadyRead(10000))
        said += writer->readAllStandardOutput();
    if (!said.contains("held"))
        qWarning("writer: %s", writer->readAllStandardError().constData());
    return said.contains("held") ? std::move(writer) : nullptr;
}

} // namespace

void TestLibrary::anotherProcessWritingMakesThisOneWaitNotFail()
{
    TempProgramFolder folder;
    const qint64 textos = folder.addCategory(0, QStringLiteral("Textos"));
    const qint64 relojes = folder.addCategory(0, QStringLiteral("Relojes"));
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    const qint64 id = folder.addScript(textos, type, QStringLiteral("Reloj"));
    folder.closeLibrary();
    auto store = LibraryStore::open(folder.libraryPath());

    // A read and a write of this connection, each while the other process holds the lock.
    const std::function<void()> steps[] = {
        [&] { QCOMPARE(store->script(id)->nombre, QStringLiteral("Reloj")); },
        [&] { store->moveScript(id, relojes); },
    };
    for (const auto& step : steps) {
        std::unique_ptr<QProcess> writer = lockedByAnotherProcess(folder.libraryPath(), 700);
        QVERIFY(writer);
        try {
            step();
        } catch (const DatabaseError& e) {
            QFAIL(qPrintable(e.message()));
        }
        QVERIFY(writer->waitForFinished(10000));
        QCOMPARE(writer->exitCode(), 0);
    }
    QCOMPARE(store->script(id)->idCategoria, relojes);
    int fromTheOther = 0;
    for (const Category& c : store->categoriesByName())
        fromTheOther += c.nombre == QStringLiteral("Del otro proceso");
    QCOMPARE(fromTheOther, 2);

    // A lock that is never let go ends the wait with the engine's own reason.
    std::unique_ptr<QProcess> stuck = lockedByAnotherProcess(folder.libraryPath(), 60000);
    QVERIFY(stuck);
    try {
        store->moveScript(id, textos);
        QFAIL("wrote through another process's lock");
    } catch (const DatabaseError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("locked")), qPrintable(e.message()));
    }
    stuck->kill();
    stuck->waitForFinished();
    QCOMPARE(store->script(id)->idCategoria, relojes);
}

void TestLibrary::namesSortAsASpanishReaderExpects_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("accent is not last") << QStringLiteral("Árboles") << QStringLiteral("Botones");
    QTest::newRow("accent within") << QStringLiteral("Menú") << QStringLiteral("Menus2");
    QTest::newRow("ñ after n") << QStringLiteral("Nz") << QStringLiteral("Ña");
    QTest::newRow("ñ before o") << QStringLiteral("Ñu") << QStringLiteral("Oso");
    QTest::newRow("case does not split") << QStringLiteral("botones") << QStringLiteral("Cajas");
    QTest::newRow("equal but for case: one fixed order")
        << QStringLiteral("Ábaco") << QStringLiteral("ábaco");
    QTest::newRow("shorter first") << QStringLiteral("Reloj") << QStringLiteral("Reloj digital");
}

void TestLibrary::namesSortAsASpanishReaderExpects()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QVERIFY(CompareNames(first, second) < 0);
    QVERIFY(CompareNames(second, first) > 0);
    QCOMPARE(CompareNames(first, first), 0);
}

void TestLibrary::everyListingUsesTheOneSpanishOrder()
{
    TempProgramFolder folder;
    // Names equal but for accents and case included: they go in one fixed order too.
    const QStringList shuffled{
        QStringLiteral("Ocaso"),   QStringLiteral("Ñandú"),   QStringLiteral("ábaco"),
        QStringLiteral("botones"), QStringLiteral("Árboles"), QStringLiteral("Abaco"),
        QStringLiteral("Nubes"),   QStringLiteral("Zeta"),    QStringLiteral("Ábaco")};
    const QStringList ordered{
        QStringLiteral("Abaco"),   QStringLiteral("Ábaco"),   QStringLiteral("ábaco"),
        QStringLiteral("Árboles"), QStringLiteral("botones"), QStringLiteral("Nubes"),
        QStringLiteral("Ñandú"),   QStringLiteral("Ocaso"),   QStringLiteral("Zeta")};
    const qint64 parent = folder.addCategory(0, QStringLiteral("Todo"));
    for (const QString& name : shuffled) {
        folder.addCategory(parent, name);
        const qint64 type = folder.addType(name);
        folder.addScript(parent, type, name);
    }
    // A library made before the index of names by category gets it when opened.
    folder.db().execute("DROP INDEX scripts_por_categoria");
    folder.closeLibrary();
    auto store = LibraryStore::open(folder.libraryPath());
    Statement index = store->database().prepare(
        "SELECT 1 FROM sqlite_master WHERE name = 'scripts_por_categoria'");
    QVERIFY(index.next());
    const auto names = [](const auto& rows) {
        QStringList list;
        for (const auto& row : rows)
            list.append(row.nombre);
        return list;
    };
    QCOMPARE(names(store->childCategories(parent)), ordered);
    QCOMPARE(names(store->typesByName()), ordered);
    QCOMPARE(names(store->scriptsByName()), ordered);
    QStringList all = ordered;
    all.insert(8, QStringLiteral("Todo"));
    QCOMPARE(names(store->categoriesByName()), all);
    // The tree's bulk reads sort in memory; they agree with the engine's collation.
    QStringList children;
    for (const CategoryListing& c : store->categoriesByParent()) {
        if (c.idPadre == parent)
            children.append(c.nombre);
    }
    QCOMPARE(children, ordered);
    Statement sql =
        store->database().prepare("SELECT nombre FROM scripts ORDER BY nombre COLLATE NOMBRE, id");
    QStringList bySql;
    while (sql.next())
        bySql.append(sql.text(0));
    QCOMPARE(bySql, ordered);

    // The order lives on the connection only: nothing in the file names it, so other
    // SQLCipher clients read the file as before.
    Statement schema = store->database().prepare("SELECT group_concat(sql) FROM sqlite_master");
    QVERIFY(schema.next());
    QVERIFY(!schema.text(0).isEmpty());
    QVERIFY(!schema.text(0).contains(QLatin1String("COLLATE ") + QLatin1String(NameCollation),
                                     Qt::CaseInsensitive));
}

QTEST_GUILESS_MAIN(TestLibrary)
#include "test_library.moc"
