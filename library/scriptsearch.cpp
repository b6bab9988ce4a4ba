#include "scriptsearch.h"

#include "collation.h"
#include "database.h"
#include "librarystore.h"
#include "records.h"
#include "scriptindex.h"

#include <QSet>
#include <algorithm>
#include <cstring>

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

namespace {

// A folded word's first byte as a bit: each ASCII letter and digit its own, every other byte
// the one shared bit.
constexpr quint64 SharedInitial = quint64(1) << 63;
quint64 initialBit(char c)
{
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z')
        return quint64(1) << (b - 'a');
    if (b >= 'A' && b <= 'Z')
        return quint64(1) << (26 + b - 'A');
    if (b >= '0' && b <= '9')
        return quint64(1) << (52 + b - '0');
    return SharedInitial;
}

// One script's id and name; the order of the rows makes no difference to the sum.
size_t hashOfListing(qint64 id, QByteArrayView name)
{
    return qHash(name, qHash(id));
}

// The ids and names of every script, hashed as the engine hands them over, without a copy.
size_t hashOfNames(Database& db)
{
    Statement q = db.prepare("SELECT id, nombre FROM scripts");
    size_t sum = 0;
    while (q.next())
        sum += hashOfListing(q.int64(0), q.bytes(1));
    return sum;
}

} // namespace

void ScriptSearch::readNames()
{
    // Changes on this connection, and commits by any other, make the names stale.
    Statement version = db_.prepare("PRAGMA data_version");
    const qint64 dataVersion = version.next() ? version.int64(0) : -1;
    const qint64 changes = db_.totalChanges();
    if (changes == readAtChanges_ && dataVersion == readAtVersion_)
        return;
    // Most changes (code, comments, a category) leave every name as it was, and with the
    // names their order and their folded words.
    if (!byName_.empty() && hashOfNames(db_) == namesHash_) {
        readAtChanges_ = changes;
        readAtVersion_ = dataVersion;
        return;
    }
    std::vector<ScriptListing> rows;
    size_t names = 0;
    {
        Statement q = db_.prepare("SELECT id, nombre FROM scripts");
        while (q.next()) {
            const QByteArrayView name = q.bytes(1);
            names += hashOfListing(q.int64(0), name);
            rows.push_back(ScriptListing{q.int64(0), 0, QString::fromUtf8(name)});
        }
    }
    // The tree's order, sorted here as the tree's fill does: one key a name, not two a
    // comparison.
    SortByName(rows);
    byName_.clear();
    ranksById_.clear();
    ranksById_.reserve(rows.size());
    // All names in one run of the tokenizer, a line each; its offsets tell the names apart.
    QByteArray lines;
    std::vector<qsizetype> lineStarts;
    lineStarts.reserve(rows.size());
    for (const ScriptListing& s : rows) {
        ranksById_.push_back(IdRank{s.id, int(byName_.size())});
        byName_.push_back(s.id);
        lineStarts.push_back(lines.size());
        lines += s.nombre.toUtf8();
        lines += '\n';
    }
    std::sort(ranksById_.begin(), ranksById_.end(),
              [](const IdRank& a, const IdRank& b) { return a.id < b.id; });
    foldedNames_.clear();
    nameStarts_.assign(rows.size() + 1, 0);
    nameInitials_.assign(rows.size(), 0);
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
        const QByteArrayView token = tokens.bytes(0);
        if (begun > 0 && !token.isEmpty())
            nameInitials_[begun - 1] |= initialBit(token.front());
        foldedNames_ += ' ';
        foldedNames_ += token;
    }
    beginNamesUpTo(lines.size());
    nameStarts_[rows.size()] = int(foldedNames_.size());
    namesHash_ = names;
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
    const char* const name = foldedNames_.constData() + nameStarts_[size_t(rank)];
    const char* const end = foldedNames_.constData() + nameStarts_[size_t(rank) + 1];
    const quint64 initials = nameInitials_[size_t(rank)];
    int count = 0;
    for (const QByteArray& w : words) {
        const char* const word = w.constData();
        const qsizetype length = w.size();
        if (length < 2)
            continue;
        const quint64 initial = initialBit(word[1]);
        if (!(initials & initial))
            continue;
        if (length == 2 && initial != SharedInitial) {
            ++count;
            continue;
        }
        // At each word of the name: its space, then most often a first letter that differs.
        for (const char* at = name; end - at >= length; ++at) {
            if (at[0] == ' ' && at[1] == word[1] && std::memcmp(at, word, size_t(length)) == 0) {
                ++count;
                break;
            }
        }
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
    // In the order of ids, as the scripts' ranks are kept: one walk through both.
    Statement q = db_.prepare("SELECT docid FROM scripts_busqueda WHERE scripts_busqueda MATCH ?1 "
                              "ORDER BY docid");
    q.bind(1, MatchExpression(words));
    // By place in name order: -1, or how many of the words the name holds.
    std::vector<int> wordsInName(byName_.size(), -1);
    auto script = ranksById_.cbegin();
    while (q.next()) {
        const qint64 id = q.int64(0);
        // Both in the order of ids: a match is most often the next script or close to it,
        // else far on. Steps that double find it either way in a few comparisons.
        size_t step = 1;
        while (step < size_t(ranksById_.cend() - script) && script[qsizetype(step)].id < id) {
            script += qsizetype(step);
            step *= 2;
        }
        script = std::lower_bound(
            script, script + qsizetype(qMin(step, size_t(ranksById_.cend() - script))), id,
            [](const IdRank& s, qint64 id) { return s.id < id; });
        // An index row without its script (written by a program that bypassed the
        // triggers) is not shown.
        if (script != ranksById_.cend() && script->id == id)
            wordsInName[size_t(script->rank)] = 0;
    }
    // How many of the words each name holds, the names read in their order; then a counting
    // sort: more of the words first, name order within.
    std::vector<size_t> perCount(size_t(words.size()) + 2, 0);
    for (size_t r = 0; r < byName_.size(); ++r) {
        if (wordsInName[r] >= 0) {
            wordsInName[r] = nameWordCount(int(r), folded);
            ++perCount[size_t(wordsInName[r])];
        }
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
