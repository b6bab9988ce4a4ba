// Another process writing the library: it locks the file, adds a category, says "held" on
// its standard output, keeps the lock for the given milliseconds and commits.
#include "library/database.h"
#include "library/libraryfile.h"

#include <QThread>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    try {
        auto db =
            library::Database::open(QString::fromLocal8Bit(argv[1]), library::LibraryPassword);
        db.execute("BEGIN EXCLUSIVE; INSERT INTO categorias (id_padre, nombre) VALUES (0, 'Del "
                   "otro proceso')");
        std::puts("held");
        std::fflush(stdout);
        QThread::msleep(std::strtoul(argv[2], nullptr, 10));
        db.execute("COMMIT");
    } catch (const library::DatabaseError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
