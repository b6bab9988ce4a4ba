#include "siteupdatecli.h"

#include "commandlibrary.h"
#include "library/librarystore.h"
#include "siteupdate.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <memory>

namespace siteupdatecli {

namespace {

enum ExitCode { NoneRefused = 0, SomeRefused = 1, UsageOrLibrary = 2 };

const QString Update = QStringLiteral("--update");

void printLine(FILE* stream, const QString& line)
{
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

int fail(const QString& problem, bool showUsage = false)
{
    printLine(stderr, problem);
    if (showUsage)
        printLine(stderr, QStringLiteral("Uso: korvalis-export [--library CARPETA] --update "
                                         "CARPETA_DEL_SITIO [ID_SCRIPT...]"));
    return UsageOrLibrary;
}

struct Arguments
{
    QString library;
    QString site;
    QList<qint64> scriptIds;
};

bool isOption(const QString& arg)
{
    return arg.startsWith(QLatin1String("--"));
}

bool parse(const QStringList& args, Arguments* parsed, QString* problem)
{
    parsed->library = QCoreApplication::applicationDirPath();
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--library") || arg == Update) {
            QString& value = arg == Update ? parsed->site : parsed->library;
            if (++i >= args.size() || isOption(args[i])) {
                *problem = QStringLiteral("Falta la carpeta tras %1.").arg(arg);
                return false;
            }
            value = args[i];
            continue;
        }
        if (isOption(arg)) {
            *problem = QStringLiteral("Opción desconocida: %1").arg(arg);
            return false;
        }
        bool isNumber = false;
        const qint64 id = arg.toLongLong(&isNumber);
        if (!isNumber || id <= 0) {
            *problem = QStringLiteral("«%1» no es un id de script.").arg(arg);
            return false;
        }
        if (!parsed->scriptIds.contains(id))
            parsed->scriptIds.append(id);
    }
    return true;
}

// The ids asked for must all be scripts of the library.
bool checkScripts(library::LibraryStore& store, const QList<qint64>& ids, QString* problem)
{
    try {
        for (const qint64 id : ids) {
            if (!store.script(id)) {
                *problem = QStringLiteral("El script %1 no está en la biblioteca.").arg(id);
                return false;
            }
        }
    } catch (const library::DatabaseError& e) {
        *problem = QStringLiteral("No se puede leer la biblioteca: %1").arg(e.message());
        return false;
    }
    return true;
}

} // namespace

bool isSiteUpdate(const QStringList& args)
{
    return args.contains(Update);
}

int run(const QStringList& args)
{
    Arguments parsed;
    QString problem;
    if (!parse(args, &parsed, &problem))
        return fail(problem, true);
    if (!QFileInfo(parsed.site).isDir())
        return fail(QStringLiteral("«%1» no es una carpeta.").arg(parsed.site));
    std::unique_ptr<library::LibraryStore> store =
        exporting::OpenCommandLibrary(parsed.library, &problem);
    if (!store || !checkScripts(*store, parsed.scriptIds, &problem))
        return fail(problem);

    // A script named here that leaves no markers has pages no update can find: it is refused,
    // and the others named go on.
    const QList<exporting::ScriptName> unfollowed =
        exporting::scriptsWithoutMarkers(*store, parsed.scriptIds);
    const bool named = !parsed.scriptIds.isEmpty();
    QList<qint64> ids = parsed.scriptIds;
    if (named) {
        for (const exporting::ScriptName& script : unfollowed) {
            printLine(stdout, exporting::cannotFollowMessage(script));
            ids.removeAll(script.id);
        }
        if (ids.isEmpty())
            return SomeRefused;
    }
    const exporting::SiteScan scan = exporting::findSitePages(parsed.site, ids);
    exporting::SiteUpdater updater(*store, ids);
    exporting::SiteReport report = exporting::updateSite(updater, scan);
    if (!named)
        report.withoutMarkers = unfollowed;
    for (const exporting::PageOutcome& page : report.pages)
        printLine(stdout, exporting::outcomeLine(page, scan.folder));
    printLine(stdout, exporting::siteSummary(report));
    const bool refused = report.count(exporting::PageOutcome::Status::Refused) > 0;
    return refused || (named && !unfollowed.isEmpty()) ? SomeRefused : NoneRefused;
}

} // namespace siteupdatecli
