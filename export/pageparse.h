#pragma once

#include <QByteArray>
#include <vector>

namespace exporting {

// Whether `c` ends a tag name.
bool isTagNameEnd(char c);

// The next "<body" followed by a character that ends a tag name, from `from` on; -1 if none.
qsizetype findBodyCandidate(const QByteArray& page, qsizetype from);

// The name after "charset=" in a content-type value, as browsers read it; empty if none.
QByteArray charsetFromContentType(const QByteArray& content);

// A range of bytes, [start, end).
struct ByteSpan
{
    qsizetype start = 0;
    qsizetype end = 0;
    bool operator==(const ByteSpan& o) const { return start == o.start && end == o.end; }
};

// Every comment in the first `length` bytes of `text`, from its "<!--" through its "-->", in
// page order, as a browser with scripting on reads them: none inside the text of a <title>,
// <script>, <style>, <noscript> and the like.
std::vector<ByteSpan> pageComments(const char* text, qsizetype length);

} // namespace exporting
