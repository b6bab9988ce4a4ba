#include "scriptsearch.h"

#include "database.h"
#include "scriptindex.h"

#include <QSet>
#include <algorithm>
#include <cstring>

namespace library {

namespace {

// The tree's order of script names; searches list scripts of equal rank in it.
constexpr char NameOrder[] = "ORDER BY s.nombre, s.id";

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

std::vector<SearchHit> SearchScripts(Database& db, const QStringList& words)
{
    std::vector<SearchHit> hits;
    if (words.isEmpty()) {
        Statement all = db.prepare(
            (QByteArray("SELECT s.id, s.id_categoria, s.nombre FROM scripts s ") + NameOrder)
                .constData());
        while (all.next())
            hits.push_back(SearchHit{all.int64(0), all.int64(1), all.text(2)});
        return hits;
    }
    Statement q = db.prepare((QByteArray("SELECT s.id, s.id_categoria, s.nombre, "
                                         "matchinfo(scripts_busqueda, 'b') FROM scripts_busqueda "
                                         "JOIN scripts s ON s.id = scripts_busqueda.docid "
                                         "WHERE scripts_busqueda MATCH ?1 ") +
                              NameOrder)
                                 .constData());
    q.bind(1, MatchExpression(words));
    std::vector<int> inName;
    while (q.next()) {
        hits.push_back(SearchHit{q.int64(0), q.int64(1), q.text(2)});
        inName.push_back(NameWordCount(q.blob(3), int(words.size())));
    }
    // Rank by the words in the name; a stable sort keeps the name order within a rank.
    std::vector<size_t> order(hits.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&inName](size_t a, size_t b) { return inName[a] > inName[b]; });
    std::vector<SearchHit> ranked;
    ranked.reserve(hits.size());
    for (size_t i : order)
        ranked.push_back(std::move(hits[i]));
    return ranked;
}

} // namespace library
