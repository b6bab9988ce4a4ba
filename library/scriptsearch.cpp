#include "scriptsearch.h"

#include "collation.h"
#include "database.h"
#include "records.h"
#include "scriptindex.h"

#include <QSet>
#include <string_view>

namespace library {

namespace {

bool isWordCharacter(char32_t c)
{
    return QChar::isLetterOrNumber(c) || QChar::isMark(c);
}

} // namespace

QStringList SearchWords(const QString& typed)
{
    QStringList words;
    QSet<QString> seen;
    QString word;
    auto flush = [&] {
        if (!word.isEmpty() && words.size() < MaxSearchWords) {
            const QString folded = word.toCaseFolded();
            if (!seen.contains(folded)) {
                seen.insert(folded);
                words.append(word);
            }
        }
        word.clear();
    };
    for (const char32_t c : typed.toUcs4()) {
        if (isWordCharacter(c))
            word.append(QString::fromUcs4(&c, 1));
        else
            flush();
    }
    flush();
    return words;
}

QString MatchExpression(const QStringList& words)
{
    QStringList phrases;
    for (const QString& w : words)
        phrases.append(QLatin1Char('"') + w + QStringLiteral("*\""));
    return phrases.join(QLatin1Char(' '));
}

void ScriptSearch::readNames()
{
    // Changes on this connection, and commits by any other, make the names stale.
    Statement version = db_.prepare("PRAGMA data_version");
    const qint64 dataVersion = version.next() ? version.int64(0) : -1;
    const qint64 changes = db_.totalChanges();
    if (changes == readAtChanges_ && dataVersion == readAtVersion_)
        return;
    // The tree's order, sorted here as the tree's fill does: one key a name, not two a
    // comparison.
    Statement q = db_.prepare("SELECT id, id_categoria, nombre FROM scripts");
    std::vector<ScriptListing> rows;
    while (q.next())
        rows.push_back(ScriptListing{q.int64(0), q.int64(1), q.text(2)});
    SortByName(rows);
    byName_.clear();
    nameRank_.clear();
    nameRank_.reserve(qsizetype(rows.size()));
    // All names in one run of the tokenizer, a line each; its offsets tell the names apart.
    QByteArray lines;
    std::vector<qsizetype> lineStarts;
    lineStarts.reserve(rows.size());
    for (const ScriptListing& s : rows) {
        nameRank_.insert(s.id, int(byName_.size()));
        byName_.push_back(s.id);
        lineStarts.push_back(lines.size());
        lines += s.nombre.toUtf8();
        lines += '\n';
    }
    foldedNames_.clear();
    nameStarts_.assign(rows.size() + 1, 0);
    size_t begun = 0;
    const auto beginNamesUpTo = [&](qsizetype offset) {
        while (begun < rows.size() && lineStarts[begun] <= offset)
            nameStarts_[begun++] = int(foldedNames_.size());
    };
    EnsureIndexTokenizer(db_);
    Statement tokens =
        db_.prepare("SELECT token, start FROM temp.tokens_busqueda WHERE input = ?1");
    tokens.bindUtf8(1, lines);
    while (tokens.next()) {
        beginNamesUpTo(tokens.int64(1));
        foldedNames_ += ' ';
        foldedNames_ += tokens.blob(0);
    }
    beginNamesUpTo(lines.size());
    nameStarts_[rows.size()] = int(foldedNames_.size());
    readAtChanges_ = changes;
    readAtVersion_ = dataVersion;
}

QByteArray ScriptSearch::foldedWord(const QString& word)
{
    Statement tokens = db_.prepare("SELECT token FROM temp.tokens_busqueda WHERE input = ?1");
    tokens.bind(1, word);
    QByteArray folded;
    while (tokens.next())
        folded += ' ' + tokens.blob(0);
    return folded;
}

int ScriptSearch::nameWordCount(int rank, const std::vector<QByteArray>& words) const
{
    const std::string_view name(foldedNames_.constData() + nameStarts_[size_t(rank)],
                                size_t(nameStarts_[size_t(rank) + 1] - nameStarts_[size_t(rank)]));
    int count = 0;
    for (const QByteArray& w : words) {
        if (!w.isEmpty() &&
            name.find(std::string_view(w.constData(), size_t(w.size()))) != std::string_view::npos)
            ++count;
    }
    return count;
}

std::vector<qint64> ScriptSearch::Find(const QStringList& words)
{
    readNames();
    if (words.isEmpty())
        return byName_;
    std::vector<QByteArray> folded;
    folded.reserve(size_t(words.size()));
    for (const QString& w : words)
        folded.push_back(foldedWord(w));
    // Each script found at its place in name order, with how many of the words its name
    // holds; then a counting sort: more of the words first, name order within.
    std::vector<int> wordsInName(byName_.size(), -1);
    std::vector<size_t> perCount(size_t(words.size()) + 2, 0);
    Statement q = db_.prepare("SELECT docid FROM scripts_busqueda WHERE scripts_busqueda MATCH ?1");
    q.bind(1, MatchExpression(words));
    while (q.next()) {
        // An index row without its script (written by a program that bypassed the
        // triggers) is not shown.
        const auto rank = nameRank_.constFind(q.int64(0));
        if (rank == nameRank_.constEnd() || wordsInName[size_t(*rank)] >= 0)
            continue;
        const int count = nameWordCount(*rank, folded);
        wordsInName[size_t(*rank)] = count;
        ++perCount[size_t(count)];
    }
    std::vector<size_t> next(perCount.size(), 0);
    for (size_t c = perCount.size() - 1; c-- > 0;)
        next[c] = next[c + 1] + perCount[c + 1];
    std::vector<qint64> ids(next[0] + perCount[0]);
    for (size_t r = 0; r < byName_.size(); ++r) {
        if (wordsInName[r] >= 0)
            ids[next[size_t(wordsInName[r])]++] = byName_[r];
    }
    return ids;
}

} // namespace library
