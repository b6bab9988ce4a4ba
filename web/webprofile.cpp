#include "webprofile.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

// Qt's own, exported but not in its public headers: the context every OpenGL context shares
// with. The web engine makes it while the application object is made, unless there is one.
Q_DECL_IMPORT QOpenGLContext* qt_gl_global_share_context();
Q_DECL_IMPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace web {

namespace {

// Never created: it only holds the place of the shared context until the engine's first use.
QOpenGLContext* placeholder = nullptr;
QOpenGLContext* shared = nullptr;

void deleteSharedContext()
{
    if (qt_gl_global_share_context() == shared)
        qt_gl_set_global_share_context(nullptr);
    delete shared;
    shared = nullptr;
}

// What the engine would have done while the application object was made.
void setUpEngineGraphics()
{
    if (!placeholder)
        return;
    shared = new QOpenGLContext;
    shared->setFormat(QSurfaceFormat::defaultFormat());
    shared->create();
    qt_gl_set_global_share_context(shared);
    qAddPostRoutine(deleteSharedContext);
    delete placeholder;
    placeholder = nullptr;
}

} // namespace

void DeferEngineGraphics()
{
    if (QCoreApplication::instance() || qt_gl_global_share_context())
        return;
    // Set now, as it must be: windows with web pages share their OpenGL resources.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
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

} // namespace web
