#include "scriptsearch.h"

#include "collation.h"
#include "database.h"
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

int NameWordCount(const QByteArray& columnMask, int words)
{
    // One run of 32-bit words a query word, one bit a column, in the machine's byte order.
    constexpr int perWord = (ScriptIndexColumns + 31) / 32;
    int count = 0;
    for (int w = 0; w < words; ++w) {
        const qsizetype offset = qsizetype(w) * perWord * 4;
        if (offset + 4 > columnMask.size())
            break;
        quint32 bits = 0;
        std::memcpy(&bits, columnMask.constData() + offset, 4);
        if (bits & 1u)
            ++count;
    }
    return count;
}

void ScriptSearch::readNameOrder()
{
    // Changes on this connection, and commits by any other, make the order stale.
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
    for (const ScriptListing& s : rows) {
        nameRank_.insert(s.id, int(byName_.size()));
        byName_.push_back(s.id);
    }
    readAtChanges_ = changes;
    readAtVersion_ = dataVersion;
}

std::vector<qint64> ScriptSearch::Find(const QStringList& words)
{
    readNameOrder();
    if (words.isEmpty())
        return byName_;
    Statement q = db_.prepare("SELECT docid, matchinfo(scripts_busqueda, 'b') "
                              "FROM scripts_busqueda WHERE scripts_busqueda MATCH ?1");
    q.bind(1, MatchExpression(words));
    struct Found
    {
        int inName;
        int rank;
        qint64 id;
    };
    std::vector<Found> found;
    while (q.next()) {
        const qint64 id = q.int64(0);
        // An index row without its script (written by a program that bypassed the
        // triggers) is not shown.
        const auto rank = nameRank_.constFind(id);
        if (rank != nameRank_.constEnd())
            found.push_back(Found{NameWordCount(q.blob(1), int(words.size())), *rank, id});
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.inName != b.inName ? a.inName > b.inName : a.rank < b.rank;
    });
    std::vector<qint64> ids;
    ids.reserve(found.size());
    for (const Found& f : found)
        ids.push_back(f.id);
    return ids;
}

} // namespace library
