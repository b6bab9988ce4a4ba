// Any bytes as a page: the page reading gives gumbo's answer for the quirks mode, the body tag,
// its attributes, the declared character set and the comments before the tag, or the target
// stops. Past the point where the body opens, gumbo departs from browsers (an end tag of one
// unknown element closes another), so the Implied/Missing distinction and later comments are
// left to the html5lib corpus test.

#include "export/bodytag.h"
#include "export/pageparse.h"
#include "export/quirksmode.h"
#include "tests/export/reference/gumboreference.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace exporting;

namespace {

// gumbo ends an attribute whose unquoted value is one character reference ("onload=&amp")
// with its name, and an edit of it would leave "=&amp" behind; the code keeps the value.
bool loneReferenceCut(const QByteArray& page, const TagAttribute& mine, const TagAttribute& theirs)
{
    if (theirs.end >= mine.end)
        return false;
    const QByteArray rest = page.mid(theirs.end, mine.end - theirs.end).trimmed();
    return rest.startsWith('=') && rest.mid(1).trimmed().startsWith('&');
}

bool sameTag(const QByteArray& page, const BodyTag& a, const BodyTag& b)
{
    if (a.status != b.status || a.start != b.start || a.nameEnd != b.nameEnd || a.end != b.end ||
        a.declaredCharset != b.declaredCharset || a.attributes.size() != b.attributes.size())
        return false;
    for (size_t i = 0; i < a.attributes.size(); ++i) {
        const TagAttribute& x = a.attributes[i];
        const TagAttribute& y = b.attributes[i];
        if (x.name != y.name || x.start != y.start ||
            (x.end != y.end && !loneReferenceCut(page, x, y)))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const QByteArray page(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype skip = page.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const char* text = page.constData() + skip;
    // The doctype's mode decides whether a table closes the paragraph around it.
    if (documentQuirksMode(text, page.size() - skip) !=
        gumboreference::quirksMode(text, page.size() - skip)) {
        std::fprintf(stderr, "the quirks mode differs from gumbo's\n");
        std::abort();
    }
    const BodyTag mine = locateBodyTag(page);
    const BodyTag theirs = gumboreference::locateBodyTag(page);
    const bool found = mine.status == BodyTag::Status::Found;
    // gumbo drops a NUL that starts an attribute name, where browsers read U+FFFD: with a NUL
    // before the tag's end, only where the tag lies is compared.
    const bool nul = found && page.left(mine.end).contains('\0');
    const bool same = !found || (nul ? mine.start == theirs.start && mine.end == theirs.end
                                     : sameTag(page, mine, theirs));
    if (found != (theirs.status == BodyTag::Status::Found) || !same) {
        std::fprintf(stderr, "the body tag differs from gumbo's\n");
        std::abort();
    }
    if (found) {
        const auto before = [&](std::vector<ByteSpan> spans) {
            spans.erase(
                std::remove_if(spans.begin(), spans.end(),
                               [&](const ByteSpan& s) { return s.start + skip >= mine.start; }),
                spans.end());
            return spans;
        };
        if (!(before(pageComments(text, page.size() - skip)) ==
              before(gumboreference::pageComments(text, page.size() - skip)))) {
            std::fprintf(stderr, "the comments differ from gumbo's\n");
            std::abort();
        }
    }
    return 0;
}
