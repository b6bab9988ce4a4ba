#include "listcommand.h"

#include "exitcodes.h"
#include "library/libraryfile.h"
#include "library/librarystore.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

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

// Each category's path from the top, names joined by " / ". A category the tree cannot show
// (its chain of parents is broken or loops) has none, as its scripts sit under the root.
QHash<qint64, QString> categoryPaths(const std::vector<library::Category>& categories)
{
    QHash<qint64, const library::Category*> byId;
    for (const library::Category& c : categories)
        byId.insert(c.id, &c);
    QHash<qint64, QString> paths;
    for (const library::Category& c : categories) {
        QStringList names;
        QSet<qint64> seen;
        bool reachesTop = false;
        for (const library::Category* at = &c; at && !seen.contains(at->id);
             at = byId.value(at->idPadre)) {
            seen.insert(at->id);
            names.prepend(field(at->nombre));
            if (at->idPadre == 0) {
                reachesTop = true;
                break;
            }
        }
        paths.insert(c.id, reachesTop ? names.join(QStringLiteral(" / ")) : QString());
    }
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
        const QHash<qint64, QString> paths = categoryPaths(store->categoriesByName());
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
