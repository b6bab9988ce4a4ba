#pragma once

#include "bodytag.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <vector>

namespace exporting {

// What of a script goes into a page. Empty texts are left out, and an earlier block of an
// empty text stays where it is.
struct PageScript
{
    qint64 id = 0;
    QString head; // block before the body start tag
    QString body; // attribute text inside the body start tag
    QString html; // block at the start of the body
};

enum class PageProblem {
    None,
    NoBodyTag,      // nothing the browser reads as a body start tag
    ImpliedBody,    // content before the tag already opened the body
    UnpairedMarker, // a begin marker without its end marker, or the reverse
    Utf16Page,
    UnusableCharset,
    Unencodable,      // a character the page's charset cannot hold
    BadBodyText,      // the body text is not attribute text
    MarkerInScript,   // the script's own text holds one of its markers
    ScriptUnusable,   // the script could not be read from the library for the export
    NotMarked,        // the page holds no marker of the scripts it was to be updated for
    ChangedMeanwhile, // another program saved the page while it was being edited, twice
};

struct PageEdit
{
    PageProblem problem = PageProblem::None;
    QByteArray page; // the edited page when there is no problem
    QString message; // Spanish, for the user, when there is one
    bool ok() const { return problem == PageProblem::None; }
};

// Writes the script into the page's bytes. Every byte outside the spots it edits stays as it
// was, and editing the result again with the same script gives the same bytes.
PageEdit editPage(const QByteArray& page, const PageScript& script);

// Whether the script leaves its markers in a page: only a head code or an HTML fragment does.
// A page that holds only a script's body text cannot be told from one that never held it.
bool writesMarkers(const PageScript& script);

// A page for a file that does not exist yet; it declares its encoding, UTF-8.
QByteArray newPageBytes();

// The marker comments of a script.
QByteArray headBeginMarker(qint64 id);
QByteArray headEndMarker(qint64 id);
QByteArray htmlBeginMarker(qint64 id);
QByteArray htmlEndMarker(qint64 id);

// One of the program's marker comments in a page.
struct PageMarker
{
    enum class Kind { HeadBegin, HeadEnd, HtmlBegin, HtmlEnd };
    Kind kind = Kind::HeadBegin;
    qint64 id = 0;
    qsizetype start = 0; // the "<" of "<!--"
    qsizetype end = 0;   // one past "-->"
};

// Every marker comment of the page, of any script, in page order. Text that reads as a marker
// counts only where it is a real comment of the page, as a browser with scripting on reads
// it: never inside a script, a style, an attribute value, a <noscript> or another comment.
std::vector<PageMarker> pageMarkers(const QByteArray& page);

// The ids of the scripts whose markers the page holds, ascending, each once.
QList<qint64> markedScriptIds(const QByteArray& page);

// The body start tag as the export finds it: the blocks between the program's own markers,
// whatever their id, are passed over, so what an export wrote never hides the tag.
BodyTag locatePageBodyTag(const QByteArray& page);

// The message for a page without a body start tag.
QString noBodyTagMessage();

} // namespace exporting
