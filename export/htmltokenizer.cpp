#include "htmltokenizer.h"

#include <QHash>
#include <algorithm>
#include <cstring>

namespace exporting {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isAlnum(char c)
{
    return isAlpha(c) || isDigit(c);
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

bool startsWithNoCase(const char* d, qsizetype n, qsizetype at, const char* word)
{
    const qsizetype len = qsizetype(std::strlen(word));
    if (at + len > n)
        return false;
    for (qsizetype i = 0; i < len; ++i) {
        if (lower(d[at + i]) != word[i])
            return false;
    }
    return true;
}

// Code points the input stream replaces with U+FFFD: controls other than white space, and
// noncharacters. NUL is the tokenizer's to replace.
bool isReplacedCodePoint(char32_t c)
{
    return (c >= 0x1 && c <= 0x8) || c == 0xB || (c >= 0xE && c <= 0x1F) ||
           (c >= 0x7F && c <= 0x9F) || (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE ||
           c == 0;
}

void appendUtf8(QByteArray& out, char32_t c)
{
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | (c >> 6)));
        out.append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | (c >> 12)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | (c >> 18)));
        out.append(char(0x80 | ((c >> 12) & 0x3F)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    }
}

// Text as the input stream gives it to the tokenizer's names and values: UTF-8 decoded with
// each invalid sequence as one U+FFFD, and the replaced code points as U+FFFD too.
QByteArray asInputText(const QByteArray& bytes)
{
    const bool plain = std::all_of(bytes.begin(), bytes.end(), [](char c) {
        return (c >= 0x20 && c < 0x7F) || c == '\t' || c == '\n' || c == '\f' || c == '\r';
    });
    if (plain)
        return bytes;
    QByteArray out;
    out.reserve(bytes.size() + 8);
    const auto emit = [&out](char32_t c) { appendUtf8(out, isReplacedCodePoint(c) ? 0xFFFD : c); };
    int needed = 0, seen = 0;
    uchar lowerBound = 0x80, upperBound = 0xBF;
    char32_t c = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar b = uchar(bytes[i]);
        if (needed == 0) {
            if (b < 0x80) {
                emit(b);
            } else if (b >= 0xC2 && b <= 0xDF) {
                needed = 1;
                c = b & 0x1F;
            } else if (b >= 0xE0 && b <= 0xEF) {
                lowerBound = b == 0xE0 ? 0xA0 : 0x80;
                upperBound = b == 0xED ? 0x9F : 0xBF;
                needed = 2;
                c = b & 0xF;
            } else if (b >= 0xF0 && b <= 0xF4) {
                lowerBound = b == 0xF0 ? 0x90 : 0x80;
                upperBound = b == 0xF4 ? 0x8F : 0xBF;
                needed = 3;
                c = b & 0x7;
            } else {
                emit(0xFFFD);
            }
            continue;
        }
        if (b < lowerBound || b > upperBound) {
            needed = seen = 0;
            lowerBound = 0x80;
            upperBound = 0xBF;
            emit(0xFFFD);
            --i; // read again as the start of a sequence
            continue;
        }
        lowerBound = 0x80;
        upperBound = 0xBF;
        c = (c << 6) | (b & 0x3F);
        if (++seen == needed) {
            emit(c);
            needed = seen = 0;
        }
    }
    if (needed > 0)
        emit(0xFFFD);
    return out;
}

const QHash<QByteArray, QByteArray>& namedCharacters()
{
    static const QHash<QByteArray, QByteArray> table = [] {
        struct Entry
        {
            const char* name;
            const char* value;
        };
        static const Entry entries[] = {
#include "namedcharacters.inc"
        };
        QHash<QByteArray, QByteArray> t;
        t.reserve(int(std::size(entries)));
        for (const Entry& e : entries)
            t.insert(QByteArray(e.name), QByteArray(e.value));
        return t;
    }();
    return table;
}

// Numeric references to C1 controls read as windows-1252 characters.
const char16_t C1Replacements[32] = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

struct Reference
{
    qsizetype length = 0; // bytes read from the "&"; 0 when there is no reference
    char32_t code = 0;    // numeric references
    QByteArray named;     // named references, as UTF-8
};

// The numeric reference at `at` (the "&"), if any.
Reference numericReference(const char* d, qsizetype n, qsizetype at)
{
    Reference r;
    qsizetype i = at + 2;
    const bool hex = i < n && (d[i] == 'x' || d[i] == 'X');
    if (hex)
        ++i;
    const qsizetype digitsFrom = i;
    quint64 value = 0;
    for (; i < n; ++i) {
        int digit = -1;
        if (isDigit(d[i]))
            digit = d[i] - '0';
        else if (hex && lower(d[i]) >= 'a' && lower(d[i]) <= 'f')
            digit = lower(d[i]) - 'a' + 10;
        if (digit < 0)
            break;
        value = qMin<quint64>(value * (hex ? 16 : 10) + quint64(digit), 0x110000);
    }
    if (i == digitsFrom)
        return r;
    if (i < n && d[i] == ';')
        ++i;
    r.length = i - at;
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        value = 0xFFFD;
    else if (value >= 0x80 && value <= 0x9F)
        value = C1Replacements[value - 0x80];
    r.code = char32_t(value);
    return r;
}

// The named reference at `at` (the "&"), if any; in an attribute value a legacy name followed
// by "=" or a letter or digit stays text.
Reference namedReference(const char* d, qsizetype n, qsizetype at, bool inAttribute)
{
    Reference r;
    qsizetype run = 0;
    while (at + 1 + run < n && run < 32 && isAlnum(d[at + 1 + run]))
        ++run;
    const auto& table = namedCharacters();
    if (at + 1 + run < n && d[at + 1 + run] == ';') {
        const auto it = table.constFind(QByteArray(d + at + 1, run + 1));
        if (it != table.constEnd()) {
            r.length = run + 2;
            r.named = *it;
            return r;
        }
    }
    for (qsizetype k = run; k > 0; --k) {
        const auto it = table.constFind(QByteArray::fromRawData(d + at + 1, k));
        if (it == table.constEnd())
            continue;
        const qsizetype after = at + 1 + k;
        if (inAttribute && after < n && (d[after] == '=' || isAlnum(d[after])))
            return r;
        r.length = k + 1;
        r.named = *it;
        return r;
    }
    return r;
}

} // namespace

bool isOneOf(const QByteArray& name, std::initializer_list<const char*> names)
{
    // Called for every tag the tree construction follows: the first letter rules out most.
    const char* d = name.constData();
    return std::any_of(names.begin(), names.end(), [&](const char* n) {
        return *d == *n && std::strcmp(d, n) == 0 && size_t(name.size()) == std::strlen(n);
    });
}

const ScannedAttribute* ScannedTag::attribute(const char* wanted) const
{
    for (const ScannedAttribute& a : attributes) {
        if (a.name == wanted)
            return &a;
    }
    return nullptr;
}

HtmlTokenizer::HtmlTokenizer(const char* text, qsizetype length) : d_(text), n_(length) {}

void HtmlTokenizer::setTextModel(TextModel model)
{
    model_ = model;
    endName_ = tag_.name;
}

HtmlTokenizer::Token HtmlTokenizer::next()
{
    if (pos_ >= n_)
        return Token{Kind::EndOfPage, n_, n_};
    if (model_ != TextModel::Data)
        return elementText();
    return data();
}

// Whether an end tag of the current element starts at `at`: "</name" and a character that
// ends a tag name there.
bool HtmlTokenizer::isEndTagOf(qsizetype at) const
{
    const qsizetype len = endName_.size();
    if (at + 2 + len >= n_ || d_[at + 1] != '/')
        return false;
    if (!startsWithNoCase(d_, n_, at + 2, endName_.constData()))
        return false;
    const char c = d_[at + 2 + len];
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '/' || c == '>';
}

HtmlTokenizer::Token HtmlTokenizer::elementText()
{
    const qsizetype from = pos_;
    qsizetype end = n_;
    if (model_ == TextModel::ScriptData) {
        end = scriptTextEnd(from);
    } else if (model_ != TextModel::Plaintext) {
        for (const char* p = static_cast<const char*>(std::memchr(d_ + from, '<', n_ - from)); p;
             p = static_cast<const char*>(std::memchr(p + 1, '<', n_ - (p + 1 - d_)))) {
            if (isEndTagOf(p - d_)) {
                end = p - d_;
                break;
            }
        }
    }
    pos_ = end;
    if (end < n_)
        model_ = TextModel::Data;
    return Token{Kind::ElementText, from, end};
}

// Where the script's end tag starts, following the script data states with their escaped
// ("<!--") and double escaped ("<!--<script>") parts; the page's length when it has none.
qsizetype HtmlTokenizer::scriptTextEnd(qsizetype from) const
{
    enum State { Plain, Escaped, EscapedDash, EscapedDashDash, Double, DoubleDash, DoubleDashDash };
    State s = Plain;
    // Whether "script" and a character that ends a tag name start at `at`.
    const auto scriptWordAt = [&](qsizetype at) {
        return at + 6 < n_ && startsWithNoCase(d_, n_, at, "script") &&
               (isSpace(d_[at + 6]) || d_[at + 6] == '/' || d_[at + 6] == '>');
    };
    qsizetype i = from;
    while (i < n_) {
        if (s == Plain) {
            const char* p = static_cast<const char*>(std::memchr(d_ + i, '<', n_ - i));
            if (!p)
                return n_;
            i = p - d_;
            if (isEndTagOf(i))
                return i;
            if (i + 3 < n_ && d_[i + 1] == '!' && d_[i + 2] == '-' && d_[i + 3] == '-') {
                // "<!--": the escape starts; its dashes may already close it ("<!-->").
                i += 4;
                s = EscapedDashDash;
                continue;
            }
            ++i;
            continue;
        }
        const char c = d_[i];
        const bool dbl = s == Double || s == DoubleDash || s == DoubleDashDash;
        if (c == '-') {
            s = (s == Escaped || s == Double)           ? State(s + 1)
                : (s == EscapedDash || s == DoubleDash) ? State(s + 1)
                                                        : s;
            ++i;
            continue;
        }
        if (c == '>' && (s == EscapedDashDash || s == DoubleDashDash)) {
            s = Plain;
            ++i;
            continue;
        }
        if (c == '<') {
            if (!dbl) {
                if (isEndTagOf(i))
                    return i;
                if (i + 1 < n_ && isAlpha(d_[i + 1]) && scriptWordAt(i + 1)) {
                    s = Double;
                    i += 7;
                    continue;
                }
                s = Escaped;
                ++i;
                continue;
            }
            if (i + 1 < n_ && d_[i + 1] == '/' && scriptWordAt(i + 2)) {
                s = Escaped;
                i += 8;
                continue;
            }
            s = Double;
            ++i;
            continue;
        }
        s = dbl ? Double : Escaped;
        ++i;
    }
    return n_;
}

HtmlTokenizer::Token HtmlTokenizer::data()
{
    const qsizetype from = pos_;
    bool blank = true;
    bool visible = false;
    while (pos_ < n_) {
        const qsizetype i = pos_;
        const char c = d_[i];
        if (c == '&') {
            const qsizetype length = visible ? 0 : whitespaceReference(i);
            if (length > 0) {
                pos_ += length;
                continue;
            }
            blank = false;
            visible = true;
            ++pos_;
            continue;
        }
        if (c != '<') {
            if (isSpace(c)) {
                ++pos_;
                continue;
            }
            blank = false;
            if (c == '\0') {
                ++pos_;
                continue;
            }
            visible = true;
            const char* p = static_cast<const char*>(std::memchr(d_ + i, '<', n_ - i));
            pos_ = p ? p - d_ : n_;
            continue;
        }
        // A "<": markup, or a character when nothing valid follows it.
        const char next = i + 1 < n_ ? d_[i + 1] : '\0';
        const bool atEnd = i + 1 >= n_;
        if (!atEnd && next == '/' && i + 2 < n_ && d_[i + 2] == '>') {
            pos_ += 3; // "</>" is dropped
            continue;
        }
        const bool markup =
            !atEnd && (isAlpha(next) || next == '!' || next == '?' || (next == '/' && i + 2 < n_));
        if (!markup) {
            blank = false;
            visible = true;
            pos_ = atEnd || next != '/' ? i + 1 : n_;
            continue;
        }
        if (i > from)
            return Token{Kind::Text, from, i, blank, visible};
        if (isAlpha(next) || (next == '/' && isAlpha(d_[i + 2]))) {
            const bool endTag = next == '/';
            const qsizetype end = parseTag(i, endTag);
            pos_ = end < 0 ? n_ : end;
            if (end < 0)
                return Token{Kind::EndOfPage, n_, n_};
            return Token{endTag ? Kind::EndTag : Kind::StartTag, i, end};
        }
        if (next == '!' && i + 3 < n_ && d_[i + 2] == '-' && d_[i + 3] == '-') {
            pos_ = commentEnd(i + 4);
            return Token{Kind::Comment, i, pos_};
        }
        if (next == '!' && cdataAllowed_ && i + 9 <= n_ &&
            std::memcmp(d_ + i + 2, "[CDATA[", 7) == 0) {
            const QByteArray close = QByteArrayLiteral("]]>");
            const qsizetype at = QByteArray::fromRawData(d_, n_).indexOf(close, i + 9);
            pos_ = at < 0 ? n_ : at + 3;
            return Token{Kind::Text, i, pos_, false, pos_ > i + 9};
        }
        const bool doctype = next == '!' && startsWithNoCase(d_, n_, i + 2, "doctype");
        const void* close = std::memchr(d_ + i + 1, '>', n_ - i - 1);
        pos_ = close ? static_cast<const char*>(close) - d_ + 1 : n_;
        return Token{doctype ? Kind::Doctype : Kind::Comment, i, pos_};
    }
    return Token{Kind::Text, from, pos_, blank, visible};
}

// One past the end of a comment whose "<!--" ends right before `from`.
qsizetype HtmlTokenizer::commentEnd(qsizetype from) const
{
    enum State { Start, StartDash, Body, EndDash, End, EndBang };
    State s = Start;
    for (qsizetype i = from; i < n_; ++i) {
        const char c = d_[i];
        switch (s) {
        case Start:
            s = c == '-' ? StartDash : Body;
            if (c == '>')
                return i + 1;
            break;
        case StartDash:
            if (c == '>')
                return i + 1;
            s = c == '-' ? End : Body;
            break;
        case Body: {
            const void* dash = std::memchr(d_ + i, '-', n_ - i);
            if (!dash)
                return n_;
            i = static_cast<const char*>(dash) - d_;
            s = EndDash;
            break;
        }
        case EndDash:
            s = c == '-' ? End : Body;
            break;
        case End:
            if (c == '>')
                return i + 1;
            s = c == '!' ? EndBang : c == '-' ? End : Body;
            break;
        case EndBang:
            if (c == '>')
                return i + 1;
            s = c == '-' ? EndDash : Body;
            break;
        }
    }
    return n_;
}

// The length of a character reference at `at` that reads as white space; 0 otherwise.
qsizetype HtmlTokenizer::whitespaceReference(qsizetype at) const
{
    if (at + 1 >= n_)
        return 0;
    if (d_[at + 1] == '#') {
        const Reference r = numericReference(d_, n_, at);
        const bool space =
            r.code == 0x09 || r.code == 0x0A || r.code == 0x0C || r.code == 0x0D || r.code == 0x20;
        return r.length > 0 && space ? r.length : 0;
    }
    if (startsWithNoCase(d_, n_, at + 1, "tab;") && std::memcmp(d_ + at + 1, "Tab;", 4) == 0)
        return 5;
    if (at + 9 <= n_ && std::memcmp(d_ + at + 1, "NewLine;", 8) == 0)
        return 9;
    return 0;
}

// Reads the tag whose "<" is at `at`; returns one past its ">", or -1 when the page ends
// inside it (such a tag is dropped).
qsizetype HtmlTokenizer::parseTag(qsizetype at, bool endTag)
{
    tag_.name.clear();
    tag_.attributes.clear();
    tag_.selfClosing = false;
    tag_.start = at;
    qsizetype i = at + (endTag ? 2 : 1);
    const qsizetype nameFrom = i;
    while (i < n_ && !isSpace(d_[i]) && d_[i] != '/' && d_[i] != '>')
        ++i;
    if (i >= n_)
        return -1;
    tag_.name.reserve(i - nameFrom);
    bool special = false;
    for (qsizetype k = nameFrom; k < i; ++k) {
        special = special || uchar(d_[k]) < 0x20 || uchar(d_[k]) >= 0x7F;
        tag_.name.append(lower(d_[k]));
    }
    if (special)
        tag_.name = asInputText(tag_.name);

    ScannedAttribute a;
    bool open = false; // an attribute is being read
    const auto finish = [&]() {
        if (!open)
            return;
        open = false;
        a.name = asInputText(a.name);
        for (const ScannedAttribute& other : tag_.attributes) {
            if (other.name == a.name)
                return;
        }
        tag_.attributes.push_back(a);
    };
    enum State { BeforeName, Name, AfterName, BeforeValue, AfterQuoted, SelfClosing };
    State s = BeforeName;
    while (i < n_) {
        const char c = d_[i];
        switch (s) {
        case BeforeName:
            if (isSpace(c)) {
                ++i;
            } else if (c == '/' || c == '>') {
                s = AfterName;
            } else {
                a = ScannedAttribute{};
                a.start = i;
                a.name.append(lower(c));
                open = true;
                s = Name;
                ++i;
            }
            break;
        case Name:
            if (isSpace(c) || c == '/' || c == '>') {
                a.end = a.valueFrom = a.valueTo = i;
                s = AfterName;
            } else if (c == '=') {
                a.end = a.valueFrom = a.valueTo = i;
                s = BeforeValue;
                ++i;
            } else {
                a.name.append(lower(c));
                ++i;
            }
            break;
        case AfterName:
            if (isSpace(c)) {
                ++i;
            } else if (c == '/') {
                finish();
                s = SelfClosing;
                ++i;
            } else if (c == '=') {
                s = BeforeValue;
                ++i;
            } else if (c == '>') {
                finish();
                tag_.end = i + 1;
                return i + 1;
            } else {
                finish();
                s = BeforeName;
            }
            break;
        case BeforeValue:
            if (isSpace(c)) {
                ++i;
            } else if (c == '"' || c == '\'') {
                const void* close = std::memchr(d_ + i + 1, c, n_ - i - 1);
                if (!close)
                    return -1;
                const qsizetype q = static_cast<const char*>(close) - d_;
                a.valueFrom = i + 1;
                a.valueTo = q;
                a.end = q + 1;
                finish();
                i = q + 1;
                s = AfterQuoted;
            } else if (c == '>') {
                finish();
                tag_.end = i + 1;
                return i + 1;
            } else {
                qsizetype k = i;
                while (k < n_ && !isSpace(d_[k]) && d_[k] != '>')
                    ++k;
                if (k >= n_)
                    return -1;
                a.valueFrom = i;
                a.valueTo = a.end = k;
                finish();
                i = k;
                s = BeforeName;
            }
            break;
        case AfterQuoted:
            if (isSpace(c)) {
                s = BeforeName;
                ++i;
            } else if (c == '/') {
                s = SelfClosing;
                ++i;
            } else if (c == '>') {
                tag_.end = i + 1;
                return i + 1;
            } else {
                s = BeforeName;
            }
            break;
        case SelfClosing:
            if (c == '>') {
                tag_.selfClosing = true;
                tag_.end = i + 1;
                return i + 1;
            }
            s = BeforeName;
            break;
        }
    }
    return -1;
}

QByteArray attributeValue(const char* d, const ScannedAttribute& a)
{
    QByteArray value;
    QByteArray raw; // written characters not yet added
    const qsizetype n = a.valueTo;
    for (qsizetype i = a.valueFrom; i < n; ++i) {
        const char c = d[i];
        if (c == '\r') {
            raw.append('\n');
            if (i + 1 < n && d[i + 1] == '\n')
                ++i;
            continue;
        }
        const Reference r = c != '&' || i + 1 >= n ? Reference{}
                            : d[i + 1] == '#'      ? numericReference(d, n, i)
                                                   : namedReference(d, n, i, true);
        if (r.length == 0) {
            raw.append(c);
            continue;
        }
        value.append(asInputText(raw));
        raw.clear();
        if (r.named.isNull())
            appendUtf8(value, r.code);
        else
            value.append(r.named);
        i += r.length - 1;
    }
    return value + asInputText(raw);
}

} // namespace exporting
