#pragma once

#include "base/programpaths.h"

#include <QString>
#include <functional>
#include <memory>

class Frmscripts;
class QAbstractButton;
class QWebEnginePage;
class QWidget;

namespace app {

// The part of the program that needs the web engine, as the start window drives it: the main
// window and the update check. The start window knows it through this interface only, so the
// terms are on screen before the engine's libraries are loaded (see engineloader.h).
class EngineWindows
{
public:
    virtual ~EngineWindows() = default;

    // While the terms are read: the library's key derived on a thread of its own, the web
    // engine started and the main window made, hidden; with a network, `checkButton` shown,
    // and the hidden update page and its check, which the button runs again. What is made
    // for the start window `splash` is owned by it.
    virtual void Prepare(const base::ProgramPaths& paths, QWidget* splash,
                         QAbstractButton* checkButton) = 0;
    // The terms accepted: the main window loaded and shown; closing it ends the program and
    // unloads `splash`. Null when the program cannot go on (the user was told).
    virtual QWidget* ShowMainWindow() = 0;

    // The main window once shown, and the update page once made.
    virtual Frmscripts* MainWindow() const = 0;
    virtual QWebEnginePage* UpdatePage() const = 0;
};

// Where the start window gets its EngineWindows: the program loads them from the module beside
// it, tests make them in their own process. Null, with the reason in `error`, when there are
// none.
using EngineWindowsSource = std::function<std::unique_ptr<EngineWindows>(QString* error)>;

} // namespace app
