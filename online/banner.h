#pragma once

#include <QByteArray>
#include <QString>

namespace online {

// When the sponsor banner comes up on the main window's minute timer: after `limit` ticks
// have only been counted in `count`, and again that many ticks after each closing. While the
// banner is open, or while the user is busy (another window of the program is modal, or a key
// or button was pressed a moment ago), ticks are not acted on: the count stays, and a later
// tick shows the banner. The count and the limit belong to the caller (the program's
// Module1::BannerTickCount and BannerTickLimit), which may reset or change them.
class BannerSchedule
{
public:
    BannerSchedule(qint16& count, const qint16& limit) : count_(count), limit_(limit) {}

    // One tick of the timer; true when the banner is to be shown now.
    bool tick(bool userBusy = false);
    // The banner has been closed: counting starts again.
    void closed();
    bool isShowing() const { return showing_; }

private:
    qint16& count_;
    const qint16& limit_;
    bool showing_ = false;
};

// The offline banner page: one line and CR LF, linking the sponsor image to `shopUrl`.
QByteArray BannerPage(const QString& shopUrl);
// Replaces `folder`/banner.html with the page; false when it cannot be written.
bool WriteBannerPage(const QString& folder, const QString& shopUrl);

} // namespace online
