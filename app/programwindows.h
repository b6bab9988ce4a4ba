#pragma once

#include "app/enginewindows.h"

namespace app {

// The program's EngineWindows, made in this process (the module's entry point makes them too).
std::unique_ptr<EngineWindows> MakeEngineWindows(QString* error = nullptr);

} // namespace app
