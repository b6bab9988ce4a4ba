#pragma once

#include <QtGlobal>
#include <functional>
#include <optional>

namespace library {

class Database;

// The full-text index of the scripts, scripts_busqueda: one row a script (its docid is the
// script's id) with the texts a search looks at. Triggers on the plain tables keep it in step
// inside the statement that changes them, so every save, deletion and move is indexed in its
// own transaction, whoever writes. The plain tables stay as they are.

enum class ScriptIndexState {
    Present,  // the library file already held an index of this definition
    Built,    // built now inside the library file, in one transaction
    InMemory, // the file cannot be written: built for this connection only
};

// What the library file holds: the index whole, an index whose filling was cut short (the
// program closed or killed meanwhile; its triggers kept what it holds right), or no index of
// this definition. A table of its own, busqueda_completa, marks it whole.
enum class ScriptIndexInFile {
    Whole,
    Partial,
    Missing,
};
ScriptIndexInFile ReadScriptIndexInFile(Database& db);

// Building the index in steps, each in a transaction of its caller's: the empty table and its
// triggers first (replacing an index of another definition), in a transaction of its own;
// then the scripts not indexed yet, up to `rows` with an id above `afterId` a step. A step
// returns the highest id it looked at; the one that finds none left marks the index whole
// and returns none. A step may follow any other, even after the program was closed.
void BeginScriptIndex(Database& db);
std::optional<qint64> FillScriptIndex(Database& db, qint64 afterId, int rows);

// The index's own splitting and folding of text into words, as a table of the connection:
// SELECT token, start FROM temp.tokens_busqueda WHERE input = ?1 gives each word folded as
// the index holds it, and its byte offset in the UTF-8 input. Creates the table when missing.
void EnsureIndexTokenizer(Database& db);

// Makes sure the connection has the index, building it at once when the file lacks it, holds
// it in part or holds one of another definition. Throws DatabaseError only when even a temporary
// index cannot be built.
ScriptIndexState EnsureScriptIndex(Database& db);

// Adds many scripts at once, inside the caller's transaction: `insert` runs with the index's
// trigger on new scripts set aside, and the file then marks its index as not whole, so that
// the next building (in the background in the window) indexes the scripts it added. Indexing
// them in the caller's transaction would take it several times as long. Without an index in
// the file, `insert` simply runs.
void InsertScriptsIndexedLater(Database& db, const std::function<void()>& insert);

} // namespace library
