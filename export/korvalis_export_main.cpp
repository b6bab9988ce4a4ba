// Writes a script of the library into an HTML page from the command line, the way the
// export button does, for web authors who build their pages with scripts of their own.

#include "commandlibrary.h"
#include "exportscript.h"
#include "importcli.h"
#include "library/librarystore.h"
#include "listcommand.h"
#include "sharecli.h"
#include "siteupdatecli.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

enum ExitCode { Exported = 0, Refused = 1, UsageOrLibrary = 2 };

void printLine(FILE* stream, const QString& line)
{
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
}

int usage(const QString& problem)
{
    printLine(stderr, problem);
    printLine(stderr, QStringLiteral("Uso: korvalis-export [--library CARPETA] ID_SCRIPT PAGINA"));
    return UsageOrLibrary;
}

struct Arguments
{
    QString library;
    qint64 scriptId = 0;
    QString page;
};

bool parseArguments(const QStringList& args, Arguments* parsed, QString* problem)
{
    QStringList positional;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--library")) {
            if (++i >= args.size()) {
                *problem = QStringLiteral("Falta la carpeta de la biblioteca tras --library.");
                return false;
            }
            parsed->library = args[i];
        } else if (args[i].startsWith(QLatin1String("--")) && args[i] != QLatin1String("--")) {
            *problem = QStringLiteral("Opción desconocida: %1").arg(args[i]);
            return false;
        } else if (args[i] != QLatin1String("--")) {
            positional.append(args[i]);
        }
    }
    if (positional.size() != 2) {
        *problem = QStringLiteral("Se esperan un id de script y una página.");
        return false;
    }
    bool isNumber = false;
    parsed->scriptId = positional[0].toLongLong(&isNumber);
    if (!isNumber || parsed->scriptId <= 0) {
        *problem = QStringLiteral("«%1» no es un id de script.").arg(positional[0]);
        return false;
    }
    parsed->page = positional[1];
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (exporting::IsListCommand(QCoreApplication::arguments()))
        return exporting::RunListCommand(QCoreApplication::arguments(),
                                         QCoreApplication::applicationDirPath());
    if (siteupdatecli::isSiteUpdate(QCoreApplication::arguments()))
        return siteupdatecli::run(QCoreApplication::arguments());
    if (importcli::isImport(QCoreApplication::arguments()))
        return importcli::run(QCoreApplication::arguments());
    if (sharecli::isShare(QCoreApplication::arguments()))
        return sharecli::run(QCoreApplication::arguments());
    Arguments args;
    args.library = QCoreApplication::applicationDirPath();
    QString problem;
    if (!parseArguments(QCoreApplication::arguments(), &args, &problem))
        return usage(problem);

    const std::unique_ptr<library::LibraryStore> store =
        exporting::OpenCommandLibrary(args.library, &problem);
    if (!store) {
        printLine(stderr, problem);
        return UsageOrLibrary;
    }
    const exporting::ExportReport report =
        exporting::exportScript(*store, args.scriptId, args.page);
    switch (report.status) {
    case exporting::ExportReport::Status::Done:
        printLine(stdout, exporting::summary(report));
        return Exported;
    case exporting::ExportReport::Status::Refused:
        printLine(stderr, report.message);
        return Refused;
    case exporting::ExportReport::Status::LibraryError:
        break;
    }
    printLine(stderr, report.message);
    return UsageOrLibrary;
}
