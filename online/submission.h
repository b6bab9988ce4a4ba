#pragma once

#include "library/records.h"

#include <QString>
#include <QStringList>

// What a script submission mail carries, read by the maker's tools: keep every byte.
namespace online {

QString SubmissionSubject(const QString& nombre);

// The mail text: the four fields between their marker lines and the related files' names,
// every line ended by CR LF; fields go in exactly as stored (a null field is an empty line).
QString SubmissionBody(const library::Script& script, const QStringList& fileNames);

// Writes the preview page of `script`, whose type is named `typeName`, to `path`; false,
// with the reason in `error`, when it cannot be written.
bool WriteScriptPageFor(const library::Script& script, const QString& typeName, const QString& path,
                        QString* error);

} // namespace online
