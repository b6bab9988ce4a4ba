#include "pageparse.h"

#include <algorithm>
#include <cstring>

namespace exporting {

bool isTagNameEnd(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '/' || c == '>';
}

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

} // namespace exporting
