#include "librarysnapshot.h"

#include "base/files.h"
#include "library/database.h"
#include "library/libraryfile.h"

#include <QDir>
#include <QFileInfo>
#include <sys/stat.h>

namespace editing {

namespace {

// A lock held by another process is waited for this long before the source is refused.
constexpr int SourceLockWaitMs = 2000;

bool isRegularFile(const QString& path)
{
    struct stat s;
    return ::stat(QFile::encodeName(path).constData(), &s) == 0 && S_ISREG(s.st_mode);
}

// The related files beside the library file; a copy in "copias" uses its library's.
QString resourcesBeside(const QString& libraryFile)
{
    const QDir folder = QFileInfo(libraryFile).absoluteDir();
    const QString own = folder.filePath(QStringLiteral("resources"));
    if (!QFileInfo(own).isDir() && folder.dirName() == QLatin1String("copias"))
        return QFileInfo(folder.absoluteFilePath(QStringLiteral("../resources")))
                   .absoluteFilePath() +
               QLatin1Char('/');
    return own + QLatin1Char('/');
}

} // namespace

LibrarySnapshot ReadLibrary(library::Database& db)
{
    LibrarySnapshot s;
    library::ReadSnapshot view(db);
    library::Statement categories =
        db.prepare("SELECT id, id_padre, nombre, descripcion FROM categorias ORDER BY id");
    while (categories.next())
        s.categories.push_back(library::Category{categories.int64(0), categories.int64(1),
                                                 categories.text(2), categories.text(3)});
    library::Statement types = db.prepare("SELECT id, nombre FROM tipos ORDER BY id");
    while (types.next())
        s.types.push_back(library::ScriptType{types.int64(0), types.text(1)});
    library::Statement scripts = db.prepare(
        "SELECT id, id_categoria, id_tipo, nombre, navegadores, script_head, "
        "script_body, script_html, script_ayuda, nombre_fichero FROM scripts ORDER BY id");
    while (scripts.next()) {
        library::Script r;
        r.id = scripts.int64(0);
        r.idCategoria = scripts.int64(1);
        r.idTipo = scripts.int64(2);
        r.nombre = scripts.text(3);
        r.navegadores = scripts.text(4);
        r.scriptHead = scripts.text(5);
        r.scriptBody = scripts.text(6);
        r.scriptHtml = scripts.text(7);
        r.scriptAyuda = scripts.text(8);
        r.nombreFichero = scripts.text(9);
        s.scripts.push_back(std::move(r));
    }
    library::Statement files = db.prepare("SELECT id_script, nombre FROM ficheros ORDER BY id");
    while (files.next())
        s.files[files.int64(0)].append(files.text(1));
    return s;
}

base::Result ReadSourceLibrary(const QString& source, const QString& targetLibraryPath,
                               LibrarySnapshot* snapshot)
{
    const QFileInfo given(source);
    if (!given.exists())
        return base::Result::failure(QStringLiteral("No existe «%1».").arg(source));
    const QString file =
        given.isDir() ? library::LibraryPathIn(given.absoluteFilePath()) : given.absoluteFilePath();
    if (!QFileInfo::exists(file))
        return base::Result::failure(QStringLiteral("En «%1» no hay ninguna biblioteca (%2).")
                                         .arg(source, library::LibraryFileName));
    // A FIFO or a device would block the engine or feed it endless bytes.
    if (!isRegularFile(file))
        return base::Result::failure(
            QStringLiteral("«%1» no es un fichero normal: no puede ser una biblioteca.").arg(file));
    if (files::IsSameFile(file, targetLibraryPath))
        return base::Result::failure(
            QStringLiteral("«%1» es la misma biblioteca en la que se quiere importar.").arg(file));
    try {
        library::Database db =
            library::Database::openReadOnly(file, library::LibraryPassword, SourceLockWaitMs);
        // Nothing is checked ahead: each page read proves its key, a file cut short is refused
        // as it opens, and nothing is written before every row has been read.
        *snapshot = ReadLibrary(db);
    } catch (const library::DatabaseError& e) {
        return base::Result::failure(
            QStringLiteral("«%1» no se puede leer como biblioteca de scripts (otra contraseña, un "
                           "fichero dañado o incompleto, o bloqueado por otro programa): %2")
                .arg(file, e.message()));
    }
    snapshot->resourcesPath = resourcesBeside(file);
    return base::Result::success();
}

} // namespace editing
