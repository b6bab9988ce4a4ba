#include "tempprogramfolder.h"

#include "base/module1.h"
#include "library/libraryfile.h"

#include <QDir>
#include <QFile>
#include <QtTest>

TempProgramFolder::TempProgramFolder()
{
    QVERIFY2(dir_.isValid(), "no temporary folder");
    QDir(dir_.path()).mkpath(QStringLiteral("resources"));
    db_ = std::make_unique<library::Database>(
        library::Database::create(libraryPath(), library::LibraryPassword));
    db_->execute(readFile(QStringLiteral(KORVALIS_SOURCE_DIR "/data/schema.sql")));
    Module1::SetProgramValues();
}

TempProgramFolder::~TempProgramFolder() = default;

QString TempProgramFolder::libraryPath() const
{
    return dir_.filePath(library::LibraryFileName);
}

QString TempProgramFolder::resourcesPath() const
{
    return dir_.filePath(QStringLiteral("resources")) + QLatin1Char('/');
}

library::Database& TempProgramFolder::db()
{
    if (!db_)
        db_ = std::make_unique<library::Database>(
            library::Database::open(libraryPath(), library::LibraryPassword));
    return *db_;
}

void TempProgramFolder::closeLibrary()
{
    db_.reset();
}

qint64 TempProgramFolder::addCategory(qint64 parentId, const QString& nombre,
                                      const QString& descripcion)
{
    auto q =
        db().prepare("INSERT INTO categorias (id_padre, nombre, descripcion) VALUES (?1, ?2, ?3)");
    q.bind(1, parentId).bind(2, nombre).bind(3, descripcion);
    q.run();
    return db().lastInsertId();
}

qint64 TempProgramFolder::addType(const QString& nombre)
{
    auto q = db().prepare("INSERT INTO tipos (nombre) VALUES (?1)");
    q.bind(1, nombre);
    q.run();
    return db().lastInsertId();
}

qint64 TempProgramFolder::addScript(const library::Script& s)
{
    auto q = db().prepare(
        "INSERT INTO scripts (id_categoria, id_tipo, nombre, navegadores, script_head, "
        "script_body, "
        "script_html, script_ayuda, nombre_fichero) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    q.bind(1, s.idCategoria).bind(2, s.idTipo).bind(3, s.nombre).bind(4, s.navegadores);
    q.bind(5, s.scriptHead).bind(6, s.scriptBody).bind(7, s.scriptHtml).bind(8, s.scriptAyuda);
    q.bind(9, s.nombreFichero);
    q.run();
    return db().lastInsertId();
}

qint64 TempProgramFolder::addScript(qint64 categoryId, qint64 typeId, const QString& nombre)
{
    library::Script s;
    s.idCategoria = categoryId;
    s.idTipo = typeId;
    s.nombre = nombre;
    return addScript(s);
}

qint64 TempProgramFolder::addFile(qint64 scriptId, const QString& nombre)
{
    auto q = db().prepare("INSERT INTO ficheros (id_script, nombre) VALUES (?1, ?2)");
    q.bind(1, scriptId).bind(2, nombre);
    q.run();
    return db().lastInsertId();
}

void TempProgramFolder::writeResource(const QString& nombre, const QByteArray& bytes)
{
    writeFile(resourcesPath() + nombre, bytes);
}

void TempProgramFolder::copyFromStagedProgram(const QString& name)
{
    const QString target = dir_.filePath(name);
    QFile::remove(target);
    QVERIFY2(QFile::copy(QStringLiteral(KORVALIS_PROGRAM_DIR "/") + name, target),
             qPrintable(name));
}

QByteArray TempProgramFolder::readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

void TempProgramFolder::writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
}
