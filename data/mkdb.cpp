// Builds the shipped library file from SQL text, through the program's own database layer.
#include "library/database.h"
#include "library/libraryfile.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "uso: korvalis-mkdb SALIDA.mdb FICHERO.sql...\n");
        return 2;
    }
    const QString out = args.at(1);
    const QString partial = out + QStringLiteral(".partial");
    QFile::remove(partial);
    try {
        {
            library::Database db = library::Database::create(partial, library::LibraryPassword);
            for (int i = 2; i < args.size(); ++i) {
                QFile sql(args.at(i));
                if (!sql.open(QIODevice::ReadOnly))
                    throw library::DatabaseError(sql.errorString() + QStringLiteral(": ") +
                                                 args.at(i));
                db.execute(sql.readAll());
            }
        }
        QFile::remove(out);
        if (!QFile::rename(partial, out))
            throw library::DatabaseError(QStringLiteral("No se pudo crear ") + out);
    } catch (const library::DatabaseError& e) {
        QFile::remove(partial);
        std::fprintf(stderr, "korvalis-mkdb: %s\n", e.what());
        return 1;
    }
    return 0;
}
