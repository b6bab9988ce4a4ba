#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace exporting {

// The character set texts are written in when they go into a page.
class PageCharset
{
public:
    // From the page's byte-order mark, else from the charset its head declares (lower case,
    // empty when none). A page that declares none is UTF-8 when its bytes are valid UTF-8,
    // and windows-1252 otherwise.
    static PageCharset of(const QByteArray& page, const QByteArray& declared);

    // False when texts cannot be written into the page: an unknown charset, or one in
    // which plain ASCII markup is not written as ASCII.
    bool usable() const { return problem_.isEmpty(); }
    QString problem() const { return problem_; }
    QByteArray name() const { return name_; }

    // The text in this charset; none when it holds a character the charset cannot hold.
    std::optional<QByteArray> encode(const QString& text) const;

private:
    QByteArray name_;
    QString problem_;
};

// Whether the page starts with a UTF-16 byte-order mark.
bool hasUtf16ByteOrderMark(const QByteArray& page);

} // namespace exporting
