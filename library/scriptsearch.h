#pragma once

#include <QByteArray>
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

// Finds scripts in the library's index: those that hold every word as a word prefix in any
// of their indexed texts (all scripts when there are no words), those with more of the words
// in their name first, then in the tree's name order. Only the index is read for the words;
// the names, in order and folded as the index folds them, are read once and again only after
// the library has changed.
class ScriptSearch
{
public:
    explicit ScriptSearch(Database& db) : db_(db) {}

    // The ids of the scripts found, best first.
    std::vector<qint64> Find(const QStringList& words);

private:
    void readNames();
    // The word as the index folds it: each of its tokens after a space (one token but for
    // letters the index splits differently), so that it occurs in a folded name exactly
    // where a word of the name begins with it.
    QByteArray foldedWord(const QString& word);
    int nameWordCount(int rank, const std::vector<QByteArray>& words) const;

    Database& db_;
    // Each script's place in name order, by id, and the ids in name order.
    struct IdRank
    {
        qint64 id;
        int rank;
    };
    std::vector<IdRank> ranksById_;
    std::vector<qint64> byName_;
    // The names' folded words, each after a space, in name order: the name at rank r is
    // foldedNames_[nameStarts_[r], nameStarts_[r + 1]).
    QByteArray foldedNames_;
    std::vector<int> nameStarts_;
    // The first bytes of each name's folded words, a bit each (see initialBit), by rank:
    // most names lack a word's first letter, and a one-letter word is found by its bit alone.
    std::vector<quint64> nameInitials_;
    // The ids and names read, hashed (a sum over the rows, in whatever order they come), and
    // the state of the library they were read from.
    size_t namesHash_ = 0;
    qint64 readAtChanges_ = -1;
    qint64 readAtVersion_ = -1;
};

} // namespace library
