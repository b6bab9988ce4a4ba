#pragma once

#include <QByteArray>

namespace exporting {

// How old a page's markup says it is. It changes the tree construction in one place: a
// <table> closes an open <p> except in quirks mode.
enum class QuirksMode { NoQuirks, LimitedQuirks, Quirks };

// The mode a DOCTYPE token sets. `token` holds it from its "<!" through its ">", or to the
// end of the page when no ">" closes it.
QuirksMode doctypeQuirksMode(const char* token, qsizetype length);

// The mode of a page: its first token other than white space and comments decides it, by the
// DOCTYPE's name and identifiers, or as quirks when that token is no DOCTYPE.
QuirksMode documentQuirksMode(const char* text, qsizetype length);

} // namespace exporting
