#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// Files the program writes are replaced whole or not at all: the new content is written aside,
// synced to disk and renamed into place, so a failure (full disk, missing folder) at any
// write, sync or rename never leaves half a file, nor the temporary one.
namespace files {

// Asked once the new content is on disk, just before it takes the file's place: false keeps the
// file as it is.
using BeforeReplace = std::function<bool()>;

// False, with the system's reason in `error` when given, when the file could not be replaced;
// false with `error` untouched when `beforeReplace` said no.
bool WriteWhole(const QString& path, const QByteArray& bytes, QString* error = nullptr,
                const BeforeReplace& beforeReplace = {});
// Only a regular file is copied: a FIFO or a device is refused before it is opened.
bool CopyWhole(const QString& from, const QString& to, QString* error = nullptr);

// Whether two paths reach the same existing file, however they are spelled (symbolic links,
// "..", doubled separators). False when either does not exist.
bool IsSameFile(const QString& a, const QString& b);

} // namespace files
