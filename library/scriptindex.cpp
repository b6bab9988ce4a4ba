#include "scriptindex.h"

#include "database.h"

#include <QStringList>
#include <limits>

namespace library {

namespace {

// unicode61 with diacritics removed folds case and Spanish accents ("contraseña" and
// "CONTRASENA" are one word). The one- and two-letter prefix indexes keep the first
// keystrokes of a search cheap.
const QString TableSql = QStringLiteral(
    "CREATE VIRTUAL TABLE %1scripts_busqueda USING fts4(nombre, script_ayuda, navegadores, tipo, "
    "categoria, script_head, script_body, script_html, "
    "tokenize=unicode61 \"remove_diacritics=1\", prefix=\"1,2\")");

// The same tokenizer with the same arguments as the table's.
const char* const TokenizerSql = "CREATE VIRTUAL TABLE IF NOT EXISTS temp.tokens_busqueda USING "
                                 "fts3tokenize(unicode61, \"remove_diacritics=1\")";

// The texts of the scripts chosen by %1, as the index holds them.
const QString IndexRowsSql = QStringLiteral(
    "INSERT INTO scripts_busqueda (docid, nombre, script_ayuda, navegadores, tipo, categoria, "
    "script_head, script_body, script_html) "
    "SELECT s.id, s.nombre, s.script_ayuda, s.navegadores, "
    "(SELECT t.nombre FROM tipos t WHERE t.id = s.id_tipo), "
    "(SELECT c.nombre FROM categorias c WHERE c.id = s.id_categoria), "
    "s.script_head, s.script_body, s.script_html FROM scripts s%1");

QString forgetSql(const QString& ids)
{
    return QStringLiteral("DELETE FROM scripts_busqueda WHERE docid IN (%1);").arg(ids);
}

QString reindexSql(const QString& where)
{
    return IndexRowsSql.arg(QStringLiteral(" WHERE ") + where) + QLatin1Char(';');
}

struct Trigger
{
    QString name;
    QString event;
    QString body;
};

// A script is indexed again whenever its row changes; the scripts of a category or a type
// whose name changes, appears or goes, likewise.
QList<Trigger> triggers()
{
    QList<Trigger> list{
        {QStringLiteral("scripts_busqueda_alta"), QStringLiteral("AFTER INSERT ON %1scripts"),
         reindexSql(QStringLiteral("s.id = new.id"))},
        {QStringLiteral("scripts_busqueda_cambio"), QStringLiteral("AFTER UPDATE ON %1scripts"),
         forgetSql(QStringLiteral("old.id, new.id")) + reindexSql(QStringLiteral("s.id = new.id"))},
        {QStringLiteral("scripts_busqueda_baja"), QStringLiteral("AFTER DELETE ON %1scripts"),
         forgetSql(QStringLiteral("old.id"))},
    };
    const struct
    {
        QString table;
        QString column;
    } lookups[] = {{QStringLiteral("categorias"), QStringLiteral("id_categoria")},
                   {QStringLiteral("tipos"), QStringLiteral("id_tipo")}};
    const struct
    {
        QString suffix;
        QString event;
        QString ids;
    } events[] = {{QStringLiteral("alta"), QStringLiteral("INSERT"), QStringLiteral("new.id")},
                  {QStringLiteral("cambio"), QStringLiteral("UPDATE OF id, nombre"),
                   QStringLiteral("old.id, new.id")},
                  {QStringLiteral("baja"), QStringLiteral("DELETE"), QStringLiteral("old.id")}};
    for (const auto& l : lookups) {
        for (const auto& e : events) {
            const QString affected =
                QStringLiteral("SELECT id FROM scripts WHERE %1 IN (%2)").arg(l.column, e.ids);
            list.append(
                {QStringLiteral("%1_busqueda_%2").arg(l.table, e.suffix),
                 QStringLiteral("AFTER %1 ON %3%2").arg(e.event, l.table),
                 forgetSql(affected) + reindexSql(QStringLiteral("s.id IN (%1)").arg(affected))});
        }
    }
    return list;
}

// temp is empty for the library file, "TEMP " for the connection's own copy.
QString triggerSql(const Trigger& t, const QString& temp)
{
    return QStringLiteral("CREATE %1TRIGGER %2 %3 BEGIN %4 END")
        .arg(temp, t.name, t.event.arg(temp.isEmpty() ? QString() : QStringLiteral("main.")),
             t.body);
}

void run(Database& db, const QString& sql)
{
    db.execute(sql.toUtf8());
}

// Whether the file holds the table and every trigger exactly as defined here.
bool isCurrent(Database& db)
{
    int expected = 1;
    Statement q = db.prepare("SELECT sql FROM main.sqlite_master WHERE name = 'scripts_busqueda' "
                             "OR (type = 'trigger' AND name GLOB '*_busqueda_*')");
    QStringList found;
    while (q.next())
        found.append(q.text(0));
    if (!found.contains(TableSql.arg(QString())))
        return false;
    for (const Trigger& t : triggers()) {
        ++expected;
        if (!found.contains(triggerSql(t, QString())))
            return false;
    }
    return found.size() == expected;
}

bool hasTable(Database& db, const char* sql)
{
    Statement q = db.prepare(sql);
    return q.next();
}

void dropOld(Database& db)
{
    Statement q = db.prepare("SELECT name FROM main.sqlite_master WHERE type = 'trigger' AND "
                             "name GLOB '*_busqueda_*'");
    QStringList names;
    while (q.next())
        names.append(q.text(0));
    for (const QString& name : names)
        run(db, QStringLiteral("DROP TRIGGER main.\"%1\"").arg(name));
    run(db, QStringLiteral("DROP TABLE IF EXISTS main.busqueda_completa"));
    run(db, QStringLiteral("DROP TABLE IF EXISTS main.scripts_busqueda"));
}

// The table and its triggers come first, empty: from then on every change to a script indexes
// it, and the filling that follows needs to add only the scripts not indexed yet.
void createEmpty(Database& db, const QString& schema, const QString& temp)
{
    run(db, TableSql.arg(schema));
    for (const Trigger& t : triggers())
        run(db, triggerSql(t, temp));
}

// Indexes up to `rows` scripts with an id above `afterId` that the index lacks, in the order of
// ids; returns the highest id looked at, none when no script was left. The index is the
// connection's own copy when it has one.
std::optional<qint64> fillSome(Database& db, qint64 afterId, int rows)
{
    Statement last = db.prepare("SELECT count(*), max(id) FROM "
                                "(SELECT id FROM scripts WHERE id > ?1 ORDER BY id LIMIT ?2)");
    last.bind(1, afterId).bind(2, qint64(rows));
    if (!last.next() || last.int64(0) == 0)
        return std::nullopt;
    const qint64 upTo = last.int64(1);
    // Whether a script is indexed is asked of the index's own table of sizes, one row a script
    // keyed by its id: many times cheaper than asking the index itself.
    Statement add = db.prepare(
        IndexRowsSql
            .arg(QStringLiteral(" WHERE s.id > ?1 AND s.id <= ?2 AND NOT EXISTS "
                                "(SELECT 1 FROM scripts_busqueda_docsize b WHERE b.docid = s.id)"))
            .toUtf8()
            .constData());
    add.bind(1, afterId).bind(2, upTo);
    add.run();
    return upTo;
}

void fillAll(Database& db)
{
    // Ids may be negative in a library written by another program.
    std::optional<qint64> after = std::numeric_limits<qint64>::min();
    while ((after = fillSome(db, *after, 1000000))) {
    }
}

} // namespace

void EnsureIndexTokenizer(Database& db)
{
    db.execute(TokenizerSql);
}

ScriptIndexInFile ReadScriptIndexInFile(Database& db)
{
    if (!isCurrent(db))
        return ScriptIndexInFile::Missing;
    return hasTable(db, "SELECT 1 FROM main.sqlite_master WHERE type = 'table' AND "
                        "name = 'busqueda_completa'")
               ? ScriptIndexInFile::Whole
               : ScriptIndexInFile::Partial;
}

void BeginScriptIndex(Database& db)
{
    if (ReadScriptIndexInFile(db) != ScriptIndexInFile::Missing)
        return;
    Transaction transaction(db);
    dropOld(db);
    createEmpty(db, QString(), QString());
    transaction.commit();
}

std::optional<qint64> FillScriptIndex(Database& db, qint64 afterId, int rows)
{
    std::optional<qint64> upTo = fillSome(db, afterId, rows);
    if (!upTo)
        run(db,
            QStringLiteral("CREATE TABLE IF NOT EXISTS main.busqueda_completa (hecha INTEGER)"));
    return upTo;
}

ScriptIndexState EnsureScriptIndex(Database& db)
{
    const ScriptIndexInFile before = ReadScriptIndexInFile(db);
    if (before == ScriptIndexInFile::Whole)
        return ScriptIndexState::Present;
    try {
        Transaction transaction(db);
        if (before == ScriptIndexInFile::Missing) {
            dropOld(db);
            createEmpty(db, QString(), QString());
        }
        fillAll(db);
        run(db, QStringLiteral("CREATE TABLE main.busqueda_completa (hecha INTEGER)"));
        transaction.commit();
        return ScriptIndexState::Built;
    } catch (const DatabaseError&) {
        // A read-only file or folder, or a full disk: the library is as it was.
    }
    // The connection's temporary schema is writable even then; temporary triggers on the
    // library's tables keep this copy in step should the library be written after all.
    run(db, QStringLiteral("BEGIN"));
    try {
        run(db, QStringLiteral("DROP TABLE IF EXISTS temp.scripts_busqueda"));
        createEmpty(db, QStringLiteral("temp."), QStringLiteral("TEMP "));
        fillAll(db);
        run(db, QStringLiteral("COMMIT"));
    } catch (const DatabaseError&) {
        run(db, QStringLiteral("ROLLBACK"));
        throw;
    }
    return ScriptIndexState::InMemory;
}

void InsertScriptsIndexedLater(Database& db, const std::function<void()>& insert)
{
    const Trigger onInsert = triggers().first();
    {
        Statement own = db.prepare("SELECT sql FROM main.sqlite_master WHERE type = 'trigger' "
                                   "AND name = ?1");
        own.bind(1, onInsert.name);
        if (!own.next() || own.text(0) != triggerSql(onInsert, QString())) {
            own.reset();
            insert();
            return;
        }
    }
    run(db, QStringLiteral("DROP TRIGGER main.\"%1\"").arg(onInsert.name));
    const qint64 before = db.totalChanges();
    insert();
    const bool added = db.totalChanges() != before;
    run(db, triggerSql(onInsert, QString()));
    if (added)
        run(db, QStringLiteral("DROP TABLE IF EXISTS main.busqueda_completa"));
}

} // namespace library
