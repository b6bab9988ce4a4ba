#include "benchlibrary.h"

#include "library/database.h"
#include "library/libraryfile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>
#include <vector>

namespace {

const QStringList Subjects = {
    QStringLiteral("Menú"),       QStringLiteral("Reloj"),      QStringLiteral("Galería"),
    QStringLiteral("Calendario"), QStringLiteral("Formulario"), QStringLiteral("Contraseña"),
    QStringLiteral("Banner"),     QStringLiteral("Texto"),      QStringLiteral("Ventana"),
    QStringLiteral("Botón"),      QStringLiteral("Cursor"),     QStringLiteral("Fecha"),
    QStringLiteral("Imagen"),     QStringLiteral("Tabla"),      QStringLiteral("Teclado"),
    QStringLiteral("Cookie"),     QStringLiteral("Enlace"),     QStringLiteral("Fondo"),
    QStringLiteral("Sonido"),     QStringLiteral("Marquesina"), QStringLiteral("Contador"),
    QStringLiteral("Buscador"),   QStringLiteral("Pestañas"),   QStringLiteral("Árbol")};
const QStringList Qualities = {
    QStringLiteral("desplegable"),  QStringLiteral("digital"),      QStringLiteral("animado"),
    QStringLiteral("flotante"),     QStringLiteral("deslizante"),   QStringLiteral("emergente"),
    QStringLiteral("aleatorio"),    QStringLiteral("intermitente"), QStringLiteral("con sombra"),
    QStringLiteral("en cascada"),   QStringLiteral("de colores"),   QStringLiteral("giratorio"),
    QStringLiteral("transparente"), QStringLiteral("con efecto"),   QStringLiteral("vertical"),
    QStringLiteral("horizontal")};
const QStringList Actions = {QStringLiteral("Muestra"),   QStringLiteral("Oculta"),
                             QStringLiteral("Mueve"),     QStringLiteral("Cambia"),
                             QStringLiteral("Comprueba"), QStringLiteral("Genera"),
                             QStringLiteral("Desplaza"),  QStringLiteral("Resalta")};
const QStringList Events = {QStringLiteral("onload"), QStringLiteral("onresize"),
                            QStringLiteral("onunload"), QStringLiteral("onscroll")};
const QStringList Browsers = {QStringLiteral("Internet Explorer 5, Netscape 6"),
                              QStringLiteral("Todos"), QStringLiteral("IE 4+, Firefox, Opera"),
                              QStringLiteral("Netscape 4, Mozilla")};

QString pick(QRandomGenerator& r, const QStringList& list)
{
    return list.at(int(r.bounded(int(list.size()))));
}

QString identifier(const QString& word)
{
    QString id;
    for (QChar c : word.normalized(QString::NormalizationForm_D)) {
        if (c.isLetterOrNumber() && c.unicode() < 128)
            id.append(c);
    }
    return id;
}

void insertCategories(library::Database& db, QRandomGenerator& random)
{
    auto category = db.prepare(
        "INSERT INTO categorias (id, id_padre, nombre, descripcion) VALUES (?1, ?2, ?3, '')");
    std::vector<int> depth(BenchCategories + 1, 0);
    for (int id = 1; id <= BenchCategories; ++id) {
        // Parents are earlier categories not yet six levels deep, or the root.
        int parent = 0;
        if (id > 10) {
            do {
                parent = int(random.bounded(id - 1)) + 1;
            } while (depth[parent] >= 5);
            depth[id] = depth[parent] + 1;
        }
        category.reset();
        category.bind(1, qint64(id)).bind(2, qint64(parent));
        category.bind(3, QStringLiteral("Categoría %1").arg(random.bounded(100000)));
        category.run();
    }
}

void insertScripts(library::Database& db, QRandomGenerator& random)
{
    auto script = db.prepare(
        "INSERT INTO scripts (id_categoria, id_tipo, nombre, navegadores, script_head, "
        "script_body, script_html, script_ayuda) VALUES (?1, 1, ?2, ?3, ?4, ?5, ?6, ?7)");
    for (int i = 0; i < BenchScripts; ++i) {
        const QString subject = pick(random, Subjects);
        const QString quality = pick(random, Qualities);
        const QString action = pick(random, Actions);
        const QString id = identifier(subject).toLower() + QString::number(i);
        const QString fn = identifier(action).toLower() + identifier(subject);
        script.reset();
        script.bind(1, qint64(random.bounded(BenchCategories) + 1));
        script.bind(2, QStringLiteral("%1 %2 %3").arg(subject, quality).arg(random.bounded(1000)));
        script.bind(3, pick(random, Browsers));
        script.bind(4, QStringLiteral("<script>\nvar %1 = document.getElementById('%2');\n"
                                      "function %3(e) {\n  %1.style.left = e.clientX + 'px';\n"
                                      "  %1.style.visibility = 'visible';\n}\n</script>")
                           .arg(identifier(subject).toLower(), id, fn));
        script.bind(5, QStringLiteral("%1=\"%2()\"").arg(pick(random, Events), fn));
        script.bind(6, QStringLiteral("<div id=\"%1\" class=\"%2\">%3</div>")
                           .arg(id, identifier(quality).toLower(), subject));
        script.bind(7, QStringLiteral("%1 un %2 %3 en la página. Copie el código en la cabecera "
                                      "y el texto en la etiqueta body.")
                           .arg(action, subject.toLower(), quality));
        script.run();
    }
}

} // namespace

QString BuildBenchLibrary(const QTemporaryDir& dir, const QString& fileName)
{
    const QString path = dir.filePath(fileName.isEmpty() ? library::LibraryFileName : fileName);
    library::Database db = library::Database::create(path, library::LibraryPassword);
    QFile schema(QStringLiteral(KORVALIS_SOURCE_DIR "/data/schema.sql"));
    schema.open(QIODevice::ReadOnly);
    db.execute(schema.readAll());
    QRandomGenerator random(42);
    library::Transaction t(db);
    db.execute("INSERT INTO tipos (nombre) VALUES ('Efecto')");
    insertCategories(db, random);
    insertScripts(db, random);
    t.commit();
    return path;
}
