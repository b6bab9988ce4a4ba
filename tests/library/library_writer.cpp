// Another process writing the library: it locks the file, adds a category, says "held" on
// its standard output, keeps the lock for the given milliseconds and commits.
#include "library/database.h"
#include "library/libraryfile.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "uso: %s BIBLIOTECA MILISEGUNDOS\n", argv[0]);
        return 2;
    }
    try {
        library::Database db = library::Database::open(args.at(1), library::LibraryPassword);
        db.execute("BEGIN EXCLUSIVE; "
                   "INSERT INTO categorias (id_padre, nombre) VALUES (0, 'Del otro proceso')");
        std::puts("held");
        std::fflush(stdout);
        QThread::msleep(args.at(2).toULong());
        db.execute("COMMIT");
    } catch (const library::DatabaseError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
