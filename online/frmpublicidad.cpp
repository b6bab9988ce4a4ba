#include "frmpublicidad.h"

#include "base/module1.h"
#include "browser/twips.h"
#include "online/banner.h"
#include "platform/network.h"
#include "web/guardedpage.h"
#include "web/popupwindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
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
    // The page's strip, then a row for "Cerrar".
    setFixedSize(twips::toPixels(7380, dpi), twips::toPixels(1950, dpi));

    web_publicidad_ = new QWebEngineView(this);
    web_publicidad_->setObjectName(QStringLiteral("web_publicidad"));
    web_publicidad_->setPage(new GuardedPage(web_publicidad_));
    twips::place(web_publicidad_, 0, 0, 7335, 1335);
    web_publicidad_->setAccessibleName(QStringLiteral("Patrocinador"));
    popups::OpenNewWindowsInUsersBrowser(web_publicidad_->page());

    boton_cerrar_ = new QPushButton(QStringLiteral("Cerrar"), this);
    boton_cerrar_->setObjectName(QStringLiteral("boton_cerrar"));
    twips::place(boton_cerrar_, 5925, 1455, 1335, 405);
    connect(boton_cerrar_, &QPushButton::clicked, this, &QDialog::reject);
    qApp->installEventFilter(this);

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

void Frmpublicidad::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    shownFor_.start();
}

namespace {

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return true;
    default:
        return false;
    }
}

} // namespace

bool Frmpublicidad::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this || !isInput(event->type()))
        return QDialog::eventFilter(watched, event);
    if (!shownFor_.isValid() || shownFor_.elapsed() < InputGraceMs)
        return true;
    // Escape closes it wherever the focus is, the page included.
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

namespace online {

BannerTicks::BannerTicks(QWidget* owner, const QString& programFolder)
    : QObject(owner), owner_(owner), programFolder_(programFolder),
      schedule_(Module1::BannerTickCount, Module1::BannerTickLimit)
{
    qApp->installEventFilter(this);
}

bool BannerTicks::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::MouseButtonPress ||
        type == QEvent::MouseButtonDblClick)
        sinceInput_.start();
    return QObject::eventFilter(watched, event);
}

bool BannerTicks::userIsBusy() const
{
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return true;
    return sinceInput_.isValid() && sinceInput_.elapsed() < QuietAfterInputMs;
}

void BannerTicks::Tick()
{
    if (!schedule_.tick(userIsBusy()))
        return;
    // The owner may close (ending the program, and this with it) while the banner is open.
    QPointer<BannerTicks> self(this);
    QPointer<Frmpublicidad> banner = new Frmpublicidad(programFolder_, owner_);
    banner->exec();
    delete banner.data();
    if (self)
        schedule_.closed();
}

} // namespace online
