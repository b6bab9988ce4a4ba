#include "webprofile.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

// Qt's own, exported but not in its public headers: the context every OpenGL context shares
// with, and the engine's set-up of it (it makes the context only when there is none yet).
Q_DECL_IMPORT QOpenGLContext* qt_gl_global_share_context();
Q_DECL_IMPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
namespace QtWebEngineCore {
Q_DECL_IMPORT void initialize();
} // namespace QtWebEngineCore

namespace browser {

namespace {

// Never created: it only holds the place of the shared context until the engine's first use.
QOpenGLContext* placeholder = nullptr;

void setUpEngineGraphics()
{
    if (!placeholder)
        return;
    if (qt_gl_global_share_context() == placeholder)
        qt_gl_set_global_share_context(nullptr);
    delete placeholder;
    placeholder = nullptr;
    QtWebEngineCore::initialize();
}

} // namespace

void DeferEngineGraphics()
{
    if (QCoreApplication::instance() || qt_gl_global_share_context())
        return;
    placeholder = new QOpenGLContext;
    qt_gl_set_global_share_context(placeholder);
}

QWebEngineProfile* WebProfile()
{
    // The engine's own default profile lives exactly as long as the engine, so pages that are
    // destroyed late at exit never outlive it; it is off the record, so nothing is written
    // outside the program folder.
    static QWebEngineProfile* const profile = [] {
        setUpEngineGraphics();
        QWebEngineProfile* p = QWebEngineProfile::defaultProfile();
        p->settings()->setDefaultTextEncoding(QStringLiteral("UTF-8"));
        return p;
    }();
    return profile;
}

} // namespace browser
