#pragma once

#include <QByteArray>
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

// Every comment in the first `length` bytes of `text`, from its "<!--" through its "-->", in
// page order, as a browser with scripting on reads them: none inside the text of a <title>,
// <script>, <style>, <noscript> and the like.
std::vector<ByteSpan> pageComments(const char* text, qsizetype length);

} // namespace exporting
