#pragma once

#include "app/enginewindows.h"

namespace app {

// The module of the program folder that holds the windows needing the web engine. It is
// loaded once the terms are on screen: the engine's libraries, the largest part of the
// program, are then loaded and relocated while the user reads.
QString EngineModuleFile(const QString& programFolder);

// Loads `moduleFile` (it stays loaded for the life of the process) and makes its
// EngineWindows. Null, with the reason in `error`, when it cannot be loaded.
std::unique_ptr<EngineWindows> LoadEngineWindows(const QString& moduleFile, QString* error);

// The name of the module's one entry point: an extern "C" function taking nothing and
// returning a new EngineWindows, owned by the caller.
inline constexpr char EngineModuleEntry[] = "korvalis_engine_windows";

} // namespace app
