#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

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
    Unencodable,    // a character the page's charset cannot hold
    BadBodyText,    // the body text is not attribute text
    MarkerInScript, // the script's own text holds one of its markers
    ScriptUnusable, // the script could not be read from the library for the export
    NotMarked,      // the page holds no marker of the scripts it was to be updated for
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

// A page for a file that does not exist yet.
QByteArray newPageBytes();

// The marker comments of a script.
QByteArray headBeginMarker(qint64 id);
QByteArray headEndMarker(qint64 id);
QByteArray htmlBeginMarker(qint64 id);
QByteArray htmlEndMarker(qint64 id);

// The ids of the scripts whose markers the page holds, in ascending order: every id for which
// the export itself would find a begin or end marker of a head or HTML block.
QList<qint64> markedScriptIds(const QByteArray& page);

// The message for a page without a body start tag.
QString noBodyTagMessage();

} // namespace exporting
