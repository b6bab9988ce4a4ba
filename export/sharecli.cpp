#include "sharecli.h"

#include "commandlibrary.h"
#include "editing/libraryshare.h"
#include "library/collation.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

namespace sharecli {

namespace {

enum ExitCode { Written = 0, UsageOrLibrary = 2 };

const QString Share = QStringLiteral("--export-library");

void printLine(FILE* stream, const QString& line)
{
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

int fail(const QString& problem, bool showUsage = false)
{
    printLine(stderr, problem);
    if (showUsage)
        printLine(stderr,
                  QStringLiteral("Uso: korvalis-export [--library CARPETA] --export-library "
                                 "CARPETA_NUEVA [ID_SCRIPT|CATEGORÍA...]"));
    return UsageOrLibrary;
}

struct Arguments
{
    QString library;
    QString target;
    QList<qint64> scriptIds;
    QStringList categoryPaths;
};

bool parse(const QStringList& args, Arguments* parsed, QString* problem)
{
    parsed->library = QCoreApplication::applicationDirPath();
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--library") || arg == Share) {
            if (++i >= args.size() || args[i].startsWith(QLatin1String("--"))) {
                *problem = QStringLiteral("Falta la carpeta tras %1.").arg(arg);
                return false;
            }
            *(arg == Share ? &parsed->target : &parsed->library) = args[i];
            continue;
        }
        if (arg.startsWith(QLatin1String("--"))) {
            *problem = QStringLiteral("Opción desconocida: %1").arg(arg);
            return false;
        }
        bool isNumber = false;
        const qint64 id = arg.toLongLong(&isNumber);
        if (isNumber && id > 0)
            parsed->scriptIds.append(id);
        else
            parsed->categoryPaths.append(arg);
    }
    return true;
}

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

} // namespace

bool isShare(const QStringList& args)
{
    return args.contains(Share);
}

int run(const QStringList& args)
{
    Arguments parsed;
    QString problem;
    if (!parse(args, &parsed, &problem))
        return fail(problem, true);
    const QString folder = QDir(parsed.library).absolutePath();
    std::unique_ptr<library::LibraryStore> store = exporting::OpenCommandLibrary(folder, &problem);
    if (!store)
        return fail(problem);
    editing::ShareSelection selection;
    selection.everything = parsed.scriptIds.isEmpty() && parsed.categoryPaths.isEmpty();
    selection.scriptIds.assign(parsed.scriptIds.begin(), parsed.scriptIds.end());
    try {
        const std::vector<library::Category> categories = store->categoriesByName();
        for (const QString& path : parsed.categoryPaths) {
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
    const base::Result r =
        editing::ShareLibrary(store->database(), folder + QStringLiteral("/resources/"), selection,
                              parsed.target, &report);
    if (!r)
        return fail(r.message());
    printLine(stdout, editing::ShareSummary(report, parsed.target));
    return Written;
}

} // namespace sharecli
