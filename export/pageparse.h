#pragma once

#include <QByteArray>
#include <gumbo.h>
#include <vector>

namespace exporting {

// Whether `c` ends a tag name.
bool isTagNameEnd(char c);

// A range of bytes, [start, end).
struct ByteSpan
{
    qsizetype start = 0;
    qsizetype end = 0;
    bool operator==(const ByteSpan& o) const { return start == o.start && end == o.end; }
};

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

} // namespace exporting
