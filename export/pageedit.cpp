#include "pageedit.h"

#include "bodytag.h"
#include "pagecharset.h"
#include "pageparse.h"

#include <algorithm>
#include <map>
#include <optional>

namespace exporting {

namespace {

const QString Unchanged = QStringLiteral(" La página no se ha modificado.");

PageEdit refused(PageProblem problem, const QString& message)
{
    PageEdit edit;
    edit.problem = problem;
    edit.message = message;
    return edit;
}

QByteArray marker(const char* kind, qint64 id)
{
    return QByteArrayLiteral("<!-- ") + kind + QByteArrayLiteral(" id=") + QByteArray::number(id) +
           QByteArrayLiteral(" -->");
}

using Kind = PageMarker::Kind;

struct MarkerForm
{
    Kind kind;
    const char* text;
};

const MarkerForm MarkerForms[] = {{Kind::HeadBegin, "Beginning of JavaScript"},
                                  {Kind::HeadEnd, "End of JavaScript"},
                                  {Kind::HtmlBegin, "Beginning of HTML JavaScript"},
                                  {Kind::HtmlEnd, "End of HTML JavaScript"}};

bool startsWith(const char* d, qsizetype n, qsizetype at, const char* text, qsizetype length)
{
    return n - at >= length && qstrnicmp(d + at, length, text, length) == 0;
}

// The marker whose text starts at `at`, in any letter case, whether or not it is a comment.
// The id is written as the program writes it, without leading zeros.
std::optional<PageMarker> markerTextAt(const char* d, qsizetype n, qsizetype at)
{
    if (!startsWith(d, n, at, "<!-- ", 5))
        return std::nullopt;
    for (const MarkerForm& form : MarkerForms) {
        const qsizetype k = qsizetype(qstrlen(form.text));
        qsizetype j = at + 5;
        if (!startsWith(d, n, j, form.text, k) || !startsWith(d, n, j + k, " id=", 4))
            continue;
        j += k + 4;
        const qsizetype digits = j;
        while (j < n && j - digits < 18 && d[j] >= '0' && d[j] <= '9')
            ++j;
        if (j == digits || d[digits] == '0' || !startsWith(d, n, j, " -->", 4))
            continue;
        return PageMarker{form.kind, QByteArray(d + digits, j - digits).toLongLong(), at, j + 4};
    }
    return std::nullopt;
}

bool isBegin(Kind kind)
{
    return kind == Kind::HeadBegin || kind == Kind::HtmlBegin;
}

Kind endOf(Kind begin)
{
    return begin == Kind::HeadBegin ? Kind::HeadEnd : Kind::HtmlEnd;
}

// The line end a block was written with: the one right after its begin marker.
QByteArray blockLineEnd(const QByteArray& w, qsizetype afterBegin)
{
    if (w.mid(afterBegin, 2) == "\r\n")
        return QByteArrayLiteral("\r\n");
    if (w.mid(afterBegin, 1) == "\n")
        return QByteArrayLiteral("\n");
    return {};
}

qsizetype lineEndBefore(const QByteArray& w, qsizetype pos, qsizetype floor, const QByteArray& le)
{
    const qsizetype from = pos - le.size();
    return !le.isEmpty() && from >= floor && w.mid(from, le.size()) == le ? from : pos;
}

qsizetype lineEndAfter(const QByteArray& w, qsizetype pos, const QByteArray& le)
{
    return !le.isEmpty() && w.mid(pos, le.size()) == le ? pos + le.size() : pos;
}

// Removes every block of the script between markers of the two kinds together with the
// line ends it was written with; none when a marker has no partner.
std::optional<QByteArray> removeBlocks(const QByteArray& w, const std::vector<PageMarker>& markers,
                                       Kind beginKind, qint64 id)
{
    std::vector<PageMarker> begins;
    std::vector<PageMarker> ends;
    for (const PageMarker& m : markers) {
        if (m.id == id && m.kind == beginKind)
            begins.push_back(m);
        else if (m.id == id && m.kind == endOf(beginKind))
            ends.push_back(m);
    }
    if (begins.empty() && ends.empty())
        return w;
    if (begins.size() != ends.size())
        return std::nullopt;
    QByteArray out;
    out.reserve(w.size());
    qsizetype pos = 0;
    for (size_t i = 0; i < begins.size(); ++i) {
        const PageMarker& b = begins[i];
        const PageMarker& e = ends[i];
        if (e.start < b.end || (i + 1 < begins.size() && begins[i + 1].start < e.start))
            return std::nullopt;
        const QByteArray le = blockLineEnd(w, b.end);
        const qsizetype cutFrom = lineEndBefore(w, b.start, pos, le);
        const qsizetype cutTo = lineEndAfter(w, e.end, le);
        out.append(w.constData() + pos, cutFrom - pos);
        pos = cutTo;
    }
    out.append(w.constData() + pos, w.size() - pos);
    return out;
}

// The line end of the first line end in w[from, to), if any.
std::optional<QByteArray> firstLineEnd(const QByteArray& w, qsizetype from, qsizetype to)
{
    const qsizetype i = w.indexOf('\n', from);
    if (i < 0 || i >= to)
        return std::nullopt;
    return i > from && w[i - 1] == '\r' ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
}

// The page's own line end, CR LF when it has none. The body start tag is left out: it is the
// one spot an export rewrites, so a line end inside it (in an onload it replaces, or in body
// text it wrote) would make the next export choose differently.
QByteArray pageLineEnd(const QByteArray& w, const BodyTag& tag)
{
    if (auto le = firstLineEnd(w, 0, tag.start))
        return *le;
    if (auto le = firstLineEnd(w, tag.end, w.size()))
        return *le;
    return QByteArrayLiteral("\r\n");
}

QString withLineEnds(QString text, const QByteArray& lineEnd)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (lineEnd != "\n")
        text.replace(QLatin1String("\n"), QString::fromLatin1(lineEnd));
    return text;
}

// The script's texts as they go into the page.
struct Pieces
{
    QByteArray headBlock;
    QByteArray body;
    QByteArray htmlBlock;
};

bool holdsMarker(const QString& text, qint64 id)
{
    for (const QByteArray& m :
         {headBeginMarker(id), headEndMarker(id), htmlBeginMarker(id), htmlEndMarker(id)}) {
        if (text.contains(QString::fromLatin1(m), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

std::optional<QByteArray> encodedBlock(const PageCharset& charset, const QString& text,
                                       const QByteArray& begin, const QByteArray& end,
                                       const QByteArray& lineEnd, const char* lead)
{
    if (text.isEmpty())
        return QByteArray();
    const std::optional<QByteArray> bytes = charset.encode(withLineEnds(text, lineEnd));
    if (!bytes)
        return std::nullopt;
    return lineEnd + begin + lineEnd + lead + *bytes + lineEnd + end + lineEnd;
}

std::optional<Pieces> encodePieces(const PageScript& script, const QString& body,
                                   const PageCharset& charset, const QByteArray& lineEnd)
{
    const qint64 id = script.id;
    const auto head =
        encodedBlock(charset, script.head, headBeginMarker(id), headEndMarker(id), lineEnd, "");
    const auto html =
        encodedBlock(charset, script.html, htmlBeginMarker(id), htmlEndMarker(id), lineEnd, " ");
    const auto bodyBytes = charset.encode(withLineEnds(body, lineEnd));
    if (!head || !html || !bodyBytes)
        return std::nullopt;
    return Pieces{*head, *bodyBytes, *html};
}

// Where the body text goes into the tag.
struct BodyEdit
{
    qsizetype from = 0;
    qsizetype to = 0;
    QByteArray text;
    QByteArray afterTag; // follows the HTML block
};

// Whether `next`, written right after the body text, leaves the text's last attribute as it is.
bool keepsApart(char next, const AttributeText& body)
{
    const bool space = next == ' ' || next == '\t' || next == '\n' || next == '\r' || next == '\f';
    return space || next == '>' || (next == '/' && !body.slashJoinsLastValue);
}

// Whether the tag already holds the body text, starting where one of its attributes starts.
bool holdsVerbatim(const QByteArray& w, const BodyTag& tag, const QByteArray& body,
                   const AttributeText& inspected)
{
    for (const TagAttribute& a : tag.attributes) {
        const qsizetype after = a.start + body.size();
        if (after < tag.end &&
            qstrncmp(w.constData() + a.start, body.constData(), body.size()) == 0 &&
            keepsApart(w[after], inspected))
            return true;
    }
    return false;
}

BodyEdit planBodyEdit(const QByteArray& w, const BodyTag& tag, const QByteArray& body,
                      const AttributeText& inspected)
{
    if (body.isEmpty() || holdsVerbatim(w, tag, body, inspected))
        return BodyEdit{tag.nameEnd, tag.nameEnd, {}, {}};
    if (inspected.hasOnload) {
        for (const TagAttribute& a : tag.attributes) {
            if (a.name != "onload")
                continue;
            // The page may have written the next attribute right after this one's quote;
            // the body text must not run into it.
            if (keepsApart(w[a.end], inspected))
                return BodyEdit{a.start, a.end, body, {}};
            return BodyEdit{a.start, a.end, body + ' ', {}};
        }
    }
    const QByteArray spliced = ' ' + body + ' ';
    if (w[tag.nameEnd] == '>')
        return BodyEdit{tag.nameEnd, tag.nameEnd, spliced, QByteArrayLiteral(" ")};
    return BodyEdit{tag.nameEnd, tag.nameEnd, spliced, {}};
}

QByteArray assemble(const QByteArray& w, const BodyTag& tag, const Pieces& pieces,
                    const BodyEdit& edit)
{
    QByteArray out;
    out.reserve(w.size() + pieces.headBlock.size() + pieces.htmlBlock.size() + edit.text.size() +
                4);
    out.append(w.constData(), tag.start);
    out.append(pieces.headBlock);
    out.append(w.constData() + tag.start, edit.from - tag.start);
    out.append(edit.text);
    out.append(w.constData() + edit.to, tag.end - edit.to);
    out.append(pieces.htmlBlock);
    out.append(edit.afterTag);
    out.append(w.constData() + tag.end, w.size() - tag.end);
    return out;
}

// A page and its marker comments.
struct MarkedPage
{
    QByteArray page;
    std::vector<PageMarker> markers;
};

// The page without the earlier blocks of the parts that are about to be written again.
std::optional<MarkedPage> withoutEarlierBlocks(const QByteArray& page, const PageScript& script)
{
    MarkedPage w{page, pageMarkers(page)};
    for (const auto& [text, kind] :
         {std::pair{&script.head, Kind::HeadBegin}, std::pair{&script.html, Kind::HtmlBegin}}) {
        if (text->isEmpty())
            continue;
        std::optional<QByteArray> cut = removeBlocks(w.page, w.markers, kind, script.id);
        if (!cut)
            return std::nullopt;
        // Cutting changes what follows the cut; the markers are read again.
        if (cut->size() != w.page.size())
            w = MarkedPage{*cut, pageMarkers(*cut)};
    }
    return w;
}

// Blanked with spaces, which no parser state turns into content: the offsets stay.
BodyTag bodyTagPassingBlocks(const QByteArray& page, const std::vector<PageMarker>& markers)
{
    QByteArray blanked;
    std::map<std::pair<Kind, qint64>, qsizetype> open;
    for (const PageMarker& m : markers) {
        if (isBegin(m.kind)) {
            open.emplace(std::make_pair(endOf(m.kind), m.id), m.start);
            continue;
        }
        const auto begin = open.find(std::make_pair(m.kind, m.id));
        if (begin == open.end())
            continue;
        if (blanked.isNull())
            blanked = page;
        std::fill(blanked.begin() + begin->second, blanked.begin() + m.end, ' ');
        open.erase(begin);
    }
    return locateBodyTag(blanked.isNull() ? page : blanked);
}

PageEdit refusedTag(BodyTag::Status status)
{
    if (status == BodyTag::Status::Missing)
        return refused(PageProblem::NoBodyTag, noBodyTagMessage());
    return refused(PageProblem::ImpliedBody,
                   noBodyTagMessage() +
                       QStringLiteral("\nHay contenido antes de la etiqueta <body>, que así ya "
                                      "no abre el cuerpo de la página.") +
                       Unchanged);
}

} // namespace

QByteArray headBeginMarker(qint64 id)
{
    return marker("Beginning of JavaScript", id);
}

QByteArray headEndMarker(qint64 id)
{
    return marker("End of JavaScript", id);
}

QByteArray htmlBeginMarker(qint64 id)
{
    return marker("Beginning of HTML JavaScript", id);
}

QByteArray htmlEndMarker(qint64 id)
{
    return marker("End of HTML JavaScript", id);
}

std::vector<PageMarker> pageMarkers(const QByteArray& page)
{
    // The tokenizer does not know the byte-order mark; it would read it as text.
    const qsizetype skip = page.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const char* d = page.constData();
    std::vector<PageMarker> written;
    for (qsizetype i = page.indexOf("<!--", skip); i >= 0; i = page.indexOf("<!--", i + 4)) {
        if (const std::optional<PageMarker> m = markerTextAt(d, page.size(), i))
            written.push_back(*m);
    }
    if (written.empty())
        return written;
    // Comments that end before the last marker parse as they do in the whole page.
    const std::vector<ByteSpan> comments = pageComments(d + skip, written.back().end - skip);
    std::vector<PageMarker> real;
    auto c = comments.begin();
    for (const PageMarker& m : written) {
        while (c != comments.end() && c->start + skip < m.start)
            ++c;
        if (c != comments.end() && c->start + skip == m.start && c->end + skip == m.end)
            real.push_back(m);
    }
    return real;
}

QList<qint64> markedScriptIds(const QByteArray& page)
{
    QList<qint64> ids;
    for (const PageMarker& m : pageMarkers(page))
        ids.append(m.id);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

BodyTag locatePageBodyTag(const QByteArray& page)
{
    return bodyTagPassingBlocks(page, pageMarkers(page));
}

QString noBodyTagMessage()
{
    return QStringLiteral("no es un fichero html valido");
}

bool writesMarkers(const PageScript& script)
{
    return !script.head.isEmpty() || !script.html.isEmpty();
}

QByteArray newPageBytes()
{
    // The page is written in UTF-8 and says so: a browser that does not guess would read its
    // accents in its own default encoding.
    return QByteArrayLiteral("<html><head><meta charset=\"utf-8\"><title></title></head>\r\n"
                             "<body></body>\r\n</html>\r\n");
}

PageEdit editPage(const QByteArray& page, const PageScript& script)
{
    if (hasUtf16ByteOrderMark(page))
        return refused(PageProblem::Utf16Page,
                       QStringLiteral("La página está escrita en UTF-16; sólo se puede exportar a "
                                      "páginas en UTF-8 o en codificaciones de un byte.") +
                           Unchanged);
    const QString body = script.body.trimmed();
    if (holdsMarker(script.head, script.id) || holdsMarker(script.html, script.id) ||
        holdsMarker(body, script.id))
        return refused(PageProblem::MarkerInScript,
                       QStringLiteral("El código del script contiene sus propias marcas de "
                                      "comentario y no se puede exportar.") +
                           Unchanged);
    const std::optional<MarkedPage> marked = withoutEarlierBlocks(page, script);
    if (!marked)
        return refused(PageProblem::UnpairedMarker,
                       QStringLiteral("La página tiene una marca de comienzo del script %1 sin su "
                                      "marca de fin, o una de fin sin la de comienzo. Corríjala "
                                      "antes de exportar.")
                               .arg(script.id) +
                           Unchanged);
    const QByteArray& w = marked->page;
    const BodyTag tag = bodyTagPassingBlocks(w, marked->markers);
    if (tag.status != BodyTag::Status::Found)
        return refusedTag(tag.status);
    const PageCharset charset = PageCharset::of(w, tag.declaredCharset);
    if (!charset.usable())
        return refused(PageProblem::UnusableCharset, charset.problem() + Unchanged);
    const std::optional<Pieces> pieces = encodePieces(script, body, charset, pageLineEnd(w, tag));
    if (!pieces)
        return refused(PageProblem::Unencodable,
                       QStringLiteral("El script contiene caracteres que no se pueden escribir en "
                                      "la codificación de la página (%1).")
                               .arg(QString::fromLatin1(charset.name())) +
                           Unchanged);
    const AttributeText attributes = inspectAttributeText(body.toUtf8());
    if (!body.isEmpty() && !attributes.wellFormed)
        return refused(PageProblem::BadBodyText,
                       QStringLiteral("El texto de «Script Body» no es una lista de atributos "
                                      "válida para la etiqueta <body>.") +
                           Unchanged);
    PageEdit edit;
    edit.page = assemble(w, tag, *pieces, planBodyEdit(w, tag, pieces->body, attributes));
    return edit;
}

} // namespace exporting
