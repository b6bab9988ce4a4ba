#include "listcommand.h"

#include "editing/categorypaths.h"
#include "exitcodes.h"
#include "library/libraryfile.h"
#include "library/librarystore.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace exporting::cli {

namespace {

// A tab or a line end inside a name would break the line into wrong fields.
QString field(QString text)
{
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

// Each category's path from the top, as the editor lists it. A category the tree cannot show
// (its chain of parents is broken or loops) has none, as its scripts sit under the root.
QHash<qint64, QString> categoryPaths(const std::vector<library::CategoryListing>& categories)
{
    QHash<qint64, QString> paths;
    for (const editing::CategoryPath& c : editing::CategoryPaths(categories))
        paths.insert(c.id, c.reachable ? field(c.path) : QString());
    return paths;
}

int runList(const Invocation& call)
{
    const QString file = QDir(call.libraryFolder).absoluteFilePath(library::LibraryFileName);
    if (!QFileInfo(file).isFile())
        return fail(QStringLiteral("No hay biblioteca en %1").arg(file));
    try {
        const std::unique_ptr<library::LibraryStore> store = library::LibraryStore::open(file);
        const std::vector<qint64> ids =
            store->searchScripts(library::SearchWords(call.arguments.join(QLatin1Char(' '))));
        QHash<qint64, library::ScriptListing> scripts;
        for (library::ScriptListing& s : store->scriptsByName())
            scripts.insert(s.id, std::move(s));
        const QHash<qint64, QString> paths = categoryPaths(store->categoriesByParent());
        for (qint64 id : ids) {
            const library::ScriptListing s = scripts.value(id);
            printLine(stdout,
                      QStringLiteral("%1\t%2\t%3")
                          .arg(QString::number(id), paths.value(s.idCategoria), field(s.nombre)));
        }
        return ids.empty() ? NothingMatched : Listed;
    } catch (const library::DatabaseError& e) {
        return fail(QStringLiteral("No se puede leer la biblioteca %1: %2").arg(file, e.message()));
    }
}

} // namespace

Form listForm()
{
    Form form;
    form.option = QStringLiteral("list");
    form.arguments = QStringLiteral("[PALABRAS...]");
    form.help = {
        QStringLiteral("Lista los scripts que contienen todas las palabras (todos, sin ninguna),"),
        QStringLiteral("uno por línea como «id<TAB>categoría<TAB>nombre», en el orden de la"),
        QStringLiteral("búsqueda de la ventana. Sale con 0 si alguno coincide, 1 si ninguno y"),
        QStringLiteral("2 ante un error de uso o de la biblioteca.")};
    form.run = runList;
    return form;
}

} // namespace exporting::cli
