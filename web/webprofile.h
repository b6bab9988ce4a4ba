#pragma once

class QWebEngineProfile;

namespace web {

// The program's one web engine profile, shared by the page pane, the hidden update page and
// the banner: made and set up once, on first use, so the web engine starts only when the
// first page is needed. It keeps nothing on disk. The first use also settles how the engine
// starts (its flags, its drawing: see enginesettings.h), so it comes before any web view.
QWebEngineProfile* WebProfile();

} // namespace web
