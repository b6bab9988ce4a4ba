#include "app/frmsplash.h"
#include "base/module1.h"
#include "base/programpaths.h"
#include "buildinfo.h"
#include "export/trypagescheme.h"
#include "web/enginesettings.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The terms come first; the web engine's graphics are set up while they are read.
    web::DeferEngineGraphics();
    exporting::RegisterTryPageScheme();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvalis"));
    QApplication::setApplicationDisplayName(QStringLiteral("Korvalis"));
    QApplication::setApplicationVersion(QStringLiteral(KORVALIS_VERSION_TEXT));

    Module1::SetSpanishLocale();
    Module1::InstallQtSpanishTranslation();

    auto* splash = new frmsplash();
    splash->setAttribute(Qt::WA_DeleteOnClose);
    if (!splash->Form_Load(base::ProgramPaths::in(QCoreApplication::applicationDirPath())))
        return 1;
    return QApplication::exec();
}
