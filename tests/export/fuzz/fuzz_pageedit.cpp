// Any bytes as a page: the edit never crashes, and when it accepts the page the result keeps
// every byte of it outside the inserted pieces, still has its body tag, and is a fixed point.

#include "export/bodytag.h"
#include "export/pageedit.h"

#include <QList>
#include <cstdint>
#include <cstdlib>

using namespace exporting;

namespace {

const qint64 Id = 42;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// The first line end of the page outside its body start tag; CR LF when there is none.
QByteArray lineEndOf(const QByteArray& page)
{
    const BodyTag tag = locatePageBodyTag(page);
    for (qsizetype i = page.indexOf('\n'); i >= 0; i = page.indexOf('\n', i + 1)) {
        if (i >= tag.start && i < tag.end)
            continue;
        return i > 0 && page[i - 1] == '\r' ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
    }
    return QByteArrayLiteral("\r\n");
}

bool removeOnce(QByteArray& text, const QByteArray& piece)
{
    const qsizetype at = text.indexOf(piece);
    if (at < 0)
        return false;
    text.remove(at, piece.size());
    return true;
}

void checkInsertion(const QByteArray& page)
{
    const PageScript script{Id, QStringLiteral("<script>k()</script>"),
                            QStringLiteral("data-k=\"1\""), QStringLiteral("<p>k</p>")};
    const PageEdit edit = editPage(page, script);
    if (!edit.ok()) {
        require(edit.page.isEmpty() && !edit.message.isEmpty());
        return;
    }
    require(editPage(edit.page, script).page == edit.page);
    require(locatePageBodyTag(edit.page).status == BodyTag::Status::Found);
    if (page.toLower().contains("id=42 -->") || page.contains("data-k=\"1\""))
        return;
    const QByteArray le = lineEndOf(page);
    QByteArray rest = edit.page;
    require(removeOnce(rest, le + headBeginMarker(Id) + le + "<script>k()</script>" + le +
                                 headEndMarker(Id) + le));
    require(removeOnce(rest,
                       le + htmlBeginMarker(Id) + le + " <p>k</p>" + le + htmlEndMarker(Id) + le));
    const qsizetype at = rest.indexOf(" data-k=\"1\" ");
    require(at >= 0);
    const bool closed = rest.mid(at + 12, 2) == "> ";
    rest.remove(at, 12);
    if (closed)
        rest.remove(at + 1, 1);
    require(rest == page);
}

QList<QByteArray> attributeNames(const QByteArray& page)
{
    QList<QByteArray> names;
    for (const TagAttribute& a : locatePageBodyTag(page).attributes)
        names.append(a.name);
    return names;
}

// A body text with an onload replaces the tag's onload and leaves its other attributes whole.
void checkOnload(const QByteArray& page, const QString& body)
{
    const PageScript script{7, {}, body, QStringLiteral("x")};
    const PageEdit edit = editPage(page, script);
    if (!edit.ok())
        return;
    require(editPage(edit.page, script).page == edit.page);
    if (page.toLower().contains("id=7 -->"))
        return;
    const QList<QByteArray> after = attributeNames(edit.page);
    require(after.contains("onload"));
    for (const QByteArray& name : attributeNames(page))
        require(after.contains(name));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const QByteArray page(reinterpret_cast<const char*>(data), qsizetype(size));
    checkInsertion(page);
    checkOnload(page, QStringLiteral("onload=\"go()\""));
    checkOnload(page, QStringLiteral("onload=go() data-u=1"));
    return 0;
}
