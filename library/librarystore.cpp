#include "librarystore.h"

#include "collation.h"
#include "libraryfile.h"

#include <QScopeGuard>
#include <algorithm>

namespace library {

namespace {

constexpr char ScriptColumns[] = "id, id_categoria, id_tipo, nombre, navegadores, script_head, "
                                 "script_body, script_html, script_ayuda, nombre_fichero";

Category readCategory(const Statement& q)
{
    return Category{q.int64(0), q.int64(1), q.text(2), q.text(3)};
}

Script readScript(const Statement& q)
{
    Script s;
    s.id = q.int64(0);
    s.idCategoria = q.int64(1);
    s.idTipo = q.int64(2);
    s.nombre = q.text(3);
    s.navegadores = q.text(4);
    s.scriptHead = q.text(5);
    s.scriptBody = q.text(6);
    s.scriptHtml = q.text(7);
    s.scriptAyuda = q.text(8);
    s.nombreFichero = q.text(9);
    return s;
}

std::vector<Category> readCategories(Statement& q)
{
    std::vector<Category> rows;
    while (q.next())
        rows.push_back(readCategory(q));
    return rows;
}

std::optional<qint64> firstId(Statement& q)
{
    if (q.next())
        return q.int64(0);
    return std::nullopt;
}

// The tree reads every script's id, category and name; an index of just those lets it skip
// the pages of the scripts' code. A library made without it gets it at its first opening; a
// file that cannot be written is read without it.
void addListingIndex(Database& db)
{
    Statement q = db.prepare("SELECT 1 FROM sqlite_master WHERE type = 'index' AND "
                             "name = 'scripts_por_categoria'");
    if (q.next())
        return;
    try {
        db.execute("CREATE INDEX scripts_por_categoria ON scripts (id_categoria, nombre)");
    } catch (const DatabaseError&) {
    }
}

// Up to this many scripts are indexed while the library opens, in a few milliseconds.
constexpr qint64 SmallLibraryScripts = 400;

} // namespace

std::vector<ScriptListing> ReadScriptListings(Database& db)
{
    Statement q = db.prepare("SELECT id, id_categoria, nombre FROM scripts");
    std::vector<ScriptListing> rows;
    while (q.next())
        rows.push_back(ScriptListing{q.int64(0), q.int64(1), q.text(2)});
    return rows;
}

LibraryStore::LibraryStore(Database db) : db_(std::move(db)) {}

LibraryStore::~LibraryStore() = default;

std::unique_ptr<LibraryStore> LibraryStore::open(const QString& path, IndexBuild build)
{
    return open(Database::open(path, LibraryPassword), build);
}

std::unique_ptr<LibraryStore> LibraryStore::open(Database db, IndexBuild build)
{
    auto store = std::make_unique<LibraryStore>(std::move(db));
    addListingIndex(store->db_);
    if (build == IndexBuild::InBackground && !store->db_.isReadOnly() &&
        ReadScriptIndexInFile(store->db_) != ScriptIndexInFile::Whole) {
        Statement count = store->db_.prepare("SELECT count(*) FROM scripts");
        // Fewer scripts are indexed in less time than a second connection takes to open.
        if (count.next() && count.int64(0) > SmallLibraryScripts) {
            store->builder_ =
                std::make_unique<IndexBuilder>(store->db_.fileName(), LibraryPassword);
            return store;
        }
    }
    store->buildIndexNow();
    return store;
}

void LibraryStore::buildIndexNow()
{
    try {
        indexState_ = EnsureScriptIndex(db_);
    } catch (const DatabaseError& e) {
        // Browsing and editing do not need the index; a search says why it cannot run.
        indexProblem_ = e.message();
    }
}

LibraryStore::SearchReadiness LibraryStore::searchReadiness()
{
    if (builder_) {
        switch (builder_->state()) {
        case IndexBuilder::State::Building:
            return SearchReadiness::Preparing;
        case IndexBuilder::State::Done:
            builder_.reset();
            indexState_ = ScriptIndexState::Built;
            break;
        case IndexBuilder::State::Failed:
            // A folder that cannot be written, a disk full, a lock held for long: the index
            // is built as it would have been at the opening, for this connection only if need
            // be.
            builder_.reset();
            buildIndexNow();
            break;
        }
    }
    return indexState_ ? SearchReadiness::Ready : SearchReadiness::Unavailable;
}

void LibraryStore::completeIndexInBackground()
{
    // A copy of the index for this connection alone (a file that cannot be written) is kept
    // in step by its own triggers.
    if (builder_ || indexState_ == ScriptIndexState::InMemory ||
        ReadScriptIndexInFile(db_) == ScriptIndexInFile::Whole)
        return;
    builder_ = std::make_unique<IndexBuilder>(db_.fileName(), LibraryPassword);
    indexState_.reset();
}

std::unique_ptr<IndexBuilder::WriteTurn> LibraryStore::writeTurn()
{
    return builder_ ? std::make_unique<IndexBuilder::WriteTurn>(*builder_) : nullptr;
}

std::vector<qint64> LibraryStore::searchScripts(const QStringList& words)
{
    if (searchReadiness() == SearchReadiness::Preparing)
        throw DatabaseError(QStringLiteral("La búsqueda aún se está preparando"));
    if (!indexState_)
        throw DatabaseError(indexProblem_);
    if (!search_)
        search_ = std::make_unique<ScriptSearch>(db_);
    return search_->Find(words);
}

void LibraryStore::readSearchAhead()
{
    db_.setLockWait(0);
    const auto waitAgain = qScopeGuard([this] { db_.setLockWait(Database::LockWaitMs); });
    // The names and their order are read without the index.
    if (!search_)
        search_ = std::make_unique<ScriptSearch>(db_);
    search_->Find({});
}

std::vector<Category> LibraryStore::childCategories(qint64 parentId)
{
    // Called once per category while the tree loads: prepared once, reused.
    if (!childCategoriesQuery_) {
        childCategoriesQuery_ = std::make_unique<Statement>(
            db_.prepare("SELECT id, id_padre, nombre, descripcion FROM categorias "
                        "WHERE id_padre = ?1 ORDER BY nombre COLLATE NOMBRE, id"));
    }
    Statement& q = *childCategoriesQuery_;
    q.reset();
    q.bind(1, parentId);
    auto rows = readCategories(q);
    q.reset();
    return rows;
}

std::vector<ScriptListing> LibraryStore::scriptsByName()
{
    std::vector<ScriptListing> rows;
    forEachScriptByName([&rows](ScriptListing&& s) { rows.push_back(std::move(s)); });
    return rows;
}

std::vector<CategoryListing> LibraryStore::categoriesByParent()
{
    Statement q = db_.prepare("SELECT id, id_padre, nombre FROM categorias");
    std::vector<CategoryListing> rows;
    while (q.next())
        rows.push_back(CategoryListing{q.int64(0), q.int64(1), q.text(2)});
    SortByName(rows);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.idPadre < b.idPadre; });
    return rows;
}

void LibraryStore::forEachScriptByName(const std::function<void(ScriptListing&&)>& row)
{
    // Sorted here, one key a name: the collation would fold both names at every comparison.
    std::vector<ScriptListing> rows = ReadScriptListings(db_);
    SortByName(rows);
    for (ScriptListing& s : rows)
        row(std::move(s));
}

qint64 LibraryStore::highestScriptId()
{
    Statement q = db_.prepare("SELECT max(id) FROM scripts");
    return q.next() ? q.int64(0) : 0;
}

std::vector<qint64> LibraryStore::categoriesWithScripts()
{
    Statement q = db_.prepare("SELECT DISTINCT id_categoria FROM scripts");
    std::vector<qint64> ids;
    while (q.next())
        ids.push_back(q.int64(0));
    return ids;
}

std::vector<ScriptListing> LibraryStore::scriptsOfCategory(qint64 categoryId)
{
    // Asked for each category as the tree unfolds it: prepared once, reused.
    if (!scriptsOfCategoryQuery_) {
        scriptsOfCategoryQuery_ = std::make_unique<Statement>(
            db_.prepare("SELECT id, id_categoria, nombre FROM scripts WHERE id_categoria = ?1"));
    }
    Statement& q = *scriptsOfCategoryQuery_;
    q.reset();
    q.bind(1, categoryId);
    std::vector<ScriptListing> rows;
    while (q.next())
        rows.push_back(ScriptListing{q.int64(0), q.int64(1), q.text(2)});
    q.reset();
    SortByName(rows);
    return rows;
}

std::vector<ScriptListing> LibraryStore::scriptsByCategory()
{
    // The index of categories and names hands the rows over grouped already.
    Statement q = db_.prepare("SELECT id, id_categoria, nombre FROM scripts ORDER BY id_categoria");
    std::vector<ScriptListing> rows;
    while (q.next())
        rows.push_back(ScriptListing{q.int64(0), q.int64(1), q.text(2)});
    // Each group on its own: a few names a sort, rather than one sort of them all.
    for (auto group = rows.begin(); group != rows.end();) {
        const qint64 category = group->idCategoria;
        const auto end = std::find_if(group, rows.end(), [category](const ScriptListing& s) {
            return s.idCategoria != category;
        });
        SortByName(group, end);
        group = end;
    }
    return rows;
}

std::vector<ScriptListing> LibraryStore::scriptsWithoutBlocks()
{
    Statement q = db_.prepare("SELECT id, id_categoria, nombre FROM scripts WHERE "
                              "coalesce(script_head, '') = '' AND coalesce(script_html, '') = ''");
    std::vector<ScriptListing> rows;
    while (q.next())
        rows.push_back(ScriptListing{q.int64(0), q.int64(1), q.text(2)});
    SortByName(rows);
    return rows;
}

std::optional<qint64> LibraryStore::categoryOfScript(qint64 scriptId)
{
    Statement q = db_.prepare("SELECT id_categoria FROM scripts WHERE id = ?1");
    q.bind(1, scriptId);
    return firstId(q);
}

std::optional<Script> LibraryStore::script(qint64 id)
{
    Statement q = db_.prepare(
        (QByteArray("SELECT ") + ScriptColumns + " FROM scripts WHERE id = ?1").constData());
    q.bind(1, id);
    if (q.next())
        return readScript(q);
    return std::nullopt;
}

std::optional<QString> LibraryStore::typeName(qint64 typeId)
{
    Statement q = db_.prepare("SELECT nombre FROM tipos WHERE id = ?1");
    q.bind(1, typeId);
    if (q.next())
        return q.text(0);
    return std::nullopt;
}

std::optional<Category> LibraryStore::category(qint64 id)
{
    Statement q =
        db_.prepare("SELECT id, id_padre, nombre, descripcion FROM categorias WHERE id = ?1");
    q.bind(1, id);
    if (q.next())
        return readCategory(q);
    return std::nullopt;
}

std::vector<Category> LibraryStore::categoriesByName()
{
    Statement q = db_.prepare("SELECT id, id_padre, nombre, descripcion FROM categorias "
                              "ORDER BY nombre COLLATE NOMBRE, id");
    return readCategories(q);
}

std::vector<ScriptType> LibraryStore::typesByName()
{
    Statement q = db_.prepare("SELECT id, nombre FROM tipos ORDER BY nombre COLLATE NOMBRE, id");
    std::vector<ScriptType> rows;
    while (q.next())
        rows.push_back(ScriptType{q.int64(0), q.text(1)});
    return rows;
}

std::optional<qint64> LibraryStore::typeIdByName(const QString& nombre)
{
    Statement q = db_.prepare("SELECT id FROM tipos WHERE nombre = ?1 COLLATE BINARY ORDER BY id");
    q.bind(1, nombre);
    return firstId(q);
}

std::vector<RelatedFile> LibraryStore::relatedFiles(qint64 scriptId)
{
    Statement q =
        db_.prepare("SELECT id, id_script, nombre FROM ficheros WHERE id_script = ?1 ORDER BY id");
    q.bind(1, scriptId);
    std::vector<RelatedFile> rows;
    while (q.next())
        rows.push_back(RelatedFile{q.int64(0), q.int64(1), q.text(2)});
    return rows;
}

bool LibraryStore::isFileUsedByOtherScript(const QString& nombre, qint64 scriptId)
{
    Statement q =
        db_.prepare("SELECT 1 FROM ficheros WHERE nombre = ?1 AND id_script <> ?2 LIMIT 1");
    q.bind(1, nombre).bind(2, scriptId);
    return q.next();
}

bool LibraryStore::scriptHasFile(const QString& nombre, qint64 scriptId)
{
    Statement q =
        db_.prepare("SELECT 1 FROM ficheros WHERE nombre = ?1 AND id_script = ?2 LIMIT 1");
    q.bind(1, nombre).bind(2, scriptId);
    return q.next();
}

qint64 LibraryStore::addRelatedFile(qint64 scriptId, const QString& nombre)
{
    beforeChange();
    const auto turn = writeTurn();
    Statement q = db_.prepare("INSERT INTO ficheros (id_script, nombre) VALUES (?1, ?2)");
    q.bind(1, scriptId).bind(2, nombre);
    q.run();
    return db_.lastInsertId();
}

void LibraryStore::removeRelatedFile(qint64 fileRowId)
{
    beforeChange();
    const auto turn = writeTurn();
    Statement q = db_.prepare("DELETE FROM ficheros WHERE id = ?1");
    q.bind(1, fileRowId);
    q.run();
}

qint64 LibraryStore::saveScript(const Script& s, const QStringList& files)
{
    beforeChange();
    const auto turn = writeTurn();
    Transaction transaction(db_);
    qint64 id = s.id;
    Statement write = db_.prepare(
        id == 0
            ? "INSERT INTO scripts (id_categoria, id_tipo, nombre, navegadores, script_head, "
              "script_body, script_html, script_ayuda) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)"
            : "UPDATE scripts SET id_categoria = ?1, id_tipo = ?2, nombre = ?3, navegadores = ?4, "
              "script_head = ?5, script_body = ?6, script_html = ?7, script_ayuda = ?8 "
              "WHERE id = ?9");
    write.bind(1, s.idCategoria).bind(2, s.idTipo).bind(3, s.nombre).bind(4, s.navegadores);
    write.bind(5, s.scriptHead).bind(6, s.scriptBody).bind(7, s.scriptHtml).bind(8, s.scriptAyuda);
    if (id != 0)
        write.bind(9, id);
    write.run();
    if (id == 0)
        id = db_.lastInsertId();

    Statement clear = db_.prepare("DELETE FROM ficheros WHERE id_script = ?1");
    clear.bind(1, id);
    clear.run();
    Statement add = db_.prepare("INSERT INTO ficheros (id_script, nombre) VALUES (?1, ?2)");
    for (const QString& nombre : files) {
        add.reset();
        add.bind(1, id).bind(2, nombre);
        add.run();
    }
    transaction.commit();
    return id;
}

void LibraryStore::deleteScript(qint64 id)
{
    beforeChange();
    const auto turn = writeTurn();
    Transaction transaction(db_);
    Statement files = db_.prepare("DELETE FROM ficheros WHERE id_script = ?1");
    files.bind(1, id);
    files.run();
    Statement row = db_.prepare("DELETE FROM scripts WHERE id = ?1");
    row.bind(1, id);
    row.run();
    transaction.commit();
}

void LibraryStore::moveScript(qint64 id, qint64 categoryId)
{
    beforeChange();
    const auto turn = writeTurn();
    Statement q = db_.prepare("UPDATE scripts SET id_categoria = ?1 WHERE id = ?2");
    q.bind(1, categoryId).bind(2, id);
    q.run();
}

} // namespace library
