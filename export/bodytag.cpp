#include "bodytag.h"

#include "pageparse.h"

#include <cstring>

namespace exporting {

namespace {

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

bool isSpace(char c)
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

QByteArray charsetOfMeta(const GumboElement& meta)
{
    if (const GumboAttribute* a = gumbo_get_attribute(&meta.attributes, "charset"))
        return QByteArray(a->value).trimmed().toLower();
    const GumboAttribute* equiv = gumbo_get_attribute(&meta.attributes, "http-equiv");
    const GumboAttribute* content = gumbo_get_attribute(&meta.attributes, "content");
    if (equiv && content &&
        qstricmp(QByteArray(equiv->value).trimmed().constData(), "content-type") == 0)
        return charsetFromContentType(QByteArray(content->value));
    return {};
}

// The first <meta> that names a character set and stands before `before`. The walk keeps
// its own stack: pages may nest elements deeper than the call stack would allow.
QByteArray declaredCharset(const GumboNode* root, const char* text, qsizetype before)
{
    std::vector<const GumboNode*> pending{root};
    while (!pending.empty()) {
        const GumboNode* node = pending.back();
        pending.pop_back();
        if (node->type != GUMBO_NODE_ELEMENT || node->v.element.tag == GUMBO_TAG_BODY)
            continue;
        const GumboElement& e = node->v.element;
        if (e.original_tag.length > 0 && e.original_tag.data - text >= before)
            continue;
        if (e.tag == GUMBO_TAG_META && e.original_tag.length > 0) {
            const QByteArray charset = charsetOfMeta(e);
            if (!charset.isEmpty())
                return charset;
        }
        for (unsigned i = e.children.length; i > 0; --i)
            pending.push_back(static_cast<const GumboNode*>(e.children.data[i - 1]));
    }
    return {};
}

// The body tag as a parse of the first `length` bytes of `text` reports it; `found` only
// when the tag was written in the source and its closing ">" lies inside that prefix.
BodyTag bodyTagInPrefix(const char* page, qsizetype length, bool* found)
{
    BodyTag tag;
    *found = false;
    const PageParse parse(page, length);
    const char* text = parse.text();
    const GumboElement* body = parse.body();
    if (!body) {
        tag.status = BodyTag::Status::Missing;
        return tag;
    }
    if (body->original_tag.length == 0) {
        // A later <body> tag merges its attributes into a body that content opened; without
        // attributes such a tag leaves no trace, and the page reads as having none.
        tag.status =
            body->attributes.length > 0 ? BodyTag::Status::Implied : BodyTag::Status::Missing;
        return tag;
    }
    // The tokenizer counts stray "</>" right before the tag into the tag's source text, so
    // the tag itself starts at the first "<body" of that text.
    const qsizetype end = (body->original_tag.data - text) + qsizetype(body->original_tag.length);
    const qsizetype start =
        findBodyCandidate(QByteArray::fromRawData(text, length), body->original_tag.data - text);
    if (end > length || text[end - 1] != '>' || start < 0 || start + 5 >= end)
        return tag;
    *found = true;
    tag.status = BodyTag::Status::Found;
    tag.start = start;
    tag.nameEnd = start + 5;
    tag.end = end;
    // A later <body> merges its attributes into this element: keep only this tag's own.
    for (unsigned i = 0; i < body->attributes.length; ++i) {
        const auto* a = static_cast<const GumboAttribute*>(body->attributes.data[i]);
        const qsizetype nameStart = a->original_name.data - text;
        if (nameStart <= start || nameStart >= end)
            continue;
        qsizetype attrEnd = nameStart + qsizetype(a->original_name.length);
        if (a->original_value.length > 0)
            attrEnd = (a->original_value.data - text) + qsizetype(a->original_value.length);
        tag.attributes.push_back(TagAttribute{QByteArray(a->name), nameStart, attrEnd});
    }
    tag.declaredCharset = declaredCharset(parse.root(), text, start);
    return tag;
}

BodyTag shifted(BodyTag tag, qsizetype by)
{
    tag.start += by;
    tag.nameEnd += by;
    tag.end += by;
    for (TagAttribute& a : tag.attributes) {
        a.start += by;
        a.end += by;
    }
    return tag;
}

} // namespace

BodyTag locateBodyTag(const QByteArray& page)
{
    // The tokenizer does not know the byte-order mark; it would read it as text.
    const qsizetype skip = page.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const QByteArray text = QByteArray::fromRawData(page.constData() + skip, page.size() - skip);
    const qsizetype candidate = findBodyCandidate(text, 0);
    if (candidate < 0)
        return BodyTag{};
    // Tokenizing stops being exact only at the end of the prefix, so a tag that closes
    // inside the prefix is reported as the whole page would report it. The prefix grows
    // geometrically, which keeps the total work linear in the length of the page.
    const qsizetype closing = text.indexOf('>', candidate + 5);
    qsizetype length = closing < 0 ? text.size() : closing + 1;
    for (;;) {
        bool found = false;
        BodyTag tag = bodyTagInPrefix(text.constData(), length, &found);
        if (found)
            return shifted(tag, skip);
        if (length >= text.size())
            return tag;
        length = qMin(text.size(), qMax(length * 2, length + 4096));
    }
}

AttributeText inspectAttributeText(const QByteArray& attributes)
{
    AttributeText result;
    const QByteArray tag = QByteArrayLiteral("<body ") + attributes + '>';
    if (attributes.contains('\0'))
        return result;
    bool found = false;
    const BodyTag parsed = bodyTagInPrefix(tag.constData(), tag.size(), &found);
    if (!found || parsed.end != tag.size())
        return result;
    result.wellFormed = true;
    for (const TagAttribute& a : parsed.attributes) {
        if (a.name == "onload")
            result.hasOnload = true;
    }
    // After an unquoted value a "/" is part of the value; after a quote or a bare name it
    // starts a new token, and so does the attribute "z" behind it.
    const QByteArray probe = tag.left(tag.size() - 1) + QByteArrayLiteral("/z>");
    const qsizetype zAt = probe.size() - 2;
    const BodyTag probed = bodyTagInPrefix(probe.constData(), probe.size(), &found);
    result.slashJoinsLastValue = true;
    for (const TagAttribute& a : probed.attributes) {
        if (a.start == zAt)
            result.slashJoinsLastValue = false;
    }
    return result;
}

} // namespace exporting
