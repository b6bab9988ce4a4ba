#pragma once

#include "base/programpaths.h"
#include "library/database.h"
#include "library/records.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

// A program folder of its own for one test: a new keyed library with the program's schema,
// an empty resources folder, and the program-wide values set.
class TempProgramFolder
{
public:
    TempProgramFolder();
    ~TempProgramFolder();

    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }
    QString libraryPath() const;
    QString resourcesPath() const;
    // The paths the program is given for this folder.
    base::ProgramPaths paths() const { return base::ProgramPaths::in(dir_.path()); }

    // Direct access for setting up rows; closed again by closeLibrary() before the
    // program opens the file itself, if a test wants to be sure nothing is cached.
    library::Database& db();
    void closeLibrary();

    qint64 addCategory(qint64 parentId, const QString& nombre, const QString& descripcion = {});
    qint64 addType(const QString& nombre);
    qint64 addScript(const library::Script& script);
    qint64 addScript(qint64 categoryId, qint64 typeId, const QString& nombre);
    qint64 addFile(qint64 scriptId, const QString& nombre);
    // Writes a file into the resources folder.
    void writeResource(const QString& nombre, const QByteArray& bytes);
    // Copies a file of the staged program folder (licencia.rtf, images) into this one.
    void copyFromStagedProgram(const QString& name);

    static QByteArray readFile(const QString& path);
    static void writeFile(const QString& path, const QByteArray& bytes);

private:
    QTemporaryDir dir_;
    std::unique_ptr<library::Database> db_;
};
