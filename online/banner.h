#pragma once

#include <QByteArray>
#include <QString>

namespace online {

// When the sponsor banner comes up on the main window's minute timer: after
// Module1::BannerTickLimit ticks have only been counted, and again that many ticks after
// each closing. While the banner is open, or while the user is busy (another window of the
// program is modal, or a key or button was pressed a moment ago), ticks are not acted on:
// the count stays, and a later tick shows the banner.
class BannerSchedule
{
public:
    // One tick of the timer; true when the banner is to be shown now.
    bool tick(bool userBusy = false);
    // The banner has been closed: counting starts again.
    void closed();
    bool isShowing() const { return showing_; }

private:
    bool showing_ = false;
};

// The offline banner page: one line and CR LF, linking the sponsor image to `shopUrl`.
QByteArray BannerPage(const QString& shopUrl);
// Replaces `folder`/banner.html with the page; false when it cannot be written.
bool WriteBannerPage(const QString& folder, const QString& shopUrl);

} // namespace online
