#pragma once

#include "database.h"
#include "indexbuilder.h"
#include "records.h"
#include "scriptindex.h"
#include "scriptsearch.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace library {

// Every script's id, category and name, in no particular order: read from the small index
// of categories and names, not from the table with the code.
std::vector<ScriptListing> ReadScriptListings(Database& db);

// Every statement the program runs on its library. Reads return rows as values; a failure
// of the engine throws DatabaseError. Each write that touches several rows is one
// transaction.
class LibraryStore
{
public:
    explicit LibraryStore(Database db);
    ~LibraryStore();

    // When a library that lacks its search index gets it.
    enum class IndexBuild {
        // While it opens.
        Now,
        // In the background when that would take long (a large library); the search is
        // preparing meanwhile.
        InBackground,
    };
    // Opens the library file with its password and makes sure it has its search index.
    static std::unique_ptr<LibraryStore> open(const QString& path,
                                              IndexBuild build = IndexBuild::Now);
    // The same on a connection already opened with the password.
    static std::unique_ptr<LibraryStore> open(Database db, IndexBuild build = IndexBuild::Now);

    // The tree.
    std::vector<Category> childCategories(qint64 parentId);
    std::vector<ScriptListing> scriptsByName();
    // Every category, grouped by parent, each group by name: one statement for the tree.
    std::vector<CategoryListing> categoriesByParent();
    // Every script by name, handed over row by row as the engine reads it.
    void forEachScriptByName(const std::function<void(ScriptListing&&)>& row);
    // The highest id a script has: a bound on their number that costs one index step.
    qint64 highestScriptId();
    // The categories that hold at least one script (any id, even one without a row).
    std::vector<qint64> categoriesWithScripts();
    // The scripts of one category, by name.
    std::vector<ScriptListing> scriptsOfCategory(qint64 categoryId);
    // Every script, grouped by category (the groups in the order of the categories' ids),
    // each group by name: what the scripts of every category take, in one statement.
    std::vector<ScriptListing> scriptsByCategory();
    std::optional<qint64> categoryOfScript(qint64 scriptId);
    // The scripts with neither head code nor HTML fragment (null or empty), by name.
    std::vector<ScriptListing> scriptsWithoutBlocks();

    // The pages.
    std::optional<Script> script(qint64 id);
    // The name of the script's type; none when the type row is missing.
    std::optional<QString> typeName(qint64 typeId);
    std::optional<Category> category(qint64 id);

    // The editor's lists.
    std::vector<Category> categoriesByName();
    std::vector<ScriptType> typesByName();
    std::optional<qint64> typeIdByName(const QString& nombre);

    // Related files.
    std::vector<RelatedFile> relatedFiles(qint64 scriptId);
    bool isFileUsedByOtherScript(const QString& nombre, qint64 scriptId);
    bool scriptHasFile(const QString& nombre, qint64 scriptId);
    qint64 addRelatedFile(qint64 scriptId, const QString& nombre);
    void removeRelatedFile(qint64 fileRowId);

    // Stores the script (a new row when its id is 0) and rewrites its related-file rows
    // from `files`, all in one transaction. Returns the script's id.
    qint64 saveScript(const Script& script, const QStringList& files);
    // Deletes the script's related-file rows and its row in one transaction.
    void deleteScript(qint64 id);
    void moveScript(qint64 id, qint64 categoryId);

    enum class SearchReadiness {
        Ready,
        // The index is being built in the background.
        Preparing,
        // No index could be built: searchScripts says why.
        Unavailable,
    };
    // After a write that left scripts out of the search index (an import): the index is
    // completed in the background, the search preparing meanwhile, as when a large library
    // without it opens.
    void completeIndexInBackground();
    // Looks whether a building in the background has ended; when it failed, the index is
    // built now as a library opened with IndexBuild::Now gets it.
    SearchReadiness searchReadiness();
    // The ids of the scripts holding every word, best first (see ScriptSearch). Throws
    // DatabaseError, also when the library has no index to search yet.
    std::vector<qint64> searchScripts(const QStringList& words);
    // Reads now what the next search reads first. Never waits for another process's lock,
    // which may be held for long: the search itself waits, and says why it cannot run.
    void readSearchAhead();
    // Where the search index is; none when it could not be built or is being built.
    std::optional<ScriptIndexState> searchIndexState() const { return indexState_; }

    Database& database() { return db_; }

    // Run before every write the person asks for (save, delete, move, related files): where
    // the window makes its copy of the library before the first change.
    void setBeforeChange(std::function<void(Database&)> hook) { beforeChange_ = std::move(hook); }
    void beforeChange()
    {
        if (beforeChange_)
            beforeChange_(db_);
    }

private:
    void buildIndexNow();
    // Held by each write while the index is built in the background.
    std::unique_ptr<IndexBuilder::WriteTurn> writeTurn();

    std::function<void(Database&)> beforeChange_;
    Database db_;
    std::unique_ptr<IndexBuilder> builder_;
    std::optional<ScriptIndexState> indexState_;
    std::unique_ptr<ScriptSearch> search_;
    QString indexProblem_;
    std::unique_ptr<Statement> childCategoriesQuery_;
    std::unique_ptr<Statement> scriptsOfCategoryQuery_;
};

} // namespace library
