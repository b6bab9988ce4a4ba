#pragma once

// The page reading as gumbo's whole-document parse gives it, kept as the reference the
// program's own tokenizer is compared against; a <noscript>'s text is blanked so that gumbo,
// which parses with scripting off, reads the page as a browser with scripting on does.

#include "export/bodytag.h"
#include "export/pageparse.h"
#include "export/quirksmode.h"

#include <QByteArray>
#include <vector>

namespace gumboreference {

exporting::BodyTag locateBodyTag(const QByteArray& page);
std::vector<exporting::ByteSpan> pageComments(const char* text, qsizetype length);
// The quirks mode gumbo gives the document made of the first `length` bytes of `text`.
exporting::QuirksMode quirksMode(const char* text, qsizetype length);

} // namespace gumboreference
