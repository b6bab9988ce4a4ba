#pragma once

#include <QByteArray>
#include <vector>

namespace exporting {

// One attribute of the body start tag, as byte offsets into the page.
struct TagAttribute
{
    QByteArray name;     // lower case, as the tokenizer reports it
    qsizetype start = 0; // first byte of the name
    qsizetype end = 0;   // one past the last byte of the value (or of the name)
};

// Where the page's real <body ...> start tag lies.
struct BodyTag
{
    enum class Status { Found, Missing, Implied };
    Status status = Status::Missing;
    qsizetype start = 0;                  // the "<"
    qsizetype nameEnd = 0;                // one past "body"
    qsizetype end = 0;                    // one past the closing ">"
    std::vector<TagAttribute> attributes; // only those written inside this tag
    // The character set named by a <meta> before the tag, lower case; empty when none.
    QByteArray declaredCharset;
};

// Finds the start tag that opens the page's body element, as a browser with scripting on
// reads the page. Missing when the page has no body start tag at all; Implied when content
// before it already opened the body, so the tag only adds its attributes to it (a later tag
// without attributes reads as Missing). Only the part of the page up to the tag is tokenized.
BodyTag locateBodyTag(const QByteArray& page);

// Whether `attributes` (text written inside a start tag) is a well-formed list of
// attributes, and whether it carries an onload attribute.
struct AttributeText
{
    bool wellFormed = false;
    bool hasOnload = false;
    // Whether a "/" written right after the text would become part of its last value.
    bool slashJoinsLastValue = false;
};
AttributeText inspectAttributeText(const QByteArray& attributes);

} // namespace exporting
