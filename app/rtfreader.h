#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace app {

// Reads a rich-text (RTF) document into a QTextDocument: paragraphs and line breaks,
// alignment, indents and spacing, bold, italic, underline, strike-through, font size and text
// colour, with the text decoded from the document's code page (\ansicpg, 1252 by default) or
// from \uN escapes. Font tables, style sheets, pictures, headers, footers and every other
// destination are skipped.
//
// Returns false, with a Spanish explanation in *error, when the bytes are not RTF or are cut
// short inside a group; the document is then left empty. A missing final brace alone is
// tolerated, as editors that write RTF by hand often drop it.
bool readRtf(const QByteArray& rtf, QTextDocument* document, QString* error = nullptr);

// Reads the file at path; when it cannot be read the error names the file and the reason.
bool readRtfFile(const QString& path, QTextDocument* document, QString* error = nullptr);

} // namespace app
