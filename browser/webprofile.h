#pragma once

class QWebEngineProfile;

namespace browser {

// The program's one web engine profile, shared by the page pane, the hidden update page and
// the banner: made and set up once, on first use, so the web engine starts only when the
// first page is needed. It keeps nothing on disk.
QWebEngineProfile* WebProfile();

} // namespace browser
