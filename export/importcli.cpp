#include "importcli.h"

#include "commandlibrary.h"
#include "editing/libraryimport.h"
#include "library/backup.h"
#include "library/libraryfile.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

namespace importcli {

namespace {

enum ExitCode { NoneRefused = 0, SomeRefused = 1, UsageOrLibrary = 2 };

const QString Import = QStringLiteral("--import");

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
                  QStringLiteral("Uso: korvalis-export [--library CARPETA] --import ORIGEN"));
    return UsageOrLibrary;
}

bool parse(const QStringList& args, QString* libraryFolder, QString* source, QString* problem)
{
    *libraryFolder = QCoreApplication::applicationDirPath();
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg != QLatin1String("--library") && arg != Import) {
            *problem = QStringLiteral("Argumento inesperado: %1").arg(arg);
            return false;
        }
        if (++i >= args.size() || args[i].startsWith(QLatin1String("--"))) {
            *problem = QStringLiteral("Falta la carpeta tras %1.").arg(arg);
            return false;
        }
        *(arg == Import ? source : libraryFolder) = args[i];
    }
    if (source->isEmpty()) {
        *problem = QStringLiteral("Falta la biblioteca que importar.");
        return false;
    }
    return true;
}

} // namespace

bool isImport(const QStringList& args)
{
    return args.contains(Import);
}

int run(const QStringList& args)
{
    QString folder, source, problem;
    if (!parse(args, &folder, &source, &problem))
        return fail(problem, true);
    folder = QDir(folder).absolutePath();
    const QString libraryFile = library::LibraryPathIn(folder);
    // The source is read whole and checked before the library is even opened.
    editing::LibrarySnapshot snapshot;
    if (const base::Result read = editing::ReadSourceLibrary(source, libraryFile, &snapshot); !read)
        return fail(read.message());
    std::unique_ptr<library::LibraryStore> store = exporting::OpenCommandLibrary(folder, &problem);
    if (!store)
        return fail(problem);
    if (const base::Result copy = library::BackupLibrary(store->database(), libraryFile); !copy)
        printLine(stderr, copy.message() + QStringLiteral(" La importación sigue sin esa copia."));

    editing::ImportReport report;
    const base::Result done = editing::ImportLibrary(
        store->database(), folder + QStringLiteral("/resources/"), snapshot, &report);
    if (!done)
        return fail(done.message());
    for (const editing::ImportLine& line : report.lines)
        printLine(stdout, editing::LineText(line));
    printLine(stdout, editing::SummaryText(report));
    return report.count(editing::ImportLine::Outcome::Refused) > 0 ? SomeRefused : NoneRefused;
}

} // namespace importcli
