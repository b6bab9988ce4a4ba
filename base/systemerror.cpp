#include "systemerror.h"

#include <QFileDevice>
#include <cerrno>

namespace syserror {

namespace {

// The numbers with a sentence of their own, in the order they are looked for in a file's text.
constexpr int Known[] = {ENOSPC, EDQUOT, EACCES, EPERM,        EROFS, ENOENT,
                         EIO,    EMFILE, ENFILE, ENAMETOOLONG, EEXIST};

} // namespace

QString Sentence(Problem problem)
{
    switch (problem) {
    case Problem::DiskFull:
        return QStringLiteral("No queda espacio en el disco");
    case Problem::PermissionDenied:
        return QStringLiteral("Permiso denegado");
    case Problem::ReadOnlyDisk:
        return QStringLiteral("El disco sólo se puede leer");
    case Problem::NotFound:
        return QStringLiteral("No existe el fichero o la carpeta");
    case Problem::InputOutput:
        return QStringLiteral("Error de lectura o escritura en el disco");
    case Problem::TooManyFiles:
        return QStringLiteral("Hay demasiados ficheros abiertos");
    case Problem::NameTooLong:
        return QStringLiteral("El nombre del fichero es demasiado largo");
    case Problem::AlreadyExists:
        return QStringLiteral("Ya existe un fichero con ese nombre");
    case Problem::LibraryInUse:
        return QStringLiteral("La biblioteca está en uso por otro programa");
    case Problem::LibraryReadOnly:
        return QStringLiteral("La biblioteca sólo se puede leer");
    case Problem::Other:
        break;
    }
    return QString();
}

QString Describe(Problem problem, const QString& systemText)
{
    const QString sentence = Sentence(problem);
    const QString system = systemText.trimmed();
    if (sentence.isEmpty())
        return system;
    if (system.isEmpty() || system.compare(sentence, Qt::CaseInsensitive) == 0)
        return sentence;
    return QStringLiteral("%1 (%2)").arg(sentence, system);
}

Problem OfErrno(int errnum)
{
    switch (errnum) {
    case ENOSPC:
    case EDQUOT:
        return Problem::DiskFull;
    case EACCES:
    case EPERM:
        return Problem::PermissionDenied;
    case EROFS:
        return Problem::ReadOnlyDisk;
    case ENOENT:
        return Problem::NotFound;
    case EIO:
        return Problem::InputOutput;
    case EMFILE:
    case ENFILE:
        return Problem::TooManyFiles;
    case ENAMETOOLONG:
        return Problem::NameTooLong;
    case EEXIST:
        return Problem::AlreadyExists;
    default:
        return Problem::Other;
    }
}

QString FromErrno(int errnum)
{
    return Describe(OfErrno(errnum), qt_error_string(errnum));
}

QString FromErrorCode(const std::error_code& error)
{
    // The portable number (errno's) behind the platform's own code.
    const std::error_condition portable = error.default_error_condition();
    const int errnum = portable.category() == std::generic_category() ? portable.value() : 0;
    return Describe(OfErrno(errnum), QString::fromLocal8Bit(error.message().c_str()));
}

QString FromFileText(const QString& errorString)
{
    // Qt words a failed call with the system's text of its error number (qt_error_string),
    // alone or after a sentence of its own: the number is found again by that text.
    for (const int errnum : Known) {
        const QString text = qt_error_string(errnum);
        if (!text.isEmpty() && errorString.contains(text))
            return Describe(OfErrno(errnum), errorString);
    }
    return errorString;
}

} // namespace syserror
