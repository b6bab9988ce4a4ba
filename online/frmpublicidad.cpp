#include "frmpublicidad.h"

#include "app/module1.h"
#include "browser/guardedpage.h"
#include "browser/popupwindow.h"
#include "browser/twips.h"
#include "online/banner.h"
#include "platform/network.h"

#include <QPointer>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEngineView>

Frmpublicidad::Frmpublicidad(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Frmpublicidad"));
    setWindowTitle(QStringLiteral("Korvalis"));
    setModal(true);
    const int dpi = twips::dpiOf(this);
    setFixedSize(twips::toPixels(7380, dpi), twips::toPixels(1395, dpi));

    web_publicidad = new QWebEngineView(this);
    web_publicidad->setObjectName(QStringLiteral("web_publicidad"));
    web_publicidad->setPage(new GuardedPage(web_publicidad));
    twips::place(web_publicidad, 0, 0, 7335, 1335);
    web_publicidad->setAccessibleName(QStringLiteral("Patrocinador"));
    popups::OpenNewWindowsInUsersBrowser(web_publicidad->page());

    siteTimeout_ = new QTimer(this);
    siteTimeout_->setSingleShot(true);
    siteTimeout_->setInterval(SiteAnswerTimeoutMs);
    connect(siteTimeout_, &QTimer::timeout, this, &Frmpublicidad::ShowOfflinePage);
    connect(web_publicidad->page(), &QWebEnginePage::loadingChanged, this,
            &Frmpublicidad::siteLoadingChanged);
    Load();
}

bool Frmpublicidad::WriteBannerPage()
{
    return online::WriteBannerPage(Module1::ProgramFolder, Module1::SponsorShopUrl);
}

void Frmpublicidad::Load()
{
    if (platform::networkPresence().hasNetwork()) {
        // No wait before showing: the modal window paints the page as it arrives.
        waitingForSite_ = true;
        siteTimeout_->start();
        web_publicidad->load(QUrl(Module1::SiteUrl));
        return;
    }
    ShowOfflinePage();
}

void Frmpublicidad::ShowOfflinePage()
{
    waitingForSite_ = false;
    siteTimeout_->stop();
    // A page that could not be written leaves the window without a page.
    if (!WriteBannerPage()) {
        web_publicidad->stop();
        return;
    }
    web_publicidad->load(
        QUrl::fromLocalFile(Module1::ProgramFolder + QStringLiteral("/banner.html")));
}

void Frmpublicidad::siteLoadingChanged(const QWebEngineLoadingInfo& info)
{
    if (!waitingForSite_)
        return;
    // The engine reports a page delivered with an HTTP error status (404, 500, with or without
    // a page of its own) as a failed load, like a server that cannot be reached.
    if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus) {
        // Not from inside the engine's own notification.
        QTimer::singleShot(0, this, &Frmpublicidad::ShowOfflinePage);
        waitingForSite_ = false;
    } else if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus) {
        waitingForSite_ = false;
        siteTimeout_->stop();
    }
}

namespace online {

void ShowBannerOnTick(QWidget* owner)
{
    static BannerSchedule schedule;
    if (!schedule.tick())
        return;
    // The owner may close (ending the program) while the banner is open.
    QPointer<Frmpublicidad> banner = new Frmpublicidad(owner);
    banner->exec();
    delete banner.data();
    schedule.closed();
}

} // namespace online
