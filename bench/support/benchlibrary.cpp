#include "benchlibrary.h"

#include "library/database.h"
#include "library/libraryfile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringList>
#include <vector>

namespace bench {

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

void insertCategories(library::Database& db, QRandomGenerator& random, int categories)
{
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
}

void insertScripts(library::Database& db, QRandomGenerator& random, int categories, int scripts)
{
    auto script = db.prepare(
        "INSERT INTO scripts (id_categoria, id_tipo, nombre, navegadores, script_head, "
        "script_body, script_html, script_ayuda) VALUES (?1, 1, ?2, ?3, ?4, ?5, ?6, ?7)");
    for (int i = 0; i < scripts; ++i) {
        const QString subject = pick(random, Subjects);
        const QString quality = pick(random, Qualities);
        const QString action = pick(random, Actions);
        const QString id = identifier(subject).toLower() + QString::number(i);
        const QString fn = identifier(action).toLower() + identifier(subject);
        script.reset();
        // Every thousandth script goes to the first category, the rest anywhere.
        const qint64 in = i % 1000 == 0 ? 1 : qint64(random.bounded(categories) + 1);
        script.bind(1, in);
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
    insertCategories(db, random, categories);
    insertScripts(db, random, categories, scripts);
    t.commit();
}

} // namespace bench
