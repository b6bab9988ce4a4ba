#include "benchlibrary.h"

#include "library/database.h"
#include "library/libraryfile.h"

#include <QFile>
#include <QRandomGenerator>
#include <vector>

namespace bench {

void BuildLibrary(const QString& path, int categories, int scripts)
{
    QFile::remove(path);
    library::Database db = library::Database::create(path, library::LibraryPassword);
    QFile schema(QStringLiteral(KORVALIS_SOURCE_DIR "/data/schema.sql"));
    if (!schema.open(QIODevice::ReadOnly))
        qFatal("cannot read the schema");
    db.execute(schema.readAll());
    QRandomGenerator random(42);
    library::Transaction t(db);
    db.execute("INSERT INTO tipos (nombre) VALUES ('Efecto')");
    auto category = db.prepare(
        "INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (?1, ?2, ?3, '')");
    std::vector<int> depth(size_t(categories) + 1, 0);
    const int topLevel = 10;
    for (int id = 1; id <= categories; ++id) {
        // Parents are earlier categories not yet six levels deep (never the first), or the root.
        int parent = 0;
        if (id > topLevel) {
            do {
                parent = int(random.bounded(id - 1)) + 1;
            } while (depth[size_t(parent)] >= 5 || parent == 1);
            depth[size_t(id)] = depth[size_t(parent)] + 1;
        }
        category.reset();
        category.bind(1, qint64(id)).bind(2, qint64(parent));
        const quint32 number = id == 1 ? 0 : random.bounded(1, 1000000);
        category.bind(3, QStringLiteral("Categoría %1").arg(number, 6, 10, QLatin1Char('0')));
        category.run();
    }
    auto script = db.prepare("INSERT INTO scripts (id_categoria, id_tipo, nombre, script_head) "
                             "VALUES (?1, 1, ?2, 'function f(){}')");
    for (int i = 0; i < scripts; ++i) {
        script.reset();
        // Every thousandth script goes to the first category, the rest anywhere.
        const qint64 in = i % 1000 == 0 ? 1 : qint64(random.bounded(categories) + 1);
        script.bind(1, in);
        script.bind(2, QStringLiteral("Script %1").arg(random.bounded(1000000)));
        script.run();
    }
    t.commit();
}

} // namespace bench
