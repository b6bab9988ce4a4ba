#include "webprofile.h"

#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace browser {

QWebEngineProfile* WebProfile()
{
    // The engine's own default profile lives exactly as long as the engine, so pages that are
    // destroyed late at exit never outlive it; it is off the record, so nothing is written
    // outside the program folder.
    static QWebEngineProfile* const profile = [] {
        QWebEngineProfile* p = QWebEngineProfile::defaultProfile();
        p->settings()->setDefaultTextEncoding(QStringLiteral("UTF-8"));
        return p;
    }();
    return profile;
}

} // namespace browser
