#pragma once

#include <QByteArray>

// What the program decides about the web engine before the engine exists: nothing here loads
// the engine's libraries, so the program's first window can be shown without them.
namespace web {

// Keeps the web engine from setting up its graphics (a shared OpenGL context, which loads
// and starts the system's GL driver) while the application object is made; the first call
// of WebProfile() sets them up instead, so the first window is painted sooner. To be called
// before the QApplication is made.
void DeferEngineGraphics();

// On an X server without direct rendering the program draws without OpenGL (see
// DisplayDrawsInSoftware): this keeps Qt from loading the GL driver, which it would otherwise
// do only to ask it about threads, for tens of megabytes. To be called once the QApplication
// is made, before the first window is shown.
void KeepGlDriverOutWhereSoftware();

// Whether the display draws in software anyway: no display (offscreen), or an X server that
// offers no direct rendering (Xvfb, a VNC server), where OpenGL would only bring the software
// GL driver into the process. Needs the QGuiApplication.
bool DisplayDrawsInSoftware();

// The Chromium flags the engine starts with: `requested` (QTWEBENGINE_CHROMIUM_FLAGS as the
// user or the environment set it), then what spares memory. One renderer process serves every
// page, as all of them share one profile. Without a sandbox the renderers start directly
// instead of from zygote processes kept for the whole run (the zygote is what the sandbox
// needs, so with the sandbox on it stays). Drawing in software, the GPU work is off.
QByteArray EngineFlags(const QByteArray& requested, bool sandboxOff, bool software);

// Whether the engine of this process runs without its sandbox: QTWEBENGINE_DISABLE_SANDBOX
// set, or --no-sandbox among the flags or the program's arguments.
bool SandboxOff();

} // namespace web
