#include "enginesettings.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QStringList>
#include <QtGui/qguiapplication_platform.h>
#include <cstring>
#include <xcb/xcb.h>

// Qt's own, exported but not in its public headers: the context every OpenGL context shares
// with. The web engine makes it while the application object is made, unless there is one.
Q_DECL_IMPORT QOpenGLContext* qt_gl_global_share_context();
Q_DECL_IMPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace web {

namespace {

bool hasFlag(const QByteArray& flags, const QByteArray& flag)
{
    const QList<QByteArray> words = flags.simplified().split(' ');
    for (const QByteArray& word : words) {
        if (word == flag || word.startsWith(flag + '='))
            return true;
    }
    return false;
}

void addFlag(QByteArray& flags, const QByteArray& flag)
{
    if (hasFlag(flags, flag.left(flag.indexOf('=') < 0 ? flag.size() : flag.indexOf('='))))
        return;
    if (!flags.isEmpty())
        flags += ' ';
    flags += flag;
}

bool hasExtension(xcb_connection_t* connection, const char* name)
{
    const xcb_query_extension_cookie_t cookie =
        xcb_query_extension(connection, uint16_t(std::strlen(name)), name);
    xcb_query_extension_reply_t* reply = xcb_query_extension_reply(connection, cookie, nullptr);
    const bool present = reply && reply->present;
    free(reply);
    return present;
}

// Mesa reaches the GPU through DRI2 or DRI3; NVIDIA's own driver through NV-GLX.
bool offersDirectRendering(xcb_connection_t* connection)
{
    for (const char* direct : {"DRI3", "DRI2", "NV-GLX"}) {
        if (hasExtension(connection, direct))
            return true;
    }
    return false;
}

// Whether the X server of DISPLAY, if Qt is to draw on one, offers no direct rendering.
bool xServerDrawsInSoftware()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if ((!platform.isEmpty() && platform != "xcb") || qEnvironmentVariableIsEmpty("DISPLAY") ||
        (platform.isEmpty() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")))
        return false;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool software =
        !xcb_connection_has_error(connection) && !offersDirectRendering(connection);
    xcb_disconnect(connection);
    return software;
}

} // namespace

void DeferEngineGraphics()
{
    if (QCoreApplication::instance() || qt_gl_global_share_context())
        return;
    // Set now, as it must be: windows with web pages share their OpenGL resources.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // On an X server without direct rendering the program draws without OpenGL (see
    // DisplayDrawsInSoftware): Qt then never loads the GL driver, which it would otherwise do
    // only to ask it about threads, for tens of megabytes.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION") && xServerDrawsInSoftware())
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    // Never created: it only holds the place of the shared context until the engine's first
    // use, which replaces it (an invalid shared context is how that use knows).
    qt_gl_set_global_share_context(new QOpenGLContext);
}

bool DisplayDrawsInSoftware()
{
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return true;
    if (platform != QLatin1String("xcb"))
        return false;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    return connection && !offersDirectRendering(connection);
}

QByteArray EngineFlags(const QByteArray& requested, bool sandboxOff, bool software)
{
    QByteArray flags = requested.simplified();
    addFlag(flags, QByteArrayLiteral("--renderer-process-limit=1"));
    if (sandboxOff)
        addFlag(flags, QByteArrayLiteral("--no-zygote"));
    if (software)
        addFlag(flags, QByteArrayLiteral("--disable-gpu"));
    return flags;
}

bool SandboxOff()
{
    if (!qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        return true;
    if (hasFlag(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), QByteArrayLiteral("--no-sandbox")))
        return true;
    return QCoreApplication::arguments().contains(QLatin1String("--no-sandbox"));
}

} // namespace web
