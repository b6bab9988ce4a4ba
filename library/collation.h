#pragma once

#include <QString>
#include <algorithm>
#include <string>
#include <vector>

struct sqlite3;

namespace library {

// The one order of names in the program, the order a Spanish reader expects: accents do
// not send a word to the end ("Árboles" before "Botones"), "ñ" comes after "n", letter
// case does not split the list, and numbers go by their value ("Árbol 28" before
// "Árbol 112"). The tree, the editor's lists and every query that lists
// the library sort by it.
int CompareNames(const QString& a, const QString& b);

// What the order compares first: the name without case or accents, "ñ" a letter between
// "n" and "o", each run of digits its value. Names with equal keys ("7" and "007") go in the
// order of their code points.
std::u32string NameKey(const QString& name);

// Sorts rows by name in that order, equal names by id; for many rows at once, each key is
// worked out once rather than at every comparison.
template <typename Row> void SortByName(std::vector<Row>& rows)
{
    std::vector<std::pair<std::u32string, size_t>> keys;
    keys.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        keys.emplace_back(NameKey(rows[i].nombre), i);
    std::sort(keys.begin(), keys.end(), [&rows](const auto& a, const auto& b) {
        if (a.first != b.first)
            return a.first < b.first;
        const Row& ra = rows[a.second];
        const Row& rb = rows[b.second];
        if (ra.nombre != rb.nombre)
            return ra.nombre < rb.nombre;
        return ra.id < rb.id;
    });
    std::vector<Row> sorted;
    sorted.reserve(rows.size());
    for (const auto& k : keys)
        sorted.push_back(std::move(rows[k.second]));
    rows = std::move(sorted);
}

// The same order inside SQL: "ORDER BY nombre COLLATE " + NameCollation. It lives on the
// connection only, never in the schema, so the file stays readable by any SQLCipher client.
inline constexpr char NameCollation[] = "NOMBRE";
// False when the engine refuses it.
bool RegisterNameCollation(sqlite3* db);

} // namespace library
