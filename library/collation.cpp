#include "collation.h"

#include "sqlcipher.h"

#include <QChar>
#include <string_view>

namespace library {

namespace {

// The base letters of Latin-1's letters from U+00C0 to U+00FF; '\0' keeps the character
// itself (Æ, Ð, ×, Þ, ß, ...). Spanish text lies almost wholly in this range.
constexpr char Latin1Bases[] = "aaaaaa\0ceeeeiiii\0\0ooooo\0ouuuuy\0\0"
                               "aaaaaa\0ceeeeiiii\0\0ooooo\0ouuuuy\0y";

// Weights are twice the folded code point, so that "ñ" can sit between "n" and "o".
constexpr char32_t EnyeWeight = char32_t('n') * 2 + 1;

// The mark of a number: between "/" and the digits, odd so that no character weighs the same.
constexpr char32_t NumberWeight = char32_t('0') * 2 - 1;

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

char32_t weightOf(char16_t c)
{
    if (c < 0x80)
        return char32_t(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c) * 2;
    if (c == 0x00F1 || c == 0x00D1)
        return EnyeWeight;
    if (c >= 0x00C0 && c <= 0x00FF && Latin1Bases[c - 0x00C0] != '\0')
        return char32_t(Latin1Bases[c - 0x00C0]) * 2;
    // Elsewhere: the first character of the decomposition, without case.
    const QString decomposition = QChar(c).decomposition();
    const char16_t base = decomposition.isEmpty() ? c : decomposition.at(0).unicode();
    return char32_t(QChar::toCaseFolded(base)) * 2;
}

int compareUtf8(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return CompareNames(QString::fromUtf8(static_cast<const char*>(a), lengthA),
                        QString::fromUtf8(static_cast<const char*>(b), lengthB));
}

} // namespace

void AppendNameKey(const QString& name, std::u32string& key)
{
    const QChar* const end = name.constEnd();
    for (const QChar* c = name.constBegin(); c != end;) {
        if (!isAsciiDigit(*c)) {
            key.push_back(weightOf((c++)->unicode()));
            continue;
        }
        // A run of digits counts by its value: its mark, the number of its digits without
        // leading zeros, then those digits. "28" has fewer digits than "112", so it comes
        // first; numbers sort where digits always did, after "/" and before ":".
        while (c != end && *c == QLatin1Char('0'))
            ++c;
        const QChar* const first = c;
        while (c != end && isAsciiDigit(*c))
            ++c;
        key.push_back(NumberWeight);
        key.push_back(char32_t(c - first));
        for (const QChar* d = first; d != c; ++d)
            key.push_back(weightOf(d->unicode()));
    }
}

std::u32string NameKey(const QString& name)
{
    std::u32string key;
    key.reserve(size_t(name.size()) + 2);
    AppendNameKey(name, key);
    return key;
}

NameKeys::NameKeys(size_t names)
{
    starts_.reserve(names + 1);
    starts_.push_back(0);
    // Most names are short: a guess that spares most of the buffer's growth.
    chars_.reserve(names * 24);
}

void NameKeys::add(const QString& name)
{
    AppendNameKey(name, chars_);
    starts_.push_back(chars_.size());
}

int NameKeys::compare(size_t a, size_t b) const
{
    const std::u32string_view keys(chars_);
    return keys.substr(starts_[a], starts_[a + 1] - starts_[a])
        .compare(keys.substr(starts_[b], starts_[b + 1] - starts_[b]));
}

int CompareNames(const QString& a, const QString& b)
{
    const int byKey = NameKey(a).compare(NameKey(b));
    if (byKey != 0)
        return byKey < 0 ? -1 : 1;
    // Names equal but for accents or case still need one fixed order.
    return a < b ? -1 : (b < a ? 1 : 0);
}

bool RegisterNameCollation(sqlite3* db)
{
    return sqlite3_create_collation_v2(db, NameCollation, SQLITE_UTF8, nullptr, compareUtf8,
                                       nullptr) == SQLITE_OK;
}

} // namespace library
