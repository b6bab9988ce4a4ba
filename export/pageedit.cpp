#include "pageedit.h"

#include "bodytag.h"
#include "pagecharset.h"

#include <QSet>
#include <algorithm>
#include <optional>
#include <string_view>

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

// Markers are compared without regard to letter case; every one starts with "<!--".
qsizetype findMarker(const QByteArray& page, const QByteArray& marker, qsizetype from)
{
    const qsizetype m = marker.size();
    const char* data = page.constData();
    const std::string_view text(data, size_t(page.size()));
    for (qsizetype i = from; i >= 0 && i < page.size();) {
        const size_t hit = text.find("<!--", size_t(i));
        if (hit == std::string_view::npos)
            return -1;
        i = qsizetype(hit);
        if (page.size() - i < m)
            return -1;
        if (qstrnicmp(data + i, m, marker.constData(), m) == 0)
            return i;
        i += 4;
    }
    return -1;
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

// Removes every block between `begin` and `end` together with the line ends it was written
// with; none when a marker has no partner.
std::optional<QByteArray> removeBlocks(const QByteArray& w, const QByteArray& begin,
                                       const QByteArray& end)
{
    qsizetype b = findMarker(w, begin, 0);
    qsizetype e = findMarker(w, end, 0);
    if (b < 0 && e < 0)
        return w;
    QByteArray out;
    out.reserve(w.size());
    qsizetype pos = 0;
    while (b >= 0 || e >= 0) {
        if (b < 0 || e < b)
            return std::nullopt;
        const qsizetype nextBegin = findMarker(w, begin, b + begin.size());
        if (nextBegin >= 0 && nextBegin < e)
            return std::nullopt;
        const QByteArray le = blockLineEnd(w, b + begin.size());
        const qsizetype cutFrom = lineEndBefore(w, b, pos, le);
        const qsizetype cutTo = lineEndAfter(w, e + end.size(), le);
        out.append(w.constData() + pos, cutFrom - pos);
        pos = cutTo;
        b = nextBegin;
        e = findMarker(w, end, e + end.size());
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

// The page without the earlier blocks of the parts that are about to be written again.
std::optional<QByteArray> withoutEarlierBlocks(const QByteArray& page, const PageScript& script)
{
    std::optional<QByteArray> w = page;
    if (!script.head.isEmpty())
        w = removeBlocks(*w, headBeginMarker(script.id), headEndMarker(script.id));
    if (w && !script.html.isEmpty())
        w = removeBlocks(*w, htmlBeginMarker(script.id), htmlEndMarker(script.id));
    return w;
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

namespace {

// The text of a marker up to its id: the marker of id 0 without "0 -->".
QByteArray markerLead(QByteArray (*marker)(qint64))
{
    QByteArray lead = marker(0);
    lead.chop(5);
    return lead;
}

// The id written in a marker of any kind that starts at `at`, if one does.
std::optional<qint64> markerIdAt(const QByteArray& page, qsizetype at)
{
    static const QByteArray leads[] = {markerLead(headBeginMarker), markerLead(headEndMarker),
                                       markerLead(htmlBeginMarker), markerLead(htmlEndMarker)};
    for (const QByteArray& lead : leads) {
        if (page.size() - at < lead.size() ||
            qstrnicmp(page.constData() + at, lead.size(), lead.constData(), lead.size()) != 0)
            continue;
        const qsizetype digits = at + lead.size();
        qsizetype end = digits;
        while (end < page.size() && end - digits < 18 && page[end] >= '0' && page[end] <= '9')
            ++end;
        bool isNumber = false;
        const qint64 id = page.mid(digits, end - digits).toLongLong(&isNumber);
        if (isNumber && id > 0)
            return id;
    }
    return std::nullopt;
}

} // namespace

QList<qint64> markedScriptIds(const QByteArray& page)
{
    // Candidates come from a quick look at every comment; each is kept only when the export's
    // own marker search finds one of its markers, so both agree on what counts as a marker.
    QSet<qint64> candidates;
    for (qsizetype at = findMarker(page, QByteArrayLiteral("<!--"), 0); at >= 0;
         at = findMarker(page, QByteArrayLiteral("<!--"), at + 4)) {
        if (const std::optional<qint64> id = markerIdAt(page, at))
            candidates.insert(*id);
    }
    QList<qint64> ids;
    for (const qint64 id : candidates) {
        for (const QByteArray& m :
             {headBeginMarker(id), headEndMarker(id), htmlBeginMarker(id), htmlEndMarker(id)}) {
            if (findMarker(page, m, 0) >= 0) {
                ids.append(id);
                break;
            }
        }
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

QString noBodyTagMessage()
{
    return QStringLiteral("no es un fichero html valido");
}

QByteArray newPageBytes()
{
    return QByteArrayLiteral("<html><head><title></title></head>\r\n<body></body>\r\n</html>\r\n");
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
    const std::optional<QByteArray> w = withoutEarlierBlocks(page, script);
    if (!w)
        return refused(PageProblem::UnpairedMarker,
                       QStringLiteral("La página tiene una marca de comienzo del script %1 sin su "
                                      "marca de fin, o una de fin sin la de comienzo. Corríjala "
                                      "antes de exportar.")
                               .arg(script.id) +
                           Unchanged);
    const BodyTag tag = locateBodyTag(*w);
    if (tag.status != BodyTag::Status::Found)
        return refusedTag(tag.status);
    const PageCharset charset = PageCharset::of(*w, tag.declaredCharset);
    if (!charset.usable())
        return refused(PageProblem::UnusableCharset, charset.problem() + Unchanged);
    const std::optional<Pieces> pieces = encodePieces(script, body, charset, pageLineEnd(*w, tag));
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
    edit.page = assemble(*w, tag, *pieces, planBodyEdit(*w, tag, pieces->body, attributes));
    return edit;
}

} // namespace exporting
