#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <chrono>
#include <optional>
#include <set>
#include <xcb/xcb.h>

namespace xsupport {

using Clock = std::chrono::steady_clock;

// Copies a program folder (the staged one, usually) whole, keeping each file's permissions,
// so that a run of the program writes only into its own copy.
bool CopyProgramFolder(const QString& from, const QString& to);

// An Xvfb server of the benchmark's own, and a client that sees top-level windows appear and
// first draw, and clicks like a person (through XTEST).
class XSession
{
public:
    XSession();
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool ok() const { return connection_ != nullptr; }
    QString display() const { return display_; }

    struct Shown
    {
        unsigned window = 0;
        QRect geometry;
        Clock::time_point at;
    };
    // The first top-level window titled `title`, not in `known`, that is mapped and has drawn,
    // within `timeoutMs`.
    std::optional<Shown> waitForShown(const QString& title, const std::set<unsigned>& known,
                                      int timeoutMs);
    // Presses and releases the left button at a root position; returns when it was released.
    Clock::time_point click(const QPoint& at);
    // Moves the pointer to a root position and presses and releases Return there.
    Clock::time_point pressReturn(const QPoint& at);
    // Presses and releases the key of an X keysym (XK_Down is 0xff54) where the focus is.
    void pressKey(unsigned keysym);
    // The screen's pixels in a rectangle of root coordinates.
    QImage grab(const QRect& area);
    // Forgets windows seen so far (between runs).
    void reset();

private:
    QString titleOf(unsigned window);
    uint8_t keycodeOf(unsigned keysym);
    void watch(unsigned window);
    void handle(xcb_generic_event_t* event);

    int xvfbPid_ = -1;
    QString display_;
    xcb_connection_t* connection_ = nullptr;
    unsigned root_ = 0;
    int damageEvent_ = 0;
    std::set<unsigned> mapped_;
    std::set<unsigned> drawn_;
    std::set<unsigned> watched_;
};

} // namespace xsupport
