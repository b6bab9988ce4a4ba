#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace library {

class Database;

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

// Finds scripts in the library's index: those that hold every word as a word prefix in any
// of their indexed texts (all scripts when there are no words), those with more of the words
// in their name first, then in the tree's name order. Only the index is read for the words;
// the name order is read once and again only after the library has changed.
class ScriptSearch
{
public:
    explicit ScriptSearch(Database& db) : db_(db) {}

    // The ids of the scripts found, best first.
    std::vector<qint64> Find(const QStringList& words);

private:
    void readNameOrder();

    Database& db_;
    // Each script's place in name order, and the state of the library it was read from.
    QHash<qint64, int> nameRank_;
    std::vector<qint64> byName_;
    qint64 readAtChanges_ = -1;
    qint64 readAtVersion_ = -1;
};

} // namespace library
