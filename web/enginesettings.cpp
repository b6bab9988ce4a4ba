#include "enginesettings.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QStringList>
#include <QtGui/qguiapplication_platform.h>
#include <cstring>
#include <vector>
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

// Mesa reaches the GPU through DRI2 or DRI3; NVIDIA's own driver through NV-GLX. The three
// questions go out together: one round trip.
bool offersDirectRendering(xcb_connection_t* connection)
{
    std::vector<xcb_query_extension_cookie_t> cookies;
    for (const char* direct : {"DRI3", "DRI2", "NV-GLX"})
        cookies.push_back(xcb_query_extension(connection, uint16_t(std::strlen(direct)), direct));
    bool offered = false;
    for (const xcb_query_extension_cookie_t& cookie : cookies) {
        xcb_query_extension_reply_t* reply = xcb_query_extension_reply(connection, cookie, nullptr);
        offered = offered || (reply && reply->present);
        free(reply);
    }
    return offered;
}

} // namespace

void DeferEngineGraphics()
{
    if (QCoreApplication::instance() || qt_gl_global_share_context())
        return;
    // Set now, as it must be: windows with web pages share their OpenGL resources.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Never created: it only holds the place of the shared context until the engine's first
    // use, which replaces it, or keeps it when drawing in software (an invalid shared context
    // is how that use knows).
    qt_gl_set_global_share_context(new QOpenGLContext);
}

void KeepGlDriverOutWhereSoftware()
{
    // Qt reads it when the first window is shown.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION") &&
        QGuiApplication::platformName() == QLatin1String("xcb") && DisplayDrawsInSoftware())
        qputenv("QT_XCB_GL_INTEGRATION", "none");
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
