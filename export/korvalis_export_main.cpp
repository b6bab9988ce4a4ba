// The command-line companion of the program, for web authors who build their pages with scripts
// of their own: every form runs the very code the window uses.

#include "commandline.h"
#include "exportcli.h"
#include "importcli.h"
#include "listcommand.h"
#include "sharecli.h"
#include "siteupdatecli.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    namespace cli = exporting::cli;
    const QList<cli::Form> forms = {cli::exportForm(), cli::listForm(),   cli::siteUpdateForm(),
                                    cli::diffForm(),   cli::importForm(), cli::shareForm()};
    return cli::run(QCoreApplication::arguments(), QCoreApplication::applicationDirPath(), forms);
}
