#include "pageparse.h"

#include "htmltokenizer.h"
#include "quirksmode.h"
#include "treefollower.h"

namespace exporting {

bool isTagNameEnd(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '/' || c == '>';
}

// The next "<body" followed by a character that ends a tag name, from `from` on.
qsizetype findBodyCandidate(const QByteArray& page, qsizetype from)
{
    const char* d = page.constData();
    const qsizetype n = page.size();
    for (qsizetype i = page.indexOf('<', from); i >= 0 && i + 5 < n; i = page.indexOf('<', i + 1)) {
        if (qstrnicmp(d + i + 1, "body", 4) == 0 && isTagNameEnd(d[i + 5]))
            return i;
    }
    return -1;
}

static bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The name after "charset=" in a content-type value, as browsers read it.
QByteArray charsetFromContentType(const QByteArray& content)
{
    const QByteArray lower = content.toLower();
    const qsizetype n = lower.size();
    for (qsizetype i = lower.indexOf("charset"); i >= 0; i = lower.indexOf("charset", i)) {
        qsizetype j = i + 7;
        while (j < n && isSpace(lower[j]))
            ++j;
        if (j >= n || lower[j] != '=') {
            i = j;
            continue;
        }
        ++j;
        while (j < n && isSpace(lower[j]))
            ++j;
        if (j < n && (lower[j] == '"' || lower[j] == '\'')) {
            const qsizetype close = lower.indexOf(lower[j], j + 1);
            return close < 0 ? QByteArray() : lower.mid(j + 1, close - j - 1).trimmed();
        }
        qsizetype k = j;
        while (k < n && !isSpace(lower[k]) && lower[k] != ';')
            ++k;
        return lower.mid(j, k - j);
    }
    return {};
}

std::vector<ByteSpan> pageComments(const char* text, qsizetype length)
{
    std::vector<ByteSpan> spans;
    HtmlTokenizer tokenizer(text, length);
    TreeFollower follower(tokenizer, documentQuirksMode(text, length));
    for (;;) {
        const HtmlTokenizer::Token token = tokenizer.next();
        switch (token.kind) {
        case HtmlTokenizer::Kind::EndOfPage:
            return spans;
        case HtmlTokenizer::Kind::Comment:
            spans.push_back(ByteSpan{token.start, token.end});
            break;
        case HtmlTokenizer::Kind::StartTag:
            follower.startTag(tokenizer.tag());
            break;
        case HtmlTokenizer::Kind::EndTag:
            follower.endTag(tokenizer.tag());
            break;
        case HtmlTokenizer::Kind::Text:
            follower.text(token);
            break;
        default:
            break;
        }
    }
}

} // namespace exporting
