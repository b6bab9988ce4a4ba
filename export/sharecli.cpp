#include "sharecli.h"

#include "commandlibrary.h"
#include "editing/libraryshare.h"
#include "exitcodes.h"
#include "library/collation.h"

#include <algorithm>
#include <optional>

namespace exporting::cli {

namespace {

// The category at a path of names from the root, names compared as the tree orders them.
std::optional<qint64> categoryAt(const std::vector<library::Category>& all, const QString& path)
{
    qint64 parent = 0;
    for (const QString& name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const std::u32string key = library::NameKey(name);
        const auto found = std::find_if(all.begin(), all.end(), [&](const library::Category& c) {
            return c.idPadre == parent && library::NameKey(c.nombre) == key;
        });
        if (found == all.end())
            return std::nullopt;
        parent = found->id;
    }
    return parent == 0 ? std::nullopt : std::optional<qint64>(parent);
}

int runShare(const Invocation& call)
{
    editing::ShareSelection selection;
    QStringList categoryPaths;
    for (const QString& word : call.arguments) {
        bool isNumber = false;
        const qint64 id = word.toLongLong(&isNumber);
        if (isNumber && id > 0)
            selection.scriptIds.push_back(id);
        else
            categoryPaths.append(word);
    }
    selection.everything = call.arguments.isEmpty();
    const base::ProgramPaths paths = CommandPaths(call.libraryFolder);
    std::unique_ptr<library::LibraryStore> store;
    if (const base::Result opened = OpenCommandLibrary(paths, store); !opened)
        return fail(opened.message());
    try {
        const std::vector<library::Category> categories = store->categoriesByName();
        for (const QString& path : categoryPaths) {
            const std::optional<qint64> id = categoryAt(categories, path);
            if (!id)
                return fail(
                    QStringLiteral("La categoría «%1» no está en la biblioteca.").arg(path));
            selection.categoryIds.push_back(*id);
        }
    } catch (const library::DatabaseError& e) {
        return fail(QStringLiteral("No se puede leer la biblioteca: %1").arg(e.message()));
    }
    editing::ShareReport report;
    if (const base::Result r = editing::ShareLibrary(store->database(), paths.resourcesFolder,
                                                     selection, call.value, &report);
        !r)
        return fail(r.message());
    printLine(stdout, editing::ShareSummary(report, call.value));
    return LibraryWritten;
}

} // namespace

Form shareForm()
{
    Form form;
    form.option = QStringLiteral("export-library");
    form.valueName = QStringLiteral("CARPETA_NUEVA");
    form.valueText = QStringLiteral("la carpeta nueva");
    form.arguments = QStringLiteral("[ID_SCRIPT|CATEGORÍA/RUTA...]");
    form.help = {
        QStringLiteral(
            "Escribe en una carpeta nueva una biblioteca (scripts.mdb y los ficheros de"),
        QStringLiteral("resources/ que nombran sus scripts) con los scripts y categorías dados, o"),
        QStringLiteral("con toda la biblioteca si no se da ninguno, para importarla en otra."),
        QStringLiteral("Sale con 0 si la escribió y 2 ante un error de uso o de la biblioteca.")};
    form.run = runShare;
    return form;
}

} // namespace exporting::cli
