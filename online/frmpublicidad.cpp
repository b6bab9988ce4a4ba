#include "frmpublicidad.h"

#include "base/module1.h"
#include "browser/twips.h"
#include "online/banner.h"
#include "platform/network.h"
#include "web/guardedpage.h"
#include "web/popupwindow.h"

#include <QPointer>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEngineView>

Frmpublicidad::Frmpublicidad(const QString& programFolder, QWidget* parent)
    : QDialog(parent), programFolder_(programFolder)
{
    setObjectName(QStringLiteral("Frmpublicidad"));
    setWindowTitle(QStringLiteral("Korvalis"));
    setModal(true);
    const int dpi = twips::dpiOf(this);
    setFixedSize(twips::toPixels(7380, dpi), twips::toPixels(1395, dpi));

    web_publicidad_ = new QWebEngineView(this);
    web_publicidad_->setObjectName(QStringLiteral("web_publicidad"));
    web_publicidad_->setPage(new GuardedPage(web_publicidad_));
    twips::place(web_publicidad_, 0, 0, 7335, 1335);
    web_publicidad_->setAccessibleName(QStringLiteral("Patrocinador"));
    popups::OpenNewWindowsInUsersBrowser(web_publicidad_->page());

    siteTimeout_ = new QTimer(this);
    siteTimeout_->setSingleShot(true);
    siteTimeout_->setInterval(SiteAnswerTimeoutMs);
    connect(siteTimeout_, &QTimer::timeout, this, &Frmpublicidad::ShowOfflinePage);
    connect(web_publicidad_->page(), &QWebEnginePage::loadingChanged, this,
            &Frmpublicidad::siteLoadingChanged);
    Load();
}

bool Frmpublicidad::WriteBannerPage()
{
    return online::WriteBannerPage(programFolder_, Module1::SponsorShopUrl);
}

void Frmpublicidad::Load()
{
    if (platform::networkPresence().hasNetwork()) {
        // No wait before showing: the modal window paints the page as it arrives.
        waitingForSite_ = true;
        siteTimeout_->start();
        web_publicidad_->load(QUrl(Module1::SiteUrl));
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
        web_publicidad_->stop();
        return;
    }
    web_publicidad_->load(QUrl::fromLocalFile(programFolder_ + QStringLiteral("/banner.html")));
}

void Frmpublicidad::siteLoadingChanged(const QWebEngineLoadingInfo& info)
{
    if (!waitingForSite_)
        return;
    // A page delivered with an HTTP error status counts as a failure too.
    const bool httpError = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain &&
                           info.errorCode() >= 400;
    const bool failed = info.status() == QWebEngineLoadingInfo::LoadFailedStatus ||
                        (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus && httpError);
    if (failed) {
        // Not from inside the engine's own notification.
        QTimer::singleShot(0, this, &Frmpublicidad::ShowOfflinePage);
        waitingForSite_ = false;
    } else if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus) {
        waitingForSite_ = false;
        siteTimeout_->stop();
    }
}

namespace online {

void ShowBannerOnTick(QWidget* owner, const QString& programFolder)
{
    static BannerSchedule schedule(Module1::BannerTickCount, Module1::BannerTickLimit);
    if (!schedule.tick())
        return;
    // The owner may close (ending the program) while the banner is open.
    QPointer<Frmpublicidad> banner = new Frmpublicidad(programFolder, owner);
    banner->exec();
    delete banner.data();
    schedule.closed();
}

} // namespace online
