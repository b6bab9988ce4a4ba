#include "tests/support/xsession.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace xsupport {

namespace {

// Starts Xvfb on a free display and returns its number, read from -displayfd.
int startXvfb(int* pid)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    *pid = fork();
    if (*pid == 0) {
        close(fds[0]);
        const QByteArray fd = QByteArray::number(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.constData(), "-screen", "0", "1280x800x24",
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char buf[32] = {};
    ssize_t n = 0;
    ssize_t got;
    while (n < ssize_t(sizeof buf) - 1 &&
           (got = read(fds[0], buf + n, sizeof buf - 1 - size_t(n))) > 0) {
        n += got;
        if (buf[n - 1] == '\n')
            break;
    }
    close(fds[0]);
    return n > 0 ? std::atoi(buf) : -1;
}

} // namespace

XSession::XSession()
{
    const int number = startXvfb(&xvfbPid_);
    if (number < 0)
        return;
    display_ = QStringLiteral(":%1").arg(number);
    connection_ = xcb_connect(display_.toLatin1().constData(), nullptr);
    if (xcb_connection_has_error(connection_)) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
        return;
    }
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(connection_, &xcb_damage_id);
    if (!damage || !damage->present) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
        return;
    }
    damageEvent_ = damage->first_event;
    free(xcb_damage_query_version_reply(connection_, xcb_damage_query_version(connection_, 1, 1),
                                        nullptr));
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection_);
}

XSession::~XSession()
{
    if (connection_)
        xcb_disconnect(connection_);
    if (xvfbPid_ > 0) {
        kill(xvfbPid_, SIGTERM);
        waitpid(xvfbPid_, nullptr, 0);
    }
}

void XSession::reset()
{
    mapped_.clear();
    drawn_.clear();
    watched_.clear();
}

QString XSession::titleOf(unsigned window)
{
    auto cookie = xcb_get_property(connection_, 0, window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 0, 256);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection_, cookie, nullptr);
    if (!reply)
        return QString();
    const QString title = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                            xcb_get_property_value_length(reply));
    free(reply);
    return title;
}

void XSession::watch(unsigned window)
{
    if (!watched_.insert(window).second)
        return;
    // Damage is watched from creation on, so a first paint right after mapping is not missed.
    const xcb_damage_damage_t damage = xcb_generate_id(connection_);
    xcb_damage_create(connection_, damage, window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
    xcb_flush(connection_);
}

void XSession::handle(xcb_generic_event_t* event)
{
    const int type = event->response_type & 0x7f;
    if (type == XCB_CREATE_NOTIFY) {
        watch(reinterpret_cast<xcb_create_notify_event_t*>(event)->window);
    } else if (type == XCB_MAP_NOTIFY) {
        const unsigned w = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
        watch(w);
        mapped_.insert(w);
    } else if (type == XCB_UNMAP_NOTIFY) {
        mapped_.erase(reinterpret_cast<xcb_unmap_notify_event_t*>(event)->window);
    } else if (type == damageEvent_ + XCB_DAMAGE_NOTIFY) {
        auto* d = reinterpret_cast<xcb_damage_notify_event_t*>(event);
        if (mapped_.count(d->drawable))
            drawn_.insert(d->drawable);
        xcb_damage_subtract(connection_, d->damage, XCB_NONE, XCB_NONE);
        xcb_flush(connection_);
    }
}

std::optional<XSession::Shown>
XSession::waitForShown(const QString& title, const std::set<unsigned>& known, int timeoutMs)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            handle(event);
            free(event);
        }
        for (unsigned w : drawn_) {
            if (known.count(w) || !mapped_.count(w) || titleOf(w) != title)
                continue;
            const Clock::time_point at = Clock::now();
            Shown shown{w, QRect(), at};
            auto geometry =
                xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, w), nullptr);
            if (geometry) {
                shown.geometry = QRect(geometry->x, geometry->y, geometry->width, geometry->height);
                free(geometry);
            }
            return shown;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return std::nullopt;
        pollfd p{xcb_get_file_descriptor(connection_), POLLIN, 0};
        poll(&p, 1, int(left));
    }
}

Clock::time_point XSession::click(const QPoint& at)
{
    xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_, int16_t(at.x()),
                        int16_t(at.y()), 0);
    xcb_flush(connection_);
    usleep(30000);
    xcb_test_fake_input(connection_, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(connection_);
    usleep(30000);
    xcb_test_fake_input(connection_, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(connection_);
    return Clock::now();
}

uint8_t XSession::keycodeOf(unsigned keysym)
{
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto* map = xcb_get_keyboard_mapping_reply(
        connection_, xcb_get_keyboard_mapping(connection_, setup->min_keycode, uint8_t(count)),
        nullptr);
    uint8_t key = 0;
    if (map) {
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
        for (int i = 0; i < count * map->keysyms_per_keycode && !key; ++i) {
            if (syms[i] == keysym)
                key = uint8_t(setup->min_keycode + i / map->keysyms_per_keycode);
        }
        free(map);
    }
    return key;
}

void XSession::pressKey(unsigned keysym)
{
    const uint8_t key = keycodeOf(keysym);
    xcb_test_fake_input(connection_, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(connection_);
    usleep(30000);
    xcb_test_fake_input(connection_, XCB_KEY_RELEASE, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(connection_);
}

Clock::time_point XSession::pressReturn(const QPoint& at)
{
    xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_, int16_t(at.x()),
                        int16_t(at.y()), 0);
    xcb_flush(connection_);
    usleep(30000);
    pressKey(0xff0d); // XK_Return
    return Clock::now();
}

QImage XSession::grab(const QRect& area)
{
    auto* reply = xcb_get_image_reply(
        connection_,
        xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, int16_t(area.x()),
                      int16_t(area.y()), uint16_t(area.width()), uint16_t(area.height()), ~0u),
        nullptr);
    if (!reply)
        return {};
    // The server's 24-bit screen comes as 32 bits a pixel, blue first.
    const QImage image(xcb_get_image_data(reply), area.width(), area.height(), area.width() * 4,
                       QImage::Format_RGB32);
    QImage copy = image.copy();
    free(reply);
    return copy;
}

bool CopyProgramFolder(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + file.mid(from.size());
        QDir().mkpath(QFileInfo(target).path());
        if (!QFile::copy(file, target))
            return false;
        QFile::setPermissions(target, QFileInfo(file).permissions());
    }
    return true;
}

} // namespace xsupport
