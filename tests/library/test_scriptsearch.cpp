#include "library/librarystore.h"
#include "library/scriptindex.h"
#include "library/scriptsearch.h"
#include "tests/support/tempprogramfolder.h"

#include <QtTest>

using namespace library;

namespace {

QStringList found(LibraryStore& store, const QString& typed)
{
    QHash<qint64, QString> byId;
    for (const ScriptListing& s : store.scriptsByName())
        byId.insert(s.id, s.nombre);
    QStringList names;
    for (qint64 id : store.searchScripts(SearchWords(typed)))
        names.append(byId.value(id));
    return names;
}

qint64 count(Database& db, const char* sql)
{
    Statement q = db.prepare(sql);
    return q.next() ? q.int64(0) : -1;
}

} // namespace

class TestScriptSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void accentsAndCaseDoNotMatter();
    void everyFieldIsSearchedByWordPrefix();
    void nameMatchesComeFirstThenNameOrder();
    void indexFollowsSavesMovesAndDeletions();
    void libraryWithoutIndexGetsOneOnce();
    void typedSyntaxIsText_data();
    void typedSyntaxIsText();
};

void TestScriptSearch::accentsAndCaseDoNotMatter()
{
    TempProgramFolder folder;
    const qint64 cat = folder.addCategory(0, QStringLiteral("Utilidades"));
    const qint64 type = folder.addType(QStringLiteral("Formulario"));
    folder.addScript(cat, type, QStringLiteral("Generador de contraseñas"));
    folder.addScript(cat, type, QStringLiteral("ÁRBOL de menús"));
    folder.addScript(cat, type, QStringLiteral("Cañón"));
    folder.closeLibrary();
    auto store = LibraryStore::open(folder.libraryPath());
    const QStringList generador{QStringLiteral("Generador de contraseñas")};
    QCOMPARE(found(*store, QStringLiteral("contrasena")), generador);
    QCOMPARE(found(*store, QStringLiteral("CONTRASEÑA")), generador);
    QCOMPARE(found(*store, QStringLiteral("contraseñas")), generador);
    QCOMPARE(found(*store, QStringLiteral("arbol MENU")),
             QStringList{QStringLiteral("ÁRBOL de menús")});
    QCOMPARE(found(*store, QStringLiteral("canon")), QStringList{QStringLiteral("Cañón")});
    QCOMPARE(found(*store, QStringLiteral("menuses")), QStringList());
}

void TestScriptSearch::everyFieldIsSearchedByWordPrefix()
{
    TempProgramFolder folder;
    const qint64 relojes = folder.addCategory(0, QStringLiteral("Relojes"));
    const qint64 efecto = folder.addType(QStringLiteral("Efecto"));
    const qint64 temporizador = folder.addType(QStringLiteral("Temporizador"));
    // One script a field, each with a word of its own there.
    const QList<std::function<void(Script&)>> fields{
        [](Script& s) { s.nombre = QStringLiteral("Ámbar"); },
        [](Script& s) { s.scriptAyuda = QStringLiteral("Pegue el código: ébano."); },
        [](Script& s) { s.navegadores = QStringLiteral("Firefox, Ópera"); },
        [&](Script& s) { s.idTipo = temporizador; },
        [&](Script& s) { s.idCategoria = relojes; },
        [](Script& s) { s.scriptHead = QStringLiteral("<script>var zafiro = 1;</script>"); },
        [](Script& s) { s.scriptBody = QStringLiteral("onload=\"rubí()\""); },
        [](Script& s) { s.scriptHtml = QStringLiteral("<div id=\"esmeralda\"></div>"); },
    };
    const qint64 otra = folder.addCategory(0, QStringLiteral("Otros"));
    for (int i = 0; i < fields.size(); ++i) {
        Script s;
        s.idCategoria = otra;
        s.idTipo = efecto;
        s.nombre = QStringLiteral("Campo %1").arg(i);
        fields[i](s);
        folder.addScript(s);
    }
    folder.closeLibrary();
    auto store = LibraryStore::open(folder.libraryPath());
    const QStringList words{QStringLiteral("ambar"),   QStringLiteral("ebano"),
                            QStringLiteral("opera"),   QStringLiteral("temporizador"),
                            QStringLiteral("relojes"), QStringLiteral("zafiro"),
                            QStringLiteral("rubi"),    QStringLiteral("esmeralda")};
    for (int i = 0; i < words.size(); ++i) {
        const QStringList one{i == 0 ? QStringLiteral("Ámbar") : QStringLiteral("Campo %1").arg(i)};
        QCOMPARE(found(*store, words[i]), one);
        // The last word typed may be the start of a word; never its middle.
        QCOMPARE(found(*store, words[i].left(3)), one);
        QCOMPARE(found(*store, words[i].mid(1)), QStringList());
    }
    // Several words, each in another field of the same script; all must be there.
    Script both;
    both.idCategoria = relojes;
    both.idTipo = efecto;
    both.nombre = QStringLiteral("Reloj de arena");
    both.scriptHead = QStringLiteral("var cuarzo;");
    both.scriptAyuda = QStringLiteral("Con granate.");
    store->saveScript(both, {});
    QCOMPARE(found(*store, QStringLiteral("cuarz gran arena reloj")),
             QStringList{QStringLiteral("Reloj de arena")});
    QCOMPARE(found(*store, QStringLiteral("cuarzo zafiro")), QStringList());
}

void TestScriptSearch::nameMatchesComeFirstThenNameOrder()
{
    TempProgramFolder folder;
    const qint64 cat = folder.addCategory(0, QStringLiteral("Varios"));
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    auto add = [&](const QString& nombre, const QString& head) {
        Script s;
        s.idCategoria = cat;
        s.idTipo = type;
        s.nombre = nombre;
        s.scriptHead = head;
        folder.addScript(s);
    };
    add(QStringLiteral("Alfa"), QStringLiteral("// reloj digital"));
    add(QStringLiteral("Zeta reloj"), QString());
    add(QStringLiteral("Digital puro"), QStringLiteral("reloj()"));
    add(QStringLiteral("beta reloj"), QString());
    add(QStringLiteral("Reloj digital"), QString());
    add(QStringLiteral("Gamma"), QStringLiteral("reloj()"));
    folder.closeLibrary();
    auto store = LibraryStore::open(folder.libraryPath());
    // Name order is the tree's: letter case does not count.
    QCOMPARE(found(*store, QStringLiteral("reloj")),
             (QStringList{QStringLiteral("beta reloj"), QStringLiteral("Reloj digital"),
                          QStringLiteral("Zeta reloj"), QStringLiteral("Alfa"),
                          QStringLiteral("Digital puro"), QStringLiteral("Gamma")}));
    // The more of the words the name holds, the earlier.
    QCOMPARE(found(*store, QStringLiteral("digital reloj")),
             (QStringList{QStringLiteral("Reloj digital"), QStringLiteral("Digital puro"),
                          QStringLiteral("Alfa")}));
    // No words: every script, in name order.
    QCOMPARE(found(*store, QString()).size(), 6);
    QCOMPARE(found(*store, QString()).first(), QStringLiteral("Alfa"));
    // Renamed here, or by another connection while this one is open: the order follows.
    const std::vector<qint64> before = store->searchScripts(SearchWords(QStringLiteral("reloj")));
    Script alfa = *store->script(before[3]);
    alfa.nombre = QStringLiteral("Omega");
    store->saveScript(alfa, {});
    QCOMPARE(found(*store, QStringLiteral("reloj")).mid(3),
             (QStringList{QStringLiteral("Digital puro"), QStringLiteral("Gamma"),
                          QStringLiteral("Omega")}));
    folder.db().execute("UPDATE scripts SET nombre = 'Aa' WHERE nombre = 'Gamma'");
    QCOMPARE(found(*store, QStringLiteral("reloj")).mid(3),
             (QStringList{QStringLiteral("Aa"), QStringLiteral("Digital puro"),
                          QStringLiteral("Omega")}));
}

void TestScriptSearch::indexFollowsSavesMovesAndDeletions()
{
    TempProgramFolder folder;
    const qint64 menus = folder.addCategory(0, QStringLiteral("Menús"));
    const qint64 relojes = folder.addCategory(0, QStringLiteral("Relojes"));
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    folder.closeLibrary();
    auto store = LibraryStore::open(folder.libraryPath());
    Script s;
    s.idCategoria = menus;
    s.idTipo = type;
    s.nombre = QStringLiteral("Menú flotante");
    s.scriptAyuda = QStringLiteral("Sigue al ratón.");
    s.id = store->saveScript(s, {});
    const QStringList flotante{QStringLiteral("Menú flotante")};
    auto reopen = [&] {
        store.reset();
        store = LibraryStore::open(folder.libraryPath());
        QCOMPARE(store->searchIndexState(), ScriptIndexState::Present);
    };
    QCOMPARE(found(*store, QStringLiteral("raton menus")), flotante);
    reopen();
    QCOMPARE(found(*store, QStringLiteral("raton menus")), flotante);

    // Edited: the old texts are gone at once, the new ones found.
    s.scriptAyuda = QStringLiteral("Sigue al puntero.");
    store->saveScript(s, {});
    QCOMPARE(found(*store, QStringLiteral("raton")), QStringList());
    QCOMPARE(found(*store, QStringLiteral("puntero")), flotante);
    reopen();
    QCOMPARE(found(*store, QStringLiteral("raton")), QStringList());
    QCOMPARE(found(*store, QStringLiteral("puntero")), flotante);

    // Moved: found by its new category's name only.
    store->moveScript(s.id, relojes);
    QCOMPARE(found(*store, QStringLiteral("menus puntero")), QStringList());
    QCOMPARE(found(*store, QStringLiteral("relojes puntero")), flotante);
    reopen();
    QCOMPARE(found(*store, QStringLiteral("relojes puntero")), flotante);

    // Written by another program on the same file: still indexed.
    store.reset();
    folder.addScript(menus, type, QStringLiteral("Menú fijo"));
    folder.db().execute("UPDATE categorias SET nombre = 'Navegación' WHERE nombre = 'Menús'");
    folder.closeLibrary();
    reopen();
    QCOMPARE(found(*store, QStringLiteral("navegacion")), QStringList{QStringLiteral("Menú fijo")});

    // Deleted: gone at once and after reopening.
    store->deleteScript(s.id);
    QCOMPARE(found(*store, QStringLiteral("puntero")), QStringList());
    QCOMPARE(count(store->database(), "SELECT count(*) FROM scripts_busqueda"), 1);
    reopen();
    QCOMPARE(found(*store, QStringLiteral("flotante")), QStringList());
}

void TestScriptSearch::libraryWithoutIndexGetsOneOnce()
{
    TempProgramFolder folder;
    const qint64 cat = folder.addCategory(0, QStringLiteral("Galerías"));
    const qint64 type = folder.addType(QStringLiteral("Imagen"));
    for (int i = 0; i < 50; ++i)
        folder.addScript(cat, type, QStringLiteral("Galería %1").arg(i));
    folder.closeLibrary();

    auto store = LibraryStore::open(folder.libraryPath());
    QCOMPARE(store->searchIndexState(), ScriptIndexState::Built);
    QCOMPARE(found(*store, QStringLiteral("galeria")).size(), 50);
    QCOMPARE(found(*store, QStringLiteral("galerias imagen 7")),
             QStringList{QStringLiteral("Galería 7")});
    store.reset();

    store = LibraryStore::open(folder.libraryPath());
    QCOMPARE(store->searchIndexState(), ScriptIndexState::Present);
    // The plain tables read as before.
    QCOMPARE(store->scriptsByName().size(), size_t(50));
    QCOMPARE(count(store->database(), "SELECT count(*) FROM scripts WHERE nombre LIKE 'Galer%'"),
             50);
    store.reset();

    // An index left incomplete (a trigger missing) is built again, without doubles.
    folder.db().execute("DROP TRIGGER scripts_busqueda_baja");
    folder.closeLibrary();
    store = LibraryStore::open(folder.libraryPath());
    QCOMPARE(store->searchIndexState(), ScriptIndexState::Built);
    QCOMPARE(count(store->database(), "SELECT count(*) FROM scripts_busqueda"), 50);
    store->deleteScript(store->scriptsByName().front().id);
    QCOMPARE(found(*store, QStringLiteral("galeria")).size(), 49);
}

void TestScriptSearch::typedSyntaxIsText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("expected");
    const QString ordenar = QStringLiteral("Ordenar tabla");
    const QString cerca = QStringLiteral("Near me");
    const QString reloj = QStringLiteral("Reloj (digital)");
    const QStringList all{cerca, ordenar, reloj};
    QTest::newRow("comillas") << QStringLiteral("\"") << all;
    QTest::newRow("apóstrofo") << QStringLiteral("'") << all;
    QTest::newRow("asterisco") << QStringLiteral("*") << all;
    QTest::newRow("guion") << QStringLiteral("-") << all;
    QTest::newRow("paréntesis") << QStringLiteral("()") << all;
    QTest::newRow("comillas abiertas") << QStringLiteral("\"reloj") << QStringList{reloj};
    QTest::newRow("asterisco final") << QStringLiteral("rel*") << QStringList{reloj};
    QTest::newRow("paréntesis abierto") << QStringLiteral("(digi") << QStringList{reloj};
    QTest::newRow("guion delante") << QStringLiteral("-digital") << QStringList{reloj};
    QTest::newRow("OR es una palabra") << QStringLiteral("OR") << QStringList{ordenar};
    QTest::newRow("reloj OR tabla") << QStringLiteral("reloj OR tabla") << QStringList();
    QTest::newRow("NEAR es una palabra") << QStringLiteral("NEAR") << QStringList{cerca};
    QTest::newRow("NEAR/2") << QStringLiteral("near/2 me") << QStringList();
    QTest::newRow("AND NOT") << QStringLiteral("tabla AND NOT") << QStringList();
    QTest::newRow("columna:") << QStringLiteral("nombre:reloj") << QStringList();
    QTest::newRow("apóstrofo en palabra") << QStringLiteral("l'orden") << QStringList();
    QTest::newRow("solo signos") << QStringLiteral("\"*-()'^:") << all;
}

void TestScriptSearch::typedSyntaxIsText()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, expected);
    TempProgramFolder folder;
    const qint64 cat = folder.addCategory(0, QStringLiteral("Varios"));
    const qint64 type = folder.addType(QStringLiteral("Efecto"));
    for (const QString& name : {QStringLiteral("Ordenar tabla"), QStringLiteral("Near me"),
                                QStringLiteral("Reloj (digital)")})
        folder.addScript(cat, type, name);
    folder.closeLibrary();
    auto store = LibraryStore::open(folder.libraryPath());
    QStringList names;
    try {
        names = found(*store, typed);
    } catch (const DatabaseError& e) {
        QFAIL(qPrintable(e.message()));
    }
    QCOMPARE(names, expected);
}

QTEST_GUILESS_MAIN(TestScriptSearch)
#include "test_scriptsearch.moc"
