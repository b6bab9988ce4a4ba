#include "webprofile.h"

#include "enginesettings.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QQuickWindow>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

// Qt's own, exported but not in its public headers: the context every OpenGL context shares
// with. The web engine makes it while the application object is made, unless there is one.
Q_DECL_IMPORT QOpenGLContext* qt_gl_global_share_context();
Q_DECL_IMPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace web {

namespace {

QOpenGLContext* shared = nullptr;

void deleteSharedContext()
{
    if (qt_gl_global_share_context() == shared)
        qt_gl_set_global_share_context(nullptr);
    delete shared;
    shared = nullptr;
}

// The engine's flags, and what the engine would have done while the application object was
// made had DeferEngineGraphics() not kept a place for it: an invalid shared context.
void setUpEngine()
{
    QOpenGLContext* placeholder = qt_gl_global_share_context();
    const bool deferred = placeholder && !placeholder->isValid();
    const bool software = deferred && DisplayDrawsInSoftware();
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            EngineFlags(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), SandboxOff(), software));
    if (!deferred)
        return;
    if (software) {
        // The engine draws pages itself and the views show them without OpenGL: the same
        // pixels, without a GL driver in the process. The engine still reads the shared
        // context's format, so the placeholder stays, never created.
        QQuickWindow::setSceneGraphBackend(QStringLiteral("software"));
        return;
    }
    qt_gl_set_global_share_context(nullptr);
    delete placeholder;
    shared = new QOpenGLContext;
    shared->setFormat(QSurfaceFormat::defaultFormat());
    shared->create();
    qt_gl_set_global_share_context(shared);
    qAddPostRoutine(deleteSharedContext);
}

} // namespace

QWebEngineProfile* WebProfile()
{
    // The engine's own default profile lives exactly as long as the engine, so pages that are
    // destroyed late at exit never outlive it; it is off the record, so nothing is written
    // outside the program folder.
    static QWebEngineProfile* const profile = [] {
        setUpEngine();
        QWebEngineProfile* p = QWebEngineProfile::defaultProfile();
        p->settings()->setDefaultTextEncoding(QStringLiteral("UTF-8"));
        return p;
    }();
    return profile;
}

} // namespace web
