#include "gumboreference.h"

#include <algorithm>
#include <cstring>
#include <gumbo.h>

using exporting::BodyTag;
using exporting::ByteSpan;
using exporting::charsetFromContentType;
using exporting::findBodyCandidate;
using exporting::isTagNameEnd;
using exporting::TagAttribute;

namespace gumboreference {

// One parse of the first `length` bytes of `text` as a browser with scripting on reads them.
// gumbo parses as with scripting off, where <noscript> holds markup; with scripting on it
// holds raw text up to its end tag (an <img> there does not open the body, a comment there is
// no comment). So that text is blanked with spaces before gumbo sees it; offsets stay those
// of `text`, and the parse's pointers point into text().
class PageParse
{
public:
    PageParse(const char* text, qsizetype length);
    ~PageParse();
    PageParse(const PageParse&) = delete;
    PageParse& operator=(const PageParse&) = delete;

    const char* text() const { return blanked_.isEmpty() ? text_ : blanked_.constData(); }
    const GumboNode* root() const { return out_->root; }
    GumboQuirksModeEnum quirksMode() const
    {
        return out_->document->v.document.doc_type_quirks_mode;
    }
    // The <body> element among the children of <html>, if any.
    const GumboElement* body() const;
    // Every comment, from its "<!--" through its "-->", in page order.
    std::vector<ByteSpan> comments() const;

private:
    void parseText();
    void blank(const std::vector<ByteSpan>& spans);
    void settleNoscriptTexts(std::vector<ByteSpan> blanked);
    std::vector<ByteSpan> noscriptTexts() const;

    const char* text_;
    qsizetype length_;
    QByteArray blanked_; // empty while nothing is blanked
    GumboOutput* out_ = nullptr;
};

namespace {

// Where raw text that starts at `from` ends: at the first "</noscript" that ends a tag name.
qsizetype rawTextEnd(const char* text, qsizetype length, qsizetype from)
{
    for (qsizetype i = from; i + 10 <= length; ++i) {
        if (text[i] == '<' && text[i + 1] == '/' && qstrnicmp(text + i + 2, "noscript", 8) == 0 &&
            (i + 10 == length || isTagNameEnd(text[i + 10])))
            return i;
    }
    return length;
}

// The raw texts of every "<noscript ...>" written in the text, as if each were a real tag:
// right for most pages, and checked against a parse.
std::vector<ByteSpan> likelyNoscriptTexts(const char* text, qsizetype length)
{
    std::vector<ByteSpan> spans;
    for (qsizetype i = 0; i + 10 <= length; ++i) {
        if (text[i] != '<' || qstrnicmp(text + i + 1, "noscript", 8) != 0 ||
            !isTagNameEnd(text[i + 9]))
            continue;
        const char* close = static_cast<const char*>(memchr(text + i + 9, '>', length - i - 9));
        if (!close)
            break;
        const qsizetype start = close - text + 1;
        spans.push_back(ByteSpan{start, rawTextEnd(text, length, start)});
        i = spans.back().end;
    }
    return spans;
}

// Calls `visit` for every node of the tree. The walk keeps its own stack: pages may nest
// elements deeper than the call stack would allow.
template <typename Visit> void walk(const GumboNode* root, Visit visit)
{
    std::vector<const GumboNode*> pending{root};
    while (!pending.empty()) {
        const GumboNode* node = pending.back();
        pending.pop_back();
        visit(node);
        const GumboVector* children = nullptr;
        if (node->type == GUMBO_NODE_DOCUMENT)
            children = &node->v.document.children;
        else if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE)
            children = &node->v.element.children;
        for (unsigned i = children ? children->length : 0; i > 0; --i)
            pending.push_back(static_cast<const GumboNode*>(children->data[i - 1]));
    }
}

} // namespace

PageParse::PageParse(const char* text, qsizetype length) : text_(text), length_(length)
{
    std::vector<ByteSpan> likely = likelyNoscriptTexts(text, length);
    blank(likely);
    if (!likely.empty())
        settleNoscriptTexts(std::move(likely));
    else
        parseText();
}

PageParse::~PageParse()
{
    gumbo_destroy_output(&kGumboDefaultOptions, out_);
}

// Errors are recorded without a limit: once the limit is reached the tokenizer skips its
// clean-up after a duplicate attribute, and the dropped name is glued to the next one
// ("nowrap nowrap onload=x" would report "nowraponload" there).
void PageParse::parseText()
{
    if (out_)
        gumbo_destroy_output(&kGumboDefaultOptions, out_);
    out_ = gumbo_parse_with_options(&kGumboDefaultOptions, text(), size_t(length_));
}

const GumboElement* PageParse::body() const
{
    const GumboNode* root = out_->root;
    if (!root || root->type != GUMBO_NODE_ELEMENT)
        return nullptr;
    const GumboVector& children = root->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) {
        const auto* node = static_cast<const GumboNode*>(children.data[i]);
        if (node->type == GUMBO_NODE_ELEMENT && node->v.element.tag == GUMBO_TAG_BODY)
            return &node->v.element;
    }
    return nullptr;
}

std::vector<ByteSpan> PageParse::comments() const
{
    std::vector<ByteSpan> spans;
    walk(out_->document, [&](const GumboNode* node) {
        if (node->type != GUMBO_NODE_COMMENT)
            return;
        const GumboStringPiece& source = node->v.text.original_text;
        const qsizetype start = source.data - text();
        spans.push_back(ByteSpan{start, start + qsizetype(source.length)});
    });
    std::sort(spans.begin(), spans.end(),
              [](const ByteSpan& a, const ByteSpan& b) { return a.start < b.start; });
    return spans;
}

// The raw texts of the <noscript> elements of the current parse, in page order; one inside
// another's text is that text.
std::vector<ByteSpan> PageParse::noscriptTexts() const
{
    std::vector<ByteSpan> spans;
    walk(out_->document, [&](const GumboNode* node) {
        if (node->type != GUMBO_NODE_ELEMENT || node->v.element.tag != GUMBO_TAG_NOSCRIPT ||
            node->v.element.tag_namespace != GUMBO_NAMESPACE_HTML ||
            node->v.element.original_tag.length == 0)
            return;
        const GumboStringPiece& tag = node->v.element.original_tag;
        const qsizetype start = (tag.data - text()) + qsizetype(tag.length);
        spans.push_back(ByteSpan{start, rawTextEnd(text_, length_, start)});
    });
    std::sort(spans.begin(), spans.end(),
              [](const ByteSpan& a, const ByteSpan& b) { return a.start < b.start; });
    std::vector<ByteSpan> outer;
    for (const ByteSpan& s : spans) {
        if (outer.empty() || s.start >= outer.back().end)
            outer.push_back(s);
    }
    return outer;
}

void PageParse::blank(const std::vector<ByteSpan>& spans)
{
    if (spans.empty()) {
        blanked_.clear();
        return;
    }
    blanked_ = QByteArray(text_, length_);
    for (const ByteSpan& s : spans)
        std::fill(blanked_.begin() + s.start, blanked_.begin() + s.end, ' ');
}

// Blanking one raw text changes how everything after it parses, so the page is parsed again
// until the parse reports exactly the texts that were blanked. Each round keeps the texts up
// to the first one the two lists disagree on, which are those a browser reads, so the rounds
// end; most pages need one.
void PageParse::settleNoscriptTexts(std::vector<ByteSpan> blanked)
{
    const size_t rounds = 2 * blanked.size() + 2 * size_t(std::count(text_, text_ + length_, '<'));
    for (size_t round = 0;; ++round) {
        parseText();
        const std::vector<ByteSpan> found = noscriptTexts();
        if (found == blanked || round == rounds)
            return;
        const auto differ =
            std::mismatch(found.begin(), found.end(), blanked.begin(), blanked.end());
        const size_t i = size_t(differ.first - found.begin());
        if (i < found.size() && (i >= blanked.size() || found[i].start < blanked[i].start))
            blanked = found;
        else
            blanked.resize(i);
        blank(blanked);
    }
}

namespace {

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

std::vector<ByteSpan> pageComments(const char* text, qsizetype length)
{
    std::vector<ByteSpan> spans = PageParse(text, length).comments();
    // gumbo counts stray "</>" right before a comment into the comment's source text.
    for (ByteSpan& s : spans) {
        while (s.end - s.start > 3 && std::memcmp(text + s.start, "</>", 3) == 0)
            s.start += 3;
    }
    return spans;
}

exporting::QuirksMode quirksMode(const char* text, qsizetype length)
{
    // The parse that blanks <noscript> texts: gumbo leaks a DOCTYPE it reads inside one.
    const GumboQuirksModeEnum mode = PageParse(text, length).quirksMode();
    if (mode == GUMBO_DOCTYPE_QUIRKS)
        return exporting::QuirksMode::Quirks;
    if (mode == GUMBO_DOCTYPE_LIMITED_QUIRKS)
        return exporting::QuirksMode::LimitedQuirks;
    return exporting::QuirksMode::NoQuirks;
}

} // namespace gumboreference
