#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace library {

class Database;

// A script a search found: what the tree and a listing need.
struct SearchHit
{
    qint64 id = 0;
    qint64 idCategoria = 0;
    QString nombre;
};

// More words than this are not looked for (the index's engine refuses far larger queries).
inline constexpr int MaxSearchWords = 1000;

// The words of what a user typed, split as the index splits text: runs of letters, digits
// and combining marks; everything else (quotes, *, -, parentheses, apostrophes) separates.
// Repeated words count once.
QStringList SearchWords(const QString& typed);

// The index query for the words: each word as a quoted prefix, so that no word is ever read
// as query syntax (OR, NEAR, NOT, a column name).
QString MatchExpression(const QStringList& words);

// How many of a query's words occur in the name column, from the index's per-row bitmask of
// the columns each word occurs in (matchinfo 'b').
int NameWordCount(const QByteArray& columnMask, int words);

// The scripts that hold every word as a word prefix in any of their indexed texts (all
// scripts when there are no words): those with more of the words in their name first, then
// in the tree's name order.
std::vector<SearchHit> SearchScripts(Database& db, const QStringList& words);

} // namespace library
