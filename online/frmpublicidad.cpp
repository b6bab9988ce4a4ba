#include "frmpublicidad.h"

#include "app/module1.h"
#include "browser/guardedpage.h"
#include "browser/twips.h"
#include "online/banner.h"
#include "platform/network.h"

#include <QPointer>
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
    Load();
}

bool Frmpublicidad::WriteBannerPage()
{
    return online::WriteBannerPage(Module1::ProgramFolder, Module1::SponsorShopUrl);
}

void Frmpublicidad::Load()
{
    QUrl address;
    if (platform::networkPresence().hasNetwork())
        address = QUrl(Module1::SiteUrl);
    else if (WriteBannerPage())
        address = QUrl::fromLocalFile(Module1::ProgramFolder + QStringLiteral("/banner.html"));
    // A page that could not be written leaves the window without a page.
    if (address.isEmpty())
        return;
    // No wait before showing: the modal window paints the page as it arrives.
    web_publicidad->load(address);
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
