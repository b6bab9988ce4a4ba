#include "quirksmode.h"

#include "htmltokenizer.h"

namespace exporting {

namespace {

// The page reading must agree with gumbo, which matches these identifiers otherwise than the
// standard: the lists below, which the standard matches as prefixes, match only whole
// identifiers (so "-//W3C//DTD HTML 4.01 Transitional//EN" sets no quirks); the three whole
// identifiers and the system identifier further down match only in their own case; and its
// copy of the SoftQuad 6.0 identifier carries a stray ")".
const char* const QuirksPublicIds[] = {
    "+//Silmaril//dtd html Pro v0r11 19970101//",
    "-//AdvaSoft Ltd//DTD HTML 3.0 asWedit + extensions//",
    "-//AS//DTD HTML 3.0 asWedit + extensions//",
    "-//IETF//DTD HTML 2.0 Level 1//",
    "-//IETF//DTD HTML 2.0 Level 2//",
    "-//IETF//DTD HTML 2.0 Strict Level 1//",
    "-//IETF//DTD HTML 2.0 Strict Level 2//",
    "-//IETF//DTD HTML 2.0 Strict//",
    "-//IETF//DTD HTML 2.0//",
    "-//IETF//DTD HTML 2.1E//",
    "-//IETF//DTD HTML 3.0//",
    "-//IETF//DTD HTML 3.2 Final//",
    "-//IETF//DTD HTML 3.2//",
    "-//IETF//DTD HTML 3//",
    "-//IETF//DTD HTML Level 0//",
    "-//IETF//DTD HTML Level 1//",
    "-//IETF//DTD HTML Level 2//",
    "-//IETF//DTD HTML Level 3//",
    "-//IETF//DTD HTML Strict Level 0//",
    "-//IETF//DTD HTML Strict Level 1//",
    "-//IETF//DTD HTML Strict Level 2//",
    "-//IETF//DTD HTML Strict Level 3//",
    "-//IETF//DTD HTML Strict//",
    "-//IETF//DTD HTML//",
    "-//Metrius//DTD Metrius Presentational//",
    "-//Microsoft//DTD Internet Explorer 2.0 HTML Strict//",
    "-//Microsoft//DTD Internet Explorer 2.0 HTML//",
    "-//Microsoft//DTD Internet Explorer 2.0 Tables//",
    "-//Microsoft//DTD Internet Explorer 3.0 HTML Strict//",
    "-//Microsoft//DTD Internet Explorer 3.0 HTML//",
    "-//Microsoft//DTD Internet Explorer 3.0 Tables//",
    "-//Netscape Comm. Corp.//DTD HTML//",
    "-//Netscape Comm. Corp.//DTD Strict HTML//",
    "-//O'Reilly and Associates//DTD HTML 2.0//",
    "-//O'Reilly and Associates//DTD HTML Extended 1.0//",
    "-//O'Reilly and Associates//DTD HTML Extended Relaxed 1.0//",
    "-//SoftQuad Software//DTD HoTMetaL PRO 6.0::19990601::)extensions to HTML 4.0//",
    "-//SoftQuad//DTD HoTMetaL PRO 4.0::19971010::extensions to HTML 4.0//",
    "-//Spyglass//DTD HTML 2.0 Extended//",
    "-//SQ//DTD HTML 2.0 HoTMetaL + extensions//",
    "-//Sun Microsystems Corp.//DTD HotJava HTML//",
    "-//Sun Microsystems Corp.//DTD HotJava Strict HTML//",
    "-//W3C//DTD HTML 3 1995-03-24//",
    "-//W3C//DTD HTML 3.2 Draft//",
    "-//W3C//DTD HTML 3.2 Final//",
    "-//W3C//DTD HTML 3.2//",
    "-//W3C//DTD HTML 3.2S Draft//",
    "-//W3C//DTD HTML 4.0 Frameset//",
    "-//W3C//DTD HTML 4.0 Transitional//",
    "-//W3C//DTD HTML Experimental 19960712//",
    "-//W3C//DTD HTML Experimental 970421//",
    "-//W3C//DTD W3 HTML//",
    "-//W3O//DTD W3 HTML 3.0//",
    "-//WebTechs//DTD Mozilla HTML 2.0//",
    "-//WebTechs//DTD Mozilla HTML//",
};

// Quirks without a system identifier, limited quirks with one.
const char* const Html401PublicIds[] = {"-//W3C//DTD HTML 4.01 Frameset//",
                                        "-//W3C//DTD HTML 4.01 Transitional//"};

const char* const LimitedQuirksPublicIds[] = {"-//W3C//DTD XHTML 1.0 Frameset//",
                                              "-//W3C//DTD XHTML 1.0 Transitional//"};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

bool sameNoCase(const QByteArray& a, const char* b)
{
    qsizetype i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

template <size_t N> bool anyNoCase(const QByteArray& id, const char* const (&list)[N])
{
    for (const char* entry : list) {
        if (sameNoCase(id, entry))
            return true;
    }
    return false;
}

// What the tokenizer takes from a DOCTYPE token, as gumbo's does. Its states differ from the
// standard's only in ways that leave these fields as the standard's states would.
struct Doctype
{
    QByteArray name; // as written; its case does not count
    QByteArray publicId;
    QByteArray systemId;
    bool hasSystemId = false;
    bool forceQuirks = true; // until the token reads to a proper end
};

class DoctypeReader
{
public:
    DoctypeReader(const char* token, qsizetype length)
        : d_(token), closed_(length > 0 && token[length - 1] == '>'),
          end_(closed_ ? length - 1 : length), i_(qMin<qsizetype>(9, end_)) // past "<!DOCTYPE"
    {
    }

    Doctype read()
    {
        Doctype t;
        skipSpace();
        const qsizetype nameStart = i_;
        while (i_ < end_ && !isSpace(d_[i_]))
            ++i_;
        if (i_ == nameStart)
            return t;
        t.name = QByteArray(d_ + nameStart, i_ - nameStart);
        skipSpace();
        if (i_ == end_) {
            t.forceQuirks = !closed_; // the page ends in the DOCTYPE
            return t;
        }
        const QByteArray keyword = QByteArray(d_ + i_, qMin<qsizetype>(6, end_ - i_)).toLower();
        i_ += keyword.size();
        if (keyword == "public") {
            if (!quoted(&t.publicId))
                return t;
            if (i_ == end_) {
                t.forceQuirks = !closed_;
                return t;
            }
        } else if (keyword != "system") {
            return t;
        }
        if (!quoted(&t.systemId))
            return t;
        t.hasSystemId = true;
        // Anything after the system identifier is dropped without forcing quirks.
        t.forceQuirks = i_ == end_ && !closed_;
        return t;
    }

private:
    void skipSpace()
    {
        while (i_ < end_ && isSpace(d_[i_]))
            ++i_;
    }

    // A quoted identifier after optional white space, and the white space after it; false
    // when none, or when the ">" or the page's end comes before its closing quote.
    bool quoted(QByteArray* id)
    {
        skipSpace();
        if (i_ == end_ || (d_[i_] != '"' && d_[i_] != '\''))
            return false;
        const char quote = d_[i_];
        const qsizetype from = ++i_;
        while (i_ < end_ && d_[i_] != quote)
            ++i_;
        if (i_ == end_)
            return false;
        *id = QByteArray(d_ + from, i_ - from);
        ++i_;
        skipSpace();
        return true;
    }

    const char* d_;
    bool closed_;
    qsizetype end_;
    qsizetype i_;
};

} // namespace

QuirksMode doctypeQuirksMode(const char* token, qsizetype length)
{
    const Doctype t = DoctypeReader(token, length).read();
    if (t.forceQuirks || !sameNoCase(t.name, "html") || anyNoCase(t.publicId, QuirksPublicIds) ||
        t.publicId == "-//W3O//DTD W3 HTML Strict 3.0//EN//" ||
        t.publicId == "-/W3C/DTD HTML 4.0 Transitional/EN" || t.publicId == "HTML" ||
        t.systemId == "http://www.ibm.com/data/dtd/v11/ibmxhtml1-transitional.dtd" ||
        (!t.hasSystemId && anyNoCase(t.publicId, Html401PublicIds)))
        return QuirksMode::Quirks;
    if (anyNoCase(t.publicId, LimitedQuirksPublicIds) || anyNoCase(t.publicId, Html401PublicIds))
        return QuirksMode::LimitedQuirks;
    return QuirksMode::NoQuirks;
}

QuirksMode documentQuirksMode(const char* text, qsizetype length)
{
    HtmlTokenizer tokenizer(text, length);
    for (;;) {
        const HtmlTokenizer::Token token = tokenizer.next();
        if (token.kind == HtmlTokenizer::Kind::Doctype)
            return doctypeQuirksMode(text + token.start, token.end - token.start);
        if (token.kind != HtmlTokenizer::Kind::Comment &&
            !(token.kind == HtmlTokenizer::Kind::Text && token.blank))
            return QuirksMode::Quirks;
    }
}

} // namespace exporting
