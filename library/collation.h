#pragma once

#include <QString>

struct sqlite3;

namespace library {

// The one order of names in the program, the order a Spanish reader expects: accents do
// not send a word to the end ("Árboles" before "Botones"), "ñ" comes after "n", and letter
// case does not split the list. The tree, the editor's lists and every query that lists
// the library sort by it.
int CompareNames(const QString& a, const QString& b);

// The same order inside SQL: "ORDER BY nombre COLLATE " + NameCollation. It lives on the
// connection only, never in the schema, so the file stays readable by any SQLCipher client.
inline constexpr char NameCollation[] = "NOMBRE";
// False when the engine refuses it.
bool RegisterNameCollation(sqlite3* db);

} // namespace library
