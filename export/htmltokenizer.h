#pragma once

#include <QByteArray>
#include <initializer_list>
#include <vector>

namespace exporting {

// One attribute of a tag, as byte offsets into the page.
struct ScannedAttribute
{
    QByteArray name;         // lower case, as the tokenizer reports it
    qsizetype start = 0;     // first byte of the name
    qsizetype end = 0;       // one past the value as written (quotes included), or the name
    qsizetype valueFrom = 0; // the value's bytes, quotes excluded
    qsizetype valueTo = 0;
};

struct ScannedTag
{
    QByteArray name; // lower case
    qsizetype start = 0;
    qsizetype end = 0; // one past the ">"
    bool selfClosing = false;
    std::vector<ScannedAttribute> attributes; // the first of each name; later ones are dropped
    const ScannedAttribute* attribute(const char* name) const;
};

// The HTML tokenizer over a page's bytes, for the states that decide where tokens begin and
// end. Text is not decoded; whether it is only white space is. The tree construction above
// it switches the text model after a start tag, as a browser's does.
class HtmlTokenizer
{
public:
    enum class Kind {
        Text,        // characters in the data state
        ElementText, // the text of a raw text, RCDATA, script or plaintext element
        StartTag,
        EndTag,
        Comment, // also the bogus ones: "<?...>", "</ ...>", "<!...>"
        Doctype,
        EndOfPage
    };
    struct Token
    {
        Kind kind = Kind::EndOfPage;
        qsizetype start = 0;
        qsizetype end = 0;
        bool blank = false;   // Text only: nothing but white space once references are read
        bool visible = false; // Text only: a character other than white space and NUL
    };
    enum class TextModel { Data, Rcdata, Rawtext, ScriptData, Plaintext };

    HtmlTokenizer(const char* text, qsizetype length);
    Token next();
    const char* text() const { return d_; }
    // The tag of the last StartTag or EndTag token.
    const ScannedTag& tag() const { return tag_; }
    // After a start tag: how the text up to its end tag reads.
    void setTextModel(TextModel model);
    // Whether "<![CDATA[" opens a CDATA section (inside SVG or MathML content).
    void setCdataAllowed(bool allowed) { cdataAllowed_ = allowed; }

private:
    Token data();
    Token elementText();
    qsizetype scriptTextEnd(qsizetype from) const;
    bool isEndTagOf(qsizetype at) const;
    qsizetype parseTag(qsizetype at, bool endTag);
    qsizetype commentEnd(qsizetype from) const;
    qsizetype whitespaceReference(qsizetype at) const;

    const char* d_;
    qsizetype n_;
    qsizetype pos_ = 0;
    TextModel model_ = TextModel::Data;
    QByteArray endName_; // the element whose end tag ends the current element text
    bool cdataAllowed_ = false;
    ScannedTag tag_;
};

// Whether a tag's name is one of `names`.
bool isOneOf(const QByteArray& name, std::initializer_list<const char*> names);

// An attribute's value as the tokenizer decodes it: character references read, line ends
// as line feeds, NUL as U+FFFD.
QByteArray attributeValue(const char* text, const ScannedAttribute& attribute);

} // namespace exporting
