#pragma once

#include "library/records.h"

#include <QString>
#include <QStringList>

// What a script submission mail carries, read by the maker's tools: keep every byte.
namespace online {

QString SubmissionSubject(const QString& nombre);

// A related file that cannot go as an attachment, and why (Spanish).
struct FileLeftOut
{
    QString name;
    QString reason;
};

// The related files, by name, that can be attached from `folder` (a bare name of a readable
// regular file there) and those that cannot, each in the order given.
struct Attachments
{
    QStringList attached;
    QList<FileLeftOut> leftOut;
};
Attachments SortAttachments(const QStringList& names, const QString& folder);

// The mail text: the four fields between their marker lines and the related files' names,
// every line ended by CR LF; fields go in exactly as stored (a null field is an empty line).
// The names of `notAttached` are marked so.
QString SubmissionBody(const library::Script& script, const QStringList& fileNames,
                       const QStringList& notAttached = {});

// What a name of `notAttached` is followed by in the mail text.
inline const QString NotAttachedMark = QStringLiteral(" (no adjuntado)");

// Writes the preview page of `script`, whose type is named `typeName`, to `path`; false,
// with the reason in `error`, when it cannot be written.
bool WriteScriptPageFor(const library::Script& script, const QString& typeName, const QString& path,
                        QString* error);

} // namespace online
