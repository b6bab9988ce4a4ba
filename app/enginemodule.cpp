// The module the program loads once its terms are on screen: every window that needs the web
// engine, reached through one entry point.
#include "app/engineloader.h"
#include "app/programwindows.h"
#include "export/trypagescheme.h"

extern "C" Q_DECL_EXPORT app::EngineWindows* korvalis_engine_windows()
{
    // The engine has not started yet (its first profile starts it), so the scheme of the
    // try-page window can still be registered, as the engine requires.
    static const bool registered = [] {
        exporting::RegisterTryPageScheme();
        return true;
    }();
    Q_UNUSED(registered);
    return app::MakeEngineWindows().release();
}
