#include "engineloader.h"

#include <QLibrary>

namespace app {

QString EngineModuleFile(const QString& programFolder)
{
    return programFolder + QStringLiteral("/libkorvalis-windows.so");
}

std::unique_ptr<EngineWindows> LoadEngineWindows(const QString& moduleFile, QString* error)
{
    // Never unloaded: the windows it made live until the program ends.
    QLibrary module(moduleFile);
    using Entry = EngineWindows* (*)();
    const auto entry = reinterpret_cast<Entry>(module.resolve(EngineModuleEntry));
    if (!entry) {
        if (error)
            *error = module.errorString();
        return nullptr;
    }
    return std::unique_ptr<EngineWindows>(entry());
}

} // namespace app
