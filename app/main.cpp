#include "app/engineloader.h"
#include "app/frmsplash.h"
#include "base/module1.h"
#include "base/programpaths.h"
#include "buildinfo.h"
#include "web/enginesettings.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The terms come first: the windows that need the web engine are loaded, and the engine's
    // graphics set up, while they are read.
    web::DeferEngineGraphics();
    QApplication app(argc, argv);
    web::KeepGlDriverOutWhereSoftware();
    QApplication::setApplicationName(QStringLiteral("Korvalis"));
    QApplication::setApplicationDisplayName(QStringLiteral("Korvalis"));
    QApplication::setApplicationVersion(QStringLiteral(KORVALIS_VERSION_TEXT));

    Module1::SetSpanishLocale();
    Module1::InstallQtSpanishTranslation();

    const base::ProgramPaths paths = base::ProgramPaths::in(QCoreApplication::applicationDirPath());
    const QString module = app::EngineModuleFile(paths.programFolder);
    auto* splash =
        new frmsplash([module](QString* error) { return app::LoadEngineWindows(module, error); });
    splash->setAttribute(Qt::WA_DeleteOnClose);
    if (!splash->Form_Load(paths))
        return 1;
    return QApplication::exec();
}
