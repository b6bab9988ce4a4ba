#pragma once

#include <QString>
#include <system_error>

// What the system said when a file could not be read or written, or the library could not be
// used, told in Spanish: "No queda espacio en el disco", "Permiso denegado", "La biblioteca está
// en uso por otro programa"; then, in brackets, the system's own text, for whoever looks it up.
// An error without a Spanish sentence here is told in the system's own words.
namespace syserror {

enum class Problem {
    Other,
    DiskFull,
    PermissionDenied,
    ReadOnlyDisk,
    NotFound,
    InputOutput,
    TooManyFiles,
    NameTooLong,
    AlreadyExists,
    LibraryInUse,
    LibraryReadOnly,
};

// The Spanish sentence of a problem; empty for Other.
QString Sentence(Problem problem);
// The sentence, then the system's text in brackets when there is one; the system's text alone
// for Other.
QString Describe(Problem problem, const QString& systemText);

// The problem of a system error number (errno).
Problem OfErrno(int errnum);
// A system error number, as described above.
QString FromErrno(int errnum);
// The same for a std::filesystem error.
QString FromErrorCode(const std::error_code& error);
// What a QFile, QSaveFile or QDir reported (its errorString()), which carries the system's text.
QString FromFileText(const QString& errorString);

} // namespace syserror
