#pragma once

#include <QString>
#include <algorithm>
#include <iterator>
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
// The same key, appended to `key`.
void AppendNameKey(const QString& name, std::u32string& key);

// The keys of many names in one buffer, each worked out once: one allocation for them all
// rather than one a name.
class NameKeys
{
public:
    explicit NameKeys(size_t names);
    void add(const QString& name);
    // The order of the keys of the names added as `a`-th and `b`-th: <0, 0 or >0.
    int compare(size_t a, size_t b) const;

private:
    std::u32string chars_;
    std::vector<size_t> starts_;
};

// Sorts rows by name in that order, equal names by id.
template <typename Iterator> void SortByName(Iterator first, Iterator last)
{
    using Row = typename std::iterator_traits<Iterator>::value_type;
    const size_t count = size_t(std::distance(first, last));
    if (count < 2)
        return;
    NameKeys keys(count);
    for (Iterator it = first; it != last; ++it)
        keys.add(it->nombre);
    std::vector<size_t> order(count);
    for (size_t i = 0; i < count; ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&keys, first](size_t a, size_t b) {
        const int byKey = keys.compare(a, b);
        if (byKey != 0)
            return byKey < 0;
        const Row& ra = first[std::ptrdiff_t(a)];
        const Row& rb = first[std::ptrdiff_t(b)];
        if (ra.nombre != rb.nombre)
            return ra.nombre < rb.nombre;
        return ra.id < rb.id;
    });
    std::vector<Row> sorted;
    sorted.reserve(count);
    for (size_t i : order)
        sorted.push_back(std::move(first[std::ptrdiff_t(i)]));
    std::move(sorted.begin(), sorted.end(), first);
}

template <typename Row> void SortByName(std::vector<Row>& rows)
{
    SortByName(rows.begin(), rows.end());
}

// The same order inside SQL: "ORDER BY nombre COLLATE " + NameCollation. It lives on the
// connection only, never in the schema, so the file stays readable by any SQLCipher client.
inline constexpr char NameCollation[] = "NOMBRE";
// False when the engine refuses it.
bool RegisterNameCollation(sqlite3* db);

} // namespace library
