#pragma once

class QWebEngineProfile;

namespace web {

// The program's one web engine profile, shared by the page pane, the hidden update page and
// the banner: made and set up once, on first use, so the web engine starts only when the
// first page is needed. It keeps nothing on disk.
QWebEngineProfile* WebProfile();

// Keeps the web engine from setting up its graphics (a shared OpenGL context, which loads
// and starts the system's GL driver) while the application object is made; the first call
// of WebProfile() sets them up instead, so the first window is painted sooner. To be called
// before the QApplication is made.
void DeferEngineGraphics();

} // namespace web
