#include "listcommand.h"

#include "library/libraryfile.h"
#include "library/librarystore.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <cstdio>

namespace exporting {

namespace {

enum ExitCode { Listed = 0, NothingMatched = 1, UsageOrLibrary = 2 };

const QString ListOption = QStringLiteral("--list");
const QString LibraryOption = QStringLiteral("--library");
const QString EndOfOptions = QStringLiteral("--");

// Output is UTF-8 whatever the locale, for the build scripts that read it.
void write(FILE* stream, const QString& line)
{
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

int fail(const QString& problem)
{
    write(stderr, problem);
    write(stderr, QStringLiteral("Uso: korvalis-export [--library CARPETA] --list [PALABRAS...]"));
    return UsageOrLibrary;
}

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

struct Request
{
    QString folder;
    QStringList words;
};

bool parse(const QStringList& args, Request* request, QString* problem)
{
    bool options = true;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (options && a == LibraryOption) {
            if (++i >= args.size()) {
                *problem = QStringLiteral("Falta la carpeta de la biblioteca tras --library.");
                return false;
            }
            request->folder = args[i];
        } else if (options && a == EndOfOptions) {
            options = false;
        } else if (options && a.startsWith(EndOfOptions) && a != ListOption) {
            *problem = QStringLiteral("Opción desconocida: %1").arg(a);
            return false;
        } else if (a != ListOption || !options) {
            request->words.append(a);
        }
    }
    return true;
}

} // namespace

bool IsListCommand(const QStringList& args)
{
    for (int i = 1; i < args.size() && args[i] != EndOfOptions; ++i) {
        if (args[i] == ListOption)
            return true;
        if (args[i] == LibraryOption)
            ++i;
    }
    return false;
}

int RunListCommand(const QStringList& args, const QString& defaultFolder)
{
    Request request{defaultFolder, {}};
    QString problem;
    if (!parse(args, &request, &problem))
        return fail(problem);
    const QString file = QDir(request.folder).absoluteFilePath(library::LibraryFileName);
    if (!QFileInfo(file).isFile()) {
        write(stderr, QStringLiteral("No hay biblioteca en %1").arg(file));
        return UsageOrLibrary;
    }
    try {
        const std::unique_ptr<library::LibraryStore> store = library::LibraryStore::open(file);
        const std::vector<qint64> ids =
            store->searchScripts(library::SearchWords(request.words.join(QLatin1Char(' '))));
        QHash<qint64, library::ScriptListing> scripts;
        for (library::ScriptListing& s : store->scriptsByName())
            scripts.insert(s.id, std::move(s));
        const QHash<qint64, QString> paths = categoryPaths(store->categoriesByName());
        for (qint64 id : ids) {
            const library::ScriptListing s = scripts.value(id);
            write(stdout,
                  QStringLiteral("%1\t%2\t%3")
                      .arg(QString::number(id), paths.value(s.idCategoria), field(s.nombre)));
        }
        return ids.empty() ? NothingMatched : Listed;
    } catch (const library::DatabaseError& e) {
        write(stderr,
              QStringLiteral("No se puede leer la biblioteca %1: %2").arg(file, e.message()));
        return UsageOrLibrary;
    }
}

} // namespace exporting
