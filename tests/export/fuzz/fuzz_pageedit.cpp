// Any bytes as a page: the edit never crashes, and when it accepts the page the result keeps
// every byte of it outside the inserted pieces, still has its body tag, and is a fixed point.

#include "export/bodytag.h"
#include "export/pageedit.h"

#include <cstdint>
#include <cstdlib>

using namespace exporting;

namespace {

// The first line end of the page outside its body start tag; CR LF when there is none.
QByteArray lineEndOf(const QByteArray& page)
{
    const BodyTag tag = locatePageBodyTag(page);
    for (qsizetype i = page.indexOf('\n'); i >= 0; i = page.indexOf('\n', i + 1)) {
        if (i < tag.start || i >= tag.end)
            return i > 0 && page[i - 1] == '\r' ? QByteArray("\r\n") : QByteArray("\n");
    }
    return QByteArray("\r\n");
}

// The edit refuses with a message and no bytes; or it keeps every byte of the page outside
// its three insertions, the result still has its body tag, and editing it again changes
// nothing.
bool insertionHolds(const QByteArray& page)
{
    const PageScript script{42, QStringLiteral("<script>k()</script>"),
                            QStringLiteral("data-k=\"1\""), QStringLiteral("<p>k</p>")};
    const PageEdit edit = editPage(page, script);
    if (!edit.ok())
        return edit.page.isEmpty() && !edit.message.isEmpty();
    if (editPage(edit.page, script).page != edit.page ||
        locatePageBodyTag(edit.page).status != BodyTag::Status::Found)
        return false;
    if (page.toLower().contains("id=42 -->") || page.contains("data-k=\"1\""))
        return true;
    const QByteArray le = lineEndOf(page);
    QByteArray rest = edit.page;
    for (const QByteArray& block :
         {le + headBeginMarker(42) + le + "<script>k()</script>" + le + headEndMarker(42) + le,
          le + htmlBeginMarker(42) + le + " <p>k</p>" + le + htmlEndMarker(42) + le}) {
        if (!rest.contains(block))
            return false;
        rest.remove(rest.indexOf(block), block.size());
    }
    const qsizetype at = rest.indexOf(" data-k=\"1\" ");
    // A bare "<body>" also gets a space after its ">".
    const bool bare = at >= 0 && rest.mid(at + 12, 2) == "> ";
    return at >= 0 && rest.remove(at, 12).remove(at + 1, bare ? 1 : 0) == page;
}

// A body text with an onload replaces the tag's onload and keeps its other attributes.
bool onloadHolds(const QByteArray& page, const QString& body)
{
    const PageScript script{7, {}, body, QStringLiteral("x")};
    const PageEdit edit = editPage(page, script);
    if (!edit.ok())
        return true;
    if (editPage(edit.page, script).page != edit.page)
        return false;
    if (page.toLower().contains("id=7 -->"))
        return true;
    QList<QByteArray> after;
    for (const TagAttribute& a : locatePageBodyTag(edit.page).attributes)
        after.append(a.name);
    for (const TagAttribute& a : locatePageBodyTag(page).attributes) {
        if (!after.contains(a.name))
            return false;
    }
    return after.contains("onload");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const QByteArray page(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!insertionHolds(page) || !onloadHolds(page, QStringLiteral("onload=\"go()\"")) ||
        !onloadHolds(page, QStringLiteral("onload=go() data-u=1")))
        std::abort();
    return 0;
}
