#pragma once

#include <QByteArray>

namespace exporting {

// The unified diff that turns `before` into `after`, line by line, as `diff -u` writes it with
// `name` as the label of both sides: empty when they are equal. Lines end at "\n" and keep
// their own ends ("\r\n" stays in the line); a last line without one is followed by
// "\ No newline at end of file". Bytes are compared as they are, in any encoding.
QByteArray unifiedDiff(const QByteArray& before, const QByteArray& after, const QByteArray& name,
                       int context = 3);

} // namespace exporting
